// The database client libraries the program is linked with and their versions. The version
// window lists them next to the Qt SQL drivers: a connection problem is often a matter of which
// client library a driver sits on.
#pragma once

#include <QString>

#include <vector>

namespace kelvoran {

// One client library: its name as users know it and the version it reports at run time.
struct ClientLibraryVersion {
    QString name;
    QString version;
};

// libpq, MariaDB Connector/C and SQLite, as loaded by this process.
std::vector<ClientLibraryVersion> clientLibraryVersions();

// The text of a libpq version number: from 10 on major.minor (150018 -> "15.18"), before that
// major.minor.patch (90624 -> "9.6.24"). Zero or less means unknown and gives "?".
QString libpqVersionText(int number);

} // namespace kelvoran

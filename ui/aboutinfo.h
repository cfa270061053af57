// What the version window shows: the program's version, the Qt it runs on, the database drivers
// found and the client libraries under them, and the licence when the program ships one.
#pragma once

#include "db/clientlibraries.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

struct AboutInfo {
    QString programVersion;                            // as built
    QString qtVersion;                                 // the Qt library loaded at run time
    QStringList sqlDrivers;                            // the Qt SQL drivers found, sorted
    std::vector<ClientLibraryVersion> clientLibraries; // libpq, MariaDB Connector/C, SQLite
    QString licenceText;                               // empty: no licence shipped

    // "バージョン 0.1.0"
    QString versionLine() const;
    // "Qt 6.4.2"
    QString qtLine() const;
    // "QMYSQL, QPSQL, QSQLITE" or "（見つかりません）" when no driver is found.
    QString driversLine() const;
    // "libpq 15.18, MariaDB Connector/C 3.3.20, SQLite 3.40.1"
    QString clientLibrariesLine() const;
};

// The driver names without Qt's older spellings of the same driver ("QPSQL7" beside "QPSQL",
// "QODBC3" beside "QODBC"), sorted.
QStringList distinctDriverNames(const QStringList &drivers);

// The file names a licence is looked for under, in this order.
QStringList licenceFileNames();

// The text of the first licence file (licenceFileNames()) found in folder, empty when there is
// none or it cannot be read. The folder may be a resource folder (":/licence").
QString licenceFileText(const QString &folder);

// Everything the window shows, collected now; the licence is looked for in licenceFolder.
AboutInfo collectAboutInfo(const QString &programVersion, const QString &licenceFolder);

} // namespace kelvoran

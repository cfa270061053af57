#include "db/clientlibraries.h"

#include <libpq-fe.h>
#include <mysql.h>
#include <sqlite3.h>

namespace kelvoran {

QString libpqVersionText(int number) {
    if (number <= 0)
        return QStringLiteral("?");
    if (number >= 100000)
        return QStringLiteral("%1.%2").arg(number / 10000).arg(number % 10000);
    return QStringLiteral("%1.%2.%3").arg(number / 10000).arg(number / 100 % 100).arg(number % 100);
}

std::vector<ClientLibraryVersion> clientLibraryVersions() {
    return {
        {QStringLiteral("libpq"), libpqVersionText(PQlibVersion())},
        {QStringLiteral("MariaDB Connector/C"), QString::fromLatin1(mysql_get_client_info())},
        {QStringLiteral("SQLite"), QString::fromLatin1(sqlite3_libversion())},
    };
}

} // namespace kelvoran

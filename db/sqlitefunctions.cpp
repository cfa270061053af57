#include "db/sqlitefunctions.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include "db/oraclesqlfunctions.h"

#include <cstring>

namespace kelvoran {

Status registerOracleFunctions(const QSqlDatabase &db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0)
        return Error{QStringLiteral("SQLite の接続ではありません"), QString()};
    sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.constData());
    if (!sqlite)
        return Error{QStringLiteral("SQLite の接続が開いていません"), QString()};
    if (oraclesql::registerFunctions(sqlite) != SQLITE_OK)
        return Error{QString::fromUtf8(sqlite3_errmsg(sqlite)), QString()};
    return Status();
}

} // namespace kelvoran

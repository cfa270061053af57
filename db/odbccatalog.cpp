#include "db/odbccatalog.h"

#include <QSqlDriver>
#include <QVariant>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <vector>

namespace kelvoran {

namespace {

// A text column of the statement's current row (empty for NULL).
QString textColumn(SQLHSTMT statement, SQLUSMALLINT column) {
    std::vector<SQLWCHAR> buffer(512);
    SQLLEN length = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement, column, SQL_C_WCHAR, buffer.data(),
                                  SQLLEN(buffer.size() * sizeof(SQLWCHAR)), &length)) ||
        length == SQL_NULL_DATA)
        return QString();
    // The text ends at its terminator: some drivers report a wrong length for wide texts.
    size_t size = 0;
    while (size < buffer.size() && buffer[size])
        ++size;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data()), qsizetype(size));
}

} // namespace

std::optional<QStringList> odbcCurrentCatalogTables(const QSqlDatabase &db) {
    if (db.driverName() != u"QODBC" || !db.driver() || !db.isOpen())
        return std::nullopt;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != sizeof(SQLHDBC))
        return std::nullopt;
    const SQLHDBC connection = *static_cast<const SQLHDBC *>(handle.constData());
    if (!connection)
        return std::nullopt;
    SQLWCHAR catalog[256] = {};
    SQLINTEGER catalogLength = 0;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(connection, SQL_ATTR_CURRENT_CATALOG, catalog,
                                          sizeof catalog - sizeof(SQLWCHAR), &catalogLength)) ||
        catalog[0] == 0)
        return std::nullopt;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement)))
        return std::nullopt;
    std::optional<QStringList> names;
    SQLWCHAR types[] = {'T', 'A', 'B', 'L', 'E', ',', 'V', 'I', 'E', 'W', 0};
    if (SQL_SUCCEEDED(
            SQLTablesW(statement, catalog, SQL_NTS, nullptr, 0, nullptr, 0, types, SQL_NTS))) {
        names = QStringList();
        // Column 3 of SQLTables is TABLE_NAME.
        while (SQL_SUCCEEDED(SQLFetch(statement)))
            names->append(textColumn(statement, 3));
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return names;
}

} // namespace kelvoran

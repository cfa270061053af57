// Rows of MySQL/MariaDB read through the client library on the QMYSQL driver's own handle (the
// Qt driver would store a whole result before the first row), with the values typed as the
// driver types them, so a streamed row shows what the grid shows.
#pragma once

#include <QMetaType>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

struct st_mysql;
struct st_mysql_field;

namespace kelvoran {

// The type a column's values get.
QMetaType mySqlMetaType(const st_mysql_field &field);
// One cell of the text protocol converted to the column's type (null data: a typed NULL).
QVariant mySqlValue(const char *data, unsigned long length, QMetaType type);
// The client library's last error as a statement error.
QSqlError mySqlError(st_mysql *mysql, const QString &what);
// The MYSQL* of an open QMYSQL connection, or null.
st_mysql *mySqlHandle(const QSqlDatabase &db);

} // namespace kelvoran

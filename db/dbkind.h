// The database family of an alias, derived from its driver name.
#pragma once

#include <QString>

namespace kelvoran {

// What the program does with an alias depends on its family: the folders of the object tree,
// how tables are listed, which definitions can be rebuilt, which statements are analysed.
enum class DbKind { Oracle, Postgre, MySql, Access, Excel, Sqlite, Other };

// The kind of a driver name: the upper-cased name is tested for "ORACLE", "POSTGRE", "MYSQL",
// "ACCESS", "EXCEL" and "SQLITE" in this order, the first contained word wins; none of them (or
// an empty name) gives Other.
DbKind dbKindFromDriverName(const QString &driverName);

// The kind as a word: "ORACLE", "POSTGRE", "MYSQL", "ACCESS", "EXCEL", "SQLITE" or "OTHER".
QString dbKindText(DbKind kind);

} // namespace kelvoran

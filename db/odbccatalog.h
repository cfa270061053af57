// The tables of an ODBC connection's current catalog. The Qt ODBC driver asks the driver for
// the tables of every catalog the user can see, and MariaDB's driver then adds those of
// performance_schema (global_status, session_status, ...) to the database's own; the tree lists
// the current catalog's tables, as the native drivers do.
#pragma once

#include <QSqlDatabase>
#include <QStringList>

#include <optional>

namespace kelvoran {

// The tables and views of the current catalog of an open QODBC connection, or none when the
// connection is not ODBC or its driver names no current catalog (the caller then takes the Qt
// driver's list).
std::optional<QStringList> odbcCurrentCatalogTables(const QSqlDatabase &db);

} // namespace kelvoran

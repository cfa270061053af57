// Whether the libraries behind an alias can be loaded: the Qt SQL driver plugin and, for ODBC
// aliases, the ODBC driver library that odbcinst.ini registers. A library that cannot load is
// explained in the program's words, naming the missing file (a driver moved away, or a library
// it needs such as Oracle's client library or libaio not on the library path), so that
// `kelvoran-batch aliases` can tell a user what to install before any login is tried.
#pragma once

#include "db/aliases.h"

#include <QString>

namespace kelvoran {

// The library file that the ODBC driver manager loads for a driver registered under this name
// (the Driver= key of its odbcinst.ini group), or empty when no such driver is registered.
QString odbcDriverLibrary(const QString &driverName);

// The ODBC driver that an ODBC alias uses: the driver of its data source, or the DRIVER={...}
// of a connection string; empty for other aliases or an unknown data source.
QString odbcDriverOfAlias(const AliasInfo &alias, const std::vector<OdbcDataSource> &sources);

// Loads a library as the driver manager and Qt's plugin loader do and unloads it again. Empty
// when it loads, else why it does not: the file itself is missing, a library it needs is
// missing (named), or the loader's own message. A name without a folder is looked for on the
// library path and then in the driver manager's driver folder.
QString libraryLoadProblem(const QString &library);

// Why the alias's drivers cannot load, or empty when they can (or when nothing can be checked
// without connecting). sources are the machine's ODBC data sources.
QString aliasDriverProblem(const AliasInfo &alias, const std::vector<OdbcDataSource> &sources);

} // namespace kelvoran

// A SQLite loadable extension that registers DECODE and NVL with Oracle's semantics on every
// connection that loads it. ODBC data sources over SQLite files load it (the SQLite ODBC
// driver's LoadExt= option), so that an Oracle-kind data source on the dictionary fixture runs
// the same catalog statements as the program's own SQLite connections.
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "db/oraclesqlfunctions.h"

#ifdef _WIN32
#define KELVORAN_EXTENSION_EXPORT __declspec(dllexport)
#else
#define KELVORAN_EXTENSION_EXPORT __attribute__((visibility("default")))
#endif

// The entry point SQLite looks for when a load names no other one.
extern "C" KELVORAN_EXTENSION_EXPORT int sqlite3_extension_init(sqlite3 *db, char **errorMessage,
                                                                const sqlite3_api_routines *api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = kelvoran::oraclesql::registerFunctions(db);
    if (rc != SQLITE_OK && errorMessage)
        *errorMessage = sqlite3_mprintf("DECODE/NVL: %s", sqlite3_errmsg(db));
    return rc;
}

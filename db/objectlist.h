// The objects under a folder of the object tree: the ORACLE catalog query per folder kind, the
// PostgreSQL objects from pg_catalog, the MySQL folders from information_schema, the SQLite
// folders from sqlite_schema and the access layer's table list for the other kinds, each sorted
// as the tree shows them.
#pragma once

#include "db/catalogquery.h"
#include "db/dbsession.h"
#include "db/objectkind.h"

#include <QStringList>

namespace kelvoran::db {

// Sorts names as the tree sorts siblings: by the system's locale string comparison.
void sortAsTree(QStringList &names);

// The objects of an ORACLE folder (first column of the folder's catalog query), tree-sorted.
DbResult<QStringList> oracleObjectList(CatalogQuery &query, const ObjectKind &kind);
// The objects of a POSTGRE folder in the user's schemas, tree-sorted: "schema.name", functions
// and procedures as "schema.name(argument types)", triggers as "schema.table.trigger".
DbResult<QStringList> postgresObjectList(CatalogQuery &query, ObjectKindId folder);

// The objects of a MySQL folder in the connection's current database, tree-sorted.
DbResult<QStringList> mysqlObjectList(CatalogQuery &query, const ObjectKind &kind);
// The objects of a SQLite folder of the main database, tree-sorted.
DbResult<QStringList> sqliteObjectList(CatalogQuery &query, const ObjectKind &kind);

// The objects of a folder of an alias, by the alias's kind, opening its connection first (with
// the session's login prompt). The folder must be one of objectKindsFor(kind).
DbResult<QStringList> folderObjects(DbSession &session, const QString &alias, DbKind kind,
                                    const ObjectKind &folder);

} // namespace kelvoran::db

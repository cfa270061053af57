// The objects under a folder of the object tree: the ORACLE catalog query per folder kind, the
// PostgreSQL table list from pg_catalog and the access layer's table list for the other kinds,
// each sorted as the tree shows them.
#pragma once

#include "catalogquery.h"
#include "objectkind.h"
#include "result.h"

#include <QSqlDatabase>
#include <QStringList>

namespace kelvoran::db {

// Sorts names as the tree sorts siblings: by the system's locale string comparison.
void sortAsTree(QStringList &names);

// The objects of an ORACLE folder (first column of the folder's catalog query), tree-sorted.
Result<QStringList> oracleObjectList(CatalogQuery &query, const ObjectKind &kind);
// The tables of a PostgreSQL alias as "schema.table", tree-sorted.
Result<QStringList> postgresTableList(CatalogQuery &query);
// The access layer's list of user tables of an open connection (no system tables), tree-sorted.
Result<QStringList> accessLayerTableList(const QSqlDatabase &database);

} // namespace kelvoran::db

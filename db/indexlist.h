// What the catalog says about the indexes of a table, for every kind of alias: the index names
// of a table, and for one index its facts and its columns with their types. The index list window's
// memo lines and sheet cells are built from these in ui/indexsheet.h.
#pragma once

#include "db/catalogquery.h"
#include "db/dberror.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran::db {

// One fact of an index: its label and its value. sheetShowsLine: the sheet cell holds the
// whole memo line (label and value) rather than the value.
struct IndexFact {
    QString label;
    QString value;
    bool sheetShowsLine = false;
};

// One column of an index and its type text.
struct IndexColumn {
    QString name;
    QString type;
};

// The facts and columns of one index.
struct IndexFacts {
    QString table;
    QString index;
    // False when the table has no such index (MySQL); only the headings are shown then.
    bool found = true;
    // The sheet rows kept for the facts (at least as many as there are facts).
    int factRows = 0;
    std::vector<IndexFact> facts;
    std::vector<IndexColumn> columns;
};

// The index list of an ORACLE table, in the order the catalog returns it.
DbResult<QStringList> oracleIndexNames(CatalogQuery &query, const QString &table);
// The facts and columns of one ORACLE index.
DbResult<IndexFacts> oracleIndexFacts(CatalogQuery &query, const QString &table,
                                      const QString &index);

// The index list of a MySQL table: each key name once, in SHOW INDEX order.
DbResult<QStringList> mysqlIndexNames(CatalogQuery &query, const QString &table);
// The facts and columns of one MySQL index, column types from SHOW FIELDS.
DbResult<IndexFacts> mysqlIndexFacts(CatalogQuery &query, const QString &table,
                                     const QString &index);

// The index list of a SQLite table, by name, the indexes made for keys included.
DbResult<QStringList> sqliteIndexNames(CatalogQuery &query, const QString &table);
// The facts and columns of one SQLite index, column types as declared in the table.
DbResult<IndexFacts> sqliteIndexFacts(CatalogQuery &query, const QString &table,
                                      const QString &index);

// The index list of a PostgreSQL table named "schema.table" as the tree shows it, by name.
DbResult<QStringList> postgresIndexNames(CatalogQuery &query, const QString &table);
// The facts and key columns of one PostgreSQL index (an expression key shows its expression).
DbResult<IndexFacts> postgresIndexFacts(CatalogQuery &query, const QString &table,
                                        const QString &index);

// Kinds without a catalog of their own: the primary index the access layer's driver reports.
DbResult<QStringList> primaryIndexNames(CatalogQuery &query, const QString &table);
DbResult<IndexFacts> primaryIndexFacts(CatalogQuery &query, const QString &table,
                                       const QString &index);

} // namespace kelvoran::db

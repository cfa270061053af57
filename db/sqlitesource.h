// Definition and Source texts of SQLite objects: tables, views, indexes and triggers. The Source
// is the statement sqlite_schema keeps for the object, ended by ";"; the Definition is a summary
// from the table-valued pragmas (columns, indexes, foreign keys, index columns).
#pragma once

#include "db/catalogquery.h"
#include "db/definitionbuilder.h"
#include "db/objectkind.h"
#include "db/viewlines.h"

#include <QString>

namespace kelvoran::db {

// The stored statement (column 0 of the first row) split at line feeds, with ";" after its last
// line. Without a row the view stays as it is.
void SourceTab_SqliteObject(ViewLines &source, const CatalogRows &object);

// One column of pragma_table_xinfo as a Definition line: name, declared type, NOT NULL, default,
// primary key position and how a generated column is kept.
QString sqliteColumnLine(const CatalogRows &columns, int row);
// One row of pragma_index_list: name, uniqueness, what made it and whether it is partial.
QString sqliteIndexLine(const CatalogRows &indexes, int row);
// The foreign key lines of pragma_foreign_key_list, one per key (its rows grouped by id).
QStringList sqliteForeignKeyLines(const CatalogRows &foreignKeys);

// Describes a SQLite object of a folder by running its statements on the query.
DescribeResult describeSqliteObject(CatalogQuery &query, const ObjectKind &folder,
                                    const QString &name);

} // namespace kelvoran::db

// Definition and Source texts of PostgreSQL objects, built from the rows of the statements in
// postgrescatalog.h (columns by position as listed there).
//
// The Source recreates the object: a table's CREATE TABLE with its columns (identity, serial and
// generated columns, collations, defaults), its own constraints as the server prints them, the
// tables it inherits from and its partitioning, then its CREATE INDEX and CREATE TRIGGER
// statements and COMMENT ON lines; views, functions, procedures, triggers and indexes as the
// server prints them; sequences with their options and owner column; enum, domain and composite
// types. Every statement ends with ";", so
// the whole text runs as a script. The Definition is a labelled summary in the style of the
// other kinds. As for the other kinds, a failing statement ends the description and keeps what
// was built so far.
#pragma once

#include "db/catalogquery.h"
#include "db/definitionbuilder.h"
#include "db/objectkind.h"
#include "db/viewlines.h"

#include <QString>

namespace kelvoran::db {

// A boolean of the catalog as the access layer renders it ("True", "t", "1", any letter case).
bool postgresTrue(const QString &value);

// The column definition after the column's name: type (or serial type), COLLATE, and the
// identity, generated, default and NOT NULL parts. `table` is the table's own (unquoted) name,
// which decides whether a sequence is the one a serial column would create.
QString postgresColumnDefinition(const CatalogRows &columns, int row, const QString &table);

// The CREATE TABLE text of a table or partition with its indexes, triggers and comments.
void SourceTab_PgTable(ViewLines &source, const CatalogRows &facts, const CatalogRows &columns,
                       const CatalogRows &constraints, const CatalogRows &indexes,
                       const CatalogRows &triggers);
// The CREATE VIEW or CREATE MATERIALIZED VIEW text with the comments (and a materialized view's
// indexes).
void SourceTab_PgView(ViewLines &source, const CatalogRows &facts, const CatalogRows &columns,
                      const CatalogRows &indexes);
// The summary of a table, view or materialized view: facts, columns, constraints, indexes.
void DefinitionTab_PgRelation(ViewLines &definition, const QString &name, const CatalogRows &facts,
                              const CatalogRows &columns, const CatalogRows &constraints,
                              const CatalogRows &indexes);

void SourceTab_PgIndex(ViewLines &source, const CatalogRows &facts);
void DefinitionTab_PgIndex(ViewLines &definition, const QString &name, const CatalogRows &facts);
void SourceTab_PgSequence(ViewLines &source, const CatalogRows &facts);
void DefinitionTab_PgSequence(ViewLines &definition, const QString &name, const CatalogRows &facts);
// Functions and procedures: `procedure` picks the word of the COMMENT ON line.
void SourceTab_PgRoutine(ViewLines &source, const CatalogRows &facts, bool procedure);
void DefinitionTab_PgRoutine(ViewLines &definition, const QString &name, const CatalogRows &facts,
                             bool procedure);
void SourceTab_PgTrigger(ViewLines &source, const CatalogRows &facts);
void DefinitionTab_PgTrigger(ViewLines &definition, const QString &name, const CatalogRows &facts);
// Enum, domain and composite types; `members` are the enum labels, the domain constraints or the
// composite type's attributes (rows of relationColumns), by the type's letter.
void SourceTab_PgType(ViewLines &source, const CatalogRows &facts, const CatalogRows &members);
void DefinitionTab_PgType(ViewLines &definition, const QString &name, const CatalogRows &facts);

// Describes an object of a POSTGRE alias by running its catalog statements on the query.
DescribeResult describePostgresObject(CatalogQuery &query, ObjectKindId kind, const QString &name);

} // namespace kelvoran::db

// The catalog statements of the object browser, line by line, blanks included. Each statement
// is a list of lines sent as one text; object names go in as SQL string literals with every
// single quote doubled, so that a name holding a quote can neither break nor change a statement.
#pragma once

#include <QString>
#include <QStringList>

namespace kelvoran::db::catalogsql {

// The name with each single quote doubled, for use between single quotes (Oracle, SQLite).
QString quoted(const QString &name);
// The same for a MySQL string literal, where a backslash is an escape character too.
QString mysqlQuoted(const QString &name);
// A MySQL identifier as it goes into a statement: as is when it is a plain identifier that is
// no reserved word, otherwise between backquotes with each backquote doubled.
QString mysqlIdentifier(const QString &name);
// True when the word is reserved by MySQL or MariaDB and so needs backquotes as a name.
bool mysqlReservedWord(const QString &word);

// Objects of one folder, by its catalog type word ("TABLE", "PACKAGE BODY", ...).
QStringList objectList(const QString &typeWord);

// Columns of a table: name, type text, default, null clause.
QStringList tableColumns(const QString &name);
// Columns of a view: name, type text with " NOT NULL".
QStringList viewColumns(const QString &name);
// Primary key: constraint name, column, in position order.
QStringList primaryKey(const QString &name);
// Foreign keys: constraint, column, referenced table, referenced column, delete rule text.
QStringList foreignKeys(const QString &name);
// Check constraints: constraint, search condition, column.
QStringList checkConstraints(const QString &name);
// Unique constraints: constraint, column.
QStringList uniqueConstraints(const QString &name);
// The stored query text of a view.
QStringList viewText(const QString &name);
// Stored source lines of a procedure, function, package, package body or type, by type word.
QStringList storedSource(const QString &name, const QString &typeWord);
// The CREATE SYNONYM statement of a synonym.
QStringList synonymStatement(const QString &name);
// The body of a trigger.
QStringList triggerBody(const QString &name);
// Columns of an index: name, type with its length, position.
QStringList indexColumns(const QString &name);
// Object summary (OBJECT_TYPE, CREATED, LAST_DDL_TIME, STATUS) filtered by the type line of the
// type word; an empty type word gives no type line (views); "DATABASE LINK" matches both words
// a link may be stored under.
QStringList objectSummary(const QString &name, const QString &typeWord);
// Kind facts of a synonym, a trigger and a database link.
QStringList synonymFacts(const QString &name);
QStringList triggerFacts(const QString &name);
QStringList dbLinkFacts(const QString &name);
// Index facts; the fallback form reads ' ' in place of INDEX_TYPE for catalogs without it.
QStringList indexFacts(const QString &name, bool fallback);

// MySQL: fields of a table (the source text), with the index list window's trailing blank or
// without it (the source view's form); indexes of a table; status of a table.
QStringList mysqlFields(const QString &table, bool trailingBlank);
QStringList mysqlIndexes(const QString &table);
QStringList mysqlTableStatus(const QString &table);
// The server's version text, which decides the forms of the statements below.
QStringList mysqlServerVersion();
// Per column of a table in the current database: name, default as stored in the catalog,
// generation expression (NULL when withGeneration is false: older servers lack the column),
// character set, collation, comment and extra; then the table's engine, collation and comment.
QStringList mysqlColumnDetails(const QString &table, bool withGeneration);
// Foreign keys of a table: constraint, column, referenced schema, table and column, delete
// rule, update rule, the table's own schema; by constraint and column position.
QStringList mysqlForeignKeys(const QString &table);
// Check constraints of a table: name, clause and level ("Column" or "Table"). MariaDB keeps the
// table name with each check (withLevel: the server also keeps the level); MySQL needs the
// table constraints joined in and knows table checks only.
QStringList mysqlChecksMariaDb(const QString &table, bool withLevel);
QStringList mysqlChecksMySql(const QString &table);

// Index list window: the indexes of a table, the details of one index, and its columns.
QStringList indexNames(const QString &table);
QStringList indexDetails(const QString &index);
QStringList indexDetailColumns(const QString &index, const QString &table);

} // namespace kelvoran::db::catalogsql

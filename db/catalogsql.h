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

// MySQL objects of one folder of the current database, by the folder's information_schema type
// word: base tables ("BASE TABLE", also system-versioned ones), views, procedures, functions,
// triggers, events.
QStringList mysqlObjectList(const QString &typeWord);
// SHOW CREATE TABLE, VIEW, PROCEDURE, FUNCTION, TRIGGER or EVENT of one object, by the type
// word.
QStringList mysqlShowCreate(const QString &typeWord, const QString &name);
// The given information_schema columns of one object of the current database: a view, a
// routine of the type word, a trigger or an event.
QStringList mysqlObjectFacts(const QString &typeWord, const QString &name,
                             const QStringList &columns);

// SQLite objects of one type word of sqlite_schema (table, view, index, trigger), leaving out
// the internal sqlite_ objects and the indexes the engine makes for keys (they have no SQL).
QStringList sqliteObjectList(const QString &typeWord);
// The stored statement and table name of one object of the type word.
QStringList sqliteObject(const QString &typeWord, const QString &name);
// Columns of a table or view: name, declared type, not-null flag, default, primary key
// position, hidden flag (2 virtual generated, 3 stored generated).
QStringList sqliteColumns(const QString &table);
// Indexes of a table: name, unique flag, origin (c, u, pk), partial flag, by name.
QStringList sqliteIndexList(const QString &table);
// Foreign keys of a table: id, seq, referenced table, from, to, on update, on delete.
QStringList sqliteForeignKeys(const QString &table);
// Key columns of an index, in order: name (NULL for an expression), descending flag.
QStringList sqliteIndexColumns(const QString &index);

// PostgreSQL indexes of a table named as the tree shows it ("schema.table"): index names; and
// one index's facts (table, access method, unique, primary, valid, definition) and its key
// columns with their types.
QStringList postgresIndexNames(const QString &table);
QStringList postgresIndexFacts(const QString &table, const QString &index);
QStringList postgresIndexColumns(const QString &table, const QString &index);

// Index list window: the indexes of a table, the details of one index, and its columns.
QStringList indexNames(const QString &table);
QStringList indexDetails(const QString &index);
QStringList indexDetailColumns(const QString &index, const QString &table);

} // namespace kelvoran::db::catalogsql

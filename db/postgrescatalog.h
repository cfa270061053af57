// The pg_catalog statements of the PostgreSQL object browser. They only read the catalog.
//
// Every folder lists its objects by one display text ("schema.name", functions and procedures
// with their argument types, triggers as "schema.table.trigger"), and an object is found again
// by comparing that same display text with the tree's text, given as a string literal; so the
// listing and the lookup can never disagree. The statements after the lookup name the object by
// its oid. Identifiers that go into Source texts are quoted by the server (quote_ident, format's
// %I), which knows every reserved word.
#pragma once

#include "db/objectkind.h"

#include <QString>
#include <QStringList>

namespace kelvoran::db::pgsql {

// A PostgreSQL string literal of the text: quotes doubled, and an E'' literal with doubled
// backslashes when the text holds a backslash, so it reads the same whatever
// standard_conforming_strings is.
QString literal(const QString &text);

// The objects of a POSTGRE folder as their display texts (one column, unsorted).
QStringList objectList(ObjectKindId folder);

// Facts of the table, view or materialized view whose display text is `name`. Columns:
// 0 oid, 1 qualified name, 2 relkind, 3 relpersistence, 4 partition key, 5 parent of a partition
// (qualified), 6 partition bound, 7 reloptions, 8 comment, 9 owner, 10 estimated rows,
// 11 total size, 12 populated (materialized views), 13 view query text, 14 parent (display),
// 15 the relation's own name, 16 the tables it inherits from (qualified, in order).
QStringList relationFacts(ObjectKindId folder, const QString &name);
// Columns of a relation by oid: 0 name, 1 quoted name, 2 type, 3 not null, 4 default,
// 5 identity, 6 generated, 7 collation (quoted, only when not the type's), 8 comment,
// 9 local (not inherited), 10 sequence dependency type ("a" owned, "i" identity),
// 11 sequence (qualified), 12 sequence name, 13 sequence type, 14 start, 15 increment,
// 16 minimum, 17 maximum, 18 cache, 19 cycle, 20 sequence name quoted.
QStringList relationColumns(const QString &oid);
// Constraints a table declares itself (not inherited or cloned onto a partition): 0 quoted
// name, 1 name, 2 type letter, 3 definition; primary key, unique, check, exclusion, foreign.
QStringList tableConstraints(const QString &oid);
// Indexes of a relation: 0 name, 1 CREATE INDEX text, 2 backs a constraint, 3 comment,
// 4 qualified name. Indexes that a partition takes from its parent's index are left out.
QStringList relationIndexes(const QString &oid);
// Triggers of a table (not internal, not cloned from a parent): 0 name, 1 CREATE TRIGGER text,
// 2 quoted name, 3 comment, 4 enabled letter.
QStringList tableTriggers(const QString &oid);

// Facts of one index: 0 oid, 1 CREATE INDEX text, 2 table (display), 3 access method,
// 4 unique, 5 primary, 6 size, 7 constraint (quoted) that it backs, 8 constraint definition,
// 9 table (qualified), 10 comment, 11 qualified index name.
QStringList indexFacts(const QString &name);
// Facts of one sequence: 0 oid, 1 qualified name, 2 type, 3 start, 4 increment, 5 minimum,
// 6 maximum, 7 cache, 8 cycle, 9 owner, 10 comment, 11 owning column (qualified), 12 unlogged.
QStringList sequenceFacts(const QString &name);
// Facts of one function or procedure: 0 oid, 1 CREATE text, 2 qualified signature, 3 comment,
// 4 owner, 5 arguments, 6 result, 7 language, 8 volatility letter.
QStringList routineFacts(ObjectKindId folder, const QString &name);
// Facts of one trigger: 0 oid, 1 CREATE TRIGGER text, 2 "name ON table" quoted, 3 comment,
// 4 table (display), 5 function, 6 enabled letter, 7 table (qualified), 8 quoted name.
QStringList triggerFacts(const QString &name);
// Facts of one enum, domain or composite type: 0 oid, 1 qualified name, 2 type letter, 3 owner,
// 4 comment, 5 base type, 6 default, 7 not null, 8 collation (quoted, only when not the base
// type's), 9 relation oid of a composite type.
QStringList typeFacts(const QString &name);
// Labels of an enum type in their order.
QStringList enumLabels(const QString &oid);
// Constraints of a domain: 0 quoted name, 1 definition.
QStringList domainConstraints(const QString &oid);

} // namespace kelvoran::db::pgsql

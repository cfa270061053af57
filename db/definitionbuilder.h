// Definition and Source texts of catalog objects.
//
// Describing an object goes:
//  1. both views start cleared (one empty line each);
//  2. the kind's catalog statements run one after another (catalogsql.h), each followed by the
//     step that turns its rows into lines (the functions below, named after their steps);
//  3. a failing statement ends the description: what was built so far stays, and the database
//     error is handed back for the error stack. Only the index facts statement falls back
//     silently to a form without INDEX_TYPE.
// The steps are plain functions over rows, so every text rule is testable without a database.
#pragma once

#include "db/catalogquery.h"
#include "db/dberror.h"
#include "db/objectkind.h"
#include "db/viewlines.h"

#include <QString>

#include <optional>

namespace kelvoran::db {

// Width a column name is padded to with blanks; longer names get no blank.
constexpr int NameColumnWidth = 39;

// The name followed by blanks up to 39 characters (nothing added to a longer name).
QString alignedName(const QString &name);
// A definition label: the word padded to 19 characters, then ": " (21 characters in all).
QString definitionLabel(const QString &word);
// A type text with TIMESTAMP in it loses the length the catalog statement appended to it:
// "TIMESTAMP(6)(11)" gives "TIMESTAMP(6)", "TIMESTAMP(6) WITH TIME ZONE(13)" keeps its zone.
QString cutTimestamp(const QString &typeText);
// Splits a view text at line feeds: empty lines kept, no empty line after a final line feed.
QStringList splitViewText(const QString &text);
// Splits a trigger body at line feeds, dropping empty pieces.
QStringList splitTriggerBody(const QString &text);

// Source steps of ORACLE objects (rows of the statement named in catalogsql.h).
void SourceTab_Table(ViewLines &source, const QString &name, const CatalogRows &columns);
void SourceTab_Table_Primary(ViewLines &source, const CatalogRows &rows);
void SourceTab_Table_Foreign(ViewLines &source, const CatalogRows &rows);
void SourceTab_Table_Check(ViewLines &source, const CatalogRows &rows);
void SourceTab_Table_Unique(ViewLines &source, const CatalogRows &rows);
void SourceTab_View(ViewLines &source, const QString &name, const CatalogRows &columns);
void SourceTab_View_Origin(ViewLines &source, const CatalogRows &rows);
// The stored-source step shared by procedures, functions, packages, package bodies and types.
void SourceTab_StoredSource(ViewLines &source, const CatalogRows &rows);
void SourceTab_Synonym(ViewLines &source, const CatalogRows &rows);
void SourceTab_Trigger(ViewLines &source, const CatalogRows &rows);
void SourceTab_Index(ViewLines &source, const CatalogRows &rows);

// The object summary shared by the eleven DefinitionTab_ steps (OBJECT_TYPE, CREATED,
// LAST_DDL_TIME, STATUS).
void DefinitionTab_Object(ViewLines &definition, const QString &name, const CatalogRows &rows);
void DefinitionTabAddInfo_Synonym(ViewLines &definition, const CatalogRows &rows);
void DefinitionTabAddInfo_Trigger(ViewLines &definition, const CatalogRows &rows);
void DefinitionTabAddInfo_Index(ViewLines &definition, const CatalogRows &rows);
void DefinitionTabAddInfo_DB_Link(ViewLines &definition, const CatalogRows &rows);

// What describing an object leaves in the two views, and the database error that cut it short.
struct DescribeResult {
    ViewLines definition;
    ViewLines source;
    // The error of the statement that failed, when one did.
    std::optional<DbError> error;
};

// Describes an object of an ORACLE alias by running its catalog statements on the query.
DescribeResult describeOracleObject(CatalogQuery &query, ObjectKindId kind, const QString &name);

} // namespace kelvoran::db

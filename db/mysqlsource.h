// Definition and Source texts of MySQL tables, from SHOW FIELDS, SHOW INDEX and
// SHOW TABLE STATUS. Describing a table runs the fields, then the indexes (for the index lines
// of the CREATE TABLE text), then the status; a failing statement ends it as for ORACLE.
#pragma once

#include "db/catalogquery.h"
#include "db/definitionbuilder.h"
#include "db/viewlines.h"

#include <QString>
#include <QStringList>

namespace kelvoran::db {

// One index of a SHOW INDEX result: its key name, columns in order and non-unique flag text.
struct MySqlIndex {
    QString keyName;
    QString tableName;
    QString nonUnique;
    QStringList columns;
};

// Groups the rows of SHOW INDEX (0 table, 1 non-unique, 2 key name, 4 column) into indexes;
// consecutive rows with the same key name are one index.
std::vector<MySqlIndex> mysqlIndexes(const CatalogRows &rows);

// The column line of one SHOW FIELDS row, with its trailing ",".
QString mysqlColumnLine(const CatalogRows &fields, int row);
// The index line of one index, without a separating ",".
QString mysqlIndexLine(const MySqlIndex &index);

// The MySQL CREATE TABLE text: column lines, index lines, closing line.
void SourceTab_MySqlTable(ViewLines &source, const QString &name, const CatalogRows &fields,
                          const CatalogRows &indexes);
// The MySQL table summary from SHOW TABLE STATUS, read by column name: Engine (Type on old
// servers), Create_time, Update_time and Rows of the row naming this table.
void DefinitionTab_Mysql_Table(ViewLines &definition, const QString &name,
                               const CatalogRows &status);

// Describes a MySQL table by running its statements on the query.
DescribeResult describeMySqlTable(CatalogQuery &query, const QString &name);

} // namespace kelvoran::db

// Definition and Source texts of MySQL tables. The Definition comes from SHOW TABLE STATUS; the
// CREATE TABLE text from SHOW FIELDS and SHOW INDEX, completed from information_schema with what
// those two leave out (defaults as SQL, generated columns, character sets, comments, foreign keys
// and check constraints), so that running it recreates the table as it is. A failing statement
// ends the description as for ORACLE.
#pragma once

#include "db/catalogquery.h"
#include "db/definitionbuilder.h"
#include "db/viewlines.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran::db {

// One index of a SHOW INDEX result: its key name, columns in order and non-unique flag text;
// parts are the columns as they go into an index line (quoted, prefix length, DESC).
struct MySqlIndex {
    QString keyName;
    QString tableName;
    QString nonUnique;
    QStringList columns;
    QStringList parts;
    QString indexType;
    QString comment;
    QString hiddenWord; // "IGNORED" or "INVISIBLE" for an index the optimizer leaves alone
};

// Groups the rows of SHOW INDEX (0 table, 1 non-unique, 2 key name, 4 column; 5 collation,
// 7 sub part, 10 index type and 12 index comment, read by name where the rows have names, and
// Expression, Ignored and Visible where the server has them) into
// indexes; consecutive rows with the same key name are one index.
std::vector<MySqlIndex> mysqlIndexes(const CatalogRows &rows);

// What the server's version text tells about its catalog.
struct MySqlServer {
    bool mariaDb = false;
    int major = 0;
    int minor = 0;
    int patch = 0;

    bool atLeast(int wantMajor, int wantMinor, int wantPatch) const;
    // information_schema.COLUMNS.COLUMN_DEFAULT holds SQL text: literals quoted, NULL as NULL.
    bool defaultsAreSql() const;
    bool hasGenerationExpression() const;
    bool hasCheckConstraints() const;
    // MariaDB's CHECK_CONSTRAINTS tells column checks from table checks.
    bool hasCheckLevel() const;
};
MySqlServer mysqlServer(const QString &versionText);

// The catalog facts of one column beyond SHOW FIELDS.
struct MySqlColumnDetail {
    bool defaultIsNull = true; // no default recorded (SQL NULL)
    QString defaultText;
    QString generation;
    QString charset;
    QString collation;
    QString comment;
    QString extra;
    QStringList checks; // clauses of column checks
};

struct MySqlForeignKey {
    QString name;
    QStringList columns;
    QString referencedSchema; // empty when the same schema as the table
    QString referencedTable;
    QStringList referencedColumns;
    QString deleteRule;
    QString updateRule;
};

struct MySqlCheck {
    QString name;
    QString clause;
};

// The information_schema facts of one table; `known` is false when the catalog has no row for
// it (a temporary table), and the Source is then built from SHOW FIELDS and SHOW INDEX alone.
struct MySqlTableDetails {
    bool known = false;
    bool defaultsAreSql = false;
    QString engine;
    QString collation;
    QString comment;
    bool partitioned = false; // CREATE_OPTIONS says "partitioned"
    // The PARTITION BY clause as the server prints it, one line per line; empty when the table
    // is not partitioned.
    QStringList partitionLines;
    QHash<QString, MySqlColumnDetail> columns;
    std::vector<MySqlForeignKey> foreignKeys;
    std::vector<MySqlCheck> checks; // table checks
};

// Reads the rows of the column details, foreign key and check statements (column order as in
// catalogsql). A column check (level "Column", named after its column) goes to its column.
MySqlTableDetails mysqlTableDetails(const MySqlServer &server, const CatalogRows &columns,
                                    const CatalogRows &foreignKeys, const CatalogRows &checks);

// The PARTITION BY clause of a SHOW CREATE TABLE text, as its lines (MySQL's version comment
// around it taken off); empty when the text has none.
QStringList mysqlPartitionClause(const QString &createTable);

// The column line of one SHOW FIELDS row, with its trailing ",".
QString mysqlColumnLine(const CatalogRows &fields, int row,
                        const MySqlTableDetails &details = MySqlTableDetails());
// The index line of one index, without a separating ",".
QString mysqlIndexLine(const MySqlIndex &index);
QString mysqlForeignKeyLine(const MySqlForeignKey &key);
QString mysqlCheckLine(const MySqlCheck &check);

// The MySQL CREATE TABLE text: column lines, index lines, foreign keys, checks, closing line
// (with the table's engine, collation and comment when known).
void SourceTab_MySqlTable(ViewLines &source, const QString &name, const CatalogRows &fields,
                          const CatalogRows &indexes,
                          const MySqlTableDetails &details = MySqlTableDetails());
// The MySQL table summary from SHOW TABLE STATUS, read by column name: Engine (Type on old
// servers), Create_time, Update_time and Rows of the row naming this table.
void DefinitionTab_Mysql_Table(ViewLines &definition, const QString &name,
                               const CatalogRows &status);

// Describes a MySQL table by running its statements on the query.
DescribeResult describeMySqlTable(CatalogQuery &query, const QString &name);

} // namespace kelvoran::db

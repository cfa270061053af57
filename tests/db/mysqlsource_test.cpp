// The CREATE TABLE text of MySQL tables built from catalog rows given directly: defaults by
// value, generated columns, character sets, comments, index kinds and parts, foreign keys and
// checks, identifiers that need backquotes.
#include "db/mysqlsource.h"

#include "tests/db/catalogtestutil.h"

#include <gtest/gtest.h>

using namespace kelvoran::db;

namespace {

using kelvoran::test::rows;

QString pad(const char *name) {
    return QString::fromUtf8(name).leftJustified(39);
}

const char *const mariaDb = "10.11.19-MariaDB-0+deb12u1";
const char *const mysql8 = "8.0.36-0ubuntu0.22.04.1";

// The details of one column as the column statement gives them, in a table collated
// utf8mb4_general_ci; a null pointer stands for NULL.
struct ColumnFacts {
    const char *defaultValue = nullptr;
    const char *generation = nullptr;
    const char *charset = nullptr;
    const char *collation = nullptr;
    const char *comment = "";
    const char *extra = "";
};

MySqlTableDetails detailsOf(const char *version, const char *column, const ColumnFacts &facts,
                            const CatalogRows &checks = CatalogRows()) {
    return mysqlTableDetails(
        mysqlServer(QString::fromLatin1(version)),
        rows({{column, facts.defaultValue, facts.generation, facts.charset, facts.collation,
               facts.comment, facts.extra, "InnoDB", "utf8mb4_general_ci", ""}}),
        CatalogRows(), checks);
}

TEST(MySqlSource, ColumnLinesFromTheCatalog) {
    struct Case {
        const char *label;
        const char *version;
        CatalogRows field; // SHOW FIELDS: field, type, null, key, default, extra
        ColumnFacts facts;
        QString expected;
    };
    const std::vector<Case> cases{
        // MariaDB keeps defaults as SQL: literals quoted, expressions as they are.
        {"enum default is a text",
         mariaDb,
         rows({{"rating", "enum('G','PG')", "YES", "", "G", ""}}),
         {"'G'"},
         pad("rating") + QStringLiteral("enum('G','PG') DEFAULT 'G',")},
        {"set default is a text",
         mariaDb,
         rows({{"flags", "set('a','b')", "YES", "", "a,b", ""}}),
         {"'a,b'"},
         pad("flags") + QStringLiteral("set('a','b') DEFAULT 'a,b',")},
        {"quote in a default",
         mariaDb,
         rows({{"name", "varchar(20)", "YES", "", "O'Brien", ""}}),
         {"'O''Brien'"},
         pad("name") + QStringLiteral("varchar(20) DEFAULT 'O''Brien',")},
        {"text that reads like a function call",
         mariaDb,
         rows({{"name", "varchar(20)", "YES", "", "uuid()", ""}}),
         {"'uuid()'"},
         pad("name") + QStringLiteral("varchar(20) DEFAULT 'uuid()',")},
        {"expression default",
         mariaDb,
         rows({{"token", "char(36)", "NO", "", "uuid()", ""}}),
         {"uuid()"},
         pad("token") + QStringLiteral("char(36) NOT NULL DEFAULT uuid(),")},
        {"current time with on update",
         mariaDb,
         rows({{"changed", "timestamp", "NO", "", "current_timestamp()",
                "on update current_timestamp()"}}),
         {"current_timestamp()", nullptr, nullptr, nullptr, "", "on update current_timestamp()"},
         pad("changed") + QStringLiteral("timestamp NOT NULL DEFAULT current_timestamp() on "
                                         "update current_timestamp(),")},
        {"number default",
         mariaDb,
         rows({{"rate", "decimal(4,2)", "NO", "", "4.99", ""}}),
         {"4.99"},
         pad("rate") + QStringLiteral("decimal(4,2) NOT NULL DEFAULT 4.99,")},
        {"nullable column defaults to NULL",
         mariaDb,
         rows({{"note", "text", "YES", "", nullptr, ""}}),
         {"NULL"},
         pad("note") + QStringLiteral("text DEFAULT  NULL,")},
        {"NOT NULL column without default",
         mariaDb,
         rows({{"id", "int(11)", "NO", "PRI", nullptr, ""}}),
         {},
         pad("id") + QStringLiteral("int(11) NOT NULL,")},
        {"virtual column keeps its expression",
         mariaDb,
         rows({{"twice", "int(11)", "YES", "", nullptr, "VIRTUAL GENERATED"}}),
         {nullptr, "`id` * 2"},
         pad("twice") + QStringLiteral("int(11) GENERATED ALWAYS AS (`id` * 2) VIRTUAL,")},
        {"stored column keeps its kind",
         mariaDb,
         rows({{"amount", "decimal(12,2)", "YES", "", nullptr, "STORED GENERATED"}}),
         {nullptr, "`qty` * `price`"},
         pad("amount") +
             QStringLiteral("decimal(12,2) GENERATED ALWAYS AS (`qty` * `price`) STORED,")},
        {"collation of its own",
         mariaDb,
         rows({{"password", "varchar(64)", "NO", "", nullptr, ""}}),
         {nullptr, nullptr, "utf8mb4", "utf8mb4_bin"},
         pad("password") +
             QStringLiteral("varchar(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,")},
        {"the table's collation is not repeated",
         mariaDb,
         rows({{"name", "varchar(64)", "NO", "", nullptr, ""}}),
         {nullptr, nullptr, "utf8mb4", "utf8mb4_general_ci"},
         pad("name") + QStringLiteral("varchar(64) NOT NULL,")},
        {"comment with a quote and a backslash",
         mariaDb,
         rows({{"pw", "varchar(8)", "YES", "", nullptr, ""}}),
         {"NULL", nullptr, nullptr, nullptr, "user's \\ secret"},
         pad("pw") + QStringLiteral("varchar(8) DEFAULT  NULL COMMENT 'user''s \\\\ secret',")},
        {"reserved word as a name",
         mariaDb,
         rows({{"key", "int(11)", "NO", "", nullptr, ""}}),
         {},
         pad("`key`") + QStringLiteral("int(11) NOT NULL,")},
        {"name with a blank",
         mariaDb,
         rows({{"my col", "int(11)", "NO", "", nullptr, ""}}),
         {},
         pad("`my col`") + QStringLiteral("int(11) NOT NULL,")},
        // MySQL gives defaults as plain values and marks expressions in the extra text.
        {"MySQL: quote in a default",
         mysql8,
         rows({{"name", "varchar(20)", "YES", "", "O'Brien", ""}}),
         {"O'Brien"},
         pad("name") + QStringLiteral("varchar(20) DEFAULT 'O''Brien',")},
        {"MySQL: backslash in a default",
         mysql8,
         rows({{"path", "varchar(20)", "YES", "", "C:\\tmp", ""}}),
         {"C:\\tmp"},
         pad("path") + QStringLiteral("varchar(20) DEFAULT 'C:\\\\tmp',")},
        {"MySQL: enum default",
         mysql8,
         rows({{"rating", "enum('G','PG')", "YES", "", "G", ""}}),
         {"G"},
         pad("rating") + QStringLiteral("enum('G','PG') DEFAULT 'G',")},
        {"MySQL: expression default in parentheses",
         mysql8,
         rows({{"token", "char(36)", "YES", "", "uuid()", "DEFAULT_GENERATED"}}),
         {"uuid()", nullptr, nullptr, nullptr, "", "DEFAULT_GENERATED"},
         pad("token") + QStringLiteral("char(36) DEFAULT (uuid()),")},
        {"MySQL: current time with on update",
         mysql8,
         rows({{"changed", "timestamp", "NO", "", "CURRENT_TIMESTAMP",
                "DEFAULT_GENERATED on update CURRENT_TIMESTAMP"}}),
         {"CURRENT_TIMESTAMP", nullptr, nullptr, nullptr, "",
          "DEFAULT_GENERATED on update CURRENT_TIMESTAMP"},
         pad("changed") + QStringLiteral("timestamp NOT NULL DEFAULT CURRENT_TIMESTAMP on "
                                         "update CURRENT_TIMESTAMP,")},
        {"MySQL: bit default stays a bit value",
         mysql8,
         rows({{"b", "bit(1)", "YES", "", "b'1'", ""}}),
         {"b'1'"},
         pad("b") + QStringLiteral("bit(1) DEFAULT b'1',")},
        {"MySQL: number default",
         mysql8,
         rows({{"rate", "decimal(4,2)", "NO", "", "4.99", ""}}),
         {"4.99"},
         pad("rate") + QStringLiteral("decimal(4,2) NOT NULL DEFAULT 4.99,")},
        {"MySQL: a text default that looks like a number stays a text",
         mysql8,
         rows({{"code", "varchar(5)", "NO", "", "007", ""}}),
         {"007"},
         pad("code") + QStringLiteral("varchar(5) NOT NULL DEFAULT '007',")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const QString column = c.field.text(0, 0);
        EXPECT_EQ(mysqlColumnLine(c.field, 0, detailsOf(c.version, column.toUtf8(), c.facts)),
                  c.expected);
    }
}

TEST(MySqlSource, ColumnCheckStaysWithItsColumn) {
    const CatalogRows field = rows({{"qty", "int(11)", "YES", "", nullptr, ""}});
    const MySqlTableDetails details =
        detailsOf(mariaDb, "qty", {"NULL"},
                  rows({{"qty", "`qty` > 0", "Column"}, {"qty_max", "`qty` < 100", "Table"}}));
    EXPECT_EQ(mysqlColumnLine(field, 0, details),
              pad("qty") + QStringLiteral("int(11) DEFAULT  NULL CHECK (`qty` > 0),"));
    ASSERT_EQ(details.checks.size(), 1u);
    EXPECT_EQ(mysqlCheckLine(details.checks[0]),
              QStringLiteral("CONSTRAINT qty_max CHECK (`qty` < 100)"));
}

TEST(MySqlSource, ServerVersionsDecideTheCatalogForms) {
    struct Case {
        const char *version;
        bool mariaDb;
        bool defaultsAreSql;
        bool generation;
        bool checks;
        bool checkLevel;
    };
    const std::vector<Case> cases{
        {"10.11.19-MariaDB-0+deb12u1", true, true, true, true, true},
        {"5.5.5-10.1.48-MariaDB", true, false, false, false, false},
        {"10.2.7-MariaDB-log", true, true, true, false, false},
        {"10.2.6-MariaDB", true, false, true, false, false},
        {"10.5.9-MariaDB", true, true, true, true, false},
        {"8.0.36-0ubuntu0.22.04.1", false, false, true, true, false},
        {"8.0.15", false, false, true, false, false},
        {"5.7.44-log", false, false, true, false, false},
        {"5.6.51", false, false, false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        const MySqlServer server = mysqlServer(QString::fromLatin1(c.version));
        EXPECT_EQ(server.mariaDb, c.mariaDb);
        EXPECT_EQ(server.defaultsAreSql(), c.defaultsAreSql);
        EXPECT_EQ(server.hasGenerationExpression(), c.generation);
        EXPECT_EQ(server.hasCheckConstraints(), c.checks);
        EXPECT_EQ(server.hasCheckLevel(), c.checkLevel);
    }
}

// SHOW INDEX read by column name, as the server names its columns.
TEST(MySqlSource, IndexLinesKeepKindPrefixAndOrder) {
    const QStringList names{"Table",        "Non_unique", "Key_name",    "Seq_in_index",
                            "Column_name",  "Collation",  "Cardinality", "Sub_part",
                            "Packed",       "Null",       "Index_type",  "Comment",
                            "Index_comment"};
    struct Case {
        const char *label;
        CatalogRows rows;
        QString expected;
    };
    const std::vector<Case> cases{
        {"fulltext",
         rows({{"film", "1", "ft_text", "1", "title", nullptr, nullptr, nullptr, nullptr, "",
                "FULLTEXT", "", ""},
               {"film", "1", "ft_text", "2", "body", nullptr, nullptr, nullptr, nullptr, "YES",
                "FULLTEXT", "", ""}},
              names),
         QStringLiteral("FULLTEXT INDEX ft_text(title,body)")},
        {"spatial, without the length some servers report",
         rows(
             {{"place", "1", "sp_pos", "1", "pos", "A", "0", "32", nullptr, "", "SPATIAL", "", ""}},
             names),
         QStringLiteral("SPATIAL INDEX sp_pos(pos)")},
        {"prefix length and a descending part",
         rows({{"c", "1", "ix_name", "1", "name", "A", "0", "10", nullptr, "", "BTREE", "", ""},
               {"c", "1", "ix_name", "2", "created", "D", "0", nullptr, nullptr, "", "BTREE", "",
                ""}},
              names),
         QStringLiteral("INDEX ix_name(name(10),created DESC)")},
        {"unique with reserved names and a comment",
         rows({{"c", "0", "key", "1", "desc", "A", "0", nullptr, nullptr, "", "BTREE", "",
                "it's unique"},
               {"c", "0", "key", "2", "my col", "A", "0", nullptr, nullptr, "", "BTREE", "",
                "it's unique"}},
              names),
         QStringLiteral("UNIQUE INDEX `key`(`desc`,`my col`) COMMENT 'it''s unique'")},
        {"primary key with a descending part",
         rows({{"c", "0", "PRIMARY", "1", "id", "D", "0", nullptr, nullptr, "", "BTREE", "", ""}},
              names),
         QStringLiteral("PRIMARY KEY(id DESC)")},
        {"functional part of MySQL",
         rows({{"c", "1", "ix_lower", "1", nullptr, "A", "0", nullptr, nullptr, "", "BTREE", "", "",
                "lower(`name`)"}},
              names + QStringList{QStringLiteral("Expression")}),
         QStringLiteral("INDEX ix_lower((lower(`name`)))")},
        {"index MariaDB ignores",
         rows({{"c", "1", "ix_old", "1", "name", "A", "0", nullptr, nullptr, "", "BTREE", "", "",
                "YES"}},
              names + QStringList{QStringLiteral("Ignored")}),
         QStringLiteral("INDEX ix_old(name) IGNORED")},
        {"index MySQL keeps invisible",
         rows({{"c", "1", "ix_old", "1", "name", "A", "0", nullptr, nullptr, "", "BTREE", "", "",
                "NO", nullptr}},
              names + QStringList{QStringLiteral("Visible"), QStringLiteral("Expression")}),
         QStringLiteral("INDEX ix_old(name) INVISIBLE")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<MySqlIndex> indexes = mysqlIndexes(c.rows);
        ASSERT_EQ(indexes.size(), 1u);
        EXPECT_EQ(mysqlIndexLine(indexes[0]), c.expected);
    }
}

// A whole table: columns, index, foreign keys (one to another schema), a table check, and the
// table's engine, collation and comment on the closing line; every line before ")" ends with
// "," but the last.
TEST(MySqlSource, TableTextWithKeysChecksAndOptions) {
    const CatalogRows fields = rows({{"order_id", "int(11)", "NO", "PRI", nullptr, ""},
                                     {"line_no", "int(11)", "NO", "PRI", nullptr, ""},
                                     {"film_id", "int(11)", "YES", "MUL", nullptr, ""}});
    const CatalogRows indexes = rows({{"order_line", "0", "PRIMARY", "1", "order_id"},
                                      {"order_line", "0", "PRIMARY", "2", "line_no"},
                                      {"order_line", "1", "fk_film", "1", "film_id"}});
    const CatalogRows columns =
        rows({{"order_id", nullptr, nullptr, nullptr, nullptr, "", "", "InnoDB",
               "utf8mb4_general_ci", "lines of an order's bill"},
              {"line_no", nullptr, nullptr, nullptr, nullptr, "", "", "InnoDB",
               "utf8mb4_general_ci", "lines of an order's bill"},
              {"film_id", "NULL", nullptr, nullptr, nullptr, "", "", "InnoDB", "utf8mb4_general_ci",
               "lines of an order's bill"}});
    const CatalogRows foreignKeys = rows({
        {"fk_film", "film_id", "shop", "film", "id", "SET NULL", "NO ACTION", "shop"},
        {"fk_order", "order_id", "archive", "order", "id", "CASCADE", "RESTRICT", "shop"},
        {"fk_order", "line_no", "archive", "order", "line", "CASCADE", "RESTRICT", "shop"},
    });
    const CatalogRows checks = rows({{"CONSTRAINT_1", "`line_no` > 0", "Table"}});
    ViewLines source;
    SourceTab_MySqlTable(
        source, QStringLiteral("order_line"), fields, indexes,
        mysqlTableDetails(mysqlServer(QString::fromLatin1(mariaDb)), columns, foreignKeys, checks));
    EXPECT_EQ(source.lines(),
              QStringList({QStringLiteral("CREATE TABLE order_line("),
                           pad("order_id") + QStringLiteral("int(11) NOT NULL,"),
                           pad("line_no") + QStringLiteral("int(11) NOT NULL,"),
                           pad("film_id") + QStringLiteral("int(11) DEFAULT  NULL,"),
                           QStringLiteral("PRIMARY KEY(order_id,line_no),"),
                           QStringLiteral("INDEX fk_film(film_id),"),
                           QStringLiteral("CONSTRAINT fk_film FOREIGN KEY(film_id) REFERENCES "
                                          "film(id) ON DELETE SET NULL ON UPDATE NO ACTION,"),
                           QStringLiteral("CONSTRAINT fk_order FOREIGN KEY(order_id,line_no) "
                                          "REFERENCES archive.`order`(id,line) ON DELETE "
                                          "CASCADE ON UPDATE RESTRICT,"),
                           QStringLiteral("CONSTRAINT CONSTRAINT_1 CHECK (`line_no` > 0)"),
                           QStringLiteral(") ENGINE=InnoDB COLLATE=utf8mb4_general_ci "
                                          "COMMENT='lines of an order''s bill'")}));

    // A reserved table name is quoted on the first line too; without catalog rows (a temporary
    // table) the text ends with ")" alone.
    ViewLines reserved;
    SourceTab_MySqlTable(reserved, QStringLiteral("order"),
                         rows({{"id", "int(11)", "NO", "", nullptr, ""}}), CatalogRows());
    EXPECT_EQ(reserved.lines(),
              QStringList({QStringLiteral("CREATE TABLE `order`("),
                           pad("id") + QStringLiteral("int(11) NOT NULL"), QStringLiteral(")")}));
}

} // namespace

TEST(MySqlSource, PartitionClauseAsTheServerPrintsIt) {
    struct Case {
        const char *name;
        const char *createTable;
        QStringList clause;
    };
    const Case cases[] = {
        {"MariaDB",
         "CREATE TABLE `s` (\n  `id` int(11) NOT NULL\n) ENGINE=InnoDB\n PARTITION BY RANGE "
         "(year(`sold`))\n(PARTITION `p2025` VALUES LESS THAN (2026) ENGINE = InnoDB,\n "
         "PARTITION `pmax` VALUES LESS THAN MAXVALUE ENGINE = InnoDB)",
         {QStringLiteral("PARTITION BY RANGE (year(`sold`))"),
          QStringLiteral("(PARTITION `p2025` VALUES LESS THAN (2026) ENGINE = InnoDB,"),
          QStringLiteral(" PARTITION `pmax` VALUES LESS THAN MAXVALUE ENGINE = InnoDB)")}},
        {"MySQL, in its version comment, CR LF",
         "CREATE TABLE `h` (\r\n  `id` int NOT NULL\r\n) ENGINE=InnoDB\r\n/*!50100 PARTITION "
         "BY HASH (`id`)\r\nPARTITIONS 3 */",
         {QStringLiteral("PARTITION BY HASH (`id`)"), QStringLiteral("PARTITIONS 3")}},
        {"a comment naming PARTITION BY, no partitions",
         "CREATE TABLE `c` (\n  `n` int COMMENT 'PARTITION BY hand'\n) ENGINE=InnoDB",
         {}},
        {"no partitions", "CREATE TABLE `t` (\n  `id` int\n) ENGINE=InnoDB", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mysqlPartitionClause(QString::fromUtf8(c.createTable)), c.clause) << c.name;
}

// The PostgreSQL Definition and Source builders on rows given directly: where quoting, serial
// and identity columns, partitions and the statement ends would go wrong.
#include "db/postgrescatalog.h"
#include "db/postgressource.h"

#include "tests/db/catalogtestutil.h"

#include <gtest/gtest.h>

using namespace kelvoran::db;
using kelvoran::test::rows;

namespace {

QStringList L(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QString pad(const char *name) {
    return QString::fromUtf8(name).leftJustified(39);
}

using Row = std::vector<const char *>;

// Rows from vectors of texts (a null pointer stands for NULL), for rows built by helpers.
CatalogRows table(const std::vector<Row> &data) {
    std::vector<QVariantList> out;
    for (const Row &row : data) {
        QVariantList values;
        for (const char *v : row)
            values << (v ? QVariant(QString::fromUtf8(v)) : QVariant());
        out.push_back(values);
    }
    return CatalogRows({}, out);
}

// One row of relationColumns without an owned sequence: name (also as quoted name), type,
// not null, default, identity, generated, collation, comment, local.
Row column(const char *name, const char *type, const char *notNull, const char *defaultText) {
    return {name, name, type, notNull, defaultText, "", "", nullptr, nullptr, "True"};
}

// A facts row of relationFacts for a table named s.t (unquoted t).
CatalogRows tableFacts(const char *kind, const char *parent, const char *bound,
                       const char *partitionKey, const char *persistence = "p",
                       const char *options = "", const char *inherits = nullptr) {
    return rows({{"1", "s.t", kind, persistence, partitionKey, parent, bound, options, nullptr,
                  "owner", "-1", "8192 bytes", "True", nullptr, parent, "t", inherits}});
}

TEST(PostgresSource, LiteralsSurviveQuotesAndBackslashes) {
    const std::vector<std::pair<const char *, const char *>> cases{
        {"plain", "'plain'"},
        {"it's", "'it''s'"},
        {"a\\b", "E'a\\\\b'"},
        {"it's a \\ test", "E'it''s a \\\\ test'"},
        {"", "''"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(pgsql::literal(QString::fromUtf8(text)), QString::fromUtf8(expected)) << text;
}

TEST(PostgresSource, LookupCarriesTheNameAsOneLiteral) {
    // A display name that tries to end the literal stays inside it.
    const QStringList statement =
        pgsql::relationFacts(ObjectKindId::Table, QStringLiteral("s.x' OR '1'='1"));
    EXPECT_EQ(statement.last(),
              QStringLiteral("   AND n.nspname||'.'||c.relname = 's.x'' OR ''1''=''1'"));
    // An oid that is not a number never reaches a statement.
    EXPECT_TRUE(pgsql::relationColumns(QStringLiteral("1; DROP TABLE x"))
                    .contains(QStringLiteral(" WHERE a.attrelid = 0 AND a.attnum > 0 AND NOT "
                                             "a.attisdropped")));
}

TEST(PostgresSource, ColumnDefinitions) {
    struct Case {
        const char *label;
        CatalogRows columns;
        const char *expected;
    };
    const char *nextval = "nextval('s.t_id_seq'::regclass)";
    const std::vector<Case> cases{
        {"serial",
         rows({{"id",    "id",    "integer", "True",       nextval,      "",         "",
                nullptr, nullptr, "True",    "a",          "s.t_id_seq", "t_id_seq", "integer",
                "1",     "1",     "1",       "2147483647", "1",          "False",    "t_id_seq"}}),
         "serial"},
        {"bigserial named without schema",
         rows({{"id",
                "id",
                "bigint",
                "True",
                "nextval('t_id_seq'::regclass)",
                "",
                "",
                nullptr,
                nullptr,
                "True",
                "a",
                "s.t_id_seq",
                "t_id_seq",
                "bigint",
                "1",
                "1",
                "1",
                "9223372036854775807",
                "1",
                "False",
                "t_id_seq"}}),
         "bigserial"},
        {"serial whose sequence starts elsewhere",
         rows({{"id",    "id",    "integer", "True",       nextval,      "",         "",
                nullptr, nullptr, "True",    "a",          "s.t_id_seq", "t_id_seq", "integer",
                "100",   "1",     "1",       "2147483647", "1",          "False",    "t_id_seq"}}),
         "serial"},
        {"owned sequence with another name keeps its default",
         rows({{"id", "id",    "integer",    "True",    "nextval('s.ids'::regclass)",
                "",   "",      nullptr,      nullptr,   "True",
                "a",  "s.ids", "ids",        "integer", "1",
                "1",  "1",     "2147483647", "1",       "False",
                "ids"}}),
         "integer DEFAULT nextval('s.ids'::regclass) NOT NULL"},
        {"nullable column is no serial",
         rows({{"id",    "id",    "integer", "False",      nextval,      "",         "",
                nullptr, nullptr, "True",    "a",          "s.t_id_seq", "t_id_seq", "integer",
                "1",     "1",     "1",       "2147483647", "1",          "False",    "t_id_seq"}}),
         "integer DEFAULT nextval('s.t_id_seq'::regclass)"},
        {"identity always with its sequence options",
         rows({{"id",       "id",     "bigint",  "True", nullptr, "a",
                "",         nullptr,  nullptr,   "True", "i",     "s.t_id_seq",
                "t_id_seq", "bigint", "5",       "10",   "1",     "9223372036854775807",
                "20",       "True",   "t_id_seq"}}),
         "bigint GENERATED ALWAYS AS IDENTITY (SEQUENCE NAME s.t_id_seq START WITH 5 INCREMENT "
         "BY 10 MINVALUE 1 MAXVALUE 9223372036854775807 CACHE 20 CYCLE) NOT NULL"},
        {"identity by default",
         rows({{"id",    "id",    "integer", "True",       nullptr,   "d",     "",
                nullptr, nullptr, "True",    "i",          "s.\"T\"", "T",     "integer",
                "1",     "1",     "1",       "2147483647", "1",       "False", "\"T\""}}),
         "integer GENERATED BY DEFAULT AS IDENTITY (SEQUENCE NAME s.\"T\" START WITH 1 INCREMENT "
         "BY 1 MINVALUE 1 MAXVALUE 2147483647 CACHE 1 NO CYCLE) NOT NULL"},
        {"generated column",
         rows({{"g", "g", "numeric", "False", "(a * 2)", "", "s", nullptr, nullptr, "True"}}),
         "numeric GENERATED ALWAYS AS ((a * 2)) STORED"},
        {"collation comes before the default",
         rows({{"n", "n", "text", "True", "'x'::text", "", "", "pg_catalog.\"C\"", nullptr,
                "True"}}),
         "text COLLATE pg_catalog.\"C\" DEFAULT 'x'::text NOT NULL"},
        {"plain", table({column("n", "integer", "False", nullptr)}), "integer"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(postgresColumnDefinition(c.columns, 0, QStringLiteral("t")),
                  QString::fromUtf8(c.expected))
            << c.label;
}

TEST(PostgresSource, TableTexts) {
    struct Case {
        const char *label;
        CatalogRows facts, columns, constraints, indexes, triggers;
        QStringList expected;
    };
    const CatalogRows twoColumns = table(
        {column("id", "integer", "True", nullptr), column("\"Note\"", "text", "False", "''")});
    const std::vector<Case> cases{
        {"columns, constraints, plain index, trigger and comments",
         rows({{"1", "s.\"order\"", "r", "p", nullptr, nullptr, nullptr, "", "it's \\ mine",
                "owner", "0", "8192 bytes", "True", nullptr, nullptr, "order"}}),
         table({Row{"id", "id", "integer", "True", nullptr, "", "", nullptr, "key", "True"},
                column("\"Note\"", "text", "False", nullptr)}),
         rows({{"order_pkey", "order_pkey", "p", "PRIMARY KEY (id)"},
               {"\"Pos\"", "Pos", "c", "CHECK ((id > 0))"}}),
         rows({{"order_pkey", "CREATE UNIQUE INDEX order_pkey ON s.\"order\" USING btree (id)",
                "True", nullptr, "s.order_pkey"},
               {"ix", "CREATE INDEX ix ON s.\"order\" USING btree (\"Note\")", "False", "why",
                "s.ix"}}),
         rows({{"tr",
                "CREATE TRIGGER tr AFTER INSERT ON s.\"order\" FOR EACH ROW EXECUTE "
                "FUNCTION s.f()",
                "tr", "logs", "D"}}),
         QStringList{QStringLiteral("CREATE TABLE s.\"order\" ("),
                     pad("id") + QStringLiteral("integer NOT NULL,"),
                     pad("\"Note\"") + QStringLiteral("text,"),
                     QStringLiteral("CONSTRAINT order_pkey PRIMARY KEY (id),"),
                     QStringLiteral("CONSTRAINT \"Pos\" CHECK ((id > 0))"), QStringLiteral(");"),
                     QStringLiteral("CREATE INDEX ix ON s.\"order\" USING btree (\"Note\");"),
                     QStringLiteral("COMMENT ON INDEX s.ix IS 'why';"),
                     QStringLiteral("CREATE TRIGGER tr AFTER INSERT ON s.\"order\" FOR EACH ROW "
                                    "EXECUTE FUNCTION s.f();"),
                     QStringLiteral("ALTER TABLE s.\"order\" DISABLE TRIGGER tr;"),
                     QStringLiteral("COMMENT ON TABLE s.\"order\" IS E'it''s \\\\ mine';"),
                     QStringLiteral("COMMENT ON COLUMN s.\"order\".id IS 'key';"),
                     QStringLiteral("COMMENT ON TRIGGER tr ON s.\"order\" IS 'logs';")}},
        {"partitioned, unlogged, with storage options",
         tableFacts("p", nullptr, nullptr, "RANGE (id)", "u", "fillfactor=70"), twoColumns,
         rows({}), rows({}), rows({}),
         L({"CREATE UNLOGGED TABLE s.t (",
            "id                                     integer NOT "
            "NULL,",
            "\"Note\"                                 text DEFAULT ''",
            ") PARTITION BY RANGE (id) WITH (fillfactor=70);"})},
        {"partition takes its columns from its parent",
         tableFacts("r", "s.parent", "FOR VALUES FROM (1) TO (10)", nullptr), twoColumns, rows({}),
         rows({}), rows({}),
         L({"CREATE TABLE s.t PARTITION OF s.parent", "FOR VALUES FROM (1) TO (10);"})},
        {"partition with its own check, partitioned again",
         tableFacts("p", "s.parent", "DEFAULT", "HASH (id)"), twoColumns,
         rows({{"t_pos", "t_pos", "c", "CHECK ((id > 0))"}}), rows({}), rows({}),
         L({"CREATE TABLE s.t PARTITION OF s.parent (", "CONSTRAINT t_pos CHECK ((id > 0))",
            ") DEFAULT PARTITION BY HASH (id);"})},
        {"child table lists only the columns it declares itself",
         tableFacts("r", nullptr, nullptr, nullptr, "p", "", "s.a, s.\"B\""),
         table({Row{"id", "id", "integer", "True", nullptr, "", "", nullptr, nullptr, "False"},
                column("extra", "text", "False", nullptr)}),
         rows({}), rows({}), rows({}),
         QStringList{QStringLiteral("CREATE TABLE s.t ("), pad("extra") + QStringLiteral("text"),
                     QStringLiteral(") INHERITS (s.a, s.\"B\");")}},
        {"serial whose sequence was changed afterwards", tableFacts("r", nullptr, nullptr, nullptr),
         rows({{"id",      "id",         "integer",    "True",   "nextval('s.t_id_seq'::regclass)",
                "",        "",           nullptr,      nullptr,  "True",
                "a",       "s.t_id_seq", "t_id_seq",   "bigint", "100",
                "1",       "1",          "2147483647", "1",      "False",
                "t_id_seq"}}),
         rows({}), rows({}), rows({}),
         QStringList{QStringLiteral("CREATE TABLE s.t ("), pad("id") + QStringLiteral("serial"),
                     QStringLiteral(");"),
                     QStringLiteral("ALTER SEQUENCE s.t_id_seq AS bigint START WITH 100 "
                                    "INCREMENT BY 1 MINVALUE 1 MAXVALUE 2147483647 CACHE 1 NO "
                                    "CYCLE;")}},
        {"table without columns", tableFacts("r", nullptr, nullptr, nullptr), rows({}), rows({}),
         rows({}), rows({}), L({"CREATE TABLE s.t (", ");"})},
    };
    for (const Case &c : cases) {
        ViewLines source;
        SourceTab_PgTable(source, c.facts, c.columns, c.constraints, c.indexes, c.triggers);
        EXPECT_EQ(source.lines(), c.expected) << c.label;
    }
}

TEST(PostgresSource, ViewTexts) {
    const CatalogRows columns =
        rows({{"a", "a", "integer", "False", nullptr, "", "", nullptr, "it's", "True"}});
    ViewLines view;
    SourceTab_PgView(
        view,
        rows({{"1", "s.\"V\"", "v", "p", nullptr, nullptr, nullptr, "check_option=local", nullptr,
               "owner", "-1", "0 bytes", "True", " SELECT a\n   FROM s.t;", nullptr, "V"}}),
        columns, rows({}));
    EXPECT_EQ(view.lines(),
              L({"CREATE OR REPLACE VIEW s.\"V\" WITH (check_option=local) AS", " SELECT a",
                 "   FROM s.t;", "COMMENT ON COLUMN s.\"V\".a IS 'it''s';"}));

    ViewLines materialized;
    SourceTab_PgView(
        materialized,
        rows({{"1", "s.m", "m", "p", nullptr, nullptr, nullptr, "", "sums", "owner", "3", "16 kB",
               "False", " SELECT 1 AS a;", nullptr, "m"}}),
        rows({}),
        rows({{"m_a", "CREATE INDEX m_a ON s.m USING btree (a)", "False", nullptr, "s.m_a"}}));
    EXPECT_EQ(materialized.lines(), L({"CREATE MATERIALIZED VIEW s.m AS", " SELECT 1 AS a",
                                       "WITH NO DATA;", "CREATE INDEX m_a ON s.m USING btree (a);",
                                       "COMMENT ON MATERIALIZED VIEW s.m IS 'sums';"}));
}

TEST(PostgresSource, TypeTexts) {
    struct Case {
        const char *label;
        CatalogRows facts, members;
        QStringList expected;
    };
    const std::vector<Case> cases{
        {"enum labels are literals",
         rows({{"1", "s.mood", "e", "owner", nullptr, nullptr, nullptr, "False", nullptr, "0"}}),
         rows({{"it's"}, {"back\\slash"}}),
         L({"CREATE TYPE s.mood AS ENUM (", "    'it''s',", "    E'back\\\\slash'", ");"})},
        {"domain with collation, default, not null and checks",
         rows({{"1", "s.code", "d", "owner", "codes", "text", "'A'::text", "True",
                "pg_catalog.\"C\"", "0"}}),
         rows({{"code_upper", "CHECK ((VALUE ~ '^[A-Z]+$'::text))"},
               {"\"Short\"", "CHECK ((length(VALUE) <= 8))"}}),
         L({"CREATE DOMAIN s.code AS text COLLATE pg_catalog.\"C\" DEFAULT 'A'::text NOT NULL",
            "    CONSTRAINT code_upper CHECK ((VALUE ~ '^[A-Z]+$'::text))",
            "    CONSTRAINT \"Short\" CHECK ((length(VALUE) <= 8));",
            "COMMENT ON DOMAIN s.code IS 'codes';"})},
        {"domain without constraints",
         rows({{"1", "s.n", "d", "owner", nullptr, "integer", nullptr, "False", nullptr, "0"}}),
         rows({}), L({"CREATE DOMAIN s.n AS integer;"})},
        {"composite type",
         rows({{"1", "s.address", "c", "owner", nullptr, nullptr, nullptr, "False", nullptr, "7"}}),
         table({column("street", "text", "False", nullptr),
                Row{"city", "city", "character varying(40)", "False", nullptr, "", "",
                    "pg_catalog.\"C\"", nullptr, "True"}}),
         QStringList{QStringLiteral("CREATE TYPE s.address AS ("),
                     pad("street") + QStringLiteral("text,"),
                     pad("city") + QStringLiteral("character varying(40) COLLATE pg_catalog.\"C\""),
                     QStringLiteral(");")}},
    };
    for (const Case &c : cases) {
        ViewLines source;
        SourceTab_PgType(source, c.facts, c.members);
        EXPECT_EQ(source.lines(), c.expected) << c.label;
    }
}

TEST(PostgresSource, StatementsEndWithOneSemicolon) {
    // A function text as the server prints it ends with a line feed and no semicolon.
    ViewLines function;
    SourceTab_PgRoutine(function,
                        rows({{"1",
                               "CREATE OR REPLACE FUNCTION s.f()\n RETURNS integer\n LANGUAGE sql\n"
                               "AS $function$ SELECT 1 $function$\n",
                               "s.f()", nullptr, "owner", "", "integer", "sql", "v"}}),
                        false);
    EXPECT_EQ(function.lines(), L({"CREATE OR REPLACE FUNCTION s.f()", " RETURNS integer",
                                   " LANGUAGE sql", "AS $function$ SELECT 1 $function$;"}));

    ViewLines index;
    SourceTab_PgIndex(index, rows({{"1", "CREATE UNIQUE INDEX t_pkey ON s.t USING btree (id)",
                                    "s.t", "btree", "True", "True", "8192 bytes", "t_pkey",
                                    "PRIMARY KEY (id)", "s.t", nullptr, "s.t_pkey"}}));
    EXPECT_EQ(index.lines(), L({"ALTER TABLE s.t ADD CONSTRAINT t_pkey PRIMARY KEY (id);"}));

    ViewLines sequence;
    SourceTab_PgSequence(sequence, rows({{"1", "s.\"Seq\"", "bigint", "1000", "5", "1000", "999999",
                                          "10", "True", "owner", nullptr, "s.t.id", "False"}}));
    EXPECT_EQ(sequence.lines(),
              L({"CREATE SEQUENCE s.\"Seq\"", "    AS bigint",
                 "    START WITH 1000 INCREMENT BY 5 MINVALUE 1000 MAXVALUE 999999 CACHE 10 "
                 "CYCLE;",
                 "ALTER SEQUENCE s.\"Seq\" OWNED BY s.t.id;"}));
}

TEST(PostgresSource, DefinitionOfAPartition) {
    ViewLines definition;
    DefinitionTab_PgRelation(
        definition, QStringLiteral("s.t_2024"),
        rows({{"1", "s.t_2024", "r", "p", nullptr, "s.t", "FOR VALUES FROM (1) TO (2)", "", nullptr,
               "owner", "-1", "8192 bytes", "True", nullptr, "s.t", "t_2024"}}),
        table({column("id", "integer", "True", nullptr)}), rows({}),
        rows({{"t_2024_pkey", "CREATE UNIQUE INDEX t_2024_pkey ON s.t_2024 USING btree (id)",
               "True", nullptr, "s.t_2024_pkey"}}));
    EXPECT_EQ(
        definition.lines(),
        QStringList(
            {QStringLiteral("Object Name        : s.t_2024"),
             QStringLiteral("Type               : Partition (Table)"),
             QStringLiteral("Partition Of       : s.t"),
             QStringLiteral("Partition Bound    : FOR VALUES FROM (1) TO (2)"),
             QStringLiteral("Owner              : owner"), QStringLiteral("Comment            : "),
             QStringLiteral("Estimated Rows     : unknown (not analysed)"),
             QStringLiteral("Size               : 8192 bytes"), QString(),
             QStringLiteral("Columns"), pad("id") + QStringLiteral("integer NOT NULL"), QString(),
             QStringLiteral("Constraints"), QString(), QStringLiteral("Indexes"),
             pad("t_2024_pkey") + QStringLiteral("UNIQUE btree (id) (constraint)"), QString()}));
}

} // namespace

// The text rules of the Definition and Source builders, on rows given directly.
#include "db/definitionbuilder.h"
#include "db/mysqlsource.h"

#include "tests/db/catalogtestutil.h"

#include <gtest/gtest.h>

using namespace kelvoran::db;

namespace {

using kelvoran::test::rows;

QStringList L(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

QString pad(const char *name) {
    return QString::fromUtf8(name).leftJustified(39);
}

TEST(DefinitionBuilder, NamesAlignToThirtyNineCharacters) {
    const QString n38(38, u'A'), n39(39, u'B'), n40(40, u'C');
    EXPECT_EQ(alignedName(n38), n38 + u' ');
    EXPECT_EQ(alignedName(n39), n39);
    EXPECT_EQ(alignedName(n40), n40);
    EXPECT_EQ(alignedName(QStringLiteral("EMPNO")), QStringLiteral("EMPNO") + QString(34, u' '));
    EXPECT_EQ(definitionLabel(QStringLiteral("TableSpace Name")),
              QStringLiteral("TableSpace Name    : "));
    EXPECT_EQ(definitionLabel(QStringLiteral("Object Name")).size(), 21);
}

TEST(DefinitionBuilder, TimestampLosesTheAppendedLength) {
    const std::vector<std::pair<const char *, const char *>> cases{
        {"TIMESTAMP(6)(11)", "TIMESTAMP(6)"},
        {"timestamp(3)(11)", "timestamp(3)"},
        {"TIMESTAMP(6) WITH TIME ZONE(13)", "TIMESTAMP(6) WITH TIME ZONE"},
        {"TIMESTAMP(6) WITH LOCAL TIME ZONE(11)", "TIMESTAMP(6) WITH LOCAL TIME ZONE"},
        {"TIMESTAMP", "TIMESTAMP"},
        {"VARCHAR2(10)", "VARCHAR2(10)"},
        {"NUMBER(8,2)", "NUMBER(8,2)"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(cutTimestamp(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

// The EMP example: columns, primary key and foreign key between the last column and ")".
TEST(DefinitionBuilder, TableWithPrimaryAndForeignKey) {
    ViewLines src;
    SourceTab_Table(src, QStringLiteral("EMP"),
                    rows({{"EMPNO", "NUMBER(4)", "", " NOT NULL"},
                          {"ENAME", "VARCHAR2(10)", "", ""},
                          {"DEPTNO", "NUMBER(2)", "", ""}}));
    SourceTab_Table_Primary(src, rows({{"PK_EMP", "EMPNO"}}));
    SourceTab_Table_Foreign(src, rows({{"FK_DEPTNO", "DEPTNO", "DEPT", "DEPTNO", ""}}));
    SourceTab_Table_Check(src, rows({{"SYS_C0010201", "\"EMPNO\" IS NOT NULL", "EMPNO"}}));
    SourceTab_Table_Unique(src, rows({}));
    EXPECT_EQ(src.lines(),
              QStringList({QStringLiteral("CREATE TABLE EMP("),
                           pad("EMPNO") + QStringLiteral("NUMBER(4) NOT NULL,"),
                           pad("ENAME") + QStringLiteral("VARCHAR2(10),"),
                           pad("DEPTNO") + QStringLiteral("NUMBER(2),"),
                           QStringLiteral("CONSTRAINT PK_EMP PRIMARY KEY(EMPNO),"),
                           QStringLiteral("CONSTRAINT FK_DEPTNO FOREIGN KEY(DEPTNO) REFERENCES "
                                          "DEPT(DEPTNO)"),
                           QStringLiteral(")")}));
}

TEST(DefinitionBuilder, ConstraintLinesStandBeforeTheClosingLine) {
    struct Case {
        const char *label;
        CatalogRows primary, foreign, check, unique;
        QStringList expected;
    };
    const QString col = pad("A") + QStringLiteral("NUMBER(22)");
    const std::vector<Case> cases{
        {"no constraints: last column line without comma, then )", rows({}), rows({}), rows({}),
         rows({}), QStringList{QStringLiteral("CREATE TABLE T("), col, QStringLiteral(")")}},
        {"two foreign keys, one cascading, grouped by name", rows({}),
         rows({{"FK_1", "A", "P", "X", " ON DELETE CASCADE "},
               {"FK_1", "B", "P", "Y", " ON DELETE CASCADE "},
               {"FK_2", "C", "Q", "Z", ""}}),
         rows({}), rows({}),
         QStringList{QStringLiteral("CREATE TABLE T("), col + u',',
                     QStringLiteral("CONSTRAINT FK_1 FOREIGN KEY(A,B) REFERENCES P(X,Y) ON DELETE "
                                    "CASCADE ,"),
                     QStringLiteral("CONSTRAINT FK_2 FOREIGN KEY(C) REFERENCES Q(Z)"),
                     QStringLiteral(")")}},
        {"null checks skipped in every spelling, a check on two columns written once", rows({}),
         rows({}),
         rows({{"C1", "\"A\" IS NOT NULL", "A"},
               {"C2", "a is not null", "A"},
               {"C3", "\"A\" is null or A > 1", "A"},
               {"C4", "A > B", "A"},
               {"C4", "A > B", "B"},
               {"C5", "B IN ('x','y')", "B"}}),
         rows({}),
         QStringList{QStringLiteral("CREATE TABLE T("), col + u',',
                     QStringLiteral("CONSTRAINT C4 CHECK (A > B),"),
                     QStringLiteral("CONSTRAINT C5 CHECK (B IN ('x','y'))"), QStringLiteral(")")}},
        {"unique grouped, quoted column rows skipped, after primary key",
         rows({{"PK", "A"}, {"PK", "B"}}), rows({}), rows({}),
         rows({{"U1", "A"}, {"U1", "B"}, {"U2", "\"odd\""}, {"U3", "C"}}),
         QStringList{QStringLiteral("CREATE TABLE T("), col + u',',
                     QStringLiteral("CONSTRAINT PK PRIMARY KEY(A,B),"),
                     QStringLiteral("CONSTRAINT U1 UNIQUE (A,B),"),
                     QStringLiteral("CONSTRAINT U3 UNIQUE (C)"), QStringLiteral(")")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ViewLines src;
        SourceTab_Table(src, QStringLiteral("T"), rows({{"A", "NUMBER(22)", "", ""}}));
        SourceTab_Table_Primary(src, c.primary);
        SourceTab_Table_Foreign(src, c.foreign);
        SourceTab_Table_Check(src, c.check);
        SourceTab_Table_Unique(src, c.unique);
        EXPECT_EQ(src.lines(), c.expected);
        EXPECT_TRUE(src.closingLineIsLast());
    }
}

TEST(DefinitionBuilder, ColumnLineParts) {
    ViewLines src;
    const QString n39(39, u'N');
    SourceTab_Table(src, QStringLiteral("T"),
                    rows({{n39.toUtf8().constData(), "VARCHAR2(5)", "'X' ", " NOT NULL"},
                          {"TS", "TIMESTAMP(6)(11)", nullptr, nullptr},
                          {"D", "DATE", "SYSDATE", ""}}));
    EXPECT_EQ(src.lines(), QStringList({QStringLiteral("CREATE TABLE T("),
                                        n39 + QStringLiteral("VARCHAR2(5) DEFAULT 'X'  NOT NULL,"),
                                        pad("TS") + QStringLiteral("TIMESTAMP(6),"),
                                        pad("D") + QStringLiteral("DATE DEFAULT SYSDATE"),
                                        QStringLiteral(")")}));
}

TEST(DefinitionBuilder, UnknownTableKeepsOnlyTheFixedLines) {
    ViewLines src;
    SourceTab_Table(src, QStringLiteral("NONE"), rows({}));
    SourceTab_Table_Primary(src, rows({}));
    SourceTab_Table_Foreign(src, rows({}));
    EXPECT_EQ(src.lines(), L({"", ")"}));
}

TEST(DefinitionBuilder, ViewHeadAndText) {
    struct Case {
        const char *label;
        CatalogRows columns;
        const char *text;
        QStringList expected;
    };
    const std::vector<Case> cases{
        {"one column, text ending in a line feed", rows({{"DNAME", "VARCHAR2(14)"}}),
         "SELECT DNAME\n  FROM DEPT\n",
         QStringList{QStringLiteral("CREATE OR REPLACE VIEW V("),
                     pad("DNAME") + QStringLiteral(" /* VARCHAR2(14) */ "), QStringLiteral(")"),
                     QStringLiteral("AS "), QStringLiteral("SELECT DNAME"),
                     QStringLiteral("  FROM DEPT"), QString()}},
        {"blank lines kept, last line without a line feed",
         rows({{"A", "NUMBER(22) NOT NULL"}, {"B", "DATE"}}), "SELECT A,\n\n\n B FROM T",
         QStringList{QStringLiteral("CREATE OR REPLACE VIEW V("),
                     pad("A") + QStringLiteral(" /* NUMBER(22) NOT NULL */ ,"),
                     pad("B") + QStringLiteral(" /* DATE */ "), QStringLiteral(")"),
                     QStringLiteral("AS "), QStringLiteral("SELECT A,"), QString(), QString(),
                     QStringLiteral(" B FROM T"), QString()}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ViewLines src;
        SourceTab_View(src, QStringLiteral("V"), c.columns);
        SourceTab_View_Origin(src, rows({{c.text}}));
        EXPECT_EQ(src.lines(), c.expected);
        EXPECT_FALSE(src.closingLineIsLast());
    }
}

TEST(DefinitionBuilder, StoredSourceTriggerSynonymAndIndexLines) {
    ViewLines source;
    SourceTab_StoredSource(source, rows({{"PROCEDURE P IS\n", "1"}, {"\n", "2"}, {"END;", "3"}}));
    // Each stored line loses its line feed; a last line stored without one loses nothing.
    EXPECT_EQ(source.lines(), L({"PROCEDURE P IS", "", "END;", ""}));

    ViewLines trigger;
    SourceTab_Trigger(trigger, rows({{"BEGIN\n  X := 1;\n\n\nEND;\n"}}));
    EXPECT_EQ(trigger.lines(), L({"BEGIN", "  X := 1;", "END;", ""}));

    ViewLines synonym;
    SourceTab_Synonym(synonym, rows({{"CREATE SYNONYM S FOR O.T"}}));
    EXPECT_EQ(synonym.lines(), L({"CREATE SYNONYM S FOR O.T", ""}));

    ViewLines index;
    SourceTab_Index(index, rows({{"A", "NUMBER(22)", "1"}, {"B", "VARCHAR2(8)", "2"}}));
    EXPECT_EQ(index.lines(), QStringList({pad("A") + QStringLiteral("NUMBER(22)"),
                                          pad("B") + QStringLiteral("VARCHAR2(8)"), QString()}));

    ViewLines empty;
    SourceTab_StoredSource(empty, rows({}));
    EXPECT_EQ(empty.lines(), L({"", ""}));
}

TEST(DefinitionBuilder, DefinitionSummaryAndFacts) {
    const CatalogRows summary =
        rows({{"INDEX", "2024-04-01 09:00:00", "2024-04-02 10:00:00", "VALID"}});
    ViewLines def;
    DefinitionTab_Object(def, QStringLiteral("IX"), summary);
    DefinitionTabAddInfo_Index(def, rows({{"IX", " ", "OWN", "T", "TABLE", "NONUNIQUE", "USERS"}}));
    EXPECT_EQ(def.lines(), L({"Object Name        : IX", "Valid              : VALID",
                              "Create             : 2024-04-01 09:00:00",
                              "Modified           : 2024-04-02 10:00:00",
                              "Index Type         :  ", "Table Owner        : OWN",
                              "Table Name         : T", "Table Type         : TABLE",
                              "Uniqueness         : NONUNIQUE", "TableSpace Name    : USERS", ""}));

    // A view's summary has no type filter: another object of that name adds its three lines.
    ViewLines view;
    DefinitionTab_Object(view, QStringLiteral("V"),
                         rows({{"VIEW", "c1", "m1", "VALID"}, {"SYNONYM", "c2", "m2", "INVALID"}}));
    EXPECT_EQ(view.lines(),
              L({"Object Name        : V", "Valid              : VALID", "Create             : c1",
                 "Modified           : m1", "Valid              : INVALID",
                 "Create             : c2", "Modified           : m2", ""}));

    ViewLines trigger;
    DefinitionTab_Object(trigger, QStringLiteral("TRG"), rows({{"TRIGGER", "c", "m", "VALID"}}));
    DefinitionTabAddInfo_Trigger(trigger,
                                 rows({{"BEFORE EACH ROW", "INSERT", "OWN", "T", "DISABLED"}}));
    EXPECT_EQ(trigger.lines().mid(4),
              L({"Trigger Type       : BEFORE EACH ROW", "Triggering_Event   : INSERT",
                 "Table Owner        : OWN", "Table Name         : T", ""}));

    // Unknown objects: only the empty lines of each step.
    ViewLines unknown;
    DefinitionTab_Object(unknown, QStringLiteral("NONE"), rows({}));
    DefinitionTabAddInfo_Synonym(unknown, rows({}));
    EXPECT_EQ(unknown.lines(), L({"", "", ""}));
}

// SHOW FIELDS: 0 field, 1 type, 2 null flag, 3 key, 4 default, 5 extra.
TEST(MySqlSource, ColumnLines) {
    struct Case {
        const char *label;
        CatalogRows field;
        QString expected;
    };
    const std::vector<Case> cases{
        {"NOT NULL flagged NO by current servers",
         rows({{"id", "int(11)", "NO", "PRI", nullptr, "auto_increment"}}),
         pad("id") + QStringLiteral("int(11) NOT NULL AUTO_INCREMENT,")},
        {"current time default unquoted, on update after a blank",
         rows({{"changed", "timestamp", "NO", "", "current_timestamp()",
                "on update current_timestamp()"}}),
         pad("changed") + QStringLiteral("timestamp NOT NULL DEFAULT current_timestamp() on "
                                         "update current_timestamp(),")},
        {"DEFAULT_GENERATED marker is no column text",
         rows({{"c", "datetime(3)", "YES", "", "CURRENT_TIMESTAMP(3)", "DEFAULT_GENERATED"}}),
         pad("c") + QStringLiteral("datetime(3) DEFAULT CURRENT_TIMESTAMP(3),")},
        {"NOT NULL without default: no DEFAULT NULL",
         rows({{"s", "varchar(10)", "NO", "", nullptr, ""}}),
         pad("s") + QStringLiteral("varchar(10) NOT NULL,")},
        {"NOT NULL flagged empty by old servers", rows({{"id", "int(11)", "", "", "0", ""}}),
         pad("id") + QStringLiteral("int(11) NOT NULL DEFAULT 0,")},
        {"nullable number without default", rows({{"n", "int(11)", "YES", "", nullptr, ""}}),
         pad("n") + QStringLiteral("int(11) DEFAULT  NULL,")},
        {"nullable text without default", rows({{"s", "varchar(10)", "YES", "", nullptr, ""}}),
         pad("s") + QStringLiteral("varchar(10) DEFAULT  NULL,")},
        {"text default quoted", rows({{"s", "varchar(10)", "YES", "", "abc", ""}}),
         pad("s") + QStringLiteral("varchar(10) DEFAULT 'abc',")},
        {"date default quoted", rows({{"d", "date", "NO", "", "2024-01-01", ""}}),
         pad("d") + QStringLiteral("date NOT NULL DEFAULT '2024-01-01',")},
        {"empty text default", rows({{"s", "char(1)", "YES", "", "", ""}}),
         pad("s") + QStringLiteral("char(1) DEFAULT '',")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(mysqlColumnLine(c.field, 0), c.expected);
    }
}

TEST(MySqlSource, IndexLinesAndClosing) {
    const CatalogRows fields =
        rows({{"a", "int(11)", "NO", "", nullptr, ""}, {"b", "int(11)", "NO", "", nullptr, ""}});
    // SHOW INDEX: 0 table, 1 non-unique, 2 key name, 3 seq, 4 column.
    ViewLines withIndexes;
    SourceTab_MySqlTable(withIndexes, QStringLiteral("t"), fields,
                         rows({{"t", "0", "PRIMARY", "1", "a"},
                               {"t", "0", "uk_ab", "1", "a"},
                               {"t", "0", "uk_ab", "2", "b"},
                               {"t", "1", "ix_b", "1", "b"}}));
    EXPECT_EQ(
        withIndexes.lines(),
        QStringList({QStringLiteral("CREATE TABLE t("),
                     pad("a") + QStringLiteral("int(11) NOT NULL,"),
                     pad("b") + QStringLiteral("int(11) NOT NULL,"),
                     QStringLiteral("PRIMARY KEY(a),"), QStringLiteral("UNIQUE INDEX uk_ab(a,b),"),
                     QStringLiteral("INDEX ix_b(b)"), QStringLiteral(")")}));

    ViewLines noIndex;
    SourceTab_MySqlTable(noIndex, QStringLiteral("t"), fields, rows({}));
    EXPECT_EQ(noIndex.lines().mid(2),
              QStringList({pad("b") + QStringLiteral("int(11) NOT NULL"), QStringLiteral(")")}));
}

// Today's SHOW TABLE STATUS has a Version column after Engine; the summary reads by name, and
// only the row of the table itself (LIKE reads "_" as a wildcard).
TEST(MySqlSource, TableStatusReadByColumnName) {
    const QStringList current{"Name",         "Engine",         "Version",        "Row_format",
                              "Rows",         "Avg_row_length", "Data_length",    "Max_data_length",
                              "Index_length", "Data_free",      "Auto_increment", "Create_time",
                              "Update_time"};
    ViewLines def;
    DefinitionTab_Mysql_Table(
        def, QStringLiteral("a_b"),
        rows({{"axb", "MyISAM", "10", "Fixed", "99", "0", "0", "0", "0", "0", nullptr, "c0", "u0"},
              {"a_b", "InnoDB", "10", "Dynamic", "3", "0", "0", "0", "0", "0", nullptr,
               "2026-12-09 22:00:00", nullptr}},
             current));
    EXPECT_EQ(def.lines(), L({"Object Name        : a_b", "Type               : InnoDB",
                              "Create             : 2026-12-09 22:00:00",
                              "Modified           : ", "Rows               : 3", ""}));

    const QStringList old{"Name",           "Type",           "Row_format",      "Rows",
                          "Avg_row_length", "Data_length",    "Max_data_length", "Index_length",
                          "Data_free",      "Auto_increment", "Create_time",     "Update_time"};
    ViewLines oldDef;
    DefinitionTab_Mysql_Table(
        oldDef, QStringLiteral("t"),
        rows({{"t", "MyISAM", "Fixed", "7", "", "", "", "", "", "", "c", "u"}}, old));
    EXPECT_EQ(oldDef.lines(),
              L({"Object Name        : t", "Type               : MyISAM", "Create             : c",
                 "Modified           : u", "Rows               : 7", ""}));
}

} // namespace

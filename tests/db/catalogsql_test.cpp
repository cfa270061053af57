// The catalog statements must reach the server exactly as written, blanks included: the
// expected texts below are written out in full, independently of how the code assembles them.
#include "db/catalogsql.h"

#include "tests/db/catalogtestutil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran::db;

namespace {

struct StatementCase {
    const char *label;
    QStringList built;
    QStringList expected;
};

QStringList lines(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

TEST(CatalogSql, StatementsAreExactLineByLine) {
    const std::vector<StatementCase> cases{
        {"object list", catalogsql::objectList(QStringLiteral("PACKAGE BODY")),
         lines({" SELECT OBJECT_NAME ", "   FROM USER_OBJECTS ",
                "  WHERE OBJECT_TYPE = 'PACKAGE BODY' ", "  ORDER BY  OBJECT_NAME "})},
        {"table columns", catalogsql::tableColumns(QStringLiteral("EMP")),
         lines(
             {" SELECT COLUMN_NAME,DATA_TYPE||DECODE(DATA_TYPE,'DATE',NULL,'NUMBER',(DECODE(DATA_"
              "PRECISION,'','('||DATA_LENGTH||')',NULL,'('||DATA_LENGTH||')',(DECODE(DATA_SCALE,'',"
              "'('||DATA_PRECISION||')',NULL,'('||DATA_PRECISION||')',0,'('||DATA_PRECISION||')','"
              "('||DATA_PRECISION||','||DATA_SCALE||')')))),'('||DATA_LENGTH||')') DATA_TYPE,DATA_"
              "DEFAULT,DECODE(NULLABLE,'N',' NOT NULL','') NULLABLE  ",
              "   FROM USER_TAB_COLUMNS ", "  WHERE TABLE_NAME = 'EMP' ",
              "  ORDER BY  COLUMN_ID "})},
        {"view columns", catalogsql::viewColumns(QStringLiteral("V")),
         lines(
             {" SELECT COLUMN_NAME,DATA_TYPE||DECODE(DATA_TYPE,'DATE',NULL,'('||DATA_LENGTH||')'||"
              "DECODE(NULLABLE,'N',' NOT NULL','')) ",
              "   FROM USER_TAB_COLUMNS ", "  WHERE TABLE_NAME = 'V' ", "  ORDER BY  COLUMN_ID "})},
        {"primary key", catalogsql::primaryKey(QStringLiteral("EMP")),
         lines({" SELECT B.CONSTRAINT_NAME,B.COLUMN_NAME ", "   FROM USER_CONSTRAINTS  A, ",
                "        USER_CONS_COLUMNS B ", "  WHERE A.TABLE_NAME = B.TABLE_NAME ",
                "    AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME ",
                "    AND A.CONSTRAINT_TYPE = 'P' ", "    AND B.TABLE_NAME = 'EMP' ",
                "  ORDER BY  B.POSITION "})},
        {"check", catalogsql::checkConstraints(QStringLiteral("EMP")),
         lines({"   SELECT A.CONSTRAINT_NAME,A.SEARCH_CONDITION,B.COLUMN_NAME ",
                "     FROM USER_CONSTRAINTS A, ", "          USER_CONS_COLUMNS B ",
                "    WHERE B.TABLE_NAME      = 'EMP' ", "      AND A.OWNER           = B.OWNER ",
                "      AND A.TABLE_NAME      = B.TABLE_NAME ",
                "      AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME ",
                "      AND A.CONSTRAINT_TYPE = 'C' ", " ORDER BY  A.CONSTRAINT_NAME "})},
        {"unique", catalogsql::uniqueConstraints(QStringLiteral("EMP")),
         lines({"   SELECT A.CONSTRAINT_NAME,B.COLUMN_NAME ", "     FROM USER_CONSTRAINTS A, ",
                "          USER_CONS_COLUMNS B ", "    WHERE B.TABLE_NAME      = 'EMP' ",
                "      AND A.OWNER           = B.OWNER ",
                "      AND A.TABLE_NAME      = B.TABLE_NAME ",
                "      AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME ",
                "      AND A.CONSTRAINT_TYPE = 'U' ", " ORDER BY  A.CONSTRAINT_NAME ,B.POSITION"})},
        {"view text", catalogsql::viewText(QStringLiteral("V")),
         lines({"   SELECT TEXT ", "     FROM USER_VIEWS ", "    WHERE VIEW_NAME  = 'V' "})},
        {"stored source",
         catalogsql::storedSource(QStringLiteral("P"), QStringLiteral("PACKAGE BODY")),
         lines({" SELECT TEXT,LINE ", "   FROM USER_SOURCE ", "  WHERE NAME = 'P' ",
                "  AND TYPE = 'PACKAGE BODY' ", "  ORDER BY  LINE "})},
        {"synonym", catalogsql::synonymStatement(QStringLiteral("S")),
         lines({" SELECT 'CREATE SYNONYM '||SYNONYM_NAME||' FOR '||TABLE_OWNER||'.'||TABLE_NAME ",
                "   FROM USER_SYNONYMS ", "  WHERE SYNONYM_NAME = 'S' "})},
        {"trigger body", catalogsql::triggerBody(QStringLiteral("T")),
         lines({" SELECT TRIGGER_BODY ", "   FROM USER_TRIGGERS ", "  WHERE TRIGGER_NAME = 'T' "})},
        {"index columns", catalogsql::indexColumns(QStringLiteral("I")),
         lines({" SELECT "
                "STC.COLUMN_NAME,STC.DATA_TYPE||'('||STC.DATA_LENGTH||')',UIC.COLUMN_POSITION ",
                "   FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC",
                "  WHERE STC.TABLE_NAME  = UIC.TABLE_NAME",
                "    AND STC.COLUMN_NAME = UIC.COLUMN_NAME",
                "    AND  UIC.INDEX_NAME  = 'I' AND UIC.COLUMN_NAME IN(UIC.COLUMN_NAME) ",
                "  ORDER BY  UIC.COLUMN_POSITION  "})},
        {"summary of a table",
         catalogsql::objectSummary(QStringLiteral("EMP"), QStringLiteral("TABLE")),
         lines({" SELECT OBJECT_TYPE,CREATED,LAST_DDL_TIME,STATUS ", "   FROM USER_OBJECTS ",
                "  WHERE OBJECT_NAME = 'EMP' ", "  AND OBJECT_TYPE = 'TABLE' "})},
        {"summary of a view has no type line",
         catalogsql::objectSummary(QStringLiteral("V"), QString()),
         lines({" SELECT OBJECT_TYPE,CREATED,LAST_DDL_TIME,STATUS ", "   FROM USER_OBJECTS ",
                "  WHERE OBJECT_NAME = 'V' "})},
        {"summary of a link",
         catalogsql::objectSummary(QStringLiteral("L"), QStringLiteral("DATABASE LINK")),
         lines({" SELECT OBJECT_TYPE,CREATED,LAST_DDL_TIME,STATUS ", "   FROM USER_OBJECTS ",
                "  WHERE OBJECT_NAME = 'L' ",
                "  AND ((OBJECT_TYPE = 'DB LINK') OR (OBJECT_TYPE = 'DATABASE LINK')) "})},
        {"synonym facts", catalogsql::synonymFacts(QStringLiteral("S")),
         lines({" SELECT TABLE_OWNER,TABLE_NAME,DB_LINK ", "   FROM USER_SYNONYMS ",
                "  WHERE SYNONYM_NAME = 'S' "})},
        {"trigger facts", catalogsql::triggerFacts(QStringLiteral("T")),
         lines({" SELECT TRIGGER_TYPE,TRIGGERING_EVENT,TABLE_OWNER,TABLE_NAME,STATUS ",
                "   FROM USER_TRIGGERS ", "  WHERE TRIGGER_NAME = 'T' "})},
        {"link facts", catalogsql::dbLinkFacts(QStringLiteral("L")),
         lines({" SELECT USERNAME,PASSWORD,HOST ", "   FROM USER_DB_LINKS ",
                "  WHERE DB_LINK = 'L' "})},
        {"index facts", catalogsql::indexFacts(QStringLiteral("I"), false),
         lines({" SELECT INDEX_NAME,INDEX_TYPE,TABLE_OWNER,TABLE_NAME,TABLE_TYPE,UNIQUENESS,"
                "TABLESPACE_NAME ",
                "   FROM USER_INDEXES ", "  WHERE INDEX_NAME = 'I' "})},
        {"index facts fallback", catalogsql::indexFacts(QStringLiteral("I"), true),
         lines({" SELECT INDEX_NAME,' ',TABLE_OWNER,TABLE_NAME,TABLE_TYPE,UNIQUENESS,"
                "TABLESPACE_NAME ",
                "   FROM USER_INDEXES ", "  WHERE INDEX_NAME = 'I' "})},
        {"mysql fields", catalogsql::mysqlFields(QStringLiteral("t1"), false),
         lines({"SHOW FIELDS FROM t1"})},
        {"mysql fields of the index window", catalogsql::mysqlFields(QStringLiteral("t1"), true),
         lines({"SHOW FIELDS FROM t1 "})},
        {"mysql indexes", catalogsql::mysqlIndexes(QStringLiteral("t1")),
         lines({"SHOW INDEX FROM t1 "})},
        {"mysql status", catalogsql::mysqlTableStatus(QStringLiteral("t1")),
         lines({"SHOW TABLE STATUS LIKE 't1'"})},
        {"index names", catalogsql::indexNames(QStringLiteral("EMP")),
         lines({"SELECT DISTINCT UIC.INDEX_NAME ",
                "  FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC ",
                " WHERE STC.TABLE_NAME  = UIC.TABLE_NAME ",
                "   AND STC.COLUMN_NAME = UIC.COLUMN_NAME ", "   AND UIC.TABLE_NAME  = 'EMP' "})},
        {"index details", catalogsql::indexDetails(QStringLiteral("PK_EMP")),
         lines(
             {"SELECT UO.OBJECT_TYPE,UO.CREATED,UO.LAST_DDL_TIME,UO.STATUS,UI.INDEX_NAME,UI.INDEX_"
              "TYPE,UI.TABLE_OWNER,UI.TABLE_NAME,UI.TABLE_TYPE,UI.UNIQUENESS,UI.TABLESPACE_NAME",
              "  FROM USER_OBJECTS UO,USER_INDEXES UI ", " WHERE UO.OBJECT_NAME = 'PK_EMP' ",
              "   AND UI.INDEX_NAME  = 'PK_EMP' ", "   AND UO.OBJECT_TYPE = 'INDEX' ",
              "   AND UO.OBJECT_NAME = UI.INDEX_NAME"})},
        {"index detail columns",
         catalogsql::indexDetailColumns(QStringLiteral("PK_EMP"), QStringLiteral("EMP")),
         lines(
             {"SELECT STC.COLUMN_NAME,STC.DATA_TYPE||DECODE(STC.DATA_TYPE,'DATE',NULL,'NUMBER',(DEC"
              "ODE(STC.DATA_PRECISION,'','('||STC.DATA_LENGTH||')',NULL,'('||STC.DATA_LENGTH||')',"
              "(DECODE(STC.DATA_SCALE,'','('||STC.DATA_PRECISION||')',NULL,'('||DATA_PRECISION||')"
              "',0,'('||DATA_PRECISION||')','('||DATA_PRECISION||','||DATA_SCALE||')')))),'('||DAT"
              "A_LENGTH||')') DATA_TYPE",
              "  FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC ",
              " WHERE STC.TABLE_NAME  = UIC.TABLE_NAME ",
              "   AND STC.COLUMN_NAME = UIC.COLUMN_NAME ", "   AND UIC.INDEX_NAME  = 'PK_EMP' ",
              "   AND UIC.TABLE_NAME  = 'EMP' "})},
    };
    for (const StatementCase &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.built, c.expected);
    }
}

TEST(CatalogSql, ForeignKeyStatementHasItsThirtyThreeLines) {
    const QStringList fk = catalogsql::foreignKeys(QStringLiteral("EMP"));
    ASSERT_EQ(fk.size(), 33);
    EXPECT_EQ(fk[0],
              QStringLiteral("   SELECT Y.CONSTRAINT_NAME,Y.COLUMN_NAME,Z.TABLE_NAME,Z.COLUMN_"
                             "NAME REF_COLUMN_NAME,DECODE(Y.DELETE_RULE,'CASCADE',' ON DELETE "
                             "CASCADE ','') "));
    EXPECT_EQ(fk[13], QStringLiteral("             AND B.TABLE_NAME = 'EMP' "));
    EXPECT_EQ(fk[14], QStringLiteral("        /*ORDER BY B.CONSTRAINT_NAME,B.POSITION*/) Y, "));
    EXPECT_EQ(fk[17], QStringLiteral("                 C.COLUMN_NAME     , "));
    EXPECT_EQ(fk[27], QStringLiteral("                     AND E.TABLE_NAME      = 'EMP' ) F "));
    EXPECT_EQ(fk[32], QStringLiteral("   ORDER BY  Y.CONSTRAINT_NAME,Y.POSITION "));
}

// A quote inside a name must stay inside the string literal.
TEST(CatalogSql, NamesWithQuotesCannotLeaveTheirLiteral) {
    const QString evil = QStringLiteral("X' OR '1'='1");
    EXPECT_EQ(catalogsql::tableColumns(evil)[2],
              QStringLiteral("  WHERE TABLE_NAME = 'X'' OR ''1''=''1' "));
    EXPECT_EQ(
        catalogsql::foreignKeys(evil)[27],
        QStringLiteral("                     AND E.TABLE_NAME      = 'X'' OR ''1''=''1' ) F "));
    EXPECT_EQ(catalogsql::mysqlTableStatus(QStringLiteral("a\\'b"))[0],
              QStringLiteral("SHOW TABLE STATUS LIKE 'a\\\\''b'"));
    EXPECT_EQ(catalogsql::mysqlFields(QStringLiteral("t 1; DROP TABLE x"), false)[0],
              QStringLiteral("SHOW FIELDS FROM `t 1; DROP TABLE x`"));
    EXPECT_EQ(catalogsql::mysqlIndexes(QStringLiteral("a`b"))[0],
              QStringLiteral("SHOW INDEX FROM `a``b` "));
    EXPECT_EQ(catalogsql::mysqlIndexes(QStringLiteral("123"))[0],
              QStringLiteral("SHOW INDEX FROM `123` "));
}

// Reserved words and names that are not plain identifiers go between backquotes in every MySQL
// statement; plain names stay as they are.
TEST(CatalogSql, MySqlIdentifiersQuotedWhereNeeded) {
    const std::vector<std::pair<const char *, const char *>> cases{
        {"orders", "orders"},
        {"t1", "t1"},
        {"_x$", "_x$"},
        {"descr", "descr"},
        {"order", "`order`"},
        {"ORDER", "`ORDER`"},
        {"Key", "`Key`"},
        {"desc", "`desc`"},
        {"select", "`select`"},
        {"my col", "`my col`"},
        {"a`b", "`a``b`"},
        {"123", "`123`"},
        {"", "``"},
    };
    for (const auto &[name, expected] : cases) {
        SCOPED_TRACE(name);
        const QString quoted = QString::fromUtf8(expected);
        EXPECT_EQ(catalogsql::mysqlIdentifier(QString::fromUtf8(name)), quoted);
        EXPECT_EQ(catalogsql::mysqlFields(QString::fromUtf8(name), false)[0],
                  QStringLiteral("SHOW FIELDS FROM ") + quoted);
        EXPECT_EQ(catalogsql::mysqlIndexes(QString::fromUtf8(name))[0],
                  QStringLiteral("SHOW INDEX FROM ") + quoted + u' ');
    }
}

// The information_schema statements take the table name as a string literal.
TEST(CatalogSql, MySqlCatalogStatementsKeepNamesInTheirLiteral) {
    const QString name = QStringLiteral("o'b\\");
    const QString literal = QStringLiteral("'o''b\\\\' ");
    const std::vector<std::pair<const char *, QStringList>> cases{
        {"column details", catalogsql::mysqlColumnDetails(name, true)},
        {"column details of old servers", catalogsql::mysqlColumnDetails(name, false)},
        {"foreign keys", catalogsql::mysqlForeignKeys(name)},
        {"MariaDB checks", catalogsql::mysqlChecksMariaDb(name, true)},
        {"MariaDB checks without level", catalogsql::mysqlChecksMariaDb(name, false)},
        {"MySQL checks", catalogsql::mysqlChecksMySql(name)},
    };
    for (const auto &[label, statement] : cases) {
        SCOPED_TRACE(label);
        const auto named = std::count_if(statement.begin(), statement.end(), [&](const QString &l) {
            return l.endsWith(QStringLiteral("TABLE_NAME = ") + literal);
        });
        EXPECT_EQ(named, 1) << statement.join(u'\n').toStdString();
        EXPECT_FALSE(statement.join(u'\n').contains(QStringLiteral("'o'b")));
    }
    EXPECT_TRUE(catalogsql::mysqlColumnDetails(name, true)[0].contains(
        QStringLiteral("C.GENERATION_EXPRESSION")));
    EXPECT_FALSE(catalogsql::mysqlColumnDetails(name, false)[0].contains(
        QStringLiteral("GENERATION_EXPRESSION")));
}

} // namespace

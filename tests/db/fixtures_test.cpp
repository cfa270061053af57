// Checks the SQLite fixtures built from tests/fixtures/oracle_dictionary.sql and
// examples/demo.sql: the facts that the catalog code, the reports and their tests rely on.
#include "tests/support/testsupport.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using kelvoran::test::demoDatabasePath;
using kelvoran::test::oracleFixturePath;

// A read-only QSQLITE connection with a name of its own, removed again at the end of the test.
class FixtureConnection {
public:
    FixtureConnection(const QString &name, const QString &path) : m_name(name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        m_open = QFileInfo::exists(path) && db.open();
        if (!m_open)
            m_error = path + QStringLiteral(": ") + db.lastError().text();
    }
    ~FixtureConnection() {
        { QSqlDatabase::database(m_name, false).close(); }
        QSqlDatabase::removeDatabase(m_name);
    }
    FixtureConnection(const FixtureConnection &) = delete;
    FixtureConnection &operator=(const FixtureConnection &) = delete;

    bool isOpen() const { return m_open; }
    std::string error() const { return m_error.toStdString(); }

    // All rows of a statement, every value as text (NULL as "<null>"); fails the test on error.
    std::vector<std::vector<std::string>> rows(const QString &sql) const {
        std::vector<std::vector<std::string>> out;
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql)) {
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return out;
        }
        while (q.next()) {
            std::vector<std::string> row;
            for (int i = 0; i < q.record().count(); ++i)
                row.push_back(q.value(i).isNull() ? std::string("<null>")
                                                  : q.value(i).toString().toStdString());
            out.push_back(row);
        }
        return out;
    }

    // The first column of the first row, or "<none>" without rows.
    std::string scalar(const QString &sql) const {
        const auto r = rows(sql);
        return r.empty() || r.front().empty() ? std::string("<none>") : r.front().front();
    }

private:
    QString m_name;
    QString m_error;
    bool m_open = false;
};

using Rows = std::vector<std::vector<std::string>>;

class OracleDictionaryFixture : public ::testing::Test {
protected:
    FixtureConnection m_db{QStringLiteral("fixtures_test_oracle"), oracleFixturePath()};
    void SetUp() override { ASSERT_TRUE(m_db.isOpen()) << m_db.error(); }
};

class DemoDatabase : public ::testing::Test {
protected:
    FixtureConnection m_db{QStringLiteral("fixtures_test_demo"), demoDatabasePath()};
    void SetUp() override { ASSERT_TRUE(m_db.isOpen()) << m_db.error(); }
};

TEST_F(OracleDictionaryFixture, ListsTheObjectsOfEveryKind) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"TABLE", {"DEPT", "EMP", "EMPLOYEES", "PROJECT", "PROJECT_MEMBER", "TEMP_LOG"}},
        {"VIEW", {"V_DEPT_NAMES", "V_EMP_DEPT"}},
        {"PROCEDURE", {"RAISE_SALARY"}},
        {"FUNCTION", {"GET_DEPT_NAME"}},
        {"PACKAGE", {"EMP_MGMT", "PAYROLL"}},
        {"PACKAGE BODY", {"EMP_MGMT", "PAYROLL"}},
        {"SYNONYM", {"DEPARTMENTS", "REMOTE_ORDERS"}},
        {"TRIGGER", {"TRG_EMPLOYEES_BIU"}},
        {"INDEX",
         {"IX_EMPLOYEES_DEPT", "PK_DEPT", "PK_EMP", "PK_EMPLOYEES", "PK_PROJECT",
          "PK_PROJECT_MEMBER", "UK_EMPLOYEES_NAME"}},
        {"TYPE", {"ADDRESS_T"}},
        {"DATABASE LINK", {"SALES_LINK"}},
    };
    std::map<std::string, std::vector<std::string>> actual;
    for (const auto &r : m_db.rows(QStringLiteral(
             "SELECT OBJECT_TYPE, OBJECT_NAME FROM USER_OBJECTS ORDER BY OBJECT_NAME")))
        actual[r[0]].push_back(r[1]);
    EXPECT_EQ(actual, expected);
}

TEST_F(OracleDictionaryFixture, EmpColumnsAndConstraintsMatchTheClassicExample) {
    const Rows columns = {
        {"1", "EMPNO", "NUMBER", "22", "4", "0", "N", ""},
        {"2", "ENAME", "VARCHAR2", "10", "<null>", "<null>", "Y", ""},
        {"3", "DEPTNO", "NUMBER", "22", "2", "0", "Y", ""},
    };
    EXPECT_EQ(m_db.rows(QStringLiteral(
                  "SELECT COLUMN_ID, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, "
                  "DATA_SCALE, NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS "
                  "WHERE TABLE_NAME = 'EMP' ORDER BY COLUMN_ID")),
              columns);

    const Rows constraints = {
        {"FK_DEPTNO", "R", "PK_DEPT", "NO ACTION", "DEPTNO", "1"},
        {"PK_EMP", "P", "", "", "EMPNO", "1"},
        {"SYS_C0010201", "C", "", "", "EMPNO", "<null>"},
    };
    EXPECT_EQ(m_db.rows(QStringLiteral(
                  "SELECT A.CONSTRAINT_NAME, A.CONSTRAINT_TYPE, A.R_CONSTRAINT_NAME, "
                  "A.DELETE_RULE, B.COLUMN_NAME, B.POSITION "
                  "FROM USER_CONSTRAINTS A, USER_CONS_COLUMNS B "
                  "WHERE A.CONSTRAINT_NAME = B.CONSTRAINT_NAME AND A.TABLE_NAME = 'EMP' "
                  "ORDER BY A.CONSTRAINT_NAME")),
              constraints);
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS "
                                         "WHERE CONSTRAINT_NAME = 'SYS_C0010201'")),
              "\"EMPNO\" IS NOT NULL");
}

TEST_F(OracleDictionaryFixture, EveryColumnIsRecordedWithItsOracleType) {
    // The type facts of the table with every kind of column the source builder distinguishes.
    const Rows employees = {
        {"EMPLOYEE_ID", "NUMBER", "22", "6", "0", "N", ""},
        {"LAST_NAME", "VARCHAR2", "25", "<null>", "<null>", "N", ""},
        {"FIRST_NAME", "VARCHAR2", "20", "<null>", "<null>", "Y", ""},
        {"EMAIL", "VARCHAR2", "25", "<null>", "<null>", "N", ""},
        {"HIRE_DATE", "DATE", "7", "<null>", "<null>", "N", "SYSDATE"},
        {"JOB_TITLE", "VARCHAR2", "35", "<null>", "<null>", "Y", ""},
        {"SALARY", "NUMBER", "22", "8", "2", "Y", ""},
        {"COMMISSION_PCT", "NUMBER", "22", "2", "2", "Y", ""},
        {"BONUS", "NUMBER", "22", "<null>", "<null>", "Y", ""},
        {"GRADE", "NUMBER", "22", "10", "0", "Y", ""},
        {"ACTIVE_FLAG", "CHAR", "1", "<null>", "<null>", "N", "'Y'"},
        {"DEPTNO", "NUMBER", "22", "2", "0", "Y", ""},
        {"MANAGER_ID", "NUMBER", "22", "6", "0", "Y", ""},
        {"UPDATED_AT", "TIMESTAMP(6)", "11", "<null>", "6", "Y", ""},
    };
    EXPECT_EQ(m_db.rows(QStringLiteral(
                  "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
                  "NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS "
                  "WHERE TABLE_NAME = 'EMPLOYEES' ORDER BY COLUMN_ID")),
              employees);
}

TEST_F(OracleDictionaryFixture, AbsentTextsAreEmptyAndAbsentNumbersNull) {
    // NULL-safe concatenation in the catalog statements depends on this convention.
    const QStringList views = {
        QStringLiteral("USER_OBJECTS"),     QStringLiteral("USER_TAB_COLUMNS"),
        QStringLiteral("USER_CONSTRAINTS"), QStringLiteral("USER_CONS_COLUMNS"),
        QStringLiteral("USER_VIEWS"),       QStringLiteral("USER_SOURCE"),
        QStringLiteral("USER_SYNONYMS"),    QStringLiteral("USER_TRIGGERS"),
        QStringLiteral("USER_INDEXES"),     QStringLiteral("USER_IND_COLUMNS"),
        QStringLiteral("USER_DB_LINKS"),    QStringLiteral("USER_ERRORS"),
    };
    for (const QString &view : views) {
        const Rows info = m_db.rows(QStringLiteral("PRAGMA table_info(%1)").arg(view));
        ASSERT_FALSE(info.empty()) << view.toStdString() << " is missing";
        for (const auto &column : info) {
            const QString name = QString::fromStdString(column[1]);
            const bool isNumber = column[2] == "NUMBER";
            const QString bad =
                isNumber ? QStringLiteral("SELECT COUNT(*) FROM %1 WHERE typeof(\"%2\") = 'text'")
                         : QStringLiteral("SELECT COUNT(*) FROM %1 WHERE \"%2\" IS NULL");
            EXPECT_EQ(m_db.scalar(bad.arg(view, name)), "0")
                << view.toStdString() << "." << column[1]
                << (isNumber ? " holds text" : " holds NULL");
        }
    }
}

TEST_F(OracleDictionaryFixture, StoredSourceLinesEndWithLineFeedAndAreNumberedFromOne) {
    EXPECT_EQ(m_db.scalar(QStringLiteral(
                  "SELECT COUNT(*) FROM USER_SOURCE WHERE substr(TEXT, -1) <> char(10)")),
              "0");
    // Every PL/SQL unit has source lines 1..n without gaps.
    const Rows units = m_db.rows(QStringLiteral(
        "SELECT O.OBJECT_NAME, O.OBJECT_TYPE, COUNT(S.LINE), COALESCE(MIN(S.LINE), 0), "
        "COALESCE(MAX(S.LINE), 0) FROM USER_OBJECTS O LEFT JOIN USER_SOURCE S "
        "ON S.NAME = O.OBJECT_NAME AND S.TYPE = O.OBJECT_TYPE "
        "WHERE O.OBJECT_TYPE IN ('PROCEDURE','FUNCTION','PACKAGE','PACKAGE BODY','TYPE') "
        "GROUP BY O.OBJECT_NAME, O.OBJECT_TYPE"));
    EXPECT_EQ(units.size(), 7u);
    for (const auto &u : units) {
        EXPECT_NE(u[2], "0") << u[0] << " " << u[1] << " has no source";
        EXPECT_EQ(u[3], "1") << u[0] << " " << u[1];
        EXPECT_EQ(u[4], u[2]) << u[0] << " " << u[1] << " has gaps in its line numbers";
    }
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM USER_SOURCE S WHERE NOT EXISTS "
                                         "(SELECT 1 FROM USER_OBJECTS O WHERE O.OBJECT_NAME = "
                                         "S.NAME AND O.OBJECT_TYPE = S.TYPE)")),
              "0");
}

TEST_F(OracleDictionaryFixture, OnlyTheInvalidPackageBodyHasErrors) {
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT OBJECT_NAME, OBJECT_TYPE FROM USER_OBJECTS "
                                       "WHERE STATUS <> 'VALID'")),
              (Rows{{"PAYROLL", "PACKAGE BODY"}}));
    const Rows errors = m_db.rows(QStringLiteral(
        "SELECT E.NAME, E.TYPE, E.SEQUENCE, E.LINE, E.POSITION, instr(E.TEXT, char(10)) > 0, "
        "(SELECT length(S.TEXT) FROM USER_SOURCE S WHERE S.NAME = E.NAME AND S.TYPE = E.TYPE "
        "AND S.LINE = E.LINE) FROM USER_ERRORS E"));
    ASSERT_EQ(errors.size(), 3u);
    int multiLine = 0;
    for (size_t i = 0; i < errors.size(); ++i) {
        const auto &e = errors[i];
        EXPECT_EQ(e[0], "PAYROLL");
        EXPECT_EQ(e[1], "PACKAGE BODY");
        EXPECT_EQ(e[2], std::to_string(i + 1)) << "rows are stored in SEQUENCE order";
        // The error points into an existing source line, within its text.
        ASSERT_NE(e[6], "<null>") << "error line " << e[3] << " has no source line";
        EXPECT_LE(std::stoi(e[4]), std::stoi(e[6])) << "position beyond line " << e[3];
        multiLine += e[5] == "1" ? 1 : 0;
    }
    EXPECT_EQ(multiLine, 1) << "one error text spans two lines";
}

TEST_F(OracleDictionaryFixture, ConstraintsAndIndexesReferToExistingColumns) {
    const std::vector<std::pair<const char *, QString>> dangling = {
        {"constraint column not in its table",
         QStringLiteral("SELECT COUNT(*) FROM USER_CONS_COLUMNS B WHERE NOT EXISTS (SELECT 1 "
                        "FROM USER_TAB_COLUMNS C WHERE C.TABLE_NAME = B.TABLE_NAME AND "
                        "C.COLUMN_NAME = B.COLUMN_NAME)")},
        {"constraint column without constraint",
         QStringLiteral("SELECT COUNT(*) FROM USER_CONS_COLUMNS B WHERE NOT EXISTS (SELECT 1 "
                        "FROM USER_CONSTRAINTS A WHERE A.CONSTRAINT_NAME = B.CONSTRAINT_NAME "
                        "AND A.TABLE_NAME = B.TABLE_NAME AND A.OWNER = B.OWNER)")},
        {"constraint without columns",
         QStringLiteral("SELECT COUNT(*) FROM USER_CONSTRAINTS A WHERE NOT EXISTS (SELECT 1 "
                        "FROM USER_CONS_COLUMNS B WHERE A.CONSTRAINT_NAME = B.CONSTRAINT_NAME)")},
        {"foreign key to a missing key",
         QStringLiteral("SELECT COUNT(*) FROM USER_CONSTRAINTS A WHERE A.CONSTRAINT_TYPE = 'R' "
                        "AND NOT EXISTS (SELECT 1 FROM USER_CONSTRAINTS K WHERE "
                        "K.CONSTRAINT_NAME = A.R_CONSTRAINT_NAME AND K.CONSTRAINT_TYPE IN "
                        "('P','U'))")},
        {"foreign key column count differs from its key",
         QStringLiteral("SELECT COUNT(*) FROM USER_CONSTRAINTS A WHERE A.CONSTRAINT_TYPE = 'R' "
                        "AND (SELECT COUNT(*) FROM USER_CONS_COLUMNS B WHERE B.CONSTRAINT_NAME "
                        "= A.CONSTRAINT_NAME) <> (SELECT COUNT(*) FROM USER_CONS_COLUMNS B "
                        "WHERE B.CONSTRAINT_NAME = A.R_CONSTRAINT_NAME)")},
        {"index column not in its table",
         QStringLiteral("SELECT COUNT(*) FROM USER_IND_COLUMNS I WHERE NOT EXISTS (SELECT 1 "
                        "FROM USER_TAB_COLUMNS C WHERE C.TABLE_NAME = I.TABLE_NAME AND "
                        "C.COLUMN_NAME = I.COLUMN_NAME)")},
        {"index without index object",
         QStringLiteral("SELECT COUNT(*) FROM USER_INDEXES X WHERE NOT EXISTS (SELECT 1 FROM "
                        "USER_OBJECTS O WHERE O.OBJECT_NAME = X.INDEX_NAME AND O.OBJECT_TYPE = "
                        "'INDEX') OR NOT EXISTS (SELECT 1 FROM USER_IND_COLUMNS I WHERE "
                        "I.INDEX_NAME = X.INDEX_NAME)")},
        {"index object without index",
         QStringLiteral("SELECT COUNT(*) FROM USER_OBJECTS O WHERE O.OBJECT_TYPE = 'INDEX' AND "
                        "NOT EXISTS (SELECT 1 FROM USER_INDEXES X WHERE X.INDEX_NAME = "
                        "O.OBJECT_NAME)")},
        {"table or view without columns",
         QStringLiteral("SELECT COUNT(*) FROM USER_OBJECTS O WHERE O.OBJECT_TYPE IN "
                        "('TABLE','VIEW') AND NOT EXISTS (SELECT 1 FROM USER_TAB_COLUMNS C "
                        "WHERE C.TABLE_NAME = O.OBJECT_NAME)")},
        {"column of no table or view",
         QStringLiteral("SELECT COUNT(*) FROM USER_TAB_COLUMNS C WHERE NOT EXISTS (SELECT 1 "
                        "FROM USER_OBJECTS O WHERE O.OBJECT_NAME = C.TABLE_NAME AND "
                        "O.OBJECT_TYPE IN ('TABLE','VIEW'))")},
        {"view without text",
         QStringLiteral("SELECT COUNT(*) FROM USER_OBJECTS O WHERE O.OBJECT_TYPE = 'VIEW' AND "
                        "NOT EXISTS (SELECT 1 FROM USER_VIEWS V WHERE V.VIEW_NAME = "
                        "O.OBJECT_NAME AND V.TEXT <> '')")},
    };
    for (const auto &[what, sql] : dangling)
        EXPECT_EQ(m_db.scalar(sql), "0") << what;
}

TEST_F(OracleDictionaryFixture, TablesAndViewsExistWithTheirDictionaryColumns) {
    // The grid opens the schema's tables, views and local synonyms as real SQLite relations.
    const Rows relations = m_db.rows(
        QStringLiteral("SELECT OBJECT_NAME FROM USER_OBJECTS WHERE OBJECT_TYPE IN ('TABLE','VIEW') "
                       "UNION ALL SELECT SYNONYM_NAME FROM USER_SYNONYMS WHERE DB_LINK = ''"));
    ASSERT_EQ(relations.size(), 9u);
    for (const auto &r : relations) {
        const QString name = QString::fromStdString(r[0]);
        Rows dictionary =
            m_db.rows(QStringLiteral("SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = "
                                     "COALESCE((SELECT TABLE_NAME FROM USER_SYNONYMS WHERE "
                                     "SYNONYM_NAME = '%1'), '%1') ORDER BY COLUMN_ID")
                          .arg(name));
        Rows real;
        for (const auto &c : m_db.rows(QStringLiteral("PRAGMA table_info(%1)").arg(name)))
            real.push_back({c[1]});
        EXPECT_EQ(real, dictionary) << r[0];
    }
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM EMP")), "14");
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM DEPT")), "4");
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM V_EMP_DEPT")), "14");
}

TEST_F(OracleDictionaryFixture, ViewTriggerSynonymAndLinkTextsAreStoredAsOracleHasThem) {
    const Rows views = {
        {"V_DEPT_NAMES", "SELECT DNAME\n  FROM DEPT\n"},
        {"V_EMP_DEPT", "SELECT E.EMPNO,\n       E.ENAME,\n       D.DNAME,\n       D.LOC\n"
                       "  FROM EMP E,\n       DEPT D\n\n WHERE E.DEPTNO = D.DEPTNO"},
    };
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT VIEW_NAME, TEXT FROM USER_VIEWS ORDER BY 1")),
              views);
    EXPECT_EQ(m_db.scalar(QStringLiteral(
                  "SELECT COUNT(*) FROM USER_VIEWS WHERE TEXT_LENGTH <> length(TEXT)")),
              "0");
    EXPECT_EQ(
        m_db.rows(QStringLiteral(
            "SELECT TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER, TABLE_NAME, STATUS, "
            "instr(TRIGGER_BODY, char(10) || char(10)) > 0 FROM USER_TRIGGERS")),
        (Rows{{"BEFORE EACH ROW", "INSERT OR UPDATE", "KELVORAN", "EMPLOYEES", "ENABLED", "1"}}));
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK "
                                       "FROM USER_SYNONYMS ORDER BY 1")),
              (Rows{{"DEPARTMENTS", "KELVORAN", "DEPT", ""},
                    {"REMOTE_ORDERS", "SALES", "ORDERS", "SALES_LINK"}}));
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT DB_LINK, USERNAME, PASSWORD, HOST FROM "
                                       "USER_DB_LINKS")),
              (Rows{{"SALES_LINK", "SALES", "", "salesdb.example.com:1521/SALES"}}));
}

TEST_F(DemoDatabase, HoldsTheGeneratedRows) {
    const std::vector<std::pair<QString, std::string>> counts = {
        {QStringLiteral("regions"), "4"},   {QStringLiteral("branches"), "10"},
        {QStringLiteral("products"), "12"}, {QStringLiteral("customers"), "40"},
        {QStringLiteral("orders"), "360"},  {QStringLiteral("order_lines"), "720"},
        {QStringLiteral("v_sales"), "720"},
    };
    for (const auto &[table, count] : counts)
        EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)), count)
            << table.toStdString();
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT SUM(quantity), SUM(amount) FROM order_lines")),
              (Rows{{"6960", "9686548"}}));
}

TEST_F(DemoDatabase, GroupsCoverTheYearAndKeepCodesAsText) {
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT region_name, COUNT(*) FROM v_sales "
                                       "GROUP BY region_code ORDER BY region_code")),
              (Rows{{"東京", "216"}, {"大阪", "216"}, {"名古屋", "144"}, {"福岡", "144"}}));
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT MIN(order_date), MAX(order_date), "
                                       "COUNT(DISTINCT sales_month) FROM v_sales")),
              (Rows{{"2024-01-01", "2024-12-30", "12"}}));
    EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT MIN(n) FROM (SELECT COUNT(*) AS n FROM "
                                         "v_sales GROUP BY branch_code)")),
              "72");
    // Leading zeros survive because the codes are stored as text.
    EXPECT_EQ(m_db.rows(QStringLiteral("SELECT typeof(product_code), product_name FROM "
                                       "products WHERE product_code = '00123'")),
              (Rows{{"text", "コピー用紙 A4 500枚"}}));
    for (const char *column : {"region_code", "branch_code", "customer_code", "product_code"})
        EXPECT_EQ(m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM v_sales WHERE typeof(%1) "
                                             "<> 'text' OR substr(%1, 1, 1) <> '0'")
                                  .arg(QLatin1String(column))),
                  "0")
            << column;
}

} // namespace

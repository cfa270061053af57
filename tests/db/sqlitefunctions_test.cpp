#include "db/dbsession.h"
#include "tests/db/qstringprinter.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

class OracleFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        AliasInfo a;
        a.name = QStringLiteral("MEM");
        a.driver = QStringLiteral("QSQLITE");
        a.driverName = QStringLiteral("ORACLE dictionary");
        a.database = QStringLiteral(":memory:");
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), AliasList({a}));
        DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("MEM"));
        ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
        m_db = *db;
    }
    void TearDown() override {
        m_db = QSqlDatabase();
        m_session.reset();
    }
    // The single value of a one-row query, with its SQLite type.
    std::pair<QString, QString> value(const QString &expression) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT %1, typeof(%1)").arg(expression)) || !q.next())
            return {QStringLiteral("<error: ") + q.lastError().text() + u'>', QString()};
        return {q.value(0).isNull() ? QStringLiteral("<NULL>") : q.value(0).toString(),
                q.value(1).toString()};
    }

    std::unique_ptr<DbSession> m_session;
    QSqlDatabase m_db;
};

} // namespace

TEST_F(OracleFunctionsTest, DecodeAndNvlFollowOracle) {
    struct Case {
        const char *expression;
        const char *result;
        const char *type;
    };
    const Case cases[] = {
        // A NULL result is the empty text, so || keeps the other side as Oracle's does.
        {"'DATE'||DECODE('DATE','DATE',NULL,'(7)')", "DATE", "text"},
        {"'NUMBER'||DECODE('NUMBER','DATE',NULL,'(22)')", "NUMBER(22)", "text"},
        {"DECODE('A','B','b')", "", "text"}, // no match, no default
        {"DECODE('A','B','b','dflt')", "dflt", "text"},
        {"DECODE('B','A','a','B','b','dflt')", "b", "text"},
        // NULL matches NULL, and the empty text is NULL on either side.
        {"DECODE(NULL,NULL,'null','other')", "null", "text"},
        {"DECODE('',NULL,'null','other')", "null", "text"},
        {"DECODE(NULL,'','null','other')", "null", "text"},
        {"DECODE('x',NULL,'null','other')", "other", "text"},
        {"DECODE(NULL,'x','x','other')", "other", "text"},
        // Numbers compare as numbers, also against texts that read as numbers.
        {"DECODE(10,10.0,'ten','other')", "ten", "text"},
        {"DECODE(1,'1','one','other')", "one", "text"},
        {"DECODE('2',2,'two','other')", "two", "text"},
        {"DECODE(1,'x','x','other')", "other", "text"},
        // Texts compare exactly: case and trailing blanks count.
        {"DECODE('abc','ABC','upper','other')", "other", "text"},
        {"DECODE('a ','a','same','other')", "other", "text"},
        // A result keeps its type.
        {"DECODE(1,1,42,0)", "42", "integer"},
        {"DECODE(1,2,42)", "", "text"},
        {"NVL(NULL,'b')", "b", "text"},
        {"NVL('','b')", "b", "text"},
        {"NVL('a','b')", "a", "text"},
        {"NVL(NULL,NULL)", "", "text"},
        {"'X'||NVL(NULL,NULL)||'Y'", "XY", "text"},
        {"NVL(5,0)", "5", "integer"},
        {"NVL(NULL,0)", "0", "integer"},
    };
    for (const Case &c : cases) {
        const auto [result, type] = value(QString::fromLatin1(c.expression));
        EXPECT_EQ(result, QString::fromLatin1(c.result)) << c.expression;
        EXPECT_EQ(type, QString::fromLatin1(c.type)) << c.expression;
    }
}

TEST_F(OracleFunctionsTest, ArgumentCountErrors) {
    for (const char *bad : {"DECODE('x')", "DECODE('x','y')", "NVL('x')"}) {
        QSqlQuery q(m_db);
        EXPECT_FALSE(q.exec(QStringLiteral("SELECT ") + QLatin1String(bad))) << bad;
    }
}

TEST_F(OracleFunctionsTest, CatalogStyleColumnTypesOnADictionaryTable) {
    QSqlQuery q(m_db);
    ASSERT_TRUE(q.exec(QStringLiteral(
        "CREATE TABLE USER_TAB_COLUMNS (COLUMN_ID INTEGER, COLUMN_NAME TEXT, DATA_TYPE TEXT, "
        "DATA_LENGTH INTEGER, DATA_PRECISION INTEGER, DATA_SCALE INTEGER, NULLABLE TEXT)")));
    ASSERT_TRUE(q.exec(
        QStringLiteral("INSERT INTO USER_TAB_COLUMNS VALUES "
                       "(1,'EMPNO','NUMBER',22,4,0,'N'),(2,'ENAME','VARCHAR2',10,NULL,NULL,'Y'),"
                       "(3,'HIREDATE','DATE',7,NULL,NULL,'Y'),(4,'SAL','NUMBER',22,7,2,'Y'),"
                       "(5,'ID','NUMBER',22,NULL,NULL,'Y')")));
    ASSERT_TRUE(q.exec(QStringLiteral(
        "SELECT COLUMN_NAME||' '||DATA_TYPE||"
        "DECODE(DATA_TYPE,'DATE',NULL,'NUMBER',"
        "DECODE(DATA_PRECISION,NULL,NULL,'('||DATA_PRECISION||DECODE(DATA_SCALE,0,NULL,"
        "','||DATA_SCALE)||')'),'('||DATA_LENGTH||')')||"
        "DECODE(NULLABLE,'N',' NOT NULL',NULL) FROM USER_TAB_COLUMNS ORDER BY COLUMN_ID")))
        << q.lastError().text().toStdString();
    QStringList lines;
    while (q.next())
        lines << q.value(0).toString();
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("EMPNO NUMBER(4) NOT NULL"),
                           QStringLiteral("ENAME VARCHAR2(10)"), QStringLiteral("HIREDATE DATE"),
                           QStringLiteral("SAL NUMBER(7,2)"), QStringLiteral("ID NUMBER")}));
}

// The one row count of the SQL tab, the report and the CSV export: COUNT(*) around a statement or
// over a table, the statement run itself on MySQL/MariaDB and where the wrapper is refused, on a
// SQLite file and, under ./test.sh, the loopback PostgreSQL and MariaDB servers.
#include "db/rowcount.h"

#include "tests/db/backendtest.h"

#include "db/aliases.h"
#include "db/dbsession.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

using Stages = std::vector<CountStage>;

// One connection to one backend (SQLITE, PGTEST, MYTEST) with a temporary table kvr_count_t of
// ten rows (n, label).
class CountDb : public test::BackendTest {
protected:
    void SetUp() override {
        openBackend("count.sqlite", "rowcount-test");
        if (stopped())
            return;
        m_kind = m_alias.kind();
        QSqlQuery q(m_db);
        ASSERT_TRUE(q.exec(
            QStringLiteral("CREATE TEMPORARY TABLE kvr_count_t (n INTEGER, label VARCHAR(20))")))
            << q.lastError().text().toStdString();
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO kvr_count_t VALUES (1, 'a'), (2, 'b'), "
                                          "(3, 'c'), (4, 'd'), (5, 'e'), (6, 'f'), (7, 'g'), "
                                          "(8, 'h'), (9, 'i'), (10, 'j')")))
            << q.lastError().text().toStdString();
    }

    CountResult count(CountRequest request, Stages &stages) {
        request.kind = m_kind;
        return countQueryRows(m_db, request, [&stages](CountStage s) { stages.push_back(s); });
    }

    DbKind m_kind = DbKind::Other;
};

TEST_P(CountDb, StatementsAndTablesWithTheirFallbacks) {
    const bool mysql = m_kind == DbKind::MySql;
    // A statement that runs but that COUNT(*) cannot wrap: its closing semicolon.
    const QString unwrappable = QStringLiteral("SELECT n FROM kvr_count_t WHERE n <= 4;");
    // What a statement takes: the wrapper elsewhere, the statement itself on MySQL/MariaDB.
    const Stages wrapped =
        mysql ? Stages{CountStage::Direct} : Stages{CountStage::Wrapper, CountStage::Counted};
    const Stages fellBack =
        mysql ? Stages{CountStage::Direct} : Stages{CountStage::Wrapper, CountStage::Fallback};
    const struct {
        const char *what;
        QStringList statement;
        std::optional<QString> table;
        qint64 expected; // -1: the count fails
        Stages stages;
    } cases[] = {
        {"wrapped statement",
         {QStringLiteral("SELECT n FROM kvr_count_t WHERE n <= 7")},
         {},
         7,
         wrapped},
        {"statement of several lines",
         {QStringLiteral("SELECT n, label"), QStringLiteral("FROM kvr_count_t"),
          QStringLiteral("WHERE n > 2")},
         {},
         8,
         wrapped},
        {"no rows", {QStringLiteral("SELECT n FROM kvr_count_t WHERE n > 100")}, {}, 0, wrapped},
        {"table",
         {},
         QStringLiteral("kvr_count_t"),
         10,
         {CountStage::Wrapper, CountStage::Counted}},
        {"missing table, no fallback",
         {},
         QStringLiteral("no_such_table"),
         -1,
         {CountStage::Wrapper}},
        {"wrapper refused, statement counted", {unwrappable}, {}, 4, fellBack},
        {"failing statement", {QStringLiteral("SELECT nope FROM kvr_count_t")}, {}, -1, fellBack},
        {"statement after a failure",
         {QStringLiteral("SELECT n FROM kvr_count_t")},
         {},
         10,
         wrapped},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        CountRequest request;
        request.statementLines = c.statement;
        request.table = c.table;
        request.subqueryName = QStringLiteral("KVR_COUNT");
        Stages stages;
        const CountResult r = count(request, stages);
        EXPECT_EQ(r.count.value_or(-1), c.expected) << r.error.text().toStdString();
        EXPECT_EQ(r.error.isValid(), c.expected < 0);
        EXPECT_EQ(stages, c.stages);
        EXPECT_EQ(r.fellBack, stages.back() == CountStage::Fallback);
        // The wrapper's own error is kept apart from the fallback's.
        EXPECT_EQ(r.wrapperError.isValid(),
                  stages.back() != CountStage::Counted && stages.front() == CountStage::Wrapper);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, CountDb, testing::Values("SQLITE", "PGTEST", "MYTEST"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             return std::string(p.param);
                         });

TEST(RowCount, SubqueryNameAndFallbackRules) {
    QTemporaryDir dir;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count_rules"));
        db.setDatabaseName(dir.filePath(QStringLiteral("rules.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t AS SELECT 1 AS n UNION ALL SELECT 2")));
        const auto run = [&](DbKind kind, const QString &name, CountFallback fallback,
                             Stages &stages) {
            CountRequest request;
            request.kind = kind;
            request.statementLines = {QStringLiteral("SELECT n FROM t")};
            request.subqueryName = name;
            request.fallback = fallback;
            return countQueryRows(db, request, [&stages](CountStage s) { stages.push_back(s); });
        };

        // "ORDER" as the name breaks the wrapper, unless the kind is Oracle, which gets none.
        const struct {
            DbKind kind;
            Stages stages;
        } naming[] = {{DbKind::Oracle, {CountStage::Wrapper, CountStage::Counted}},
                      {DbKind::Other, {CountStage::Wrapper, CountStage::Fallback}}};
        for (const auto &c : naming) {
            Stages stages;
            EXPECT_EQ(
                run(c.kind, QStringLiteral("ORDER"), CountFallback::WhileConnected, stages).count,
                2);
            EXPECT_EQ(stages, c.stages);
        }

        // On a closed connection only the Always rule still tries the statement itself.
        db.close();
        const struct {
            CountFallback fallback;
            Stages stages;
        } closed[] = {{CountFallback::Always, {CountStage::Wrapper, CountStage::Fallback}},
                      {CountFallback::WhileOpen, {CountStage::Wrapper}},
                      {CountFallback::WhileConnected, {CountStage::Wrapper}}};
        for (const auto &c : closed) {
            Stages stages;
            const CountResult r = run(DbKind::Other, QStringLiteral("N"), c.fallback, stages);
            EXPECT_FALSE(r.count.has_value());
            EXPECT_EQ(stages, c.stages);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count_rules"));
}

QSqlDatabase openPostgres(const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_PG_PORT"));
    db.setDatabaseName(QStringLiteral("kelvoran"));
    db.setUserName(QStringLiteral("kelvoran"));
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    db.open();
    return db;
}

QSqlDatabase openMySql(const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_MY_PORT"));
    db.setDatabaseName(QStringLiteral("kelvoran"));
    db.setUserName(QStringLiteral("kelvoran"));
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    db.open();
    return db;
}

void drop(const QString &name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

TEST(CountResultRows, CountsWithoutKeepingRowsAndLeavesTheUsersTransactionAlone) {
    QSqlError error;
    {
        QSqlDatabase lite =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count_lite"));
        lite.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(lite.open());
        EXPECT_EQ(
            countResultRows(
                lite,
                QStringLiteral("WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s "
                               "WHERE n < 1234) SELECT n FROM s"),
                error),
            1234);
        EXPECT_FALSE(
            countResultRows(lite, QStringLiteral("SELECT * FROM nothing"), error).has_value());
        EXPECT_TRUE(error.isValid());
    }
    drop(QStringLiteral("count_lite"));
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase pg = openPostgres(QStringLiteral("count_pg"));
        EXPECT_EQ(
            countResultRows(pg, QStringLiteral("SELECT g FROM generate_series(1, 1234) g"), error),
            1234);
        // Inside a transaction the user began, the count neither commits nor ends it.
        QSqlQuery q(pg);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN")));
        ASSERT_TRUE(
            q.exec(QStringLiteral("INSERT INTO audit_log (log_level, message) VALUES (74, 'x')")));
        EXPECT_EQ(
            countResultRows(pg, QStringLiteral("SELECT g FROM generate_series(1, 10) g"), error),
            10);
        ASSERT_TRUE(q.exec(QStringLiteral("ROLLBACK")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM audit_log WHERE log_level = 74")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 0);
        EXPECT_FALSE(
            countResultRows(pg, QStringLiteral("SELECT nope FROM staff"), error).has_value());
        EXPECT_EQ(error.nativeErrorCode(), QStringLiteral("42703"));

        QSqlDatabase my = openMySql(QStringLiteral("count_my"));
        EXPECT_EQ(countResultRows(my, QStringLiteral("SELECT seq FROM seq_1_to_1234"), error),
                  1234);
        QSqlQuery after(my);
        EXPECT_TRUE(after.exec(QStringLiteral("SELECT 1")));
    }
    drop(QStringLiteral("count_pg"));
    drop(QStringLiteral("count_my"));
}

} // namespace

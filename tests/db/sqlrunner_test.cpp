#include "db/sqlrunner.h"

#include "db/procedurecall.h"
#include "tests/support/sqlrunnerfixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <iostream>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

using SqlRunnerTest = test::SqlRunnerFixture;

TEST_F(SqlRunnerTest, OracleQueryOpensWithAliasesInTheRebuiltText) {
    const auto outcome =
        runQuery(QStringLiteral("ORAFIX"),
                 parts(QStringLiteral("SELECT "),
                       {{QStringLiteral("DEPTNO"), QString()},
                        {QStringLiteral("DNAME"), QStringLiteral("NAME")}},
                       {QStringLiteral("FROM DEPT")}, {QStringLiteral("WHERE DEPTNO = 10")}));
    EXPECT_TRUE(outcome.ran);
    EXPECT_EQ(outcome.resultState, 0);
    EXPECT_EQ(
        outcome.sentText,
        QStringLiteral("SELECT  \n DEPTNO  \n ,DNAME NAME \n FROM DEPT \n WHERE DEPTNO = 10 "));
    ASSERT_EQ(m_runner.resultModel()->rowCount(), 1);
    EXPECT_EQ(m_runner.resultModel()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("NAME"));
}

TEST_F(SqlRunnerTest, ScannedOracleQueryKeepsTheHintInTheHead) {
    const QStringList lines{QStringLiteral("select /*+ FULL(d) */ d.DNAME dept_name, 'a, b' x"),
                            QStringLiteral("  from DEPT d -- all of them"),
                            QStringLiteral(" where d.DEPTNO >= 10")};
    const auto outcome =
        m_runner.run(makeSqlRunInput(QStringLiteral("ORAFIX"), lines, AnalyzeSelect(lines, true)));
    EXPECT_EQ(outcome.resultState, 0) << outcome.messages.join(u'|').toStdString();
    EXPECT_TRUE(outcome.sentText.startsWith(QStringLiteral("select  /*+ FULL(d) */")))
        << outcome.sentText.toStdString();
    EXPECT_TRUE(outcome.sentText.contains(QStringLiteral("\n ,'a, b' x \n")))
        << outcome.sentText.toStdString();
    EXPECT_EQ(m_runner.resultModel()->columnCount(), 2);
    EXPECT_GT(m_runner.resultModel()->rowCount(), 0);
}

TEST_F(SqlRunnerTest, CountWithoutConnectionShowsDbErrorTextWithStepCode) {
    m_runner.setRowCounting(true);
    const auto outcome = runQuery(
        QStringLiteral("GONE"),
        parts(QStringLiteral("SELECT "), {{QStringLiteral("a"), {}}}, {QStringLiteral("FROM t")}));
    ASSERT_EQ(outcome.messages.size(), 1);
    EXPECT_TRUE(outcome.messages[0].startsWith(QStringLiteral("Category    :33\r\n")));
    EXPECT_TRUE(outcome.messages[0].endsWith(QStringLiteral("\r\nPDS_120001")))
        << outcome.messages[0].toStdString();
    // The query is not opened and has no row count.
    EXPECT_EQ(outcome.resultState, 1);
    EXPECT_EQ(outcome.rowCount, -1);
    EXPECT_FALSE(outcome.resultOpen);
}

TEST_F(SqlRunnerTest, NoAliasRunsNothing) {
    const auto outcome = runText(QStringLiteral("NOSUCH"), {QStringLiteral("DELETE FROM DEPT")}, 0);
    EXPECT_FALSE(outcome.ran);
    EXPECT_TRUE(outcome.messages.isEmpty());
}

TEST_F(SqlRunnerTest, PostgresStatementErrorShownAsDbErrorText) {
    REQUIRE_SERVERS();
    const auto outcome = runQuery(QStringLiteral("PGTEST"),
                                  parts(QStringLiteral("SELECT "), {{QStringLiteral("x"), {}}},
                                        {QStringLiteral("FROM no_such_table")}));
    EXPECT_EQ(outcome.resultState, 2);
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.resultOpen);
    ASSERT_EQ(outcome.messages.size(), 1);
    const QStringList lines = outcome.messages[0].split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Category    :34"));
    EXPECT_EQ(lines[1], QStringLiteral("ErrorCode   :8705"));
    EXPECT_EQ(lines[2], QStringLiteral("SubCode     :1"));
    EXPECT_EQ(lines[3],
              QStringLiteral("NativeError :%1").arg(packSqlState(QStringLiteral("42P01"))));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("Message     :"))) << lines[4].toStdString();
    EXPECT_TRUE(lines[4].contains(QStringLiteral("no_such_table")));
    EXPECT_FALSE(m_runner.resultModel()->isOpen());
}

TEST_F(SqlRunnerTest, PostgresQueryCountedAndTitledByAliases) {
    REQUIRE_SERVERS();
    m_runner.setRowCounting(true);
    const auto outcome =
        runQuery(QStringLiteral("PGTEST"),
                 parts(QStringLiteral("SELECT "),
                       {{QStringLiteral("staff_id"), QStringLiteral("\"No\"")},
                        {QStringLiteral("salary"), QString()}},
                       {QStringLiteral("FROM staff")}, {QStringLiteral("WHERE dept_id = 10")}));
    ASSERT_EQ(outcome.resultState, 0) << outcome.messages.join(u'|').toStdString();
    const qint64 expected = scalar(QStringLiteral("PGTEST"),
                                   QStringLiteral("SELECT COUNT(*) FROM staff WHERE dept_id = 10"))
                                .toLongLong();
    EXPECT_GT(expected, 0);
    EXPECT_EQ(outcome.rowCount, expected);
    EXPECT_EQ(m_runner.lastRowCount(), expected);
    // Aliases are left out of the rebuilt text on PostgreSQL and become the column titles.
    EXPECT_FALSE(outcome.sentText.contains(QStringLiteral("\"No\"")));
    EXPECT_EQ(m_runner.resultModel()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("\"No\""));
    EXPECT_EQ(m_runner.resultModel()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("salary"));
}

TEST_F(SqlRunnerTest, CountWrapperFailureFallsBackToSteppingThroughRows) {
    REQUIRE_SERVERS();
    // PostgreSQL 15 refuses the Oracle form of the wrapper (a subquery in FROM without a name);
    // the connection stays open, so the statement itself is opened and its rows counted.
    m_runner.setRowCounting(true);
    const auto outcome =
        runQuery(QStringLiteral("PGORA"),
                 parts(QStringLiteral("SELECT "), {{QStringLiteral("g"), QStringLiteral("n")}},
                       {QStringLiteral("FROM generate_series(1, 1234) g")}));
    EXPECT_TRUE(outcome.messages.isEmpty()) << outcome.messages.join(u'|').toStdString();
    EXPECT_EQ(outcome.rowCount, 1234);
    EXPECT_EQ(outcome.resultState, 0);
    EXPECT_EQ(m_runner.resultModel()->rowCount(), 1000);
}

TEST_F(SqlRunnerTest, TableCountFailureIsReportedWithStepCode) {
    REQUIRE_SERVERS();
    const RowCount count =
        m_runner.countRows(QStringLiteral("PGTEST"), {QStringLiteral("no_such_table")}, false);
    EXPECT_FALSE(count.ok);
    EXPECT_EQ(count.count, -1);
    ASSERT_EQ(count.messages.size(), 1);
    EXPECT_TRUE(count.messages[0].startsWith(QStringLiteral("Message     :")));
    EXPECT_TRUE(count.messages[0].contains(QStringLiteral(" PDS_1200")))
        << count.messages[0].toStdString();
    const RowCount table =
        m_runner.countRows(QStringLiteral("PGTEST"), {QStringLiteral("departments")}, false);
    EXPECT_TRUE(table.ok);
    EXPECT_GT(table.count, 0);
}

TEST_F(SqlRunnerTest, PlainStatementReachesServerWithCrSeparator) {
    REQUIRE_SERVERS();
    m_runner.setLineSeparator(QStringLiteral("\r"));
    const auto outcome =
        runText(QStringLiteral("PGTEST"),
                {QStringLiteral("INSERT INTO audit_log (log_level, message) VALUES (71, 'line 1"),
                 QStringLiteral("line 2')")},
                0);
    EXPECT_EQ(outcome.messages, QStringList{SqlRunner::SqlDoneMessage});
    EXPECT_TRUE(outcome.sentText.endsWith(QStringLiteral("line 1\rline 2')\r")));
    EXPECT_EQ(scalar(QStringLiteral("PGTEST"),
                     QStringLiteral("SELECT message FROM audit_log WHERE log_level = 71"))
                  .toString(),
              QStringLiteral("line 1\rline 2"));
    // A ":name" is sent as it is, not taken for a placeholder.
    const auto colon = runText(
        QStringLiteral("PGTEST"),
        {QStringLiteral("UPDATE audit_log SET message = 'a:b' || :x WHERE log_level = 71")}, 0);
    EXPECT_TRUE(colon.failed);
    EXPECT_TRUE(colon.messages.value(0).startsWith(QStringLiteral("Message     :")));
    runText(QStringLiteral("PGTEST"),
            {QStringLiteral("DELETE FROM audit_log WHERE log_level = 71")}, 0);
}

TEST_F(SqlRunnerTest, MySqlSelectWithoutFromShowsItsRowAndShowFillsTheGrid) {
    REQUIRE_SERVERS();
    const QStringList selectOne{QStringLiteral("SELECT 1")};
    const auto plain = m_runner.run(
        makeSqlRunInput(QStringLiteral("MYTEST"), selectOne, AnalyzeSelect(selectOne, false)));
    EXPECT_EQ(plain.statementClass, StatementClass::Plain);
    EXPECT_TRUE(plain.messages.isEmpty()) << plain.messages.join(u'|').toStdString();
    EXPECT_FALSE(plain.failed);
    EXPECT_TRUE(plain.returnedRows);
    ASSERT_EQ(m_runner.resultModel()->rowCount(), 1);
    EXPECT_EQ(m_runner.resultModel()->value(0, 0).toInt(), 1);

    const QStringList showTables{QStringLiteral("SHOW TABLES")};
    const auto show = m_runner.run(
        makeSqlRunInput(QStringLiteral("MYTEST"), showTables, AnalyzeSelect(showTables, false)));
    EXPECT_FALSE(show.failed) << show.messages.join(u'|').toStdString();
    EXPECT_TRUE(show.resultOpen);
    QStringList tables;
    for (int r = 0; r < m_runner.resultModel()->rowCount(); ++r)
        tables << m_runner.resultModel()->data(m_runner.resultModel()->index(r, 0)).toString();
    EXPECT_TRUE(tables.contains(QStringLiteral("staff"))) << tables.join(u',').toStdString();
}

TEST_F(SqlRunnerTest, ProcedureCallsOnPostgresAndMySql) {
    REQUIRE_SERVERS();
    for (const QString &alias : {QStringLiteral("PGTEST"), QStringLiteral("MYTEST")}) {
        SCOPED_TRACE(alias.toStdString());
        runText(alias, {QStringLiteral("DELETE FROM audit_log WHERE log_level = 72")}, 0);
        const auto done = runText(alias, {QStringLiteral("EXEC add_log('it''s here', 72);")}, 2);
        EXPECT_EQ(done.messages, QStringList{SqlRunner::ProcedureDoneMessage})
            << done.sentText.toStdString();
        // The parameter text goes unchanged, quotes included, as a string value.
        EXPECT_EQ(
            scalar(alias, QStringLiteral("SELECT message FROM audit_log WHERE log_level = 72"))
                .toString(),
            QStringLiteral("'it''s here'"));

        const auto tooFew = runText(alias, {QStringLiteral("EXECUTE add_log('x')")}, 2);
        EXPECT_TRUE(tooFew.failed);
        EXPECT_TRUE(tooFew.messages.value(0).startsWith(QStringLiteral("Message     :")));

        const auto missing = runText(alias, {QStringLiteral("EXEC no_such_proc(1)")}, 2);
        EXPECT_EQ(missing.messages, QStringList{SqlRunner::ProcedureNotFoundMessage});
        runText(alias, {QStringLiteral("DELETE FROM audit_log WHERE log_level = 72")}, 0);
    }
}

TEST_F(SqlRunnerTest, LargeResultReadsFirstBatchAndSessionStaysFree) {
    REQUIRE_SERVERS();
    const auto outcome = runQuery(QStringLiteral("PGTEST"),
                                  parts(QStringLiteral("SELECT "), {{QStringLiteral("g"), {}}},
                                        {QStringLiteral("FROM generate_series(1, 300000) g")}));
    ASSERT_EQ(outcome.resultState, 0);
    EXPECT_EQ(m_runner.resultModel()->rowCount(), ResultModel::DefaultBatchSize);
    EXPECT_TRUE(m_runner.resultModel()->canFetchMore());
    // The session connection is not the one reading the result.
    EXPECT_EQ(
        scalar(QStringLiteral("PGTEST"), QStringLiteral("SELECT COUNT(*) FROM pg_cursors")).toInt(),
        0);
    // A statement on the alias first reads the pending rows, so the result holds no locks.
    const auto plain = runText(QStringLiteral("PGTEST"),
                               {QStringLiteral("CREATE TEMP TABLE t_settle (a int)")}, 0);
    EXPECT_FALSE(plain.failed);
    EXPECT_EQ(m_runner.resultModel()->rowCount(), 300000);
    EXPECT_FALSE(m_runner.resultModel()->canFetchMore());
}

TEST_F(SqlRunnerTest, UnreadMySqlResultIsStoppedNotDrainedWhenReplaced) {
    REQUIRE_SERVERS();
    const auto big = runQuery(QStringLiteral("MYTEST"),
                              parts(QStringLiteral("SELECT "), {{QStringLiteral("seq"), {}}},
                                    {QStringLiteral("FROM seq_1_to_500000000")}));
    ASSERT_EQ(big.resultState, 0) << big.messages.join(u'|').toStdString();
    EXPECT_EQ(m_runner.resultModel()->rowCount(), ResultModel::DefaultBatchSize);
    // Reading the 499,999,000 rows left would take far longer than this.
    QElapsedTimer timer;
    timer.start();
    const auto next = runQuery(QStringLiteral("MYTEST"),
                               parts(QStringLiteral("SELECT "), {{QStringLiteral("dept_id"), {}}},
                                     {QStringLiteral("FROM departments")}));
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_EQ(next.resultState, 0) << next.messages.join(u'|').toStdString();
    EXPECT_GT(m_runner.resultModel()->rowCount(), 0);
    EXPECT_EQ(
        scalar(QStringLiteral("MYTEST"),
               QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                              "WHERE INFO LIKE '%seq_1_to_500000000%' AND ID <> CONNECTION_ID()"))
            .toInt(),
        0);
}

// Statements that are no query to the scanner but return rows, on SQLite (a file of its own)
// and, when the test servers run, on PostgreSQL and MariaDB.
class StatementRowsTest : public testing::Test {
protected:
    static AliasList aliases() {
        static QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("lite.sqlite"));
        QFile created(file);
        created.open(QIODevice::WriteOnly | QIODevice::Append);
        std::vector<AliasInfo> all = test::sqlRunnerAliases().aliases();
        all.push_back(test::sqliteAlias(QStringLiteral("LITE"), file, QStringLiteral("SQLITE")));
        return AliasList(all);
    }

    StatementRowsTest()
        : m_session(QStringLiteral("SessionDB"), aliases(), &m_login), m_runner(m_session) {}

    SqlRunResult run(const QString &alias, const QString &text) {
        const QStringList lines = text.split(u'\n');
        return m_runner.run(makeSqlRunInput(alias, lines, AnalyzeSelect(lines, false)));
    }

    QVariant scalar(const QString &alias, const QString &sql) {
        auto db = m_session.connection(alias);
        QSqlQuery q(*db);
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }

    QStringList column(int c) {
        QStringList values;
        const ResultModel *model = m_runner.resultModel();
        for (int r = 0; r < model->rowCount(); ++r)
            values << model->value(r, c).toString();
        return values;
    }

    test::TestLogin m_login;
    DbSession m_session;
    SqlRunner m_runner;
};

struct RowsCase {
    const char *name;
    QString text;
    int column;         // the column whose values are compared
    QStringList values; // empty: any number of rows but none
};

TEST_F(StatementRowsTest, RowsOfStatementsThatAreNoQueryAreShown) {
    for (const QString &alias :
         {QStringLiteral("LITE"), QStringLiteral("PGTEST"), QStringLiteral("MYTEST")}) {
        SCOPED_TRACE(alias.toStdString());
        if (alias != u"LITE" && !test::serversStarted())
            continue;
        const bool lite = alias == u"LITE";
        // A table of the session only (SQLite: of the test's own file).
        ASSERT_FALSE(run(alias, QStringLiteral("DROP TABLE IF EXISTS rows_probe")).failed);
        const auto created =
            run(alias, (lite ? QStringLiteral("CREATE TABLE ")
                             : QStringLiteral("CREATE TEMPORARY TABLE ")) +
                           QStringLiteral("rows_probe (n integer, label varchar(20))"));
        ASSERT_EQ(created.messages, QStringList{SqlRunner::SqlDoneMessage});

        std::vector<RowsCase> cases = {
            {"WithSelect",
             QStringLiteral(
                 "WITH n(a) AS (SELECT 1 UNION ALL SELECT 2)\nSELECT a FROM n ORDER BY a"),
             0,
             {QStringLiteral("1"), QStringLiteral("2")}},
            {"SelectWithoutFrom", QStringLiteral("SELECT 1 AS one"), 0, {QStringLiteral("1")}},
            {"FunctionWithoutFrom",
             lite ? QStringLiteral("SELECT date('now')") : QStringLiteral("SELECT now()"),
             0,
             {}},
            {"Values",
             QStringLiteral("VALUES (1),(2),(3)"),
             0,
             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}},
            {"Explain", QStringLiteral("EXPLAIN SELECT * FROM rows_probe"), 0, {}},
        };
        const QString version =
            lite ? scalar(alias, QStringLiteral("SELECT sqlite_version()")).toString() : QString();
        const QStringList parts = version.split(u'.');
        const bool returning = !lite ||
                               (parts.value(0).toInt() == 3 && parts.value(1).toInt() >= 35) ||
                               parts.value(0).toInt() > 3;
        if (returning)
            cases.push_back(
                {"InsertReturning",
                 QStringLiteral("INSERT INTO rows_probe (n, label)\nVALUES (5, 'five'), "
                                "(6, 'six') RETURNING label"),
                 0,
                 {QStringLiteral("five"), QStringLiteral("six")}});
        else
            std::cout << "SQLite " << version.toStdString() << " has no RETURNING\n";
        if (lite)
            cases.push_back({"PragmaTableInfo",
                             QStringLiteral("PRAGMA table_info(rows_probe)"),
                             1,
                             {QStringLiteral("n"), QStringLiteral("label")}});

        for (const bool counting : {false, true}) {
            m_runner.setRowCounting(counting);
            run(alias, QStringLiteral("DELETE FROM rows_probe"));
            for (const RowsCase &c : cases) {
                SCOPED_TRACE(std::string(c.name) + (counting ? " counted" : ""));
                const auto outcome = run(alias, c.text);
                EXPECT_EQ(outcome.statementClass, StatementClass::Plain);
                EXPECT_FALSE(outcome.failed) << outcome.messages.join(u'|').toStdString();
                EXPECT_TRUE(outcome.messages.isEmpty())
                    << outcome.messages.join(u'|').toStdString();
                EXPECT_TRUE(outcome.returnedRows);
                EXPECT_TRUE(outcome.resultOpen);
                EXPECT_EQ(outcome.sentText, c.text + QStringLiteral("\n"));
                const ResultModel *model = m_runner.resultModel();
                if (c.values.isEmpty())
                    EXPECT_GT(model->rowCount(), 0);
                else
                    EXPECT_EQ(column(c.column), c.values);
                // Every row is read: the session connection is free for what follows.
                EXPECT_FALSE(model->canFetchMore());
                EXPECT_EQ(outcome.rowCount, counting ? qint64(model->rowCount()) : qint64(-1));
                EXPECT_EQ(scalar(alias, QStringLiteral("SELECT 7")).toInt(), 7);
            }
            // The rows came back from the one run of the statement: nothing was run twice.
            if (returning) {
                EXPECT_EQ(scalar(alias, QStringLiteral("SELECT COUNT(*) FROM rows_probe")).toInt(),
                          2);
            }
        }
        m_runner.setRowCounting(false);

        // A statement without rows reports completion, ran, and leaves the grid's rows alone.
        ASSERT_TRUE(run(alias, QStringLiteral("SELECT 1 AS one")).returnedRows);
        const auto update =
            run(alias, QStringLiteral("INSERT INTO rows_probe (n, label) VALUES (9, 'nine')"));
        EXPECT_EQ(update.messages, QStringList{SqlRunner::SqlDoneMessage});
        EXPECT_FALSE(update.returnedRows);
        EXPECT_EQ(update.sentText,
                  QStringLiteral("INSERT INTO rows_probe (n, label) VALUES (9, 'nine')\n"));
        EXPECT_EQ(
            scalar(alias, QStringLiteral("SELECT label FROM rows_probe WHERE n = 9")).toString(),
            QStringLiteral("nine"));
        EXPECT_EQ(column(0), QStringList{QStringLiteral("1")});
        // A failing statement still says why, and is no result.
        const auto bad = run(alias, QStringLiteral("WITH x AS (SELECT 1) SELECT * FROM no_such"));
        EXPECT_TRUE(bad.failed);
        EXPECT_FALSE(bad.returnedRows);
        EXPECT_TRUE(bad.messages.value(0).startsWith(QStringLiteral("Message     :")));
        if (lite) {
            // Rows that fail after the first batch: the run fails and says why.
            const auto broken =
                run(alias, QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                                          "FROM c WHERE x < 3000)\nSELECT CASE WHEN x = 2500 THEN "
                                          "json('not json') ELSE x END FROM c"));
            EXPECT_TRUE(broken.failed);
            EXPECT_TRUE(broken.returnedRows);
            EXPECT_TRUE(broken.messages.value(0).startsWith(QStringLiteral("Message     :")))
                << broken.messages.join(u'|').toStdString();
            EXPECT_EQ(broken.rowCount, -1);
        }
        run(alias, QStringLiteral("DROP TABLE rows_probe"));
    }
}

struct ParseCase {
    const char *name;
    QStringList lines;
    QString procedure;
    QStringList parameters;
};
void PrintTo(const ParseCase &c, std::ostream *os) {
    *os << c.name;
}
class ProcedureParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ProcedureParseTest, Parses) {
    const auto call = parseProcedureCall(GetParam().lines);
    ASSERT_TRUE(call.has_value());
    EXPECT_EQ(call->name, GetParam().procedure);
    EXPECT_EQ(call->parameters, GetParam().parameters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcedureParseTest,
    testing::Values(
        ParseCase{"PackagedWithQuotes", {"EXEC PKG.PROC(10, 'A')"}, "PKG.PROC", {"10", "'A'"}},
        ParseCase{"ExecuteWordNoParameters", {"  EXECUTE  refresh_all ;"}, "refresh_all", {}},
        ParseCase{"CommaInQuotesAndNestedParentheses",
                  {"exec p('a, b', f(1, 2)) trailing"},
                  "p",
                  {"'a, b'", "f(1, 2)"}},
        ParseCase{"ContinuationLinesReadWhole", {"EXEC p(1,", "        22)"}, "p", {"1", "22"}}),
    [](const testing::TestParamInfo<ParseCase> &p) { return std::string(p.param.name); });

TEST(ProcedureParse, NotACall) {
    EXPECT_FALSE(parseProcedureCall({QStringLiteral("SELECT 1")}).has_value());
}

} // namespace

#include "ui/sqlrunoutcome.h"

#include "tests/support/sqlrunnerfixture.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

// A run of a statement class that happened, with the runner's state after it.
SqlRunResult ran(StatementClass cls, int resultState, bool failed, bool resultOpen,
                 qint64 rowCount = -1, bool rowCounting = false, qint64 lastRowCount = -1) {
    SqlRunResult r;
    r.statementClass = cls;
    r.ran = true;
    r.resultState = resultState;
    r.failed = failed;
    r.resultOpen = resultOpen;
    r.rowCount = rowCount;
    r.rowCounting = rowCounting;
    r.lastRowCount = lastRowCount;
    return r;
}

// A plain statement's run that returned rows.
SqlRunResult withRows(SqlRunResult run) {
    run.returnedRows = true;
    return run;
}

struct OutcomeCase {
    const char *name;
    SqlRunResult run;
    bool tableOpen;
    std::optional<QString> nameBox;
    bool rowCountBoxChanged;
    qint64 rowCount;
    bool emptyAnalyzeCol;
    bool analyzeColFromGrid;
    std::optional<int> reportSourceMode;
};

const QString kData = QStringLiteral("ＳＱＬ実行データ");
const QString kError = QStringLiteral("ＳＱＬ実行エラー");
constexpr auto Query = StatementClass::Query;
constexpr auto Show = StatementClass::Show;
constexpr auto Plain = StatementClass::Plain;
constexpr auto Procedure = StatementClass::Procedure;

TEST(SqlRunOutcome, WhatTheWindowShowsOfARun) {
    const std::vector<OutcomeCase> cases = {
        {"NothingRunChangesNothing", SqlRunResult{}, false, std::nullopt, false, -1, false, false,
         std::nullopt},
        {"QueryOpenedShowsItsCount", ran(Query, 0, false, true, 14, true, 14), false, kData, true,
         14, false, false, 3},
        {"QueryOpenedUncounted", ran(Query, 0, false, true), false, kData, true, -1, false, false,
         3},
        {"QueryNotOpenedClearsBoth", ran(Query, 1, false, false), false, QString(), true, -1, true,
         false, 0},
        {"QueryOpenErrorSaysError", ran(Query, 2, true, false), false, kError, true, -1, true,
         false, 0},
        {"ShowFillsColumnsFromTheGrid", ran(Show, 0, false, true), false, kData, false, -1, false,
         true, std::nullopt},
        {"ShowFailedWithoutTable", ran(Show, 0, true, false), false, kError, false, -1, true, false,
         std::nullopt},
        {"ShowFailedOverAnOpenTable", ran(Show, 0, true, false), true, std::nullopt, false, -1,
         true, false, std::nullopt},
        {"PlainDone", ran(Plain, 0, false, false), false, std::nullopt, false, -1, true, false,
         std::nullopt},
        {"PlainFailedCountingWithoutCount", ran(Plain, 0, true, false, -1, true, -1), false, kError,
         true, -1, true, false, std::nullopt},
        {"PlainFailedCountingKeepsAnEarlierCount", ran(Plain, 0, true, false, -1, true, 7), false,
         std::nullopt, false, -1, true, false, std::nullopt},
        {"PlainFailedOverAnOpenResult", ran(Plain, 0, true, true), false, std::nullopt, false, -1,
         true, false, std::nullopt},
        {"PlainWithRowsShowsThemAsAQuery", withRows(ran(Plain, 0, false, true, 3, true, 3)), true,
         kData, true, 3, false, true, std::nullopt},
        {"PlainWithRowsUncounted", withRows(ran(Plain, 0, false, true)), false, kData, true, -1,
         false, true, std::nullopt},
        {"PlainRowsFailedToRead", withRows(ran(Plain, 0, true, true, -1, true, -1)), false, kError,
         true, -1, true, false, std::nullopt},
        {"ProcedureFailedLeavesTheNameBox", ran(Procedure, 0, true, false), false, std::nullopt,
         false, -1, true, false, std::nullopt},
    };
    for (const OutcomeCase &c : cases) {
        SCOPED_TRACE(c.name);
        const SqlRunOutcome o = sqlRunOutcome(c.run, c.tableOpen);
        EXPECT_EQ(o.nameBox, c.nameBox);
        EXPECT_EQ(o.rowCountBoxChanged, c.rowCountBoxChanged);
        EXPECT_EQ(o.rowCount, c.rowCount);
        EXPECT_EQ(o.emptyAnalyzeCol, c.emptyAnalyzeCol);
        EXPECT_EQ(o.analyzeColFromGrid, c.analyzeColFromGrid);
        EXPECT_EQ(o.reportSourceMode, c.reportSourceMode);
    }
}

TEST(SqlRunOutcome, OnlyTheSuccessMessagesAreCompletions) {
    EXPECT_TRUE(isCompletionMessage(QStringLiteral("SQLを実行しました。")));
    EXPECT_TRUE(isCompletionMessage(QStringLiteral("プロシージャを実行しました。")));
    EXPECT_FALSE(isCompletionMessage(SqlRunner::ProcedureNotFoundMessage));
    EXPECT_FALSE(isCompletionMessage(QStringLiteral("Message     :SQLを実行しました。")));
}

// Real runs on the fixture and the test servers, as the SQL tab shows them.
class SqlTabRunTest : public test::SqlRunnerFixture {
protected:
    SqlRunOutcome shown(const SqlRunResult &run) { return sqlRunOutcome(run, false); }
};

TEST_F(SqlTabRunTest, OracleQueryShowsItsData) {
    const SqlRunOutcome outcome = shown(
        runQuery(QStringLiteral("ORAFIX"),
                 parts(QStringLiteral("SELECT "), {{QStringLiteral("DEPTNO"), QString()}},
                       {QStringLiteral("FROM DEPT")}, {QStringLiteral("WHERE DEPTNO = 10")})));
    EXPECT_EQ(outcome.nameBox, SqlRunOutcome::NameBoxData);
    EXPECT_EQ(outcome.reportSourceMode, 3);
}

TEST_F(SqlTabRunTest, CountWithoutConnectionClearsTheBoxes) {
    m_runner.setRowCounting(true);
    const SqlRunOutcome outcome = shown(runQuery(
        QStringLiteral("GONE"),
        parts(QStringLiteral("SELECT "), {{QStringLiteral("a"), {}}}, {QStringLiteral("FROM t")})));
    EXPECT_EQ(outcome.nameBox, QString());
    EXPECT_TRUE(outcome.rowCountBoxChanged);
    EXPECT_EQ(outcome.rowCount, -1);
    EXPECT_EQ(outcome.reportSourceMode, 0);
}

TEST_F(SqlTabRunTest, NoAliasLeavesTheNameBox) {
    const SqlRunOutcome outcome =
        shown(runText(QStringLiteral("NOSUCH"), {QStringLiteral("DELETE FROM DEPT")}, 0));
    EXPECT_FALSE(outcome.nameBox.has_value());
}

TEST_F(SqlTabRunTest, PostgresStatementErrorSaysError) {
    REQUIRE_SERVERS();
    const SqlRunOutcome outcome = shown(runQuery(
        QStringLiteral("PGTEST"), parts(QStringLiteral("SELECT "), {{QStringLiteral("x"), {}}},
                                        {QStringLiteral("FROM no_such_table")})));
    EXPECT_EQ(outcome.nameBox, SqlRunOutcome::NameBoxError);
    EXPECT_TRUE(outcome.emptyAnalyzeCol);
    EXPECT_EQ(outcome.reportSourceMode, 0);
}

TEST_F(SqlTabRunTest, PlainStatementsEmptyAnalyzeColAndFailuresSayError) {
    REQUIRE_SERVERS();
    const SqlRunOutcome done = shown(runText(
        QStringLiteral("PGTEST"),
        {QStringLiteral("INSERT INTO audit_log (log_level, message) VALUES (73, 'x')")}, 0));
    EXPECT_TRUE(done.emptyAnalyzeCol);
    const SqlRunOutcome colon = shown(runText(
        QStringLiteral("PGTEST"),
        {QStringLiteral("UPDATE audit_log SET message = 'a:b' || :x WHERE log_level = 73")}, 0));
    EXPECT_EQ(colon.nameBox, SqlRunOutcome::NameBoxError);
    runText(QStringLiteral("PGTEST"),
            {QStringLiteral("DELETE FROM audit_log WHERE log_level = 73")}, 0);
}

TEST_F(SqlTabRunTest, MySqlShowFillsAnalyzeColFromTheGrid) {
    REQUIRE_SERVERS();
    const SqlRunOutcome show =
        shown(runText(QStringLiteral("MYTEST"), {QStringLiteral("SHOW TABLES")}, 4));
    EXPECT_TRUE(show.analyzeColFromGrid);
    EXPECT_EQ(show.nameBox, SqlRunOutcome::NameBoxData);
}

TEST_F(SqlTabRunTest, ProcedureCallEmptiesAnalyzeCol) {
    REQUIRE_SERVERS();
    for (const QString &alias : {QStringLiteral("PGTEST"), QStringLiteral("MYTEST")}) {
        SCOPED_TRACE(alias.toStdString());
        const SqlRunResult run = runText(alias, {QStringLiteral("EXEC add_log('x', 74);")}, 2);
        EXPECT_EQ(run.messages, QStringList{SqlRunner::ProcedureDoneMessage});
        EXPECT_TRUE(shown(run).emptyAnalyzeCol);
        runText(alias, {QStringLiteral("DELETE FROM audit_log WHERE log_level = 74")}, 0);
    }
}

} // namespace

#include "ui/sqlhistory.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

QStringList statement(int n) {
    return {QStringLiteral("SELECT %1 FROM t").arg(n)};
}

TEST(SqlHistory, TwentyOneRecordsWrapAndBackFromSlotOneGoesToTwenty) {
    SqlHistory history;
    for (int n = 1; n <= 21; ++n)
        history.record(statement(n));
    EXPECT_EQ(history.slot(1), statement(21));
    for (int n = 2; n <= 20; ++n)
        EXPECT_EQ(history.slot(n), statement(n));
    EXPECT_TRUE(history.full());
    EXPECT_EQ(history.current(), 1);

    const HistoryStep step = history.back(false);
    EXPECT_EQ(step.action, HistoryStep::LoadLines);
    EXPECT_EQ(step.lines, statement(20));
    EXPECT_EQ(history.current(), 20);
}

TEST(SqlHistory, NothingRecordedMovesNothing) {
    SqlHistory history;
    EXPECT_EQ(history.back(true).action, HistoryStep::Nothing);
    EXPECT_EQ(history.forward(false).action, HistoryStep::Nothing);
    EXPECT_EQ(history.current(), 1);
}

TEST(SqlHistory, FreshPositionBackOnlyWhenEditorBlank) {
    SqlHistory history;
    history.record(statement(1));
    history.record(statement(2));
    // Forward from the last slot gives the fresh empty position.
    EXPECT_EQ(history.forward(false).action, HistoryStep::ClearEditor);
    EXPECT_EQ(history.current(), 3);
    // Text typed at the fresh position is not thrown away by back.
    EXPECT_EQ(history.back(false).action, HistoryStep::Nothing);
    const HistoryStep step = history.back(true);
    EXPECT_EQ(step.lines, statement(2));
    EXPECT_EQ(history.current(), 2);
}

TEST(SqlHistory, BackPastFirstSlotBeforeWrapping) {
    SqlHistory history;
    history.record(statement(1));
    history.record(statement(2));
    history.record(statement(3));
    EXPECT_EQ(history.back(false).lines, statement(2));
    EXPECT_EQ(history.back(false).lines, statement(1));
    // Below slot 1: slot 1 again while the editor holds text, the last slot when it is blank.
    EXPECT_EQ(history.back(false).lines, statement(1));
    EXPECT_EQ(history.current(), 1);
    EXPECT_EQ(history.back(true).lines, statement(3));
    EXPECT_EQ(history.current(), 3);
}

TEST(SqlHistory, ForwardLoadsNextSlotOnlyWithText) {
    SqlHistory history;
    for (int n = 1; n <= 3; ++n)
        history.record(statement(n));
    history.back(false);
    history.back(false);
    ASSERT_EQ(history.current(), 1);
    EXPECT_EQ(history.forward(true).action, HistoryStep::Nothing);
    EXPECT_EQ(history.forward(false).lines, statement(2));
    EXPECT_EQ(history.forward(false).lines, statement(3));
    EXPECT_EQ(history.forward(false).action, HistoryStep::ClearEditor);
}

TEST(SqlHistory, ForwardFromSlotTwentyWrapsFreshPositionToOne) {
    SqlHistory history;
    for (int n = 1; n <= 20; ++n)
        history.record(statement(n));
    EXPECT_EQ(history.forward(false).action, HistoryStep::ClearEditor);
    EXPECT_EQ(history.current(), 1);
    // Back from there loads slot 20 through the wrap.
    EXPECT_EQ(history.back(true).lines, statement(20));
}

} // namespace

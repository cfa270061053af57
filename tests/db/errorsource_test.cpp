#include "errorsource.h"

#include "testsupport.h"

#include <QSqlDatabase>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

std::vector<ErrorRow> errorRows(int n) {
    std::vector<ErrorRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back(
            {QString::number(i * 10), QString::number(i), QStringLiteral("PLS-%1").arg(i)});
    return rows;
}

TEST(ErrorSourceText, MessageLinesSplitAtLineFeeds) {
    EXPECT_EQ(errorMessageLines(
                  {QStringLiteral("PLS-00201: x\nmust be declared"), QStringLiteral("a\n\nb\n")}),
              (QStringList{"PLS-00201: x", "must be declared", "a", "", "b"}));
}

TEST(ErrorSourceText, StatementsEndWithTheKindTypeLine) {
    const QStringList count =
        ErrorSourceSql::errorCount(QStringLiteral("PKG"), QStringLiteral("Package Body"));
    EXPECT_EQ(count, (QStringList{" SELECT COUNT(*)          ", "        FROM USER_ERRORS ",
                                  "       WHERE NAME = 'PKG' ", "  AND TYPE = 'PACKAGE BODY' "}));
    EXPECT_FALSE(ErrorSourceSql::hasErrors(QStringLiteral("Table")));
}

TEST(ErrorStepper, ThreeErrorsNextWrapsFromLastToFirst) {
    ErrorStepper stepper(errorRows(3));
    stepper.next();
    EXPECT_EQ(stepper.current(), 1);
    stepper.next();
    stepper.next();
    EXPECT_EQ(stepper.current(), 3);
    stepper.next();
    EXPECT_EQ(stepper.current(), 1);
    EXPECT_EQ(stepper.topRow(), 1);
}

TEST(ErrorStepper, PreviousOnFirstRowAtTopWrapsToLast) {
    ErrorStepper stepper(errorRows(20), 7);
    stepper.choose(1);
    EXPECT_TRUE(stepper.previous());
    EXPECT_EQ(stepper.current(), 20);
    EXPECT_EQ(stepper.topRow(), 21 - 7);
}

TEST(ErrorStepper, PreviousBeforeAnyChoiceDoesNothing) {
    ErrorStepper stepper(errorRows(3));
    stepper.setTopRow(2);
    EXPECT_FALSE(stepper.previous());
    EXPECT_EQ(stepper.current(), 0);
    EXPECT_FALSE(stepper.caretTarget().has_value());
}

TEST(ErrorStepper, NextWithManyRowsScrollsTheNewRowToTheTop) {
    ErrorStepper stepper(errorRows(20));
    stepper.choose(10);
    stepper.setTopRow(10);
    stepper.next();
    EXPECT_EQ(stepper.current(), 11);
    EXPECT_EQ(stepper.topRow(), 11);
    const auto caret = stepper.caretTarget();
    ASSERT_TRUE(caret.has_value());
    EXPECT_EQ(caret->line, 110);
    EXPECT_EQ(caret->column, 11);
}

TEST(ErrorStepper, NonNumericPositionLeavesTheCaret) {
    ErrorStepper stepper({{QStringLiteral("3"), QStringLiteral("x"), QStringLiteral("e")}});
    stepper.choose(1);
    EXPECT_FALSE(stepper.caretTarget().has_value());
}

} // namespace

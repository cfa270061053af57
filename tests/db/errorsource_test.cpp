#include "db/errorsource.h"

#include "tests/support/testsupport.h"

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

namespace {

class OracleFixtureErrors : public testing::Test {
protected:
    void SetUp() override {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                         QStringLiteral("errorsource_test"));
        m_db.setDatabaseName(kelvoran::test::oracleFixturePath());
        ASSERT_TRUE(m_db.open());
    }
    void TearDown() override {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("errorsource_test"));
    }
    QSqlDatabase m_db;
};

TEST_F(OracleFixtureErrors, InvalidPackageBodyGivesErrorsAndSource) {
    const QString name = QStringLiteral("PAYROLL");
    const QString folder = QStringLiteral("Package Body");
    const auto count = loadErrorCount(m_db, name, folder);
    ASSERT_TRUE(count.isOk()) << count.error().message().toStdString();
    EXPECT_EQ(*count, 3);
    EXPECT_EQ(*loadErrorCount(m_db, name, QStringLiteral("Package")), 0);

    const auto data = loadErrorSource(m_db, name, folder);
    ASSERT_TRUE(data.isOk()) << data.error().message().toStdString();
    EXPECT_EQ(data->objectName, name);
    ASSERT_EQ(data->errorCount(), 3);
    EXPECT_EQ(data->errors[0].line, QStringLiteral("7"));
    EXPECT_EQ(data->errors[0].position, QStringLiteral("5"));
    EXPECT_EQ(
        data->errors[2].text,
        QStringLiteral("PLS-00103: Encountered the symbol \"BEGIN\" when expecting one of the "
                       "following:   := . ( @ % ; not null range default character"));
    ASSERT_EQ(data->sourceLines.size(), 17);
    EXPECT_EQ(data->sourceLines[0], QStringLiteral("PACKAGE BODY PAYROLL AS"));
    EXPECT_EQ(data->sourceLines[15], QStringLiteral("END PAYROLL;"));
    EXPECT_EQ(data->sourceLines[16], QString());

    const auto messages = loadErrorMessages(m_db, name, folder);
    ASSERT_TRUE(messages.isOk());
    ASSERT_EQ(messages->size(), 4);
    EXPECT_EQ(messages->at(3), QStringLiteral("   := . ( @ % ; not null range default character"));

    ErrorStepper stepper(data->errors);
    stepper.next();
    stepper.next();
    stepper.next();
    EXPECT_EQ(stepper.caretTarget()->line, 12);
    EXPECT_EQ(stepper.caretTarget()->column, 3);
}

TEST_F(OracleFixtureErrors, MissingCatalogTableIsAnError) {
    QSqlDatabase empty =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("errorsource_empty"));
    empty.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(empty.open());
    const auto data = loadErrorSource(empty, QStringLiteral("X"), QStringLiteral("Procedure"));
    ASSERT_FALSE(data.isOk());
    // The database's own error, shown as DbErrorText boxes by the window.
    EXPECT_TRUE(data.error().message().contains(QStringLiteral("USER_SOURCE")))
        << data.error().message().toStdString();
    EXPECT_TRUE(data.error().texts().first().contains(QStringLiteral("Message     :")));
    empty.close();
    empty = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("errorsource_empty"));
}

} // namespace

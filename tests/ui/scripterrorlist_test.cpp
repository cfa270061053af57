#include "ui/scripterrorlist.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

// Headings count characters, not bytes: a kana heading gets the same blanks as a Latin one of
// the same length.
TEST(ScriptErrorList, HeadingsArePaddedByCharacters) {
    struct Case {
        const char *name;
        QString text;
        int width;
        int blanks;
    };
    const std::vector<Case> cases = {
        {"SqlHeadingInItsDesignWidth", QStringLiteral("実行SQL"), 257, 28},
        {"MessageHeadingInItsDesignWidth", QStringLiteral("エラーメッセージ"), 339, 36},
        {"SurroundingBlanksAreTrimmedFirst", QStringLiteral("  実行SQL "), 257, 28},
        {"LatinOfTheSameLength", QStringLiteral("ABCDE"), 257, 28},
        {"ColumnNarrowerThanTheText", QStringLiteral("エラーメッセージ"), 20, 0},
        {"OneBlankAtEightPixelsToSpare", QStringLiteral("実行SQL"), 38, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(scriptErrorPaddedHeading(c.text, c.width),
                  QString(c.blanks, u' ') + c.text.trimmed());
    }
    EXPECT_EQ(scriptErrorHeading(1), QStringLiteral("実行SQL"));
    EXPECT_EQ(scriptErrorHeading(2), QStringLiteral("エラーメッセージ"));
    EXPECT_TRUE(scriptErrorHeading(0).isEmpty());
}

// The rows come from the run's failed statements only, numbered in list order; the display
// text keeps its CR LF line ends for the detail window.
TEST(ScriptErrorList, RowsHoldTheFailedStatementsInOrder) {
    ScriptRunResult result;
    auto add = [&](const char *display, const char *error) {
        ScriptStatementRun run;
        run.statement.displayText = QString::fromUtf8(display);
        run.errorEntry = QString::fromUtf8(error);
        result.statements.push_back(run);
    };
    add("CREATE TABLE t (n integer)", "");
    add("INSERT INTO missing\r\n  VALUES (1)", "Message     :no such table: missing");
    add("INSERT INTO t VALUES (1)", "");
    add("SELEC 1", "Message     :near \"SELEC\": syntax error");

    const std::vector<QStringList> rows = scriptErrorGridRows(result.errorRows());
    const std::vector<QStringList> expected = {
        {"1", "INSERT INTO missing\r\n  VALUES (1)", "Message     :no such table: missing"},
        {"2", "SELEC 1", "Message     :near \"SELEC\": syntax error"},
    };
    EXPECT_EQ(rows, expected);

    const std::vector<QStringList> none = scriptErrorGridRows({});
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0], QStringList({"", "", ""}));
}

} // namespace

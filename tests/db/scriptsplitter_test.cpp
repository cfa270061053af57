#include "db/scriptsplitter.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

struct SplitCase {
    const char *name;
    QStringList lines;
    QString separator;
    // Executable texts, then the display text of the first statement (empty: not checked).
    QStringList expected;
    QString firstDisplay;
};

void PrintTo(const SplitCase &c, std::ostream *os) {
    *os << c.name;
}

class ScriptSplitterTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ScriptSplitterTest, SplitsAsTheScriptRunnerSendsIt) {
    const SplitCase &c = GetParam();
    const auto statements = splitScript(c.lines, c.separator);
    QStringList texts;
    for (const auto &s : statements)
        texts << s.executableText;
    EXPECT_EQ(texts, c.expected);
    if (!c.firstDisplay.isEmpty()) {
        ASSERT_FALSE(statements.empty());
        EXPECT_EQ(statements.front().displayText, c.firstDisplay);
    }
}

const QString LF = QStringLiteral("\n");
const QString CR = QStringLiteral("\r");

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptSplitterTest,
    testing::Values(
        SplitCase{"TwoOnOneLine", {"a; b;"}, LF, {"a", " b"}, {}},
        SplitCase{"ThreeLinesWithCrSeparator",
                  {"SELECT a", "FROM t", "WHERE x = 1;"},
                  CR,
                  {"SELECT a\rFROM t\rWHERE x = 1"},
                  "SELECT a\r\nFROM t\r\nWHERE x = 1"},
        SplitCase{"BlankLineAddsOneSeparator",
                  {"SELECT a", "", "FROM t;"},
                  LF,
                  {"SELECT a\n\nFROM t"},
                  "SELECT a\r\n\r\nFROM t"},
        SplitCase{"LineCommentOnlyLineAddsNone",
                  {"SELECT a", "  -- note", "FROM t;"},
                  LF,
                  {"SELECT a\nFROM t"},
                  {}},
        SplitCase{"SemicolonInLineCommentBelongsToIt",
                  {"SELECT 1 FROM DUAL -- comment;", ";"},
                  LF,
                  {"SELECT 1 FROM DUAL \n"},
                  {}},
        SplitCase{"SemicolonInBlockCommentDoesNotSplit",
                  {"SELECT 1 /* x; y */ FROM t;"},
                  LF,
                  {"SELECT 1  FROM t"},
                  {}},
        SplitCase{"NestedCommentsPassedOverWhole", {"a /* x /* y */ z */ b;"}, LF, {"a  b"}, {}},
        SplitCase{"LineCommentMarkInsideBlockClosesAtStarSlash",
                  {"/* start", "-- old code */ SELECT 1;"},
                  LF,
                  {" SELECT 1"},
                  {}},
        SplitCase{"CommentAcrossLinesJoinsWithoutSeparator",
                  {"SELECT a /* c", "d */ FROM t;"},
                  LF,
                  {"SELECT a  FROM t"},
                  {}},
        SplitCase{"TrailingStatementWithoutSemicolonIgnored", {"a;", "b"}, LF, {"a"}, {}},
        SplitCase{"NoSemicolonNoStatements", {"SELECT 1", "FROM t"}, LF, {}, {}},
        SplitCase{"BlankStatementsDropped", {";;a;", "  ;"}, LF, {"a"}, {}},
        SplitCase{"UnmatchedCloseIsStatementText", {"a */ b;"}, LF, {"a */ b"}, {}},
        SplitCase{"MarksInStringLiteralsAreMarks",
                  {"SELECT 'x;y' FROM t;"},
                  LF,
                  {"SELECT 'x", "y' FROM t"},
                  {}}),
    [](const testing::TestParamInfo<SplitCase> &p) { return std::string(p.param.name); });

} // namespace

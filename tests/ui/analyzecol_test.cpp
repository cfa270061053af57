#include "ui/analyzecol.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

AnalyzeColRow row(int n, const char *physical, const char *alias = "") {
    return {QStringLiteral("   ") + QString::number(n), QString::fromUtf8(physical),
            QString::fromUtf8(alias)};
}

TEST(AnalyzeCol, RowsAreNumberedWithAtLeastOne) {
    struct Case {
        const char *name;
        std::vector<SelectItem> items;
        std::vector<AnalyzeColRow> rows;
    };
    std::vector<SelectItem> twelve;
    std::vector<AnalyzeColRow> twelveRows;
    for (int i = 1; i <= 12; ++i) {
        twelve.push_back({QStringLiteral("C%1").arg(i), QString()});
        twelveRows.push_back(row(i, qPrintable(QStringLiteral("C%1").arg(i))));
    }
    const std::vector<Case> cases = {
        {"NoItemsOneBlankRow", {}, {row(1, "")}},
        {"ItemsWithAliases",
         {{QStringLiteral("DEPTNO"), QString()}, {QStringLiteral("DNAME"), QStringLiteral("NAME")}},
         {row(1, "DEPTNO"), row(2, "DNAME", "NAME")}},
        {"EmptyItemKeepsItsRow",
         {{QStringLiteral("A"), QString()}, {}, {QStringLiteral("C"), QString()}},
         {row(1, "A"), row(2, ""), row(3, "C")}},
        {"TwoDigitNumbersKeepThreeBlanks", twelve, twelveRows},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(analyzeColRows(c.items), c.rows);
    }
}

TEST(AnalyzeCol, HeadingsArePaddedToTheColumnWidth) {
    struct Case {
        const char *text;
        int width;
        int blanks;
    };
    // Shift_JIS bytes count 6 pixels, a blank 8: "物理項目名" is 10 bytes, "別名" 4.
    const std::vector<Case> cases = {
        {"物理項目名", 310, 31}, {"別名", 304, 35}, {" 別名 ", 24, 0}, {"別名", 23, 0},
        {"別名", 40, 2},         {"ABC", 18, 0},    {"ABC", 34, 2},    {"", 64, 8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.width));
        const QString t = QString::fromUtf8(c.text).trimmed();
        EXPECT_EQ(paddedHeading(QString::fromUtf8(c.text), c.width), QString(c.blanks, u' ') + t);
    }
    EXPECT_EQ(analyzeColHeading(0), QString());
    EXPECT_EQ(analyzeColHeading(1), QStringLiteral("物理項目名"));
    EXPECT_EQ(analyzeColHeading(2), QStringLiteral("別名"));
}

TEST(AnalyzeCol, AliasQuotesAreStrippedOnceEachSide) {
    struct Case {
        const char *alias;
        const char *shown;
    };
    const std::vector<Case> cases = {
        {"\"No\"", "No"}, {"\"No", "No"},           {"No\"", "No"}, {"No", "No"},
        {"", ""},         {"\"\"No\"\"", "\"No\""}, {"\"", ""},
    };
    std::vector<AnalyzeColRow> rows;
    for (size_t i = 0; i < cases.size(); ++i)
        rows.push_back(row(int(i + 1), "X", cases[i].alias));
    const std::vector<AnalyzeColRow> stripped = withAliasQuotesStripped(rows);
    ASSERT_EQ(stripped.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].alias);
        EXPECT_EQ(stripped[i], row(int(i + 1), "X", cases[i].shown));
    }
}

TEST(AnalyzeCol, FieldNamesReplaceTheSelectList) {
    struct Case {
        const char *name;
        QStringList fields;
        std::vector<SelectItem> items;
    };
    const std::vector<Case> cases = {
        {"Fields",
         {QStringLiteral("EMPNO"), QStringLiteral("ENAME")},
         {{QStringLiteral("EMPNO"), QString()}, {QStringLiteral("ENAME"), QString()}}},
        // The blank row of an empty grid becomes one empty item.
        {"NoFields", {}, {SelectItem{}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SelectAnalysis analysis = AnalyzeSelect(
            {QStringLiteral("SELECT DISTINCT a AS x, b"), QStringLiteral("FROM t")}, false);
        replaceSelectList(analysis, analyzeColRows(fieldNameItems(c.fields)));
        EXPECT_EQ(analysis.items, c.items);
        EXPECT_EQ(analysis.selectHead, QStringLiteral("SELECT "));
        EXPECT_EQ(analysis.statementKind, StatementKind::Query);
    }
}

} // namespace

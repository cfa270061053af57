#include "ui/sqlconditionedit.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

ColumnSetting row(const QString &name, const QString &alias = QString()) {
    ColumnSetting c;
    c.PhysicalName = name;
    c.Alias = alias;
    return c;
}

SelectAnalysis analysisOf(const QStringList &from, const QStringList &where) {
    SelectAnalysis a;
    a.selectHead = QStringLiteral("SELECT ");
    a.selectLines = {QStringLiteral("SELECT a x, b")};
    a.fromLines = from;
    a.whereLines = where;
    return a;
}

TEST(SqlConditionEdit, EditorsOfTheFromPartAndOfTheWherePart) {
    const SelectAnalysis a =
        analysisOf({"FROM t", "   ", "JOIN u ON u.k = t.k"}, {"WHERE a > 1", "", "ORDER BY 1"});
    const std::vector<ColumnSetting> rows = {row("a", "x"), row("  "), row("b")};
    const SqlConditionLines from = sqlConditionLines(SqlConditionPart::From, a, rows);
    // The item lines: head, name, blank, alias; the next item 7 blanks in, name, blank, alias,
    // blank; ", " ends the line before each further item.
    EXPECT_EQ(from.upper, QStringList({"SELECT a x, ", "       b  "}));
    EXPECT_EQ(from.lower,
              QStringList({"FROM t", "JOIN u ON u.k = t.k", "WHERE a > 1", "ORDER BY 1"}));
    const SqlConditionLines where = sqlConditionLines(SqlConditionPart::Where, a, rows);
    EXPECT_EQ(where.upper,
              QStringList({"SELECT a x, ", "       b  ", "FROM t", "JOIN u ON u.k = t.k"}));
    EXPECT_EQ(where.lower, QStringList({"WHERE a > 1", "ORDER BY 1"}));
}

TEST(SqlConditionEdit, NamesLoseTheirOwnLineEnds) {
    SelectAnalysis a = analysisOf({"FROM t"}, {});
    a.selectHead = QStringLiteral("SELECT DISTINCT ");
    const SqlConditionLines lines =
        sqlConditionLines(SqlConditionPart::From, a, {row("a\r\n", "x\n"), row("b\r")});
    EXPECT_EQ(lines.upper, QStringList({"SELECT DISTINCT a x, ", "       b  "}));
}

TEST(SqlConditionEdit, OkCollectsNonBlankLinesOnlyWithASelectLine) {
    EXPECT_EQ(collectSqlCondition({"SELECT a ", " "}, {"", "FROM t", "  WHERE a = 1"}),
              QStringList({"SELECT a ", "FROM t", "  WHERE a = 1"}));
    EXPECT_FALSE(collectSqlCondition({" ", ""}, {"FROM t"}).has_value());
}

TEST(SqlConditionEdit, SelectPartAndTheAnalysisOfAChosenTable) {
    SelectAnalysis a;
    EXPECT_FALSE(hasSelectPart(a));
    a.selectLines = {QStringLiteral("  ")};
    EXPECT_FALSE(hasSelectPart(a));
    a.whereLines = {QStringLiteral("WHERE old = 1")};
    rebuildAnalysisForTable(a, {row("EMPNO", "N"), row(""), row("ENAME")}, QStringLiteral("EMP"));
    EXPECT_TRUE(hasSelectPart(a));
    EXPECT_EQ(a.selectHead, QStringLiteral("SELECT "));
    EXPECT_EQ(a.selectLines, QStringList({"SELECT EMPNO , ", "       ENAME "}));
    EXPECT_EQ(a.fromLines, QStringList({" FROM EMP "}));
    EXPECT_TRUE(a.whereLines.isEmpty());
}

} // namespace

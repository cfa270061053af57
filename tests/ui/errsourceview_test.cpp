// The error grid's cells and the column ruler of the error source viewer.
#include "ui/errsourceview.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

TEST(ErrorGrid, RowsAreNumberedAndAUnitWithoutErrorsKeepsOneEmptyRow) {
    ErrorSourceData data;
    data.errors = {{QStringLiteral("7"), QStringLiteral("5"), QStringLiteral("PLS-00201")},
                   {QStringLiteral("12"), QStringLiteral("3"), QStringLiteral("PLS-00103")}};
    const auto rows = errorGridRows(data);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (QStringList{"1", "7", "5", "PLS-00201"}));
    EXPECT_EQ(rows[1], (QStringList{"2", "12", "3", "PLS-00103"}));

    const auto empty = errorGridRows(ErrorSourceData{});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], (QStringList{"", "", "", ""}));
}

TEST(ErrorGrid, HeadingsOfTheThreeTextColumns) {
    const QStringList headings = errorGridHeadings();
    ASSERT_EQ(headings.size(), 4);
    EXPECT_EQ(headings[1], QStringLiteral("行"));
    EXPECT_EQ(headings[2], QStringLiteral("ポジション"));
    EXPECT_TRUE(headings[3].startsWith(QString(48, u' ') + QStringLiteral("エラー内容")));
    EXPECT_EQ(headings[3].size(), 48 + 5);
}

struct RulerCase {
    const char *name;
    qreal charWidth;
    int textLeft, scroll, width;
    int firstColumn, firstX; // 0: no tick at all
    int lastColumn, lastX;
};

void PrintTo(const RulerCase &c, std::ostream *os) {
    *os << c.name;
}

class Ruler : public testing::TestWithParam<RulerCase> {};

TEST_P(Ruler, TicksCoverTheVisibleColumnsOfTheTextArea) {
    const RulerCase &c = GetParam();
    const RulerMarks marks = rulerMarks(c.charWidth, c.textLeft, c.scroll, c.width);
    EXPECT_EQ(marks.baseLineLeft, c.textLeft);
    if (c.firstColumn == 0) {
        EXPECT_TRUE(marks.ticks.empty());
        EXPECT_LE(marks.baseLineRight, marks.baseLineLeft);
        return;
    }
    ASSERT_FALSE(marks.ticks.empty());
    EXPECT_EQ(marks.ticks.front().column, c.firstColumn);
    EXPECT_EQ(marks.ticks.front().x, c.firstX);
    EXPECT_EQ(marks.ticks.back().column, c.lastColumn);
    EXPECT_EQ(marks.ticks.back().x, c.lastX);
    EXPECT_EQ(marks.baseLineRight, c.lastX + 1);
    for (size_t i = 0; i < marks.ticks.size(); ++i) {
        const RulerTick &t = marks.ticks[i];
        EXPECT_GE(t.x, c.textLeft) << "column " << t.column;
        EXPECT_LT(t.x, c.width) << "column " << t.column;
        if (i > 0) {
            EXPECT_EQ(t.column, marks.ticks[i - 1].column + 1);
            EXPECT_NEAR(t.x - marks.ticks[i - 1].x, c.charWidth, 1.0);
        }
        // Every tenth column is numbered and its tick reaches the top of the margin.
        EXPECT_EQ(t.top, t.column % 10 == 0 ? 0 : RulerShortTickTop) << "column " << t.column;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Metrics, Ruler,
    testing::Values(
        // Column 1 sits at the text area's left edge; column 20 is the last one left of 200.
        RulerCase{"Unscrolled", 8, 40, 0, 200, 1, 40, 20, 192},
        // Scrolled by 2.5 columns: columns 1 to 3 are left of the text area.
        RulerCase{"ScrolledHalfAColumn", 8, 40, 20, 200, 4, 44, 23, 196},
        // A tick exactly at the right edge is outside the margin.
        RulerCase{"LastColumnAtTheEdge", 10, 5, 0, 105, 1, 5, 10, 95},
        // 11.4-pixel columns: column 21 stays at 20 x 11.4 = 228 from column 1.
        RulerCase{"FractionalWidth", 11.4, 30, 0, 260, 1, 30, 21, 258},
        RulerCase{"MarginNarrowerThanTheGutter", 8, 40, 0, 30, 0, 0, 0, 0},
        RulerCase{"NoCharacterWidth", 0, 40, 0, 200, 0, 0, 0, 0}),
    [](const testing::TestParamInfo<RulerCase> &row) { return std::string(row.param.name); });

} // namespace

// The widget-free rules of the format chooser, the format list editor, the pivot field dialog
// and the Excel password dialog.
#include "ui/excelpasswordstate.h"
#include "ui/formatchooserstate.h"
#include "ui/formatliststate.h"
#include "ui/pivotfieldstate.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

TEST(FormatChooserState, IncompleteChoicesNameTheInputToComplete) {
    struct Case {
        const char *name;
        FormatChoice choice;
        std::optional<FormatChoiceInput> input;
    };
    auto choice = [](int kind, QString p1, QString p2, QString key = QString()) {
        FormatChoice c;
        c.kind = kind;
        c.padCharacter = p1;
        c.fontSize = p1;
        c.padCount = p2;
        c.keyName = key;
        return c;
    };
    const std::vector<Case> cases = {
        {"PaddingComplete", choice(1, "0", "5"), std::nullopt},
        {"PaddingWithoutCharacter", choice(1, "", "5"), FormatChoiceInput::Param1},
        {"PaddingWithoutCount", choice(1, "0", ""), FormatChoiceInput::Param2},
        {"PaddingCountNotDigits", choice(1, "0", "5a"), FormatChoiceInput::Param2},
        {"PaddingCountOfFourDigits", choice(1, "0", "1000"), FormatChoiceInput::Param2},
        {"PaddingCountWithBlanksAround", choice(1, "0", " 12 "), std::nullopt},
        {"FontSize", choice(5, "12", ""), std::nullopt},
        {"FontSizeEmpty", choice(5, "", ""), FormatChoiceInput::Param1},
        {"FontSizeNotANumber", choice(5, "1x", ""), FormatChoiceInput::Param1},
        {"GroupTotalWithKey", choice(103, "", "", "REGION"), std::nullopt},
        {"GroupAverageWithBlankKey", choice(104, "", "", "  "), FormatChoiceInput::Param2},
        {"KindWithoutInputs", choice(202, "", ""), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<FormatChoiceProblem> problem = formatChoiceProblem(c.choice);
        ASSERT_EQ(problem.has_value(), c.input.has_value());
        if (problem) {
            EXPECT_EQ(problem->input, *c.input);
            EXPECT_FALSE(problem->text.isEmpty());
        } else {
            EXPECT_TRUE(buildFormatEntry(c.choice).has_value());
        }
    }
}

TEST(FormatListState, MovesAndRemovesRowsWithTheirCodesAndKeys) {
    FormatListState s;
    s.load(QStringLiteral("〔グループ合計〕〔中央出力〕〔グループ平均〕"),
           QStringLiteral("103/ 36/   /   /,002/   /   /   /,104/ 40/   /   /,"),
           QStringLiteral("A******,B******,"), true);
    ASSERT_EQ(s.rowCount(), 3);
    s.moveRow(0, 2);
    s.moveRow(5, 0); // out of range: nothing
    QString text, codes, keys;
    s.join(text, codes, keys);
    EXPECT_EQ(text, QStringLiteral("〔中央出力〕〔グループ平均〕〔グループ合計〕"));
    EXPECT_EQ(codes, QStringLiteral("002/   /   /   /,104/ 40/   /   /,103/ 36/   /   /,"));
    EXPECT_EQ(keys, QStringLiteral("B******,A******,"));
    s.removeRow(1);
    s.removeRow(-1);
    s.join(text, codes, keys);
    EXPECT_EQ(codes, QStringLiteral("002/   /   /   /,103/ 36/   /   /,"));
    EXPECT_EQ(keys, QStringLiteral("A******,"));
}

TEST(PivotFieldState, KindsShowHideAndDisableTheAggregationList) {
    AggregationListState list;
    list.index = 4;
    chooseFieldKind(PivotFieldKind::Data, list);
    EXPECT_TRUE(list.visible && list.enabled);
    EXPECT_EQ(list.index, 4);
    chooseFieldKind(PivotFieldKind::None, list);
    EXPECT_TRUE(list.visible); // stays shown, but cannot be used
    EXPECT_FALSE(list.enabled);
    EXPECT_EQ(list.index, 0);
    chooseFieldKind(PivotFieldKind::Page, list);
    EXPECT_FALSE(list.visible);
    chooseFieldKind(PivotFieldKind::Data, list);
    EXPECT_TRUE(list.visible && list.enabled);
}

TEST(PivotFieldState, KindAndAggregationOfARow) {
    PivotFieldSetting row;
    EXPECT_EQ(pivotFieldKindOf(row), PivotFieldKind::None);
    EXPECT_EQ(pivotAggregationOf(row), 0);
    row.PivotCode = QStringLiteral("PF3/PSB/   /   /,");
    EXPECT_EQ(pivotFieldKindOf(row), PivotFieldKind::Data);
    EXPECT_EQ(pivotAggregationOf(row), 11);
    row.PivotCode = QStringLiteral("PF9/PSZ/   /   /,");
    EXPECT_EQ(pivotFieldKindOf(row), PivotFieldKind::None);
    EXPECT_EQ(pivotAggregationOf(row), 0);
}

TEST(ExcelPasswordState, ChecksInTheirOrder) {
    struct Case {
        const char *name;
        QString current, old, typedNew, confirm;
        std::optional<PasswordEdit> edit;
    };
    const QString longest(41, u'x');
    const std::vector<Case> cases = {
        {"NoPasswordYet", "", "", "abc", "abc", std::nullopt},
        {"Removed", "abc", "abc", "", "", std::nullopt},
        {"LongestStorable", "", "", longest, longest, std::nullopt},
        {"OldDiffersFirst", "abc", "", "x", "y", PasswordEdit::Old},
        {"ConfirmationDiffers", "", "", "abc", "abd", PasswordEdit::Confirm},
        {"TooLong", "", "", longest + "x", longest + "x", PasswordEdit::New},
        {"NotAscii", "", "", "ﾊﾟｽ", "ﾊﾟｽ", PasswordEdit::New},
        {"TabIsNotStorable", "", "", "a\tb", "a\tb", PasswordEdit::New},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PasswordProblem> p =
            checkExcelPassword(c.current, c.old, c.typedNew, c.confirm);
        ASSERT_EQ(p.has_value(), c.edit.has_value());
        if (p) {
            EXPECT_EQ(p->edit, *c.edit);
        }
    }
}

} // namespace

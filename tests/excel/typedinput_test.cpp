// Typed input conversion, number format rendering and naming rules of the workbook engine.
#include "excel/excelsession.h"

#include "excel/engine/numberformat.h"
#include "excel/engine/styles.h"
#include "excel/engine/typedinput.h"
#include "excel/engine/workbook.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kelvoran;
using namespace kelvoran::xlsx;

namespace {

struct TypedCase {
    const char *input;
    TypedValue::Kind kind;
    double number;
    const char *format;
};

class TypedInputTest : public ::testing::TestWithParam<TypedCase> {};

TEST_P(TypedInputTest, ConvertsAsTypedEntry) {
    const TypedCase &c = GetParam();
    const TypedValue v = parseTypedInput(c.input);
    EXPECT_EQ(v.kind, c.kind) << c.input;
    if (c.kind == TypedValue::Number || c.kind == TypedValue::Bool) {
        EXPECT_NEAR(v.number, c.number, 1e-9 * std::max(1.0, std::fabs(c.number))) << c.input;
    }
    EXPECT_EQ(v.format, c.format) << c.input;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedInputTest,
    ::testing::Values(
        TypedCase{"123", TypedValue::Number, 123, ""},
        TypedCase{"-123.5", TypedValue::Number, -123.5, ""},
        TypedCase{"+7", TypedValue::Number, 7, ""}, TypedCase{" 42 ", TypedValue::Number, 42, ""},
        TypedCase{"1,234,567", TypedValue::Number, 1234567, "#,##0"},
        TypedCase{"-1,234.5", TypedValue::Number, -1234.5, "#,##0.00"},
        TypedCase{"1,23", TypedValue::Text, 0, ""}, TypedCase{",123", TypedValue::Text, 0, ""},
        TypedCase{"(500)", TypedValue::Number, -500, ""},
        TypedCase{"12%", TypedValue::Number, 0.12, "0%"},
        TypedCase{"12.5%", TypedValue::Number, 0.125, "0.00%"},
        TypedCase{"1.5E20", TypedValue::Number, 1.5e20, "0.00E+00"},
        TypedCase{"¥1,000", TypedValue::Number, 1000, "\"¥\"#,##0;\"¥\"\\-#,##0"},
        TypedCase{"00123", TypedValue::Number, 123, ""},
        TypedCase{"12345678901234567890", TypedValue::Number, 12345678901234500000.0, ""},
        TypedCase{"2024/1/2", TypedValue::Number, 45293, "yyyy/m/d"},
        TypedCase{"2024/01/02", TypedValue::Number, 45293, "yyyy/m/d"},
        TypedCase{"2024-01-02", TypedValue::Number, 45293, "yyyy/m/d"},
        TypedCase{"1900/03/01", TypedValue::Number, 61, "yyyy/m/d"},
        TypedCase{"1900/01/01", TypedValue::Number, 1, "yyyy/m/d"},
        TypedCase{"2024/01/02 13:05:06", TypedValue::Number,
                  45293 + (13 * 3600 + 5 * 60 + 6) / 86400.0, "yyyy/m/d h:mm"},
        TypedCase{"2024-01-02T13:05:06", TypedValue::Number,
                  45293 + (13 * 3600 + 5 * 60 + 6) / 86400.0, "yyyy/m/d h:mm"},
        TypedCase{"13:05", TypedValue::Number, (13 * 60 + 5) / 1440.0, "h:mm"},
        TypedCase{"13:05:06", TypedValue::Number, (13 * 3600 + 5 * 60 + 6) / 86400.0, "h:mm:ss"},
        TypedCase{"2023/02/29", TypedValue::Text, 0, ""},
        TypedCase{"1899/12/31", TypedValue::Text, 0, ""},
        TypedCase{"25:00", TypedValue::Text, 0, ""}, TypedCase{"TRUE", TypedValue::Bool, 1, ""},
        TypedCase{"false", TypedValue::Bool, 0, ""},
        TypedCase{"=sum(A1:A3)", TypedValue::Formula, 0, ""},
        TypedCase{"=", TypedValue::Text, 0, ""}, TypedCase{"'0123", TypedValue::Text, 0, ""},
        TypedCase{"abc", TypedValue::Text, 0, ""}, TypedCase{"1-2-3", TypedValue::Text, 0, ""},
        TypedCase{"", TypedValue::Empty, 0, ""}));

struct FormatCase {
    double value;
    const char *code;
    const char *text;
};

class NumberFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(NumberFormatTest, RendersLikeTheSpreadsheet) {
    const FormatCase &c = GetParam();
    EXPECT_EQ(formatNumber(c.value, localFormatToFile(c.code)), c.text) << c.code;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberFormatTest,
    ::testing::Values(
        FormatCase{1234567, "#,##0", "1,234,567"}, FormatCase{-1234.5, "#,##0.00", "-1,234.50"},
        FormatCase{0.125, "0.0%", "12.5%"}, FormatCase{5, "00000", "00005"},
        FormatCase{-5, "0_);[Red](0)", "(5)"},
        FormatCase{1234, "\"△\" \\#,###;\"▲\" \\#,###", "△ ¥1,234"},
        FormatCase{45293, "yyyy/m/d", "2024/1/2"},
        FormatCase{45293.5451388889, "yyyy/m/d h:mm", "2024/1/2 13:05"},
        FormatCase{45293, "yyyy\"年\"m\"月\"d\"日\"", "2024年1月2日"},
        FormatCase{45293, "ggge\"年\"m\"月\"d\"日\"", "令和6年1月2日"},
        FormatCase{0.5451388889, "h:mm:ss", "13:05:00"}, FormatCase{0.25, "h:mm AM/PM", "6:00 AM"},
        FormatCase{1.0 / 3, "General", "0.333333333"},
        FormatCase{547192.82, "General", "547192.82"}, FormatCase{1e20, "General", "1E+20"}));

TEST(FormatCodeTest, JapaneseColourTokensBecomeFileSyntax) {
    EXPECT_EQ(localFormatToFile("\\#,###;[赤]\\-#,###"), "\"¥\"#,###;[Red]\"¥\"\\-#,###");
    EXPECT_EQ(localFormatToFile("0;[青]0;[色10]0"), "0;[Blue]0;[Color10]0");
    // Inside quotes the text is literal.
    EXPECT_EQ(localFormatToFile("\"[赤]\"0"), "\"[赤]\"0");
}

struct NameCase {
    const char *name;
    bool ok;
};

class SheetNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SheetNameTest, FollowsTheFileFormatRules) {
    Workbook book;
    book.insertSheet(0); // "Sheet1"
    const NameCase &c = GetParam();
    const Status s = book.renameSheet(0, c.name);
    EXPECT_EQ(s.isOk(), c.ok) << c.name;
    if (!s.isOk()) {
        EXPECT_FALSE(s.error().message.isEmpty());
    }
    // A second sheet may not take the first one's name in any letter case.
    book.insertSheet(1);
    if (c.ok) {
        EXPECT_FALSE(book.renameSheet(1, QString::fromUtf8(c.name).toLower().toStdString()).isOk());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SheetNameTest,
                         ::testing::Values(NameCase{"売上一覧", true}, NameCase{"Data 2024", true},
                                           NameCase{"1234567890123456789012345678901", true},
                                           NameCase{"12345678901234567890123456789012", false},
                                           NameCase{"", false}, NameCase{"a[b", false},
                                           NameCase{"a]b", false}, NameCase{"a:b", false},
                                           NameCase{"a*b", false}, NameCase{"a?b", false},
                                           NameCase{"a/b", false}, NameCase{"a\\b", false},
                                           NameCase{"'quoted", false}));

TEST(OutputPathTest, ContentAlwaysUnderAnXlsxName) {
    const struct {
        const char *in, *out;
    } cases[] = {{"/r/a.xls", "/r/a.xlsx"},     {"/r/A.XLS", "/r/A.XLSx"},
                 {"/r/a.xlsx", "/r/a.xlsx"},    {"/r/a", "/r/a.xlsx"},
                 {"/r/a.txt", "/r/a.txt.xlsx"}, {"/r/a.xlsm", "/r/a.xlsm.xlsx"},
                 {"/r.d/a", "/r.d/a.xlsx"},     {"/r/a.XlSx", "/r/a.XlSx"}};
    for (const auto &c : cases)
        EXPECT_EQ(ExcelSession::xlsxPath(QString::fromUtf8(c.in)), QString::fromUtf8(c.out))
            << c.in;
}

} // namespace

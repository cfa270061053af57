#include "tests/report/reportsamples.h"

#include "report/messagetable.h"
#include "report/reportvalidation.h"
#include "report/userinteraction.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>
#include <vector>

using namespace kelvoran;

namespace {

using Values = std::vector<std::pair<const char *, const char *>>;

// Data at row 4, column 2, title at (2, 1), creation time at (2, 5); no pivot, no template.
ReportDefinition listReport(const Values &changes) {
    ReportDefinition d;
    const Values base = {
        {"DATAFASTROW", "4"},    {"DATAFASTCOL", "2"},       {"TITLEFLG", "TRUE"},
        {"TITLE", "売上"},       {"TITLEROW", "2"},          {"TITLECOL", "1"},
        {"MAKEDATEFLG", "TRUE"}, {"MAKEDATEROW", "2"},       {"MAKEDATECOL", "5"},
        {"SHEETFLG", "FALSE"},   {"PTOUT", "FALSE"},         {"KOTEIFLG", "FALSE"},
        {"KCFLG", "FALSE"},      {"PTDATAFASTROW", "4"},     {"PTDATAFASTCOL", "8"},
        {"PTTITLEFLG", "FALSE"}, {"PTMAKEDATEFLG", "FALSE"}, {"PTSHEETFLG", "FALSE"}};
    for (const auto &[k, v] : base)
        d.setValue(QString::fromLatin1(k), QString::fromUtf8(v));
    for (const auto &[k, v] : changes)
        d.setValue(QString::fromLatin1(k), QString::fromUtf8(v));
    return d;
}

struct Case {
    const char *name;
    Values changes;
    int message;       // -1: all three stages pass
    const char *code;  // step code of the refusal
    const char *focus; // control to focus
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

// Shorthands for pivot cases: pivot on the data sheet at (4, 8).
Values pivot(Values more) {
    Values v = {{"PTOUT", "TRUE"}};
    v.insert(v.end(), more.begin(), more.end());
    return v;
}

const std::vector<Case> &cases() {
    static const std::vector<Case> all = {
        {"defaults pass", {}, -1, "", ""},
        {"title above the data passes", {{"TITLEROW", "3"}, {"TITLECOL", "9"}}, -1, "", ""},
        {"title left of the data passes", {{"TITLEROW", "5"}, {"TITLECOL", "1"}}, -1, "", ""},
        {"title inside the data",
         {{"TITLEROW", "5"}, {"TITLECOL", "2"}},
         0,
         "PCT_150026",
         "EditTitleFastRow"},
        {"title on the data's first row",
         {{"TITLEROW", "4"}, {"TITLECOL", "3"}},
         0,
         "PCT_150028",
         "EditTitleFastRow"},
        // With the creation time off, the refusal keeps the title's step code.
        {"title inside the data, creation time off",
         {{"TITLEROW", "5"}, {"TITLECOL", "2"}, {"MAKEDATEFLG", "FALSE"}},
         0,
         "PCT_150026",
         "EditTitleFastRow"},
        {"title on the data's first row, creation time off",
         {{"TITLEROW", "4"}, {"TITLECOL", "3"}, {"MAKEDATEFLG", "FALSE"}},
         0,
         "PCT_150028",
         "EditTitleFastRow"},
        {"fixed report: title inside the data, creation time off",
         {{"KOTEIFLG", "TRUE"},
          {"KOTEIHINACELL", "ap153"},
          {"TITLEROW", "5"},
          {"TITLECOL", "2"},
          {"MAKEDATEFLG", "FALSE"}},
         0,
         "PCR_320026",
         "EditTitleFastRow"},
        {"creation time inside the data",
         {{"MAKEDATEROW", "6"}, {"MAKEDATECOL", "3"}},
         1,
         "PCT_150033",
         "EditDateFastRow"},
        {"creation time on the data's first row",
         {{"MAKEDATEROW", "4"}, {"MAKEDATECOL", "2"}},
         1,
         "PCT_150035",
         "EditDateFastRow"},
        {"title and creation time in one cell",
         {{"MAKEDATECOL", "1"}},
         3,
         "PCT_150037",
         "EditDateFastRow"},
        {"title and creation time at (2,5)",
         {{"TITLECOL", "5"}},
         3,
         "PCT_150037",
         "EditDateFastRow"},
        {"blank data row", {{"DATAFASTROW", " "}}, 2, "PCT_150002", "EditFastRow"},
        {"blank data column", {{"DATAFASTCOL", ""}}, 2, "PCT_150003", "EditFastCol"},
        {"data row not a number", {{"DATAFASTROW", "4a"}}, 19, "PCT_150004", "EditFastRow"},
        {"creation column not a number",
         {{"MAKEDATECOL", "x"}},
         20,
         "PCT_150019",
         "EditDateFastCol"},
        {"row 65535 passes",
         {{"DATAFASTROW", "65535"}, {"TITLEROW", "1"}, {"MAKEDATEROW", "1"}},
         -1,
         "",
         ""},
        {"row 65536", {{"DATAFASTROW", "65536"}}, 10, "PCT_150006", "EditFastRow"},
        {"column 251 passes",
         {{"DATAFASTCOL", "251"}, {"TITLECOL", "250"}, {"MAKEDATECOL", "249"}},
         -1,
         "",
         ""},
        {"column 252", {{"DATAFASTCOL", "252"}}, 11, "PCT_150007", "EditFastCol"},
        {"title row beyond 65535", {{"TITLEROW", "70000"}}, 10, "PCT_150012", "EditTitleFastRow"},
        {"creation column beyond 251",
         {{"MAKEDATECOL", "300"}},
         11,
         "PCT_150021",
         "EditDateFastCol"},
        // Numbers a file can hold but the designer's digit-only edits cannot: they are
        // refused before anything adds to them.
        {"row at the top of int", {{"DATAFASTROW", "2147483647"}}, 10, "PCT_150006", "EditFastRow"},
        {"row past int", {{"DATAFASTROW", "2147483648"}}, 19, "PCT_150004", "EditFastRow"},
        {"row 0", {{"DATAFASTROW", "0"}}, 19, "PCT_150004", "EditFastRow"},
        {"column at the bottom of int",
         {{"DATAFASTCOL", "-2147483648"}},
         20,
         "PCT_150005",
         "EditFastCol"},
        {"column at the top of int",
         {{"DATAFASTCOL", "2147483647"}},
         11,
         "PCT_150007",
         "EditFastCol"},
        {"negative title column", {{"TITLECOL", "-1"}}, 20, "PCT_150011", "EditTitleFastCol"},
        {"creation row 0", {{"MAKEDATEROW", "0"}}, 19, "PCT_150018", "EditDateFastRow"},
        {"fixed report with a negative data column is refused by the third stage",
         {{"KOTEIFLG", "TRUE"}, {"KOTEIHINACELL", "ap153"}, {"DATAFASTCOL", "-1"}},
         20,
         "PCR_320005",
         "EditFastCol"},
        {"negative pivot data row", pivot({{"PTDATAFASTROW", "-5"}}), 33, "PCP_170004",
         "EditFastRowPivotTable"},
        {"pivot data column 0", pivot({{"PTDATAFASTCOL", "0"}}), 34, "PCT_170005",
         "EditFastColPivotTable"},
        {"pivot title row at the bottom of int",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "-2147483648"}, {"PTTITLECOL", "9"}}), 37,
         "PCP_170010", "EditTitleFastRowPivotTable"},
        {"pivot creation column 0",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "1"}, {"PTMAKEDATECOL", "0"}}), 36,
         "PCP_170018", "EditDateFastColPivotTable"},
        {"sheet name on but empty",
         {{"SHEETFLG", "TRUE"}, {"SHEETNAME", " "}},
         9,
         "PCT_150015",
         "EditSheetName"},
        {"off items are not checked", {{"TITLEFLG", "FALSE"}, {"TITLEROW", "x"}}, -1, "", ""},
        {"fixed report with a one-character end cell",
         {{"KOTEIFLG", "TRUE"}, {"KOTEIHINACELL", "A"}},
         45,
         "PCT_150039",
         "EditHinaEndCell"},
        {"fixed report with a blank data row is refused by the third stage",
         {{"KOTEIFLG", "TRUE"}, {"KOTEIHINACELL", "ap153"}, {"DATAFASTROW", ""}},
         2,
         "PCR_320002",
         "EditFastRow"},
        {"extended report ignores the data position",
         {{"KCFLG", "TRUE"},
          {"KOTEIHINACELL", "ap153"},
          {"KCFC", "B5"},
          {"KCEC", "I5"},
          {"KCPC", "4"},
          {"DATAFASTROW", ""}},
         -1,
         "",
         ""},
        {"extended report end cell",
         {{"KCFLG", "TRUE"}, {"KOTEIHINACELL", "A"}},
         45,
         "PCR_320039",
         "EditHinaEndCell"},
        {"extended report repeat start",
         {{"KCFLG", "TRUE"}, {"KOTEIHINACELL", "ap153"}, {"KCFC", "B"}},
         46,
         "PCR_320043",
         "EditKurikaeshiFarst"},
        {"extended report repeat end",
         {{"KCFLG", "TRUE"}, {"KOTEIHINACELL", "ap153"}, {"KCFC", "B5"}, {"KCEC", ""}},
         47,
         "PCR_320045",
         "EditKurikaeshiEnd"},
        {"extended report rows per page",
         {{"KCFLG", "TRUE"},
          {"KOTEIHINACELL", "ap153"},
          {"KCFC", "B5"},
          {"KCEC", "I5"},
          {"KCPC", ""}},
         48,
         "PCR_320047",
         "EditKCRowCnt"},

        // Pivot table on the data sheet (data at column 2, three report columns).
        {"pivot right of the data passes", pivot({{"PTDATAFASTCOL", "5"}}), -1, "", ""},
        {"pivot over the data columns", pivot({{"PTDATAFASTCOL", "4"}}), 16, "PCP_170038",
         "EditFastColPivotTable"},
        {"pivot on its own sheet may overlap",
         pivot({{"PTDATAFASTCOL", "2"}, {"PTSHEETFLG", "TRUE"}, {"PTSHEETNAME", "P"}}), -1, "", ""},
        {"pivot sheet name empty", pivot({{"PTSHEETFLG", "TRUE"}}), 30, "PCP_170014",
         "EditSheetNamePivotTable"},
        {"blank pivot data row", pivot({{"PTDATAFASTROW", ""}}), 31, "PCP_170002",
         "EditFastRowPivotTable"},
        {"blank pivot data column", pivot({{"PTDATAFASTCOL", ""}}), 32, "PCP_170003",
         "EditFastColPivotTable"},
        {"pivot data row not a number", pivot({{"PTDATAFASTROW", "r"}}), 33, "PCP_170004",
         "EditFastRowPivotTable"},
        {"pivot data column not a number", pivot({{"PTDATAFASTCOL", "c"}}), 34, "PCT_170005",
         "EditFastColPivotTable"},
        {"pivot data row 65536", pivot({{"PTDATAFASTROW", "65536"}}), 39, "PCP_170006",
         "EditFastRowPivotTable"},
        {"pivot data column 252", pivot({{"PTDATAFASTCOL", "252"}}), 40, "PCP_170007",
         "EditFastColPivotTable"},
        {"pivot title row blank", pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLECOL", "9"}}), 28,
         "PCP_170008", "EditTitleFastRowPivotTable"},
        {"pivot title column blank", pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "1"}}), 29,
         "PCP_170009", "EditTitleFastColPivotTable"},
        {"pivot title row not a number",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "a"}, {"PTTITLECOL", "9"}}), 37,
         "PCP_170010", "EditTitleFastRowPivotTable"},
        {"pivot title column not a number",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "1"}, {"PTTITLECOL", "b"}}), 38,
         "PCP_170011", "EditTitleFastColPivotTable"},
        {"pivot title row beyond 65535",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "65536"}, {"PTTITLECOL", "9"}}), 41,
         "PCP_170012", "EditTitleFastRowPivotTable"},
        {"pivot title column beyond 251",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "1"}, {"PTTITLECOL", "252"}}), 42,
         "PCP_170013", "EditTitleFastColPivotTable"},
        {"pivot creation row blank", pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATECOL", "9"}}), 26,
         "PCP_170015", "EditDateFastRowPivotTable"},
        {"pivot creation column blank", pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "1"}}),
         27, "PCP_170016", "EditDateFastColPivotTable"},
        {"pivot creation row not a number",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "?"}, {"PTMAKEDATECOL", "9"}}), 35,
         "PCP_170017", "EditDateFastRowPivotTable"},
        {"pivot creation column not a number",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "1"}, {"PTMAKEDATECOL", "?"}}), 36,
         "PCP_170018", "EditDateFastColPivotTable"},
        {"pivot creation row beyond 65535",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "99999"}, {"PTMAKEDATECOL", "9"}}), 43,
         "PCP_170019", "EditDateFastRowPivotTable"},
        {"pivot creation column beyond 251",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "1"}, {"PTMAKEDATECOL", "999"}}), 44,
         "PCP_170020", "EditDateFastColPivotTable"},
        {"pivot title inside the pivot",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "5"}, {"PTTITLECOL", "9"}}), 17,
         "PCP_170021", "EditTitleFastRowPivotTable"},
        {"pivot title on the pivot's first row",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "4"}, {"PTTITLECOL", "8"}}), 17,
         "PCP_170022", "EditTitleFastRowPivotTable"},
        {"pivot title inside the data",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "5"}, {"PTTITLECOL", "3"}}), 21,
         "PCP_170023", "EditTitleFastRowPivotTable"},
        {"pivot title on the data's first row",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "4"}, {"PTTITLECOL", "3"}}), 21,
         "PCP_170024", "EditTitleFastRowPivotTable"},
        {"data title inside the pivot",
         pivot({{"PTDATAFASTROW", "1"},
                {"TITLEROW", "2"},
                {"TITLECOL", "9"},
                {"PTTITLEFLG", "TRUE"},
                {"PTTITLEROW", "1"},
                {"PTTITLECOL", "1"}}),
         25, "PCP_170025", "EditFastRowPivotTable"},
        {"pivot creation time inside the pivot",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "5"}, {"PTMAKEDATECOL", "9"}}), 18,
         "PCP_170027", "EditDateFastRowPivotTable"},
        {"pivot creation time inside the data",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "5"}, {"PTMAKEDATECOL", "3"}}), 22,
         "PCP_170029", "EditDateFastRowPivotTable"},
        {"data creation time inside the pivot",
         pivot({{"PTDATAFASTROW", "1"},
                {"MAKEDATEROW", "2"},
                {"MAKEDATECOL", "9"},
                {"PTMAKEDATEFLG", "TRUE"},
                {"PTMAKEDATEROW", "1"},
                {"PTMAKEDATECOL", "1"}}),
         24, "PCP_170031", "EditFastRowPivotTable"},
        {"pivot title and creation time in one cell",
         pivot({{"PTTITLEFLG", "TRUE"},
                {"PTTITLEROW", "2"},
                {"PTTITLECOL", "3"},
                {"PTMAKEDATEFLG", "TRUE"},
                {"PTMAKEDATEROW", "2"},
                {"PTMAKEDATECOL", "3"}}),
         23, "PCP_170033", "EditDateFastRowPivotTable"},
        {"pivot title on the data title",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "2"}, {"PTTITLECOL", "1"}}), 12,
         "PCP_170034", "EditTitleFastRowPivotTable"},
        {"pivot title on the data creation time",
         pivot({{"PTTITLEFLG", "TRUE"}, {"PTTITLEROW", "2"}, {"PTTITLECOL", "5"}}), 13,
         "PCP_170035", "EditTitleFastRowPivotTable"},
        {"pivot creation time on the data title",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "2"}, {"PTMAKEDATECOL", "1"}}), 14,
         "PCP_170036", "EditDateFastRowPivotTable"},
        {"pivot creation time on the data creation time",
         pivot({{"PTMAKEDATEFLG", "TRUE"}, {"PTMAKEDATEROW", "2"}, {"PTMAKEDATECOL", "5"}}), 15,
         "PCP_170037", "EditDateFastRowPivotTable"},
    };
    return all;
}

} // namespace

class ReportValidation : public ::testing::TestWithParam<Case> {};

TEST_P(ReportValidation, RefusesWithItsMessage) {
    const Case &c = GetParam();
    const ReportDefinition def = listReport(c.changes);
    RecordingInteraction ui;
    StepCode step(u'P');
    ReportValidator validator(def, 3, ui, step);
    const bool ok = validator.validateAll();
    if (c.message < 0) {
        EXPECT_TRUE(ok) << "message " << validator.lastMessage() << " at "
                        << step.text().toStdString();
        EXPECT_TRUE(ui.messages.empty());
        return;
    }
    ASSERT_FALSE(ok);
    EXPECT_EQ(validator.lastMessage(), c.message);
    EXPECT_EQ(step.text(), QString::fromLatin1(c.code));
    EXPECT_EQ(validator.focusControl(), QString::fromLatin1(c.focus));
    ASSERT_EQ(ui.messages.size(), 1u) << "one refusal, one message";
    EXPECT_EQ(ui.messages[0].text, messageText(2, c.message));
    const bool notANumber =
        c.message == 19 || c.message == 20 || (c.message >= 33 && c.message <= 38);
    EXPECT_EQ(validator.selectText(), notANumber);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportValidation, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case> &param) {
                             std::string name;
                             for (const char *p = param.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

namespace {

// Settings the numbered table has no message for: each is refused with a text of its own that
// names the value.
struct RangeCase {
    const char *name;
    Values changes;
    std::vector<ColumnSetting> columns;
    QString text;      // empty: all three stages pass
    const char *code;  // step code of the refusal
    const char *focus; // control to focus
};

void PrintTo(const RangeCase &c, std::ostream *os) {
    *os << c.name;
}

ColumnSetting widthColumn(const char *width, const char *codes = "", const char *keys = "") {
    ColumnSetting c;
    c.PhysicalName = QStringLiteral("AMOUNT");
    c.WidthOrCell = QString::fromLatin1(width);
    c.FormatCodes = QString::fromLatin1(codes);
    c.GroupKeys = QString::fromLatin1(keys);
    return c;
}

// An extended list report whose checks all pass but for the rows per page.
Values extended(const char *rowsPerPage) {
    return {{"KCFLG", "TRUE"},
            {"KOTEIHINACELL", "ap153"},
            {"KCFC", "B5"},
            {"KCEC", "I5"},
            {"KCPC", rowsPerPage}};
}

const std::vector<RangeCase> &rangeCases() {
    using namespace RangeText;
    auto q = [](const char *t) { return QString::fromLatin1(t); };
    static const std::vector<RangeCase> all = {
        {"header format columns at their limits pass",
         {{"FROWFASTCOL", "1"}, {"FROWENDCOL", "251"}},
         {},
         {},
         "",
         ""},
        {"header format start at the top of int",
         {{"FROWFASTCOL", "2147483647"}},
         {},
         headerFormatColumn(q("2147483647")),
         "PCT_150040",
         "EditTitleFast"},
        {"header format start 0",
         {{"FROWFASTCOL", "0"}},
         {},
         headerFormatColumn(q("0")),
         "PCT_150040",
         "EditTitleFast"},
        {"header format start not a number",
         {{"FROWFASTCOL", "x"}},
         {},
         headerFormatColumn(q("x")),
         "PCT_150040",
         "EditTitleFast"},
        {"header format end 252",
         {{"FROWENDCOL", "252"}},
         {},
         headerFormatColumn(q("252")),
         "PCT_150041",
         "EditTitleEnd"},
        {"header format end at the bottom of int",
         {{"FROWENDCOL", "-2147483648"}},
         {},
         headerFormatColumn(q("-2147483648")),
         "PCT_150041",
         "EditTitleEnd"},
        {"header colours at their limits pass",
         {{"TITLEBACKCOLOR", "56"}, {"TITLEFONTCOLOR", "0"}},
         {},
         {},
         "",
         ""},
        {"automatic header font colour passes", {{"TITLEFONTCOLOR", "-4105"}}, {}, {}, "", ""},
        {"automatic is no fill colour",
         {{"TITLEBACKCOLOR", "-4105"}},
         {},
         headerColour(q("-4105")),
         "PCT_150042",
         "EditTitleFormat"},
        {"header fill colour 57",
         {{"TITLEBACKCOLOR", "57"}},
         {},
         headerColour(q("57")),
         "PCT_150042",
         "EditTitleFormat"},
        {"header font colour negative",
         {{"TITLEFONTCOLOR", "-1"}},
         {},
         headerColour(q("-1")),
         "PCT_150042",
         "EditTitleFormat"},
        {"header fill colour past int",
         {{"TITLEBACKCOLOR", "2147483648"}},
         {},
         headerColour(q("2147483648")),
         "PCT_150042",
         "EditTitleFormat"},
        {"header colours unused without the column-name row",
         {{"KOUMOKUNAME", "FALSE"}, {"TITLEBACKCOLOR", "999"}},
         {},
         {},
         "",
         ""},
        {"widths at their limits pass",
         {},
         {widthColumn("0"), widthColumn("255"), widthColumn("10.5"), widthColumn("")},
         {},
         "",
         ""},
        {"width 256",
         {},
         {widthColumn("10"), widthColumn("256")},
         columnWidth(q("256"), 2),
         "PCT_150043_2",
         "StringGrid_ExcelSet_Col"},
        {"width 1e308",
         {},
         {widthColumn("1e308")},
         columnWidth(q("1e308"), 1),
         "PCT_150043_1",
         "StringGrid_ExcelSet_Col"},
        {"width infinite",
         {},
         {widthColumn("inf")},
         columnWidth(q("inf"), 1),
         "PCT_150043_1",
         "StringGrid_ExcelSet_Col"},
        {"width not a number",
         {},
         {widthColumn("nan")},
         columnWidth(q("nan"), 1),
         "PCT_150043_1",
         "StringGrid_ExcelSet_Col"},
        {"negative width",
         {},
         {widthColumn("-1")},
         columnWidth(q("-1"), 1),
         "PCT_150043_1",
         "StringGrid_ExcelSet_Col"},
        {"target cells of a fixed report are not widths",
         {{"KOTEIFLG", "TRUE"}, {"KOTEIHINACELL", "ap153"}},
         {widthColumn("B5")},
         {},
         "",
         ""},
        {"group total colour of the palette passes",
         {},
         {widthColumn("10", "103/ 56/   /   /,", "REGION******,")},
         {},
         "",
         ""},
        {"group total colour that is no number keeps its fixed colour",
         {},
         {widthColumn("10", "104/abc/   /   /,", "REGION******,")},
         {},
         "",
         ""},
        {"group total colour 99",
         {},
         {widthColumn("10"),
          widthColumn("10", "002/   /   /   /,103/ 99/   /   /,", "REGION******,")},
         groupColour(q("99"), 2),
         "PCT_150043_2",
         "StringGrid_ExcelSet_Col"},
        {"group average colour negative",
         {},
         {widthColumn("10", "104/-12/   /   /,", "REGION******,")},
         groupColour(q("-12"), 1),
         "PCT_150043_1",
         "StringGrid_ExcelSet_Col"},
        {"one row per page passes", extended("1"), {}, {}, "", ""},
        {"no rows per page", extended("0"), {}, rowsPerPage(q("0")), "PCR_320048", "EditKCRowCnt"},
        {"negative rows per page",
         extended("-3"),
         {},
         rowsPerPage(q("-3")),
         "PCR_320048",
         "EditKCRowCnt"},
        {"rows per page past int",
         extended("99999999999"),
         {},
         rowsPerPage(q("99999999999")),
         "PCR_320048",
         "EditKCRowCnt"},
        {"rows per page not a number",
         extended("x"),
         {},
         rowsPerPage(q("x")),
         "PCR_320048",
         "EditKCRowCnt"},
    };
    return all;
}

} // namespace

class SettingRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SettingRanges, RefusesWithATextNamingTheValue) {
    const RangeCase &c = GetParam();
    ReportDefinition def = listReport(c.changes);
    def.columns = c.columns;
    RecordingInteraction ui;
    StepCode step(u'P');
    ReportValidator validator(def, 3, ui, step);
    const bool ok = validator.validateAll();
    if (c.text.isEmpty()) {
        EXPECT_TRUE(ok) << step.text().toStdString() << " "
                        << (ui.messages.empty() ? "" : ui.messages[0].text.toStdString());
        EXPECT_TRUE(ui.messages.empty());
        return;
    }
    ASSERT_FALSE(ok);
    EXPECT_EQ(step.text(), QString::fromLatin1(c.code));
    EXPECT_EQ(validator.focusControl(), QString::fromLatin1(c.focus));
    EXPECT_TRUE(validator.selectText());
    ASSERT_EQ(ui.messages.size(), 1u) << "one refusal, one message";
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages[0].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingRanges, ::testing::ValuesIn(rangeCases()),
                         [](const ::testing::TestParamInfo<RangeCase> &param) {
                             std::string name;
                             for (const char *p = param.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(ReportValidationStages, RecordPositionsForTheOutput) {
    ReportDefinition def = listReport({{"SHEETFLG", "TRUE"},
                                       {"SHEETNAME", "売上"},
                                       {"PTOUT", "TRUE"},
                                       {"PTTITLEFLG", "TRUE"},
                                       {"PTTITLE", "集計"},
                                       {"PTTITLEROW", "2"},
                                       {"PTTITLECOL", "8"}});
    RecordingInteraction ui;
    StepCode step(u'C');
    ReportValidator v(def, 3, ui, step);
    ASSERT_TRUE(v.ValidateDataSheet());
    EXPECT_EQ(v.positions().dataRow, 4);
    EXPECT_EQ(v.positions().dataCol, 2);
    EXPECT_EQ(v.positions().titleText, QStringLiteral("売上"));
    EXPECT_EQ(v.positions().makeDateCol, 5);
    EXPECT_EQ(v.positions().sheetName, QStringLiteral("売上"));
    ASSERT_TRUE(v.ValidatePivot());
    EXPECT_EQ(v.positions().pivotDataCol, 8);
    EXPECT_EQ(v.positions().pivotTitleRow, 2);
    EXPECT_EQ(v.positions().pivotTitleText, QStringLiteral("集計"));
    ASSERT_TRUE(v.ValidateExtendedReport());
    EXPECT_FALSE(v.positions().extendedReport);
    EXPECT_TRUE(step.text().startsWith(QStringLiteral("CCR_"))) << step.text().toStdString();

    // The scheduler's prefix carries into the refusal codes.
    def.setValue(QStringLiteral("DATAFASTROW"), QString());
    ReportValidator scheduled(def, 3, ui, step);
    EXPECT_FALSE(scheduled.validateAll());
    EXPECT_EQ(step.text(), QStringLiteral("CCT_150002"));

    // Turning the title off clears what an earlier run recorded.
    def.setValue(QStringLiteral("DATAFASTROW"), QStringLiteral("4"));
    def.setValue(QStringLiteral("TITLEFLG"), QStringLiteral("FALSE"));
    ASSERT_TRUE(v.ValidateDataSheet());
    EXPECT_EQ(v.positions().titleRow, 0);
    EXPECT_TRUE(v.positions().titleText.isEmpty());
}

TEST(MessageTable, EveryNumberHasItsTextAndBox) {
    // Kind 2 numbers 0-48 and kind 1 numbers 2 and 3, and nothing else.
    for (int n = 0; n <= 48; ++n) {
        SCOPED_TRACE(n);
        RecordingInteraction ui;
        ui.confirmAnswers = {false};
        const int answer = ShowMessageNo(ui, 2, n);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, messageText(2, n));
        EXPECT_FALSE(messageText(2, n).isEmpty());
        if (n == 7) {
            EXPECT_TRUE(ui.messages[0].question);
            EXPECT_EQ(answer, 1) << "No";
        } else {
            EXPECT_FALSE(ui.messages[0].question);
            EXPECT_EQ(answer, 0);
            const bool information = n == 2 || n == 3 || n == 5;
            EXPECT_EQ(ui.messages[0].icon,
                      information ? MessageIcon::Information : MessageIcon::Warning);
        }
    }
    RecordingInteraction yes;
    yes.confirmAnswers = {true};
    EXPECT_EQ(ShowMessageNo(yes, 2, 7), 0);

    const std::pair<int, const char *> spotChecks[] = {
        {0, "Title配置行・列が不正です。確認してください。"},
        {16,
         "ピボットテーブルデータはExcelデータ配置列より右側に表示されるよう値を設定してください。"},
        {25, "Excelデータ出力用Title配置行･列とピボットテーブルデータ出力位置が重なります。変更して"
             "ください。"},
        {48, "改ページ行数が指定されていません。確認してください。"}};
    for (const auto &[n, text] : spotChecks)
        EXPECT_EQ(messageText(2, n), QString::fromUtf8(text)) << n;

    RecordingInteraction info;
    EXPECT_EQ(ShowMessageNo(info, 1, 2), 0);
    EXPECT_EQ(ShowMessageNo(info, 1, 3), 0);
    ASSERT_EQ(info.messages.size(), 2u);
    EXPECT_EQ(info.messages[0].text, QStringLiteral("SQLを実行しました。"));
    EXPECT_EQ(info.messages[1].text, QStringLiteral("プロシージャを実行しました。"));
    EXPECT_EQ(info.messages[1].icon, MessageIcon::Information);

    RecordingInteraction none;
    for (auto [kind, n] : {std::pair{1, 0}, {1, 7}, {2, 49}, {2, -1}, {3, 2}})
        ShowMessageNo(none, kind, n);
    EXPECT_TRUE(none.messages.empty());
}

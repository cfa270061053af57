// Conditional formats and validations of a sheet follow its cells: copies of blocks carry them
// re-based as formulas are (into another workbook with their formats), pasting over cells
// replaces them, inserted and deleted rows move them; so every block of a fixed or extended
// list report has the template's rules. Every case is saved and read back by openpyxl, which
// re-bases each rule's formulas onto each cell it covers.
#include "excel/excelsession.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"
#include "report/reportdefinition.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kelvoran;

namespace {

const char *const kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Arial\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border/></borders>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellXfs>"
    "<dxfs count=\"2\"><dxf><fill><patternFill><bgColor rgb=\"FF00FF00\"/></patternFill></fill>"
    "</dxf><dxf><fill><patternFill><bgColor rgb=\"FFFF0000\"/></patternFill></fill></dxf></dxfs>"
    "</styleSheet>";

// B2:B3 red when above the cell to its upper left plus A1; C2 takes a whole number between
// the cell to its left-left and A1; the validation list keeps its own option.
const char *const kRules =
    "<conditionalFormatting sqref=\"B2:B3\"><cfRule type=\"expression\" dxfId=\"1\" "
    "priority=\"1\"><formula>B2&gt;A1+$A$1</formula></cfRule></conditionalFormatting>"
    "<dataValidations count=\"1\" disablePrompts=\"1\"><dataValidation type=\"whole\" "
    "operator=\"between\" allowBlank=\"1\" sqref=\"C2\"><formula1>A2</formula1>"
    "<formula2>$A$1</formula2></dataValidation></dataValidations>";

std::string packageWithRules() {
    auto parts = test::minimalParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                    "<row r=\"3\"><c r=\"B3\"><v>5</v></c></row>");
    std::string &sheet = parts["xl/worksheets/sheet1.xml"];
    sheet.insert(sheet.rfind("</worksheet>"), kRules);
    std::string &rels = parts["xl/_rels/workbook.xml.rels"];
    rels.insert(rels.rfind("</Relationships>"),
                "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/"
                "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
    parts["xl/styles.xml"] = kStyles;
    return test::packageOf(parts);
}

// For every cell of the first sheet under a rule: "cf(fill):formula" or "dv:formula1;formula2"
// with the formulas as they read at that cell.
const char *const kReadRules = R"PY(
import sys, json, openpyxl
from openpyxl.formula.translate import Translator
from openpyxl.utils.cell import range_boundaries, get_column_letter
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
cells = {}
def add(text, sqref, formulas):
    bounds = [range_boundaries(r) for r in str(sqref).split()]
    origin = get_column_letter(min(b[0] for b in bounds)) + str(min(b[1] for b in bounds))
    for (c1, r1, c2, r2) in bounds:
        for r in range(r1, r2 + 1):
            for c in range(c1, c2 + 1):
                at = get_column_letter(c) + str(r)
                moved = [Translator("=" + f, origin).translate_formula(at)[1:] for f in formulas]
                cells.setdefault(at, []).append(text + ":" + ";".join(moved))
for cf in ws.conditional_formatting:
    for rule in cf.rules:
        fill = rule.dxf.fill.bgColor.rgb if rule.dxf is not None and rule.dxf.fill is not None else ""
        add("cf(" + str(fill) + ")", cf.sqref, rule.formula)
for dv in ws.data_validations.dataValidation:
    add("dv", dv.sqref, [f for f in (dv.formula1, dv.formula2) if f is not None])
for k in cells:
    cells[k].sort()
print(json.dumps({"cells": cells, "disablePrompts": bool(ws.data_validations.disablePrompts)}))
)PY";

using RuleMap = std::map<std::string, std::vector<std::string>>;

RuleMap ruleMapOf(const QJsonObject &o) {
    RuleMap out;
    const QJsonObject cells = o.value(QStringLiteral("cells")).toObject();
    for (auto it = cells.begin(); it != cells.end(); ++it)
        for (const QJsonValue &v : it.value().toArray())
            out[it.key().toStdString()].push_back(v.toString().toStdString());
    return out;
}

std::string cf(const std::string &formula) {
    return "cf(FFFF0000):" + formula;
}
std::string dv(const std::string &formulas) {
    return "dv:" + formulas;
}

const RuleMap kTemplateRules = {
    {"B2", {cf("B2>A1+$A$1")}}, {"B3", {cf("B3>A2+$A$1")}}, {"C2", {dv("A2;$A$1")}}};

RuleMap with(RuleMap base, const RuleMap &more) {
    for (const auto &[cell, rules] : more)
        base[cell].insert(base[cell].end(), rules.begin(), rules.end());
    return base;
}

struct RuleCase {
    const char *name;
    // Changes the template's sheet, or fills the fresh workbook, and returns the one to save.
    std::function<xlsx::Workbook &(xlsx::Workbook &tpl, xlsx::Workbook &fresh)> change;
    RuleMap expected;
};

void PrintTo(const RuleCase &c, std::ostream *os) {
    *os << c.name;
}

constexpr int kAllColumns = xlsx::kMaxColumns;

const RuleCase kRuleCases[] = {
    {"BlockCopiedBelow",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = tpl.sheet(0);
         ws.copyFrom(ws, {1, 1, 3, kAllColumns}, 11, 1, true);
         return tpl;
     },
     with(kTemplateRules, {{"B12", {cf("B12>A11+$A$1")}},
                           {"B13", {cf("B13>A12+$A$1")}},
                           {"C12", {dv("A12;$A$1")}}})},
    {"PartOfARangeCopied",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = tpl.sheet(0);
         ws.copyFrom(ws, {3, 2, 3, 3}, 7, 2, false);
         return tpl;
     },
     with(kTemplateRules, {{"B7", {cf("B7>A6+$A$1")}}})},
    {"CopiedAcrossColumns",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = tpl.sheet(0);
         ws.copyFrom(ws, {2, 2, 3, 3}, 5, 5, false);
         return tpl;
     },
     with(kTemplateRules,
          {{"E5", {cf("E5>D4+$A$1")}}, {"E6", {cf("E6>D5+$A$1")}}, {"F5", {dv("D5;$A$1")}}})},
    {"CopyOntoRulesReplacesThem",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = tpl.sheet(0);
         ws.copyFrom(ws, {1, 1, 3, kAllColumns}, 2, 1, true);
         return tpl;
     },
     // Rows 1-3 land on 2-4: each rule once, on the cells where the copy put it.
     {{"B3", {cf("B3>A2+$A$1")}}, {"B4", {cf("B4>A3+$A$1")}}, {"C3", {dv("A3;$A$1")}}}},
    {"EmptyRowsPastedOver",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = tpl.sheet(0);
         ws.copyFrom(ws, {5, 1, 6, kAllColumns}, 2, 1, true);
         return tpl;
     },
     {}},
    {"FirstRowOfTheRangeDeleted",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         tpl.sheet(0).deleteShiftUp({2, 1, 2, kAllColumns});
         return tpl;
     },
     {{"B2", {cf("B2>#REF!+$A$1")}}}},
    {"CellsDeletedInSomeColumns",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         tpl.sheet(0).deleteShiftUp({2, 1, 2, 2});
         return tpl;
     },
     // C2 stays where it is; the cell it names is gone.
     {{"B2", {cf("B2>#REF!+$A$1")}}, {"C2", {dv("#REF!;$A$1")}}}},
    {"RowsDeletedBelow",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         tpl.sheet(0).deleteShiftUp({5, 1, 9, kAllColumns});
         return tpl;
     },
     kTemplateRules},
    {"RowsInsertedAbove",
     [](xlsx::Workbook &tpl, xlsx::Workbook &) -> xlsx::Workbook & {
         tpl.sheet(0).insertShiftDown({1, 1, 2, kAllColumns});
         return tpl;
     },
     {{"B4", {cf("B4>A3+$A$3")}}, {"B5", {cf("B5>A4+$A$3")}}, {"C4", {dv("A4;$A$3")}}}},
    {"CopiedIntoAnotherWorkbook",
     [](xlsx::Workbook &tpl, xlsx::Workbook &fresh) -> xlsx::Workbook & {
         xlsx::Worksheet &ws = fresh.insertSheet(0);
         ws.copyFrom(tpl.sheet(0), {1, 1, 3, kAllColumns}, 1, 1, true);
         ws.copyFrom(tpl.sheet(0), {1, 1, 3, kAllColumns}, 11, 1, true);
         // The format the rule uses comes along once, whatever the number of copies.
         EXPECT_EQ(fresh.styles().dxfs, (std::vector<std::string>{tpl.styles().dxfs[1]}));
         return fresh;
     },
     with(kTemplateRules, {{"B12", {cf("B12>A11+$A$1")}},
                           {"B13", {cf("B13>A12+$A$1")}},
                           {"C12", {dv("A12;$A$1")}}})},
};

class SheetRules : public testing::TestWithParam<RuleCase> {};

TEST_P(SheetRules, FollowTheCells) {
    auto read = xlsx::readWorkbook(packageWithRules());
    ASSERT_TRUE(read.isOk()) << read.error().message.toStdString();
    xlsx::Workbook fresh;
    xlsx::Workbook &out = GetParam().change(*read.value(), fresh);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rules.xlsx"));
    ASSERT_TRUE(xlsx::saveWorkbook(out, path.toStdString()).isOk());
    const QJsonObject o = test::readBack(QString::fromUtf8(kReadRules), path);
    EXPECT_EQ(ruleMapOf(o), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, SheetRules, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase> &p) { return p.param.name; });

// A sheet copied whole into another workbook keeps its rules, their formats and the options of
// its validation list.
TEST(SheetRulesCopy, SheetCopyCarriesTheFormats) {
    auto read = xlsx::readWorkbook(packageWithRules());
    ASSERT_TRUE(read.isOk());
    xlsx::Workbook out;
    out.insertCopy(read.value()->sheet(0), 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.xlsx"));
    ASSERT_TRUE(xlsx::saveWorkbook(out, path.toStdString()).isOk());
    const QJsonObject o = test::readBack(QString::fromUtf8(kReadRules), path);
    EXPECT_EQ(ruleMapOf(o), kTemplateRules);
    EXPECT_TRUE(o.value(QStringLiteral("disablePrompts")).toBool());
}

// A rule whose range the sheet cannot hold is left out with a notice naming the sheet; the
// other rules stay.
TEST(SheetRulesRead, BadRangeLeftOutWithANotice) {
    auto parts = test::minimalParts("");
    std::string &sheet = parts["xl/worksheets/sheet1.xml"];
    sheet.insert(sheet.rfind("</worksheet>"),
                 "<conditionalFormatting sqref=\"A1 ZZZZ9\"><cfRule type=\"expression\" "
                 "priority=\"1\"><formula>TRUE</formula></cfRule></conditionalFormatting>"
                 "<conditionalFormatting sqref=\"A2\"><cfRule type=\"expression\" "
                 "priority=\"2\"><formula>A2=1</formula></cfRule></conditionalFormatting>");
    auto read = xlsx::readWorkbook(test::packageOf(parts));
    ASSERT_TRUE(read.isOk());
    const auto &rules = read.value()->sheet(0).rangeRules;
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].ranges, (std::vector<xlsx::CellRect>{{2, 1, 2, 1}}));
    ASSERT_EQ(read.value()->notices.size(), 1u);
    EXPECT_NE(read.value()->notices[0].find("条件付き書式"), std::string::npos);
    EXPECT_NE(read.value()->notices[0].find("ZZZZ9"), std::string::npos);
}

// Templates made by openpyxl. fixed: a 6-row slip (A1:E6), the amount B4 red from 10000 on,
// the code B2 five characters long. extended: a 20-row page (A1:F20) with the line B5:E5, the
// amount E5 red from 1000 on, the quantity D5 above zero, the branch B2 from a list.
const char *const kMakeTemplate = R"PY(
import sys, openpyxl
from openpyxl.formatting.rule import FormulaRule
from openpyxl.styles import PatternFill
from openpyxl.worksheet.datavalidation import DataValidation
RED = PatternFill(start_color="FFFF0000", end_color="FFFF0000", fill_type="solid")
wb = openpyxl.Workbook()
ws = wb.active
if sys.argv[1] == "fixed":
    for row, label in ((1, "伝票"), (2, "コード"), (3, "商品"), (4, "金額")):
        ws.cell(row=row, column=1, value=label)
    ws["E6"] = "印"
    ws.conditional_formatting.add("B4", FormulaRule(formula=["B4>=10000"], fill=RED))
    code = DataValidation(type="custom", formula1="LEN(B2)=5")
    code.add("B2")
    ws.add_data_validation(code)
else:
    ws["A1"] = "受注一覧"
    ws["A2"] = "支店"
    for col, label in zip("BCDE", ("受注番号", "商品", "数量", "金額")):
        ws[col + "4"] = label
    ws["F20"] = "p"
    ws.conditional_formatting.add("E5", FormulaRule(formula=["E5>=1000"], fill=RED))
    quantity = DataValidation(type="custom", formula1="D5>0")
    quantity.add("D5")
    branch = DataValidation(type="list", formula1='"東京,大阪"')
    branch.add("B2")
    ws.add_data_validation(quantity)
    ws.add_data_validation(branch)
wb.save(sys.argv[2])
)PY";

QString makeRuleTemplate(const QTemporaryDir &dir, const char *layout) {
    const QString path = dir.filePath(QString::fromLatin1(layout) + QStringLiteral(".xlsx"));
    const auto r =
        test::runPython(QString::fromUtf8(kMakeTemplate), {QString::fromLatin1(layout), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return path;
}

ColumnSetting column(const char *name, const char *cell) {
    ColumnSetting c;
    c.PhysicalName = QString::fromUtf8(name);
    c.WidthOrCell = QString::fromUtf8(cell);
    return c;
}

ReportDefinition fixedSlips() {
    ReportDefinition def;
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("E6"));
    def.columns = {column("code", "B2"), column("product", "B3"), column("amount", "B4")};
    return def;
}

ReportDefinition extendedLines() {
    ReportDefinition def;
    def.setFlag(QStringLiteral("KCFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("F20"));
    def.setValue(QStringLiteral("KCFC"), QStringLiteral("B5"));
    def.setValue(QStringLiteral("KCEC"), QStringLiteral("E5"));
    def.setValue(QStringLiteral("KCPC"), QStringLiteral("3"));
    def.columns = {column("branch", "B2"), column("order_no", "B5"), column("product", "C5"),
                   column("quantity", "D5"), column("amount", "E5")};
    return def;
}

// Writes the report from the template and saves it; the saved path, or empty on failure.
QString writeReport(const QTemporaryDir &dir, const QString &templatePath,
                    const ReportDefinition &def, std::vector<std::vector<QVariant>> records) {
    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, templatePath, QString(), 0, step);
    EXPECT_TRUE(wb.isOk());
    if (!wb)
        return QString();
    TemplateWorkbook book = wb.value();
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.dataCount = long(records.size());
    VectorRecordSource source(std::move(records));
    const Status s = writeTemplateReport(xl, run, def, source, step, {});
    EXPECT_TRUE(s.isOk()) << s.error().text().toStdString();
    closeTemplateWorkbook(xl, book);
    Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out.xlsx")));
    EXPECT_TRUE(saved.isOk());
    return saved ? saved.value() : QString();
}

std::string at(const char *column, int row) {
    return column + std::to_string(row);
}

// Each slip has the rules on its own cells; the block left over after the last slip takes its
// rules away with it, and with no records the template block's go too.
TEST(TemplateReportRules, EverySlipHasTheTemplateRules) {
    QTemporaryDir dir;
    const QString tpl = makeRuleTemplate(dir, "fixed");
    for (int records : {3, 1, 0}) {
        SCOPED_TRACE(records);
        std::vector<std::vector<QVariant>> data;
        for (int i = 0; i < records; ++i)
            data.push_back(
                {QStringLiteral("0000%1").arg(i), QStringLiteral("品%1").arg(i), 500 * i});
        const QString out = writeReport(dir, tpl, fixedSlips(), data);
        ASSERT_FALSE(out.isEmpty());
        RuleMap expected;
        for (int b = 0; b < records; ++b) {
            const int o = 6 * b;
            expected[at("B", 4 + o)] = {cf(at("B", 4 + o) + ">=10000")};
            expected[at("B", 2 + o)] = {dv("LEN(" + at("B", 2 + o) + ")=5")};
        }
        EXPECT_EQ(ruleMapOf(test::readBack(QString::fromUtf8(kReadRules), out)), expected);
    }
}

// The lines of a page have the line's rules, each page (copied from the template workbook) its
// page rules, with the format of the template; no other cell has any.
TEST(TemplateReportRules, EveryLineAndPageHasTheTemplateRules) {
    QTemporaryDir dir;
    const QString tpl = makeRuleTemplate(dir, "extended");
    std::vector<std::vector<QVariant>> data;
    const int records = 5, perPage = 3;
    for (int i = 0; i < records; ++i)
        data.push_back({QStringLiteral("東京"), 100 + i, QStringLiteral("品"), i + 1, 800 * i});
    const QString out = writeReport(dir, tpl, extendedLines(), data);
    ASSERT_FALSE(out.isEmpty());
    RuleMap expected;
    for (int i = 0; i < records; ++i) {
        const int row = 20 * (i / perPage) + 5 + i % perPage;
        expected[at("E", row)] = {cf(at("E", row) + ">=1000")};
        expected[at("D", row)] = {dv(at("D", row) + ">0")};
        expected[at("B", 2 + 20 * (i / perPage))] = {dv("\"東京,大阪\"")};
    }
    EXPECT_EQ(ruleMapOf(test::readBack(QString::fromUtf8(kReadRules), out)), expected);
}

// Real workbooks with rules as fixed-report templates: each slip has the template's rules on
// its own cells (their formulas hold no cell references, so they read the same in every slip).
TEST(TemplateReportRules, ExcelMadeTemplatesKeepTheirRulesInEverySlip) {
    if (test::corpusDir().isEmpty())
        GTEST_SKIP() << "no corpus beside the checkout";
    ReportDefinition def;
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("E6"));
    def.columns = {column("no", "E1")};
    for (const char *name :
         {"cond_format01.xlsx", "cond_format10.xlsx", "data_validation01.xlsx"}) {
        SCOPED_TRACE(name);
        const QString tpl = test::corpusDir() + u'/' + QString::fromLatin1(name);
        const RuleMap before = ruleMapOf(test::readBack(QString::fromUtf8(kReadRules), tpl));
        ASSERT_FALSE(before.empty());
        QTemporaryDir dir;
        const QString out = writeReport(dir, tpl, def, {{1}, {2}, {3}});
        ASSERT_FALSE(out.isEmpty());
        RuleMap expected;
        for (const auto &[cell, rules] : before) {
            const size_t digits = cell.find_first_of("0123456789");
            const int row = std::stoi(cell.substr(digits));
            for (int b = 0; b < 3; ++b)
                expected[cell.substr(0, digits) + std::to_string(row + 6 * b)] = rules;
        }
        EXPECT_EQ(ruleMapOf(test::readBack(QString::fromUtf8(kReadRules), out)), expected);
    }
}

} // namespace

// Template formulas in fixed and extended list reports: every copy of a formula carries the
// value its own block's cells give, or none, never the template's old cached result. Read back
// by openpyxl with its cached values, as programs that do not recalculate on opening show them.
#include "db/recordstream.h"
#include "excel/excelsession.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"
#include "report/reportdefinition.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace kelvoran;
using kelvoran::test::readBack;

namespace {

using Record = std::vector<QVariant>;

// Every formula cell of the first sheet: its formula and the value cached with it.
const char *const kFormulaCells = R"PY(
import sys, json, openpyxl
values = openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets[0]
formulas = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
out = {}
for row in formulas.iter_rows():
    for cell in row:
        if cell.data_type == "f":
            out[cell.coordinate] = [str(cell.value), values[cell.coordinate].value]
print(json.dumps(out, ensure_ascii=False))
)PY";

// A cached formula cell of a template, as a spreadsheet program saved it.
std::string cachedFormula(const char *cell, const char *formula, const char *cached,
                          bool text = false) {
    return std::string("<c r=\"") + cell + "\"" + (text ? " t=\"str\"" : "") + "><f>" + formula +
           "</f><v>" + cached + "</v></c>";
}

std::string row(int number, const std::string &cells) {
    return "<row r=\"" + std::to_string(number) + "\">" + cells + "</row>";
}

// The fixed layout A1:D6: quantity B2, price B3, name B4, and formulas on them whose cached
// results (999, 888, ...) belong to no record.
std::string fixedTemplateRows() {
    return row(1, "<c r=\"A1\"><v>1</v></c>") +
           row(2, cachedFormula("C2", "COUNT(B2:B3)", "5") +
                      cachedFormula("D2", "B4&amp;\"様\"", "旧様", true)) +
           row(3, cachedFormula("C3", "MAX(B2:B3)-MIN(B2:B3)", "555") +
                      cachedFormula("D3", "TODAY()", "45000")) +
           row(4, cachedFormula("C4", "COUNTA(B2:B4)", "9")) +
           row(5, cachedFormula("B5", "SUM(B2:B3)", "999") +
                      cachedFormula("C5", "ROUND(B2*B3/3,1)", "888") +
                      cachedFormula("D5", "IF(B5&gt;50,B5-50,0)", "777")) +
           row(6, "<c r=\"A6\"><v>1</v></c>");
}

// The extended layout A1:F10: a line B5:D5 with item and amount and their double in D5, three
// lines a page, the page's sum in C9.
std::string extendedTemplateRows() {
    return row(5, cachedFormula("D5", "C5*2", "999")) +
           row(9, cachedFormula("C9", "SUM(C5:C8)", "999")) + row(10, "<c r=\"F10\"><v>1</v></c>");
}

ColumnSetting column(const char *name, const char *cell) {
    ColumnSetting c;
    c.PhysicalName = QString::fromUtf8(name);
    c.WidthOrCell = QString::fromUtf8(cell);
    return c;
}

ReportDefinition fixedDefinition() {
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("D6"));
    def.columns = {column("quantity", "B2"), column("price", "B3"), column("name", "B4")};
    return def;
}

ReportDefinition extendedDefinition() {
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KCFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("F10"));
    def.setValue(QStringLiteral("KCFC"), QStringLiteral("B5"));
    def.setValue(QStringLiteral("KCEC"), QStringLiteral("D5"));
    def.setValue(QStringLiteral("KCPC"), QStringLiteral("3"));
    def.setValue(QStringLiteral("KCBKEY"), QStringLiteral("0"));
    def.columns = {column("item", "B5"), column("amount", "C5")};
    return def;
}

struct FormulaCell {
    QString cell;
    QString formula;
    std::optional<double> value; // none: the file carries no value
};

// Per block of the fixed layout (six rows each): what its formulas give for its record.
std::vector<FormulaCell> fixedExpected() {
    const std::optional<double> none;
    struct Block {
        std::optional<double> count, spread, filled, total, rounded, over;
    };
    // 3 x 50 "A社"; 10 x 20.5 "B社"; a quantity that is text, and no name.
    const Block blocks[] = {
        {2, 47, 3, 53, 50, 3}, {2, 10.5, 3, 30.5, 68.3, 0}, {1, none, 2, none, none, none}};
    std::vector<FormulaCell> out;
    for (int b = 0; b < 3; ++b) {
        const Block &v = blocks[b];
        auto r = [&](int row) { return QString::number(row + 6 * b); };
        out.push_back({"C" + r(2), "=COUNT(B" + r(2) + ":B" + r(3) + ")", v.count});
        out.push_back({"D" + r(2), "=B" + r(4) + "&\"様\"", none});
        out.push_back({"C" + r(3),
                       "=MAX(B" + r(2) + ":B" + r(3) + ")-MIN(B" + r(2) + ":B" + r(3) + ")",
                       v.spread});
        out.push_back({"D" + r(3), QStringLiteral("=TODAY()"), none});
        out.push_back({"C" + r(4), "=COUNTA(B" + r(2) + ":B" + r(4) + ")", v.filled});
        out.push_back({"B" + r(5), "=SUM(B" + r(2) + ":B" + r(3) + ")", v.total});
        out.push_back({"C" + r(5), "=ROUND(B" + r(2) + "*B" + r(3) + "/3,1)", v.rounded});
        out.push_back({"D" + r(5), "=IF(B" + r(5) + ">50,B" + r(5) + "-50,0)", v.over});
    }
    return out;
}

struct ReportCase {
    const char *name;
    std::string templateRows;
    ReportDefinition definition;
    std::vector<Record> records;
    std::vector<FormulaCell> expected; // every formula cell of the output's data sheet
};

void PrintTo(const ReportCase &c, std::ostream *os) {
    *os << c.name;
}

std::vector<ReportCase> reportCases() {
    return {
        {"fixed",
         fixedTemplateRows(),
         fixedDefinition(),
         {{3, 50, QStringLiteral("A社")},
          {10, 20.5, QStringLiteral("B社")},
          {QStringLiteral("不明"), 7, QVariant()}},
         fixedExpected()},
        // Lines 1-3 on page 1, lines 1-2 on page 2 (rows 11-20), copied from the template.
        {"extended",
         extendedTemplateRows(),
         extendedDefinition(),
         {{QStringLiteral("a"), 100},
          {QStringLiteral("b"), 200},
          {QStringLiteral("c"), 300},
          {QStringLiteral("d"), 400},
          {QStringLiteral("e"), 500}},
         {{"D5", "=C5*2", 200},
          {"D6", "=C6*2", 400},
          {"D7", "=C7*2", 600},
          {"C9", "=SUM(C5:C8)", 600},
          {"D15", "=C15*2", 800},
          {"D16", "=C16*2", 1000},
          {"C19", "=SUM(C15:C18)", 900}}},
    };
}

class TemplateFormulaValues : public testing::TestWithParam<ReportCase> {};

TEST_P(TemplateFormulaValues, EachCopyCarriesItsOwnValueOrNone) {
    const ReportCase &c = GetParam();
    QTemporaryDir dir;
    const QString templatePath = dir.filePath(QStringLiteral("template.xlsx"));
    {
        QFile file(templatePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::string bytes = test::packageOf(test::minimalParts(c.templateRows));
        file.write(bytes.data(), qint64(bytes.size()));
    }
    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> opened = openTemplateWorkbook(xl, templatePath, QString(), 0, step);
    ASSERT_TRUE(opened.isOk()) << opened.error().text().toStdString();
    TemplateWorkbook book = opened.value();
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.dataCount = long(c.records.size());
    VectorRecordSource source(c.records);
    const Status written = writeTemplateReport(xl, run, c.definition, source, step);
    ASSERT_TRUE(written.isOk()) << written.error().text().toStdString();
    closeTemplateWorkbook(xl, book);
    const Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out")));
    ASSERT_TRUE(saved.isOk()) << saved.error().text().toStdString();

    const QJsonObject cells = readBack(QString::fromUtf8(kFormulaCells), saved.value());
    QStringList expectedCells;
    for (const FormulaCell &e : c.expected) {
        SCOPED_TRACE(e.cell.toStdString());
        expectedCells << e.cell;
        const QJsonArray got = cells.value(e.cell).toArray();
        ASSERT_EQ(got.size(), 2);
        EXPECT_EQ(got.at(0).toString(), e.formula);
        if (e.value) {
            ASSERT_TRUE(got.at(1).isDouble()) << got.at(1).toVariant().toString().toStdString();
            EXPECT_DOUBLE_EQ(got.at(1).toDouble(), *e.value);
        } else {
            EXPECT_TRUE(got.at(1).isNull()) << got.at(1).toVariant().toString().toStdString();
        }
    }
    QStringList gotCells = cells.keys();
    gotCells.sort();
    expectedCells.sort();
    EXPECT_EQ(gotCells, expectedCells);
}

INSTANTIATE_TEST_SUITE_P(Reports, TemplateFormulaValues, testing::ValuesIn(reportCases()),
                         [](const testing::TestParamInfo<ReportCase> &p) {
                             return std::string(p.param.name);
                         });

} // namespace

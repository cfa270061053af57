// Tables of a template are not carried: every structured reference to them must come out as
// the plain range it denotes, or the written formulas break in any other reader.
#include "excel/excelsession.h"
#include "excel/templateworkbook.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/packagereader.h"
#include "excel/engine/tablerefs.h"
#include "excel/engine/workbook.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using test::minimalParts;
using test::packageOf;

namespace {

// "Sales" on sheet Data: header B3:E3, data rows 4-6, totals row 7. "Plain" on Data G3:H5 has
// no totals row; "Bare" on Data J4:J5 has no header row.
std::vector<xlsx::TableArea> salesTables() {
    xlsx::TableArea sales;
    sales.name = "Sales";
    sales.sheet = 0;
    sales.area = {3, 2, 7, 5};
    sales.totalsRows = 1;
    sales.columns = {"Region", "Amount", "Cost", "Q]4 #1"};
    xlsx::TableArea plain;
    plain.name = "Plain";
    plain.sheet = 0;
    plain.area = {3, 7, 5, 8};
    plain.columns = {"Key", "Value"};
    xlsx::TableArea bare;
    bare.name = "Bare";
    bare.sheet = 0;
    bare.area = {4, 10, 5, 10};
    bare.headerRows = 0;
    bare.columns = {"Column1"};
    return {sales, plain, bare};
}

TEST(TableReferencesTest, EachFormOfReferenceBecomesTheRangeItDenotes) {
    xlsx::Workbook book;
    book.insertSheet(0);
    book.insertSheet(1);
    ASSERT_TRUE(book.renameSheet(0, "Data").isOk());
    ASSERT_TRUE(book.renameSheet(1, "集計 表").isOk());
    const std::vector<xlsx::TableArea> tables = salesTables();
    const xlsx::FormulaPlace below{0, 10, 3}, row5{0, 5, 5}, totals{0, 7, 3};
    const xlsx::FormulaPlace otherSheet{1, 2, 2}, name{-1, 0, 0};
    const struct {
        const char *what;
        std::string formula;
        xlsx::FormulaPlace place;
        std::string expected;
    } cases[] = {
        {"column", "SUM(Sales[Amount])", below, "SUM(C4:C6)"},
        {"names ignore letter case", "SUM(sales[AMOUNT])", below, "SUM(C4:C6)"},
        {"whole table alone", "ROWS(Sales)", below, "ROWS(B4:E6)"},
        {"empty brackets", "ROWS(Sales[])", below, "ROWS(B4:E6)"},
        {"all rows", "Sales[#All]", below, "B3:E7"},
        {"header row", "Sales[#Headers]", below, "B3:E3"},
        {"totals row", "Sales[#Totals]", below, "B7:E7"},
        {"totals of one column", "Sales[[#Totals],[Cost]]", below, "D7"},
        {"headers and data", "Sales[[#Headers],[#Data],[Region]]", below, "B3:B6"},
        {"data and totals", "Sales[[#Data],[#Totals],[Cost]]", below, "D4:D7"},
        {"column span", "SUM(Sales[[Amount]:[Cost]])", below, "SUM(C4:D6)"},
        {"this row span", "SUM(Sales[[#This Row],[Region]:[Cost]])", row5, "SUM(B5:D5)"},
        {"this row, short form", "Sales[@Cost]*2", row5, "D5*2"},
        {"this row, bracketed short form", "Sales[@[Amount]:[Cost]]", row5, "C5:D5"},
        {"this row, all columns", "COUNTA(Sales[@])", row5, "COUNTA(B5:E5)"},
        {"escaped column name", "Sales[Q']4 '#1]", below, "E4:E6"},
        {"unqualified in the totals row", "SUBTOTAL(109,[Amount])", totals, "SUBTOTAL(109,C4:C6)"},
        {"unqualified this row inside the table", "[@Amount]-[@Cost]", row5, "C5-D5"},
        {"another sheet names the sheet, absolute", "SUM(Sales[Amount])", otherSheet,
         "SUM('Data'!$C$4:$C$6)"},
        {"a defined name: absolute and qualified", "Sales[[#Totals],[Amount]]", name,
         "'Data'!$C$7"},
        {"two tables in one formula", "SUM(Sales[Cost],Plain[Value])", below, "SUM(D4:D6,H4:H5)"},
        {"table without a header row", "SUM(Bare[Column1])+Bare[#Headers]", below,
         "SUM(J4:J5)+#REF!"},
        {"unknown column", "SUM(Sales[Price])", below, "SUM(#REF!)"},
        {"totals of a table without them", "Plain[#Totals]", below, "#REF!"},
        {"headers and totals are no one range", "Sales[[#Headers],[#Totals]]", below, "#REF!"},
        {"this row outside the data", "Sales[@Amount]", below, "#VALUE!"},
        {"this row in a defined name", "Sales[@Amount]", name, "#REF!"},
        {"string literals stay", "\"Sales[Amount]\"&Sales[@Region]", row5, "\"Sales[Amount]\"&B5"},
        {"quoted sheet names stay", "'Sales[x]'!A1+1", below, "'Sales[x]'!A1+1"},
        {"another workbook's reference stays", "[1]Sheet1!A1+[Amount]", totals,
         "[1]Sheet1!A1+C4:C6"},
        {"a name that is no table keeps its brackets", "Other[Amount]+1", totals,
         "Other[Amount]+1"},
        {"unqualified outside any table stays", "[Amount]", below, "[Amount]"},
        {"functions and cell references stay", "SALES(1)+SalesTax+A1", below,
         "SALES(1)+SalesTax+A1"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(xlsx::replaceStructuredReferences(c.formula, tables, c.place, book), c.expected)
            << c.what;
}

const char *kTableRelationship =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/table\" "
    "Target=\"../tables/table1.xml\"/></Relationships>";

// Sheet S: a table "売上表" over B2:D5 (header, data rows 3-4, totals row 5) with a calculated
// column, a totals row and formulas outside it; sheet T refers to it; a defined name too.
std::map<std::string, std::string> tablePackage() {
    auto parts = minimalParts(
        "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>品名</t></is></c>"
        "<c r=\"C2\" t=\"inlineStr\"><is><t>数量</t></is></c>"
        "<c r=\"D2\" t=\"inlineStr\"><is><t>金額 計</t></is></c></row>"
        "<row r=\"3\"><c r=\"C3\"><v>2</v></c><c r=\"D3\"><f>売上表[[#This Row],[数量]]*100</f>"
        "<v>200</v></c></row>"
        "<row r=\"4\"><c r=\"C4\"><v>3</v></c><c r=\"D4\"><f>売上表[[#This Row],[数量]]*100</f>"
        "<v>300</v></c></row>"
        "<row r=\"5\"><c r=\"D5\"><f>SUBTOTAL(109,[金額 計])</f><v>500</v></c></row>"
        "<row r=\"7\"><c r=\"D7\"><f>SUM(売上表[金額 計])/COUNT(売上表[数量])</f><v>250</v></c>"
        "</row>");
    std::string &sheet = parts["xl/worksheets/sheet1.xml"];
    sheet.insert(sheet.find("<worksheet ") + 11,
                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                 "relationships\" ");
    sheet.replace(sheet.rfind("</worksheet>"), std::string::npos,
                  "<tableParts count=\"1\"><tablePart r:id=\"rId1\"/></tableParts></worksheet>");
    parts["xl/worksheets/_rels/sheet1.xml.rels"] = kTableRelationship;
    parts["xl/tables/table1.xml"] =
        "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" id=\"1\" "
        "name=\"Table1\" displayName=\"売上表\" ref=\"B2:D5\" totalsRowCount=\"1\">"
        "<autoFilter ref=\"B2:D4\"/><tableColumns count=\"3\"><tableColumn id=\"1\" name=\"品名\"/>"
        "<tableColumn id=\"2\" name=\"数量\"/><tableColumn id=\"3\" name=\"金額 計\" "
        "totalsRowFunction=\"sum\"/></tableColumns></table>";
    parts["xl/workbook.xml"] =
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
        "<sheet name=\"T\" sheetId=\"2\" r:id=\"rId2\"/></sheets><definedNames>"
        "<definedName name=\"数量合計\">SUM(売上表[数量])</definedName></definedNames></workbook>";
    parts["xl/_rels/workbook.xml.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet2.xml\"/></Relationships>";
    parts["xl/worksheets/sheet2.xml"] =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row r=\"1\"><c r=\"A1\"><f>売上表[[#Totals],[金額 計]]</f><v>500</v></c>"
        "<c r=\"B1\"><f>数量合計</f><v>5</v></c></row></sheetData></worksheet>";
    return parts;
}

// Every formula and defined name of a saved workbook, and the tables openpyxl finds in it.
const char *const kFormulasAndNames = R"PY(
import sys, json, warnings, openpyxl
warnings.simplefilter('ignore')
wb = openpyxl.load_workbook(sys.argv[1])
formulas, tables = {}, 0
for ws in wb.worksheets:
    tables += len(ws.tables)
    for row in ws.iter_rows():
        for c in row:
            if isinstance(c.value, str) and c.value.startswith('='):
                formulas[ws.title + '!' + c.coordinate] = c.value
names = {d.name: d.attr_text for d in wb.defined_names.definedName}
print(json.dumps({'formulas': formulas, 'names': names, 'tables': tables}, ensure_ascii=False))
)PY";

// Prepares a report's output from a template (its sheets copied into a new workbook), saves it
// and reads the formulas back.
QJsonObject copiedAndReadBack(const QString &templatePath, QStringList *notices = nullptr) {
    QTemporaryDir dir;
    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, templatePath, QString(), 0, step);
    EXPECT_TRUE(wb.isOk()) << wb.error().message.toStdString();
    if (!wb)
        return {};
    TemplateWorkbook book = wb.value();
    if (notices)
        *notices = xl.notices(book.outputBook);
    closeTemplateWorkbook(xl, book);
    const Result<QString> saved =
        xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out.xlsx")));
    EXPECT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    return saved ? test::readBack(QString::fromUtf8(kFormulasAndNames), saved.value())
                 : QJsonObject();
}

TEST(TableReferencesTest, ADroppedTableLeavesPlainRangesInEveryFormulaAndName) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.xlsx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(packageOf(tablePackage())));
    }
    QStringList notices;
    const QJsonObject o = copiedAndReadBack(path, &notices);
    const QJsonObject formulas = o.value(QStringLiteral("formulas")).toObject();
    const struct {
        const char *cell;
        const char *formula;
    } expected[] = {
        {"S!D3", "=C3*100"},
        {"S!D4", "=C4*100"},
        {"S!D5", "=SUBTOTAL(109,D3:D4)"},
        {"S!D7", "=SUM(D3:D4)/COUNT(C3:C4)"},
        {"T!A1", "='S'!$D$5"},
        {"T!B1", "=数量合計"},
    };
    EXPECT_EQ(formulas.size(), qsizetype(std::size(expected)));
    for (const auto &e : expected)
        EXPECT_EQ(formulas.value(QString::fromUtf8(e.cell)).toString().toStdString(), e.formula)
            << e.cell;
    EXPECT_EQ(o.value(QStringLiteral("names"))
                  .toObject()
                  .value(QStringLiteral("数量合計"))
                  .toString()
                  .toStdString(),
              "SUM('S'!$C$3:$C$4)");
    EXPECT_EQ(o.value(QStringLiteral("tables")).toInt(-1), 0);
    const bool told = std::any_of(notices.begin(), notices.end(), [](const QString &n) {
        return n.contains(QStringLiteral("テーブル「売上表」"));
    });
    EXPECT_TRUE(told) << notices.join(u'\n').toStdString();
}

// The Excel-made workbook with a totals row of every function and a calculated column.
TEST(TableReferencesTest, ExcelMadeTableFormulasReadBackAsRanges) {
    if (test::corpusDir().isEmpty())
        GTEST_SKIP() << "no corpus beside the checkout";
    const QJsonObject o = copiedAndReadBack(test::corpusDir() + QStringLiteral("/table10.xlsx"));
    const QJsonObject formulas = o.value(QStringLiteral("formulas")).toObject();
    ASSERT_FALSE(formulas.isEmpty());
    for (auto it = formulas.begin(); it != formulas.end(); ++it)
        EXPECT_FALSE(it.value().toString().contains(u'['))
            << it.key().toStdString() << " " << it.value().toString().toStdString();
    const struct {
        const char *cell;
        const char *formula;
    } expected[] = {
        {"Sheet1!K4", "=SUM(B4:D4)"},          {"Sheet1!K5", "=SUM(B5:D5)"},
        {"Sheet1!D6", "=SUBTOTAL(101,D4:D5)"}, {"Sheet1!I6", "=SUBTOTAL(109,I4:I5)"},
        {"Sheet1!K6", "=SUBTOTAL(110,K4:K5)"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(formulas.value(QString::fromUtf8(e.cell)).toString().toStdString(), e.formula)
            << e.cell;
}

TEST(TableReferencesTest, ADamagedTablePartIsLeftOutWithANotice) {
    const struct {
        const char *what;
        std::string table;
    } cases[] = {
        {"columns do not fit the area",
         "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "displayName=\"T\" ref=\"B2:D5\"><tableColumns><tableColumn name=\"a\"/>"
         "</tableColumns></table>"},
        {"no area", "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "displayName=\"T\" ref=\"nowhere\"/>"},
        {"not XML", "<table"},
    };
    for (const auto &c : cases) {
        auto parts = tablePackage();
        parts["xl/tables/table1.xml"] = c.table;
        const auto book = xlsx::readWorkbook(packageOf(parts));
        ASSERT_TRUE(book.isOk()) << c.what << ": " << book.error().message.toStdString();
        const auto &notices = book.value()->notices;
        EXPECT_NE(
            std::find(notices.begin(), notices.end(), "シート「S」のテーブルは引き継がれません。"),
            notices.end())
            << c.what;
    }
}

} // namespace

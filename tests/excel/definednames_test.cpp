// Workbook-level defined names of a template: carried into the output with the sheets that use
// them, and following later sheet copies and renames as a spreadsheet program's own would.
#include "excel/excelsession.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"
#include "report/reportdefinition.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/sheetcopynames.h"
#include "excel/engine/workbook.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace kelvoran;

namespace {

// Two sheets, Data and Rates, with names on one, the other, both and none of them.
std::unique_ptr<xlsx::Workbook> templateBook() {
    auto book = std::make_unique<xlsx::Workbook>();
    book->insertSheet(0);
    book->insertSheet(1);
    EXPECT_TRUE(book->renameSheet(0, "Data").isOk());
    EXPECT_TRUE(book->renameSheet(1, "Rates").isOk());
    book->definedNames = {{"Costs", "Data!$C$8:$C$11", -1, false},
                          {"Rate", "Rates!$B$1", -1, false},
                          {"Both", "Data!$A$1*Rates!$B$1", -1, false},
                          {"Baz", "0.98", -1, true}};
    return book;
}

// "Name=value" for the workbook's names, "Sheet/Name=value" for a sheet's, sorted; "(hidden)"
// after hidden ones.
std::vector<std::string> namesOf(const xlsx::Workbook &book) {
    std::vector<std::string> out;
    for (const xlsx::DefinedName &n : book.definedNames)
        out.push_back(n.name + "=" + n.value + (n.hidden ? " (hidden)" : ""));
    for (int i = 0; i < book.sheetCount(); ++i)
        for (const xlsx::LocalName &n : book.sheet(i).localNames)
            out.push_back(book.sheet(i).name() + "/" + n.name + "=" + n.value +
                          (n.hidden ? " (hidden)" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

// The template's sheets copied in order after the output's sheets.
void copyAll(xlsx::Workbook &out, const xlsx::Workbook &from) {
    const int base = out.sheetCount();
    for (int i = 0; i < from.sheetCount(); ++i)
        out.insertCopy(from.sheet(i), base + i);
}

TEST(DefinedNamesTest, NamesFollowSheetCopiesAndRenames) {
    const struct {
        const char *what;
        std::function<void(xlsx::Workbook &out, const xlsx::Workbook &from)> steps;
        std::vector<std::string> expected;
    } cases[] = {
        {"every sheet into a new workbook",
         copyAll,
         {"Baz=0.98 (hidden)", "Both=Data!$A$1*Rates!$B$1", "Costs=Data!$C$8:$C$11",
          "Rate=Rates!$B$1"}},
        {"one sheet: names needing the other wait for it",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) { out.insertCopy(from.sheet(0), 1); },
         {"Baz=0.98 (hidden)", "Costs=Data!$C$8:$C$11"}},
        {"a copy within the workbook gets its own names on the copied sheet",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) {
             copyAll(out, from);
             out.insertCopy(out.sheet(out.indexOfName("Data")), out.indexOfName("Data") + 1);
         },
         {"Baz=0.98 (hidden)", "Both=Data!$A$1*Rates!$B$1", "Costs=Data!$C$8:$C$11",
          "Data (2)/Both='Data (2)'!$A$1*Rates!$B$1", "Data (2)/Costs='Data (2)'!$C$8:$C$11",
          "Rate=Rates!$B$1"}},
        {"a sheet's own name of that name stays as it is",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) {
             copyAll(out, from);
             xlsx::Worksheet &data = out.sheet(out.indexOfName("Data"));
             data.localNames.push_back({"Costs", "'Data'!$D$1", false});
             out.insertCopy(data, out.indexOfName("Data") + 1);
         },
         {"Baz=0.98 (hidden)", "Both=Data!$A$1*Rates!$B$1", "Costs=Data!$C$8:$C$11",
          "Data (2)/Both='Data (2)'!$A$1*Rates!$B$1", "Data (2)/Costs='Data (2)'!$D$1",
          "Data/Costs='Data'!$D$1", "Rate=Rates!$B$1"}},
        {"renaming a sheet renames it in the names",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) {
             copyAll(out, from);
             ASSERT_TRUE(out.renameSheet(out.indexOfName("Data"), "売上 明細").isOk());
         },
         {"Baz=0.98 (hidden)", "Both='売上 明細'!$A$1*Rates!$B$1", "Costs='売上 明細'!$C$8:$C$11",
          "Rate=Rates!$B$1"}},
        {"a second copy of the template into the same workbook",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) {
             copyAll(out, from);
             copyAll(out, from);
         },
         {"Baz=0.98 (hidden)", "Both=Data!$A$1*Rates!$B$1", "Costs=Data!$C$8:$C$11",
          "Data (2)/Both='Data (2)'!$A$1*Rates!$B$1", "Data (2)/Costs='Data (2)'!$C$8:$C$11",
          "Rate=Rates!$B$1", "Rates (2)/Both=Data!$A$1*'Rates (2)'!$B$1",
          "Rates (2)/Rate='Rates (2)'!$B$1"}},
        {"a name the workbook holds with another value",
         [](xlsx::Workbook &out, const xlsx::Workbook &from) {
             out.definedNames.push_back({"baz", "1.5", -1, false});
             out.insertCopy(from.sheet(0), 1);
         },
         {"Costs=Data!$C$8:$C$11", "Data/Baz=0.98 (hidden)", "baz=1.5"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto from = templateBook();
        xlsx::Workbook out;
        out.insertSheet(0);
        c.steps(out, *from);
        EXPECT_EQ(namesOf(out), c.expected);
        EXPECT_EQ(namesOf(*from), namesOf(*templateBook())) << "the template is not changed";
    }
}

TEST(DefinedNamesTest, RefersToSheetOnlyOutsideStrings) {
    const struct {
        std::string formula;
        std::string sheet;
        bool refers;
    } cases[] = {
        {"Data!$A$1", "Data", true},
        {"'Data'!$A$1", "Data", true},
        {"SUM('売上 明細'!A1:A3)", "売上 明細", true},
        {"MyData!A1", "Data", false},
        {"\"Data!A1\"", "Data", false},
        {"Data", "Data", false},
        {"0.98", "Data", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(xlsx::refersToSheet(c.formula, c.sheet), c.refers) << c.formula;
}

// A fixed report whose block (one per sheet) uses a workbook-level name for a rate on another
// sheet and one for a cell of its own sheet: both still resolve in every sheet of the output,
// and the data sheet's later rename reaches them.
TEST(DefinedNamesTest, FixedReportBlocksKeepTheTemplatesNames) {
    QTemporaryDir dir;
    const QString templatePath = dir.filePath(QStringLiteral("names.xlsx"));
    const auto made = test::runPython(QStringLiteral(R"PY(
import sys, openpyxl
from openpyxl.workbook.defined_name import DefinedName
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "伝票"
ws["A2"] = "コード"
ws["A4"] = "金額"
ws["D4"] = "=B4*TaxRate"
ws["E4"] = "=Amount*2"
wb.create_sheet("設定")["B1"] = 0.1
wb.defined_names.append(DefinedName("TaxRate", attr_text="'設定'!$B$1"))
wb.defined_names.append(DefinedName("Amount", attr_text="'伝票'!$B$4"))
wb.save(sys.argv[1])
)PY"),
                                      {templatePath});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, templatePath, QString(), 0, step);
    ASSERT_TRUE(wb.isOk()) << wb.error().message.toStdString();
    TemplateWorkbook book = wb.value();
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    // Taller than half a sheet: every record gets a sheet of its own.
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("E40000"));
    ColumnSetting code, amount;
    code.PhysicalName = QStringLiteral("code");
    code.WidthOrCell = QStringLiteral("B2");
    amount.PhysicalName = QStringLiteral("amount");
    amount.WidthOrCell = QStringLiteral("B4");
    def.columns = {code, amount};
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.itemCount = 2;
    run.dataCount = 2;
    run.creationTime = QStringLiteral("2026/12/09 10:11:12");
    VectorRecordSource records({{QStringLiteral("A-1"), 1200}, {QStringLiteral("A-2"), 3400}});
    const Status written = writeTemplateReport(xl, run, def, records, step);
    ASSERT_TRUE(written.isOk()) << written.error().message.toStdString();
    closeTemplateWorkbook(xl, book);
    ASSERT_TRUE(xl.sheet(book.outputBook, 1).setName(QStringLiteral("伝票 12月")).isOk());
    const Result<QString> saved =
        xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out.xlsx")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();

    // Each formula's names resolved as a spreadsheet program would: the sheet's own name first,
    // then the workbook's; the cells they denote read back.
    const QJsonObject o = test::readBack(QStringLiteral(R"PY(
import sys, json, re, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
names = {}
for d in wb.defined_names.definedName:
    scope = wb.sheetnames[d.localSheetId] if d.localSheetId is not None else ""
    names[scope + "/" + d.name] = d.attr_text
def value(ref):
    sheet, cell = ref.split("!")
    return wb[sheet.strip("'").replace("''", "'")][cell.replace("$", "")].value
sheets = []
for ws in wb.worksheets:
    if ws.title == "設定":
        continue
    out = {"title": ws.title, "b4": ws["B4"].value, "d4": ws["D4"].value, "e4": ws["E4"].value}
    for n in ("TaxRate", "Amount"):
        ref = names.get(ws.title + "/" + n) or names.get("/" + n)
        out[n] = value(ref) if ref else None
    sheets.append(out)
print(json.dumps({"sheets": sheets, "names": names}, ensure_ascii=False))
)PY"),
                                         saved.value());
    const QJsonArray sheets = o.value(QStringLiteral("sheets")).toArray();
    ASSERT_EQ(sheets.size(), 2) << QJsonDocument(o).toJson().toStdString();
    const struct {
        const char *title;
        double amount;
    } expected[] = {{"伝票 12月", 1200}, {"伝票 (2)", 3400}};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject s = sheets.at(i).toObject();
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(s.value(QStringLiteral("title")).toString().toStdString(), expected[i].title);
        EXPECT_EQ(s.value(QStringLiteral("d4")).toString(), QStringLiteral("=B4*TaxRate"));
        EXPECT_EQ(s.value(QStringLiteral("e4")).toString(), QStringLiteral("=Amount*2"));
        EXPECT_DOUBLE_EQ(s.value(QStringLiteral("TaxRate")).toDouble(), 0.1);
        EXPECT_DOUBLE_EQ(s.value(QStringLiteral("Amount")).toDouble(), expected[i].amount);
    }
}

} // namespace

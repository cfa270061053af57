// Hyperlinks of a template block are carried into every block of a fixed report, while the
// features left out are named in the workbook's notices; built and read back by openpyxl.
#include "excel/excelsession.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"

#include "report/reportdefinition.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::readBack;
using kelvoran::test::runPython;

namespace {

// A 3-row slip (A1:C3): an outside link in A1 (with characters XML escapes), a link to the
// second sheet in A2, a comment on C1, the value cell B3.
const char *const kMakeTemplate = R"PY(
import sys, openpyxl
from openpyxl.comments import Comment
from openpyxl.worksheet.hyperlink import Hyperlink
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "票"
ws["A1"] = "サイト"
ws["A1"].hyperlink = "http://example.com/a?b=1&c=<2>"
ws["A2"] = "メモへ"
ws["A2"].hyperlink = Hyperlink(ref="A2", location="'メモ'!A1", tooltip="注記を開く")
ws["C1"] = "印"
ws["C1"].comment = Comment("押印欄", "作成者")
ws["B3"] = "値"
wb.create_sheet("メモ")["A1"] = "注記"
wb.save(sys.argv[1])
)PY";

// Every hyperlink of every sheet: cell, outside address, place inside, tooltip.
const char *const kLinks = R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {}
for ws in wb.worksheets:
    links = []
    for (r, c), cell in sorted(ws._cells.items()):
        h = cell.hyperlink
        if h is not None:
            links.append([cell.coordinate, h.target or "", h.location or "", h.tooltip or ""])
    out[ws.title] = links
print(json.dumps(out, ensure_ascii=False))
)PY";

TEST(TemplateLinks, FixedReportCarriesHyperlinksIntoEveryBlockAndNamesWhatItDrops) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tpl = dir.filePath(QStringLiteral("links.xlsx"));
    const auto made = runPython(QString::fromUtf8(kMakeTemplate), {tpl});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("C3"));
    ColumnSetting value;
    value.PhysicalName = QStringLiteral("v");
    value.WidthOrCell = QStringLiteral("B3");
    def.columns = {value};

    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> opened = openTemplateWorkbook(xl, tpl, QString(), 0, step);
    ASSERT_TRUE(opened) << opened.error().text().toStdString();
    TemplateWorkbook book = opened.value();
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.itemCount = 1;
    run.dataCount = 2;
    VectorRecordSource records({{QStringLiteral("一")}, {QStringLiteral("二")}});
    const Status written = writeTemplateReport(xl, run, def, records, step);
    ASSERT_TRUE(written.isOk()) << written.error().text().toStdString();
    const QString notices = xl.notices(book.outputBook).join(u'\n');
    EXPECT_TRUE(notices.contains(QStringLiteral("コメント"))) << notices.toStdString();
    EXPECT_FALSE(notices.contains(QStringLiteral("ハイパーリンク"))) << notices.toStdString();
    closeTemplateWorkbook(xl, book);
    const Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out")));
    ASSERT_TRUE(saved) << saved.error().text().toStdString();

    const QJsonObject links = readBack(QString::fromUtf8(kLinks), saved.value());
    const QString url = QStringLiteral("http://example.com/a?b=1&c=<2>");
    const QString place = QStringLiteral("'メモ'!A1");
    QJsonArray expected;
    for (const int top : {1, 4}) {
        expected.append(QJsonArray{QStringLiteral("A%1").arg(top), url, QString(), QString()});
        expected.append(QJsonArray{QStringLiteral("A%1").arg(top + 1), QString(), place,
                                   QStringLiteral("注記を開く")});
    }
    // Two blocks, no link left on the rows of the block removed after the last record.
    EXPECT_EQ(links[QStringLiteral("票")].toArray(), expected);
    EXPECT_EQ(links[QStringLiteral("メモ")].toArray(), QJsonArray());
}

} // namespace

// Workbooks built through ExcelSession and read back by openpyxl.
#include "excel/excelsession.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/workbook.h"
#include "excel/engine/worksheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::readBack;
using kelvoran::test::runPython;

namespace {

ExcelRange at(const ExcelSheet &s, const char *a1) {
    return s.range(QString::fromUtf8(a1)).value();
}

TEST(SessionTest, WrittenWorkbookReadsBackInOpenpyxl) {
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KELVORAN_KEEP_TEST_FILES"));
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    ASSERT_TRUE(s.setName(QStringLiteral("売上")).isOk());
    at(s, "A1").setValue(QStringLiteral("1,234"));
    at(s, "A2").setValue(QStringLiteral("2024/01/02 13:05:06"));
    at(s, "A3").setValue(QStringLiteral("13:05"));
    at(s, "A4").setValue(QStringLiteral("12.5%"));
    at(s, "A5").setValue(QStringLiteral("=sum(A1:A1)"));
    at(s, "B1:B3").setNumberFormat(QStringLiteral("@"));
    at(s, "B1").setValue(QStringLiteral("00123"));
    at(s, "B2").setValue(QStringLiteral("=not a formula"));
    at(s, "C1").setValue(QStringLiteral("00123"));
    at(s, "C2").setValue(QStringLiteral("文字列"));
    at(s, "C3").setNumber(547192.82);
    at(s, "C4").setValue(QStringLiteral("=AVERAGE(C3:C3)"));
    at(s, "D1").setNumberFormatLocal(QStringLiteral("\\#,###;[赤]\\-#,###"));
    at(s, "D1").setValue(QStringLiteral("-5"));
    ExcelRange head = at(s, "A6:C6");
    head.setFontSize(15);
    head.setFontName(QStringLiteral("ＭＳゴシック"));
    ASSERT_TRUE(head.setFontColorIndex(5).isOk());
    head.setFontBold(true);
    head.setFontItalic(true);
    ASSERT_TRUE(head.setInteriorColorIndex(20).isOk());
    ASSERT_TRUE(head.setInteriorPattern(xl::PatternSolid).isOk());
    ASSERT_TRUE(head.setHorizontalAlignment(xl::HAlignCenter).isOk());
    ASSERT_TRUE(head.setVerticalAlignment(xl::VAlignTop).isOk());
    head.setWrapText(true);
    ASSERT_TRUE(
        head.setBorder(xl::EdgeBottom, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic).isOk());
    ASSERT_TRUE(head.setBorder(xl::EdgeTop, xl::Continuous, xl::Medium, 3).isOk());
    ASSERT_TRUE(
        head.setBorder(xl::EdgeLeft, xl::Continuous, xl::Thin, xl::ColorIndexAutomatic).isOk());
    EXPECT_FALSE(head.setBorder(42, xl::Continuous, xl::Thin, 1).isOk());
    EXPECT_FALSE(head.setFontColorIndex(57).isOk());
    at(s, "B:B").setColumnWidth(20);
    at(s, "E1").setValue(QStringLiteral("全角の長い見出し文字列"));
    at(s, "E:E").autoFit();
    s.freezePanes(2, 1);
    ASSERT_TRUE(s.setPrintArea(QStringLiteral("A1:E10")).isOk());
    s.addPageBreakBefore(5);
    ASSERT_TRUE(xl.addSheetAfter(book, 1).isOk());
    ASSERT_TRUE(xl.addSheetAfter(book, 0).isOk()); // lands first
    EXPECT_EQ(xl.sheet(book, 1).name(), QStringLiteral("Sheet3"));
    EXPECT_FALSE(xl.sheet(book, 1).setName(QStringLiteral("SHEET2")).isOk());
    EXPECT_FALSE(xl.sheet(book, 3).setName(QStringLiteral("売上")).isOk());

    EXPECT_DOUBLE_EQ(xl.sum(at(s, "A1:A4")), 1234 + 45293 + (13 * 3600 + 5 * 60 + 6) / 86400.0 +
                                                 (13 * 60 + 5) / 1440.0 + 0.125);
    EXPECT_FALSE(xl.average(at(s, "B1:B3")).isOk());
    EXPECT_EQ(at(s, "A1").text(), QStringLiteral("1,234"));
    EXPECT_EQ(at(s, "A2").text(), QStringLiteral("2024/1/2 13:05"));
    EXPECT_EQ(at(s, "D1").text(), QStringLiteral("¥-5"));
    EXPECT_EQ(at(s, "A5").value().toDouble(), 1234);

    const Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("out.xls")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    EXPECT_EQ(saved.value(), dir.filePath(QStringLiteral("out.xlsx")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out.xls"))));

    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb['売上']
out = {}
out['sheets'] = wb.sheetnames
def v(c):
    x = ws[c].value
    return x.isoformat() if hasattr(x, 'isoformat') else x
for c in ['A1','A2','A3','A4','A5','B1','B2','C1','C2','C3','C4','D1']:
    out[c] = v(c)
    out[c + 'f'] = ws[c].number_format
h = ws['B6']
out['font'] = [h.font.sz, h.font.name, h.font.color.indexed, h.font.b, h.font.i]
out['fill'] = [h.fill.fill_type, h.fill.fgColor.indexed]
out['align'] = [h.alignment.horizontal, h.alignment.vertical, h.alignment.wrap_text]
out['border'] = [h.border.bottom.style, h.border.top.style, h.border.top.color.indexed,
                 ws['A6'].border.left.style, h.border.left.style]
out['bottomAuto'] = h.border.bottom.color.auto
out['widthB'] = ws.column_dimensions['B'].width
out['widthE'] = ws.column_dimensions['E'].width
out['freeze'] = ws.freeze_panes
out['print'] = str(ws.print_area)
out['breaks'] = [b.id for b in ws.row_breaks.brk]
out['calc'] = wb.calculation.fullCalcOnLoad
import zipfile, re
xml = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet2.xml').decode()
out['c3raw'] = re.search(r'<c r="C3"[^>]*><v>([^<]*)</v>', xml).group(1)
print(json.dumps(out, ensure_ascii=False))
)PY"),
                                   saved.value());
    const QJsonArray sheets = o.value(QStringLiteral("sheets")).toArray();
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets[1].toString(), QStringLiteral("売上"));
    EXPECT_EQ(o.value(QStringLiteral("A1")).toDouble(), 1234);
    EXPECT_EQ(o.value(QStringLiteral("A1f")).toString(), QStringLiteral("#,##0"));
    EXPECT_EQ(o.value(QStringLiteral("A2")).toString(), QStringLiteral("2024-01-02T13:05:06"));
    EXPECT_EQ(o.value(QStringLiteral("A2f")).toString(), QStringLiteral("yyyy/m/d h:mm"));
    EXPECT_EQ(o.value(QStringLiteral("A3")).toString(), QStringLiteral("13:05:00"));
    EXPECT_DOUBLE_EQ(o.value(QStringLiteral("A4")).toDouble(), 0.125);
    EXPECT_EQ(o.value(QStringLiteral("A4f")).toString(), QStringLiteral("0.00%"));
    EXPECT_EQ(o.value(QStringLiteral("A5")).toString(), QStringLiteral("=sum(A1:A1)"));
    EXPECT_EQ(o.value(QStringLiteral("B1")).toString(), QStringLiteral("00123"));
    EXPECT_EQ(o.value(QStringLiteral("B2")).toString(), QStringLiteral("=not a formula"));
    EXPECT_EQ(o.value(QStringLiteral("B1f")).toString(), QStringLiteral("@"));
    EXPECT_EQ(o.value(QStringLiteral("C1")).toDouble(), 123);
    EXPECT_EQ(o.value(QStringLiteral("C2")).toString(), QStringLiteral("文字列"));
    EXPECT_EQ(o.value(QStringLiteral("C3")).toDouble(), 547192.82);
    EXPECT_EQ(o.value(QStringLiteral("C4")).toString(), QStringLiteral("=AVERAGE(C3:C3)"));
    EXPECT_EQ(o.value(QStringLiteral("D1")).toDouble(), -5);
    EXPECT_EQ(o.value(QStringLiteral("D1f")).toString(),
              QStringLiteral("\"¥\"#,###;[Red]\"¥\"\\-#,###"));
    EXPECT_EQ(o.value(QStringLiteral("font")).toArray(),
              QJsonArray({15, QStringLiteral("ＭＳゴシック"), 12, true, true}));
    EXPECT_EQ(o.value(QStringLiteral("fill")).toArray(), QJsonArray({QStringLiteral("solid"), 27}));
    EXPECT_EQ(o.value(QStringLiteral("align")).toArray(),
              QJsonArray({QStringLiteral("center"), QStringLiteral("top"), true}));
    EXPECT_EQ(o.value(QStringLiteral("border")).toArray(),
              QJsonArray({QStringLiteral("thin"), QStringLiteral("medium"), 10,
                          QStringLiteral("thin"), QJsonValue()}));
    EXPECT_TRUE(o.value(QStringLiteral("bottomAuto")).toBool());
    EXPECT_EQ(o.value(QStringLiteral("widthB")).toDouble(), 20);
    // 11 full-width characters count 14 px each, plus padding.
    EXPECT_NEAR(o.value(QStringLiteral("widthE")).toDouble(), (11 * 14 + 7 - 5) / 7.0, 0.01);
    EXPECT_EQ(o.value(QStringLiteral("freeze")).toString(), QStringLiteral("A2"));
    EXPECT_TRUE(o.value(QStringLiteral("print")).toString().contains(QStringLiteral("$A$1:$E$10")));
    EXPECT_EQ(o.value(QStringLiteral("breaks")).toArray(), QJsonArray({4}));
    EXPECT_TRUE(o.value(QStringLiteral("calc")).toBool());
    // The shortest text that reads back to the same double.
    EXPECT_EQ(o.value(QStringLiteral("c3raw")).toString(), QStringLiteral("547192.82"));
}

TEST(SessionTest, EntireRowsCopyFromATemplateBookWithTheirStyles) {
    ExcelSession xl;
    const int tpl = xl.addWorkbook();
    ExcelSheet t = xl.sheet(tpl, 1);
    at(t, "B2").setValue(QStringLiteral("見出し"));
    ASSERT_TRUE(at(t, "B2").setInteriorColorIndex(6).isOk());
    t.sheet()->rowAt(2).height = 30;
    const int out = xl.addWorkbook();
    ExcelSheet o = xl.sheet(out, 1);
    at(t, "1:3").copyTo(at(o, "A11"));
    EXPECT_EQ(at(o, "B12").value().toString(), QStringLiteral("見出し"));
    EXPECT_EQ(o.sheet()->row(12)->height, 30);
    const xlsx::CellStyle &style = o.sheet()->book().styles().at(o.sheet()->styleAt(12, 2));
    EXPECT_EQ(style.fill.fg.value, 13u);
    xl.closeWorkbook(tpl); // the copy does not depend on the template book
    EXPECT_EQ(at(xl.sheet(1, 1), "B12").value().toString(), QStringLiteral("見出し"));
}

TEST(SessionTest, RenamingASheetKeepsNamesAndFormulasPointingAtIt) {
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet first = xl.sheet(book, 1);
    ExcelSheet second = xl.addSheetAfter(book, 1).value();
    first.sheet()->localNames.push_back({"_xlnm.Print_Titles", "'Sheet1'!$1:$2", false});
    at(second, "A1").setValue(QStringLiteral("=Sheet1!A1+'Sheet1'!B2+\"Sheet1!C3\""));
    ASSERT_TRUE(first.setName(QStringLiteral("売上 一覧")).isOk());
    EXPECT_EQ(at(second, "A1").formula(),
              QStringLiteral("='売上 一覧'!A1+'売上 一覧'!B2+\"Sheet1!C3\""));
    EXPECT_EQ(first.sheet()->localNames[0].value, "'売上 一覧'!$1:$2");
    // A copy under a new name points its own names at itself.
    const ExcelSheet copy = xl.copySheetAfter(book, 1, book, 2).value();
    EXPECT_EQ(copy.name(), QStringLiteral("売上 一覧 (2)"));
    EXPECT_EQ(copy.sheet()->localNames[0].value, "'売上 一覧 (2)'!$1:$2");
}

struct PresetCase {
    int constant;
    bool headBold;
    int headFill; // palette index + 7, or 0
};

class AutoFormatTest : public ::testing::TestWithParam<PresetCase> {};

TEST_P(AutoFormatTest, PresetStylesTheRange) {
    const PresetCase &c = GetParam();
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    at(s, "A1").setValue(QStringLiteral("head"));
    at(s, "A2").setValue(QStringLiteral("1"));
    at(s, "A1").setFontItalic(true);
    ASSERT_TRUE(at(s, "A1:B3").autoFormat(c.constant).isOk());
    const xlsx::CellStyle &head = s.sheet()->book().styles().at(s.sheet()->styleAt(1, 1));
    EXPECT_EQ(head.font.bold, c.headBold);
    EXPECT_EQ(head.fill.fg.kind == xlsx::Color::Indexed ? int(head.fill.fg.value) : 0, c.headFill);
    EXPECT_EQ(at(s, "A2").value().toDouble(), 1); // values stay
}

INSTANTIATE_TEST_SUITE_P(Presets, AutoFormatTest,
                         ::testing::Values(PresetCase{-4142, false, 0}, PresetCase{42, false, 0},
                                           PresetCase{1, true, 0}, PresetCase{2, true, 18},
                                           PresetCase{9, true, 60}, PresetCase{20, true, 62}));

TEST(AutoFormatTest, UnknownConstantFails) {
    ExcelSession xl;
    const int book = xl.addWorkbook();
    EXPECT_FALSE(at(xl.sheet(book, 1), "A1:B2").autoFormat(99).isOk());
}

TEST(SessionTest, RowsCopyInsertAndDeleteMoveCellsAndFormulas) {
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    at(s, "A1").setValue(QStringLiteral("head"));
    at(s, "A1").setFontBold(true);
    at(s, "B2").setValue(QStringLiteral("5"));
    at(s, "C2").setValue(QStringLiteral("=B2*2"));
    s.sheet()->merges.push_back({1, 1, 1, 2});
    // Copy rows 1-2 to row 4, as a template block copy does.
    at(s, "1:2").copyTo(at(s, "A4"));
    EXPECT_EQ(at(s, "A4").value().toString(), QStringLiteral("head"));
    EXPECT_EQ(at(s, "C5").formula(), QStringLiteral("=B5*2"));
    EXPECT_EQ(s.sheet()->merges.size(), 2u);
    // Insert a row above row 5: the formula follows its cells.
    at(s, "A5:C5").insertShiftDown();
    EXPECT_EQ(at(s, "C6").formula(), QStringLiteral("=B6*2"));
    EXPECT_FALSE(at(s, "B5").value().isValid());
    // Delete rows 4-5: row 6 moves up to 4.
    at(s, "4:5").deleteShiftUp();
    EXPECT_EQ(at(s, "C4").formula(), QStringLiteral("=B4*2"));
    EXPECT_EQ(at(s, "B4").value().toDouble(), 5);
    EXPECT_EQ(s.sheet()->merges.size(), 1u);
}

TEST(SessionTest, TemplateFromOpenpyxlCopiesWithStylesAndMerges) {
    QTemporaryDir dir;
    const QString tpl = dir.filePath(QStringLiteral("tpl.xlsx"));
    const auto made = runPython(QStringLiteral(R"PY(
import sys, openpyxl
from openpyxl.styles import Font, PatternFill, Border, Side, Alignment
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '帳票'
ws['A1'] = '請求書'
ws['A1'].font = Font(name='ＭＳ 明朝', sz=18, bold=True, color='FF0000FF')
ws.merge_cells('A1:D1')
ws['B3'] = 1200
ws['B3'].number_format = '#,##0'
ws['B3'].fill = PatternFill('solid', fgColor='FFFFFF00')
ws['B3'].border = Border(bottom=Side(style='double'))
ws['C3'] = '=B3*2'
ws['A5'] = 'x'
ws['A5'].alignment = Alignment(horizontal='right', shrink_to_fit=True)
ws.column_dimensions['A'].width = 30
ws.print_area = 'A1:D10'
ws2 = wb.create_sheet('明細')
ws2['A1'] = 'second'
wb.create_sheet('三枚目')
wb.save(sys.argv[1])
)PY"),
                                {tpl});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    ExcelSession xl;
    const int out = xl.addWorkbook();
    const Result<int> t = xl.openTemplate(tpl);
    ASSERT_TRUE(t.isOk()) << t.error().message.toStdString();
    ASSERT_EQ(xl.sheetCount(t.value()), 3);
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(xl.copySheetAfter(t.value(), i, out, i).isOk());
    ASSERT_TRUE(xl.deleteSheet(out, 1).isOk());
    EXPECT_EQ(xl.sheetCount(out), 3);
    EXPECT_FALSE(xl.saveAs(t.value(), dir.filePath(QStringLiteral("x.xlsx"))).isOk()); // read-only
    ExcelSheet s = xl.sheet(out, 1);
    at(s, "B4").setValue(QStringLiteral("3,000"));
    xl.closeWorkbook(t.value());
    const Result<QString> saved = xl.saveAs(out, dir.filePath(QStringLiteral("made.xlsx")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
a1 = ws['A1']; b3 = ws['B3']
print(json.dumps({'sheets': wb.sheetnames, 'a1': a1.value, 'font': [a1.font.name, a1.font.sz, a1.font.b, a1.font.color.rgb],
  'merged': [str(r) for r in ws.merged_cells.ranges], 'b3': b3.value, 'b3f': b3.number_format,
  'fill': b3.fill.fgColor.rgb, 'border': b3.border.bottom.style, 'c3': ws['C3'].value,
  'a5': [ws['A5'].alignment.horizontal, ws['A5'].alignment.shrink_to_fit],
  'width': ws.column_dimensions['A'].width, 'print': str(ws.print_area), 'b4': ws['B4'].value}, ensure_ascii=False))
)PY"),
                                   saved.value());
    EXPECT_EQ(
        o.value(QStringLiteral("sheets")).toArray(),
        QJsonArray({QStringLiteral("帳票"), QStringLiteral("明細"), QStringLiteral("三枚目")}));
    EXPECT_EQ(o.value(QStringLiteral("a1")).toString(), QStringLiteral("請求書"));
    EXPECT_EQ(o.value(QStringLiteral("font")).toArray(),
              QJsonArray({QStringLiteral("ＭＳ 明朝"), 18, true, QStringLiteral("FF0000FF")}));
    EXPECT_EQ(o.value(QStringLiteral("merged")).toArray(), QJsonArray({QStringLiteral("A1:D1")}));
    EXPECT_EQ(o.value(QStringLiteral("b3")).toDouble(), 1200);
    EXPECT_EQ(o.value(QStringLiteral("b3f")).toString(), QStringLiteral("#,##0"));
    EXPECT_EQ(o.value(QStringLiteral("fill")).toString(), QStringLiteral("FFFFFF00"));
    EXPECT_EQ(o.value(QStringLiteral("border")).toString(), QStringLiteral("double"));
    EXPECT_EQ(o.value(QStringLiteral("c3")).toString(), QStringLiteral("=B3*2"));
    EXPECT_EQ(o.value(QStringLiteral("a5")).toArray(), QJsonArray({QStringLiteral("right"), true}));
    EXPECT_EQ(o.value(QStringLiteral("width")).toDouble(), 30);
    EXPECT_TRUE(o.value(QStringLiteral("print")).toString().contains(QStringLiteral("$A$1:$D$10")));
    EXPECT_EQ(o.value(QStringLiteral("b4")).toDouble(), 3000);
}

TEST(SessionTest, PasswordsEncryptAndReserve) {
    QTemporaryDir dir;
    ExcelSession xl;
    const int book = xl.addWorkbook();
    at(xl.sheet(book, 1), "A1").setValue(QStringLiteral("秘密"));
    const Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("p.xlsx")),
                                            QStringLiteral("open1"), QStringLiteral("mod2"));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, io, json, msoffcrypto, openpyxl
f = msoffcrypto.OfficeFile(open(sys.argv[1], 'rb'))
f.load_key(password='open1')
buf = io.BytesIO(); f.decrypt(buf)
wb = openpyxl.load_workbook(buf)
import zipfile
z = zipfile.ZipFile(buf)
print(json.dumps({'a1': wb.active['A1'].value, 'sharing': 'fileSharing' in z.read('xl/workbook.xml').decode()}, ensure_ascii=False))
)PY"),
                                   saved.value());
    EXPECT_EQ(o.value(QStringLiteral("a1")).toString(), QStringLiteral("秘密"));
    EXPECT_TRUE(o.value(QStringLiteral("sharing")).toBool());
    // The encrypted file opens as a template with its password, and not without it.
    const Result<int> wrong = xl.openTemplate(saved.value(), QStringLiteral("wrong"));
    ASSERT_FALSE(wrong.isOk());
    EXPECT_TRUE(wrong.error().message.startsWith(QStringLiteral("パスワードが違います。")));
    const Result<int> t = xl.openTemplate(saved.value(), QStringLiteral("open1"));
    ASSERT_TRUE(t.isOk()) << t.error().message.toStdString();
    EXPECT_EQ(at(xl.sheet(t.value(), 1), "A1").value().toString(), QStringLiteral("秘密"));
}

TEST(SessionTest, FailedSaveLeavesNoFileUnderTheName) {
    QTemporaryDir dir;
    ExcelSession xl;
    const int book = xl.addWorkbook();
    at(xl.sheet(book, 1), "A1").setValue(QStringLiteral("x"));
    // A failing encryption step: nothing may appear under the output name.
    xl.setPasswordHooks(
        [](const std::string &, const QString &) -> Result<std::string> {
            return Error{QStringLiteral("暗号化に失敗しました。"), {}};
        },
        {}, {});
    const QString path = dir.filePath(QStringLiteral("f.xlsx"));
    EXPECT_FALSE(xl.saveAs(book, path, QStringLiteral("pw")).isOk());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
    // An existing output file is replaced without a prompt, and only once the new one is whole.
    xl.setPasswordHooks({}, {}, {});
    ASSERT_TRUE(xl.saveAs(book, path).isOk());
    at(xl.sheet(book, 1), "A1").setValue(QStringLiteral("second"));
    ASSERT_TRUE(xl.saveAs(book, path).isOk());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("f.xlsx")}));
    ExcelSession reader;
    const Result<int> back = reader.openTemplate(path);
    ASSERT_TRUE(back.isOk());
    EXPECT_EQ(at(reader.sheet(back.value(), 1), "A1").value().toString(), QStringLiteral("second"));
    // An unwritable folder fails with a message.
    EXPECT_FALSE(xl.saveAs(book, QStringLiteral("/nonexistent-folder/f.xlsx")).isOk());
}

} // namespace

namespace {

// The largest sheet a report writes: 65,535 rows x 251 columns, sampled by openpyxl's
// read-only reader.
TEST(BigSheetTest, FullReportSheetReadsBack) {
    QTemporaryDir dir;
    ExcelSession xl;
    const int book = xl.addWorkbook();
    ExcelSheet s = xl.sheet(book, 1);
    for (int r = 1; r <= 65535; ++r)
        for (int c = 1; c <= 251; ++c)
            s.cells(r, c).setNumber(double(r % 1000));
    s.cells(65535, 251).setValue(QStringLiteral("最後"));
    s.cells(1, 1).setValue(QStringLiteral("最初"));
    const Result<QString> saved = xl.saveAs(book, dir.filePath(QStringLiteral("big.xlsx")));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    const QJsonObject o = kelvoran::test::readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
ws = wb.active
# One pass over the sheet: the reader parses from the start for every iter_rows call.
first = mid = last = None
for n, row in enumerate(ws.iter_rows(values_only=True), start=1):
    if n == 1:
        first = row
    elif n == 30000:
        mid = row
    elif n == 65535:
        last = row[249:251]
print(json.dumps({'dims': ws.calculate_dimension(), 'first': [first[0], first[250], len(first)],
                  'mid': [mid[0], mid[250]], 'last': list(last)}, ensure_ascii=False))
)PY"),
                                                   saved.value(), 600000);
    EXPECT_EQ(o.value(QStringLiteral("dims")).toString(), QStringLiteral("A1:IQ65535"));
    EXPECT_EQ(o.value(QStringLiteral("first")).toArray(),
              QJsonArray({QStringLiteral("最初"), 1, 251}));
    EXPECT_EQ(o.value(QStringLiteral("mid")).toArray(), QJsonArray({0, 0}));
    EXPECT_EQ(o.value(QStringLiteral("last")).toArray(), QJsonArray({535, QStringLiteral("最後")}));
}

} // namespace

// Fixed and extended list reports written into template workbooks that openpyxl built, saved,
// and read back by openpyxl.
#include "db/recordstream.h"
#include "excel/excelsession.h"
#include "excel/extractionquery.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"
#include "report/formatcode.h"
#include "report/reportdefinition.h"
#include "report/settingsfile.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include "excel/engine/agileencryption.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvoran;
using kelvoran::test::readBack;
using kelvoran::test::runPython;
using kelvoran::test::testPath;

namespace {

using Record = std::vector<QVariant>;

// Every stored cell of every sheet, with what the tests look at.
const char *const kReadAll = R"PY(
import sys, json, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": [], "active": wb.active.title}
for ws in wb.worksheets:
    cells = {}
    for (r, c), cell in ws._cells.items():
        v = cell.value
        if v is None:
            continue
        if isinstance(v, datetime.datetime):
            v = v.strftime("%Y/%m/%d %H:%M:%S")
        fill = None
        if cell.fill is not None and cell.fill.fill_type == "solid":
            fill = str(cell.fill.fgColor.rgb)
        cells[cell.coordinate] = {"v": v, "t": type(v).__name__, "f": cell.number_format,
                                  "b": bool(cell.font.b), "sz": cell.font.sz,
                                  "h": cell.alignment.horizontal, "fill": fill}
    fills = {}
    for (r, c), cell in ws._cells.items():
        if cell.fill is not None and cell.fill.fill_type == "solid":
            fills[cell.coordinate] = str(cell.fill.fgColor.rgb)
    pa = ws.print_area
    if isinstance(pa, (list, tuple)):
        pa = ",".join(pa)
    out["sheets"].append({"name": ws.title, "printArea": pa or "",
                          "breaks": [b.id for b in ws.row_breaks.brk],
                          "merged": sorted(str(m) for m in ws.merged_cells.ranges),
                          "cells": cells, "fills": fills})
print(json.dumps(out, ensure_ascii=False))
)PY";

QString makeTemplate(const QTemporaryDir &dir, const char *layout) {
    const QString path = dir.filePath(QString::fromLatin1(layout) + QStringLiteral(".xlsx"));
    QFile script(testPath(QStringLiteral("data/templates/make_template.py")));
    EXPECT_TRUE(script.open(QIODevice::ReadOnly));
    const auto r =
        runPython(QString::fromUtf8(script.readAll()), {QString::fromLatin1(layout), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return path;
}

QByteArray fileHash(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

ColumnSetting column(const char *name, const char *cell, const QString &codes = QString()) {
    ColumnSetting c;
    c.PhysicalName = QString::fromUtf8(name);
    c.WidthOrCell = QString::fromUtf8(cell);
    c.FormatCodes = codes;
    return c;
}

// A fixed report on the "fixed" layout: code, product, amount and order date into B2:B5, with
// the title in A6 and the creation time in C6 of every block.
ReportDefinition fixedDefinition() {
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("e6"));
    def.setFlag(QStringLiteral("TITLEFLG"), true);
    def.setValue(QStringLiteral("TITLE"), QStringLiteral("売上伝票一覧"));
    def.setValue(QStringLiteral("TITLEROW"), QStringLiteral("6"));
    def.setValue(QStringLiteral("TITLECOL"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("MAKEDATEFLG"), true);
    def.setValue(QStringLiteral("MAKEDATEROW"), QStringLiteral("6"));
    def.setValue(QStringLiteral("MAKEDATECOL"), QStringLiteral("3"));
    def.columns = {column("code", "B2"), column("product", "b3", FormatCode::plain(2)),
                   column("amount", "B4"),
                   column("ordered", "B5", *FormatCode::withNumber(7, QStringLiteral("4")))};
    return def;
}

// An extended report on the "extended" layout: branch (page field B2, the page-break key when
// keyed), order number, product, quantity and amount on the line B5:E5, region as page field E2.
// lineRows > 1 makes the line B5:E(4 + lineRows), with the product in its last row.
ReportDefinition extendedDefinition(int linesPerPage, int keyField, int lineRows = 1) {
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KCFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("F20"));
    def.setValue(QStringLiteral("KCFC"), QStringLiteral("B5"));
    def.setValue(QStringLiteral("KCEC"), QStringLiteral("E%1").arg(4 + lineRows));
    def.setValue(QStringLiteral("KCPC"), QString::number(linesPerPage));
    def.setValue(QStringLiteral("KCBKEY"), QString::number(keyField));
    def.setFlag(QStringLiteral("TITLEFLG"), true);
    def.setValue(QStringLiteral("TITLE"), QStringLiteral("受注一覧"));
    def.setValue(QStringLiteral("TITLEROW"), QStringLiteral("3"));
    def.setValue(QStringLiteral("TITLECOL"), QStringLiteral("1"));
    def.columns = {column("branch", "B2"),
                   column("order_no", "B5"),
                   column("product", "C5"),
                   column("quantity", "D5"),
                   column("amount", "E5", FormatCode::plain(4)),
                   column("region", "E2")};
    def.columns[2].WidthOrCell = QStringLiteral("C%1").arg(4 + lineRows);
    return def;
}

struct Written {
    Status status;
    QString path;
    QString stepCode;
    int booksLeftOpen = 0;
};

// Prepares the output from the template, writes the report, closes the template and saves.
Written runReport(const QTemporaryDir &dir, const QString &templatePath, const QString &password,
                  const ReportDefinition &def, std::vector<Record> records, long dataCount,
                  const char *name = "out") {
    Written w;
    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, templatePath, password, 0, step);
    if (!wb) {
        w.status = wb.status();
        w.booksLeftOpen = xl.workbookCount();
        return w;
    }
    TemplateWorkbook book = wb.value();
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.itemCount = int(def.columns.size());
    run.dataCount = dataCount;
    run.creationTime = QStringLiteral("2026/12/09 10:11:12");
    VectorRecordSource source(std::move(records));
    long progressCalls = 0;
    w.status = writeTemplateReport(xl, run, def, source, step, [&](long record, long count) {
        ++progressCalls;
        EXPECT_EQ(record, progressCalls);
        EXPECT_EQ(count, dataCount);
    });
    w.stepCode = step.text();
    if (!w.status)
        return w;
    closeTemplateWorkbook(xl, book);
    Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QString::fromLatin1(name)));
    if (!saved) {
        w.status = saved.status();
        return w;
    }
    w.path = saved.value();
    return w;
}

QJsonObject sheetOf(const QJsonObject &all, int index) {
    return all.value(QStringLiteral("sheets")).toArray().at(index).toObject();
}

QJsonObject cellOf(const QJsonObject &sheet, const QString &a1) {
    return sheet.value(QStringLiteral("cells")).toObject().value(a1).toObject();
}

QStringList namesOf(const QJsonObject &all) {
    QStringList names;
    for (const auto &s : all.value(QStringLiteral("sheets")).toArray())
        names << s.toObject().value(QStringLiteral("name")).toString();
    return names;
}

std::vector<int> breaksOf(const QJsonObject &sheet) {
    std::vector<int> out;
    for (const auto &b : sheet.value(QStringLiteral("breaks")).toArray())
        out.push_back(b.toInt());
    return out;
}

QStringList mergedOf(const QJsonObject &sheet) {
    QStringList out;
    for (const auto &m : sheet.value(QStringLiteral("merged")).toArray())
        out << m.toString();
    return out;
}

QString a1(const char *column, int row) {
    return QString::fromLatin1(column) + QString::number(row);
}

// Three slips: every block a copy of the template with its styles and merges, values typed
// (the text cell keeps the leading zeros), formats of the columns, title and creation time per
// block, a page break after each block, the print area over the filled blocks, and the
// template file untouched.
TEST(FixedTemplateReport, EveryRecordGetsItsOwnBlock) {
    QTemporaryDir dir;
    const QString tpl = makeTemplate(dir, "fixed");
    const QByteArray before = fileHash(tpl);
    std::vector<Record> records = {
        {QStringLiteral("00123"), QStringLiteral("ボールペン 黒"), 1200, QDate(2024, 1, 2)},
        {QStringLiteral("00456"), QStringLiteral("ノート A4"), 98765, QDate(2024, 2, 29)},
        {QStringLiteral("07"), QString(), QVariant(), QDate(2024, 12, 31)}};
    const Written w = runReport(dir, tpl, QString(), fixedDefinition(), records, 3);
    ASSERT_TRUE(w.status.isOk()) << w.status.error().text().toStdString();
    EXPECT_EQ(fileHash(tpl), before);

    const QJsonObject all = readBack(QString::fromUtf8(kReadAll), w.path);
    EXPECT_EQ(namesOf(all), (QStringList{QStringLiteral("伝票"), QStringLiteral("メモ")}));
    const QJsonObject s = sheetOf(all, 0);
    EXPECT_EQ(s.value(QStringLiteral("printArea")).toString(), QStringLiteral("$A$1:$E$18"));
    EXPECT_EQ(breaksOf(s), (std::vector<int>{6, 12, 18}));
    EXPECT_EQ(mergedOf(s), (QStringList{QStringLiteral("A13:E13"), QStringLiteral("A1:E1"),
                                        QStringLiteral("A7:E7")}));
    for (int b = 0; b < 3; ++b) {
        SCOPED_TRACE(b);
        const int o = 6 * b;
        const Record &r = records[size_t(b)];
        EXPECT_EQ(cellOf(s, a1("A", 1 + o)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("売上伝票"));
        EXPECT_EQ(cellOf(s, a1("A", 1 + o)).value(QStringLiteral("fill")).toString(),
                  QStringLiteral("FFFFCC00"));
        EXPECT_EQ(cellOf(s, a1("E", 6 + o)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("印"));
        const QJsonObject code = cellOf(s, a1("B", 2 + o));
        EXPECT_EQ(code.value(QStringLiteral("v")).toString(), r[0].toString());
        EXPECT_EQ(code.value(QStringLiteral("t")).toString(), QStringLiteral("str"));
        const QJsonObject product = cellOf(s, a1("B", 3 + o));
        if (r[1].toString().isEmpty()) {
            EXPECT_FALSE(product.contains(QStringLiteral("v")));
        } else {
            EXPECT_EQ(product.value(QStringLiteral("v")).toString(), r[1].toString());
            EXPECT_EQ(product.value(QStringLiteral("h")).toString(), QStringLiteral("center"));
        }
        const QJsonObject amount = cellOf(s, a1("B", 4 + o));
        if (r[2].isNull()) {
            EXPECT_FALSE(amount.contains(QStringLiteral("v")));
        } else {
            EXPECT_EQ(amount.value(QStringLiteral("v")).toDouble(), r[2].toDouble());
            EXPECT_EQ(amount.value(QStringLiteral("f")).toString(), QStringLiteral("#,##0"));
        }
        const QJsonObject date = cellOf(s, a1("B", 5 + o));
        EXPECT_EQ(date.value(QStringLiteral("v")).toString(),
                  r[3].toDate().toString(QStringLiteral("yyyy/MM/dd 00:00:00")));
        EXPECT_EQ(date.value(QStringLiteral("f")).toString(),
                  QStringLiteral("yyyy\"年\"m\"月\"d\"日\""));
        const QJsonObject title = cellOf(s, a1("A", 6 + o));
        EXPECT_EQ(title.value(QStringLiteral("v")).toString(), QStringLiteral("売上伝票一覧"));
        EXPECT_EQ(title.value(QStringLiteral("sz")).toDouble(), 15);
        EXPECT_EQ(cellOf(s, a1("C", 6 + o)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("2026/12/09 10:11:12 現在データ"));
    }
    // Nothing below the last block: the leftover rows are empty.
    for (const char *c : {"A19", "A25", "E24"})
        EXPECT_FALSE(cellOf(s, QString::fromLatin1(c)).contains(QStringLiteral("v"))) << c;
    EXPECT_EQ(cellOf(sheetOf(all, 1), QStringLiteral("A1")).value(QStringLiteral("v")).toString(),
              QStringLiteral("雛形の注記"));
}

// A 153-row block: 428 blocks fit on a sheet (65536 div 153). Sheets are prepared from the
// count; more records than counted get another sheet from the template, fewer leave no
// unused sheet behind; filling the last block of a sheet exactly needs no next sheet.
struct SpillCase {
    const char *name;
    int records;
    long dataCount;
    QStringList sheets; // data sheets, then the template's second sheet
    int lastSheetBlocks;
};

void PrintTo(const SpillCase &c, std::ostream *os) {
    *os << c.name;
}

class FixedSpill : public ::testing::TestWithParam<SpillCase> {};

TEST_P(FixedSpill, BlocksPassOntoTheNextSheet) {
    const SpillCase &c = GetParam();
    QTemporaryDir dir;
    const QString tpl = makeTemplate(dir, "fixed153");
    ReportDefinition def;
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("C153"));
    def.columns = {column("no", "B1")};
    std::vector<Record> records;
    for (int i = 1; i <= c.records; ++i)
        records.push_back({i});
    const Written w = runReport(dir, tpl, QString(), def, records, c.dataCount);
    ASSERT_TRUE(w.status.isOk()) << w.status.error().text().toStdString();

    const QJsonObject all = readBack(QString::fromUtf8(kReadAll), w.path);
    ASSERT_EQ(namesOf(all), c.sheets);
    const int dataSheets = int(c.sheets.size()) - 1;
    int number = 1;
    for (int s = 0; s < dataSheets; ++s) {
        SCOPED_TRACE(s);
        const QJsonObject sheet = sheetOf(all, s);
        const int blocks = s + 1 < dataSheets ? 428 : c.lastSheetBlocks;
        EXPECT_EQ(sheet.value(QStringLiteral("printArea")).toString(),
                  QStringLiteral("$A$1:$C$%1").arg(153 * blocks));
        for (int b = 0; b < blocks; ++b, ++number) {
            ASSERT_EQ(cellOf(sheet, a1("B", 153 * b + 1)).value(QStringLiteral("v")).toInt(),
                      number)
                << "block " << b + 1;
            ASSERT_EQ(cellOf(sheet, a1("C", 153 * b + 153)).value(QStringLiteral("v")).toString(),
                      QStringLiteral("end"));
        }
        // The rows after the last block of the sheet hold nothing.
        EXPECT_FALSE(cellOf(sheet, a1("A", 153 * blocks + 1)).contains(QStringLiteral("v")));
        EXPECT_FALSE(cellOf(sheet, a1("C", 153 * blocks + 153)).contains(QStringLiteral("v")));
        // A break after every block; a full sheet's last block ends at the sheet's end.
        const std::vector<int> breaks = breaksOf(sheet);
        EXPECT_EQ(breaks.size(), size_t(blocks == 428 ? 427 : blocks));
        if (!breaks.empty()) {
            EXPECT_EQ(breaks.front(), 153);
        }
    }
    EXPECT_EQ(number, c.records + 1);
    EXPECT_EQ(cellOf(sheetOf(all, dataSheets), QStringLiteral("A1"))
                  .value(QStringLiteral("v"))
                  .toString(),
              QStringLiteral("雛形の注記"));
}

const QString kDetail = QStringLiteral("明細");
const QString kMemo = QStringLiteral("メモ");

INSTANTIATE_TEST_SUITE_P(
    Sheets, FixedSpill,
    ::testing::Values(SpillCase{"SecondSheetStartsAtBlock429",
                                429,
                                429,
                                {kDetail, kDetail + QStringLiteral(" (2)"), kMemo},
                                1},
                      SpillCase{"ExactlyFullSheetNeedsNoSecond", 428, 428, {kDetail, kMemo}, 428},
                      SpillCase{"MoreRecordsThanCounted",
                                430,
                                10,
                                {kDetail, kDetail + QStringLiteral(" (2)"), kMemo},
                                2},
                      SpillCase{"FewerRecordsThanCounted", 5, 900, {kDetail, kMemo}, 5}),
    [](const ::testing::TestParamInfo<SpillCase> &p) { return std::string(p.param.name); });

// Extended list report: records by branch; which records share a page.
struct ExtendedCase {
    const char *name;
    int linesPerPage;
    int keyField;                        // 0: none
    QStringList branches;                // one record per entry
    std::vector<std::vector<int>> pages; // record numbers (1-based) on each page
    int lineRows = 1;                    // rows of one line
};

void PrintTo(const ExtendedCase &c, std::ostream *os) {
    *os << c.name;
}

class ExtendedPages : public ::testing::TestWithParam<ExtendedCase> {};

TEST_P(ExtendedPages, LinesFillPagesThatBreakAtTheKey) {
    const ExtendedCase &c = GetParam();
    QTemporaryDir dir;
    const QString tpl = makeTemplate(dir, "extended");
    const QByteArray before = fileHash(tpl);
    std::vector<Record> records;
    for (int i = 0; i < c.branches.size(); ++i)
        records.push_back({c.branches[i], QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0')),
                           QStringLiteral("商品%1").arg(i + 1), (i + 1) * 1000, (i + 1) * 10,
                           QStringLiteral("地区%1").arg(i + 1)});
    const Written w =
        runReport(dir, tpl, QString(), extendedDefinition(c.linesPerPage, c.keyField, c.lineRows),
                  records, long(records.size()));
    ASSERT_TRUE(w.status.isOk()) << w.status.error().text().toStdString();
    EXPECT_EQ(fileHash(tpl), before);

    const QJsonObject all = readBack(QString::fromUtf8(kReadAll), w.path);
    EXPECT_EQ(namesOf(all), (QStringList{QStringLiteral("一覧"), QStringLiteral("注記")}));
    const QJsonObject s = sheetOf(all, 0);
    const int pages = int(c.pages.size());
    EXPECT_EQ(s.value(QStringLiteral("printArea")).toString(),
              QStringLiteral("$A$1:$F$%1").arg(20 * pages));
    std::vector<int> breaks;
    for (int p = 1; p < pages; ++p)
        breaks.push_back(20 * p);
    EXPECT_EQ(breaksOf(s), breaks);
    for (int p = 0; p < pages; ++p) {
        SCOPED_TRACE(p);
        const int base = 20 * p;
        const std::vector<int> &lines = c.pages[size_t(p)];
        const Record &first = records[size_t(lines.front() - 1)];
        // The page's template, its page fields from its first record, the title.
        EXPECT_EQ(cellOf(s, a1("A", base + 1)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("支店別受注一覧"));
        EXPECT_EQ(cellOf(s, a1("A", base + 19)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("以上"));
        EXPECT_EQ(cellOf(s, a1("B", base + 2)).value(QStringLiteral("v")).toString(),
                  first[0].toString());
        EXPECT_EQ(cellOf(s, a1("E", base + 2)).value(QStringLiteral("v")).toString(),
                  first[5].toString());
        EXPECT_EQ(cellOf(s, a1("A", base + 3)).value(QStringLiteral("v")).toString(),
                  QStringLiteral("受注一覧"));
        EXPECT_TRUE(mergedOf(s).contains(QStringLiteral("A%1:F%1").arg(base + 1)));
        for (size_t l = 0; l < lines.size(); ++l) {
            const Record &r = records[size_t(lines[l] - 1)];
            const int row = base + 5 + c.lineRows * int(l);
            const QJsonObject order = cellOf(s, a1("B", row));
            EXPECT_EQ(order.value(QStringLiteral("v")).toString(), r[1].toString()) << row;
            EXPECT_EQ(order.value(QStringLiteral("t")).toString(), QStringLiteral("str"));
            EXPECT_EQ(order.value(QStringLiteral("fill")).toString(), QStringLiteral("FFE0F0FF"));
            EXPECT_EQ(
                cellOf(s, a1("C", row + c.lineRows - 1)).value(QStringLiteral("v")).toString(),
                r[2].toString());
            EXPECT_EQ(cellOf(s, a1("D", row)).value(QStringLiteral("v")).toDouble(),
                      r[3].toDouble());
            EXPECT_EQ(cellOf(s, a1("D", row)).value(QStringLiteral("f")).toString(),
                      QStringLiteral("#,##0"));
            EXPECT_EQ(cellOf(s, a1("E", row)).value(QStringLiteral("h")).toString(),
                      QStringLiteral("right"));
        }
        // No line past the last one of the page, not even an empty copy of the line.
        const int after = base + 5 + c.lineRows * int(lines.size());
        EXPECT_FALSE(cellOf(s, a1("B", after)).contains(QStringLiteral("v")));
        EXPECT_FALSE(s.value(QStringLiteral("fills")).toObject().contains(a1("B", after)))
            << "line copied past the last record of page " << p + 1;
    }
    // The block after the last page is gone.
    EXPECT_FALSE(cellOf(s, a1("A", 20 * pages + 1)).contains(QStringLiteral("v")));
    EXPECT_FALSE(cellOf(s, a1("A", 20 * pages + 19)).contains(QStringLiteral("v")));
}

const QString kA = QStringLiteral("新宿支店"), kB = QStringLiteral("梅田支店"),
              kC = QStringLiteral("博多支店");

INSTANTIATE_TEST_SUITE_P(
    Pages, ExtendedPages,
    ::testing::Values(
        ExtendedCase{"FourLinesNoKey", 4, 0, {kA, kA, kB, kB, kC}, {{1, 2, 3, 4}, {5}}},
        ExtendedCase{"FullPageEndsExactly", 4, 0, {kA, kA, kA, kA}, {{1, 2, 3, 4}}},
        ExtendedCase{"KeyChangeAfterFirstRecord", 4, 1, {kA, kB, kB}, {{1}, {2, 3}}},
        ExtendedCase{"KeyAndFullPages",
                     4,
                     1,
                     {kA, kA, kA, kA, kA, kB, kB, kC},
                     {{1, 2, 3, 4}, {5}, {6, 7}, {8}}},
        ExtendedCase{"OneLinePerPageLastKeepsTemplate", 1, 0, {kA, kB, kC}, {{1}, {2}, {3}}},
        ExtendedCase{"KeyChangeAtLastRecord", 3, 1, {kA, kA, kB}, {{1, 2}, {3}}},
        ExtendedCase{"TwoRowLinesAdvanceTwoRows", 3, 0, {kA, kA, kA, kB}, {{1, 2, 3}, {4}}, 2}),
    [](const ::testing::TestParamInfo<ExtendedCase> &p) { return std::string(p.param.name); });

// No records: the data sheet loses the template block, the other sheets stay.
TEST(TemplateReportNoRecords, TheTemplateBlockIsDeleted) {
    struct Case {
        const char *layout;
        ReportDefinition def;
        const char *sheet;
        std::vector<const char *> gone;
    };
    const std::vector<Case> cases = {
        {"fixed", fixedDefinition(), "伝票", {"A1", "A2", "A5", "E6"}},
        {"extended", extendedDefinition(4, 1), "一覧", {"A1", "A2", "B4", "A19", "F20"}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.layout);
        QTemporaryDir dir;
        const QString tpl = makeTemplate(dir, c.layout);
        const Written w = runReport(dir, tpl, QString(), c.def, {}, 0);
        ASSERT_TRUE(w.status.isOk()) << w.status.error().text().toStdString();
        const QJsonObject all = readBack(QString::fromUtf8(kReadAll), w.path);
        ASSERT_EQ(namesOf(all).size(), 2);
        const QJsonObject s = sheetOf(all, 0);
        EXPECT_EQ(s.value(QStringLiteral("name")).toString(), QString::fromUtf8(c.sheet));
        for (const char *cell : c.gone)
            EXPECT_FALSE(cellOf(s, QString::fromLatin1(cell)).contains(QStringLiteral("v")))
                << cell;
        EXPECT_TRUE(mergedOf(s).isEmpty());
        EXPECT_TRUE(s.value(QStringLiteral("fills")).toObject().isEmpty());
        EXPECT_TRUE(breaksOf(s).empty());
        EXPECT_EQ(
            cellOf(sheetOf(all, 1), QStringLiteral("A1")).value(QStringLiteral("v")).toString(),
            QStringLiteral("雛形の注記"));
    }
}

// A template protected by a password to open: the right password reads it, a wrong or missing
// one fails with a message that names the template, leaving no workbook open.
TEST(TemplateWorkbookTest, EncryptedTemplateOpensWithItsPassword) {
    QTemporaryDir dir;
    const QString plain = makeTemplate(dir, "fixed");
    QFile in(plain);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const Result<QByteArray> enc = encryptPackage(in.readAll(), QStringLiteral("雛形pw"), 1000);
    ASSERT_TRUE(enc.isOk());
    const QString tpl = dir.filePath(QStringLiteral("locked.xlsx"));
    QFile out(tpl);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(enc.value());
    out.close();
    const QByteArray before = fileHash(tpl);

    const std::vector<Record> one = {
        {QStringLiteral("00999"), QStringLiteral("ホッチキス"), 650, QDate(2024, 5, 1)}};
    const Written ok =
        runReport(dir, tpl, QStringLiteral("雛形pw"), fixedDefinition(), one, 1, "unlocked");
    ASSERT_TRUE(ok.status.isOk()) << ok.status.error().text().toStdString();
    EXPECT_EQ(fileHash(tpl), before);
    const QJsonObject all = readBack(QString::fromUtf8(kReadAll), ok.path);
    EXPECT_EQ(cellOf(sheetOf(all, 0), QStringLiteral("B2")).value(QStringLiteral("v")).toString(),
              QStringLiteral("00999"));

    for (const QString &password : {QStringLiteral("違う"), QString()}) {
        const Written bad = runReport(dir, tpl, password, fixedDefinition(), one, 1, "bad");
        ASSERT_FALSE(bad.status.isOk());
        const QString msg = bad.status.error().message;
        EXPECT_TRUE(msg.startsWith(QStringLiteral("雛形ファイルを開けません。")))
            << msg.toStdString();
        EXPECT_TRUE(msg.contains(wrongPasswordMessage())) << msg.toStdString();
        EXPECT_TRUE(msg.contains(tpl)) << msg.toStdString();
        EXPECT_EQ(bad.status.error().stepCode, QStringLiteral("PMB_250003"));
        EXPECT_EQ(bad.booksLeftOpen, 0);
    }
    const Written missing = runReport(dir, dir.filePath(QStringLiteral("none.xlsx")), QString(),
                                      fixedDefinition(), one, 1, "missing");
    ASSERT_FALSE(missing.status.isOk());
    EXPECT_TRUE(missing.status.error().message.contains(QStringLiteral("none.xlsx")));
}

// A scheduled entry writing into the workbook of the entry before: the template's sheets follow
// the sheets already there, and the data sheet is the first of them.
TEST(TemplateWorkbookTest, SharedWorkbookGetsTheTemplateSheetsAfterItsOwn) {
    QTemporaryDir dir;
    const QString tpl = makeTemplate(dir, "fixed");
    ExcelSession xl;
    StepCode step(u'C');
    Result<TemplateWorkbook> first = openTemplateWorkbook(xl, tpl, QString(), 0, step);
    ASSERT_TRUE(first.isOk());
    TemplateWorkbook a = first.value();
    EXPECT_EQ(a.sheetIndex, 1);
    EXPECT_EQ(a.templateSheetCount, 2);
    closeTemplateWorkbook(xl, a);
    EXPECT_EQ(xl.workbookCount(), 1);
    Result<TemplateWorkbook> second = openTemplateWorkbook(xl, tpl, QString(), a.outputBook, step);
    ASSERT_TRUE(second.isOk());
    TemplateWorkbook b = second.value();
    EXPECT_EQ(b.outputBook, a.outputBook);
    EXPECT_EQ(b.sheetIndex, 3);
    QStringList names;
    for (int i = 1; i <= xl.sheetCount(b.outputBook); ++i)
        names << xl.sheet(b.outputBook, i).name();
    EXPECT_EQ(names, (QStringList{QStringLiteral("伝票"), QStringLiteral("メモ"),
                                  QStringLiteral("伝票 (2)"), QStringLiteral("メモ (2)")}));
    EXPECT_EQ(xl.activeSheet(b.outputBook), 3);
    closeTemplateWorkbook(xl, b);
    EXPECT_EQ(xl.workbookCount(), 1);
}

// Settings the writer cannot place fail before anything is written, with the step code.
TEST(TemplateReportErrors, BadCellsAndCountsStopTheRun) {
    struct Case {
        const char *name;
        ReportDefinition def;
        const char *message; // start of the message
        const char *step;
    };
    auto fixedWith = [](const char *key, const char *value) {
        ReportDefinition d = fixedDefinition();
        d.setValue(QString::fromLatin1(key), QString::fromUtf8(value));
        return d;
    };
    auto extendedWith = [](const char *key, const char *value) {
        ReportDefinition d = extendedDefinition(4, 0);
        d.setValue(QString::fromLatin1(key), QString::fromUtf8(value));
        return d;
    };
    ReportDefinition threeLetters = fixedDefinition();
    threeLetters.columns[1].WidthOrCell = QStringLiteral("ABC3");
    ReportDefinition belowBlock = fixedDefinition();
    belowBlock.columns[3].WidthOrCell = QStringLiteral("B7");
    ReportDefinition noRow = fixedDefinition();
    noRow.columns[2].WidthOrCell = QStringLiteral("B");
    const std::vector<Case> cases = {
        {"ThreeLetterColumn", threeLetters, "出力セルの指定が正しくありません。：ABC3（2列目）",
         "PMK_260002_2"},
        {"CellWithoutRow", noRow, "出力セルの指定が正しくありません。：B（3列目）", "PMK_260002_3"},
        {"CellBelowTheBlock", belowBlock, "出力セルが雛形終了セルの行を超えています。：B7（4列目）",
         "PMK_260002_4"},
        {"EndCellNotACell", fixedWith("KOTEIHINACELL", "6E"), "雛形終了セルの指定が", "PMK_260001"},
        {"LinesPerPageZero", extendedWith("KCPC", "0"), "改ページ行数の指定が", "PKI_330003"},
        {"LinesPerPageText", extendedWith("KCPC", "四"), "改ページ行数の指定が", "PKI_330003"},
        {"LinesPassThePage", extendedWith("KCPC", "17"), "改ページ行数分の繰り返し範囲が",
         "PKI_330003"},
        {"RepeatStartNotACell", extendedWith("KCFC", "5B"), "繰り返し開始セルの指定が",
         "PKI_330002"},
        {"KeyBeyondTheFields", extendedWith("KCBKEY", "9"), "改ページ項目の番号が", "PKI_330010"}};
    QTemporaryDir dir;
    const QString fixedTpl = makeTemplate(dir, "fixed");
    const QString extendedTpl = makeTemplate(dir, "extended");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const bool extended = templateReportKind(c.def) == TemplateReportKind::Extended;
        const std::vector<Record> records = {
            {QStringLiteral("a"), QStringLiteral("b"), 1, 2, 3, QStringLiteral("c")}};
        const Written w =
            runReport(dir, extended ? extendedTpl : fixedTpl, QString(), c.def, records, 1);
        ASSERT_FALSE(w.status.isOk());
        EXPECT_TRUE(w.status.error().message.startsWith(QString::fromUtf8(c.message)))
            << w.status.error().message.toStdString();
        EXPECT_EQ(w.status.error().stepCode, QString::fromLatin1(c.step));
    }
}

// A source that fails after its first record.
class FailingSource : public RecordSource {
public:
    bool next(std::vector<QVariant> &fields) override {
        if (m_sent++ > 0)
            return false;
        fields = {QStringLiteral("00001"), QStringLiteral("x"), 1, QDate(2024, 1, 1)};
        return true;
    }
    Status status() const override {
        return m_sent > 1 ? Status(Error{QStringLiteral("接続が切れました。"), {}}) : Status();
    }

private:
    int m_sent = 0;
};

TEST(TemplateReportErrors, AFailingRecordSourceFailsTheRun) {
    QTemporaryDir dir;
    const QString tpl = makeTemplate(dir, "fixed");
    ExcelSession xl;
    StepCode step(u'C');
    Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, tpl, QString(), 0, step);
    ASSERT_TRUE(wb.isOk());
    TemplateReportRun run;
    run.outputBook = wb->outputBook;
    run.sheetIndex = wb->sheetIndex;
    run.templateBook = wb->templateBook;
    run.itemCount = 4;
    run.dataCount = 5;
    FailingSource source;
    const Status s = writeTemplateReport(xl, run, fixedDefinition(), source, step);
    ASSERT_FALSE(s.isOk());
    EXPECT_EQ(s.error().message, QStringLiteral("接続が切れました。"));
    EXPECT_TRUE(s.error().stepCode.startsWith(QStringLiteral("CMK_")))
        << s.error().stepCode.toStdString();
}

// The example settings files, read by the settings reader, their extraction queries run on the
// demo database, written into the example templates beside them.
struct ExampleCase {
    const char *kvr;
    TemplateReportKind kind;
    QStringList sheets;
    const char *printArea;
    int breaks;
    std::vector<std::pair<const char *, QJsonValue>> values;    // cell, value read back
    std::vector<std::pair<const char *, const char *>> formats; // cell, number format
    std::vector<const char *> empty;                            // cells without a value
};

TEST(TemplateReportExample, ExamplesRunOnTheDemoDatabase) {
    const std::vector<ExampleCase> cases = {
        // One card per branch (10), the tenth without opening date and staff.
        {"branch_cards.kvr",
         TemplateReportKind::Fixed,
         {QStringLiteral("支店カード"), QStringLiteral("説明")},
         "$A$1:$F$80",
         10,
         {{"B3", QStringLiteral("00101")},
          {"B4", QStringLiteral("新宿支店")},
          {"B6", QStringLiteral("1998/04/01 00:00:00")},
          {"B7", 24},
          {"A2", QStringLiteral("支店一覧（固定帳票）")},
          {"D2", QStringLiteral("2026/12/09 09:00:00 現在データ")},
          {"B75", QStringLiteral("00402")},
          {"B76", QStringLiteral("天神支店")},
          {"F80", QStringLiteral("以上")}},
         {{"B6", "yyyy\"年\"m\"月\"d\"日\""}, {"B7", "#,##0"}},
         {"B78", "B79", "A81"}},
        // January's order lines by branch, four lines a page: 新宿 4 + 2 lines, ... 栄 4 + 4 + 1,
        // ... 天神 4 + 2: 21 pages of 10 rows.
        {"branch_orders.kvr",
         TemplateReportKind::Extended,
         {QStringLiteral("受注明細"), QStringLiteral("説明")},
         "$A$1:$F$210",
         20,
         {{"B2", QStringLiteral("新宿支店")},
          {"E2", QStringLiteral("東京")},
          {"A3", QStringLiteral("2024年1月 受注明細")},
          {"B5", QStringLiteral("2024/01/10 00:00:00")},
          {"C5", QStringLiteral("100010")},
          {"F5", 2560},
          {"B12", QStringLiteral("新宿支店")},
          {"C15", QStringLiteral("100030")},
          {"D15", QStringLiteral("ミネラルウォーター 2L")},
          {"B162", QStringLiteral("栄支店")},
          {"E162", QStringLiteral("名古屋")},
          {"D165", QStringLiteral("緑茶 ティーバッグ 50袋")},
          {"B202", QStringLiteral("天神支店")},
          {"F206", 13260},
          {"A210", QStringLiteral("以上")}},
         {{"B5", "yyyy/m/d"}, {"F5", "\"¥\"#,###"}, {"C5", "@"}},
         {"C17", "C166", "C207", "A211", "A220"}}};

    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("template_example"));
    db.setDatabaseName(test::demoDatabasePath());
    ASSERT_TRUE(db.open());
    for (const ExampleCase &c : cases) {
        SCOPED_TRACE(c.kvr);
        const QString kvr = QDir(test::sourceDir())
                                .filePath(QStringLiteral("examples/") + QString::fromLatin1(c.kvr));
        ReportDefinition def;
        SettingsReadOptions options;
        options.aliases = {QStringLiteral("DEMO")};
        SettingsFileReader reader(options);
        const Status loaded = reader.readFile(kvr, def);
        ASSERT_TRUE(loaded.isOk()) << loaded.error().text().toStdString();
        applyDesignerRules(def);
        ASSERT_EQ(templateReportKind(def), c.kind);

        StepCode step(u'P');
        std::vector<GroupTotalItem> items = collectGroupTotalItems(def.columns);
        ReportSource source;
        source.analysis = reader.analysis();
        source.editorLines = def.sqlLines;
        Result<QStringList> sql = buildExtractionQuery(def.columns, source, false, items, step);
        ASSERT_TRUE(sql.isOk());
        RecordStream stream;
        ASSERT_TRUE(stream.open(db, sql->join(QStringLiteral("\n")), DbKind::Other))
            << stream.error().text().toStdString();
        RecordStreamSource records(stream);

        // A template named without a folder lies beside the settings file.
        const QString tpl = templatePathFor(def.value(QStringLiteral("PATTERNFILE")), kvr);
        EXPECT_EQ(QFileInfo(tpl).absolutePath(), QFileInfo(kvr).absolutePath());
        const QByteArray before = fileHash(tpl);
        ExcelSession xl;
        Result<TemplateWorkbook> wb = openTemplateWorkbook(xl, tpl, def.templatePassword, 0, step);
        ASSERT_TRUE(wb.isOk()) << wb.error().text().toStdString();
        TemplateWorkbook book = wb.value();
        TemplateReportRun run;
        run.outputBook = book.outputBook;
        run.sheetIndex = book.sheetIndex;
        run.templateBook = book.templateBook;
        run.itemCount = int(def.columns.size());
        run.dataCount = 0; // the count is not needed below a sheet's worth of blocks
        run.creationTime = QStringLiteral("2026/12/09 09:00:00");
        const Status s = writeTemplateReport(xl, run, def, records, step);
        ASSERT_TRUE(s.isOk()) << s.error().text().toStdString();
        stream.close();
        closeTemplateWorkbook(xl, book);
        QTemporaryDir dir;
        Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out.xls")));
        ASSERT_TRUE(saved.isOk());
        EXPECT_TRUE(saved->endsWith(QStringLiteral("out.xlsx")));
        EXPECT_EQ(fileHash(tpl), before);

        const QJsonObject all = readBack(QString::fromUtf8(kReadAll), saved.value());
        EXPECT_EQ(namesOf(all), c.sheets);
        const QJsonObject sheet = sheetOf(all, 0);
        EXPECT_EQ(sheet.value(QStringLiteral("printArea")).toString(),
                  QString::fromLatin1(c.printArea));
        EXPECT_EQ(int(breaksOf(sheet).size()), c.breaks);
        for (const auto &[cell, value] : c.values)
            EXPECT_EQ(cellOf(sheet, QString::fromLatin1(cell)).value(QStringLiteral("v")), value)
                << cell;
        for (const auto &[cell, format] : c.formats)
            EXPECT_EQ(
                cellOf(sheet, QString::fromLatin1(cell)).value(QStringLiteral("f")).toString(),
                QString::fromUtf8(format))
                << cell;
        for (const char *cell : c.empty)
            EXPECT_FALSE(cellOf(sheet, QString::fromLatin1(cell)).contains(QStringLiteral("v")))
                << cell;
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("template_example"));
}

} // namespace

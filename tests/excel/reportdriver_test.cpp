// The report driver end to end: SQLite tables and the loopback servers, workbooks read back by
// openpyxl.
#include "excel/reportdriver.h"

#include "excel/excelsession.h"
#include "excel/extractionquery.h"
#include "excel/listreport.h"

#include "db/aliases.h"
#include "db/dbsession.h"
#include "db/selectanalysis.h"
#include "report/userinteraction.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::fileBytes;
using kelvoran::test::filesIn;
using kelvoran::test::readBack;
using kelvoran::test::ScopedFileSizeLimit;

namespace {

// One report column: expression, alias, width, format codes, group keys, pivot code.
struct Col {
    Col(const char *n, const char *a = "", QString c = QString(), const char *k = "",
        const char *w = "", const char *p = "")
        : name(QString::fromUtf8(n)), alias(QString::fromUtf8(a)), codes(std::move(c)),
          keys(QString::fromUtf8(k)), width(QString::fromUtf8(w)), pivot(QString::fromUtf8(p)) {}
    Col(const char *n, const char *a, const char *c, const char *k = "", const char *w = "",
        const char *p = "")
        : Col(n, a, QString::fromUtf8(c), k, w, p) {}
    QString name;
    QString alias;
    QString codes;
    QString keys;
    QString width;
    QString pivot; // "PF1/PS0/" style; empty when not a pivot field
};

ReportDefinition makeDefinition(const std::vector<Col> &cols,
                                const std::map<QString, QString> &values) {
    ReportDefinition def;
    const std::map<QString, QString> defaults{
        {"PROCFLG", "1"},         {"DATAFASTCOL", "1"},      {"DATAFASTROW", "1"},
        {"TITLEFLG", "FALSE"},    {"SHEETFLG", "FALSE"},     {"MAKEDATEFLG", "FALSE"},
        {"KOUMOKUNAME", "TRUE"},  {"AFORMATDATA", "0"},      {"RF", "0"},
        {"PTOUT", "FALSE"},       {"KOTEIFLG", "FALSE"},     {"KCFLG", "FALSE"},
        {"TITLEHOLD", "FALSE"},   {"TITLEBACKCOLOR", "15"},  {"TITLEFONTCOLOR", "1"},
        {"TITLEITALIC", "FALSE"}, {"TITLEBOLD", "FALSE"},    {"PTSHEETFLG", "FALSE"},
        {"PTTITLEFLG", "FALSE"},  {"PTMAKEDATEFLG", "FALSE"}};
    for (const auto &[k, v] : defaults)
        def.setValue(k, v);
    for (const auto &[k, v] : values)
        def.setValue(k, v);
    def.columns.clear();
    def.pivotFields.clear();
    int p = 0;
    for (const Col &c : cols) {
        ColumnSetting s;
        s.PhysicalName = c.name;
        s.Alias = c.alias;
        s.WidthOrCell = c.width;
        s.FormatCodes = c.codes;
        s.GroupKeys = c.keys;
        ++p;
        s.PivotLink = QString::number(p);
        def.columns.push_back(s);
        PivotFieldSetting f;
        f.PhysicalName = c.name;
        f.Alias = c.alias;
        f.Link = s.PivotLink;
        if (!c.pivot.isEmpty()) {
            f.FieldKindText = QStringLiteral("〔フィールド〕");
            f.PivotCode = c.pivot + QStringLiteral("   /   /,");
        }
        def.pivotFields.push_back(f);
    }
    return def;
}

// The select statement of the columns.
QStringList selectLines(const std::vector<Col> &cols, const QString &tail) {
    QStringList lines;
    for (size_t i = 0; i < cols.size(); ++i)
        lines << (i == 0 ? QStringLiteral("SELECT ") : QStringLiteral("     , ")) + cols[i].name +
                     (cols[i].alias.isEmpty() ? QString()
                                              : QStringLiteral(" AS \"") + cols[i].alias + u'"');
    lines << tail.split(u'\n');
    return lines;
}

// Every cell of every sheet with value, number format, fill and borders; freeze panes; pivots.
const char *kDump = R"PY(
import sys, json, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
out = {"sheets": []}
for ws in wb.worksheets:
    cells = {}
    for row in ws.iter_rows():
        for c in row:
            v = c.value
            if isinstance(v, (datetime.datetime, datetime.date)):
                v = v.isoformat()
            fill = c.fill.fgColor.indexed if c.fill is not None and c.fill.fill_type == "solid" else None
            if v is None and fill is None and c.number_format == "General":
                continue
            cells[c.coordinate] = {"v": v, "f": c.number_format, "fill": fill,
                                   "bottom": c.border.bottom.style, "top": c.border.top.style,
                                   "left": c.border.left.style, "right": c.border.right.style,
                                   "bold": bool(c.font.b), "h": c.alignment.horizontal}
    pivots = []
    for p in ws._pivots:
        names = [f.name for f in p.cache.cacheFields]
        pivots.append({"name": p.name, "location": p.location.ref,
                       "rows": [names[f.x] for f in p.rowFields if f.x >= 0],
                       "cols": [names[f.x] for f in p.colFields if f.x >= 0],
                       "pages": [names[f.fld] for f in p.pageFields],
                       "data": [[names[d.fld], d.subtotal] for d in p.dataFields],
                       "rowGrand": bool(p.rowGrandTotals), "colGrand": bool(p.colGrandTotals)})
    widths = {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth}
    out["sheets"].append({"name": ws.title, "freeze": ws.freeze_panes, "maxRow": ws.max_row,
                          "cells": cells, "pivots": pivots, "widths": widths})
print(json.dumps(out, ensure_ascii=False, default=str))
)PY";

class Workbook {
public:
    explicit Workbook(const QJsonObject &o) : m_o(o) {}
    QJsonObject sheet(int i) const {
        return m_o[QStringLiteral("sheets")].toArray().at(i).toObject();
    }
    int sheetCount() const { return int(m_o[QStringLiteral("sheets")].toArray().size()); }
    QJsonObject cell(const char *a1, int sheetIndex = 0) const {
        return sheet(sheetIndex)[QStringLiteral("cells")]
            .toObject()[QString::fromLatin1(a1)]
            .toObject();
    }
    QJsonValue v(const char *a1, int s = 0) const { return cell(a1, s)[QStringLiteral("v")]; }
    int fill(const char *a1, int s = 0) const {
        return cell(a1, s)[QStringLiteral("fill")].toInt(-1);
    }
    QString format(const char *a1, int s = 0) const {
        return cell(a1, s)[QStringLiteral("f")].toString();
    }
    QString border(const char *a1, const char *edge, int s = 0) const {
        return cell(a1, s)[QString::fromLatin1(edge)].toString();
    }

private:
    QJsonObject m_o;
};

class ReportDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_connection = QStringLiteral("report_test_%1").arg(++s_serial);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_dir.filePath(QStringLiteral("t.sqlite")));
        ASSERT_TRUE(db.open());
        exec("CREATE TABLE sales (region TEXT, code TEXT, qty INTEGER, price REAL, sold DATE,"
             " seq INTEGER)");
        exec("INSERT INTO sales VALUES ('A','007',3,10.5,'2024-01-02',1),"
             " ('A','012',4,2.25,'2024-01-03',2), ('B','100',5,1.0,'2024-02-01',3),"
             " ('C','001',2,0.5,'2024-03-01',4), ('C','002',7,3.5,'2024-03-02',5)");
    }
    void TearDown() override {
        QSqlDatabase::database(m_connection).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    void exec(const char *sql) {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << q.lastError().text().toStdString();
    }

    ReportRunResult run(const std::vector<Col> &cols, const std::map<QString, QString> &values,
                        const QString &tail, QChar prefix = u'C',
                        RecordingInteraction *script = nullptr) {
        ReportDefinition def = makeDefinition(cols, values);
        ReportSource source;
        source.editorLines = selectLines(cols, tail);
        source.analysis = AnalyzeSelect(source.editorLines, false);
        ReportRunOptions options;
        options.prefix = prefix;
        options.database = QSqlDatabase::database(m_connection);
        options.kind = DbKind::Other;
        options.outputPath = out();
        RecordingInteraction yes;
        yes.defaultConfirm = true;
        return runExcelReport(def, source, options, script ? *script : yes);
    }
    QString out() const { return m_dir.filePath(QStringLiteral("out.xlsx")); }
    Workbook book() const { return Workbook(readBack(QString::fromUtf8(kDump), out())); }

    QTemporaryDir m_dir;
    QString m_connection;
    static int s_serial;
};
int ReportDriverTest::s_serial = 0;

const QString kSum40 = QStringLiteral("103/ 40/   /   /,");

TEST_F(ReportDriverTest, ListWithGroupSubtotalsFooterRowTotalsAndFormats) {
    const std::vector<Col> cols{{"region", "地区", "", "", "12"},
                                {"code", "コード", "006/   /   /   /,"},
                                {"qty", "数量", kSum40 + "101/   /   /   /,", "region******,"},
                                {"price", "単価", "106/   /   /   /,010/  3/   /   /,"},
                                {"sold", "", "007/  2/   /   /,"}};
    const ReportRunResult r = run(cols,
                                  {{"DATAFASTROW", "3"},
                                   {"DATAFASTCOL", "2"},
                                   {"RF", "1"},
                                   {"RFCOLNAME", "計"},
                                   {"TITLEHOLD", "TRUE"},
                                   {"TITLEBOLD", "TRUE"},
                                   {"TITLEFLG", "TRUE"},
                                   {"TITLE", "売上"},
                                   {"TITLEROW", "1"},
                                   {"TITLECOL", "1"}},
                                  "FROM sales ORDER BY seq");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    EXPECT_EQ(r.dataCount, 5);
    EXPECT_EQ(r.itemCount, 5);
    EXPECT_EQ(r.savedPath, out());
    const Workbook wb = book();

    // Headings (alias, else the expression), the row-total heading, the title.
    EXPECT_EQ(wb.v("B3").toString(), "地区");
    EXPECT_EQ(wb.v("C3").toString(), "コード");
    EXPECT_EQ(wb.v("F3").toString(), "sold");
    EXPECT_EQ(wb.v("G3").toString(), "計");
    EXPECT_EQ(wb.v("A1").toString(), "売上");
    EXPECT_EQ(wb.fill("B3"), 15 + 7);
    EXPECT_TRUE(wb.cell("B3")[QStringLiteral("bold")].toBool());
    EXPECT_EQ(wb.sheet(0)[QStringLiteral("freeze")].toString(), "A4");

    // Records, with a subtotal row after each key change and after the last record.
    struct RowCase {
        const char *region;
        const char *code;
        int qty;
    };
    const std::map<int, RowCase> records{{4, {"A", "007", 3}},
                                         {5, {"A", "012", 4}},
                                         {7, {"B", "100", 5}},
                                         {9, {"C", "001", 2}},
                                         {10, {"C", "002", 7}}};
    for (const auto &[row, rc] : records) {
        const QByteArray b = "B" + QByteArray::number(row), c = "C" + QByteArray::number(row),
                         d = "D" + QByteArray::number(row), g = "G" + QByteArray::number(row);
        EXPECT_EQ(wb.v(b).toString(), QString::fromLatin1(rc.region)) << row;
        EXPECT_EQ(wb.v(c).toString(), QString::fromLatin1(rc.code)) << row;
        EXPECT_EQ(wb.format(c), "@") << row;
        EXPECT_EQ(wb.v(d).toDouble(), rc.qty) << row;
        EXPECT_EQ(wb.v(g).toString(), QStringLiteral("=sum(B%1:F%1)").arg(row)) << row;
        EXPECT_EQ(wb.border(b, "bottom"), "thin") << row;
    }
    for (const auto &[row, total] : std::map<int, int>{{6, 7}, {8, 5}, {11, 9}}) {
        const QByteArray d = "D" + QByteArray::number(row);
        EXPECT_EQ(wb.v(d).toDouble(), total) << row;
        for (const char *col : {"B", "D", "G"})
            EXPECT_EQ(wb.fill(QByteArray(col) + QByteArray::number(row)), 40 + 7) << col << row;
        EXPECT_FALSE(wb.v("B" + QByteArray::number(row)).isString()) << row;
    }
    // Footer: running total of the group column, an AVERAGE formula, the row total.
    EXPECT_EQ(wb.v("D12").toDouble(), 21);
    EXPECT_EQ(wb.v("E12").toString(), "=AVERAGE(E4:E11)");
    EXPECT_EQ(wb.v("G12").toString(), "=sum(B12:F12)");
    EXPECT_EQ(wb.v("B12").toString(), "合計");
    EXPECT_EQ(wb.fill("D12"), 20 + 7);
    // Formats per code; the width of column B.
    EXPECT_EQ(wb.format("F4"), "yyyy/m/d");
    EXPECT_EQ(wb.v("F4").toString(), "2024-01-02T00:00:00");
    EXPECT_EQ(wb.format("E4"), "0_ ");
    EXPECT_NEAR(wb.sheet(0)[QStringLiteral("widths")].toObject()[QStringLiteral("B")].toDouble(),
                12, 0.8);
}

TEST_F(ReportDriverTest, KeyChangingAtEveryRecordRoundsSubtotalsHalfToEven) {
    exec("CREATE TABLE t (k INTEGER, v REAL)");
    exec("INSERT INTO t VALUES (1, 0.5), (2, 1.5), (3, 2.5), (4, 2.5)");
    const std::vector<Col> cols{{"k", "", ""},
                                {"v", "", kSum40 + "101/   /   /   /,", "k******,"},
                                {"v * 1", "w", "104/ 36/   /   /,102/   /   /   /,", "k******,"}};
    const ReportRunResult r = run(cols, {}, "FROM t ORDER BY k");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    const Workbook wb = book();
    // Record 1 at row 2; after each later record's key change two subtotal rows come first.
    EXPECT_EQ(wb.v("B2").toDouble(), 0.5);
    EXPECT_EQ(wb.v("B3").toDouble(), 0.5);
    EXPECT_EQ(wb.fill("B3"), 47);
    EXPECT_EQ(wb.v("C4").toDouble(), 0.5);
    EXPECT_EQ(wb.fill("C4"), 43);
    EXPECT_EQ(wb.v("B5").toDouble(), 1.5);
    // 14 rows: heading, 4 records, 8 subtotal rows, footer.
    EXPECT_EQ(wb.sheet(0)[QStringLiteral("maxRow")].toInt(), 14);
    // round(0.5) + round(1.5) + round(2.5) + round(2.5) = 0 + 2 + 2 + 2.
    EXPECT_EQ(wb.v("B14").toDouble(), 6);
    // No value of w is a whole number: the grand average has no divisor and stays empty.
    EXPECT_TRUE(wb.v("C14").isNull());
    EXPECT_EQ(wb.fill("C14"), 27);
}

TEST_F(ReportDriverTest, NoRecordsPutTheFooterUnderTheHeadingAndAskAboutThePivotFirst) {
    const std::vector<Col> cols{
        {"region", "", "", "", "", "PF1/PS0/"},
        {"qty", "", "101/   /   /   /,105/   /   /   /,", "", "", "PF3/PS1/"}};
    RecordingInteraction ui;
    ui.confirmAnswers = {true, true};
    const ReportRunResult r = run(cols,
                                  {{"PTOUT", "TRUE"},
                                   {"PTSHEETFLG", "TRUE"},
                                   {"PTSHEETNAME", "集計"},
                                   {"PTDATAFASTROW", "1"},
                                   {"PTDATAFASTCOL", "1"}},
                                  "FROM sales WHERE 1 = 0", u'P', &ui);
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, ReportText::noDataPivotQuestion());
    EXPECT_EQ(ui.messages[1].text, ReportText::confirmOutput(2, 0));
    const Workbook wb = book();
    EXPECT_EQ(wb.v("A1").toString(), "region");
    // The footer row is the row under the heading; no formula reaches back over the heading.
    EXPECT_EQ(wb.v("B2").toDouble(), 0);
    EXPECT_EQ(wb.fill("B2"), 27);
    // The pivot sheet is named, but holds no table.
    ASSERT_EQ(wb.sheetCount(), 2);
    EXPECT_EQ(wb.sheet(1)[QStringLiteral("name")].toString(), "集計");
    EXPECT_TRUE(wb.sheet(1)[QStringLiteral("pivots")].toArray().isEmpty());
}

// The footer formula's range runs over the column's data rows, wherever the list starts.
TEST_F(ReportDriverTest, FooterFormulaCoversTheDataRowsOfItsColumn) {
    struct Case {
        const char *name;
        const char *row;
        const char *col;
        const char *heading;
        const char *where;
        const char *cell;
        const char *formula;
    };
    const std::vector<Case> cases{
        {"heading at A1", "1", "1", "TRUE", "", "B7", "=sum(B2:B6)"},
        {"no heading, from D4", "4", "3", "FALSE", "", "D9", "=sum(D4:D8)"},
        {"one record", "2", "2", "TRUE", "WHERE seq = 3", "C4", "=sum(C3:C3)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(out());
        const ReportRunResult r =
            run({{"region", "", ""}, {"qty", "", "105/   /   /   /,"}},
                {{"DATAFASTROW", c.row}, {"DATAFASTCOL", c.col}, {"KOUMOKUNAME", c.heading}},
                QStringLiteral("FROM sales %1 ORDER BY seq").arg(QLatin1String(c.where)));
        ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
        EXPECT_EQ(book().v(c.cell).toString(), QString::fromLatin1(c.formula));
    }
}

TEST_F(ReportDriverTest, CancelAtAQuestionWritesNothing) {
    for (const std::deque<bool> &answers :
         {std::deque<bool>{false}, std::deque<bool>{true, false}}) {
        RecordingInteraction ui;
        ui.confirmAnswers = answers;
        const ReportRunResult r =
            run({{"region", "", ""}, {"qty", "", ""}},
                {{"PTOUT", "TRUE"}, {"PTDATAFASTROW", "1"}, {"PTDATAFASTCOL", "5"}},
                "FROM sales WHERE 1 = 0", u'P', &ui);
        EXPECT_EQ(r.outcome, ReportRunResult::Outcome::Cancelled);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().text, QStringLiteral("キャンセルしました"));
        EXPECT_FALSE(QFile::exists(out()));
    }
}

// The previous report stays until the new one is whole: a save that fails (here on a file-size
// limit, as on a full disk) leaves it byte for byte, with no temporary file beside it.
TEST_F(ReportDriverTest, FailedSaveKeepsThePreviousReport) {
    const QByteArray previous("the previous report");
    {
        QFile old(out());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(previous);
    }
    const QStringList filesBefore = filesIn(m_dir.path());
    const std::vector<Col> cols{{"region", "地区", ""}, {"qty", "数量", ""}};
    ReportRunResult r;
    {
        ScopedFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        r = run(cols, {}, "FROM sales ORDER BY seq");
    }
    EXPECT_EQ(r.outcome, ReportRunResult::Outcome::Failed);
    EXPECT_TRUE(r.statusText().contains(QStringLiteral("ファイルの大きさが上限を超えました")))
        << r.statusText().toStdString();
    EXPECT_EQ(fileBytes(out()), previous);
    EXPECT_EQ(filesIn(m_dir.path()), filesBefore);

    r = run(cols, {}, "FROM sales ORDER BY seq");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    EXPECT_EQ(book().v("A2"), QJsonValue(QStringLiteral("A")));
    EXPECT_EQ(filesIn(m_dir.path()), filesBefore);
}

struct LimitCase {
    const char *name;
    int dataCol;
    int dataRow;
    int columns;
    bool passes;
    const char *step;
};

class ReportLimitTest : public ReportDriverTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ReportLimitTest, PositionLimits) {
    const LimitCase &c = GetParam();
    std::vector<Col> cols{{"region", "", ""}, {"qty", "", ""}};
    while (int(cols.size()) < c.columns)
        cols.emplace_back("seq");
    for (QChar prefix : {u'P', u'C'}) {
        QFile::remove(out());
        RecordingInteraction ui;
        ui.defaultConfirm = true;
        // Five records, no heading row: dataCount + DATAFASTROW is compared with 65535.
        const ReportRunResult r = run(cols,
                                      {{"DATAFASTCOL", QString::number(c.dataCol)},
                                       {"DATAFASTROW", QString::number(c.dataRow)},
                                       {"KOUMOKUNAME", "FALSE"}},
                                      "FROM sales ORDER BY seq", prefix, &ui);
        EXPECT_EQ(r.ok(), c.passes) << r.statusText().toStdString();
        EXPECT_EQ(QFile::exists(out()), c.passes);
        if (c.passes)
            continue;
        const QString text =
            QByteArray(c.step) == "ME_140001" ? ReportText::columnLimit() : ReportText::rowLimit();
        EXPECT_EQ(r.failureText, text);
        EXPECT_EQ(r.stepCode, QString(prefix) + QString::fromLatin1(c.step));
        // Interactive: a message box; scheduled: only the status.
        const bool shown = !ui.messages.empty() && ui.messages.back().text == text;
        EXPECT_EQ(shown, prefix == u'P');
        EXPECT_EQ(r.statusText(),
                  text + QLatin1Char(' ') + QString(prefix) + QString::fromLatin1(c.step));
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, ReportLimitTest,
                         ::testing::Values(LimitCase{"Column251", 249, 1, 2, true, ""},
                                           LimitCase{"Column252", 250, 1, 2, false, "ME_140001"},
                                           LimitCase{"Items250", 1, 1, 250, true, ""},
                                           LimitCase{"Items251", 1, 1, 251, false, "ME_140001"},
                                           LimitCase{"Row65535", 1, 65530, 2, true, ""},
                                           LimitCase{"Row65536", 1, 65531, 2, false, "ME_140002"}),
                         [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(ReportDriverTest, PivotTableFieldsAndFunctions) {
    const std::vector<Col> cols{{"region", "地区", "", "", "", "PF1/PS0/"},
                                {"code", "コード", "006/   /   /   /,", "", "", "PF4/PS0/"},
                                {"qty", "数量", "", "", "", "PF3/PS1/"},
                                {"price", "単価", "", "", "", "PF3/PS4/"},
                                {"sold", "", "", "", "", ""}};
    const ReportRunResult r = run(cols,
                                  {{"PTOUT", "TRUE"},
                                   {"PTSHEETFLG", "TRUE"},
                                   {"PTSHEETNAME", "集計"},
                                   {"PTDATAFASTROW", "2"},
                                   {"PTDATAFASTCOL", "2"},
                                   {"PTNAMEFLG", "TRUE"},
                                   {"PTNAME", "売上表"},
                                   {"PTOUTROWSUM", "TRUE"},
                                   {"PTOUTCOLSUM", "FALSE"},
                                   {"PTTITLEFLG", "TRUE"},
                                   {"PTTITLE", "集計表"},
                                   {"PTTITLEROW", "1"},
                                   {"PTTITLECOL", "1"}},
                                  "FROM sales ORDER BY seq");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    const Workbook wb = book();
    ASSERT_EQ(wb.sheetCount(), 2);
    const QJsonObject s = wb.sheet(1);
    EXPECT_EQ(s[QStringLiteral("name")].toString(), "集計");
    const QJsonArray pivots = s[QStringLiteral("pivots")].toArray();
    ASSERT_EQ(pivots.size(), 1);
    const QJsonObject p = pivots.at(0).toObject();
    EXPECT_EQ(p[QStringLiteral("name")].toString(), "売上表");
    EXPECT_EQ(p[QStringLiteral("rows")].toArray(), QJsonArray({"地区"}));
    EXPECT_EQ(p[QStringLiteral("pages")].toArray(), QJsonArray({"コード"}));
    EXPECT_EQ(p[QStringLiteral("data")].toArray(),
              QJsonArray({QJsonArray({"数量", "sum"}), QJsonArray({"単価", "max"})}));
    EXPECT_TRUE(p[QStringLiteral("rowGrand")].toBool());
    EXPECT_FALSE(p[QStringLiteral("colGrand")].toBool());
    // The table starts two rows below the given row (page fields above it); the title is styled
    // like the list title.
    EXPECT_TRUE(p[QStringLiteral("location")].toString().startsWith(QStringLiteral("B4:")))
        << p[QStringLiteral("location")].toString().toStdString();
    EXPECT_EQ(wb.v("A1", 1).toString(), "集計表");
}

// The extraction SELECT, line by line.
struct QueryCase {
    const char *name;
    std::vector<Col> cols;
    bool oracle;
    const char *select; // the statement scanned for head, FROM and WHERE
    QStringList expected;
    std::vector<int> keyFields;
};

class ExtractionQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(ExtractionQueryTest, Lines) {
    const QueryCase &c = GetParam();
    ReportSource source;
    source.editorLines = QString::fromUtf8(c.select).split(u'\n');
    source.analysis = AnalyzeSelect(source.editorLines, c.oracle);
    std::vector<ColumnSetting> columns;
    for (const Col &col : c.cols)
        columns.push_back(ColumnSetting{col.name, col.alias, {}, {}, col.codes, col.keys, {}});
    std::vector<GroupTotalItem> items;
    StepCode step(u'P');
    const Result<QStringList> lines = buildExtractionQuery(columns, source, c.oracle, items, step);
    ASSERT_TRUE(lines.isOk()) << lines.error().message.toStdString();
    EXPECT_EQ(lines.value(), c.expected);
    ASSERT_EQ(items.size(), c.keyFields.size());
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].keyField, c.keyFields[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractionQueryTest,
    ::testing::Values(
        QueryCase{"NoGroups",
                  {{"a", "x", ""}, {"b + 1", "", ""}},
                  false,
                  "SELECT DISTINCT a AS x, b + 1\nFROM t\nWHERE a > 0",
                  {"SELECT  DISTINCT  ", "  a ", " , b + 1 ", " FROM t ", "  ", " WHERE a > 0 "},
                  {}},
        QueryCase{
            "TwoGroupCodesInOneColumnOracle",
            {{"a", "", ""}, {"b", "", "103/ 40/   /   /,104/   /   /   /,", "a******,c******,"}},
            true,
            "SELECT a, b FROM t",
            {"SELECT  ", "  a ", " , b ", " , a AS GP_COUNT_COLUM_1", " , c AS GP_COUNT_COLUM_2",
             " FROM t "},
            {2, 3}},
        QueryCase{"KeyColumnsWithoutAliasElsewhere",
                  {{"a", "", ""}, {"b", "", "103/   /   /   /,", "a******,"}},
                  false,
                  "SELECT a, b FROM t",
                  {"SELECT  ", "  a ", " , b ", " , a ", " FROM t "},
                  {2}}),
    [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

TEST(GroupTotalItems, FillColourFallbacks) {
    const std::vector<ColumnSetting> columns{
        ColumnSetting{"a", "", "", "", "103/   /   /   /,104/abc/   /   /,104/  9/   /   /,",
                      "k******,k******,k******,", ""}};
    const std::vector<GroupTotalItem> items = collectGroupTotalItems(columns);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].fillColour, 40);
    EXPECT_EQ(items[1].fillColour, 36);
    EXPECT_EQ(items[2].fillColour, 9);
}

TEST(RoundHalfEven, Halves) {
    for (const auto &[in, expected] : std::vector<std::pair<double, double>>{
             {0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {2.4, 2}, {2.6, 3}, {-0.5, 0}})
        EXPECT_EQ(roundHalfEven(in), expected) << in;
}

// The loopback servers: a report with group subtotals on a table of our own.
class ServerReportTest : public ::testing::TestWithParam<const char *> {};

TEST_P(ServerReportTest, GroupSubtotalsFromTheServer) {
    if (!kelvoran::test::serversStarted())
        GTEST_SKIP() << "needs the test servers (./test.sh)";
    const QString alias = QString::fromLatin1(GetParam());
    const Result<AliasList> aliases = AliasList::load(kelvoran::test::testAliasFile());
    ASSERT_TRUE(aliases.isOk());
    const std::optional<AliasInfo> info = aliases->find(alias);
    ASSERT_TRUE(info.has_value());
    SchedulerConnection connection(*aliases);
    const DbResult<QSqlDatabase> db = connection.open(
        alias, QStringLiteral("kelvoran"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
    QSqlQuery q(*db);
    ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE IF EXISTS report_driver_sales")));
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE report_driver_sales (region VARCHAR(10),"
                                      " code VARCHAR(10), amount NUMERIC(10,2), seq INTEGER)")));
    QString values;
    for (int i = 1; i <= 2500; ++i)
        values += QStringLiteral("%1('R%2','%3',%4,%5)")
                      .arg(i == 1 ? "" : ",")
                      .arg((i - 1) / 1000)
                      .arg(i, 5, 10, QLatin1Char('0'))
                      .arg(i % 7 + 0.25)
                      .arg(i);
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO report_driver_sales VALUES ") + values))
        << q.lastError().text().toStdString();

    QTemporaryDir dir;
    const std::vector<Col> cols{{"region", "", ""},
                                {"code", "", "006/   /   /   /,"},
                                {"amount", "", kSum40 + "105/   /   /   /,", "region******,"}};
    ReportDefinition def = makeDefinition(cols, {});
    ReportSource source;
    source.editorLines = selectLines(cols, QStringLiteral("FROM report_driver_sales ORDER BY seq"));
    source.analysis = AnalyzeSelect(source.editorLines, false);
    ReportRunOptions options;
    options.prefix = u'C';
    options.database = *db;
    options.kind = info->kind();
    options.outputPath = dir.filePath(QStringLiteral("server.xlsx"));
    RecordingInteraction ui;
    ui.defaultConfirm = true;
    const ReportRunResult r = runExcelReport(def, source, options, ui);
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    EXPECT_EQ(r.dataCount, 2500);

    const QJsonObject o = readBack(QStringLiteral(R"PY(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
print(json.dumps({"b2": ws["B2"].value, "a1002": ws["A1002"].value, "c1002": ws["C1002"].value,
                  "fill": ws["C1002"].fill.fgColor.indexed, "a1003": ws["A1003"].value,
                  "c2504": ws["C2504"].value, "c2505": ws["C2505"].value,
                  "rows": ws.max_row}))
)PY"),
                                   options.outputPath);
    // Sums per group of 1000 records computed here the same way.
    auto groupSum = [](int from, int to) {
        double s = 0;
        for (int i = from; i <= to; ++i)
            s += i % 7 + 0.25;
        return s;
    };
    EXPECT_EQ(o[QStringLiteral("b2")].toString(), "00001");
    // R0 is records 1-1000 (rows 2-1001), its subtotal row 1002; R1 starts at row 1003.
    EXPECT_TRUE(o[QStringLiteral("a1002")].isNull());
    EXPECT_DOUBLE_EQ(o[QStringLiteral("c1002")].toDouble(), groupSum(1, 1000));
    EXPECT_EQ(o[QStringLiteral("fill")].toInt(), 47);
    EXPECT_EQ(o[QStringLiteral("a1003")].toString(), "R1");
    EXPECT_DOUBLE_EQ(o[QStringLiteral("c2504")].toDouble(), groupSum(2001, 2500));
    // The footer of a group column is the running total of the (whole) subtotals.
    EXPECT_DOUBLE_EQ(o[QStringLiteral("c2505")].toDouble(), groupSum(1, 2500));
    // heading + 2500 records + 3 subtotal rows + footer
    EXPECT_EQ(o[QStringLiteral("rows")].toInt(), 2505);
    ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE report_driver_sales")));
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerReportTest, ::testing::Values("PGTEST", "MYTEST"));

} // namespace

namespace {

QString makeFixedTemplate(const QTemporaryDir &dir) {
    const QString path = dir.filePath(QStringLiteral("fixed.xlsx"));
    QFile script(kelvoran::test::testPath(QStringLiteral("data/templates/make_template.py")));
    EXPECT_TRUE(script.open(QIODevice::ReadOnly));
    const auto r = kelvoran::test::runPython(QString::fromUtf8(script.readAll()),
                                             {QStringLiteral("fixed"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return path;
}

// A fixed report goes through the same driver: one block of the template per record.
TEST_F(ReportDriverTest, FixedReportFillsTheTemplateBlocks) {
    const QString tpl = makeFixedTemplate(m_dir);
    const std::vector<Col> cols{
        {"code", "", "", "", "B2"}, {"region", "", "", "", "B3"}, {"qty", "", "", "", "B4"}};
    const ReportRunResult r = run(
        cols,
        {{"KOTEIFLG", "TRUE"}, {"KOTEIHINACELL", "E6"}, {"PATTERNFILE", tpl}, {"DATAFASTROW", "7"}},
        "FROM sales ORDER BY seq");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    const Workbook wb = book();
    ASSERT_EQ(wb.sheetCount(), 2);
    EXPECT_EQ(wb.sheet(0)[QStringLiteral("name")].toString(), "伝票");
    for (int b = 0; b < 5; ++b) {
        const QByteArray row = QByteArray::number(2 + 6 * b);
        EXPECT_EQ(wb.v("A" + QByteArray::number(1 + 6 * b)).toString(), "売上伝票") << b;
        EXPECT_EQ(wb.v("B" + row).toString(),
                  QStringList({"007", "012", "100", "001", "002"}).at(b))
            << b;
    }
}

// A list report on a template workbook writes into the template's first sheet and keeps the
// others.
TEST_F(ReportDriverTest, ListReportOnATemplateWorkbook) {
    const QString tpl = makeFixedTemplate(m_dir);
    const ReportRunResult r =
        run({{"region", "", ""}, {"qty", "", "101/   /   /   /,"}},
            {{"PATTERNFILE", tpl}, {"DATAFASTROW", "8"}}, "FROM sales ORDER BY seq");
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    const Workbook wb = book();
    ASSERT_EQ(wb.sheetCount(), 2);
    EXPECT_EQ(wb.v("A1").toString(), "売上伝票");
    EXPECT_EQ(wb.v("A8").toString(), "region");
    EXPECT_EQ(wb.v("B14").toDouble(), 21);
    EXPECT_EQ(wb.v("A1", 1).toString(), "雛形の注記");
}

} // namespace

namespace {

// Consecutive scheduled entries with one target: the first leaves its workbook open, the second
// adds its sheet after it and saves both.
TEST_F(ReportDriverTest, SharedWorkbookOfConsecutiveEntries) {
    ExcelSession session;
    ReportRunOptions options;
    options.prefix = u'C';
    options.database = QSqlDatabase::database(m_connection);
    options.outputPath = out();
    options.sharedSession = &session;
    options.saveAfter = false;
    RecordingInteraction ui;
    ui.defaultConfirm = true;
    int bookNumber = 0;
    for (const char *name : {"一つ目", "二つ目"}) {
        const std::vector<Col> cols{{"region", "", ""}, {"qty", "", ""}};
        ReportDefinition def =
            makeDefinition(cols, {{"SHEETFLG", "TRUE"}, {"SHEETNAME", QString::fromUtf8(name)}});
        ReportSource source;
        source.editorLines = selectLines(cols, QStringLiteral("FROM sales ORDER BY seq"));
        source.analysis = AnalyzeSelect(source.editorLines, false);
        options.sharedBook = bookNumber;
        options.saveAfter = bookNumber != 0;
        const ReportRunResult r = runExcelReport(def, source, options, ui);
        ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
        EXPECT_EQ(QFile::exists(out()), bookNumber != 0);
        bookNumber = r.book;
    }
    const Workbook wb = book();
    ASSERT_EQ(wb.sheetCount(), 2);
    EXPECT_EQ(wb.sheet(0)[QStringLiteral("name")].toString(), "一つ目");
    EXPECT_EQ(wb.sheet(1)[QStringLiteral("name")].toString(), "二つ目");
    EXPECT_EQ(wb.v("A2", 1).toString(), "A");
    EXPECT_EQ(session.workbookCount(), 0);
}

} // namespace

namespace {

// Without a given output file the run asks for one: a name without an xls-family extension
// gets ".xls" (written as ".xlsx"); cancelling the dialog ends the run without a message.
TEST_F(ReportDriverTest, InteractiveRunAsksForTheOutputFile) {
    const std::vector<Col> cols{{"region", "", ""}};
    ReportDefinition def = makeDefinition(cols, {});
    ReportSource source;
    source.editorLines = selectLines(cols, QStringLiteral("FROM sales"));
    source.analysis = AnalyzeSelect(source.editorLines, false);
    ReportRunOptions options;
    options.prefix = u'P';
    options.database = QSqlDatabase::database(m_connection);
    for (const char *chosen : {"chosen.txt", ""}) {
        RecordingInteraction ui;
        ui.defaultConfirm = true;
        if (*chosen)
            ui.files = {m_dir.filePath(QString::fromLatin1(chosen))};
        const ReportRunResult r = runExcelReport(def, source, options, ui);
        ASSERT_EQ(ui.fileFilters.size(), 1u);
        EXPECT_EQ(ui.fileFilters.first(), QStringLiteral("Excel files (*.xls)|*.xls"));
        if (*chosen) {
            ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
            EXPECT_EQ(r.savedPath, m_dir.filePath(QStringLiteral("chosen.txt.xlsx")));
            EXPECT_TRUE(QFile::exists(r.savedPath));
        } else {
            EXPECT_EQ(r.outcome, ReportRunResult::Outcome::Cancelled);
            EXPECT_FALSE(ui.messages.back().text == QStringLiteral("キャンセルしました"));
        }
    }
}

} // namespace

namespace {

TEST(ReportStatusText, Composition) {
    struct Case {
        const char *q;
        const char *d;
        bool plain;
        const char *expected;
    };
    for (const Case &c : std::vector<Case>{
             {"SQLエラー", "no such table:\r\nx", false,
              "データ抽出エラー <<SQLエラー:no such table: x>> CEO_130008"},
             {"SQL作成エラー", "", false, "エラー <<SQL作成エラー>> CEO_130008"},
             {"", "lost\nconnection", false, "データ抽出エラー <<lost connection>> CEO_130008"},
             {"データ表示位置が65535行目をを超えています。", "", true,
              "データ表示位置が65535行目をを超えています。 CEO_130008"}}) {
        ReportRunResult r;
        r.failureText = QString::fromUtf8(c.q);
        r.failureDetail = QString::fromUtf8(c.d);
        r.plainFailure = c.plain;
        r.stepCode = QStringLiteral("CEO_130008");
        EXPECT_EQ(r.statusText(), QString::fromUtf8(c.expected)) << c.expected;
    }
}

} // namespace

// Database values in report cells: text a spreadsheet program would run as a formula and numbers
// typed input would round are stored as the database holds them, with one notice per column;
// read back by openpyxl.
#include "excel/databasecell.h"
#include "excel/excelsession.h"
#include "excel/reportdriver.h"
#include "excel/templatereport.h"
#include "excel/templateworkbook.h"

#include "db/selectanalysis.h"
#include "report/formatcode.h"
#include "report/messagetable.h"
#include "report/userinteraction.h"
#include "tests/excel/xlsxtesthelpers.h"
#include "tests/support/testsupport.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using kelvoran::test::readBack;
using kelvoran::test::runPython;
using kelvoran::test::testPath;

namespace {

// Every stored cell of the first sheet: value, Python type, apostrophe prefix, cell type.
const char *const kCells = R"PY(
import sys, json, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
cells = {}
for (r, c), cell in ws._cells.items():
    v = cell.value
    if v is None:
        continue
    t = type(v).__name__
    if isinstance(v, datetime.datetime):
        v = v.isoformat()
    cells[cell.coordinate] = {"v": v, "t": t, "q": bool(cell.quotePrefix), "dt": cell.data_type}
print(json.dumps({"cells": cells}, ensure_ascii=False))
)PY";

// One database value and the cell it must become.
struct ValueCase {
    const char *what;
    char column;         // 'f' text, 'n' number, 't' a column formatted as text (code 006)
    const char *literal; // SQL expression stored into that column
    const char *type;    // Python type openpyxl reads: str, int, float, datetime
    QVariant value;      // the value read back
    bool apostrophe;     // marked as typed text
};

const std::vector<ValueCase> &valueCases() {
    static const std::vector<ValueCase> cases{
        {"equals formula", 'f', "'=1+1'", "str", QStringLiteral("=1+1"), true},
        {"hyperlink formula", 'f', "'=HYPERLINK(\"http://example.com/\",\"開く\")'", "str",
         QStringLiteral("=HYPERLINK(\"http://example.com/\",\"開く\")"), true},
        {"phone number read as a sum", 'f', "'+81-3-1234-5678'", "str",
         QStringLiteral("+81-3-1234-5678"), true},
        {"at sign function", 'f', "'@SUM(A1:A3)'", "str", QStringLiteral("@SUM(A1:A3)"), true},
        {"minus reference", 'f', "'-A1'", "str", QStringLiteral("-A1"), true},
        {"negative number text", 'f', "'-5'", "int", -5, false},
        {"lone equals sign", 'f', "'='", "str", QStringLiteral("="), false},
        {"equals sign inside", 'f', "'売上=100'", "str", QStringLiteral("売上=100"), false},
        {"20-digit key as text", 'n', "'12345678901234567890'", "str",
         QStringLiteral("12345678901234567890"), true},
        {"19-digit integer", 'n', "1234567890123456789", "str",
         QStringLiteral("1234567890123456789"), true},
        {"16-digit integer", 'n', "1234567890123456", "str", QStringLiteral("1234567890123456"),
         true},
        {"15-digit integer", 'n', "123456789012345", "int", 123456789012345.0, false},
        {"long decimal", 'n', "'-12345678901234.567890'", "str",
         QStringLiteral("-12345678901234.567890"), true},
        {"grouped 16 digits", 'n', "'1,234,567,890,123,456'", "str",
         QStringLiteral("1,234,567,890,123,456"), true},
        {"zeros after 15 digits", 'n', "'100000000000000000000'", "float", 1e20, false},
        {"double with 17 digits", 'n', "0.1 + 0.2", "float", 0.1 + 0.2, false},
        {"date-time", 'n', "'2024-01-05 10:20:30'", "datetime",
         QStringLiteral("2024-01-05T10:20:30"), false},
        {"text column keeps a formula as text", 't', "'=1+1'", "str", QStringLiteral("=1+1"),
         false},
    };
    return cases;
}

ColumnSetting column(const char *name, const char *alias, const QString &codes = QString()) {
    ColumnSetting c;
    c.PhysicalName = QString::fromUtf8(name);
    c.Alias = QString::fromUtf8(alias);
    c.FormatCodes = codes;
    return c;
}

class DatabaseValues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_connection = QStringLiteral("database_values_%1").arg(++s_serial);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_dir.filePath(QStringLiteral("v.sqlite")));
        ASSERT_TRUE(db.open());
    }
    void TearDown() override {
        QSqlDatabase::database(m_connection).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
    void exec(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << sql.toStdString();
    }

    QTemporaryDir m_dir;
    QString m_connection;
    static int s_serial;
};
int DatabaseValues::s_serial = 0;

// A list report with a row total: each case's cell, the settings' own formulas left as
// formulas, and one notice per column that kept a value.
TEST_F(DatabaseValues, ListReportStoresFormulaTextAndLongNumbersAsTheDatabaseHoldsThem) {
    // Columns without a declared type keep the storage class of what is inserted.
    exec(QStringLiteral("CREATE TABLE v (seq INTEGER, f, n, t)"));
    const std::vector<ValueCase> &cases = valueCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const ValueCase &c = cases[i];
        exec(QStringLiteral("INSERT INTO v VALUES (%1, %2, %3, %4)")
                 .arg(int(i) + 1)
                 .arg(c.column == 'f' ? QString::fromUtf8(c.literal) : QStringLiteral("NULL"),
                      c.column == 'n' ? QString::fromUtf8(c.literal) : QStringLiteral("NULL"),
                      c.column == 't' ? QString::fromUtf8(c.literal) : QStringLiteral("NULL")));
    }

    ReportDefinition def;
    const std::map<QString, QString> settings{
        {"PROCFLG", "1"},        {"DATAFASTCOL", "1"},     {"DATAFASTROW", "1"},
        {"TITLEFLG", "FALSE"},   {"SHEETFLG", "FALSE"},    {"MAKEDATEFLG", "FALSE"},
        {"KOUMOKUNAME", "TRUE"}, {"AFORMATDATA", "0"},     {"RF", "1"},
        {"RFCOLNAME", "計"},     {"PTOUT", "FALSE"},       {"KOTEIFLG", "FALSE"},
        {"KCFLG", "FALSE"},      {"TITLEHOLD", "FALSE"},   {"TITLEBACKCOLOR", "15"},
        {"TITLEFONTCOLOR", "1"}, {"TITLEITALIC", "FALSE"}, {"TITLEBOLD", "FALSE"},
        {"PTSHEETFLG", "FALSE"}, {"PTTITLEFLG", "FALSE"},  {"PTMAKEDATEFLG", "FALSE"}};
    for (const auto &[k, v] : settings)
        def.setValue(k, v);
    def.columns = {column("seq", ""), column("f", "式"), column("n", "数値"),
                   column("t", "文字", FormatCode::plain(6))};
    ReportSource source;
    source.editorLines = QStringList{QStringLiteral("SELECT seq, f AS \"式\", n AS \"数値\", "
                                                    "t AS \"文字\" FROM v ORDER BY seq")};
    source.analysis = AnalyzeSelect(source.editorLines, false);
    ReportRunOptions options;
    options.prefix = u'C';
    options.database = QSqlDatabase::database(m_connection);
    options.outputPath = m_dir.filePath(QStringLiteral("out.xlsx"));
    RecordingInteraction yes;
    yes.defaultConfirm = true;
    const ReportRunResult r = runExcelReport(def, source, options, yes);
    ASSERT_TRUE(r.ok()) << r.statusText().toStdString();
    EXPECT_EQ(r.notices, (QStringList{ReportText::formulaTextKept(QStringLiteral("式")),
                                      ReportText::longNumberKept(QStringLiteral("数値"))}));

    const QJsonObject cells = readBack(QString::fromUtf8(kCells), r.savedPath)["cells"].toObject();
    for (size_t i = 0; i < cases.size(); ++i) {
        const ValueCase &c = cases[i];
        SCOPED_TRACE(c.what);
        const int row = int(i) + 2;
        const QString a1 = QString(QChar(c.column == 'f'   ? 'B'
                                         : c.column == 'n' ? 'C'
                                                           : 'D')) +
                           QString::number(row);
        const QJsonObject cell = cells[a1].toObject();
        EXPECT_EQ(cell["t"].toString(), QString::fromLatin1(c.type));
        EXPECT_NE(cell["dt"].toString(), QStringLiteral("f"));
        if (c.value.typeId() == QMetaType::QString)
            EXPECT_EQ(cell["v"].toString(), c.value.toString());
        else
            EXPECT_EQ(cell["v"].toDouble(), c.value.toDouble());
        EXPECT_EQ(cell["q"].toBool(), c.apostrophe);
        // The row total the settings make stays a formula.
        const QJsonObject total = cells[QStringLiteral("E%1").arg(row)].toObject();
        EXPECT_EQ(total["dt"].toString(), QStringLiteral("f"));
        EXPECT_EQ(total["v"].toString(), QStringLiteral("=sum(A%1:D%1)").arg(row));
    }
}

// A fixed report fills template cells: a General cell keeps formula text as text, a number
// cell keeps a 20-digit key's digits, a cell formatted as text takes the value unchanged; the
// notices name the report columns.
TEST(DatabaseValuesInTemplates, FixedReportKeepsFormulaTextAndDigitsPerColumn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tpl = dir.filePath(QStringLiteral("fixed.xlsx"));
    QFile script(testPath(QStringLiteral("data/templates/make_template.py")));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const auto made =
        runPython(QString::fromUtf8(script.readAll()), {QStringLiteral("fixed"), tpl});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    def.setFlag(QStringLiteral("KOTEIFLG"), true);
    def.setValue(QStringLiteral("KOTEIHINACELL"), QStringLiteral("E6"));
    // B2 is formatted as text in the template, B3 is General, B4 a number format.
    ColumnSetting code, product, amount;
    code.PhysicalName = QStringLiteral("code");
    code.WidthOrCell = QStringLiteral("B2");
    product.PhysicalName = QStringLiteral("product");
    product.Alias = QStringLiteral("商品");
    product.WidthOrCell = QStringLiteral("B3");
    amount.PhysicalName = QStringLiteral("amount");
    amount.WidthOrCell = QStringLiteral("B4");
    def.columns = {code, product, amount};

    ExcelSession xl;
    StepCode step(u'P');
    Result<TemplateWorkbook> opened = openTemplateWorkbook(xl, tpl, QString(), 0, step);
    ASSERT_TRUE(opened) << opened.error().text().toStdString();
    TemplateWorkbook book = opened.value();
    DatabaseCellWriter values;
    TemplateReportRun run;
    run.outputBook = book.outputBook;
    run.sheetIndex = book.sheetIndex;
    run.templateBook = book.templateBook;
    run.itemCount = 3;
    run.dataCount = 2;
    run.values = &values;
    VectorRecordSource records(
        {{QStringLiteral("=1+1"), QStringLiteral("=HYPERLINK(\"http://example.com/\")"),
          QStringLiteral("12345678901234567890")},
         {QStringLiteral("007"), QStringLiteral("ノート"), qlonglong(1200)}});
    const Status written = writeTemplateReport(xl, run, def, records, step);
    ASSERT_TRUE(written.isOk()) << written.error().text().toStdString();
    closeTemplateWorkbook(xl, book);
    const Result<QString> saved = xl.saveAs(book.outputBook, dir.filePath(QStringLiteral("out")));
    ASSERT_TRUE(saved) << saved.error().text().toStdString();
    EXPECT_EQ(values.notices(),
              (QStringList{ReportText::formulaTextKept(QStringLiteral("商品")),
                           ReportText::longNumberKept(QStringLiteral("amount"))}));

    const QJsonObject cells =
        readBack(QString::fromUtf8(kCells), saved.value())["cells"].toObject();
    struct Expect {
        const char *cell;
        QVariant value;
        bool apostrophe;
    };
    for (const Expect &e :
         std::vector<Expect>{{"B2", QStringLiteral("=1+1"), false},
                             {"B3", QStringLiteral("=HYPERLINK(\"http://example.com/\")"), true},
                             {"B4", QStringLiteral("12345678901234567890"), true},
                             {"B8", QStringLiteral("007"), false},
                             {"B9", QStringLiteral("ノート"), false},
                             {"B10", 1200.0, false}}) {
        SCOPED_TRACE(e.cell);
        const QJsonObject cell = cells[QString::fromLatin1(e.cell)].toObject();
        EXPECT_NE(cell["dt"].toString(), QStringLiteral("f"));
        if (e.value.typeId() == QMetaType::QString)
            EXPECT_EQ(cell["v"].toString(), e.value.toString());
        else
            EXPECT_EQ(cell["v"].toDouble(), e.value.toDouble());
        EXPECT_EQ(cell["q"].toBool(), e.apostrophe);
    }
}

} // namespace

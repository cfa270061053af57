// kelvoran-batch report, run as a user would, on a copy of the demo database with the bundled
// example settings files.
#include "core/textfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/batchrun.h"

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

BatchRun batch(const QStringList &args, const QString &aliasFile,
               const std::map<QString, QString> &env = {}) {
    return runBatch(args, aliasFile, env);
}

// Last line of a python script's output as JSON.
QJsonObject pythonJson(const QString &script, const QStringList &args) {
    const ProcessResult r = runPython(script, args);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(u'\n');
    return QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db = m_dir.filePath(QStringLiteral("demo.sqlite"));
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        m_aliases = m_dir.filePath(QStringLiteral("aliases.ini"));
        QFile f(m_aliases);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[DEMO]\ndriver=QSQLITE\ndatabase=" + m_db.toUtf8() + "\n");
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // A copy of an example settings file with some lines replaced (whole-line text, trimmed
    // comparison on the start).
    QString example(const char *name, const std::map<QString, QString> &replace = {}) {
        const QString from = sourceDir() + QStringLiteral("/examples/") + QString::fromLatin1(name);
        Result<QStringList> lines = readTextLines(from);
        EXPECT_TRUE(lines.isOk());
        QStringList out = lines.value();
        for (QString &line : out)
            for (const auto &[start, by] : replace)
                if (line.trimmed().startsWith(start))
                    line = by;
        const QString to = path(QString::fromLatin1(name));
        EXPECT_TRUE(writeTextLines(to, out).isOk());
        return to;
    }
    BatchRun report(const QString &kvr, const QString &output,
                    const std::map<QString, QString> &env = {}) {
        return batch({QStringLiteral("report"), kvr, QStringLiteral("--output"), output}, m_aliases,
                     env);
    }

    QTemporaryDir m_dir;
    QString m_db;
    QString m_aliases;
};

TEST_F(ReportCommand, DemoListReportWithSubtotalsAndTotals) {
    const BatchRun r = report(example("sales_list.kvr"), path(QStringLiteral("sales")));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString written = path(QStringLiteral("sales.xlsx"));
    EXPECT_EQ(r.out, written + u'\n');
    // Not a terminal: no progress lines.
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    // Totals computed by SQLite from the same view, against the sheet.
    const QJsonObject o = pythonJson(QStringLiteral(R"PY(
import sys, json, sqlite3, openpyxl
db = sqlite3.connect(sys.argv[2])
regions = db.execute("SELECT region_name, SUM(amount) FROM v_sales GROUP BY region_code ORDER BY region_code").fetchall()
total_qty = db.execute("SELECT SUM(quantity) FROM v_sales").fetchone()[0]
count = db.execute("SELECT COUNT(*) FROM v_sales").fetchone()[0]
ws = openpyxl.load_workbook(sys.argv[1]).active
subtotals = [(ws.cell(r, 7).value, ws.cell(r, 7).fill.fgColor.indexed) for r in range(5, ws.max_row + 1)
             if ws.cell(r, 1).value is None and ws.cell(r, 7).value is not None]
print(json.dumps({"title": ws["A1"].value, "heading": [c.value for c in ws[4]],
                  "sheet": ws.title, "freeze": ws.freeze_panes,
                  "expected": [s for _, s in regions], "count": count,
                  "subtotals": [s for s, _ in subtotals[:-1]], "fills": [f for _, f in subtotals],
                  "footer": subtotals[-1][0], "sum": sum(s for _, s in regions),
                  "qty": ws.cell(ws.max_row, 6).value, "totalQty": total_qty,
                  "code": ws["D5"].value, "codeFormat": ws["D5"].number_format,
                  "rows": ws.max_row}, ensure_ascii=False))
)PY"),
                                     {written, m_db});
    EXPECT_EQ(o[QStringLiteral("title")].toString(), "地区別売上一覧");
    EXPECT_EQ(o[QStringLiteral("sheet")].toString(), "売上一覧");
    EXPECT_EQ(o[QStringLiteral("freeze")].toString(), "A5");
    EXPECT_EQ(o[QStringLiteral("heading")].toVariant().toStringList(),
              QStringList({"地区", "支店", "受注日", "顧客コード", "商品", "数量", "金額"}));
    EXPECT_EQ(o[QStringLiteral("subtotals")], o[QStringLiteral("expected")]);
    EXPECT_EQ(o[QStringLiteral("footer")], o[QStringLiteral("sum")]);
    EXPECT_EQ(o[QStringLiteral("fills")].toVariant().toList(), QVariantList({43, 43, 43, 43, 27}));
    EXPECT_EQ(o[QStringLiteral("qty")].toString(),
              QStringLiteral("=sum(F5:F%1)").arg(o[QStringLiteral("rows")].toInt() - 1));
    EXPECT_EQ(o[QStringLiteral("code")].toString().size(), 6);
    EXPECT_EQ(o[QStringLiteral("codeFormat")].toString(), "@");
    // heading rows (4) + records + 4 subtotal rows + footer
    EXPECT_EQ(o[QStringLiteral("rows")].toInt(), 4 + o[QStringLiteral("count")].toInt() + 4 + 1);
}

TEST_F(ReportCommand, DemoPivotReport) {
    const BatchRun r = report(example("sales_pivot.kvr"), path(QStringLiteral("pivot.xls")));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, path(QStringLiteral("pivot.xlsx")) + u'\n');
    const QJsonObject o = pythonJson(QStringLiteral(R"PY(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
p = wb["集計"]._pivots[0]
names = [f.name for f in p.cache.cacheFields]
print(json.dumps({"sheets": wb.sheetnames, "name": p.name,
                  "rows": [names[f.x] for f in p.rowFields if f.x >= 0],
                  "cols": [names[f.x] for f in p.colFields if f.x >= 0],
                  "pages": [names[f.fld] for f in p.pageFields],
                  "data": [[names[d.fld], d.subtotal] for d in p.dataFields]}, ensure_ascii=False))
)PY"),
                                     {path(QStringLiteral("pivot.xlsx"))});
    EXPECT_EQ(o[QStringLiteral("sheets")].toVariant().toStringList(),
              QStringList({"明細", "集計"}));
    EXPECT_EQ(o[QStringLiteral("name")].toString(), "売上集計");
    EXPECT_EQ(o[QStringLiteral("rows")].toVariant().toStringList(), QStringList({"地区"}));
    EXPECT_EQ(o[QStringLiteral("cols")].toVariant().toStringList(), QStringList({"分類"}));
    EXPECT_EQ(o[QStringLiteral("pages")].toVariant().toStringList(), QStringList({"月"}));
    EXPECT_EQ(o[QStringLiteral("data")].toVariant().toList(),
              QVariantList({QVariantList({"金額", "sum"})}));
}

// The bundled fixed report names its template relative to itself: it is found beside the
// settings file whatever the working folder, and the template is left as it was.
TEST_F(ReportCommand, TemplateReportFindsItsTemplateBesideTheSettingsFile) {
    const QString examples = sourceDir() + QStringLiteral("/examples/");
    QFile templateFile(examples + QStringLiteral("branch_card_template.xlsx"));
    ASSERT_TRUE(templateFile.open(QIODevice::ReadOnly));
    const QByteArray before = templateFile.readAll();
    templateFile.close();
    const BatchRun r =
        report(examples + QStringLiteral("branch_cards.kvr"), path(QStringLiteral("cards.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const ProcessResult cells = runPython(QStringLiteral(R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(sum(1 for ws in wb.worksheets for row in ws.iter_rows(values_only=True)
          for v in row if v == "新宿支店"))
)PY"),
                                          {path(QStringLiteral("cards.xlsx"))});
    ASSERT_EQ(cells.exitCode, 0) << cells.err.toStdString();
    EXPECT_GE(cells.out.trimmed().toInt(), 1);
    ASSERT_TRUE(templateFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(templateFile.readAll(), before);
}

// A template feature the output leaves out is named on stderr, one line per notice, while
// stdout keeps only the path and the run succeeds.
TEST_F(ReportCommand, TemplateNoticesGoToStderrAndOnlyThePathToStdout) {
    const QString examples = sourceDir() + QStringLiteral("/examples/");
    const ProcessResult made = runPython(QStringLiteral(R"PY(
import sys, openpyxl
from openpyxl.comments import Comment
wb = openpyxl.load_workbook(sys.argv[1])
wb.worksheets[0]["A1"].comment = Comment("確認欄", "作成者")
wb.save(sys.argv[2])
)PY"),
                                         {examples + QStringLiteral("branch_card_template.xlsx"),
                                          path(QStringLiteral("branch_card_template.xlsx"))});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ASSERT_TRUE(QFile::copy(examples + QStringLiteral("branch_cards.kvr"),
                            path(QStringLiteral("branch_cards.kvr"))));
    const BatchRun r =
        report(path(QStringLiteral("branch_cards.kvr")), path(QStringLiteral("cards.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, path(QStringLiteral("cards.xlsx")) + u'\n');
    ASSERT_TRUE(r.err.endsWith(u'\n')) << r.err.toStdString();
    const QStringList notices = r.err.chopped(1).split(u'\n');
    int comments = 0;
    for (const QString &n : notices) {
        EXPECT_FALSE(n.trimmed().isEmpty());
        if (n.contains(QStringLiteral("コメント")))
            ++comments;
    }
    EXPECT_EQ(comments, 1) << r.err.toStdString();
}

TEST_F(ReportCommand, OutputNames) {
    const QString kvr = example("sales_list.kvr");
    for (const auto &[given, real] : std::vector<std::pair<const char *, const char *>>{
             {"a.xls", "a.xlsx"}, {"b", "b.xlsx"}, {"c.xlsx", "c.xlsx"}, {"d.txt", "d.txt.xlsx"}}) {
        const BatchRun r = report(kvr, path(QString::fromLatin1(given)));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, path(QString::fromLatin1(real)) + u'\n') << given;
        EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(real)))) << given;
        EXPECT_FALSE(QString::fromLatin1(given) != QString::fromLatin1(real) &&
                     QFile::exists(path(QString::fromLatin1(given))))
            << given;
    }
}

TEST_F(ReportCommand, OutputPasswordsFromTheSettingsFile) {
    const QString kvr = example("sales_list.kvr");
    const BatchRun sealed =
        batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), kvr}, m_aliases,
              {{QStringLiteral("KELVORAN_OUTPUT_READ_PASSWORD"), "open-me"},
               {QStringLiteral("KELVORAN_OUTPUT_WRITE_PASSWORD"), "edit-me"}});
    ASSERT_EQ(sealed.exitCode, 0) << sealed.err.toStdString();
    const BatchRun r = report(kvr, path(QStringLiteral("secret.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = pythonJson(QStringLiteral(R"PY(
import sys, io, json, zipfile, msoffcrypto, openpyxl
f = msoffcrypto.OfficeFile(open(sys.argv[1], "rb"))
wrong = False
try:
    f.load_key(password="wrong"); f.decrypt(io.BytesIO())
except Exception:
    wrong = True
f = msoffcrypto.OfficeFile(open(sys.argv[1], "rb"))
f.load_key(password="open-me")
buf = io.BytesIO(); f.decrypt(buf)
wbxml = zipfile.ZipFile(buf).read("xl/workbook.xml").decode()
ws = openpyxl.load_workbook(buf).active
print(json.dumps({"encrypted": f.is_encrypted(), "wrongRefused": wrong,
                  "title": ws["A1"].value, "reservation": "fileSharing" in wbxml}, ensure_ascii=False))
)PY"),
                                     {path(QStringLiteral("secret.xlsx"))});
    EXPECT_TRUE(o[QStringLiteral("encrypted")].toBool());
    EXPECT_TRUE(o[QStringLiteral("wrongRefused")].toBool());
    EXPECT_EQ(o[QStringLiteral("title")].toString(), "地区別売上一覧");
    EXPECT_TRUE(o[QStringLiteral("reservation")].toBool());
}

struct FailureCase {
    const char *name;
    std::map<QString, QString> replace; // line start -> new line
    const char *status;                 // expected start of stderr
    const char *step;                   // expected end
};

class ReportFailure : public ReportCommand, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReportFailure, StatusOnStderr) {
    const FailureCase &c = GetParam();
    const BatchRun r = report(example("sales_list.kvr", c.replace), path(QStringLiteral("x.xlsx")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.status))) << r.err.toStdString();
    EXPECT_TRUE(r.err.trimmed().endsWith(QString::fromLatin1(c.step))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.xlsx"))));
    EXPECT_TRUE(r.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportFailure,
    ::testing::Values(
        FailureCase{"RowLimit",
                    // 720 records + 64816 = 65536
                    {{"/* DATAFASTROW=", " /* DATAFASTROW= 64816 "}},
                    "データ表示位置が65535行目をを超えています。"
                    "レコード数を減らすか表示位置を変更してください。 ",
                    "CME_140002"},
        FailureCase{"ColumnLimit",
                    {{"/* DATAFASTCOL=", " /* DATAFASTCOL= 250 "}},
                    "項目表示位置が251列目を超えています。",
                    "CME_140001"},
        FailureCase{"BadStatement",
                    {{"FROM v_sales", " FROM no_such_view "}},
                    "データ抽出エラー <<SQLエラー:",
                    "CEO_130008"},
        FailureCase{"Validation",
                    {{"/* TITLEROW=", " /* TITLEROW= 9 "}, {"/* TITLECOL=", " /* TITLECOL= 3 "}},
                    "エラー <<Title配置行・列が不正です。確認してください。>> ",
                    "CCT_150026"},
        // Numbers out of range are refused before anything adds to them.
        FailureCase{"HeaderFormatColumnAtTheTopOfInt",
                    {{"/* FROWFASTCOL=", " /* FROWFASTCOL= 2147483647 "}},
                    "エラー <<項目名行フォーマットの適用列が不正です。"
                    "1～251の列番号を指定してください。：2147483647>> ",
                    "CCT_150040"},
        FailureCase{"DataColumnAtTheBottomOfInt",
                    {{"/* DATAFASTCOL=", " /* DATAFASTCOL= -2147483648 "}},
                    "エラー <<列番号が不正です。確認してください。>> ",
                    "CCT_150005"},
        FailureCase{"DataRowAtTheTopOfInt",
                    {{"/* DATAFASTROW=", " /* DATAFASTROW= 2147483647 "}},
                    "エラー <<データの表示位置が65535行目を超えています。",
                    "CCT_150006"},
        FailureCase{"HeaderColourOutOfThePalette",
                    {{"/* TITLEBACKCOLOR=", " /* TITLEBACKCOLOR= 99 "}},
                    "エラー <<項目名行の色番号が不正です。色を選び直してください。：99>> ",
                    "CCT_150042"},
        FailureCase{"HugeColumnWidth",
                    {{"/*  10@", " /*  99999999999@@@@@@@@    */ "}},
                    "エラー <<項目幅が不正です。0～255の数値を指定してください。"
                    "：99999999999（1行目）>> ",
                    "CCT_150043_1"}),
    [](const auto &caseInfo) { return std::string(caseInfo.param.name); });

// On a terminal the status text of the record loop goes to stderr.
TEST_F(ReportCommand, ProgressOnATerminal) {
    if (!QFile::exists(QStringLiteral("/usr/bin/script")))
        GTEST_SKIP() << "needs script(1) for a terminal";
    const QString command = QStringLiteral("%1 report %2 --output %3")
                                .arg(QStringLiteral(KELVORAN_BATCH), example("sales_list.kvr"),
                                     path(QStringLiteral("tty.xlsx")));
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("KELVORAN_ALIASES"), m_aliases);
    p.setProcessEnvironment(e);
    p.start(QStringLiteral("/usr/bin/script"),
            {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("\rExcelﾃﾞｰﾀ作成中… [720/720]"))) << out.toStdString();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("tty.xlsx"))));
}

TEST_F(ReportCommand, MissingFileAndUsage) {
    BatchRun r = report(path(QStringLiteral("none.kvr")), path(QStringLiteral("x.xlsx")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("ファイルが存在しません。確認してください。 CES_270006\n"));
    r = batch({QStringLiteral("report"), example("sales_list.kvr")}, m_aliases);
    EXPECT_EQ(r.exitCode, 2);
}

} // namespace

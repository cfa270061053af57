// kelvoran-batch over aliases from ODBC data sources on the real drivers, configured in a private
// odbcinst.ini/odbc.ini: the alias list with its kinds and the drivers that cannot load, the
// ORACLE route over the dictionary fixture, and the SQL, report and CSV jobs, each compared with
// the same job on the native driver of the same database.
#include "core/textfile.h"
#include "tests/cli/batchrun.h"
#include "tests/support/odbcconfig.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

using S = OdbcTestSources;

QString latin(const char *text) {
    return QString::fromLatin1(text);
}

class OdbcBatch : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_odbc.isValid());
        m_leftOut = m_odbc.addStandardSources();
        // The native aliases of the same databases: the demo copy, the fixture, the servers.
        QByteArray aliases = "[DEMO]\ndriver=QSQLITE\ndatabase=" +
                             m_odbc.path(QStringLiteral("demo.sqlite")).toUtf8() +
                             "\n[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (fixture)\ndatabase=" +
                             oracleFixturePath().toUtf8() + "\n";
        // The server groups of the test alias file.
        if (serversStarted()) {
            QFile server(testAliasFile());
            ASSERT_TRUE(server.open(QIODevice::ReadOnly));
            bool serverGroup = false;
            for (const QByteArray &line : server.readAll().split('\n')) {
                if (line.startsWith('['))
                    serverGroup = line.startsWith("[PGTEST]") || line.startsWith("[MYTEST]");
                if (serverGroup)
                    aliases += line + '\n';
            }
        }
        m_aliasFile = m_odbc.path(QStringLiteral("aliases.ini"));
        QFile f(m_aliasFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(aliases);
    }

    bool has(const char *source) const { return m_odbc.has(latin(source)); }
    std::string why() const { return m_leftOut.join(QStringLiteral("; ")).toStdString(); }

    BatchRun batch(const QStringList &args) {
        return runBatch(
            args, m_aliasFile,
            {{QStringLiteral("KELVORAN_PASSWORD"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD")},
             {QStringLiteral("KELVORAN_SETTINGS"), m_odbc.path(QStringLiteral("none.ini"))}});
    }

    OdbcTestConfig m_odbc;
    QStringList m_leftOut;
    QString m_aliasFile;
};

TEST_F(OdbcBatch, AliasesListsDataSourcesWithKindsAndNamesWhatCannotLoad) {
    m_odbc.addDriver(QStringLiteral("Oracle 21 ODBC driver"),
                     QStringLiteral("/nonexistent/instantclient/libsqora.so.21.1"));
    m_odbc.addDriver(QStringLiteral("ORACLE stub needing a library"),
                     QStringLiteral(KELVORAN_STUB_DRIVER));
    m_odbc.addDataSource(QStringLiteral("ORAGONE"), QStringLiteral("Oracle 21 ODBC driver"));
    m_odbc.addDataSource(QStringLiteral("ORASTUB"),
                         QStringLiteral("ORACLE stub needing a library"));
    m_odbc.addDataSource(QStringLiteral("UNREGISTERED"), QStringLiteral("No Such Driver"));
    // Drivers registered by file name alone, as Debian registers them: looked for in the driver
    // manager's driver folder.
    m_odbc.addDriver(QStringLiteral("SQLite3 by file name"), QStringLiteral("libsqlite3odbc.so"));
    m_odbc.addDriver(QStringLiteral("Missing by file name"), QStringLiteral("libnosuchodbc.so"));
    if (has(S::sqlite))
        m_odbc.addDataSource(QStringLiteral("BYNAME"), QStringLiteral("SQLite3 by file name"));
    m_odbc.addDataSource(QStringLiteral("NOFILE"), QStringLiteral("Missing by file name"));
    ASSERT_TRUE(m_odbc.apply());
    const BatchRun r = batch({QStringLiteral("aliases")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    struct Case {
        const char *source;
        const char *line;
        const char *problem; // empty: the source's drivers load
    };
    const Case cases[] = {
        {S::sqlite, "LITEODBC\tSQLite3 ODBC\tSQLITE", ""},
        {S::oracle, "ORAODBC\tORACLE dictionary (SQLite3 ODBC)\tORACLE", ""},
        {S::postgres, "PGODBC\tPostgreSQL Unicode\tPOSTGRE", ""},
        {S::mariadb, "MYODBC\tMySQL protocol: MariaDB Unicode\tMYSQL", ""},
        {"ORAGONE", "ORAGONE\tOracle 21 ODBC driver\tORACLE",
         "エイリアス \"ORAGONE\": ODBC ドライバ \"Oracle 21 ODBC driver\" を読み込めません: "
         "ライブラリ /nonexistent/instantclient/libsqora.so.21.1 がありません"},
        {"ORASTUB", "ORASTUB\tORACLE stub needing a library\tORACLE",
         "が必要とするライブラリ " KELVORAN_ABSENT_DEPENDENCY " が見つかりません"},
        {"BYNAME", "BYNAME\tSQLite3 by file name\tSQLITE", ""},
        {"NOFILE", "NOFILE\tMissing by file name\tOTHER",
         "エイリアス \"NOFILE\": ODBC ドライバ \"Missing by file name\" を読み込めません: "
         "ライブラリ libnosuchodbc.so がありません"},
        {"UNREGISTERED", "UNREGISTERED\tNo Such Driver\tOTHER",
         "エイリアス \"UNREGISTERED\": ODBC ドライバ \"No Such Driver\" が odbcinst.ini に"
         "登録されていません"},
    };
    const QStringList out = r.out.split(u'\n');
    const QStringList err = r.err.split(u'\n', Qt::SkipEmptyParts);
    for (const Case &c : cases) {
        if (!m_odbc.has(QString::fromUtf8(c.source)))
            continue;
        EXPECT_TRUE(out.contains(QString::fromUtf8(c.line))) << c.source << " in:\n"
                                                             << r.out.toStdString();
        const QString prefix =
            QStringLiteral("エイリアス \"%1\": ").arg(QString::fromUtf8(c.source));
        const QStringList reported = err.filter(prefix);
        if (*c.problem == 0) {
            EXPECT_TRUE(reported.isEmpty()) << reported.join(u'\n').toStdString();
        } else {
            ASSERT_EQ(reported.size(), 1) << c.source << ":\n" << r.err.toStdString();
            EXPECT_TRUE(reported.first().contains(QString::fromUtf8(c.problem)))
                << reported.first().toStdString();
        }
    }
    // The aliases of the alias file whose drivers load are not mentioned.
    EXPECT_TRUE(err.filter(QStringLiteral("\"DEMO\"")).isEmpty()) << r.err.toStdString();
}

// describe over the ODBC data source prints what it prints over the program's own connection to
// the same dictionary, for an object of each folder that builds texts.
TEST_F(OdbcBatch, DescribeOverTheOracleDataSourceMatchesTheDirectConnection) {
    ASSERT_TRUE(m_odbc.apply());
    if (!has(S::oracle))
        GTEST_SKIP() << why();
    struct Case {
        const char *folder;
        const char *name;
    };
    const Case cases[] = {{"Table", "EMP"}, {"View", "V_EMP_DEPT"}, {"Package Body", "PAYROLL"}};
    for (const Case &c : cases) {
        const QStringList tail{QStringLiteral("--folder"), latin(c.folder), latin(c.name)};
        const BatchRun want =
            batch(QStringList{QStringLiteral("describe"), QStringLiteral("--alias"),
                              QStringLiteral("ORAFIX")} +
                  tail);
        const BatchRun got = batch(
            QStringList{QStringLiteral("describe"), QStringLiteral("--alias"), latin(S::oracle),
                        QStringLiteral("--user"), QStringLiteral("kelvoran")} +
            tail);
        EXPECT_EQ(got.exitCode, want.exitCode) << c.name << ": " << got.err.toStdString();
        EXPECT_EQ(sameDateForm(got.out, true).toStdString(),
                  sameDateForm(want.out, true).toStdString())
            << c.name;
        EXPECT_EQ(got.err.toStdString(), want.err.toStdString()) << c.name;
    }
}

} // namespace

namespace {

// The example list report with its SELECT replaced and no creation time (which would differ
// between two runs).
QStringList listReportWith(const QStringList &select) {
    const Result<QStringList> example =
        readTextLines(sourceDir() + QStringLiteral("/examples/sales_list.kvr"));
    EXPECT_TRUE(example.isOk());
    QStringList lines = select;
    bool inFormat = false;
    for (const QString &line : example.value()) {
        if (line.contains(QStringLiteral("ここから下はフォーマット設定です")))
            inFormat = true;
        if (!inFormat)
            continue;
        lines << (line.trimmed().startsWith(QStringLiteral("/* MAKEDATEFLG="))
                      ? QStringLiteral(" /* MAKEDATEFLG= FALSE ")
                      : line);
    }
    return lines;
}

// A CSV export settings file of one SELECT, tab-separated with a heading line.
QStringList csvExportOf(const QStringList &select) {
    QStringList lines = select;
    lines << QStringLiteral(" ")
          << QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ")
          << QStringLiteral(" /* PROCFLG= 2 ") << QStringLiteral(" /* DBNAME=  ")
          << QStringLiteral(" /* CSVTABLENAME=  ") << QStringLiteral(" /* CSVFILENAME=  ")
          << QStringLiteral(" /* CSVSEPCHAR= #9 ") << QStringLiteral(" /* CSVTREAT= 0 ")
          << QStringLiteral(" /* CSVCOLNAME= TRUE ") << QStringLiteral(" /* SETTING= 0 ")
          << QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 ")
          << QStringLiteral(" /* VERSION= 2.2.0.0 ")
          << QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");
    return lines;
}

// Every cell of every sheet, as openpyxl reads them, one JSON line per row.
const char *kCellsScript = R"(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
for ws in wb.worksheets:
    print(ws.title)
    for row in ws.iter_rows(values_only=True):
        print(json.dumps([None if v is None else str(v) for v in row], ensure_ascii=False))
)";

} // namespace

// The SQL tab's script run, an Excel report and a CSV export through each ODBC data source
// give what they give through the native driver of the same database.
TEST_F(OdbcBatch, SqlReportAndCsvExportMatchTheNativeDriver) {
    ASSERT_TRUE(m_odbc.apply());
    const QString table = QStringLiteral("odbc_batch_%1").arg(QCoreApplication::applicationPid());
    struct Case {
        const char *odbc;
        const char *native;
        // A script that makes the table the jobs read (%1 its name), with exact decimals,
        // dates, NULLs and, where the driver reads them whole, Japanese text.
        const char *script;
        // The report's seven columns, ordered by the group key region_code of its settings.
        const char *select;
    };
    const Case cases[] = {
        {S::sqlite, "DEMO",
         "CREATE TABLE %1 (id INTEGER, name TEXT, amount NUMERIC, rate REAL, day DATE);\n"
         "INSERT INTO %1 VALUES (1, '営業部', 1234.5, 0.125, '2024-04-01');\n"
         "INSERT INTO %1 VALUES (2, NULL, -7, NULL, NULL);\n",
         "SELECT region_name, branch_name, order_date, customer_code, product_name, quantity, "
         "amount FROM v_sales ORDER BY region_code, order_date, order_no, line_no"},
        {S::postgres, "PGTEST",
         "CREATE TABLE %1 (id integer, name varchar(20), amount numeric(30,10), rate float8, "
         "day date);\n"
         "INSERT INTO %1 VALUES (1, '営業部', 12345678901234567890.1234567890, 0.125, "
         "'2024-04-01');\n"
         "INSERT INTO %1 VALUES (2, NULL, -7, NULL, NULL);\n",
         "SELECT dept_name, staff_name, hire_date, staff_code, note, grade, salary FROM (SELECT "
         "s.*, d.dept_name, d.dept_id AS region_code FROM staff s JOIN departments d ON "
         "d.dept_id = s.dept_id) x ORDER BY region_code, staff_id"},
        // Only ASCII text on MariaDB: its driver cuts some Japanese texts short (see the
        // database layer's ODBC test).
        {S::mariadb, "MYTEST",
         "CREATE TABLE %1 (id INT, name VARCHAR(20), amount DECIMAL(30,10), rate DOUBLE, "
         "day DATE);\n"
         "INSERT INTO %1 VALUES (1, 'Sales', 12345678901234567890.1234567890, 0.125, "
         "'2024-04-01');\n"
         "INSERT INTO %1 VALUES (2, NULL, -7, NULL, NULL);\n",
         "SELECT dept_code, staff_code, hire_date, updated_at, bonus_rate, grade, salary FROM "
         "(SELECT s.*, d.dept_code, d.dept_id AS region_code FROM staff s JOIN departments d ON "
         "d.dept_id = s.dept_id) x ORDER BY region_code, staff_id"},
    };
    int compared = 0;
    for (const Case &c : cases) {
        if (!has(c.odbc))
            continue;
        SCOPED_TRACE(c.odbc);
        const QString odbc = latin(c.odbc);
        const QString native = latin(c.native);
        const auto file = [&](const QString &name) { return m_odbc.path(odbc + u'-' + name); };
        const auto run = [&](const QString &alias, const QStringList &args) {
            return batch(args + QStringList{QStringLiteral("--alias"), alias,
                                            QStringLiteral("--user"), QStringLiteral("kelvoran")});
        };

        // The script through ODBC; its table read back through both.
        const QString script = file(QStringLiteral("make.sql"));
        ASSERT_TRUE(writeTextLines(script, QString::fromUtf8(c.script).arg(table).split(u'\n')));
        const BatchRun made = run(odbc, {QStringLiteral("sql"), script});
        ASSERT_EQ(made.exitCode, 0) << made.out.toStdString() << made.err.toStdString();
        const QString dropScript = file(QStringLiteral("drop.sql"));
        ASSERT_TRUE(writeTextLines(dropScript, {QStringLiteral("DROP TABLE %1;").arg(table)}));

        const QString csvSettings = file(QStringLiteral("export.kvr"));
        ASSERT_TRUE(writeTextLines(
            csvSettings, csvExportOf({QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table)})));
        // Sealed as the program writes it.
        const BatchRun sealed =
            batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), csvSettings});
        ASSERT_EQ(sealed.exitCode, 0) << sealed.err.toStdString();
        QByteArray csv[2];
        for (int i = 0; i < 2; ++i) {
            const QString alias = i == 0 ? native : odbc;
            const QString out = file(alias + QStringLiteral(".csv"));
            const BatchRun r = run(alias, {QStringLiteral("csv-export"), csvSettings,
                                           QStringLiteral("--output"), out});
            EXPECT_EQ(r.exitCode, 0) << alias.toStdString() << ": " << r.err.toStdString();
            QFile f(out);
            if (f.open(QIODevice::ReadOnly))
                csv[i] = f.readAll();
        }
        EXPECT_FALSE(csv[0].isEmpty());
        EXPECT_EQ(sameDateForm(QString::fromLatin1(csv[1]), false).toStdString(),
                  sameDateForm(QString::fromLatin1(csv[0]), false).toStdString());
        const BatchRun dropped = run(odbc, {QStringLiteral("sql"), dropScript});
        EXPECT_EQ(dropped.exitCode, 0) << dropped.out.toStdString() << dropped.err.toStdString();

        const QString reportSettings = file(QStringLiteral("list.kvr"));
        ASSERT_TRUE(writeTextLines(reportSettings, listReportWith({latin(c.select)})));
        QString cells[2];
        for (int i = 0; i < 2; ++i) {
            const QString alias = i == 0 ? native : odbc;
            const QString out = file(alias + QStringLiteral(".xlsx"));
            const BatchRun r = run(
                alias, {QStringLiteral("report"), reportSettings, QStringLiteral("--output"), out});
            EXPECT_EQ(r.exitCode, 0) << alias.toStdString() << ": " << r.err.toStdString();
            const ProcessResult read = runPython(QString::fromLatin1(kCellsScript), {out});
            EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
            cells[i] = read.out;
        }
        EXPECT_GT(cells[0].count(u'\n'), 3);
        EXPECT_EQ(cells[1].toStdString(), cells[0].toStdString());
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << why();
}

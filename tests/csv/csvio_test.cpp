// CSV export and import against real databases: a SQLite file and, under ./test.sh, the
// loopback PostgreSQL and MariaDB servers.
#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "csv/scheduledcsv.h"

#include "core/textfile.h"
#include "db/aliases.h"
#include "db/dbsession.h"
#include "tests/db/backendtest.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

// Readable texts in failure messages.
inline void PrintTo(const QString &text, std::ostream *out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

const QString kNull = QStringLiteral("<NULL>");
int g_serial = 0;

// One connection to one backend, with tables of unique names dropped at the end.
class CsvDb : public BackendTest {
protected:
    void SetUp() override {
        openBackend("csv.sqlite", "csvio-test");
        if (stopped())
            return;
        m_kind = m_alias.kind();
        m_mysql = m_alias.driver == u"QMYSQL";
    }

    void TearDown() override {
        if (m_db.isOpen())
            for (const QString &t : m_tables)
                QSqlQuery(m_db).exec(QStringLiteral("DROP TABLE ") + t);
        BackendTest::TearDown();
    }

    // Creates a table of a unique name from its column definitions.
    QString createTable(const QString &columns, const QString &options = QString()) {
        const QString name =
            QStringLiteral("csvio_%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_serial);
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE %1 (%2) %3").arg(name, columns, options)))
            << q.lastError().text().toStdString();
        m_tables << name;
        return name;
    }

    void exec(const QString &sql) {
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }

    // The rows of a query, each cell as text or <NULL>.
    std::vector<QStringList> rows(const QString &sql) {
        std::vector<QStringList> out;
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << (q.value(c).isNull() ? kNull : q.value(c).toString());
            out.push_back(row);
        }
        return out;
    }

    qint64 count(const QString &table) {
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table));
        return q.next() ? q.value(0).toLongLong() : -1;
    }

    QString writeCsv(const QStringList &lines, const QString &name = QStringLiteral("in.csv")) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeTextLines(path, lines));
        return path;
    }

    Result<CsvImportResult> import(const QString &table, const QString &path, int rule,
                                   const QString &separator = QStringLiteral(","),
                                   bool heading = false) {
        CsvOptions o;
        o.separator = separator;
        o.blankRule = rule;
        o.headingLine = heading;
        StepCode step(u'C');
        return importCsv(m_db, o, table, path, step);
    }

    DbKind m_kind = DbKind::Other;
    bool m_mysql = false;
    QStringList m_tables;
};

// ---- import

TEST_P(CsvDb, BlankRulesDecideWhatEachFieldStores) {
    struct Case {
        int rule;
        std::vector<QStringList> expected; // sorted
    };
    // "A,,C"; blanks to trim; an empty line; blank fields only.
    const QStringList lines{QStringLiteral("A,,C,1"), QStringLiteral(" b , c,d ,2"),
                            QStringLiteral(""), QStringLiteral("  ,  ,,")};
    const std::vector<Case> cases{
        // Rule 0 leaves blank fields NULL; lines with nothing set add no record.
        {0, {{" b ", " c", "d ", "2"}, {"A", kNull, "C", "1"}}},
        {-1, {{" b ", " c", "d ", "2"}, {"A", kNull, "C", "1"}}},
        // An empty line adds a record whose first column holds the empty text; the empty text
        // is NULL to the INTEGER column.
        {1,
         {{"", "", "", kNull},
          {"", kNull, kNull, kNull},
          {"A", "", "C", "1"},
          {"b", "c", "d", "2"}}},
        {2,
         {{"", kNull, kNull, kNull},
          {"  ", "  ", "", kNull},
          {" b ", " c", "d ", "2"},
          {"A", "", "C", "1"}}},
    };
    const QString path = writeCsv(lines);
    for (const Case &c : cases) {
        const QString t = createTable(QStringLiteral("a VARCHAR(20), b VARCHAR(20), "
                                                     "c VARCHAR(20), n INTEGER"));
        const Result<CsvImportResult> r = import(t, path, c.rule);
        ASSERT_TRUE(r) << r.error().message.toStdString();
        EXPECT_EQ(r->linesProcessed, 4);
        EXPECT_EQ(r->recordsInserted, qint64(c.expected.size()));
        std::vector<QStringList> stored = rows(QStringLiteral("SELECT a, b, c, n FROM %1").arg(t));
        std::sort(stored.begin(), stored.end());
        EXPECT_EQ(stored, c.expected) << "rule " << c.rule;
    }
}

TEST_P(CsvDb, SeparatorsAndHeadingLine) {
    struct Case {
        const char *separator;
        bool heading;
        QStringList lines;
    };
    const std::vector<Case> cases{
        {"#9", false, {"1\tx y\tz", "2\t\tw"}},
        {"||", true, {"N||A||B", "1||x y||z", "2||||w"}},
        {"@", true, {"head", "1@x y@z", "2@@w"}},
    };
    for (const Case &c : cases) {
        const QString t = createTable(QStringLiteral("n INTEGER, a VARCHAR(20), b VARCHAR(20)"));
        const QString path = writeCsv(c.lines);
        const Result<CsvImportResult> r =
            import(t, path, 0, QString::fromLatin1(c.separator), c.heading);
        ASSERT_TRUE(r) << r.error().message.toStdString();
        EXPECT_EQ(r->linesProcessed, 2);
        EXPECT_EQ(rows(QStringLiteral("SELECT n, a, b FROM %1 ORDER BY n").arg(t)),
                  (std::vector<QStringList>{{"1", "x y", "z"}, {"2", kNull, "w"}}))
            << c.separator;
    }
}

TEST_P(CsvDb, EmptyTextIsNullForTypedColumnsAndTextForTextColumns) {
    const QString t =
        createTable(QStringLiteral("n INTEGER, d DOUBLE PRECISION, s VARCHAR(20), e VARCHAR(20)"));
    const QString path = writeCsv({QStringLiteral(" , , , "), QStringLiteral("7,2.5,x")});
    const Result<CsvImportResult> r = import(t, path, 1); // Trim: every field is set
    ASSERT_TRUE(r) << r.error().message.toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT n, d, s, e FROM %1 ORDER BY s").arg(t)),
              (std::vector<QStringList>{{kNull, kNull, "", ""}, {"7", "2.5", "x", kNull}}));
}

TEST_P(CsvDb, FailingLineKeepsTheLinesBeforeItAndNothingAfter) {
    struct Case {
        const char *what;
        int lines;
        int failing;
        QString badLine; // the failing line's text
    };
    const std::vector<Case> cases{
        {"bad number", 9, 5, QStringLiteral("x5,five")},
        {"duplicate key", 9, 5, QStringLiteral("2,again")},
        {"too many fields", 9, 5, QStringLiteral("5,a,b")},
        {"across batches", 25000, 12345, QStringLiteral("7,again")},
    };
    for (const Case &c : cases) {
        const QString t = createTable(QStringLiteral("id INTEGER PRIMARY KEY, name VARCHAR(20)"));
        QStringList lines;
        for (int i = 1; i <= c.lines; ++i)
            lines << (i == c.failing ? c.badLine : QStringLiteral("%1,n%1").arg(i));
        const Result<CsvImportResult> r = import(t, writeCsv(lines), 0);
        ASSERT_FALSE(r) << c.what;
        EXPECT_TRUE(r.error().message.startsWith(QStringLiteral("%1行目: ").arg(c.failing)))
            << c.what << ": " << r.error().message.toStdString();
        EXPECT_EQ(r.error().stepCode.section(u'_', 2), QString::number(c.failing))
            << r.error().stepCode.toStdString();
        EXPECT_EQ(count(t), c.failing - 1) << c.what;
        EXPECT_EQ(rows(QStringLiteral("SELECT MAX(id) FROM %1").arg(t)).at(0).at(0),
                  QString::number(c.failing - 1))
            << c.what;
    }
}

// A quoted value may span lines; a quoted field that never closes, or has text after its closing
// double quote, stops the import at the line where its record starts, keeping the records
// before it.
TEST_P(CsvDb, QuotedFieldsAcrossLinesAndBrokenQuotes) {
    struct Case {
        const char *what;
        QByteArray bytes;
        int failingLine; // 0: no failure
        const char *reason;
        std::vector<QStringList> stored;
    };
    const std::vector<Case> cases{
        {"line breaks kept",
         "1,\"b\r\nc\"\r\n2,\"x\ny\"\r\n3,\"\"\"\"\r\n",
         0,
         "",
         {{"1", "b\r\nc"}, {"2", "x\ny"}, {"3", "\""}}},
        {"text after the closing quote",
         "1,a\r\n2,\"b\r\nc\"\r\n3,\"x\"y\r\n4,d\r\n",
         4,
         "区切り文字がありません",
         {{"1", "a"}, {"2", "b\r\nc"}}},
        {"never closed", "1,a\r\n2,\"open\r\nmore\r\n", 2, "閉じていません", {{"1", "a"}}},
    };
    for (const Case &c : cases) {
        const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20)"));
        const QString path = m_dir.filePath(QStringLiteral("quoted.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        const Result<CsvImportResult> r = import(t, path, 0);
        if (c.failingLine == 0) {
            ASSERT_TRUE(r) << c.what << ": " << r.error().message.toStdString();
        } else {
            ASSERT_FALSE(r) << c.what;
            EXPECT_TRUE(r.error().message.startsWith(QStringLiteral("%1行目: ").arg(c.failingLine)))
                << c.what << ": " << r.error().message.toStdString();
            EXPECT_TRUE(r.error().message.contains(QString::fromUtf8(c.reason)))
                << r.error().message.toStdString();
        }
        EXPECT_EQ(rows(QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(t)), c.stored)
            << c.what;
    }
}

// Bytes an import cannot take stop it at their line: the records before that line stay stored,
// nothing from it on, and the message names the line (also inside a quoted value over lines).
// A NUL byte is a bad line like any other; a byte that is not Shift_JIS is named with its line
// whatever the line ends; a UTF-8 file with a byte-order mark is refused as UTF-8 before anything
// is stored instead of going in as garbled Shift_JIS.
TEST_P(CsvDb, BadBytesStopTheImportAtTheirLine) {
    const QByteArray nul(1, '\0');
    const std::vector<QStringList> firstTwo{{"1", "a"}, {"2", "b"}};
    struct Case {
        const char *what;
        QByteArray bytes;
        QString messageStart; // empty: the message names the file instead
        const char *reason;
        std::vector<QStringList> stored;
    };
    const std::vector<Case> cases{
        {"NUL inside a value", "1,a\r\n2,b" + nul + "c\r\n3,d\r\n", "2行目: ", "NUL", {{"1", "a"}}},
        {"NUL as the last byte", "1,a\r\n2,b\r\n3," + nul, "3行目: ", "NUL", firstTwo},
        {"NUL on a quoted value's second line",
         "1,a\r\n2,\"x\r\ny" + nul + "z\"\r\n3,d\r\n",
         "3行目: ",
         "NUL",
         {{"1", "a"}}},
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF"
         "1,a\r\n2,\xC3\xA9\r\n",
         QString(),
         "UTF-8",
         {}},
        {"not Shift_JIS, CR LF", "1,a\r\n2,b\r\n3,x\x81\x20y\r\n4,d\r\n", "bad.csv の 3行目",
         "バイト列 81 ", firstTwo},
        {"not Shift_JIS, bare CR", "1,a\r2,b\r3,x\x81\x20y\r4,d\r", "bad.csv の 3行目",
         "バイト列 81 ", firstTwo},
        {"not Shift_JIS, LF, last line", "1,a\n2,b\n3,x\x81\x20y", "bad.csv の 3行目",
         "バイト列 81 ", firstTwo},
        {"not Shift_JIS inside a quoted value", "1,a\r\n2,b\r\n3,\"x\r\n\x81\x20\"\r\n4,d\r\n",
         "bad.csv の 4行目", "バイト列 81 ", firstTwo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20)"));
        const QString path = m_dir.filePath(QStringLiteral("bad.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        const Result<CsvImportResult> r = import(t, path, 0);
        ASSERT_FALSE(r);
        const QString message = r.error().message;
        EXPECT_TRUE(message.contains(c.messageStart.isEmpty() ? path : c.messageStart))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.reason))) << message.toStdString();
        EXPECT_EQ(rows(QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(t)), c.stored);
    }
}

// MariaDB only: a table without transactions cannot take back a failed bulk load, so its lines
// go in one by one; the result must be the same.
TEST_P(CsvDb, FailingLineOnATableWithoutTransactions) {
    if (!m_mysql)
        GTEST_SKIP() << "MariaDB only";
    const QString t = createTable(QStringLiteral("id INTEGER PRIMARY KEY, name VARCHAR(20)"),
                                  QStringLiteral("ENGINE=MyISAM"));
    const Result<CsvImportResult> r =
        import(t, writeCsv({"1,a", "2,b", "3,c", "4,d", "3,again", "6,f"}), 0);
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.error().message.startsWith(QStringLiteral("5行目: Duplicate entry")))
        << r.error().message.toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT id FROM %1 ORDER BY id").arg(t)),
              (std::vector<QStringList>{{"1"}, {"2"}, {"3"}, {"4"}}));
}

// ---- export

TEST_P(CsvDb, ScheduledExportWithHeadingWritesCountedRowsPlusOne) {
    const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20), amount INTEGER"));
    exec(QStringLiteral("INSERT INTO %1 VALUES (1, '東京', 10)").arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (2, NULL, 20)").arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (3, 'c,d', NULL)").arg(t));
    ReportDefinition def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("2"));
    def.setValue(QStringLiteral("CSVSEPCHAR"), QStringLiteral(","));
    def.setValue(QStringLiteral("CSVCOLNAME"), QStringLiteral("TRUE"));
    def.sqlLines = QStringList{QStringLiteral("SELECT id ,"), QStringLiteral("       name ,"),
                               QStringLiteral("       amount"),
                               QStringLiteral("  FROM %1 ORDER BY id").arg(t)};
    ScheduledCsvJob job;
    job.settings = &def;
    job.targetPath = m_dir.filePath(QStringLiteral("out.txt"));
    job.db = m_db;
    job.kind = m_kind;
    std::vector<std::pair<qint64, qint64>> progress;
    job.progress = [&](qint64 line, qint64 total) { progress.emplace_back(line, total); };
    const ScheduledCsvOutcome o = runScheduledCsvExport(job);
    ASSERT_TRUE(o.ok) << o.statusText().toStdString();
    EXPECT_EQ(o.dataCount, 4);
    EXPECT_EQ(o.path, m_dir.filePath(QStringLiteral("out.txt.csv")));
    QFile f(o.path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray expected = "id,name,amount\r\n1," + *encodeShiftJis(QStringLiteral("東京")) +
                                ",10\r\n2,,20\r\n3,\"c,d\",\r\n";
    EXPECT_EQ(f.readAll().toLower(), expected);
    EXPECT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress.back(), std::make_pair(qint64(4), qint64(4)));
}

TEST_P(CsvDb, ExportRoundTripsThroughImport) {
    const QString t =
        createTable(QStringLiteral("id INTEGER, name VARCHAR(20), v DOUBLE PRECISION"));
    exec(QStringLiteral("INSERT INTO %1 VALUES (1, 'a b', 1.5)").arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (2, NULL, NULL)").arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (3, '全角', -2)").arg(t));
    // Texts that the bulk formats escape: a backslash, and what reads as their NULL marker.
    for (const QString &text :
         {QStringLiteral("C:\\tmp\\n"), QStringLiteral("\\N"), QStringLiteral("漢字\\表")}) {
        QSqlQuery insert(m_db);
        ASSERT_TRUE(insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (4, ?, 0)").arg(t)));
        insert.addBindValue(text);
        ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
    }
    CsvOptions o;
    o.separator = QStringLiteral("#9");
    o.headingLine = false;
    StepCode step(u'P');
    const QString path = m_dir.filePath(QStringLiteral("rt.csv"));
    const Result<CsvExportResult> out =
        exportCsv(m_db, m_kind, CsvExportSource{{}, t}, o, path, step);
    ASSERT_TRUE(out) << out.error().message.toStdString();
    EXPECT_EQ(out->dataRows, 6);
    EXPECT_EQ(out->linesWritten(), 6);
    const QString copy =
        createTable(QStringLiteral("id INTEGER, name VARCHAR(20), v DOUBLE PRECISION"));
    const Result<CsvImportResult> in = import(copy, path, 0, QStringLiteral("#9"));
    ASSERT_TRUE(in) << in.error().message.toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT id, name, v FROM %1 ORDER BY id, name").arg(copy)),
              rows(QStringLiteral("SELECT id, name, v FROM %1 ORDER BY id, name").arg(t)));
}

// Export then import (blank rule 0) stores the same values again, compared as the server's own
// texts: decimals beyond a double, integer extremes, fractional seconds, and texts with
// Japanese, double quotes, separators, line breaks and inner blanks, and NULLs.
TEST_P(CsvDb, ExactValuesRoundTripThroughExportAndImport) {
    const bool sqlite = !m_mysql && m_kind != DbKind::Postgre;
    // MariaDB: NUMERIC without scale is DECIMAL(10,0); a TIMESTAMP column is NOT NULL unless
    // declared NULL.
    const QString columns =
        QStringLiteral("id INTEGER, d DECIMAL(38,10), n NUMERIC, b BIGINT, ts TIMESTAMP(6)%1, "
                       "t TIME(6), dt DATE, s VARCHAR(100)")
            .arg(m_mysql ? QStringLiteral(" NULL") : QString());
    const QStringList numerics = m_mysql ? QStringList{"9999999999", "-9999999999", "0", "42"}
                                         : QStringList{"0.00001", "9999999999999999.99",
                                                       "12345678901234567890.1234567890123", "-5"};
    const std::vector<QStringList> values{
        {"1", "12345678901234567890.1234567890", numerics[0], "9223372036854775807",
         "2022-12-31 23:59:59.9999", "23:59:59.999999", "2024-02-29", "日本語のテキスト"},
        {"2", "9999999999999999.99", numerics[1], "-9223372036854775808", "2024-01-05 00:00:00",
         "00:00:00.5", "1999-01-01", "say \"hi\", then; go|on\ttab"},
        {"3", "0.00001", numerics[2], "0", "2024-01-05 10:20:30.000001", "12:00:00", "2000-12-31",
         "line1\nline2\r\nline3\rend"},
        {"4", "-0.0000000001", numerics[3], "1", "1999-12-31 00:00:00.001", "08:30:00.123",
         "2024-01-01", "  inner  blanks and trailing "},
        {"5", "", "", "", "", "", "", ""}, // NULLs
        {"6", "0", "1", "-1", "2030-06-15 12:34:56.5", "00:00:00", "2024-12-31",
         "\"quoted\" at the start"},
    };
    const QString t = createTable(columns);
    for (const QStringList &row : values) {
        QSqlQuery insert(m_db);
        ASSERT_TRUE(insert.prepare(
            QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(t)));
        for (const QString &v : row)
            insert.addBindValue(v.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : v);
        ASSERT_TRUE(insert.exec())
            << row[0].toStdString() << ": " << insert.lastError().text().toStdString();
    }

    CsvOptions o;
    o.separator = QStringLiteral(",");
    o.headingLine = true;
    o.blankRule = 0;
    StepCode step(u'P');
    const QString path = m_dir.filePath(QStringLiteral("exact.csv"));
    const Result<CsvExportResult> out = exportCsv(
        m_db, m_kind, CsvExportSource{{QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(t)}, {}},
        o, path, step);
    ASSERT_TRUE(out) << out.error().message.toStdString();
    EXPECT_EQ(out->dataRows, qint64(values.size()));

    if (!sqlite) {
        // The server's texts, digit for digit (SQLite keeps these decimals as doubles).
        const QStringList lines = readTextLines(path).value();
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[1], QStringLiteral("1,12345678901234567890.1234567890,%1,"
                                           "9223372036854775807,2022/12/31 23:59:59.9999,"
                                           "23:59:59.999999,2024/02/29,日本語のテキスト")
                                .arg(numerics[0]));
        EXPECT_EQ(lines[2], QStringLiteral("2,9999999999999999.9900000000,%1,-9223372036854775808,"
                                           "2024/01/05,00:00:00.5,1999/01/01,"
                                           "\"say \"\"hi\"\", then; go|on\ttab\"")
                                .arg(numerics[1]));
    }

    const QString copy = createTable(columns);
    const Result<CsvImportResult> in = import(copy, path, 0, QStringLiteral(","), true);
    ASSERT_TRUE(in) << in.error().message.toStdString();
    EXPECT_EQ(in->linesProcessed, qint64(values.size()));

    // Every column as the server's own text.
    QStringList asText;
    for (const char *c : {"id", "d", "n", "b", "ts", "t", "dt", "s"}) {
        const QString col = QString::fromLatin1(c);
        if (m_kind == DbKind::Postgre)
            asText << col + QStringLiteral("::text");
        else if (m_mysql)
            asText << QStringLiteral("CAST(%1 AS CHAR)").arg(col);
        else
            asText << QStringLiteral("typeof(%1) || ':' || CASE typeof(%1) WHEN 'real' THEN "
                                     "printf('%!.17g', %1) ELSE CAST(%1 AS TEXT) END")
                          .arg(col);
    }
    const QString select = QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(asText.join(u','));
    const std::vector<QStringList> original = rows(select.arg(t));
    ASSERT_EQ(original.size(), values.size());
    EXPECT_EQ(rows(select.arg(copy)), original);
    if (!sqlite) { // the values went in as given
        EXPECT_EQ(original[0][1], QStringLiteral("12345678901234567890.1234567890"));
    }
}

// More rows than one read batch and one import batch: every batch arrives, in order.
TEST_P(CsvDb, ManyRowsGoThroughEveryBatchBothWays) {
    const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20), v INTEGER"));
    QStringList lines;
    for (int i = 1; i <= 23456; ++i)
        lines << QStringLiteral("%1@名前%1@%2")
                     .arg(i)
                     .arg(i % 7 ? QString::number(i * 3) : QString());
    const Result<CsvImportResult> in = import(t, writeCsv(lines), 0, QStringLiteral("@"));
    ASSERT_TRUE(in) << in.error().message.toStdString();
    EXPECT_EQ(in->recordsInserted, 23456);
    CsvOptions o;
    o.separator = QStringLiteral("@");
    o.headingLine = true;
    StepCode step(u'P');
    const QString path = m_dir.filePath(QStringLiteral("many.csv"));
    const Result<CsvExportResult> out = exportCsv(
        m_db, m_kind,
        CsvExportSource{{QStringLiteral("SELECT id, name, v FROM %1 ORDER BY id").arg(t)}, {}}, o,
        path, step);
    ASSERT_TRUE(out) << out.error().message.toStdString();
    EXPECT_EQ(out->countedRows, 23456);
    EXPECT_EQ(out->linesWritten(), 23457);
    QStringList written = readTextLines(path).value();
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(written.takeFirst().toLower(), QStringLiteral("id@name@v"));
    EXPECT_EQ(written, lines);
}

TEST_P(CsvDb, ValueTheFileCannotHoldFailsNamingRowAndColumnAndLeavesNoFile) {
    struct Case {
        QString value;
        QString reason; // part of the message
    };
    const std::vector<Case> cases{
        {QStringLiteral("x\U00020BB7y"),
         QStringLiteral("Shift_JIS で表せない文字「\U00020BB7」(U+20BB7)")},
        {QStringLiteral("emoji \U0001F600"),
         QStringLiteral("Shift_JIS で表せない文字「\U0001F600」(U+1F600)")},
    };
    for (const Case &c : cases) {
        const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20)"));
        exec(QStringLiteral("INSERT INTO %1 VALUES (1, 'ok')").arg(t));
        QSqlQuery insert(m_db);
        ASSERT_TRUE(insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (2, ?)").arg(t)));
        insert.addBindValue(c.value);
        ASSERT_TRUE(insert.exec()) << insert.lastError().text().toStdString();
        CsvOptions o;
        StepCode step(u'C');
        const QString path = m_dir.filePath(QStringLiteral("bad.csv"));
        ASSERT_TRUE(writeTextLines(path, {QStringLiteral("older content")}));
        const Result<CsvExportResult> out = exportCsv(
            m_db, m_kind,
            CsvExportSource{{QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(t)}, {}}, o,
            path, step);
        ASSERT_FALSE(out);
        // Line 3 of the file (after the heading line) is data row 2; the file is named.
        EXPECT_TRUE(out.error().message.startsWith(
            QStringLiteral("bad.csv の 3行目（データ2行目）の項目「name」")))
            << out.error().message.toStdString();
        EXPECT_TRUE(out.error().message.contains(c.reason)) << out.error().message.toStdString();
        EXPECT_EQ(out.error().stepCode, QStringLiteral("CEC_360010_2"));
        // The older file stays as it was and no half-written file is left beside it.
        EXPECT_EQ(readTextLines(path).value(), QStringList{QStringLiteral("older content")});
        EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("bad.csv*")}, QDir::Files),
                  QStringList{QStringLiteral("bad.csv")});
    }
}

// A save that fails for real (a file-size limit, as a full disk would) keeps the older file and
// says why.
TEST_P(CsvDb, FailedSaveKeepsTheOlderFileAndNamesTheCause) {
    const QString t = createTable(QStringLiteral("id INTEGER, name VARCHAR(20)"));
    exec(QStringLiteral("INSERT INTO %1 VALUES (1, '東京支店'), (2, '大阪支店'), (3, '福岡支店')")
             .arg(t));
    CsvOptions o;
    o.headingLine = true;
    StepCode step(u'C');
    const QString path = m_dir.filePath(QStringLiteral("kept.csv"));
    ASSERT_TRUE(writeTextLines(path, {QStringLiteral("older")}));
    const QByteArray older = fileBytes(path);
    Result<CsvExportResult> out = Error{};
    {
        ScopedFileSizeLimit limit(16);
        ASSERT_TRUE(limit.active());
        out = exportCsv(
            m_db, m_kind,
            CsvExportSource{{QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(t)}, {}}, o,
            path, step);
    }
    ASSERT_FALSE(out);
    EXPECT_TRUE(out.error().message.contains(path)) << out.error().message.toStdString();
    EXPECT_TRUE(out.error().message.contains(QStringLiteral("ファイルの大きさが上限を超えました")))
        << out.error().message.toStdString();
    EXPECT_EQ(fileBytes(path), older);
    EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("kept.csv*")}, QDir::Files),
              QStringList{QStringLiteral("kept.csv")});
}

// PostgreSQL only: the rows of a query arrive as COPY output where every column type's display
// text is rebuilt from the server's text; a column of another type (interval) makes the export
// read through the driver's values instead, as the result grid reads them. Both must write the
// same texts, so that what the grid shows is what the file gets.
TEST_P(CsvDb, PostgresCopyTextsEqualTheDriverValuesDisplayTexts) {
    if (m_kind != DbKind::Postgre)
        GTEST_SKIP() << "PostgreSQL only";
    const QString t = createTable(QStringLiteral(
        "i INTEGER, b BIGINT, f DOUBLE PRECISION, n NUMERIC(30,5), v VARCHAR(20), d DATE, "
        "ts TIMESTAMP, ok BOOLEAN, tp TIMESTAMP(6), tm TIME(6)"));
    exec(QStringLiteral(
             "INSERT INTO %1 VALUES (1, 9000000000, 0.1, 1.5, 'a\\b', '2024-01-05', "
             "'2024-01-05 00:00:00', true, '2022-12-31 23:59:59.9999', '23:59:59.999999')")
             .arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (2, -3, 1e20, 0.00001, '', '0099-12-31', "
                        "'2024-01-05 10:20:30.5', false, '2024-01-05 00:00:00', '00:00:00')")
             .arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (3, 0, -2.5e-7, 1234567890123456789.12345, 'x y', "
                        "'2024-02-29', '2024-01-05 23:59:59', NULL, '2024-01-05 00:00:00.000001', "
                        "'10:20:30.5')")
             .arg(t));
    exec(QStringLiteral(
             "INSERT INTO %1 VALUES (4, NULL, 'NaN', -0.00100, NULL, NULL, NULL, NULL, NULL, NULL)")
             .arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (5, 7, 0.1::float8 + 0.2::float8, 100.00000, 'tab', "
                        "'2024-12-31', '1999-12-31 00:00:00.001', true, '1999-12-31 00:00:00.001', "
                        "'08:00:00.123')")
             .arg(t));
    CsvOptions o;
    o.separator = QStringLiteral("|");
    o.headingLine = false;
    const QString cols = QStringLiteral("i, b, f, n, v, d, ts, ok, tp, tm");
    auto exportLines = [&](const QString &select, const QString &name) {
        StepCode step(u'P');
        const QString path = m_dir.filePath(name);
        const Result<CsvExportResult> r =
            exportCsv(m_db, m_kind, CsvExportSource{{select}, {}}, o, path, step);
        EXPECT_TRUE(r) << r.error().message.toStdString();
        const Result<QStringList> lines = readTextLines(path);
        return lines ? *lines : QStringList();
    };
    const QStringList copied =
        exportLines(QStringLiteral("SELECT %1 FROM %2 ORDER BY i").arg(cols, t), "copy.csv");
    QStringList viaValues = exportLines(
        QStringLiteral("SELECT %1, INTERVAL '1 day' AS x FROM %2 ORDER BY i").arg(cols, t),
        "values.csv");
    for (QString &line : viaValues)
        line = line.section(u'|', 0, -2);
    ASSERT_EQ(copied.size(), 5);
    EXPECT_EQ(copied, viaValues);
    // Numerics as the server wrote them; fractions of seconds to the digit, never rounded up.
    EXPECT_EQ(copied.value(0), QStringLiteral("1|9000000000|0.1|1.50000|a\\b|2024/01/05|2024/01/05|"
                                              "True|2022/12/31 23:59:59.9999|23:59:59.999999"));
    EXPECT_EQ(copied.value(2),
              QStringLiteral("3|0|-2.5E-7|1234567890123456789.12345|x y|2024/02/29|"
                             "2024/01/05 23:59:59||2024/01/05 00:00:00.000001|"
                             "10:20:30.5"));
}

// PostgreSQL only: the loop writes the counted rows at most, and stops with what came when the
// data end before the count. A sequence makes the statement return a different number of rows
// at each run: the count sees one number, the export the next.
TEST_P(CsvDb, ExportWritesTheCountedRowsAtMostAndStopsWhenTheDataEndEarly) {
    if (m_kind != DbKind::Postgre)
        GTEST_SKIP() << "PostgreSQL only";
    struct Case {
        int start, increment;
        qint64 counted, written;
    };
    const std::vector<Case> cases{{5, -1, 5, 4}, {3, 2, 3, 3}};
    for (const Case &c : cases) {
        const QString seq = createTable(QStringLiteral("dummy INTEGER")) + QStringLiteral("_s");
        exec(QStringLiteral("CREATE SEQUENCE %1 START %2 INCREMENT %3 MINVALUE 0 MAXVALUE 100")
                 .arg(seq)
                 .arg(c.start)
                 .arg(c.increment));
        CsvOptions o;
        o.headingLine = true;
        StepCode step(u'C');
        const QString path = m_dir.filePath(QStringLiteral("early.csv"));
        const Result<CsvExportResult> r =
            exportCsv(m_db, m_kind,
                      CsvExportSource{{QStringLiteral("SELECT g FROM generate_series(1, "
                                                      "(SELECT nextval('%1'))::int) g")
                                           .arg(seq)},
                                      {}},
                      o, path, step);
        exec(QStringLiteral("DROP SEQUENCE ") + seq);
        ASSERT_TRUE(r) << r.error().message.toStdString();
        EXPECT_EQ(r->countedRows, c.counted);
        EXPECT_EQ(r->dataRows, c.written);
        EXPECT_EQ(r->linesWritten(), c.written + 1);
        EXPECT_EQ(readTextLines(path)->size(), c.written + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, CsvDb, testing::Values("SQLITE", "PGTEST", "MYTEST"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             return std::string(p.param);
                         });

} // namespace

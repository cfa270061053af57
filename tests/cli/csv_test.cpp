// kelvoran-batch csv-export / csv-import: the scheduled CSV jobs of one settings file, on a
// SQLite file and, under ./test.sh, on the loopback PostgreSQL and MariaDB servers.
#include "core/textfile.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

int g_serial = 0;

// A settings file of a CSV job, laid out as the program writes it (sealed afterwards by
// "settings set-passwords").
QStringList csvSettings(const QString &procFlag, const QString &alias, const QStringList &sql,
                        const QString &separator, const QString &colName,
                        const QString &table = QString(), const QString &file = QString()) {
    QStringList lines = sql;
    lines << QStringLiteral(" ") << QStringLiteral(" ") << QStringLiteral(" ")
          << QStringLiteral(" ")
          << QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ")
          << QStringLiteral(" /* PROCFLG= ") + procFlag + QLatin1Char(' ')
          << QStringLiteral(" /* DBNAME= ") + alias + QLatin1Char(' ')
          << QStringLiteral(" /* CSVTABLENAME= ") + table + QLatin1Char(' ')
          << QStringLiteral(" /* CSVFILENAME= ") + file + QLatin1Char(' ')
          << QStringLiteral(" /* CSVSEPCHAR= ") + separator + QLatin1Char(' ')
          << QStringLiteral(" /* CSVTREAT= 0 ")
          << QStringLiteral(" /* CSVCOLNAME= ") + colName + QLatin1Char(' ')
          << QStringLiteral(" /* SETTING= 0 ")
          << QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 ")
          << QStringLiteral(" /* VERSION= 2.2.0.0 ")
          << QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");
    return lines;
}

// Runs kelvoran-batch with an alias file of the test's own SQLite database plus the servers'.
class CsvCommand : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_alias = QString::fromLatin1(GetParam());
        if (m_alias != u"LITE" && !serversStarted())
            GTEST_SKIP() << "test servers not started";
        m_database = m_dir.filePath(QStringLiteral("batch.sqlite"));
        QFile db(m_database);
        ASSERT_TRUE(db.open(QIODevice::WriteOnly));
        db.close();
        QByteArray aliases = "[LITE]\ndriver=QSQLITE\ndatabase=" + m_database.toUtf8() + "\n";
        if (serversStarted()) {
            QFile server(testAliasFile());
            ASSERT_TRUE(server.open(QIODevice::ReadOnly));
            aliases += "\n" + server.readAll();
        }
        const QString aliasFile = m_dir.filePath(QStringLiteral("aliases.ini"));
        QFile f(aliasFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(aliases);
        f.close();
        m_saved = {qgetenv("KELVORAN_ALIASES"), qgetenv("KELVORAN_SETTINGS")};
        qputenv("KELVORAN_ALIASES", aliasFile.toUtf8());
        qputenv("KELVORAN_SETTINGS", m_dir.filePath(QStringLiteral("none.ini")).toUtf8());
        qputenv("KELVORAN_PASSWORD", qgetenv("KELVORAN_TEST_PASSWORD"));
        m_table =
            QStringLiteral("csvcli_%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_serial);
        sql({QStringLiteral("CREATE TABLE %1 (id INTEGER PRIMARY KEY, name VARCHAR(20))")
                 .arg(m_table)});
    }
    void TearDown() override {
        if (!m_table.isEmpty())
            sql({QStringLiteral("DROP TABLE %1").arg(m_table)});
        if (!m_saved.isEmpty()) {
            qputenv("KELVORAN_ALIASES", m_saved[0]);
            qputenv("KELVORAN_SETTINGS", m_saved[1]);
        }
        qunsetenv("KELVORAN_PASSWORD");
    }

    ProcessResult batch(const QStringList &args) {
        return runProcess(QStringLiteral(KELVORAN_BATCH), args);
    }
    // Runs statements on the test's alias through "kelvoran-batch sql".
    void sql(const QStringList &statements) {
        const QString script = m_dir.filePath(QStringLiteral("script%1.sql").arg(++g_serial));
        QStringList lines;
        for (const QString &statement : statements)
            lines << statement + QLatin1Char(';');
        ASSERT_TRUE(writeTextLines(script, lines));
        const ProcessResult r =
            batch({QStringLiteral("sql"), QStringLiteral("--alias"), m_alias,
                   QStringLiteral("--user"), QStringLiteral("kelvoran"), script});
        ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    }
    // Writes and seals a settings file.
    QString settingsFile(const QString &name, const QStringList &lines) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeTextLines(path, lines));
        const ProcessResult r =
            batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), path});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return path;
    }
    QStringList exportTable(const QString &select) {
        const QString kvr = settingsFile(QStringLiteral("check%1.kvr").arg(++g_serial),
                                         csvSettings(QStringLiteral("2"), m_alias, {select},
                                                     QStringLiteral(","), QStringLiteral("FALSE")));
        const QString out = m_dir.filePath(QStringLiteral("check.csv"));
        const ProcessResult r =
            batch({QStringLiteral("csv-export"), kvr, QStringLiteral("--user"),
                   QStringLiteral("kelvoran"), QStringLiteral("--output"), out});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return readTextLines(out).value();
    }

    QTemporaryDir m_dir;
    QString m_alias;
    QString m_database;
    QString m_table;
    QList<QByteArray> m_saved;
};

TEST_P(CsvCommand, ExportWithHeadingLinePrintsDataCountOfRowsPlusOne) {
    sql({QStringLiteral("INSERT INTO %1 VALUES (1, 'a')").arg(m_table),
         QStringLiteral("INSERT INTO %1 VALUES (2, NULL)").arg(m_table),
         QStringLiteral("INSERT INTO %1 VALUES (3, 'c')").arg(m_table)});
    const QString kvr = settingsFile(
        QStringLiteral("export.kvr"),
        csvSettings(QStringLiteral("2"), m_alias,
                    {QStringLiteral("SELECT id 番号 ,"), QStringLiteral("       name AS \"名前\""),
                     QStringLiteral("  FROM %1 ORDER BY id").arg(m_table)},
                    QStringLiteral("#9"), QStringLiteral("TRUE")));
    const QString out = m_dir.filePath(QStringLiteral("out.csv"));
    const ProcessResult r = batch({QStringLiteral("csv-export"), kvr, QStringLiteral("--user"),
                                   QStringLiteral("kelvoran"), QStringLiteral("--output"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("正常終了\nデータ件数: 4\nファイル: %1\n").arg(out));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The heading line holds the select items' aliases.
    EXPECT_EQ(f.readAll(),
              encodeShiftJis(QStringLiteral("番号\t名前\r\n1\ta\r\n2\t\r\n3\tc\r\n")).value());
}

// Literals written with their type and PostgreSQL casts reach the server as written: the export
// gives what the same values written as CAST(...) give.
TEST_P(CsvCommand, TypedLiteralsAndCastsInTheSelectListExportAsWritten) {
    if (m_alias != u"PGTEST")
        GTEST_SKIP() << "PostgreSQL only";
    sql({QStringLiteral("INSERT INTO %1 VALUES (7, 'g')").arg(m_table)});
    auto exported = [this](const QStringList &select) {
        const QString kvr = settingsFile(QStringLiteral("typed%1.kvr").arg(++g_serial),
                                         csvSettings(QStringLiteral("2"), m_alias, select,
                                                     QStringLiteral(","), QStringLiteral("TRUE")));
        const QString out = m_dir.filePath(QStringLiteral("typed%1.csv").arg(++g_serial));
        const ProcessResult r =
            batch({QStringLiteral("csv-export"), kvr, QStringLiteral("--user"),
                   QStringLiteral("kelvoran"), QStringLiteral("--output"), out});
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
        const Result<QStringList> lines = readTextLines(out);
        return lines ? lines.value() : QStringList();
    };
    const QString from = QStringLiteral("  FROM %1").arg(m_table);
    const QStringList typed = exported(
        {QStringLiteral("SELECT DATE '2024-01-31' AS d, DATE '2024-02-29',"),
         QStringLiteral("       TIMESTAMP '2024-01-31 10:20:30' ts, TIME '10:20:30' AS t,"),
         QStringLiteral("       INTERVAL '1' DAY AS i, INTERVAL '2' HOUR,"),
         QStringLiteral("       timestamptz '2024-01-31 00:00+00' - timestamptz '2024-01-30 "
                        "00:00+00' AS span,"),
         QStringLiteral("       id::numeric(10,2) AS n, id :: numeric(10, 2)"), from});
    const QStringList cast = exported(
        {QStringLiteral("SELECT CAST('2024-01-31' AS date) AS d, CAST('2024-02-29' AS date),"),
         QStringLiteral("       CAST('2024-01-31 10:20:30' AS timestamp) ts, CAST('10:20:30' AS "
                        "time) AS t,"),
         QStringLiteral("       CAST('1 day' AS interval) AS i, CAST('2 hours' AS interval),"),
         QStringLiteral("       CAST('2024-01-31 00:00+00' AS timestamptz) - CAST('2024-01-30 "
                        "00:00+00' AS timestamptz) AS span,"),
         QStringLiteral("       CAST(id AS numeric(10,2)) AS n, CAST(id AS numeric(10, 2))"),
         from});
    ASSERT_EQ(typed.size(), 2) << typed.join(u'|').toStdString();
    // The values, and the aliases as the headings of their columns.
    EXPECT_EQ(typed.at(1), cast.value(1));
    const QStringList headings = typed.at(0).split(u',');
    ASSERT_EQ(headings.size(), 9) << typed.at(0).toStdString();
    EXPECT_EQ(QStringList({headings.at(0), headings.at(2), headings.at(3), headings.at(4),
                           headings.at(6), headings.at(7)}),
              QStringList({"d", "ts", "t", "i", "span", "n"}));
}

TEST_P(CsvCommand, ImportWhoseFifthLineFailsKeepsFourRowsAndNamesTheLine) {
    const QString csv = m_dir.filePath(QStringLiteral("in.csv"));
    ASSERT_TRUE(
        writeTextLines(csv, {QStringLiteral("ID@NAME"), QStringLiteral("1@a"),
                             QStringLiteral("2@b"), QStringLiteral("3@c"), QStringLiteral("4@d"),
                             QStringLiteral("2@again"), QStringLiteral("6@f")}));
    const QString kvr =
        settingsFile(QStringLiteral("import.kvr"),
                     csvSettings(QStringLiteral("3"), m_alias, {}, QStringLiteral("@"),
                                 QStringLiteral("TRUE"), m_table, QStringLiteral("elsewhere.csv")));
    const ProcessResult r = batch({QStringLiteral("csv-import"), kvr, QStringLiteral("--user"),
                                   QStringLiteral("kelvoran"), QStringLiteral("--input"), csv});
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    // The file's 6th line is the 5th after the heading line.
    EXPECT_TRUE(
        r.err.startsWith(QStringLiteral("CSVファイルインポートエラー CIC_350008_6 6行目: ")))
        << r.err.toStdString();
    EXPECT_EQ(exportTable(QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(m_table)),
              (QStringList{"1,a", "2,b", "3,c", "4,d"}));
}

TEST_P(CsvCommand, ImportChecksOfTheSettingsFile) {
    struct Case {
        const char *what;
        QString kvrName;
        QStringList lines;
        QString expected; // start of stderr
    };
    const QString csv = m_dir.filePath(QStringLiteral("in.csv"));
    ASSERT_TRUE(writeTextLines(csv, {QStringLiteral("1,a")}));
    const std::vector<Case> cases{
        {"empty separator", QStringLiteral("a.kvr"),
         csvSettings(QStringLiteral("3"), m_alias, {}, QString(), QStringLiteral("FALSE"), m_table,
                     QStringLiteral("x.csv")),
         QStringLiteral("区切り文字指定エラー CIC_350001\n")},
        {"CSVFILENAME not csv", QStringLiteral("b.kvr"),
         csvSettings(QStringLiteral("3"), m_alias, {}, QStringLiteral(","), QStringLiteral("FALSE"),
                     m_table, QStringLiteral("x.txt")),
         QStringLiteral("ファイル拡張子がCSVではありませんでした。ファイルの読み出しエラー "
                        "CIC_350003\n")},
        {"settings not kvr", QStringLiteral("c.txt"),
         csvSettings(QStringLiteral("3"), m_alias, {}, QStringLiteral(","), QStringLiteral("FALSE"),
                     m_table, QStringLiteral("x.csv")),
         QStringLiteral("ファイルが存在しません。ファイルの読み出しエラー CIC_350002\n")},
        {"no such table", QStringLiteral("d.kvr"),
         csvSettings(QStringLiteral("3"), m_alias, {}, QStringLiteral(","), QStringLiteral("FALSE"),
                     QStringLiteral("no_such_table_x"), QStringLiteral("x.csv")),
         QStringLiteral("CSVファイルインポートエラー CIC_350004 ")},
    };
    for (const Case &c : cases) {
        const QString kvr = settingsFile(c.kvrName, c.lines);
        const ProcessResult r = batch({QStringLiteral("csv-import"), kvr, QStringLiteral("--user"),
                                       QStringLiteral("kelvoran"), QStringLiteral("--input"), csv});
        EXPECT_EQ(r.exitCode, 1) << c.what;
        EXPECT_TRUE(r.err.startsWith(c.expected)) << c.what << ": " << r.err.toStdString();
    }
    EXPECT_TRUE(exportTable(QStringLiteral("SELECT id FROM %1").arg(m_table)).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Aliases, CsvCommand, testing::Values("LITE", "PGTEST", "MYTEST"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             return std::string(p.param);
                         });

TEST(CsvCommandUsage, MissingOutputOrFileIsAUsageError) {
    for (const QStringList &args :
         {QStringList{QStringLiteral("csv-export"), QStringLiteral("x.kvr")},
          QStringList{QStringLiteral("csv-import")},
          QStringList{QStringLiteral("csv-import"), QStringLiteral("x.kvr"),
                      QStringLiteral("--bogus")}}) {
        const ProcessResult r = runProcess(QStringLiteral(KELVORAN_BATCH), args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
    }
}

} // namespace

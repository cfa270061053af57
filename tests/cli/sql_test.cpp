#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran::test;

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs "kelvoran-batch sql" with the alias file and settings file given through the environment.
class BatchSqlTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_database = m_dir.filePath(QStringLiteral("batch.sqlite"));
        writeFile(m_database, QByteArray());
        m_aliasFile = m_dir.filePath(QStringLiteral("aliases.ini"));
        QByteArray aliases = "[LITE]\ndriver=QSQLITE\ndatabase=" + m_database.toUtf8() + "\n";
        if (serversStarted()) {
            QFile server(testAliasFile());
            ASSERT_TRUE(server.open(QIODevice::ReadOnly));
            aliases += "\n" + server.readAll();
        }
        writeFile(m_aliasFile, aliases);
        m_savedAliases = qgetenv("KELVORAN_ALIASES");
        m_savedSettings = qgetenv("KELVORAN_SETTINGS");
        qputenv("KELVORAN_ALIASES", m_aliasFile.toUtf8());
        qputenv("KELVORAN_SETTINGS", m_dir.filePath(QStringLiteral("no-settings.ini")).toUtf8());
    }
    void TearDown() override {
        qputenv("KELVORAN_ALIASES", m_savedAliases);
        qputenv("KELVORAN_SETTINGS", m_savedSettings);
        qunsetenv("KELVORAN_PASSWORD");
    }

    ProcessResult batch(const QStringList &args) {
        return runProcess(QStringLiteral(KELVORAN_BATCH),
                          QStringList{QStringLiteral("sql")} + args);
    }

    // A value read back with Python's sqlite3, a reader this program did not write.
    QString sqliteValue(const QString &sql) {
        const ProcessResult r = runPython(
            QStringLiteral("import sys, sqlite3\nv = "
                           "sqlite3.connect(sys.argv[1]).execute(sys.argv[2]).fetchone()[0]\n"
                           "sys.stdout.write(repr(v))"),
            {m_database, sql});
        return r.out;
    }

    QTemporaryDir m_dir;
    QString m_database;
    QString m_aliasFile;
    QByteArray m_savedAliases;
    QByteArray m_savedSettings;
};

TEST_F(BatchSqlTest, SecondOfThreeFailsPrintsSummaryAndTheFailedStatement) {
    const ProcessResult r = batch({QStringLiteral("--alias"), QStringLiteral("LITE"),
                                   testPath(QStringLiteral("data/scripts/second_fails.sql"))});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n');
    ASSERT_GE(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("SQLを「3」個実行しエラーSQLは「1」個でした。"));
    EXPECT_EQ(lines[1], QStringLiteral("--- 1"));
    EXPECT_EQ(lines[2], QStringLiteral("INSERT INTO no_such_table VALUES (1)"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Message     :no such table")))
        << lines[3].toStdString();
    EXPECT_EQ(sqliteValue(QStringLiteral("SELECT note FROM script_probe")),
              QStringLiteral("'one'"));
}

TEST_F(BatchSqlTest, StoredEnKeyChoosesTheSeparator) {
    const QString script = m_dir.filePath(QStringLiteral("enkey.sql"));
    writeFile(script,
              "CREATE TABLE t (k integer, v text);\r\nINSERT INTO t VALUES (1, 'a\r\nb');\r\n");
    ProcessResult r = batch({QStringLiteral("--alias"), QStringLiteral("LITE"), script});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("SQLを「2」個実行しエラーSQLはありませんでした。\n"));
    EXPECT_EQ(sqliteValue(QStringLiteral("SELECT v FROM t WHERE k = 1")),
              QStringLiteral("'a\\nb'"));

    const QString settings = m_dir.filePath(QStringLiteral("settings.ini"));
    writeFile(settings, "[General]\nEnKey=1\nDataCount_Flg=0\n");
    qputenv("KELVORAN_SETTINGS", settings.toUtf8());
    writeFile(script, "INSERT INTO t VALUES (2, 'a\r\nb');\r\n");
    r = batch({QStringLiteral("--alias"), QStringLiteral("LITE"), script});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(sqliteValue(QStringLiteral("SELECT v FROM t WHERE k = 2")),
              QStringLiteral("'a\\rb'"));
}

TEST_F(BatchSqlTest, UsageErrorsAndHelp) {
    EXPECT_EQ(batch({QStringLiteral("--help")}).exitCode, 0);
    EXPECT_EQ(batch({testPath(QStringLiteral("data/scripts/second_fails.sql"))}).exitCode, 2);
    EXPECT_EQ(batch({QStringLiteral("--alias"), QStringLiteral("LITE")}).exitCode, 2);
    const ProcessResult unknown =
        batch({QStringLiteral("--alias"), QStringLiteral("NOPE"), QStringLiteral("x.sql")});
    EXPECT_EQ(unknown.exitCode, 1);
    const ProcessResult missing = batch({QStringLiteral("--alias"), QStringLiteral("LITE"),
                                         m_dir.filePath(QStringLiteral("missing.sql"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.isEmpty());
}

TEST_F(BatchSqlTest, PostgresScriptAndRefusedLogin) {
    if (!serversStarted())
        GTEST_SKIP() << "test servers not started";
    qputenv("KELVORAN_PASSWORD", qgetenv("KELVORAN_TEST_PASSWORD"));
    const QString script = m_dir.filePath(QStringLiteral("pg.sql"));
    writeFile(script, "DROP TABLE IF EXISTS batch_probe;\r\nCREATE TABLE batch_probe (a int);\r\n"
                      "INSERT INTO batch_probe VALUES ('x');\r\nDROP TABLE batch_probe;\r\n");
    const ProcessResult r = batch({QStringLiteral("--alias"), QStringLiteral("PGTEST"), script});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.startsWith(QStringLiteral("SQLを「4」個実行しエラーSQLは「1」個でした。\n--- 1\n"
                                        "INSERT INTO batch_probe VALUES ('x')\nMessage     :")))
        << r.out.toStdString();

    qputenv("KELVORAN_PASSWORD", "wrong");
    const ProcessResult refused =
        batch({QStringLiteral("--alias"), QStringLiteral("PGTEST"), script});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("Category    :33\n")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.out.isEmpty());
}

} // namespace

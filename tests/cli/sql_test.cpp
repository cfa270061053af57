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
        // The Oracle-dictionary fixture is copied: scripts change it.
        m_oracleCopy = m_dir.filePath(QStringLiteral("oracle.sqlite"));
        ASSERT_TRUE(QFile::copy(oracleFixturePath(), m_oracleCopy));
        aliases += "\n[ORACOPY]\ndriver=QSQLITE\ndrivername=ORACLE (fixture copy)\ndatabase=" +
                   m_oracleCopy.toUtf8() + "\n";
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
    QString sqliteValue(const QString &sql, const QString &database = QString()) {
        const ProcessResult r = runPython(
            QStringLiteral("import sys, sqlite3\nv = "
                           "sqlite3.connect(sys.argv[1]).execute(sys.argv[2]).fetchone()[0]\n"
                           "sys.stdout.write(repr(v))"),
            {database.isEmpty() ? m_database : database, sql});
        return r.out;
    }

    QTemporaryDir m_dir;
    QString m_database;
    QString m_oracleCopy;
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

// Scripts with the quoting and block forms of their alias's kind, run by the batch command and
// read back with a client this program did not write (Python's sqlite3, psql, mariadb).
struct BatchScriptCase {
    const char *name;
    const char *alias;
    const char *script; // under tests/data/scripts
    int statements;
    const char *query; // one value: the rows joined as "id=note,..."
    QString expected;
};

void PrintTo(const BatchScriptCase &c, std::ostream *os) {
    *os << c.name;
}

class BatchScriptFormsTest : public BatchSqlTest,
                             public testing::WithParamInterface<BatchScriptCase> {
protected:
    QString readBack(const BatchScriptCase &c) {
        const QString alias = QLatin1String(c.alias);
        const QString query = QLatin1String(c.query);
        const QString password = qEnvironmentVariable("KELVORAN_TEST_PASSWORD");
        if (alias == u"LITE")
            return sqliteValue(query);
        if (alias == u"ORACOPY")
            return sqliteValue(query, m_oracleCopy);
        if (alias == u"PGTEST")
            return runProcess(QStringLiteral("psql"),
                              {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"),
                               QStringLiteral("postgresql://kelvoran:%1@127.0.0.1:%2/kelvoran")
                                   .arg(password, qEnvironmentVariable("KELVORAN_TEST_PG_PORT")),
                               QStringLiteral("-c"), query})
                .out.trimmed();
        return runProcess(QStringLiteral("mariadb"),
                          {QStringLiteral("--no-defaults"), QStringLiteral("-h"),
                           QStringLiteral("127.0.0.1"), QStringLiteral("-P"),
                           qEnvironmentVariable("KELVORAN_TEST_MY_PORT"), QStringLiteral("-u"),
                           QStringLiteral("kelvoran"), QStringLiteral("-p") + password,
                           QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("-r"),
                           QStringLiteral("kelvoran"), QStringLiteral("-e"), query})
            .out.trimmed();
    }
};

TEST_P(BatchScriptFormsTest, RunsEveryStatementWhole) {
    const BatchScriptCase &c = GetParam();
    const bool onServer =
        QLatin1String(c.alias) == u"PGTEST" || QLatin1String(c.alias) == u"MYTEST";
    if (onServer && !serversStarted())
        GTEST_SKIP() << "test servers not started";
    qputenv("KELVORAN_PASSWORD", qgetenv("KELVORAN_TEST_PASSWORD"));
    // The server objects get names of their own, so the script runner's tests that run the
    // same scripts on the same servers can run at the same time.
    QFile source(testPath(QStringLiteral("data/scripts/") + QLatin1String(c.script)));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString script = m_dir.filePath(QLatin1String(c.script));
    writeFile(script, source.readAll().replace("script", "batch"));
    const ProcessResult r = batch({QStringLiteral("--alias"), QLatin1String(c.alias), script});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(
        r.out,
        QStringLiteral("SQLを「%1」個実行しエラーSQLはありませんでした。\n").arg(c.statements));
    EXPECT_EQ(readBack(c), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, BatchScriptFormsTest,
    testing::Values(
        BatchScriptCase{
            "QuotesOnSqlite", "LITE", "quoting.sql", 7,
            "SELECT group_concat(id || '=' || note, ',') FROM "
            "(SELECT * FROM quoted ORDER BY id)",
            QStringLiteral(
                "\"1=a;b,2=it's -- not a comment,3=/* kept */ and ;,4=one\\n\\n  three\"")},
        BatchScriptCase{"OracleBlocksOnTheDictionaryFixture", "ORACOPY", "oracle_blocks.sql", 5,
                        "SELECT group_concat(id || '=' || note, ',') FROM "
                        "(SELECT * FROM audit_trail ORDER BY id)",
                        QStringLiteral("\"1=before;it's; fine,2=before;two,10=after,20=after\"")},
        BatchScriptCase{"DollarQuotedBodiesOnPostgres", "PGTEST", "postgres_bodies.sql", 6,
                        "SELECT string_agg(id || '=' || note, ',' ORDER BY id) FROM batch_notes",
                        QStringLiteral("1=semi;colon,2=it's; escaped,3=7;8")},
        BatchScriptCase{"DelimiterLinesOnMariaDb", "MYTEST", "mysql_delimiter.sql", 11,
                        "SELECT GROUP_CONCAT(CONCAT(id, '=', note) ORDER BY id SEPARATOR ',') "
                        "FROM `batch;notes`",
                        QStringLiteral("1=filled; by loop,2=filled; by loop,3=it's; \"escaped\" "
                                       "\\,4=double \"quoted\"; text,5=SHOUT;")}),
    [](const testing::TestParamInfo<BatchScriptCase> &p) { return std::string(p.param.name); });

} // namespace

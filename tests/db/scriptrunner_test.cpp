#include "db/scriptrunner.h"

#include "db/sqlrunner.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvoran;

namespace {

class TestLogin : public LoginPrompt {
public:
    std::optional<Credentials> askLogin(const QString &, const QString &) override {
        return Credentials{QStringLiteral("kelvoran"),
                           qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
    }
};

AliasInfo sqliteAlias(const QString &name, const QString &path, const QString &driverName) {
    AliasInfo alias;
    alias.name = name;
    alias.driver = QStringLiteral("QSQLITE");
    alias.driverName = driverName;
    alias.database = path;
    return alias;
}

// LITE, an empty SQLite file; ORACOPY, a copy of the Oracle-dictionary fixture under an ORACLE
// driver name (scripts change it, so the shared fixture is left alone); with the test servers,
// PGTEST and MYTEST.
std::vector<AliasInfo> scriptAliases(const QTemporaryDir &dir) {
    std::vector<AliasInfo> aliases{
        sqliteAlias(QStringLiteral("LITE"), dir.filePath(QStringLiteral("script.sqlite")),
                    QStringLiteral("SQLITE")),
        sqliteAlias(QStringLiteral("ORACOPY"), dir.filePath(QStringLiteral("oracle.sqlite")),
                    QStringLiteral("ORACLE (fixture copy)"))};
    if (!QFile(aliases[0].database).open(QIODevice::WriteOnly))
        ADD_FAILURE() << "cannot create " << aliases[0].database.toStdString();
    if (!QFile::copy(test::oracleFixturePath(), aliases[1].database))
        ADD_FAILURE() << "cannot copy the Oracle-dictionary fixture";
    if (test::serversStarted()) {
        const auto file = AliasList::readAliasFile(test::testAliasFile());
        if (file) {
            for (const AliasInfo &a : *file)
                if (a.name == u"PGTEST" || a.name == u"MYTEST")
                    aliases.push_back(a);
        }
    }
    return aliases;
}

// The same script on a SQLite file and, with the test servers, on PostgreSQL and MariaDB.
TEST(ScriptRunner, SecondOfThreeFailsOnEveryKind) {
    QTemporaryDir dir;
    std::vector<AliasInfo> aliases;
    for (const AliasInfo &a : scriptAliases(dir))
        if (a.name != u"ORACOPY")
            aliases.push_back(a);
    TestLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList(aliases), &login);
    SqlRunner runner(session);
    ScriptRunner scripts(session, runner);

    for (const AliasInfo &alias : aliases) {
        SCOPED_TRACE(alias.name.toStdString());
        runner.execute(alias.name, QStringLiteral("DROP TABLE script_probe"));
        const auto result = scripts.runFile(
            alias.name, test::testPath(QStringLiteral("data/scripts/second_fails.sql")));
        ASSERT_TRUE(result.isOk()) << result.error().message.toStdString();
        EXPECT_EQ(result->summaryMessage(),
                  QStringLiteral("SQLを「3」個実行しエラーSQLは「1」個でした。"));
        EXPECT_EQ(result->successCount, 2);
        EXPECT_EQ(result->statements[0].statement.displayText,
                  QStringLiteral(
                      "CREATE TABLE script_probe (\r\n  id integer,\r\n  note varchar(20)\r\n)"));
        const auto rows = result->errorRows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].number, 1);
        EXPECT_EQ(rows[0].displayText, QStringLiteral("INSERT INTO no_such_table VALUES (1)"));
        EXPECT_TRUE(rows[0].errorEntry.startsWith(QStringLiteral("Message     :")));
        EXPECT_TRUE(rows[0].errorEntry.contains(QStringLiteral("no_such_table")))
            << rows[0].errorEntry.toStdString();

        // The statement after the failure ran and stays committed.
        auto db = session.connection(alias.name);
        QSqlQuery q(*db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT note FROM script_probe")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("one"));
        q.finish();
        runner.execute(alias.name, QStringLiteral("DROP TABLE script_probe"));
    }
}

TEST(ScriptRunner, NoErrorSummaryAndEmptyScript) {
    ScriptRunResult none;
    EXPECT_EQ(none.summaryMessage(),
              QStringLiteral("SQLを「0」個実行しエラーSQLはありませんでした。"));
    EXPECT_TRUE(none.errorRows().empty());
}

// A script that uses the quoting and block forms of its alias's kind runs every statement
// whole: the rows it leaves behind show that no statement was cut at an inner ";" and that
// ":name" text reached the server unchanged.
struct ScriptFormsCase {
    const char *name;
    const char *alias;
    const char *script; // under tests/data/scripts
    QStringList setUp;  // run first, failures ignored
    int statements;
    std::vector<std::pair<QString, QStringList>> checks; // query, rows as "a|b"
};

void PrintTo(const ScriptFormsCase &c, std::ostream *os) {
    *os << c.name;
}

class ScriptFormsTest : public testing::TestWithParam<ScriptFormsCase> {};

QStringList rowsOf(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        return {QStringLiteral("error: ") + q.lastError().text()};
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << q.value(i).toString();
        rows << values.join(u'|');
    }
    return rows;
}

TEST_P(ScriptFormsTest, RunsEveryStatementWhole) {
    const ScriptFormsCase &c = GetParam();
    QTemporaryDir dir;
    const std::vector<AliasInfo> aliases = scriptAliases(dir);
    if (std::none_of(aliases.begin(), aliases.end(),
                     [&](const AliasInfo &a) { return a.name == QLatin1String(c.alias); }))
        GTEST_SKIP() << "test servers not started";
    TestLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList(aliases), &login);
    SqlRunner runner(session);
    ScriptRunner scripts(session, runner);
    const QString alias = QLatin1String(c.alias);
    for (const QString &statement : c.setUp)
        runner.execute(alias, statement);

    const auto result = scripts.runFile(
        alias, test::testPath(QStringLiteral("data/scripts/") + QLatin1String(c.script)));
    ASSERT_TRUE(result.isOk()) << result.error().message.toStdString();
    for (const ScriptErrorRow &row : result->errorRows())
        ADD_FAILURE() << row.displayText.toStdString() << "\n" << row.errorEntry.toStdString();
    EXPECT_EQ(int(result->statements.size()), c.statements);
    EXPECT_EQ(result->summaryMessage(),
              QStringLiteral("SQLを「%1」個実行しエラーSQLはありませんでした。").arg(c.statements));

    const DbResult<QSqlDatabase> db = session.connection(alias);
    ASSERT_TRUE(db.isOk());
    for (const auto &[query, rows] : c.checks)
        EXPECT_EQ(rowsOf(*db, query), rows) << query.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptFormsTest,
    testing::Values(
        ScriptFormsCase{
            "QuotesOnSqlite",
            "LITE",
            "quoting.sql",
            {},
            7,
            {{"SELECT id, note FROM quoted ORDER BY id",
              {"1|a;b", "2|it's -- not a comment", "3|/* kept */ and ;", "4|one\n\n  three"}},
             {"SELECT \"semi;col\" FROM \"odd;name\"", {"5"}}}},
        ScriptFormsCase{
            "QuotesOnPostgres",
            "PGTEST",
            "quoting.sql",
            {"DROP TABLE IF EXISTS quoted", "DROP TABLE IF EXISTS \"odd;name\""},
            7,
            {{"SELECT id, note FROM quoted ORDER BY id",
              {"1|a;b", "2|it's -- not a comment", "3|/* kept */ and ;", "4|one\n\n  three"}},
             {"SELECT \"semi;col\" FROM \"odd;name\"", {"5"}}}},
        ScriptFormsCase{"OracleBlocksOnTheDictionaryFixture",
                        "ORACOPY",
                        "oracle_blocks.sql",
                        {},
                        5,
                        {{"SELECT id, note FROM audited ORDER BY id", {"1|it's; fine", "2|two"}},
                         {"SELECT id, note FROM audit_trail ORDER BY id",
                          {"1|before;it's; fine", "2|before;two", "10|after", "20|after"}}}},
        ScriptFormsCase{"DollarQuotedBodiesOnPostgres",
                        "PGTEST",
                        "postgres_bodies.sql",
                        {},
                        6,
                        {{"SELECT id, note FROM script_notes ORDER BY id",
                          {"1|semi;colon", "2|it's; escaped", "3|7;8"}}}},
        ScriptFormsCase{"DelimiterLinesAndOracleModeTriggerOnMariaDb",
                        "MYTEST",
                        "mysql_delimiter.sql",
                        {},
                        11,
                        {{"SELECT id, note FROM `script;notes` ORDER BY id",
                          {"1|filled; by loop", "2|filled; by loop", "3|it's; \"escaped\" \\",
                           "4|double \"quoted\"; text", "5|SHOUT;"}}}}),
    [](const testing::TestParamInfo<ScriptFormsCase> &p) { return std::string(p.param.name); });

// Progress is told before each statement is sent, so a window can show which one is running:
// at each report the rows of the earlier statements are in the table, and none of this one's.
TEST(ScriptRunner, ProgressIsToldBeforeEachStatement) {
    QTemporaryDir dir;
    TestLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList(scriptAliases(dir)), &login);
    SqlRunner runner(session);
    ScriptRunner scripts(session, runner);
    const DbResult<QSqlDatabase> db = session.connection(QStringLiteral("LITE"));
    ASSERT_TRUE(db.isOk());
    QStringList reports;
    scripts.setProgress([&](int current, int total) {
        const QStringList rows = rowsOf(*db, QStringLiteral("SELECT count(*) FROM counted"));
        reports << QStringLiteral("%1/%2 rows %3").arg(current).arg(total).arg(rows.join(u','));
    });
    scripts.run(QStringLiteral("LITE"),
                {"CREATE TABLE counted (n integer);", "INSERT INTO counted VALUES (1);",
                 "INSERT INTO counted VALUES (2); trailing"});
    ASSERT_EQ(reports.size(), 3);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("1/3 rows error: ")))
        << reports[0].toStdString();
    EXPECT_EQ(reports[1], QStringLiteral("2/3 rows 0"));
    EXPECT_EQ(reports[2], QStringLiteral("3/3 rows 1"));

    reports.clear();
    scripts.run(QStringLiteral("LITE"), {"-- nothing to run", "SELECT 1"});
    EXPECT_TRUE(reports.isEmpty()) << reports.join(u';').toStdString();
}

// A statement that could not be split is listed with its reason and never reaches the server.
TEST(ScriptRunner, UnclosedQuoteIsListedNotSent) {
    QTemporaryDir dir;
    TestLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList(scriptAliases(dir)), &login);
    SqlRunner runner(session);
    ScriptRunner scripts(session, runner);
    const ScriptRunResult result =
        scripts.run(QStringLiteral("LITE"),
                    {"CREATE TABLE kept (note text);", "INSERT INTO kept VALUES ('a;b');",
                     "INSERT INTO kept VALUES ('open);", "INSERT INTO kept VALUES ('c');"});
    EXPECT_EQ(result.summaryMessage(),
              QStringLiteral("SQLを「3」個実行しエラーSQLは「1」個でした。"));
    const auto rows = result.errorRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].displayText,
              QStringLiteral("INSERT INTO kept VALUES ('open);\r\nINSERT INTO kept VALUES ('c');"));
    EXPECT_EQ(rows[0].errorEntry,
              QStringLiteral("Message     :' で始まる引用が閉じられないままファイルが終わりました。"
                             "この文は実行していません。"));
    const DbResult<QSqlDatabase> db = session.connection(QStringLiteral("LITE"));
    ASSERT_TRUE(db.isOk());
    EXPECT_EQ(rowsOf(*db, QStringLiteral("SELECT note FROM kept")), QStringList{"a;b"});
}

} // namespace

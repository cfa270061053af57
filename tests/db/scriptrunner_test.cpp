#include "db/scriptrunner.h"

#include "db/sqlrunner.h"
#include "tests/support/testsupport.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

class TestLogin : public LoginPrompt {
public:
    std::optional<Credentials> askLogin(const QString &, const QString &) override {
        return Credentials{QStringLiteral("kelvoran"),
                           qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
    }
};

// The same script on a SQLite file and, with the test servers, on PostgreSQL and MariaDB.
TEST(ScriptRunner, SecondOfThreeFailsOnEveryKind) {
    QTemporaryDir dir;
    AliasInfo lite;
    lite.name = QStringLiteral("LITE");
    lite.driver = QStringLiteral("QSQLITE");
    lite.driverName = QStringLiteral("SQLITE");
    lite.database = dir.filePath(QStringLiteral("script.sqlite"));
    {
        QSqlDatabase create =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("script_create"));
        create.setDatabaseName(lite.database);
        ASSERT_TRUE(create.open());
        create.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("script_create"));
    std::vector<AliasInfo> aliases{lite};
    if (test::serversStarted()) {
        const auto file = AliasList::readAliasFile(test::testAliasFile());
        ASSERT_TRUE(file.isOk());
        for (const AliasInfo &a : *file)
            if (a.name == u"PGTEST" || a.name == u"MYTEST")
                aliases.push_back(a);
    }
    TestLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList(aliases), &login);
    SqlRunner runner(session);
    ScriptRunner scripts(runner);

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

} // namespace

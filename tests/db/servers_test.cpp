// Against the loopback PostgreSQL and MariaDB servers that ./test.sh starts, through the
// aliases PGTEST and MYTEST of its alias file (login required, user "kelvoran").
#include "db/dbsession.h"
#include "tests/db/qstringprinter.h"
#include "tests/support/testsupport.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

class FixedPrompt : public LoginPrompt {
public:
    FixedPrompt(QString user, QString password)
        : m_user(std::move(user)), m_password(std::move(password)) {}
    std::optional<Credentials> askLogin(const QString &, const QString &storedUser) override {
        lastStoredUser = storedUser;
        return Credentials{m_user, m_password};
    }
    QString lastStoredUser;

private:
    QString m_user;
    QString m_password;
};

struct ServerCase {
    const char *alias;
    DbKind kind;
    qint64 missingTableNative; // the server's code for "no such table"
    qint64 badLoginNative;     // and for a refused password (libpq gives no code at login)
    const char *badLoginText;  // part of the server's message for it
};

void PrintTo(const ServerCase &c, std::ostream *out) {
    *out << c.alias;
}

class ServerTest : public ::testing::TestWithParam<ServerCase> {
protected:
    void SetUp() override {
        if (!test::serversStarted())
            GTEST_SKIP() << "test servers not started (run ./test.sh)";
        Result<AliasList> loaded = AliasList::load(test::testAliasFile());
        ASSERT_TRUE(loaded.isOk()) << loaded.error().message.toStdString();
        m_aliases = loaded.value();
        m_password = qEnvironmentVariable("KELVORAN_TEST_PASSWORD");
    }
    AliasList m_aliases;
    QString m_password;
};

} // namespace

TEST_P(ServerTest, ConnectListTablesAndReportServerErrors) {
    const ServerCase &c = GetParam();
    const QString alias = QString::fromLatin1(c.alias);
    const std::optional<AliasInfo> info = m_aliases.find(alias);
    ASSERT_TRUE(info.has_value()) << c.alias;
    EXPECT_EQ(info->kind(), c.kind);
    EXPECT_TRUE(info->loginRequired);

    FixedPrompt prompt(QStringLiteral("kelvoran"), m_password);
    DbSession session(QStringLiteral("SessionDB"), m_aliases, &prompt);
    {
        DbResult<QSqlDatabase> db = session.connection(alias);
        ASSERT_TRUE(db.isOk()) << db.error().texts().join(u'\n').toStdString();
        EXPECT_EQ(prompt.lastStoredUser, info->user);
        QSqlQuery q(*db);
        q.exec(QStringLiteral("DROP TABLE kv_access_probe"));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE kv_access_probe (id INTEGER)")))
            << q.lastError().text().toStdString();
    }
    DbResult<QStringList> tables = session.tableNames(alias);
    ASSERT_TRUE(tables.isOk());
    EXPECT_TRUE(tables->contains(QStringLiteral("kv_access_probe")))
        << tables->join(u' ').toStdString();

    {
        QSqlQuery q(session.connection(alias).value());
        EXPECT_TRUE(q.exec(QStringLiteral("DROP TABLE kv_access_probe")));
        ASSERT_FALSE(q.exec(QStringLiteral("SELECT * FROM kv_no_such_table")));
        const DbError error = DbError::fromQuery(q);
        const DbErrorEntry &e = error.entries()[0];
        EXPECT_EQ(e.nativeError, c.missingTableNative);
        EXPECT_NE(e.nativeError, 0);
        const QStringList lines = DbErrorText(e).split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.size(), 5) << DbErrorText(e).toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("Category    :34"));
        EXPECT_EQ(lines[1], QStringLiteral("ErrorCode   :8705"));
        EXPECT_EQ(lines[2], QStringLiteral("SubCode     :1"));
        EXPECT_EQ(lines[3],
                  QStringLiteral("NativeError :") + QString::number(c.missingTableNative));
        EXPECT_TRUE(lines[4].startsWith(QStringLiteral("Message     :")));
        EXPECT_TRUE(lines[4].contains(QStringLiteral("kv_no_such_table")))
            << lines[4].toStdString();
    }

    // The scheduler's connection with a wrong password: a connection error from the server.
    SchedulerConnection scheduler(m_aliases);
    DbResult<QSqlDatabase> refused =
        scheduler.open(alias, QStringLiteral("kelvoran"), m_password + QStringLiteral("-wrong"));
    ASSERT_FALSE(refused.isOk());
    EXPECT_EQ(refused.error().entries()[0].category, static_cast<int>(DbErrorCategory::Connection));
    EXPECT_EQ(refused.error().entries()[0].nativeError, c.badLoginNative);
    EXPECT_TRUE(refused.error().message().contains(QLatin1String(c.badLoginText)))
        << refused.error().message().toStdString();
    EXPECT_FALSE(scheduler.isOpen());
    ASSERT_TRUE(scheduler.open(alias, QStringLiteral("kelvoran"), m_password).isOk());
    EXPECT_TRUE(scheduler.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Servers, ServerTest,
    ::testing::Values(ServerCase{"PGTEST", DbKind::Postgre, packSqlState(QStringLiteral("42P01")),
                                 0, "password authentication failed"},
                      ServerCase{"MYTEST", DbKind::MySql, 1146, 1045, "Access denied"}),
    [](const ::testing::TestParamInfo<ServerCase> &param) {
        return std::string(param.param.alias);
    });

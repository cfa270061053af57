#include "db/dbsession.h"
#include "tests/db/qstringprinter.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

// Answers the login prompt from a script and records what it was asked.
class ScriptedPrompt : public LoginPrompt {
public:
    std::optional<Credentials> answer;
    int asked = 0;
    QString lastAlias;
    QString lastStoredUser;

    std::optional<Credentials> askLogin(const QString &aliasName,
                                        const QString &storedUser) override {
        ++asked;
        lastAlias = aliasName;
        lastStoredUser = storedUser;
        return answer;
    }
};

AliasInfo sqliteAlias(const QString &name, const QString &file, bool login = false) {
    AliasInfo a;
    a.name = name;
    a.driver = QStringLiteral("QSQLITE");
    a.driverName = QStringLiteral("SQLITE");
    a.database = file;
    a.user = QStringLiteral("stored_user");
    a.loginRequired = login;
    return a;
}

// Creates a SQLite file with one table.
void createDatabase(const QString &file, const QString &table) {
    const QString name = QStringLiteral("setup:") + file;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE %1 (ID INTEGER, NAME TEXT)").arg(table)));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE VIEW V_%1 AS SELECT * FROM %1").arg(table)));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A TEMP table lives only as long as the SQLite connection that made it: whether it is still
// there tells a reused connection from a reopened one.
bool markConnection(const QSqlDatabase &db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("CREATE TEMP TABLE connection_mark (x INTEGER)"));
}
bool hasMark(const QSqlDatabase &db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM connection_mark"));
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_fileA = m_dir.filePath(QStringLiteral("a.sqlite"));
        m_fileB = m_dir.filePath(QStringLiteral("b.sqlite"));
        createDatabase(m_fileA, QStringLiteral("CUSTOMERS"));
        createDatabase(m_fileB, QStringLiteral("ORDERS"));
        m_aliases = AliasList(
            {sqliteAlias(QStringLiteral("A"), m_fileA), sqliteAlias(QStringLiteral("B"), m_fileB),
             sqliteAlias(QStringLiteral("LOGIN"), m_fileA, true),
             sqliteAlias(QStringLiteral("GONE"), m_dir.filePath(QStringLiteral("gone.sqlite")))});
    }

    QTemporaryDir m_dir;
    QString m_fileA;
    QString m_fileB;
    AliasList m_aliases;
};

} // namespace

TEST_F(SessionTest, SchedulerConnectionIsReusedOnlyForTheSameTriple) {
    SchedulerConnection scheduler(m_aliases);
    int closes = 0;
    scheduler.setBeforeClose([&closes] { ++closes; });
    const QString u = QStringLiteral("kelvoran");
    const QString p = QStringLiteral("pw1");

    {
        DbResult<QSqlDatabase> first = scheduler.open(QStringLiteral("A"), u, p);
        ASSERT_TRUE(first.isOk()) << first.error().message().toStdString();
        ASSERT_TRUE(markConnection(*first));
        EXPECT_EQ(SchedulerConnection::localName(), QStringLiteral("Default"));

        // Same alias, user and password: the same connection.
        DbResult<QSqlDatabase> same = scheduler.open(QStringLiteral("A"), u, p);
        ASSERT_TRUE(same.isOk());
        EXPECT_TRUE(hasMark(*same));
        EXPECT_EQ(closes, 0);
    }

    struct Step {
        const char *what;
        const char *alias;
        const char *user;
        const char *password;
        bool force;
    };
    const Step reopens[] = {
        {"other password", "A", "kelvoran", "pw2", false},
        {"other user", "A", "scott", "pw2", false},
        {"forced reconnect", "A", "scott", "pw2", true},
        {"other alias", "B", "scott", "pw2", false},
    };
    for (const Step &s : reopens) {
        QSqlDatabase db = scheduler
                              .open(QString::fromLatin1(s.alias), QString::fromLatin1(s.user),
                                    QString::fromLatin1(s.password), s.force)
                              .valueOrThrow();
        EXPECT_FALSE(hasMark(db)) << s.what << ": the old connection was kept";
        ASSERT_TRUE(markConnection(db)) << s.what;
        db = QSqlDatabase();
        EXPECT_EQ(scheduler.alias(), QString::fromLatin1(s.alias));
        EXPECT_EQ(scheduler.user(), QString::fromLatin1(s.user));
    }
    EXPECT_EQ(closes, 4);
    {
        DbResult<QSqlDatabase> onB =
            scheduler.open(QStringLiteral("B"), QStringLiteral("scott"), QStringLiteral("pw2"));
        ASSERT_TRUE(onB.isOk());
        EXPECT_TRUE(hasMark(*onB));
        EXPECT_TRUE(onB->tables().contains(QStringLiteral("ORDERS")));
    }

    // A failed open leaves it closed rather than on the previous alias.
    DbResult<QSqlDatabase> bad = scheduler.open(QStringLiteral("GONE"), u, p);
    ASSERT_FALSE(bad.isOk());
    EXPECT_EQ(bad.error().entries()[0].subCode, static_cast<int>(DbSubCode::DatabaseMissing));
    EXPECT_FALSE(scheduler.isOpen());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("gone.sqlite"))));
    scheduler.close();
    EXPECT_EQ(closes, 5);
}

TEST_F(SessionTest, ConnectionsAreOpenedOnFirstUseAndKeptPerAlias) {
    DbSession session(QStringLiteral("SessionDB"), m_aliases);
    EXPECT_EQ(session.aliasNames(), (QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                                 QStringLiteral("LOGIN"), QStringLiteral("GONE")}));
    EXPECT_FALSE(session.isConnected(QStringLiteral("A")));
    EXPECT_FALSE(session.findConnection(QStringLiteral("A")).has_value());

    DbResult<QStringList> tables = session.tableNames(QStringLiteral("A"));
    ASSERT_TRUE(tables.isOk());
    EXPECT_TRUE(tables->contains(QStringLiteral("CUSTOMERS")));
    EXPECT_TRUE(tables->contains(QStringLiteral("V_CUSTOMERS")));
    EXPECT_FALSE(tables->contains(QStringLiteral("sqlite_master")));
    EXPECT_TRUE(session.isConnected(QStringLiteral("A")));
    EXPECT_FALSE(session.isConnected(QStringLiteral("B")));
    ASSERT_TRUE(markConnection(*session.findConnection(QStringLiteral("A"))));
    EXPECT_TRUE(hasMark(session.connection(QStringLiteral("A")).value()));

    // Another session never shares the alias's connection, even under the same name.
    DbSession other(QStringLiteral("SessionDB"), m_aliases);
    EXPECT_NE(other.connectionName(QStringLiteral("A")),
              session.connectionName(QStringLiteral("A")));
    EXPECT_FALSE(hasMark(other.connection(QStringLiteral("A")).value()));

    // Closing an alias that was never connected changes nothing.
    session.closeConnection(QStringLiteral("B"));
    session.closeConnection(QStringLiteral("NOT_AN_ALIAS"));
    EXPECT_TRUE(session.isConnected(QStringLiteral("A")));
    EXPECT_FALSE(session.isConnected(QStringLiteral("B")));

    session.closeConnection(QStringLiteral("A"));
    EXPECT_FALSE(session.isConnected(QStringLiteral("A")));
    EXPECT_FALSE(hasMark(session.connection(QStringLiteral("A")).value()));

    DbResult<QSqlDatabase> unknown = session.connection(QStringLiteral("NOT_AN_ALIAS"));
    ASSERT_FALSE(unknown.isOk());
    EXPECT_EQ(unknown.error().entries()[0].subCode, static_cast<int>(DbSubCode::UnknownAlias));
    EXPECT_THROW(session.tableNames(QStringLiteral("GONE")).valueOrThrow(), DbException);
}

TEST_F(SessionTest, LoginPromptAndCancel) {
    ScriptedPrompt prompt;
    DbSession session(QStringLiteral("SessionDB"), m_aliases, &prompt);

    // Cancel: the operation fails with a database error and nothing is connected.
    DbResult<QStringList> cancelled = session.tableNames(QStringLiteral("LOGIN"));
    ASSERT_FALSE(cancelled.isOk());
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_EQ(prompt.lastAlias, QStringLiteral("LOGIN"));
    EXPECT_EQ(prompt.lastStoredUser, QStringLiteral("stored_user"));
    const DbErrorEntry &e = cancelled.error().entries()[0];
    EXPECT_EQ(e.category, static_cast<int>(DbErrorCategory::Connection));
    EXPECT_EQ(e.subCode, static_cast<int>(DbSubCode::LoginCancelled));
    EXPECT_TRUE(cancelled.error().texts()[0].startsWith(QStringLiteral("Category    :33\r\n")));
    EXPECT_FALSE(session.isConnected(QStringLiteral("LOGIN")));

    // An alias without a login never prompts.
    ASSERT_TRUE(session.connection(QStringLiteral("A")).isOk());
    EXPECT_EQ(prompt.asked, 1);

    // Answered: connected, and asked only once while the connection stays open.
    prompt.answer = LoginPrompt::Credentials{QStringLiteral("kelvoran"), QStringLiteral("pw")};
    ASSERT_TRUE(session.tableNames(QStringLiteral("LOGIN")).isOk());
    ASSERT_TRUE(session.connection(QStringLiteral("LOGIN")).isOk());
    EXPECT_EQ(prompt.asked, 2);
    // After a close the next use prompts again.
    session.closeConnection(QStringLiteral("LOGIN"));
    ASSERT_TRUE(session.connection(QStringLiteral("LOGIN")).isOk());
    EXPECT_EQ(prompt.asked, 3);

    // Without a prompt an alias that needs a login fails as if cancelled.
    DbSession headless(QStringLiteral("SessionDB"), m_aliases);
    DbResult<QSqlDatabase> none = headless.connection(QStringLiteral("LOGIN"));
    ASSERT_FALSE(none.isOk());
    EXPECT_EQ(none.error().entries()[0].subCode, static_cast<int>(DbSubCode::LoginCancelled));
}

TEST_F(SessionTest, SqliteStatementErrorCarriesItsNativeCode) {
    DbSession session(QStringLiteral("SessionDB"), m_aliases);
    QSqlQuery q(session.connection(QStringLiteral("A")).value());
    ASSERT_FALSE(q.exec(QStringLiteral("SELECT * FROM NO_SUCH_TABLE")));
    const DbError error = DbError::fromQuery(q);
    const DbErrorEntry &e = error.entries()[0];
    EXPECT_EQ(e.category, static_cast<int>(DbErrorCategory::Statement));
    EXPECT_EQ(e.nativeError, 1); // SQLITE_ERROR
    EXPECT_TRUE(e.message.contains(QStringLiteral("no such table: NO_SUCH_TABLE")))
        << e.message.toStdString();
}

// A session and SQL runner over the Oracle-dictionary fixture (ORAFIX), an alias whose database
// is missing (GONE) and, when the test servers run, PGTEST, MYTEST and PGORA (the PostgreSQL
// server under an ORACLE driver name, to run the Oracle forms of the statements on a server).
// Header only: for the test executables that link the database layer.
#pragma once

#include "db/dbsession.h"
#include "db/sqlrunner.h"
#include "tests/support/testsupport.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

namespace kelvoran::test {

// Answers the login prompt with the test servers' user and password.
class TestLogin : public LoginPrompt {
public:
    std::optional<Credentials> askLogin(const QString &, const QString &) override {
        return Credentials{QStringLiteral("kelvoran"),
                           qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
    }
};

inline AliasInfo sqliteAlias(const QString &name, const QString &path, const QString &driverName) {
    AliasInfo a;
    a.name = name;
    a.driver = QStringLiteral("QSQLITE");
    a.driverName = driverName;
    a.database = path;
    return a;
}

inline AliasList sqlRunnerAliases() {
    std::vector<AliasInfo> all{sqliteAlias(QStringLiteral("ORAFIX"), oracleFixturePath(),
                                           QStringLiteral("ORACLE (fixture)")),
                               sqliteAlias(QStringLiteral("GONE"),
                                           QStringLiteral("/nonexistent/gone.sqlite"),
                                           QStringLiteral("SQLITE"))};
    if (serversStarted()) {
        const auto file = AliasList::readAliasFile(testAliasFile());
        if (file) {
            for (const AliasInfo &a : *file) {
                if (a.name == u"PGTEST" || a.name == u"MYTEST")
                    all.push_back(a);
                if (a.name == u"PGTEST") {
                    AliasInfo ora = a;
                    ora.name = QStringLiteral("PGORA");
                    ora.driverName = QStringLiteral("ORACLE over PostgreSQL");
                    all.push_back(ora);
                }
            }
        }
    }
    return AliasList(all);
}

// Skips the calling test without the loopback servers (GTEST_SKIP returns from the test body).
#define REQUIRE_SERVERS()                                                                          \
    if (!kelvoran::test::serversStarted())                                                         \
    GTEST_SKIP() << "test servers not started"

class SqlRunnerFixture : public testing::Test {
protected:
    SqlRunnerFixture()
        : m_session(QStringLiteral("SessionDB"), sqlRunnerAliases(), &m_login),
          m_runner(m_session) {}

    QueryParts parts(const QString &head, std::vector<QueryItem> items, const QStringList &from,
                     const QStringList &where = {}) {
        QueryParts p;
        p.selectHead = head;
        p.items = std::move(items);
        p.fromLines = from;
        p.whereLines = where;
        return p;
    }

    SqlRunResult runQuery(const QString &alias, const QueryParts &p) {
        SqlRunInput input;
        input.alias = alias;
        input.statementKind = 1;
        input.parts = p;
        return m_runner.run(input);
    }

    SqlRunResult runText(const QString &alias, const QStringList &lines, int kind) {
        SqlRunInput input;
        input.alias = alias;
        input.editorLines = lines;
        input.statementKind = kind;
        return m_runner.run(input);
    }

    QVariant scalar(const QString &alias, const QString &sql) {
        auto db = m_session.connection(alias);
        QSqlQuery q(*db);
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }

    TestLogin m_login;
    DbSession m_session;
    SqlRunner m_runner;
};

} // namespace kelvoran::test

// Two scratch databases on the MariaDB test server for one test, dropped after it: a source the
// test builds a schema in and an empty target it runs the rebuilt texts into.
#pragma once

#include "db/dbsession.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

namespace kelvoran::test {

class MariaDbScratchPair : public ::testing::Test {
protected:
    // The databases are prefix + "_src_" / "_dst_" + the process id; the source is utf8mb4, the
    // target takes targetCharset.
    MariaDbScratchPair(const char *prefix, const char *targetCharset)
        : m_prefix(QString::fromLatin1(prefix)),
          m_targetCharset(QString::fromLatin1(targetCharset)) {}

    void SetUp() override {
        if (!serversStarted())
            GTEST_SKIP() << "test servers not started";
        Result<AliasList> aliases = AliasList::load(testAliasFile());
        ASSERT_TRUE(aliases.isOk()) << aliases.error().message.toStdString();
        m_session = std::make_unique<DbSession>(QStringLiteral("SessionDB"), *aliases, &m_login);
        DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("MYTEST"));
        ASSERT_TRUE(db.isOk()) << db.error().message().toStdString();
        m_db = *db;
        const QString suffix = QString::number(QCoreApplication::applicationPid());
        m_source = m_prefix + QStringLiteral("_src_") + suffix;
        m_target = m_prefix + QStringLiteral("_dst_") + suffix;
        for (const QString &name : {m_source, m_target})
            exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
        exec(QStringLiteral("CREATE DATABASE ") + m_source +
             QStringLiteral(" CHARACTER SET utf8mb4"));
        exec(QStringLiteral("CREATE DATABASE ") + m_target + QStringLiteral(" CHARACTER SET ") +
             m_targetCharset);
    }
    void TearDown() override {
        if (!m_db.isOpen())
            return;
        exec(QStringLiteral("USE kelvoran"));
        exec(QStringLiteral("DROP DATABASE IF EXISTS ") + m_source);
        exec(QStringLiteral("DROP DATABASE IF EXISTS ") + m_target);
    }

    bool exec(const QString &sql) {
        QSqlQuery q(m_db);
        const bool ok = q.exec(sql);
        EXPECT_TRUE(ok) << sql.toStdString() << "\n" << q.lastError().text().toStdString();
        return ok;
    }

    struct TestLogin : LoginPrompt {
        std::optional<Credentials> askLogin(const QString &, const QString &user) override {
            return Credentials{user, qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
        }
    } m_login;
    std::unique_ptr<DbSession> m_session;
    QSqlDatabase m_db;
    QString m_source;
    QString m_target;

private:
    QString m_prefix;
    QString m_targetCharset;
};

} // namespace kelvoran::test

// A test run once per backend: SQLITE (a new file in a temporary folder) and, under ./test.sh,
// PGTEST and MYTEST (the loopback servers; skipped when they are not started), each on a
// connection of its own that is removed after the test.
#pragma once

#include "db/aliases.h"
#include "db/dbsession.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kelvoran::test {

class BackendTest : public testing::TestWithParam<const char *> {
protected:
    // Opens the backend of the test's parameter: sqliteFile names the SQLite database file,
    // connectionPrefix the connection. A caller's SetUp returns when this failed or skipped
    // (HasFatalFailure() or IsSkipped()).
    void openBackend(const char *sqliteFile, const char *connectionPrefix) {
        const QString backend = QString::fromLatin1(GetParam());
        AliasInfo alias;
        if (backend == u"SQLITE") {
            ASSERT_TRUE(m_dir.isValid());
            alias.name = QStringLiteral("LITE");
            alias.driver = QStringLiteral("QSQLITE");
            alias.driverName = QStringLiteral("SQLITE");
            alias.database = m_dir.filePath(QString::fromLatin1(sqliteFile));
            QFile file(alias.database);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        } else {
            if (!serversStarted())
                GTEST_SKIP() << "test servers not started";
            const Result<std::vector<AliasInfo>> aliases =
                AliasList::readAliasFile(testAliasFile());
            ASSERT_TRUE(aliases) << aliases.error().message.toStdString();
            for (const AliasInfo &a : *aliases)
                if (a.name == backend)
                    alias = a;
            ASSERT_EQ(alias.name, backend);
        }
        m_alias = alias;
        static int serial = 0;
        m_connection =
            QStringLiteral("%1-%2").arg(QString::fromLatin1(connectionPrefix)).arg(++serial);
        const DbResult<QSqlDatabase> db =
            openAliasConnection(alias, m_connection, QStringLiteral("kelvoran"),
                                qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
        ASSERT_TRUE(db) << db.error().message().toStdString();
        m_db = *db;
    }

    // Whether openBackend() stopped the test.
    bool stopped() const { return HasFatalFailure() || IsSkipped(); }

    void TearDown() override {
        m_db = QSqlDatabase();
        if (!m_connection.isEmpty())
            QSqlDatabase::removeDatabase(m_connection);
    }

    QTemporaryDir m_dir;
    AliasInfo m_alias;
    QString m_connection;
    QSqlDatabase m_db;
};

} // namespace kelvoran::test

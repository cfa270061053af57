#include "db/resultmodel.h"

#include "tests/support/testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

// A connection to the loopback PostgreSQL server of ./test.sh.
QSqlDatabase openPostgres(const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_PG_PORT"));
    db.setDatabaseName(QStringLiteral("kelvoran"));
    db.setUserName(QStringLiteral("kelvoran"));
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    db.open();
    return db;
}

void drop(const QString &name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

int openCursors(const QSqlDatabase &db) {
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT COUNT(*) FROM pg_cursors"));
    return q.next() ? q.value(0).toInt() : -1;
}

TEST(ResultModelPostgres, LargeResultOpensWithOnlyTheFirstBatch) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase db = openPostgres(QStringLiteral("rm_pg"));
        ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
        ResultModel model;
        ASSERT_TRUE(model.open(
            db,
            QStringLiteral("SELECT g AS n, 'row ' || g AS label, DATE '2024-01-01' + g % 30 AS d "
                           "FROM generate_series(1, 200000) g ORDER BY g"),
            ResultModel::ReadMode::PostgresCursor))
            << model.lastError().text().toStdString();
        EXPECT_EQ(model.rowCount(), ResultModel::DefaultBatchSize);
        EXPECT_EQ(model.columnCount(), 3);
        EXPECT_TRUE(model.canFetchMore());
        EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("label"));
        EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));
        EXPECT_EQ(model.data(model.index(0, 2)).toString(), QStringLiteral("2024/01/02"));
        // The rest waits on the server in the model's cursor.
        EXPECT_EQ(openCursors(db), 1);

        model.fetchMore();
        EXPECT_EQ(model.rowCount(), 2 * ResultModel::DefaultBatchSize);
        EXPECT_EQ(model.data(model.index(1999, 1)).toString(), QStringLiteral("row 2000"));

        ASSERT_TRUE(model.fetchAll());
        EXPECT_EQ(model.rowCount(), 200000);
        EXPECT_FALSE(model.canFetchMore());
        EXPECT_EQ(openCursors(db), 0);
    }
    drop(QStringLiteral("rm_pg"));
}

TEST(ResultModelPostgres, CloseReleasesTheCursorAndFailedOpenStaysClosed) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase db = openPostgres(QStringLiteral("rm_pg2"));
        ResultModel model;
        ASSERT_TRUE(model.open(db, QStringLiteral("SELECT g FROM generate_series(1, 5000) g"),
                               ResultModel::ReadMode::PostgresCursor));
        model.close();
        EXPECT_EQ(openCursors(db), 0);
        EXPECT_EQ(model.rowCount(), 0);

        EXPECT_FALSE(
            model.open(db, QStringLiteral("SELECT no_such_column FROM generate_series(1, 3) g"),
                       ResultModel::ReadMode::PostgresCursor));
        EXPECT_FALSE(model.isOpen());
        EXPECT_TRUE(model.lastError().isValid());
        EXPECT_NE(model.lastError().nativeErrorCode(), QString());
        // The failed transaction was rolled back: the connection works on.
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT 1")));
    }
    drop(QStringLiteral("rm_pg2"));
}

TEST(ResultModelPostgres, EffectsOfAQueryClosedEarlyStayCommitted) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase db = openPostgres(QStringLiteral("rm_pg3"));
        QSqlDatabase other = openPostgres(QStringLiteral("rm_pg3_other"));
        QSqlQuery setup(db);
        ASSERT_TRUE(setup.exec(QStringLiteral("CREATE OR REPLACE FUNCTION kvr_log_row(n integer) "
                                              "RETURNS integer LANGUAGE plpgsql AS $$ "
                                              "BEGIN INSERT INTO audit_log (log_level, message) "
                                              "VALUES (73, n::text); RETURN n; END; $$")))
            << setup.lastError().text().toStdString();
        setup.exec(QStringLiteral("DELETE FROM audit_log WHERE log_level = 73"));
        ResultModel model;
        ASSERT_TRUE(
            model.open(db, QStringLiteral("SELECT kvr_log_row(g) FROM generate_series(1, 5000) g"),
                       ResultModel::ReadMode::PostgresCursor));
        model.close();
        // An autocommitted query would have kept the rows its function wrote; so does the cursor.
        QSqlQuery check(other);
        ASSERT_TRUE(
            check.exec(QStringLiteral("SELECT COUNT(*) FROM audit_log WHERE log_level = 73")));
        ASSERT_TRUE(check.next());
        EXPECT_EQ(check.value(0).toInt(), ResultModel::DefaultBatchSize);
        setup.exec(QStringLiteral("DELETE FROM audit_log WHERE log_level = 73"));
        setup.exec(QStringLiteral("DROP FUNCTION kvr_log_row(integer)"));
    }
    drop(QStringLiteral("rm_pg3"));
    drop(QStringLiteral("rm_pg3_other"));
}

QSqlDatabase openMySql(const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_MY_PORT"));
    db.setDatabaseName(QStringLiteral("kelvoran"));
    db.setUserName(QStringLiteral("kelvoran"));
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    db.open();
    return db;
}

TEST(ResultModelMySql, LargeResultStreamsWhileTheServerIsStillSending) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase reader = openMySql(QStringLiteral("rm_my_reader"));
        QSqlDatabase watcher = openMySql(QStringLiteral("rm_my_watcher"));
        ASSERT_TRUE(reader.isOpen() && watcher.isOpen()) << reader.lastError().text().toStdString();
        ResultModel model;
        ASSERT_TRUE(model.open(
            reader,
            QStringLiteral("SELECT seq AS n, MD5(seq) AS h, CAST(seq / 4 AS DECIMAL(12,2)) AS q, "
                           "DATE '2024-01-01' + INTERVAL seq DAY AS d, "
                           "TIMESTAMP '2024-01-01 08:30:00' + INTERVAL seq MINUTE AS t, "
                           "NULLIF(seq, 1) AS z FROM seq_1_to_500000"),
            ResultModel::ReadMode::MySqlStream))
            << model.lastError().text().toStdString();
        EXPECT_EQ(model.rowCount(), ResultModel::DefaultBatchSize);
        EXPECT_TRUE(model.canFetchMore());
        const auto cell = [&](int r, int c) { return model.data(model.index(r, c)).toString(); };
        EXPECT_EQ(cell(0, 0), QStringLiteral("1"));
        EXPECT_EQ(cell(0, 2), QStringLiteral("0.25"));
        EXPECT_EQ(cell(0, 3), QStringLiteral("2024/01/02"));
        EXPECT_EQ(cell(0, 4), QStringLiteral("2024/01/01 08:31:00"));
        EXPECT_EQ(cell(0, 5), QString());
        EXPECT_EQ(cell(1, 5), QStringLiteral("2"));
        // The statement is still running on the server: the rest has not been read.
        QSqlQuery q(watcher);
        ASSERT_TRUE(
            q.exec(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST "
                                  "WHERE COMMAND = 'Query' AND INFO LIKE '%seq_1_to_500000%' "
                                  "AND ID <> CONNECTION_ID()")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 1);
        model.close();
        QSqlQuery after(reader);
        EXPECT_TRUE(after.exec(QStringLiteral("SELECT 1")))
            << after.lastError().text().toStdString();

        EXPECT_FALSE(model.open(reader, QStringLiteral("SELECT * FROM no_such_table"),
                                ResultModel::ReadMode::MySqlStream));
        EXPECT_EQ(model.lastError().nativeErrorCode(), QStringLiteral("1146"));
    }
    drop(QStringLiteral("rm_my_reader"));
    drop(QStringLiteral("rm_my_watcher"));
}

// The grid shows values exactly: decimals as the server wrote them and fractions of seconds to
// the digit, never rounded up; a pivot or a sum still reads the number.
TEST(ResultModelExactValues, GridShowsDecimalsAndFractionsOfSecondsAsStored) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    struct Case {
        const char *connection;
        QString sql;
        ResultModel::ReadMode mode;
    };
    const std::vector<Case> cases{
        {"rm_exact_pg",
         QStringLiteral(
             "SELECT CAST('12345678901234567890.1234567890' AS NUMERIC(38,10)), "
             "CAST('0.00001' AS NUMERIC), CAST('2022-12-31 23:59:59.9999' AS TIMESTAMP(6)), "
             "CAST('23:59:59.999999' AS TIME(6)), CAST('2024-01-05 10:20:30.5' AS TIMESTAMP)"),
         ResultModel::ReadMode::PostgresCursor},
        {"rm_exact_my",
         QStringLiteral(
             "SELECT CAST('12345678901234567890.1234567890' AS DECIMAL(38,10)), "
             "CAST('0.00001' AS DECIMAL(10,5)), CAST('2022-12-31 23:59:59.9999' AS DATETIME(6)), "
             "CAST('23:59:59.999999' AS TIME(6)), CAST('2024-01-05 10:20:30.5' AS DATETIME(1))"),
         ResultModel::ReadMode::MySqlStream},
    };
    const QStringList expected{"12345678901234567890.1234567890", "0.00001",
                               "2022/12/31 23:59:59.9999", "23:59:59.999999",
                               "2024/01/05 10:20:30.5"};
    for (const Case &c : cases) {
        const QString name = QString::fromLatin1(c.connection);
        {
            QSqlDatabase db = c.mode == ResultModel::ReadMode::PostgresCursor ? openPostgres(name)
                                                                              : openMySql(name);
            ASSERT_TRUE(db.isOpen()) << c.connection;
            ResultModel model;
            ASSERT_TRUE(model.open(db, c.sql, c.mode)) << model.lastError().text().toStdString();
            ASSERT_EQ(model.rowCount(), 1);
            QStringList shown;
            for (int col = 0; col < model.columnCount(); ++col)
                shown << model.data(model.index(0, col)).toString();
            EXPECT_EQ(shown, expected) << c.connection;
            EXPECT_DOUBLE_EQ(model.data(model.index(0, 1), Qt::EditRole).toDouble(), 1e-5)
                << c.connection;
            // The nearest date-time is cut to milliseconds: still 2022.
            EXPECT_EQ(model.data(model.index(0, 2), Qt::EditRole).toDateTime().date().year(), 2022)
                << c.connection;
        }
        drop(name);
    }
}

TEST(ResultModelSqlite, BigTableOpensWithOnlyTheFirstBatch) {
    QTemporaryDir dir;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rm_lite"));
        db.setDatabaseName(dir.filePath(QStringLiteral("big.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE big AS WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL "
            "SELECT n + 1 FROM s WHERE n < 200000) SELECT n, 'x' || n AS t FROM s")));
        ResultModel model;
        model.setBatchSize(500);
        ASSERT_TRUE(model.open(db, QStringLiteral("SELECT n, t, NULL AS z FROM big"),
                               ResultModel::ReadMode::ForwardOnly));
        EXPECT_EQ(model.rowCount(), 500);
        EXPECT_TRUE(model.canFetchMore());
        EXPECT_EQ(model.data(model.index(499, 1)).toString(), QStringLiteral("x500"));
        EXPECT_EQ(model.data(model.index(0, 2)).toString(), QString());
        model.setColumnTitle(1, QStringLiteral("TEXT"));
        EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("TEXT"));
        ASSERT_TRUE(model.fetchAll());
        EXPECT_EQ(model.rowCount(), 200000);
        EXPECT_FALSE(model.open(db, QStringLiteral("SELECT * FROM nothing_here"),
                                ResultModel::ReadMode::ForwardOnly));
        EXPECT_EQ(model.rowCount(), 0);
    }
    drop(QStringLiteral("rm_lite"));
}

} // namespace

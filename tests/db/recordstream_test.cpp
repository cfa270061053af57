// The record stream on a SQLite file and, under ./test.sh, the loopback PostgreSQL and MariaDB
// servers: the report path (next()) and the result grid (ResultModel, batch by batch) read the
// same values, batch boundaries and the end of the rows included.
#include "db/recordstream.h"

#include "tests/db/backendtest.h"

#include "db/aliases.h"
#include "db/dbsession.h"
#include "db/resultmodel.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

using ReadMode = RecordStream::ReadMode;

int g_serial = 0;

// One connection to one backend: SQLITE (a file), PGTEST or MYTEST (the test servers).
class StreamDb : public test::BackendTest {
protected:
    void SetUp() override { openBackend("stream.sqlite", "recordstream-test"); }

    bool isPostgres() const { return m_alias.driver == u"QPSQL"; }
    bool isMySql() const { return m_alias.driver == u"QMYSQL"; }

    // Rows 1..rows of a number, a text, a decimal that is NULL on every third row and a date.
    QString series(int rows) const {
        if (isPostgres())
            return QStringLiteral("SELECT g AS n, 'row ' || g AS label, CASE WHEN g % 3 = 0 "
                                  "THEN NULL ELSE g * 0.5 END AS half, DATE '2024-01-01' + g AS d "
                                  "FROM generate_series(1, %1) g ORDER BY g")
                .arg(rows);
        if (isMySql())
            return QStringLiteral("SELECT seq AS n, CONCAT('row ', seq) AS label, CASE WHEN seq "
                                  "% 3 = 0 THEN NULL ELSE seq * 0.5 END AS half, DATE "
                                  "'2024-01-01' + INTERVAL seq DAY AS d FROM seq_0_to_%1 "
                                  "WHERE seq > 0 ORDER BY seq")
                .arg(rows);
        return QStringLiteral(
                   "WITH RECURSIVE s(n) AS (SELECT 1 WHERE %1 > 0 UNION ALL SELECT n + 1 "
                   "FROM s WHERE n < %1) SELECT n, 'row ' || n AS label, CASE WHEN n "
                   "% 3 = 0 THEN NULL ELSE n * 0.5 END AS half, date('2024-01-01', '+' "
                   "|| n || ' day') AS d FROM s")
            .arg(rows);
    }

    // The mode the SQL tab's grid reads with on this backend.
    ReadMode gridMode() const {
        if (isPostgres())
            return ReadMode::PostgresCursor;
        if (isMySql())
            return ReadMode::MySqlStream;
        return ReadMode::ForwardOnly;
    }

    QVariant scalar(const QString &sql) {
        QSqlQuery q(m_db);
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }
};

TEST_P(StreamDb, ReportPathAndGridReadTheSameValues) {
    // Row counts around the batch sizes: ending inside a batch, exactly at its end, no rows.
    const struct {
        int rows;
        int streamBatch;
        int gridBatch;
    } cases[] = {{23, 5, 4}, {20, 5, 5}, {0, 5, 4}, {3, 2000, 1000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rows);
        const QString sql = series(c.rows);

        RecordStream stream;
        stream.setBatchSize(c.streamBatch);
        ASSERT_TRUE(stream.open(m_db, sql, m_alias.kind())) << stream.error().text().toStdString();
        ASSERT_EQ(stream.fieldCount(), 4);
        EXPECT_EQ(stream.fieldName(1), QStringLiteral("label"));
        std::vector<std::vector<QVariant>> streamed;
        while (stream.next()) {
            std::vector<QVariant> row;
            for (int f = 0; f < stream.fieldCount(); ++f)
                row.push_back(stream.value(f));
            streamed.push_back(row);
        }
        EXPECT_FALSE(stream.error().isValid()) << stream.error().text().toStdString();
        EXPECT_TRUE(stream.atEnd());
        EXPECT_FALSE(stream.next());
        stream.close();

        ResultModel model;
        model.setBatchSize(c.gridBatch);
        ASSERT_TRUE(model.open(m_db, sql, gridMode())) << model.lastError().text().toStdString();
        EXPECT_EQ(model.rowCount(), std::min(c.rows, c.gridBatch));
        EXPECT_EQ(model.canFetchMore(), c.rows >= c.gridBatch);
        while (model.canFetchMore())
            model.fetchMore();
        EXPECT_FALSE(model.lastError().isValid()) << model.lastError().text().toStdString();
        EXPECT_EQ(model.fieldNames(), (QStringList{QStringLiteral("n"), QStringLiteral("label"),
                                                   QStringLiteral("half"), QStringLiteral("d")}));

        ASSERT_EQ(int(streamed.size()), c.rows);
        ASSERT_EQ(model.rowCount(), c.rows);
        for (int r = 0; r < c.rows; ++r) {
            EXPECT_EQ(streamed[size_t(r)][0].toInt(), r + 1);
            EXPECT_EQ(streamed[size_t(r)][1].toString(), QStringLiteral("row %1").arg(r + 1));
            EXPECT_EQ(streamed[size_t(r)][2].isNull(), (r + 1) % 3 == 0);
            for (int f = 0; f < 4; ++f) {
                const QVariant &s = streamed[size_t(r)][size_t(f)];
                const QVariant m = model.value(r, f);
                EXPECT_EQ(s, m) << "row " << r << " field " << f;
                EXPECT_EQ(s.metaType(), m.metaType()) << "row " << r << " field " << f;
            }
        }
        model.close();
    }
}

TEST_P(StreamDb, ReadingToTheEndFreesTheConnection) {
    RecordStream stream;
    stream.setBatchSize(4);
    ASSERT_TRUE(stream.open(m_db, series(10), gridMode())) << stream.error().text().toStdString();
    if (isMySql()) {
        EXPECT_GT(stream.streamingConnectionId(), 0);
    }
    if (isPostgres()) {
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pg_cursors")).toInt(), 1);
    }
    std::vector<std::vector<QVariant>> rows;
    int reads = 0;
    while (!stream.atEnd()) {
        ASSERT_TRUE(stream.readRows(3, rows)) << stream.error().text().toStdString();
        ASSERT_LT(++reads, 10);
    }
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.back()[1].toString(), QStringLiteral("row 10"));
    // At the end, before close(): no cursor, no open transaction, no result still streaming.
    EXPECT_EQ(stream.streamingConnectionId(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT 7")).toInt(), 7);
    if (isPostgres()) {
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pg_cursors")).toInt(), 0);
        EXPECT_EQ(scalar(QStringLiteral("SELECT now() = statement_timestamp()")).toBool(), true);
    }
    EXPECT_TRUE(stream.readRows(3, rows));
    EXPECT_EQ(rows.size(), 10u);
}

TEST_P(StreamDb, FailedOpenLeavesTheConnectionUsable) {
    RecordStream stream;
    EXPECT_FALSE(stream.open(m_db, QStringLiteral("SELECT no_such_column FROM no_such_table"),
                             m_alias.kind()));
    EXPECT_TRUE(stream.error().isValid());
    EXPECT_TRUE(stream.atEnd());
    EXPECT_FALSE(stream.next());
    EXPECT_EQ(scalar(QStringLiteral("SELECT 7")).toInt(), 7);
}

INSTANTIATE_TEST_SUITE_P(Backends, StreamDb, testing::Values("SQLITE", "PGTEST", "MYTEST"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             return std::string(p.param);
                         });

TEST(RecordStreamModes, ChosenByKindAndDriver) {
    QTemporaryDir dir;
    {
        QSqlDatabase lite =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rs_mode_lite"));
        lite.setDatabaseName(dir.filePath(QStringLiteral("m.sqlite")));
        ASSERT_TRUE(lite.open());
        QSqlDatabase pg =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("rs_mode_pg"));
        // Not opened: a QMYSQL connection without a handle cannot stream through the client.
        QSqlDatabase my =
            QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("rs_mode_my"));
        const struct {
            QSqlDatabase db;
            DbKind kind;
            ReadMode mode;
        } cases[] = {{lite, DbKind::Other, ReadMode::ForwardOnly},
                     {lite, DbKind::Postgre, ReadMode::ForwardOnly},
                     {pg, DbKind::Postgre, ReadMode::PostgresCursor},
                     {pg, DbKind::Other, ReadMode::ForwardOnly},
                     {my, DbKind::MySql, ReadMode::ForwardOnly}};
        for (const auto &c : cases) {
            SCOPED_TRACE(c.db.connectionName().toStdString());
            EXPECT_EQ(RecordStream::readModeFor(c.db, c.kind), c.mode);
        }
        RecordStream stream;
        EXPECT_FALSE(stream.open(my, QStringLiteral("SELECT 1"), ReadMode::MySqlStream));
        EXPECT_EQ(stream.error().type(), QSqlError::ConnectionError);
    }
    for (const char *name : {"rs_mode_lite", "rs_mode_pg", "rs_mode_my"})
        QSqlDatabase::removeDatabase(QString::fromLatin1(name));
}

class ServerStream : public testing::Test {
protected:
    QSqlDatabase open(const QString &aliasName) {
        const Result<std::vector<AliasInfo>> aliases =
            AliasList::readAliasFile(test::testAliasFile());
        EXPECT_TRUE(aliases);
        AliasInfo alias;
        for (const AliasInfo &a : aliases ? *aliases : std::vector<AliasInfo>{})
            if (a.name == aliasName)
                alias = a;
        m_connection = QStringLiteral("recordstream-server-%1").arg(++g_serial);
        const DbResult<QSqlDatabase> db =
            openAliasConnection(alias, m_connection, QStringLiteral("kelvoran"),
                                qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
        EXPECT_TRUE(db) << db.error().message().toStdString();
        return db ? *db : QSqlDatabase();
    }
    void TearDown() override {
        if (!m_connection.isEmpty())
            QSqlDatabase::removeDatabase(m_connection);
    }
    QString m_connection;
};

TEST_F(ServerStream, PostgresErrorInALaterBatchEndsTheStream) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase db = open(QStringLiteral("PGTEST"));
        ASSERT_TRUE(db.isOpen());
        RecordStream stream;
        stream.setBatchSize(5);
        // Row 12 divides by zero: the first two batches come, the third FETCH fails.
        ASSERT_TRUE(stream.open(
            db, QStringLiteral("SELECT 10 / (g - 12) AS q FROM generate_series(1, 20) g"),
            DbKind::Postgre))
            << stream.error().text().toStdString();
        int read = 0;
        while (stream.next())
            ++read;
        EXPECT_EQ(read, 10);
        EXPECT_EQ(stream.error().nativeErrorCode(), QStringLiteral("22012"));
        stream.close();
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT 1"))) << q.lastError().text().toStdString();
    }
}

TEST_F(ServerStream, MySqlStatementWithoutRowsIsAnEmptyStream) {
    if (!test::serversStarted())
        GTEST_SKIP() << "test servers not started";
    {
        QSqlDatabase db = open(QStringLiteral("MYTEST"));
        ASSERT_TRUE(db.isOpen());
        RecordStream stream;
        ASSERT_TRUE(stream.open(db, QStringLiteral("DO 1"), DbKind::MySql))
            << stream.error().text().toStdString();
        EXPECT_FALSE(stream.next());
        EXPECT_FALSE(stream.error().isValid());
        EXPECT_EQ(stream.fieldCount(), 0);
    }
}

} // namespace

namespace {
QStringList g_warnings;
void keepWarning(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtWarningMsg)
        g_warnings << message;
}
} // namespace

// A closed stream lets its connection go: removing it warns of no query still using it.
TEST(RecordStreamClose, ReleasesTheConnection) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = QStringLiteral("recordstream-close");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dir.filePath(QStringLiteral("close.sqlite")));
        ASSERT_TRUE(db.open());
        RecordStream stream;
        ASSERT_TRUE(stream.open(db, QStringLiteral("SELECT 1"), ReadMode::ForwardOnly));
        ASSERT_TRUE(stream.next());
        stream.close();
        db.close();
        g_warnings.clear();
        QtMessageHandler previous = qInstallMessageHandler(keepWarning);
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        qInstallMessageHandler(previous);
    }
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join(u'\n').toStdString();
}

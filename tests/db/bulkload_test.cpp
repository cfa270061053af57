// Bulk loading on a SQLite file (INSERTs) and, under ./test.sh, the loopback PostgreSQL (COPY)
// and MariaDB (LOAD DATA LOCAL) servers: values come back as they went in, and a failing range
// says which record failed and what stayed stored.
#include "db/bulkload.h"

#include "tests/db/backendtest.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

int g_serial = 0;

// One connection to one backend (SQLITE, PGTEST, MYTEST) and a table (id NOT NULL, t) of a
// unique name, dropped at the end.
class BulkDb : public test::BackendTest {
protected:
    void SetUp() override {
        openBackend("bulk.sqlite", "bulkload-test");
        if (stopped())
            return;
        m_bulkPath = m_alias.driver != u"QSQLITE";
        m_table =
            QStringLiteral("bulk_%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_serial);
        QSqlQuery q(m_db);
        ASSERT_TRUE(q.exec(
            QStringLiteral("CREATE TABLE %1 (id INTEGER NOT NULL, t VARCHAR(40))").arg(m_table)))
            << q.lastError().text().toStdString();
        for (const QString &name : {QStringLiteral("id"), QStringLiteral("t")})
            m_columns << m_db.driver()->escapeIdentifier(name, QSqlDriver::FieldName);
    }

    void TearDown() override {
        if (m_db.isOpen() && !m_table.isEmpty())
            QSqlQuery(m_db).exec(QStringLiteral("DROP TABLE ") + m_table);
        BackendTest::TearDown();
    }

    // Records of (id, t); a missing value is NULL.
    static BulkRecords
    records(const std::vector<std::pair<std::optional<int>, std::optional<QString>>> &rows) {
        BulkRecords out;
        qint64 line = 0;
        for (const auto &[id, text] : rows) {
            out.beginRecord(++line);
            if (id)
                out.addText(QString::number(*id));
            else
                out.addNull();
            if (text)
                out.addText(*text);
            else
                out.addNull();
            out.endRecord();
        }
        return out;
    }

    // The table's rows by id, each as "id|t" with t as "<NULL>" for NULL.
    QStringList stored() {
        QStringList out;
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT id, t FROM %1 ORDER BY id").arg(m_table)));
        while (q.next())
            out << q.value(0).toString() + u'|' +
                       (q.value(1).isNull() ? QStringLiteral("<NULL>") : q.value(1).toString());
        return out;
    }

    QString m_table;
    QStringList m_columns;
    bool m_bulkPath = false; // COPY or LOAD DATA: a range is stored all or nothing
};

TEST_P(BulkDb, ValuesComeBackAsTheyWentIn) {
    const BulkRecords in = records({{1, QStringLiteral("plain")},
                                    {2, QStringLiteral("tab\tand\\back")},
                                    {3, std::nullopt},
                                    {4, QStringLiteral("line\nbreak\rreturn")},
                                    {5, QStringLiteral("日本語 ü")},
                                    {6, QStringLiteral("")}});
    ASSERT_EQ(in.size(), 6u);
    EXPECT_EQ(in.line(4), 5);
    const std::unique_ptr<BulkLoader> loader = BulkLoader::open(m_db, m_table, m_columns);
    const BulkStoreResult r = loader->store(in, 0, in.size());
    EXPECT_FALSE(r.failed) << r.message.toStdString();
    EXPECT_EQ(r.stored, 6u);
    EXPECT_EQ(stored(),
              (QStringList{QStringLiteral("1|plain"), QStringLiteral("2|tab\tand\\back"),
                           QStringLiteral("3|<NULL>"), QStringLiteral("4|line\nbreak\rreturn"),
                           QStringLiteral("5|日本語 ü"), QStringLiteral("6|")}));
}

TEST_P(BulkDb, FailingRecordIsNamedAndTheRangeIsAllOrNothingOnBulkPaths) {
    const BulkRecords in = records({{1, QStringLiteral("a")},
                                    {2, QStringLiteral("b")},
                                    {std::nullopt, QStringLiteral("no id")},
                                    {4, QStringLiteral("d")},
                                    {5, QStringLiteral("e")}});
    const std::unique_ptr<BulkLoader> loader = BulkLoader::open(m_db, m_table, m_columns);
    const BulkStoreResult range = loader->store(in, 0, in.size());
    EXPECT_TRUE(range.failed);
    EXPECT_FALSE(range.message.isEmpty());
    if (m_bulkPath) {
        // The server's guess names the third record; nothing of the range stays.
        EXPECT_FALSE(range.exact);
        EXPECT_EQ(range.stored, 0u);
        EXPECT_EQ(range.hint, std::optional<size_t>(2)) << range.message.toStdString();
        EXPECT_EQ(stored(), QStringList());
    } else {
        // INSERTs stop at the failing record; the ones before it stay.
        EXPECT_TRUE(range.exact);
        EXPECT_EQ(range.stored, 2u);
        EXPECT_EQ(stored(), (QStringList{QStringLiteral("1|a"), QStringLiteral("2|b")}));
    }

    // The failing record alone fails with nothing stored; the rest after it goes in.
    const BulkStoreResult single = loader->store(in, 2, 3);
    EXPECT_TRUE(single.failed);
    EXPECT_EQ(single.stored, 0u);
    const BulkStoreResult rest = loader->store(in, 3, in.size());
    EXPECT_FALSE(rest.failed) << rest.message.toStdString();
    EXPECT_EQ(rest.stored, 2u);
    EXPECT_EQ(stored().size(), m_bulkPath ? 2 : 4);
}

INSTANTIATE_TEST_SUITE_P(Backends, BulkDb, testing::Values("SQLITE", "PGTEST", "MYTEST"),
                         [](const testing::TestParamInfo<const char *> &p) {
                             return std::string(p.param);
                         });

} // namespace

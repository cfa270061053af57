// The editable table model on SQLite, on the Oracle dictionary fixture (a SQLite file with an
// ORACLE alias, whose keyless tables are written through their ROWID) and, when the test servers
// run, on PostgreSQL and MariaDB: which key it writes through, and that a refused or ambiguous
// write leaves both the table and the shown value as stored.
#include "ui/keyedtablemodel.h"

#include "tests/support/sqlrunnerfixture.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

AliasList keyedAliases(const QString &sqlitePath, const QString &oraclePath) {
    std::vector<AliasInfo> all{
        sqliteAlias(QStringLiteral("LITE"), sqlitePath, QStringLiteral("SQLITE")),
        sqliteAlias(QStringLiteral("ORAFIX"), oraclePath, QStringLiteral("ORACLE (fixture)"))};
    const AliasList runnerAliases = sqlRunnerAliases();
    for (const AliasInfo &a : runnerAliases.aliases())
        if (a.name == u"PGTEST" || a.name == u"MYTEST")
            all.push_back(a);
    return AliasList(all);
}

class KeyedTableModelTest : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        alias = QString::fromLatin1(GetParam());
        if (!isSqlite() && !serversStarted())
            GTEST_SKIP() << "test servers not started";
        ASSERT_TRUE(m_dir.isValid());
        const QString sqlitePath = m_dir.filePath(QStringLiteral("t.sqlite"));
        QFile sqliteFile(sqlitePath); // the session opens existing database files only
        ASSERT_TRUE(sqliteFile.open(QIODevice::WriteOnly));
        sqliteFile.close();
        const QString oraclePath = m_dir.filePath(QStringLiteral("oracle.sqlite"));
        ASSERT_TRUE(QFile::copy(oracleFixturePath(), oraclePath));
        QFile::setPermissions(oraclePath, QFile::ReadOwner | QFile::WriteOwner);
        m_session = std::make_unique<DbSession>(QStringLiteral("KeyedTest"),
                                                keyedAliases(sqlitePath, oraclePath), &m_login);
        DbResult<QSqlDatabase> opened = m_session->connection(alias);
        ASSERT_TRUE(opened) << opened.error().message().toStdString();
        db = *opened;
        const Result<QString> driverName = m_session->driverName(alias);
        ASSERT_TRUE(driverName);
        kind = dbKindFromDriverName(*driverName);
        const QString engine = alias == u"MYTEST" ? QStringLiteral(" ENGINE=InnoDB") : "";
        for (const QString &sql : {
                 QStringLiteral("PRAGMA foreign_keys = ON"),
                 QStringLiteral("DROP VIEW IF EXISTS kt_view"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_child"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_keyed"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_unique"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_nullable"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_dupes"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_pair"),
                 QStringLiteral("DROP TABLE IF EXISTS kt_unlisted"),
                 QStringLiteral("CREATE TABLE kt_keyed (id INTEGER NOT NULL PRIMARY KEY, "
                                "code CHAR(6), qty INTEGER)") +
                     engine,
                 QStringLiteral(
                     "CREATE TABLE kt_child (id INTEGER NOT NULL PRIMARY KEY, "
                     "keyed_id INTEGER, FOREIGN KEY (keyed_id) REFERENCES kt_keyed (id))") +
                     engine,
                 QStringLiteral(
                     "CREATE TABLE kt_unique (code CHAR(6) NOT NULL UNIQUE, qty INTEGER)"),
                 QStringLiteral("CREATE TABLE kt_nullable (code CHAR(6) UNIQUE, qty INTEGER)"),
                 QStringLiteral("CREATE TABLE kt_dupes (code CHAR(6), qty INTEGER)"),
                 // Keyless and missing from the Oracle dictionary, like another schema's table.
                 QStringLiteral("CREATE TABLE kt_unlisted (code CHAR(6), qty INTEGER)"),
                 QStringLiteral("CREATE TABLE kt_pair (a INTEGER NOT NULL, b INTEGER NOT NULL, "
                                "qty INTEGER, PRIMARY KEY (a, b))"),
                 QStringLiteral("CREATE VIEW kt_view AS SELECT id, code FROM kt_keyed"),
                 QStringLiteral("INSERT INTO kt_keyed VALUES (1, 'ONE', 10), (2, 'TWO', 20), "
                                "(3, 'THREE', 30)"),
                 QStringLiteral("INSERT INTO kt_child VALUES (1, 2)"),
                 QStringLiteral("INSERT INTO kt_unique VALUES ('A', 1), ('B', 2)"),
                 QStringLiteral("INSERT INTO kt_nullable VALUES (NULL, 1), (NULL, 1), ('C', 3)"),
                 QStringLiteral("INSERT INTO kt_dupes VALUES ('D', 4), ('D', 4)"),
                 QStringLiteral("INSERT INTO kt_unlisted VALUES ('U', 5), ('U', 5)"),
                 QStringLiteral("INSERT INTO kt_pair VALUES (1, 1, 11), (1, 2, 12)"),
             }) {
            if (sql.startsWith(QStringLiteral("PRAGMA")) && !isSqlite())
                continue;
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(sql))
                << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        if (alias == u"ORAFIX") {
            // The dictionary lists the schema's own objects.
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral(
                "INSERT INTO USER_OBJECTS (OBJECT_NAME, OBJECT_TYPE) VALUES ('kt_keyed', 'TABLE'), "
                "('kt_child', 'TABLE'), ('kt_unique', 'TABLE'), ('kt_nullable', 'TABLE'), "
                "('kt_dupes', 'TABLE'), ('kt_pair', 'TABLE'), ('kt_view', 'VIEW')")))
                << q.lastError().text().toStdString();
        }
    }

    bool isSqlite() const { return alias == u"LITE" || alias == u"ORAFIX"; }

    std::unique_ptr<KeyedTableModel> open(const QString &table) {
        auto model = std::make_unique<KeyedTableModel>(db, kind);
        EXPECT_TRUE(model->open(table)) << model->lastError().text().toStdString();
        return model;
    }
    int column(const KeyedTableModel &model, const char *name) {
        return model.record().indexOf(QString::fromLatin1(name));
    }
    // The row of the model whose column has the value.
    int rowOf(const KeyedTableModel &model, const char *name, const QVariant &value) {
        for (int r = 0; r < model.rowCount(); ++r)
            if (model.data(model.index(r, column(model, name))).toString().trimmed() ==
                value.toString())
                return r;
        return -1;
    }
    // The table's rows as "v1|v2|..." in the order of the first column, read on the connection.
    QStringList rows(const QString &table) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table)));
        QStringList out;
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString().trimmed());
            out << cells.join(u'|');
        }
        return out;
    }

    QTemporaryDir m_dir;
    TestLogin m_login;
    std::unique_ptr<DbSession> m_session;
    QString alias;
    DbKind kind = DbKind::Other;
    QSqlDatabase db; // let go of before the session closes it
};

TEST_P(KeyedTableModelTest, FindsThePrimaryKeyElseAUniqueKeyElseOpensReadOnly) {
    struct Case {
        const char *table;
        QStringList key;
        bool rowIdOnOracle; // keyless, yet written through its ROWID on an Oracle alias
    };
    const Case cases[] = {
        {"kt_keyed", {"id"}, false}, {"kt_pair", {"a", "b"}, false}, {"kt_unique", {"code"}, false},
        {"kt_dupes", {}, true},      {"kt_view", {}, false},         {"kt_unlisted", {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.table);
        auto model = open(QString::fromLatin1(c.table));
        QStringList key = model->keyColumns();
        for (QString &k : key)
            k = k.toLower();
        EXPECT_EQ(key, c.key);
        const bool byRowId = c.rowIdOnOracle && kind == DbKind::Oracle;
        EXPECT_EQ(model->writesByRowId(), byRowId);
        const bool editable = !c.key.isEmpty() || byRowId;
        EXPECT_EQ(model->isReadOnly(), !editable);
        EXPECT_EQ(bool(model->flags(model->index(0, 0)) & Qt::ItemIsEditable), editable);
    }
}

TEST_P(KeyedTableModelTest, ReadOnlyTableWithDuplicateRowsIsNeverWritten) {
    QStringList tables = {QStringLiteral("kt_unlisted")};
    if (kind != DbKind::Oracle)
        tables << QStringLiteral("kt_dupes");
    for (const QString &table : tables) {
        SCOPED_TRACE(table.toStdString());
        auto model = open(table);
        const QStringList before = rows(table);
        EXPECT_FALSE(model->setData(model->index(0, column(*model, "qty")), 9));
        EXPECT_FALSE(model->insertRows(0, 1));
        EXPECT_FALSE(model->deleteRow(0));
        EXPECT_EQ(model->rowCount(), 2);
        EXPECT_EQ(rows(table), before);
    }
}

TEST_P(KeyedTableModelTest, KeylessOracleTableIsWrittenThroughTheRowIdOfOneRow) {
    if (kind != DbKind::Oracle)
        GTEST_SKIP() << "only Oracle tables have a ROWID to write through";
    const QString table = QStringLiteral("kt_dupes");
    auto model = open(table);
    ASSERT_TRUE(model->writesByRowId());
    // The ROWID is read with the rows but is no field of the grid.
    EXPECT_EQ(model->columnCount(), 2);
    for (const QSqlRecord &fields : {model->record(), model->record(0)}) {
        ASSERT_EQ(fields.count(), 2);
        EXPECT_EQ(fields.fieldName(0).toLower(), QStringLiteral("code"));
        EXPECT_EQ(fields.fieldName(1).toLower(), QStringLiteral("qty"));
    }
    const int qty = column(*model, "qty");
    const int code = column(*model, "code");

    // Two identical rows: each edit reaches only the row it was made on.
    EXPECT_TRUE(model->setData(model->index(0, qty), 9))
        << model->lastFailure().message.toStdString();
    EXPECT_EQ(rows(table), QStringList({"D|4", "D|9"}));
    EXPECT_EQ(model->data(model->index(0, qty)).toInt(), 9);
    EXPECT_EQ(model->data(model->index(1, qty)).toInt(), 4);
    EXPECT_TRUE(model->setData(model->index(1, code), QStringLiteral("E")));
    EXPECT_EQ(rows(table), QStringList({"D|9", "E|4"}));
    // The row read back keeps its ROWID: it can be edited again.
    EXPECT_TRUE(model->setData(model->index(0, qty), 8));
    EXPECT_EQ(rows(table), QStringList({"D|8", "E|4"}));

    // Deleting one of two identical rows leaves the other.
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE kt_dupes SET code = 'D', qty = 4")));
    ASSERT_TRUE(model->refresh());
    EXPECT_TRUE(model->deleteRow(1));
    EXPECT_EQ(rows(table), QStringList({"D|4"}));
    EXPECT_EQ(model->rowCount(), 1);

    // An added row gets its ROWID when the rows are selected again, and can then be edited.
    ASSERT_TRUE(model->insertRows(0, 1));
    EXPECT_TRUE(model->setData(model->index(0, code), QStringLiteral("F")));
    EXPECT_TRUE(model->setData(model->index(0, qty), 6));
    EXPECT_TRUE(model->postPendingRows()) << model->lastFailure().error.message().toStdString();
    EXPECT_EQ(rows(table), QStringList({"D|4", "F|6"}));
    const int added = rowOf(*model, "code", QStringLiteral("F"));
    ASSERT_GE(added, 0);
    EXPECT_TRUE(model->setData(model->index(added, qty), 7));
    EXPECT_EQ(rows(table), QStringList({"D|4", "F|7"}));

    // A row deleted behind the grid's back: its ROWID matches nothing, nothing is written.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM kt_dupes WHERE code = 'F'")));
    EXPECT_FALSE(model->setData(model->index(added, qty), 1));
    EXPECT_TRUE(model->lastFailure().message.contains(QStringLiteral("0行")));
    EXPECT_FALSE(model->deleteRow(added));
    EXPECT_EQ(rows(table), QStringList({"D|4"}));
}

TEST_P(KeyedTableModelTest, EditIsWrittenToTheKeyedRowOnlyAndReadBack) {
    auto model = open(QStringLiteral("kt_keyed"));
    const int row = rowOf(*model, "id", 3);
    ASSERT_GE(row, 0);
    struct Case {
        const char *column;
        QVariant value;
        QStringList table;
    };
    const Case cases[] = {
        {"code", QStringLiteral("NEW"), {"1|ONE|10", "2|TWO|20", "3|NEW|30"}},
        // Text into a number column: the database converts it; an equal value counts as the
        // one row written (MariaDB reports no changed row for it).
        {"qty", QStringLiteral("30"), {"1|ONE|10", "2|TWO|20", "3|NEW|30"}},
        {"qty", QStringLiteral("31"), {"1|ONE|10", "2|TWO|20", "3|NEW|31"}},
        // The key itself: the row is read back under its new key.
        {"id", 7, {"1|ONE|10", "2|TWO|20", "7|NEW|31"}},
        {"code", QStringLiteral("AGAIN"), {"1|ONE|10", "2|TWO|20", "7|AGAIN|31"}},
    };
    int failed = 0;
    QObject::connect(model.get(), &KeyedTableModel::writeFailed, [&failed] { ++failed; });
    for (const Case &c : cases) {
        SCOPED_TRACE(c.column);
        const QModelIndex cell = model->index(row, column(*model, c.column));
        EXPECT_TRUE(model->setData(cell, c.value))
            << model->lastFailure().error.message().toStdString();
        EXPECT_EQ(rows(QStringLiteral("kt_keyed")), c.table);
        EXPECT_EQ(model->data(cell).toString().trimmed(), c.value.toString());
    }
    EXPECT_EQ(failed, 0);
}

TEST_P(KeyedTableModelTest, RefusedEditShowsTheStoredValueAndChangesNothing) {
    struct Case {
        const char *name;
        const char *table;
        const char *keyColumn; // the row edited: its key column and value
        QVariant keyValue;
        const char *column;
        QVariant value;
        bool enforcedBySqlite;
    };
    const Case cases[] = {
        {"value too long for char(6)", "kt_keyed", "id", 1, "code", QStringLiteral("TOOLONGX"),
         false},
        {"primary key taken", "kt_keyed", "id", 1, "id", 3, true},
        {"unique key taken", "kt_unique", "code", QStringLiteral("A"), "code", QStringLiteral("B"),
         true},
        {"number column given text", "kt_keyed", "id", 1, "qty", QStringLiteral("many"), false},
    };
    for (const Case &c : cases) {
        if (isSqlite() && !c.enforcedBySqlite)
            continue;
        SCOPED_TRACE(c.name);
        const QString table = QString::fromLatin1(c.table);
        auto model = open(table);
        const QStringList before = rows(table);
        const int row = rowOf(*model, c.keyColumn, c.keyValue);
        ASSERT_GE(row, 0);
        const QModelIndex cell = model->index(row, column(*model, c.column));
        const QVariant stored = model->data(cell);
        int failed = 0;
        QObject::connect(model.get(), &KeyedTableModel::writeFailed, [&failed] { ++failed; });
        EXPECT_FALSE(model->setData(cell, c.value));
        EXPECT_EQ(failed, 1);
        EXPECT_FALSE(model->lastFailure().error.isEmpty());
        EXPECT_TRUE(model->lastFailure().message.isEmpty());
        EXPECT_EQ(model->data(cell), stored);
        EXPECT_EQ(rows(table), before);
    }
}

TEST_P(KeyedTableModelTest, WriteTouchingOtherThanOneRowIsRolledBack) {
    // A unique key that allows NULL: two rows share the NULL key value.
    auto model = open(QStringLiteral("kt_nullable"));
    ASSERT_EQ(model->keyColumns().size(), 1);
    const QStringList before = rows(QStringLiteral("kt_nullable"));
    const int nullRow = rowOf(*model, "code", QString());
    ASSERT_GE(nullRow, 0);
    const QModelIndex qty = model->index(nullRow, column(*model, "qty"));
    EXPECT_FALSE(model->setData(qty, 5));
    EXPECT_TRUE(model->lastFailure().error.isEmpty());
    EXPECT_TRUE(model->lastFailure().message.contains(QStringLiteral("2行")))
        << model->lastFailure().message.toStdString();
    EXPECT_EQ(model->data(qty).toInt(), 1);
    EXPECT_FALSE(model->deleteRow(nullRow));
    EXPECT_EQ(rows(QStringLiteral("kt_nullable")), before);
    EXPECT_EQ(model->rowCount(), 3);

    // A row deleted behind the grid's back: nothing to update, nothing written.
    auto keyed = open(QStringLiteral("kt_keyed"));
    const int row = rowOf(*keyed, "id", 3);
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM kt_keyed WHERE id = 3")));
    EXPECT_FALSE(keyed->setData(keyed->index(row, column(*keyed, "qty")), 99));
    EXPECT_TRUE(keyed->lastFailure().message.contains(QStringLiteral("0行")));
    EXPECT_EQ(keyed->data(keyed->index(row, column(*keyed, "qty"))).toInt(), 30);
    EXPECT_EQ(rows(QStringLiteral("kt_keyed")), QStringList({"1|ONE|10", "2|TWO|20"}));
}

TEST_P(KeyedTableModelTest, DeleteRemovesTheKeyedRowOrReportsTheRefusal) {
    auto model = open(QStringLiteral("kt_keyed"));
    // Row 2 is referenced by kt_child.
    EXPECT_FALSE(model->deleteRow(rowOf(*model, "id", 2)));
    EXPECT_FALSE(model->lastFailure().error.isEmpty());
    EXPECT_EQ(rows(QStringLiteral("kt_keyed")).size(), 3);
    EXPECT_TRUE(model->deleteRow(rowOf(*model, "id", 3)));
    EXPECT_EQ(rows(QStringLiteral("kt_keyed")), QStringList({"1|ONE|10", "2|TWO|20"}));
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(rowOf(*model, "id", 3), -1);
}

TEST_P(KeyedTableModelTest, AddedRowsAreInsertedTogetherOrNotAtAll) {
    auto model = open(QStringLiteral("kt_pair"));
    auto add = [&](int a, int b) {
        ASSERT_TRUE(model->insertRows(0, 1));
        EXPECT_TRUE(model->isPendingRow(0));
        EXPECT_TRUE(model->setData(model->index(0, column(*model, "a")), a));
        EXPECT_TRUE(model->setData(model->index(0, column(*model, "b")), b));
    };
    add(2, 1);
    add(1, 2); // already stored: the whole post is refused
    EXPECT_TRUE(model->hasPendingRows());
    EXPECT_FALSE(model->postPendingRows());
    EXPECT_FALSE(model->lastFailure().error.isEmpty());
    EXPECT_EQ(rows(QStringLiteral("kt_pair")), QStringList({"1|1|11", "1|2|12"}));
    EXPECT_TRUE(model->hasPendingRows()); // kept for correcting
    EXPECT_TRUE(model->setData(model->index(0, column(*model, "b")), 3));
    EXPECT_TRUE(model->postPendingRows()) << model->lastFailure().error.message().toStdString();
    EXPECT_FALSE(model->hasPendingRows());
    EXPECT_EQ(rows(QStringLiteral("kt_pair")),
              QStringList({"1|1|11", "1|2|12", "1|3|NULL", "2|1|NULL"}));
    EXPECT_EQ(model->rowCount(), 4);
    add(5, 5);
    model->cancelPendingRows();
    EXPECT_FALSE(model->hasPendingRows());
    EXPECT_EQ(model->rowCount(), 4);
}

TEST_P(KeyedTableModelTest, LostConnectionIsReportedAndTheStoredValueStays) {
    if (alias != u"PGTEST")
        GTEST_SKIP() << "the backend is ended from a second PostgreSQL connection";
    auto model = open(QStringLiteral("kt_keyed"));
    QSqlQuery pid(db);
    ASSERT_TRUE(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
    {
        QSqlDatabase killer = QSqlDatabase::cloneDatabase(db, QStringLiteral("kt-killer"));
        ASSERT_TRUE(killer.open());
        QSqlQuery kill(killer);
        ASSERT_TRUE(kill.exec(
            QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.value(0).toLongLong())));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kt-killer"));
    const QModelIndex cell = model->index(0, column(*model, "code"));
    const QVariant stored = model->data(cell);
    EXPECT_FALSE(model->setData(cell, QStringLiteral("GONE")));
    EXPECT_FALSE(model->lastFailure().error.isEmpty());
    EXPECT_EQ(model->data(cell), stored);
}

std::string backendName(const testing::TestParamInfo<const char *> &backend) {
    return backend.param;
}

INSTANTIATE_TEST_SUITE_P(Backends, KeyedTableModelTest,
                         testing::Values("LITE", "ORAFIX", "PGTEST", "MYTEST"), backendName);

} // namespace

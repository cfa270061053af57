// The PostgreSQL object browser on the loopback server: the folders of a fresh database loaded
// with tests/data/catalog/postgres_browser.sql, and the round trip that runs the Source of every
// listed object into an empty database and compares the schema dumps of the two databases.
#include "db/objectdescription.h"
#include "db/objectlist.h"
#include "db/postgrescatalog.h"
#include "tests/db/qstringprinter.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <map>

using namespace kelvoran;
using namespace kelvoran::db;

namespace {

QStringList L(std::initializer_list<const char *> texts) {
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

struct FixedLogin : LoginPrompt {
    std::optional<Credentials> askLogin(const QString &, const QString &user) override {
        return Credentials{user, qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
    }
};

// pg_dump's text split into its entries (each begins at a "-- Name:" heading), the empty lines
// and comment-only lines dropped, sorted: the dump with only the order of objects taken away.
// The \restrict and \unrestrict lines carry a random key each dump makes anew.
QStringList dumpEntries(const QString &dump) {
    QStringList entries;
    QString current;
    for (const QString &line : dump.split(u'\n')) {
        if (line.startsWith(u"\\restrict ") || line.startsWith(u"\\unrestrict "))
            continue;
        if (line.startsWith(u"-- Name: ") || line.startsWith(u"-- Dumped")) {
            entries << current;
            current = line + u'\n';
        } else if (!line.isEmpty() && line != u"--") {
            current += line + u'\n';
        }
    }
    entries << current;
    entries.sort();
    return entries;
}

class PostgresBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::serversStarted())
            GTEST_SKIP() << "test servers not started";
        const Result<std::vector<AliasInfo>> aliases =
            AliasList::readAliasFile(test::testAliasFile());
        ASSERT_TRUE(aliases) << aliases.error().message.toStdString();
        for (const AliasInfo &a : *aliases)
            if (a.name == u"PGTEST")
                m_server = a;
        ASSERT_EQ(m_server.name, QStringLiteral("PGTEST"));
        qputenv("PGPASSWORD", qgetenv("KELVORAN_TEST_PASSWORD"));
        const QString pid = QString::number(QCoreApplication::applicationPid());
        m_source = QStringLiteral("kelvoran_browse_src_") + pid;
        m_target = QStringLiteral("kelvoran_browse_dst_") + pid;
        dropDatabases();
        for (const QString &db : {m_source, m_target}) {
            const test::ProcessResult created =
                psql(QStringLiteral("kelvoran"),
                     {QStringLiteral("-c"), QStringLiteral("CREATE DATABASE ") + db});
            ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        }
        const test::ProcessResult loaded =
            psql(m_source, {QStringLiteral("-f"),
                            test::testPath(QStringLiteral("data/catalog/postgres_browser.sql"))});
        ASSERT_EQ(loaded.exitCode, 0) << loaded.err.toStdString();

        AliasInfo browse = m_server;
        browse.name = QStringLiteral("PGBROWSE");
        browse.database = m_source;
        m_session =
            std::make_unique<DbSession>(QStringLiteral("SessionDB"), AliasList({browse}), &m_login);
        // Every statement of the browser must leave the database as it is: the connection
        // refuses writes from here on.
        DbResult<QSqlDatabase> db = m_session->connection(QStringLiteral("PGBROWSE"));
        ASSERT_TRUE(db) << db.error().message().toStdString();
        QSqlQuery readOnly(*db);
        ASSERT_TRUE(
            readOnly.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY")));
    }

    void TearDown() override {
        m_session.reset();
        if (!m_source.isEmpty())
            dropDatabases();
    }

    void dropDatabases() {
        for (const QString &db : {m_source, m_target})
            psql(QStringLiteral("kelvoran"),
                 {QStringLiteral("-c"),
                  QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(db)});
    }

    test::ProcessResult psql(const QString &database, const QStringList &args,
                             const QByteArray &input = QByteArray()) const {
        QStringList all{QStringLiteral("-X"), QStringLiteral("-q"),
                        QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                        QStringLiteral("-h"), m_server.host,
                        QStringLiteral("-p"), QString::number(m_server.port),
                        QStringLiteral("-U"), QStringLiteral("kelvoran"),
                        QStringLiteral("-d"), database};
        return test::runProcess(QStringLiteral("psql"), all + args, input);
    }

    QString dump(const QString &database) const {
        const test::ProcessResult r =
            test::runProcess(QStringLiteral("pg_dump"),
                             {QStringLiteral("--schema-only"), QStringLiteral("-h"), m_server.host,
                              QStringLiteral("-p"), QString::number(m_server.port),
                              QStringLiteral("-U"), QStringLiteral("kelvoran"), database});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return r.out;
    }

    QStringList list(const QString &folder) {
        const std::optional<ObjectKind> kind = objectKindFor(DbKind::Postgre, folder);
        EXPECT_TRUE(kind) << folder.toStdString();
        if (!kind)
            return {};
        DbResult<QStringList> names =
            folderObjects(*m_session, QStringLiteral("PGBROWSE"), DbKind::Postgre, *kind);
        EXPECT_TRUE(names) << names.error().message().toStdString();
        return names ? *names : QStringList();
    }

    DescribeResult describe(const QString &folder, const QString &name) {
        return describeObject(*m_session, QStringLiteral("PGBROWSE"), DbKind::Postgre,
                              *objectKindFor(DbKind::Postgre, folder), name);
    }

    AliasInfo m_server;
    QString m_source, m_target;
    FixedLogin m_login;
    std::unique_ptr<DbSession> m_session;
};

// Each folder lists exactly the schema's objects of its kind, in tree order: overloads by their
// argument types, triggers with their table, no identity sequence, no trigger or index that a
// partition takes from its parent, no row type of a table under Type.
TEST_F(PostgresBrowser, FoldersListTheSchemaObjects) {
    const std::vector<std::pair<const char *, QStringList>> cases{
        {"Table", L({"kelvoran_browse.audit_entries",     "kelvoran_browse.bookings",
                     "kelvoran_browse.customers",         "kelvoran_browse.employees",
                     "kelvoran_browse.measurements",      "kelvoran_browse.measurements_2024",
                     "kelvoran_browse.measurements_2025", "kelvoran_browse.measurements_other",
                     "kelvoran_browse.Mixed Case",        "kelvoran_browse.order",
                     "kelvoran_browse.order_lines",       "kelvoran_browse.products",
                     "kelvoran_browse.regions",           "kelvoran_browse.regions_east",
                     "kelvoran_browse.regions_east_0",    "kelvoran_browse.regions_east_1",
                     "kelvoran_browse.regions_west",      "kelvoran_browse.scratch",
                     "kelvoran_browse.vip_customers",     "kelvoran_browse.we\"ird"})},
        {"View", L({"kelvoran_browse.big_orders", "kelvoran_browse.customer_names",
                    "kelvoran_browse.order_entry", "kelvoran_browse.Order Summary"})},
        {"Materialized View", L({"kelvoran_browse.maker_count", "kelvoran_browse.product_totals"})},
        {"Sequence", L({"kelvoran_browse.customers_customer_id_seq",
                        "kelvoran_browse.invoice_no_seq", "kelvoran_browse.Mixed Case_Col A_seq",
                        "kelvoran_browse.Odd \"Seq\"", "kelvoran_browse.we\"ird_id_seq"})},
        {"Function", L({"kelvoran_browse.double_it(v integer)", "kelvoran_browse.log_change()",
                        "kelvoran_browse.Odd Name(a text, VARIADIC b text[])",
                        "kelvoran_browse.order_view_insert()", "kelvoran_browse.set_updated()",
                        "kelvoran_browse.total_price(p_product integer)",
                        "kelvoran_browse.total_price(p_product integer, p_quantity numeric)"})},
        {"Procedure", L({"kelvoran_browse.add_audit(IN p_table text, IN p_action text)",
                         "kelvoran_browse.Mixed Proc(INOUT counter integer)"})},
        {"Trigger",
         L({"kelvoran_browse.customers.touch", "kelvoran_browse.measurements.measurements_logged",
            "kelvoran_browse.order.order_status_changed",
            "kelvoran_browse.order_entry.order_entry_insert", "kelvoran_browse.products.touch"})},
        {"Type", L({"kelvoran_browse.address", "kelvoran_browse.code_text", "kelvoran_browse.mood",
                    "kelvoran_browse.Odd Type", "kelvoran_browse.positive_amount"})},
    };
    for (const auto &[folder, expected] : cases) {
        SCOPED_TRACE(folder);
        QStringList sorted = expected;
        sortAsTree(sorted);
        EXPECT_EQ(list(QString::fromUtf8(folder)), sorted);
    }
    // Indexes: those of constraints too, but not the ones partitions take from their parent.
    const QStringList indexes = list(QStringLiteral("Index"));
    for (const char *name :
         {"kelvoran_browse.order_pkey", "kelvoran_browse.Mixed Index",
          "kelvoran_browse.products_lower_sku", "kelvoran_browse.measurements_value_idx",
          "kelvoran_browse.product_totals_id"})
        EXPECT_TRUE(indexes.contains(QString::fromUtf8(name))) << name;
    for (const QString &name : indexes)
        EXPECT_FALSE(name.startsWith(u"kelvoran_browse.measurements_20")) << name.toStdString();
}

// The Definition summarises a table: its facts, columns, constraints and indexes.
TEST_F(PostgresBrowser, TableDefinitionSummarisesTheTable) {
    const DescribeResult r =
        describe(QStringLiteral("Table"), QStringLiteral("kelvoran_browse.customers"));
    ASSERT_FALSE(r.error) << r.error->message().toStdString();
    const QStringList lines = r.definition.lines();
    for (const QString &expected :
         {QStringLiteral("Object Name        : kelvoran_browse.customers"),
          QStringLiteral("Type               : Table"),
          QStringLiteral("Owner              : kelvoran"),
          QStringLiteral("Comment            : People who order; it's a \\ test"),
          QStringLiteral("name").leftJustified(39) +
              QStringLiteral("character varying(80) NOT NULL"),
          QStringLiteral("customers_code_key").leftJustified(39) + QStringLiteral("UNIQUE (code)"),
          QStringLiteral("customers_pkey").leftJustified(39) +
              QStringLiteral("UNIQUE btree (customer_id) (constraint)")})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Estimated Rows     : unknown (not analysed)")) ||
                lines.contains(QStringLiteral("Estimated Rows     : 0")));

    const DescribeResult missing =
        describe(QStringLiteral("Table"), QStringLiteral("kelvoran_browse.no_such_table"));
    EXPECT_FALSE(missing.error);
    EXPECT_EQ(missing.source.lines(), QStringList{QString()});
}

// Runs the Source of every listed object into an empty database, in dependency order, and
// compares the two schema dumps. Indexes and triggers of tables are part of their table's Source
// (and checked to be there); sequences owned by a serial column come with their table.
TEST_F(PostgresBrowser, SourcesRecreateTheSchema) {
    struct Object {
        QString folder, name, source;
    };
    std::vector<Object> toRun;
    QString relationSources;
    std::vector<Object> inTableSource;
    // Folder order: what later kinds need comes first; within a kind, retries settle the order.
    for (const char *folder : {"Type", "Sequence", "Function", "Table", "View", "Materialized View",
                               "Index", "Procedure", "Trigger"}) {
        const QString f = QString::fromUtf8(folder);
        for (const QString &name : list(f)) {
            const DescribeResult r = describe(f, name);
            ASSERT_FALSE(r.error) << name.toStdString() << ": " << r.error->message().toStdString();
            const QString source = r.source.text();
            ASSERT_FALSE(source.trimmed().isEmpty()) << name.toStdString();
            if (f == u"Table" || f == u"Materialized View")
                relationSources += source;
            const bool ownedSequence = f == u"Sequence" && source.contains(u" OWNED BY ");
            const bool constraintIndex = f == u"Index" && source.startsWith(u"ALTER TABLE ");
            const bool tableTrigger = f == u"Trigger" && !source.contains(u" INSTEAD OF ");
            const bool plainIndex = f == u"Index" && !constraintIndex;
            if (tableTrigger || plainIndex)
                inTableSource.push_back({f, name, source});
            else if (!ownedSequence && !constraintIndex)
                toRun.push_back({f, name, source});
        }
    }
    for (const Object &o : inTableSource)
        EXPECT_TRUE(relationSources.contains(o.source.section(u'\n', 0, 0)))
            << o.name.toStdString() << " is missing from its table's Source";

    ASSERT_EQ(
        psql(m_target, {QStringLiteral("-c"), QStringLiteral("CREATE SCHEMA kelvoran_browse")})
            .exitCode,
        0);
    std::map<QString, QString> failures;
    for (bool progress = true; progress && !toRun.empty();) {
        progress = false;
        failures.clear();
        std::vector<Object> later;
        for (const Object &o : toRun) {
            const test::ProcessResult ran =
                psql(m_target, {QStringLiteral("-1"), QStringLiteral("-f"), QStringLiteral("-")},
                     o.source.toUtf8());
            if (ran.exitCode == 0) {
                progress = true;
            } else {
                failures[o.folder + u' ' + o.name] = ran.err;
                later.push_back(o);
            }
        }
        toRun = later;
    }
    for (const auto &[object, error] : failures)
        ADD_FAILURE() << object.toStdString() << ": " << error.toStdString();
    ASSERT_TRUE(toRun.empty());

    const QString originalDump = dump(m_source);
    ASSERT_TRUE(originalDump.contains(u"CREATE TABLE kelvoran_browse.customers"));
    const QStringList original = dumpEntries(originalDump);
    const QStringList rebuilt = dumpEntries(dump(m_target));
    for (const QString &entry : original)
        EXPECT_TRUE(rebuilt.contains(entry)) << "not recreated:\n" << entry.toStdString();
    for (const QString &entry : rebuilt)
        EXPECT_TRUE(original.contains(entry)) << "not in the original:\n" << entry.toStdString();
    EXPECT_EQ(original.size(), rebuilt.size());
}

} // namespace

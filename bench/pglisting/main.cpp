// bench_pglisting: lists the "Table" folder of a PostgreSQL alias holding 20,000 tables through
// folderObjects (the catalog statement, reading the rows, sorting them as the tree does) on an
// open connection, and compares it with psql running the same catalog statement. The tables are
// made once, in the schema kelvoran_bench_listing, and kept for later runs.
//
// Server: 127.0.0.1, port KELVORAN_TEST_PG_PORT, user and database "kelvoran", password
// KELVORAN_TEST_PASSWORD (what ./test.sh and scripts/test-servers.sh set up).
// Usage: bench_pglisting [--runs N]
#include "db/objectlist.h"
#include "db/postgrescatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kelvoran;

namespace {

constexpr int kTables = 20000;
constexpr double kGoalMs = 300.0;

struct EnvironmentLogin : LoginPrompt {
    std::optional<Credentials> askLogin(const QString &, const QString &user) override {
        return Credentials{user, qEnvironmentVariable("KELVORAN_TEST_PASSWORD")};
    }
};

AliasInfo benchAlias() {
    AliasInfo alias;
    alias.name = QStringLiteral("PGBENCH");
    alias.driver = QStringLiteral("QPSQL");
    alias.driverName = QStringLiteral("POSTGRESQL");
    alias.host = QStringLiteral("127.0.0.1");
    alias.port = qEnvironmentVariableIntValue("KELVORAN_TEST_PG_PORT");
    alias.database = QStringLiteral("kelvoran");
    alias.user = QStringLiteral("kelvoran");
    alias.loginRequired = true;
    return alias;
}

// Makes the 20,000 tables unless they are there already.
bool ensureTables(const QSqlDatabase &db) {
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class c JOIN "
                              "pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE "
                              "n.nspname = 'kelvoran_bench_listing' AND c.relkind = 'r'")) &&
        q.next() && q.value(0).toInt() == kTables)
        return true;
    std::fprintf(stderr, "creating %d tables ...\n", kTables);
    if (!q.exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS kelvoran_bench_listing"))) {
        std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        return false;
    }
    // A thousand tables per transaction: one transaction for all of them runs out of locks.
    constexpr int kBatch = 1000;
    for (int first = 1; first <= kTables; first += kBatch) {
        if (!q.exec(QStringLiteral("DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE pg_catalog.format("
                                   "'CREATE TABLE IF NOT EXISTS kelvoran_bench_listing.%I "
                                   "(id integer)', 'item_' || i); END LOOP; END $$")
                        .arg(first)
                        .arg(first + kBatch - 1))) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            return false;
        }
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() >= 3 && args[1] == u"--runs" ? std::max(1, args[2].toInt()) : 7;
    if (qEnvironmentVariable("KELVORAN_TEST_PG_PORT").isEmpty()) {
        std::fprintf(stderr, "KELVORAN_TEST_PG_PORT is not set (start the test servers first)\n");
        return 2;
    }
    EnvironmentLogin login;
    DbSession session(QStringLiteral("SessionDB"), AliasList({benchAlias()}), &login);
    const DbResult<QSqlDatabase> db = session.connection(QStringLiteral("PGBENCH"));
    if (!db) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(db.error().message()));
        return 1;
    }
    if (!ensureTables(*db))
        return 1;
    const db::ObjectKind tables = *db::objectKindFor(DbKind::Postgre, QStringLiteral("Table"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    const QString statement = db::pgsql::objectList(db::ObjectKindId::Table).join(u'\n');
    const QStringList psqlArgs{QStringLiteral("-X"), QStringLiteral("-q"),
                               QStringLiteral("-A"), QStringLiteral("-t"),
                               QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("-p"), qEnvironmentVariable("KELVORAN_TEST_PG_PORT"),
                               QStringLiteral("-U"), QStringLiteral("kelvoran"),
                               QStringLiteral("-d"), QStringLiteral("kelvoran"),
                               QStringLiteral("-c"), statement};

    std::vector<double> ours, psql;
    int listed = 0;
    int psqlRows = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const DbResult<QStringList> names =
            db::folderObjects(session, QStringLiteral("PGBENCH"), DbKind::Postgre, tables);
        ours.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!names) {
            std::fprintf(stderr, "%s\n", qPrintable(names.error().message()));
            return 1;
        }
        listed = int(names->size());

        QProcess p;
        p.setProcessEnvironment(env);
        timer.restart();
        p.start(QStringLiteral("psql"), psqlArgs);
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            std::fprintf(stderr, "psql failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        psql.push_back(double(timer.nsecsElapsed()) / 1e6);
        psqlRows = int(p.readAllStandardOutput().count('\n'));
    }
    const double o = median(ours);
    const double p = median(psql);
    std::printf("listing the Table folder of %d objects (%d listed), median of %d runs\n", kTables,
                listed, runs);
    std::printf("  kelvoran folderObjects (open connection, sorted): %8.1f ms (goal < %.0f ms)\n",
                o, kGoalMs);
    std::printf("  psql, same statement (start, connect, %d rows)  : %8.1f ms\n", psqlRows, p);
    std::printf("  time ratio kelvoran/psql: %.2f\n", o / p);
    return o < kGoalMs ? 0 : 1;
}

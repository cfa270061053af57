// bench_firstrows: opens a 1,000,000-row PostgreSQL result in the SQL runner's result model and
// measures the time until the first 100 rows are shown and the peak memory, against psql
// fetching the same query with FETCH_COUNT 100, both as child processes of this run.
//
// Server: 127.0.0.1, port KELVORAN_TEST_PG_PORT, user and database "kelvoran", password
// KELVORAN_TEST_PASSWORD (what ./test.sh and scripts/test-servers.sh set up).
// Usage: bench_firstrows [--runs N]
#include "db/resultmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kelvoran;

namespace {

constexpr int kShownRows = 100;

QSqlDatabase connectServer(const QString &name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_PG_PORT"));
    db.setDatabaseName(QStringLiteral("kelvoran"));
    db.setUserName(QStringLiteral("kelvoran"));
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    if (!db.open())
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(db.lastError().text()));
    return db;
}

QString tableName(int rows) {
    return QStringLiteral("bench_firstrows_%1").arg(rows);
}
QString query(int rows) {
    return QStringLiteral("SELECT id, label, amount, created FROM ") + tableName(rows);
}

// Peak resident set size of a process in kB (VmHWM), or -1.
long peakKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The child: opens the result, shows the first rows on stdout, reports its peak memory.
int child(int rows) {
    QSqlDatabase db = connectServer(QStringLiteral("bench"));
    if (!db.isOpen())
        return 1;
    ResultModel model;
    if (!model.open(db, query(rows), ResultModel::ReadMode::PostgresCursor)) {
        std::fprintf(stderr, "%s\n", qPrintable(model.lastError().text()));
        return 1;
    }
    QByteArray out;
    for (int r = 0; r < kShownRows && r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.data(model.index(r, c)).toString();
        out += cells.join(u'|').toUtf8() + '\n';
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "%ld\n", peakKb(QCoreApplication::applicationPid()));
    std::fflush(stderr);
    model.close();
    return 0;
}

struct Measure {
    double ms = -1;
    long peakKb = -1;
};

// Starts a program and measures the time until it has written kShownRows lines.
Measure measure(const QString &program, const QStringList &args, bool peakFromStderr,
                const QProcessEnvironment &env) {
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForStarted())
        return {};
    int lines = 0;
    Measure m;
    QByteArray pending;
    while (lines < kShownRows && p.state() != QProcess::NotRunning) {
        if (!p.waitForReadyRead(60000))
            break;
        pending += p.readAllStandardOutput();
        lines = int(pending.count('\n'));
    }
    m.ms = double(timer.nsecsElapsed()) / 1e6;
    if (peakFromStderr) {
        p.waitForFinished(60000);
        m.peakKb = QByteArray(p.readAllStandardError()).trimmed().toLong();
    } else {
        m.peakKb = peakKb(p.processId());
        p.kill();
        p.waitForFinished();
    }
    if (lines < kShownRows)
        m.ms = -1;
    return m;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

bool ensureTable(const QSqlDatabase &db, int rows) {
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + tableName(rows)) && q.next() &&
        q.value(0).toInt() == rows)
        return true;
    q.exec(QStringLiteral("DROP TABLE IF EXISTS ") + tableName(rows));
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    if (!q.exec(QStringLiteral("CREATE TABLE ") + tableName(rows) +
                QStringLiteral(
                    " AS SELECT g AS id, md5(g::text) AS label, (g % 1000) * 1.25 AS amount, "
                    "TIMESTAMP '2024-01-01' + g * INTERVAL '1 minute' AS created "
                    "FROM generate_series(1, %1) g")
                    .arg(rows))) {
        std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
        return false;
    }
    q.exec(QStringLiteral("ANALYZE ") + tableName(rows));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"--child")
        return child(args[2].toInt());
    const int runs = args.size() >= 3 && args[1] == u"--runs" ? std::max(1, args[2].toInt()) : 5;
    if (qEnvironmentVariable("KELVORAN_TEST_PG_PORT").isEmpty()) {
        std::fprintf(stderr, "KELVORAN_TEST_PG_PORT is not set (start the test servers first)\n");
        return 2;
    }
    const int big = 1000000;
    const int small = 10000;
    {
        const QSqlDatabase setup = connectServer(QStringLiteral("setup"));
        if (!ensureTable(setup, big) || !ensureTable(setup, small))
            return 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList psqlArgs{QStringLiteral("-X"), QStringLiteral("-q"),
                               QStringLiteral("-A"), QStringLiteral("-t"),
                               QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("-p"), qEnvironmentVariable("KELVORAN_TEST_PG_PORT"),
                               QStringLiteral("-U"), QStringLiteral("kelvoran"),
                               QStringLiteral("-d"), QStringLiteral("kelvoran"),
                               QStringLiteral("-v"), QStringLiteral("FETCH_COUNT=100"),
                               QStringLiteral("-c")};

    std::vector<double> ours, psql;
    long oursPeak = 0, psqlPeak = 0, oursSmallPeak = 0;
    for (int i = 0; i < runs; ++i) {
        const Measure o =
            measure(self, {QStringLiteral("--child"), QString::number(big)}, true, env);
        const Measure p =
            measure(QStringLiteral("psql"), psqlArgs + QStringList{query(big)}, false, env);
        const Measure s =
            measure(self, {QStringLiteral("--child"), QString::number(small)}, true, env);
        if (o.ms < 0 || p.ms < 0 || s.ms < 0) {
            std::fprintf(stderr, "a run did not show %d rows\n", kShownRows);
            return 1;
        }
        ours.push_back(o.ms);
        psql.push_back(p.ms);
        oursPeak = std::max(oursPeak, o.peakKb);
        psqlPeak = std::max(psqlPeak, p.peakKb);
        oursSmallPeak = std::max(oursSmallPeak, s.peakKb);
    }
    const double o = median(ours);
    const double p = median(psql);
    std::printf(
        "first %d rows of a %d-row PostgreSQL result, median of %d runs (process start, connect, "
        "query, rows on stdout)\n",
        kShownRows, big, runs);
    std::printf("  kelvoran result model : %8.1f ms   peak RSS %6ld kB (%d-row result: %ld kB)\n",
                o, oursPeak, small, oursSmallPeak);
    std::printf("  psql FETCH_COUNT=100  : %8.1f ms   peak RSS %6ld kB\n", p, psqlPeak);
    std::printf("  time ratio kelvoran/psql: %.2f (goal <= 2.00)\n", o / p);
    std::printf("  memory growth 10k -> 1M rows: %ld kB\n", oursPeak - oursSmallPeak);
    return 0;
}

// bench_csv: CSV export and import of a 1,000,000-row, 10-column PostgreSQL table through
// exportCsv()/importCsv(), against psql's \copy to and from a CSV file, all as child processes
// of this run (times are wall clock of each child, memory its peak resident set from wait4()).
//
// Server (nothing is started here; scripts/test-servers.sh or ./test.sh set these up):
//   KELVORAN_TEST_PG_PORT   port (required)
//   KELVORAN_TEST_PASSWORD  password of the user
//   KELVORAN_BENCH_PG_HOST  host, default 127.0.0.1
//   KELVORAN_BENCH_PG_USER  user, default "kelvoran"; KELVORAN_BENCH_PG_DB database, default
//                           "kelvoran"
//   KELVORAN_BENCH_ROWS     rows, default 1000000
// Usage: bench_csv [--runs N]   (the median of N runs is reported; default 3)
#include "csv/csvexport.h"
#include "csv/csvimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace kelvoran;

namespace {

const QString kSource = QStringLiteral("bench_csv_source");
const QString kTarget = QStringLiteral("bench_csv_target");

QString host() {
    return qEnvironmentVariable("KELVORAN_BENCH_PG_HOST", QStringLiteral("127.0.0.1"));
}
QString user() {
    return qEnvironmentVariable("KELVORAN_BENCH_PG_USER", QStringLiteral("kelvoran"));
}
QString database() {
    return qEnvironmentVariable("KELVORAN_BENCH_PG_DB", QStringLiteral("kelvoran"));
}

QSqlDatabase connectServer() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
    db.setHostName(host());
    db.setPort(qEnvironmentVariableIntValue("KELVORAN_TEST_PG_PORT"));
    db.setDatabaseName(database());
    db.setUserName(user());
    db.setPassword(qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    if (!db.open())
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(db.lastError().text()));
    return db;
}

bool exec(QSqlDatabase &db, const QString &sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

const char *kColumns = "id integer, code integer, big bigint, price double precision, "
                       "amount numeric(12,2), name varchar(20), note text, day date, "
                       "stamp timestamp, flag boolean";

// The child that runs one of our operations.
int child(const QString &what, const QString &file) {
    QSqlDatabase db = connectServer();
    if (!db.isOpen())
        return 1;
    CsvOptions options;
    options.separator = QStringLiteral(",");
    options.headingLine = false;
    StepCode step(u'C');
    if (what == u"export") {
        const Result<CsvExportResult> r =
            exportCsv(db, DbKind::Postgre, CsvExportSource{{}, kSource}, options, file, step);
        if (!r) {
            std::fprintf(stderr, "%s\n", qPrintable(r.error().text()));
            return 1;
        }
        return 0;
    }
    const Result<CsvImportResult> r = importCsv(db, options, kTarget, file, step);
    if (!r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error().text()));
        return 1;
    }
    return 0;
}

struct Run {
    double seconds = -1;
    long peakKb = -1;
};

// Runs a program, waits for it, and returns its wall time and peak resident set.
Run runChild(const QStringList &args, const QByteArray &password) {
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("PGPASSWORD", password.constData(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Run r;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        r.seconds = double(timer.nsecsElapsed()) / 1e9;
        r.peakKb = usage.ru_maxrss;
    } else {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
    }
    return r;
}

Run median(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Run &a, const Run &b) { return a.seconds < b.seconds; });
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--child")
        return child(args[2], args[3]);
    int runs = 3;
    if (args.size() == 3 && args[1] == u"--runs")
        runs = std::max(1, args[2].toInt());
    if (qEnvironmentVariableIsEmpty("KELVORAN_TEST_PG_PORT")) {
        std::fprintf(stderr, "KELVORAN_TEST_PG_PORT is not set (see the top of main.cpp)\n");
        return 2;
    }
    const int rows = qEnvironmentVariableIntValue("KELVORAN_BENCH_ROWS") > 0
                         ? qEnvironmentVariableIntValue("KELVORAN_BENCH_ROWS")
                         : 1000000;
    QSqlDatabase db = connectServer();
    if (!db.isOpen())
        return 1;
    std::printf("preparing %d rows x 10 columns...\n", rows);
    std::fflush(stdout);
    if (!exec(db, QStringLiteral("DROP TABLE IF EXISTS ") + kSource) ||
        !exec(db, QStringLiteral("DROP TABLE IF EXISTS ") + kTarget) ||
        !exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(kSource, QLatin1String(kColumns))) ||
        !exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(kTarget, QLatin1String(kColumns))) ||
        !exec(db, QStringLiteral("INSERT INTO %1 SELECT g, g % 1000, g::bigint * 100003, "
                                 "g / 7.0, (g % 100000) / 100.0, 'name' || g, "
                                 "'note of row ' || g, DATE '2020-01-01' + g % 3000, "
                                 "TIMESTAMP '2020-01-01 00:00:00' + g * INTERVAL '1.5 second', "
                                 "g % 2 = 0 FROM generate_series(1, %2) g")
                      .arg(kSource)
                      .arg(rows)) ||
        !exec(db, QStringLiteral("VACUUM ANALYZE ") + kSource))
        return 1;

    QTemporaryDir dir;
    const QString peerFile = dir.filePath(QStringLiteral("peer.csv"));
    const QString ownFile = dir.filePath(QStringLiteral("own.csv"));
    const QByteArray password = qgetenv("KELVORAN_TEST_PASSWORD");
    const QStringList psql{QStringLiteral("psql"),
                           QStringLiteral("-X"),
                           QStringLiteral("-q"),
                           QStringLiteral("-h"),
                           host(),
                           QStringLiteral("-p"),
                           qEnvironmentVariable("KELVORAN_TEST_PG_PORT"),
                           QStringLiteral("-U"),
                           user(),
                           QStringLiteral("-d"),
                           database(),
                           QStringLiteral("-c")};
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<Run> peerOut, ownOut, peerIn, ownIn;
    for (int i = 0; i < runs; ++i) {
        peerOut.push_back(runChild(
            psql +
                QStringList{
                    QStringLiteral("\\copy %1 TO '%2' WITH (FORMAT csv)").arg(kSource, peerFile)},
            password));
        ownOut.push_back(runChild(
            {self, QStringLiteral("--child"), QStringLiteral("export"), ownFile}, password));
        exec(db, QStringLiteral("TRUNCATE ") + kTarget);
        peerIn.push_back(runChild(
            psql +
                QStringList{
                    QStringLiteral("\\copy %1 FROM '%2' WITH (FORMAT csv)").arg(kTarget, peerFile)},
            password));
        exec(db, QStringLiteral("TRUNCATE ") + kTarget);
        ownIn.push_back(runChild(
            {self, QStringLiteral("--child"), QStringLiteral("import"), ownFile}, password));
    }
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + kTarget);
    const qint64 imported = q.next() ? q.value(0).toLongLong() : -1;
    q.finish();

    const Run po = median(peerOut), oo = median(ownOut), pi = median(peerIn), oi = median(ownIn);
    std::printf("rows %d x 10 columns, median of %d runs (imported rows check: %lld)\n", rows, runs,
                static_cast<long long>(imported));
    std::printf("%-28s %9s %9s %11s\n", "", "seconds", "rows/s", "peak RSS");
    auto line = [&](const char *name, const Run &r) {
        std::printf("%-28s %9.2f %9.0f %8ld kB\n", name, r.seconds, rows / r.seconds, r.peakKb);
    };
    line("psql \\copy to", po);
    line("exportCsv", oo);
    line("psql \\copy from", pi);
    line("importCsv", oi);
    std::printf("export ratio %.2f (goal <= 1.2), import ratio %.2f (goal <= 2.0)\n",
                oo.seconds / po.seconds, oi.seconds / pi.seconds);
    exec(db, QStringLiteral("DROP TABLE ") + kSource);
    exec(db, QStringLiteral("DROP TABLE ") + kTarget);
    return 0;
}

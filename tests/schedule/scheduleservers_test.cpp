// Schedule runs on the loopback PostgreSQL and MariaDB servers: a procedure call, a CSV export
// and import, and a failing statement, with the error stop off and on, checked against the log.
#include "tests/schedule/scheduletestutil.h"
#include "tests/support/testsupport.h"

#include "core/clock.h"
#include "core/textfile.h"
#include "db/dbsession.h"
#include "schedule/runlog.h"
#include "schedule/schedulerunner.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

class ScheduleOnServers : public ::testing::TestWithParam<const char *> {};

// A value read on a connection of the test's own.
QString scalar(const AliasList &aliases, const QString &alias, const QString &statement) {
    SchedulerConnection check(aliases);
    const DbResult<QSqlDatabase> db = check.open(alias, QStringLiteral("kelvoran"),
                                                 qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    if (!db)
        return QStringLiteral("<%1>").arg(db.error().message());
    QString value = QStringLiteral("<no value>");
    {
        QSqlQuery q(*db);
        if (q.exec(statement) && q.next())
            value = q.value(0).toString();
    }
    check.close();
    return value;
}

void execute(const AliasList &aliases, const QString &alias, const QString &statement) {
    SchedulerConnection c(aliases);
    const DbResult<QSqlDatabase> db =
        c.open(alias, QStringLiteral("kelvoran"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD"));
    if (db) {
        QSqlQuery q(*db);
        q.exec(statement);
    }
    c.close();
}

TEST_P(ScheduleOnServers, ProcedureCsvAndFailureWithErrorStopOffAndOn) {
    if (!serversStarted())
        GTEST_SKIP() << "the loopback servers are not started (./test.sh starts them)";
    const QString alias = QString::fromLatin1(GetParam());
    const Result<AliasList> aliases = AliasList::load(testAliasFile());
    ASSERT_TRUE(aliases) << aliases.error().message.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + u'/';
    const QString table = QStringLiteral("sched_dept_copy");
    const QString marker = QStringLiteral("scheduled-%1").arg(QDateTime::currentMSecsSinceEpoch());

    auto file = [&](const char *name, EntryFile f) {
        f.alias = alias;
        EXPECT_TRUE(writeEntryFile(folder + QString::fromLatin1(name), f));
        return QString::fromLatin1(name);
    };
    // The parameter text goes as it is written, quotes included, as on the SQL tab.
    EntryFile call;
    call.sql = {QStringLiteral("EXEC add_log('%1', 3)").arg(marker)};
    EntryFile create;
    create.sql = {QStringLiteral("CREATE TABLE %1 (dept_id INTEGER, dept_code VARCHAR(5), "
                                 "dept_name VARCHAR(40), region VARCHAR(20), created_on DATE)")
                      .arg(table)};
    EntryFile bad;
    bad.sql = {QStringLiteral("UPDATE no_such_table SET x = 1")};
    EntryFile exportFile;
    exportFile.procFlag = QStringLiteral("2");
    exportFile.sql = {QStringLiteral(
        "SELECT dept_id, dept_code, dept_name, region, created_on FROM departments")};
    // Two reports written into one workbook.
    EntryFile departmentsReport;
    departmentsReport.procFlag = QStringLiteral("1");
    departmentsReport.sql = {QStringLiteral("SELECT dept_code, dept_name FROM departments")};
    EntryFile staffReport;
    staffReport.procFlag = QStringLiteral("1");
    staffReport.sql = {QStringLiteral("SELECT staff_code, staff_name FROM staff")};
    EntryFile importFile;
    importFile.procFlag = QStringLiteral("3");
    importFile.csvTable = table;
    importFile.csvFile = QStringLiteral("departments.csv");
    const QString names[] = {
        file("call.kvr", call),         file("create.kvr", create),
        file("export.kvr", exportFile), file("departments.kvr", departmentsReport),
        file("staff.kvr", staffReport), file("bad.kvr", bad),
        file("import.kvr", importFile)};
    const QString csv = folder + QStringLiteral("departments.csv");
    const QString book = folder + QStringLiteral("reports.xls");

    struct Case {
        bool errorStop;
        QString copied;
        int completed, failed, unprocessed;
    };
    for (const Case &c :
         {Case{false, QStringLiteral("5"), 6, 1, 0}, Case{true, QStringLiteral("0"), 5, 1, 1}}) {
        SCOPED_TRACE(c.errorStop ? "error stop on" : "error stop off");
        execute(*aliases, alias, QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
        QFile::remove(csv);
        QFile::remove(book + u'x');
        Schedule schedule;
        schedule.errorStop = c.errorStop;
        for (const QString &n : names) {
            const bool csvEntry = n == names[2] || n == names[6];
            const bool reportEntry = n == names[3] || n == names[4];
            ScheduleEntry e = readyEntry(folder, n,
                                         csvEntry      ? csv
                                         : reportEntry ? book
                                                       : QString(),
                                         alias);
            e.userName = QStringLiteral("kelvoran");
            e.password = qEnvironmentVariable("KELVORAN_TEST_PASSWORD");
            schedule.entries.push_back(e);
        }
        SchedulerConnection connection(*aliases);
        ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
        ScheduleRunner runner(schedule, connection, clock);
        runner.setLogFolders(dir.path(), QString());
        const RunSummary summary = runner.runAll();
        connection.close();

        EXPECT_EQ(schedule.entries[0].status, ScheduleRunner::Completed);
        EXPECT_EQ(schedule.entries[1].status, ScheduleRunner::Completed);
        EXPECT_EQ(schedule.entries[2].status, ScheduleRunner::Completed);
        EXPECT_EQ(schedule.entries[2].dataCount, QStringLiteral("      6"));
        EXPECT_EQ(schedule.entries[3].status, ScheduleRunner::Completed)
            << schedule.entries[3].status.toStdString();
        EXPECT_EQ(schedule.entries[4].status, ScheduleRunner::Completed);
        EXPECT_TRUE(
            schedule.entries[5].status.startsWith(QStringLiteral("SQL実行時エラー CES_270012 ")))
            << schedule.entries[5].status.toStdString();
        EXPECT_EQ(schedule.entries[6].status,
                  c.errorStop ? ScheduleRunner::Unprocessed : ScheduleRunner::Completed);
        // Both reports went into one workbook, one sheet each, under the .xlsx name.
        const ProcessResult sheets = runPython(QStringLiteral(R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print(len(wb.worksheets), " ".join(str(ws.max_row) for ws in wb.worksheets))
)PY"),
                                               {book + u'x'});
        ASSERT_EQ(sheets.exitCode, 0) << sheets.err.toStdString();
        const QStringList counts = sheets.out.trimmed().split(u' ');
        ASSERT_EQ(counts.size(), 3) << sheets.out.toStdString();
        EXPECT_EQ(counts[0], QStringLiteral("2"));
        // Heading row 4, then one row per department (5) and per staff member (30).
        EXPECT_EQ(counts[1], QStringLiteral("9"));
        EXPECT_EQ(counts[2], QStringLiteral("34"));
        EXPECT_EQ(
            scalar(*aliases, alias,
                   QStringLiteral("SELECT COUNT(*) FROM audit_log WHERE message = '''%1''' AND "
                                  "log_level = 3")
                       .arg(marker)),
            c.errorStop ? QStringLiteral("2") : QStringLiteral("1"));
        EXPECT_EQ(scalar(*aliases, alias, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)),
                  c.copied);
        if (!c.errorStop) {
            EXPECT_EQ(
                scalar(*aliases, alias,
                       QStringLiteral("SELECT dept_name FROM %1 WHERE dept_id = 40").arg(table)),
                QStringLiteral("経理部"));
        }

        const Result<RunLogContents> log = readRunLog(summary.logPath);
        ASSERT_TRUE(log) << summary.logPath.toStdString();
        EXPECT_EQ(log->total, 7);
        EXPECT_EQ(log->completed, c.completed);
        EXPECT_EQ(log->failed, c.failed);
        EXPECT_EQ(log->unprocessed, c.unprocessed);
        for (size_t i = 0; i < 7; ++i)
            EXPECT_EQ(log->records[i][7], schedule.entries[i].status) << i + 1;
        EXPECT_EQ(log->records[3][3], book + u'x');
        QFile::remove(summary.logPath);
    }
    execute(*aliases, alias, QStringLiteral("DROP TABLE IF EXISTS %1").arg(table));
    execute(*aliases, alias,
            QStringLiteral("DELETE FROM audit_log WHERE message = '''%1'''").arg(marker));
}

INSTANTIATE_TEST_SUITE_P(Servers, ScheduleOnServers, ::testing::Values("PGTEST", "MYTEST"));

} // namespace

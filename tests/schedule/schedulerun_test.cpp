// Schedule runs on a copy of the SQLite demo database: entry checks, failures, the error stop,
// the connection reuse rule, arming on the clock seam and the run log read back.
#include "tests/schedule/scheduletestutil.h"
#include "tests/support/testsupport.h"

#include "core/clock.h"
#include "core/textfile.h"
#include "db/dbsession.h"
#include "schedule/runlog.h"
#include "schedule/schedulerunner.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

const QString kCompleted = QStringLiteral("正常終了");
const QString kUnchecked = QStringLiteral("ユーザー名・パスワード未チェックのため実行できません");

class ScheduleRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db = m_dir.filePath(QStringLiteral("demo.sqlite"));
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db)) << demoDatabasePath().toStdString();
        QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
        m_folder = m_dir.path() + u'/';
        m_logDir = m_dir.filePath(QStringLiteral("logs"));
        QDir().mkpath(m_logDir);
    }

    QString write(const QString &name, const EntryFile &file) {
        EXPECT_TRUE(writeEntryFile(m_folder + name, file)) << name.toStdString();
        return name;
    }
    EntryFile sql(const QStringList &lines) {
        EntryFile f;
        f.sql = lines;
        return f;
    }
    // A value of the demo database, read on a connection of its own.
    QString scalar(const QString &statement) {
        const QString name = QStringLiteral("check_%1").arg(++m_checks);
        QString value;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_db);
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(statement) && q.next())
                    value = q.value(0).toString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        return value;
    }
    AliasList aliases() const { return AliasList({sqliteAlias(QStringLiteral("DEMO"), m_db)}); }

    QTemporaryDir m_dir;
    QString m_db;
    QString m_folder;
    QString m_logDir;
    int m_checks = 0;
};

// The schedule of the failure tests: two good statements around five entries that fail in
// different ways.
Schedule failureSchedule(ScheduleRunTest &t, const QString &folder,
                         const std::function<QString(const QString &, const EntryFile &)> &write,
                         const std::function<EntryFile(const QStringList &)> &sql) {
    Schedule s;
    s.entries.push_back(readyEntry(
        folder, write(QStringLiteral("raise.kvr"),
                      sql({QStringLiteral("UPDATE products SET unit_price = unit_price + 1"),
                           QStringLiteral(" WHERE product_code = '00012'")}))));
    s.entries.push_back(
        readyEntry(folder, write(QStringLiteral("select.kvr"),
                                 sql({QStringLiteral("SELECT product_code FROM products")}))));
    s.entries.push_back(
        readyEntry(folder, write(QStringLiteral("bad.kvr"),
                                 sql({QStringLiteral("UPDATE no_such_table SET x = 1")}))));
    ScheduleEntry unchecked =
        readyEntry(folder, write(QStringLiteral("unchecked.kvr"),
                                 sql({QStringLiteral("DELETE FROM products")})));
    unchecked.mark = EntryMark::Unchecked;
    s.entries.push_back(unchecked);
    // A file without the format block: refused, not run with another entry's settings.
    writeTextLines(folder + QStringLiteral("plain.kvr"), {QStringLiteral("DELETE FROM products")});
    s.entries.push_back(readyEntry(folder, QStringLiteral("plain.kvr")));
    s.entries.push_back(readyEntry(folder, QStringLiteral("missing.kvr")));
    s.entries.push_back(readyEntry(
        folder, write(QStringLiteral("raise2.kvr"),
                      sql({QStringLiteral("UPDATE products SET unit_price = unit_price + 10"),
                           QStringLiteral(" WHERE product_code = '00034'")}))));
    (void)t;
    return s;
}

TEST_F(ScheduleRunTest, FailuresAndTheErrorStopAsTheLogRecordsThem) {
    struct Case {
        const char *name;
        bool errorStop;
        std::vector<QString> statuses; // prefixes of the statuses of rows 1..7
        std::vector<EntryMark> marks;
        QString price1, price2; // unit prices of 00012 and 00034 afterwards
        int completed, failed, unprocessed;
    };
    const QString unprocessed = QStringLiteral("未処理");
    const std::vector<Case> cases{
        {"error stop off",
         false,
         {kCompleted, kCompleted, QStringLiteral("SQL実行時エラー CES_270012 "),
          kUnchecked + QStringLiteral(" CES_270004"), QStringLiteral("データ解析エラー CES_270008"),
          QStringLiteral("ファイルが存在しません。確認してください。 CES_270006"), kCompleted},
         {EntryMark::Ready, EntryMark::Ready, EntryMark::Failed, EntryMark::Unchecked,
          EntryMark::Failed, EntryMark::Failed, EntryMark::Ready},
         QStringLiteral("121"),
         QStringLiteral("190"),
         3,
         4,
         0},
        {"error stop on",
         true,
         {kCompleted, kCompleted, QStringLiteral("SQL実行時エラー CES_270012 "), unprocessed,
          unprocessed, unprocessed, unprocessed},
         {EntryMark::Ready, EntryMark::Ready, EntryMark::Failed, EntryMark::Unchecked,
          EntryMark::Ready, EntryMark::Ready, EntryMark::Ready},
         QStringLiteral("121"),
         QStringLiteral("180"),
         2,
         1,
         4},
    };
    int round = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Each case on a fresh copy of the database.
        QFile::remove(m_db);
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
        const QString logDir = m_logDir + QStringLiteral("/%1").arg(++round);
        QDir().mkpath(logDir);

        Schedule schedule = failureSchedule(
            *this, m_folder, [this](const QString &n, const EntryFile &f) { return write(n, f); },
            [this](const QStringList &l) { return sql(l); });
        schedule.errorStop = c.errorStop;
        SchedulerConnection connection(aliases());
        ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
        ScheduleRunner runner(schedule, connection, clock);
        runner.setLogFolders(logDir, QString());
        QString lastStatusBar;
        runner.setStatusListener([&](const QString &t) { lastStatusBar = t; });
        const RunSummary summary = runner.runAll();
        connection.close();

        ASSERT_EQ(schedule.entries.size(), c.statuses.size());
        for (size_t i = 0; i < c.statuses.size(); ++i) {
            const ScheduleEntry &e = schedule.entries[i];
            EXPECT_TRUE(e.status.startsWith(c.statuses[i]))
                << i + 1 << ": " << e.status.toStdString();
            EXPECT_EQ(int(e.mark), int(c.marks[i])) << i + 1;
            EXPECT_EQ(e.startTime, QStringLiteral("2024/06/15 10:00:00")) << i + 1;
        }
        // The database message follows the step code of a failed statement.
        EXPECT_TRUE(schedule.entries[2].status.contains(QStringLiteral("no_such_table")))
            << schedule.entries[2].status.toStdString();
        EXPECT_EQ(schedule.entries[0].dataCount, QStringLiteral("      0"));
        EXPECT_EQ(schedule.entries[1].dataCount, QStringLiteral("      0"));
        EXPECT_EQ(scalar(QStringLiteral("SELECT unit_price FROM products WHERE product_code = "
                                        "'00012'")),
                  c.price1);
        EXPECT_EQ(scalar(QStringLiteral("SELECT unit_price FROM products WHERE product_code = "
                                        "'00034'")),
                  c.price2);
        // The unchecked entry's DELETE never ran.
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM products")), QStringLiteral("12"));
        EXPECT_EQ(summary.errorCount, c.failed);
        EXPECT_EQ(summary.stoppedByError, c.errorStop);
        EXPECT_EQ(lastStatusBar, QStringLiteral("スケジュール終了〔エラー件数 %1〕").arg(c.failed));

        ASSERT_FALSE(summary.logPath.isEmpty()) << summary.logNotice.toStdString();
        EXPECT_EQ(summary.logPath, logDir + QStringLiteral("/2024_06_15_10_00_00.log"));
        const Result<QStringList> lines = readTextLines(summary.logPath);
        ASSERT_TRUE(lines);
        EXPECT_EQ(
            lines->first(),
            QStringLiteral("スケジュール開始時間:「2024/06/15 10:00:00」@/スケジュール終了時間:"
                           "「2024/06/15 10:00:00」@/Version:「Kelvoran 2.2.0.0」@/;"));
        const Result<RunLogContents> log = readRunLog(summary.logPath);
        ASSERT_TRUE(log);
        EXPECT_EQ(log->total, 7);
        EXPECT_EQ(log->completed, c.completed);
        EXPECT_EQ(log->failed, c.failed);
        EXPECT_EQ(log->unprocessed, c.unprocessed);
        for (size_t i = 0; i < log->records.size(); ++i) {
            EXPECT_EQ(log->records[i][1], schedule.entries[i].fileName);
            EXPECT_EQ(log->records[i][7], schedule.entries[i].status);
            EXPECT_EQ(log->records[i][6], schedule.entries[i].dataCount.trimmed());
        }
    }
}

TEST_F(ScheduleRunTest, ConnectionIsReusedWhileAliasUserAndPasswordStayTheSame) {
    // A temporary table lives only as long as its connection.
    Schedule schedule;
    schedule.errorStop = false;
    schedule.entries.push_back(
        readyEntry(m_folder, write(QStringLiteral("create.kvr"),
                                   sql({QStringLiteral("CREATE TEMP TABLE t_run (x INTEGER)")}))));
    const QString insert =
        write(QStringLiteral("insert.kvr"), sql({QStringLiteral("INSERT INTO t_run VALUES (1)")}));
    schedule.entries.push_back(readyEntry(m_folder, insert));
    ScheduleEntry otherUser = readyEntry(m_folder, insert);
    otherUser.userName = QStringLiteral("someone_else");
    schedule.entries.push_back(otherUser);

    SchedulerConnection connection(aliases());
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(m_logDir, QString());
    runner.runAll();
    EXPECT_EQ(schedule.entries[0].status, kCompleted);
    EXPECT_EQ(schedule.entries[1].status, kCompleted);
    EXPECT_EQ(schedule.entries[1].status, kCompleted);
    EXPECT_TRUE(schedule.entries[2].status.startsWith(QStringLiteral("SQL実行時エラー CES_270012")))
        << schedule.entries[2].status.toStdString();

    // A new run starts on a new connection, even with the same credentials.
    schedule.entries.erase(schedule.entries.begin());
    schedule.entries.pop_back();
    clock.advance(1000);
    runner.runAll();
    EXPECT_TRUE(schedule.entries[0].status.startsWith(QStringLiteral("SQL実行時エラー")))
        << schedule.entries[0].status.toStdString();
}

TEST_F(ScheduleRunTest, ConnectionAndAliasFailures) {
    Schedule schedule;
    schedule.errorStop = false;
    const QString file =
        write(QStringLiteral("update.kvr"), sql({QStringLiteral("UPDATE products SET seq = seq")}));
    schedule.entries.push_back(readyEntry(m_folder, file, QString(), QStringLiteral("NOPE")));
    schedule.entries.push_back(readyEntry(m_folder, file, QString(), QStringLiteral("BROKEN")));
    schedule.entries.push_back(readyEntry(m_folder, file));
    schedule.entries.push_back(
        readyEntry(m_dir.filePath(QStringLiteral("no_folder")) + u'/', file));

    SchedulerConnection connection(AliasList(
        {sqliteAlias(QStringLiteral("DEMO"), m_db),
         sqliteAlias(QStringLiteral("BROKEN"), m_dir.filePath(QStringLiteral("absent.sqlite")))}));
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(m_logDir, QString());
    runner.runAll();
    EXPECT_EQ(schedule.entries[0].status, QStringLiteral("設定情報解析エラー CES_270009"));
    EXPECT_TRUE(schedule.entries[1].status.startsWith(QStringLiteral(
        "データベースに接続できないかデータベース名・ユーザー名・パスワード情報にエラーが"
        "あります。確認してください。 CES_270010")))
        << schedule.entries[1].status.toStdString();
    EXPECT_EQ(schedule.entries[2].status, kCompleted);
    EXPECT_EQ(schedule.entries[3].status,
              QStringLiteral("パスが存在しません。確認してください。 CES_270005"));
}

TEST_F(ScheduleRunTest, ArmedScheduleRunsWhenTheTimerRuleNoticesTheStart) {
    Schedule schedule;
    schedule.entries.push_back(readyEntry(
        m_folder,
        write(QStringLiteral("raise.kvr"),
              sql({QStringLiteral("UPDATE products SET unit_price = 1 WHERE seq = 1")}))));
    schedule.entries.push_back(ScheduleEntry()); // an empty row is compacted away
    schedule.entries[0].status = QStringLiteral("old status");
    SchedulerConnection connection(aliases());
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(9, 55, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(m_logDir, QString());
    int finished = 0;
    runner.setFinishedListener([&](const RunSummary &) { ++finished; });

    // 実行 then 中止: the results are cleared, nothing runs.
    EXPECT_EQ(runner.toggleArmed({2024, 6, 15, 10, 0}), ScheduleState::Armed);
    EXPECT_EQ(schedule.entries.size(), 1u);
    EXPECT_TRUE(schedule.entries[0].status.isEmpty());
    EXPECT_EQ(runner.toggleArmed({2024, 6, 15, 10, 0}), ScheduleState::Idle);
    clock.advance(3'600'000);
    EXPECT_EQ(finished, 0);

    // Armed at 09:55 for 10:00: the hour differs, so the start is noticed at 10:05.
    clock.setNow(QDateTime(QDate(2024, 6, 15), QTime(9, 55, 0)));
    EXPECT_EQ(runner.toggleArmed({2024, 6, 15, 10, 0}), ScheduleState::Armed);
    clock.advance(9 * 60'000);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(runner.state(), ScheduleState::Armed);
    clock.advance(2 * 60'000);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(runner.state(), ScheduleState::Idle);
    EXPECT_EQ(schedule.entries[0].startTime, QStringLiteral("2024/06/15 10:05:00"));
    EXPECT_EQ(schedule.entries[0].status, kCompleted);
    EXPECT_EQ(runner.lastRun().logPath, m_logDir + QStringLiteral("/2024_06_15_10_05_00.log"));
    EXPECT_EQ(runner.timerIntervalMs(), 0);
    clock.advance(86'400'000);
    EXPECT_EQ(finished, 1); // a run never starts a second one by itself

    // Without entries the schedule cannot be armed.
    Schedule empty;
    ScheduleRunner idle(empty, connection, clock);
    EXPECT_EQ(idle.toggleArmed({2024, 6, 15, 10, 0}), ScheduleState::Idle);
}

TEST(ScheduleStartFields, EmptyAndInvalidFieldsInOrder) {
    struct Case {
        QStringList fields;
        QString error; // empty: valid
    };
    const std::vector<Case> cases{
        {{"2024", "6", "5", "7", "3"}, QString()},
        {{"", "", "5", "7", "3"},
         QStringLiteral("開始時間「年」項目が未入力です。入力してください。")},
        {{"2024", "6", "5", "", ""},
         QStringLiteral("開始時間「時」項目が未入力です。入力してください。")},
        {{"2024", "13", "5", "7", "3"},
         QStringLiteral("入力された「月」が不正です。確認してください。")},
        {{"2024", "2", "31", "24", "3"},
         QStringLiteral("入力された「時間」が不正です。確認してください。")},
        {{"2024", "2", "31", "7", "60"},
         QStringLiteral("入力された「分」が不正です。確認してください。")},
    };
    for (const Case &c : cases) {
        const Result<ScheduleStart> start = scheduleStartFromFields(c.fields);
        EXPECT_EQ(start ? QString() : start.error().message, c.error)
            << c.fields.join(u'/').toStdString();
    }
    const Result<ScheduleStart> ok = scheduleStartFromFields({"2024", "2", "31", "7", "3"});
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->day, 31); // the day is not checked against the month
    EXPECT_EQ(ok->minute, 3);
}

} // namespace

namespace {

// Sql, CsvExport and CsvImport entries in one schedule, with a failing export in between.
// The log of a run whose failures quote names and values in 「」 reads back cell for cell as the
// grid shows the entries; a character Shift_JIS cannot hold stays in the grid and is "?" in the
// log, and the run says how many were replaced. A value with a
// line break is exported quoted, so that entry completes.
TEST_F(ScheduleRunTest, LogOfARunReadsBackAsTheGridShowsIt) {
    EntryFile create = sql({QStringLiteral("CREATE TABLE notes AS SELECT 'two' || char(10) || "
                                           "'lines' AS body, 'Caf' || char(233) AS name")});
    EntryFile exportBody;
    exportBody.procFlag = QStringLiteral("2");
    exportBody.sql = {QStringLiteral("SELECT body FROM notes")};
    EntryFile exportName;
    exportName.procFlag = QStringLiteral("2");
    exportName.sql = {QStringLiteral("SELECT name FROM notes")};
    EntryFile importFile;
    importFile.procFlag = QStringLiteral("3");
    importFile.csvTable = QStringLiteral("no_such_table");
    importFile.csvFile = QStringLiteral("chosen.csv");
    const QString csv = m_folder + QStringLiteral("in.csv");
    ASSERT_TRUE(writeTextLines(csv, {QStringLiteral("a"), QStringLiteral("1")}));

    Schedule schedule;
    schedule.errorStop = false;
    schedule.entries.push_back(readyEntry(m_folder, write(QStringLiteral("create.kvr"), create)));
    schedule.entries.push_back(readyEntry(m_folder, write(QStringLiteral("body.kvr"), exportBody),
                                          m_folder + QStringLiteral("body.csv")));
    schedule.entries.push_back(readyEntry(m_folder, write(QStringLiteral("name.kvr"), exportName),
                                          m_folder + QStringLiteral("name.csv")));
    schedule.entries.push_back(
        readyEntry(m_folder, write(QStringLiteral("import.kvr"), importFile), csv));
    schedule.entries.push_back(
        readyEntry(m_folder, write(QStringLiteral("bad.kvr"),
                                   sql({QStringLiteral("UPDATE 「x」 SET y = 1")}))));

    SchedulerConnection connection(aliases());
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(m_logDir, QString());
    const RunSummary summary = runner.runAll();
    connection.close();

    // The failures this run is about: each quotes what it stopped at.
    const std::vector<std::pair<int, QString>> quoted{
        {2, QStringLiteral("文字「é」(U+00E9)")},
        {3, QStringLiteral("テーブル「no_such_table」を開けません。")},
        {4, QStringLiteral("SQL実行時エラー CES_270012 ")}};
    for (const auto &[row, part] : quoted)
        EXPECT_TRUE(schedule.entries[size_t(row)].status.contains(part))
            << row + 1 << ": " << schedule.entries[size_t(row)].status.toStdString();
    EXPECT_EQ(schedule.entries[0].status, kCompleted);

    ASSERT_FALSE(summary.logPath.isEmpty()) << summary.logNotice.toStdString();
    const Result<RunLogContents> log = readRunLog(summary.logPath);
    ASSERT_TRUE(log);
    EXPECT_EQ(log->completed, 2);
    EXPECT_EQ(log->failed, 3);
    ASSERT_EQ(log->records.size(), schedule.entries.size());
    for (size_t i = 0; i < schedule.entries.size(); ++i) {
        const ScheduleEntry &e = schedule.entries[i];
        const QStringList grid{QString::number(i + 1),
                               e.fileName,
                               e.folder,
                               e.writtenPath.isEmpty() ? e.targetPath : e.writtenPath,
                               e.startTime,
                               e.endTime,
                               e.dataCount.trimmed(),
                               QString(e.status).replace(u'é', u'?')};
        EXPECT_EQ(log->records[i], grid) << i + 1;
    }
    EXPECT_EQ(summary.logReplacedCharacters, 1);
}

TEST_F(ScheduleRunTest, CsvEntriesWithErrorStopOffAndOn) {
    struct Case {
        const char *name;
        bool errorStop;
        std::vector<QString> statuses;
        QString copiedRows;
        int completed, failed, unprocessed;
    };
    const std::vector<Case> cases{
        {"error stop off",
         false,
         {kCompleted, kCompleted,
          QStringLiteral("パスが存在しません。確認してください。 CES_270014"), kCompleted},
         QStringLiteral("12"),
         3,
         1,
         0},
        {"error stop on",
         true,
         {kCompleted, kCompleted,
          QStringLiteral("パスが存在しません。確認してください。 CES_270014"),
          QStringLiteral("未処理")},
         QStringLiteral("0"),
         2,
         1,
         1},
    };
    int round = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_db);
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
        const QString out = m_folder + QStringLiteral("out%1.csv").arg(++round);

        EntryFile create = sql({QStringLiteral("CREATE TABLE products_copy (product_code TEXT, "
                                               "product_name TEXT, category TEXT, unit_price "
                                               "INTEGER, seq INTEGER)")});
        EntryFile exportFile;
        exportFile.procFlag = QStringLiteral("2");
        exportFile.sql = {QStringLiteral(
            "SELECT product_code, product_name, category, unit_price, seq FROM products")};
        EntryFile importFile;
        importFile.procFlag = QStringLiteral("3");
        importFile.csvTable = QStringLiteral("products_copy");
        importFile.csvFile = QStringLiteral("chosen.csv");

        Schedule schedule;
        schedule.errorStop = c.errorStop;
        schedule.entries.push_back(
            readyEntry(m_folder, write(QStringLiteral("create.kvr"), create)));
        schedule.entries.push_back(
            readyEntry(m_folder, write(QStringLiteral("export.kvr"), exportFile), out));
        schedule.entries.push_back(readyEntry(m_folder, QStringLiteral("export.kvr"),
                                              m_folder + QStringLiteral("no_folder/x.csv")));
        schedule.entries.push_back(
            readyEntry(m_folder, write(QStringLiteral("import.kvr"), importFile), out));

        SchedulerConnection connection(aliases());
        ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
        ScheduleRunner runner(schedule, connection, clock);
        const QString logDir = m_logDir + QStringLiteral("/csv%1").arg(round);
        QDir().mkpath(logDir);
        runner.setLogFolders(logDir, QString());
        const RunSummary summary = runner.runAll();
        connection.close();

        for (size_t i = 0; i < c.statuses.size(); ++i)
            EXPECT_EQ(schedule.entries[i].status, c.statuses[i]) << i + 1;
        // The export wrote the heading line and twelve rows: data count 13.
        EXPECT_EQ(schedule.entries[1].dataCount, QStringLiteral("     13"));
        const Result<QStringList> csv = readTextLines(out);
        ASSERT_TRUE(csv);
        ASSERT_EQ(csv->size(), 13);
        EXPECT_EQ(csv->at(0), QStringLiteral("product_code,product_name,category,unit_price,seq"));
        EXPECT_EQ(csv->at(1), QStringLiteral("00012,ボールペン 黒,文具,120,1"));
        if (!c.errorStop) {
            EXPECT_EQ(schedule.entries[3].dataCount, QStringLiteral("     12"));
        }
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM products_copy")), c.copiedRows);

        const Result<RunLogContents> log = readRunLog(summary.logPath);
        ASSERT_TRUE(log);
        EXPECT_EQ(log->total, 4);
        EXPECT_EQ(log->completed, c.completed);
        EXPECT_EQ(log->failed, c.failed);
        EXPECT_EQ(log->unprocessed, c.unprocessed);
        EXPECT_EQ(log->records[1][3], out);
        EXPECT_EQ(log->records[1][6], QStringLiteral("13"));
    }
}

} // namespace

TEST_F(ScheduleRunTest, StopRequestedDuringARunEndsItAfterTheEntryInProgress) {
    // The stop is asked for while the entry of stopAtRow runs (its statement inserts a row);
    // the rest become "未処理" and the log is written as after an error stop.
    struct Case {
        const char *name;
        int stopAtRow;
        std::vector<QString> statuses;
        bool stopped;
    };
    const std::vector<Case> cases{
        {"stop during the first of three",
         1,
         {kCompleted, QStringLiteral("未処理"), QStringLiteral("未処理")},
         true},
        {"stop during the last one changes nothing",
         3,
         {kCompleted, kCompleted, kCompleted},
         false},
    };
    int round = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EntryFile exportFile;
        exportFile.procFlag = QStringLiteral("2");
        exportFile.csvSeparator = QStringLiteral("#9");
        exportFile.csvHeading = false;
        exportFile.sql = {QStringLiteral("SELECT product_code FROM products")};
        Schedule schedule;
        const QString insert = write(QStringLiteral("insert.kvr"),
                                     sql({QStringLiteral("UPDATE products SET seq = seq")}));
        schedule.entries.push_back(readyEntry(m_folder, insert));
        schedule.entries.push_back(readyEntry(m_folder, insert));
        schedule.entries.push_back(
            readyEntry(m_folder, write(QStringLiteral("export.kvr"), exportFile),
                       m_folder + QStringLiteral("stop%1.csv").arg(++round)));

        SchedulerConnection connection(aliases());
        ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
        ScheduleRunner runner(schedule, connection, clock);
        const QString logDir = m_logDir + QStringLiteral("/stop%1").arg(round);
        QDir().mkpath(logDir);
        runner.setLogFolders(logDir, QString());
        QStringList statusTexts;
        runner.setStatusListener([&](const QString &text) { statusTexts << text; });
        runner.setRepaintListener([&] {
            if (runner.runCursor() == c.stopAtRow)
                runner.requestStop();
        });
        const RunSummary summary = runner.runAll();

        EXPECT_EQ(summary.stoppedByRequest, c.stopped);
        EXPECT_FALSE(summary.stoppedByError);
        for (size_t i = 0; i < c.statuses.size(); ++i)
            EXPECT_EQ(schedule.entries[i].status, c.statuses[i]) << i;
        ASSERT_FALSE(statusTexts.isEmpty());
        EXPECT_EQ(statusTexts.last(), QStringLiteral("スケジュール終了〔エラー件数 0〕"));
        const Result<RunLogContents> log = readRunLog(summary.logPath);
        ASSERT_TRUE(log) << summary.logNotice.toStdString();
        EXPECT_EQ(log->total, 3);
        EXPECT_EQ(log->unprocessed, c.stopped ? 2 : 0);
        // The CSV options the program's commands take over are the last entry read.
        ASSERT_TRUE(summary.lastCsvOptions.has_value());
        EXPECT_EQ(summary.lastCsvOptions->separator,
                  c.stopped ? QStringLiteral(",") : QStringLiteral("\t"));
    }
}

// The scheduler's decisions around ExcelReport entries, checked with a report driver that
// records what it is asked to do: which entries write one workbook, on which sheet they start,
// when the workbook is saved or discarded, the output password rule and the statuses. The
// workbooks themselves are the report driver's business and are checked with it.
#include "tests/schedule/scheduletestutil.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testsupport.h"

#include "core/clock.h"
#include "core/stepcode.h"
#include "db/dbsession.h"
#include "report/messagetable.h"
#include "schedule/excelreportjob.h"
#include "schedule/runlog.h"
#include "schedule/schedulerunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// A report driver that keeps a pretend workbook: it counts sheets and records every call.
class RecordingExcelJob : public ExcelReportJob {
public:
    struct Call {
        int row;
        int sheetIndex;
        bool closeAfter;
        bool operator==(const Call &o) const {
            return row == o.row && sheetIndex == o.sheetIndex && closeAfter == o.closeAfter;
        }
    };

    ExcelReportOutcome run(const ExcelReportInput &input, SchedulerConnection &,
                           WorkbookPlacement &placement, StepCode &step) override {
        calls.push_back({input.rowNumber, placement.sheetIndex, placement.closeAfter});
        if (placement.sheetIndex == 1) {
            if (placement.sessionOpen)
                leakedSessions++; // a workbook still open would be lost here
            placement.sessionOpen = true;
            placement.sheetCount = 0;
        } else if (!placement.sessionOpen) {
            continuedWithoutWorkbook++;
        }
        ExcelReportOutcome out;
        if (failRows.count(input.rowNumber)) {
            step.set("EO_130008");
            out.failureText = QStringLiteral("SQLエラー");
            out.detail = QStringLiteral("boom\r\nline2");
            // As the report driver does: the workbook it failed in is closed at once.
            discard(placement);
            return out;
        }
        const int sheets = sheetsPerRow.count(input.rowNumber) ? sheetsPerRow[input.rowNumber] : 1;
        placement.sheetCount += sheets;
        if (placement.closeAfter) {
            saved << QStringLiteral("%1:%2")
                         .arg(fileNamePart(placement.outputPath))
                         .arg(placement.sheetCount);
            placement.sessionOpen = false;
        }
        out.ok = true;
        out.dataCount = 10 * input.rowNumber;
        return out;
    }
    void discard(WorkbookPlacement &placement) override {
        ++discards;
        placement.sessionOpen = false;
    }
    static QString fileNamePart(const QString &path) {
        return path.mid(path.lastIndexOf(u'/') + 1);
    }

    std::vector<Call> calls;
    QStringList saved;
    int discards = 0;
    int leakedSessions = 0;
    int continuedWithoutWorkbook = 0;
    std::set<int> failRows;
    std::map<int, int> sheetsPerRow;
};

struct Row {
    QString procFlag; // "1" ExcelReport, "0" Sql
    QString target;   // file name in the test folder, empty for none
    QString readPassword;
    bool unchecked = false;
};

struct Case {
    const char *name;
    std::vector<Row> rows;
    std::set<int> failRows;
    std::map<int, int> sheetsPerRow;
    bool errorStop;
    std::vector<RecordingExcelJob::Call> calls;
    QStringList saved;
    int discards;
    std::vector<QString> statuses;
    int errorCount;
    // Warned replacements: the rows that wrote, the file name, the earlier rows it held.
    std::vector<std::array<QString, 3>> overwrites = {};
};

class WorkbookSharing : public ::testing::TestWithParam<Case> {};

TEST_P(WorkbookSharing, DecisionsAndStatuses) {
    const Case &c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + u'/';
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
    QDir().mkpath(dir.filePath(QStringLiteral("logs")));

    Schedule schedule;
    schedule.errorStop = c.errorStop;
    int n = 0;
    for (const Row &r : c.rows) {
        EntryFile f;
        f.procFlag = r.procFlag;
        f.sql = r.procFlag == u"1"
                    ? QStringList{QStringLiteral("SELECT product_code, product_name FROM products")}
                    : QStringList{QStringLiteral("SELECT 1 FROM products")};
        f.outputRead = r.readPassword;
        f.outputWrite = QStringLiteral("w");
        const QString name = QStringLiteral("e%1.kvr").arg(++n);
        ASSERT_TRUE(writeEntryFile(folder + name, f));
        schedule.entries.push_back(
            readyEntry(folder, name, r.target.isEmpty() ? QString() : folder + r.target));
        if (r.unchecked)
            schedule.entries.back().mark = EntryMark::Unchecked;
    }
    SchedulerConnection connection(AliasList({sqliteAlias(QStringLiteral("DEMO"), db)}));
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    RecordingExcelJob job;
    job.failRows = c.failRows;
    job.sheetsPerRow = c.sheetsPerRow;
    ScheduleRunner runner(schedule, connection, clock);
    runner.setExcelReportJob(&job);
    runner.setLogFolders(dir.filePath(QStringLiteral("logs")), QString());
    const RunSummary summary = runner.runAll();

    EXPECT_EQ(job.calls, c.calls);
    EXPECT_EQ(job.saved, c.saved);
    EXPECT_EQ(job.discards, c.discards);
    EXPECT_EQ(job.leakedSessions, 0);
    EXPECT_EQ(job.continuedWithoutWorkbook, 0);
    EXPECT_EQ(summary.errorCount, c.errorCount);
    QStringList warnings;
    for (const auto &[rows, file, earlier] : c.overwrites)
        warnings << EntryText::overwroteEarlierOutput(rows, folder + file, earlier);
    EXPECT_EQ(summary.warnings, warnings);
    ASSERT_EQ(schedule.entries.size(), c.statuses.size());
    for (size_t i = 0; i < c.statuses.size(); ++i) {
        const QString &want = c.statuses[i];
        const QString &got = schedule.entries[i].status;
        EXPECT_EQ(got, want) << i + 1;
        const bool untouched =
            got == ScheduleRunner::Completed || got == ScheduleRunner::Unprocessed;
        const EntryMark failedMark = c.rows[i].unchecked ? EntryMark::Unchecked : EntryMark::Failed;
        EXPECT_EQ(schedule.entries[i].mark, untouched ? EntryMark::Ready : failedMark) << i + 1;
    }
    // The log names the files really written and agrees with the statuses.
    const Result<RunLogContents> log = readRunLog(summary.logPath);
    ASSERT_TRUE(log);
    for (size_t i = 0; i < log->records.size(); ++i) {
        EXPECT_EQ(log->records[i][7], schedule.entries[i].status);
        const ScheduleEntry &e = schedule.entries[i];
        EXPECT_EQ(log->records[i][3], e.writtenPath.isEmpty() ? e.targetPath : e.writtenPath);
        if (!e.writtenPath.isEmpty()) {
            EXPECT_TRUE(e.writtenPath.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
                << e.writtenPath.toStdString();
        }
    }
}

const QString kOk = QStringLiteral("正常終了");
const QString kPasswordDiffers =
    QStringLiteral("Excelﾊﾟｽﾜｰﾄﾞが前ｽｹｼﾞｭｰﾙのﾊﾟｽﾜｰﾄﾞと異なるため処理を中止しました。  CES_270016");
const QString kDriverFailure =
    QStringLiteral("データ抽出エラー <<SQLエラー:boom line2>> CEO_130008");

QString discarded(int row) {
    return workbookDiscardedText(row);
}

INSTANTIATE_TEST_SUITE_P(
    Scheduler, WorkbookSharing,
    ::testing::Values(
        Case{"ThreeShareOneWorkbookAFourthStartsAnother",
             {{"1", "x.xls", "r"}, {"1", "x.xls", "r"}, {"1", "x.xls", "r"}, {"1", "y", "r"}},
             {},
             {{2, 2}},
             false,
             {{1, 1, false}, {2, 2, false}, {3, 4, true}, {4, 1, true}},
             {"x.xlsx:4", "y.xlsx:1"},
             0,
             {kOk, kOk, kOk, kOk},
             0},
        Case{"LaterFailureDiscardsTheWorkbookAndFailsTheEarlierEntries",
             {{"1", "x.xls", "r"}, {"1", "x.xls", "r"}, {"1", "x.xls", "r"}, {"1", "x.xls", "r"}},
             {3},
             {},
             false,
             {{1, 1, false}, {2, 2, false}, {3, 3, false}, {4, 1, true}},
             {"x.xlsx:1"},
             1,
             {discarded(3), discarded(3), kDriverFailure, kOk},
             3},
        Case{"DifferentOutputPasswordStopsTheSharedWorkbook",
             {{"1", "x.xlsx", "r1"}, {"1", "x.xlsx", "r2"}, {"1", "x.xlsx", "r2"}},
             {},
             {},
             false,
             {{1, 1, false}, {3, 1, true}},
             {"x.xlsx:1"},
             1,
             {discarded(2), kPasswordDiffers, kOk},
             2},
        Case{"ErrorStopAfterADiscardedWorkbook",
             {{"1", "x.xls", "r"}, {"1", "x.xls", "r"}, {"1", "x.xls", "r"}},
             {2},
             {},
             true,
             {{1, 1, false}, {2, 2, false}},
             {},
             1,
             {discarded(2), kDriverFailure, QStringLiteral("未処理")},
             2},
        Case{"AnotherKindBelowWithTheSameTargetDoesNotKeepTheWorkbookOpen",
             {{"1", "x.xls", "r"}, {"0", "x.xls", "r"}, {"1", "x.xls", "r"}},
             {},
             {},
             false,
             {{1, 1, true}, {3, 1, true}},
             {"x.xlsx:1", "x.xlsx:1"},
             0,
             {kOk, kOk, kOk},
             0,
             {{"3", "x.xlsx", "1"}}},
        Case{"LaterEntryReplacingAnEarlierWorkbookCompletesWithAWarning",
             {{"1", "x.xls", "r"},
              {"1", "x.xls", "r"},
              {"1", "y.xls", "r"},
              {"1", "x.xls", "r"},
              {"1", "y.xlsx", "r"}},
             {},
             {},
             false,
             {{1, 1, false}, {2, 2, true}, {3, 1, true}, {4, 1, true}, {5, 1, true}},
             {"x.xlsx:2", "y.xlsx:1", "x.xlsx:1", "y.xlsx:1"},
             0,
             {kOk, kOk, kOk, kOk, kOk},
             0,
             {{"4", "x.xlsx", "1〜2"}, {"5", "y.xlsx", "3"}}},
        Case{"ADiscardedWorkbookIsNoOutputToReplace",
             {{"1", "x.xls", "r"}, {"1", "y.xls", "r"}, {"1", "x.xls", "r"}},
             {1},
             {},
             false,
             {{1, 1, true}, {2, 1, true}, {3, 1, true}},
             {"y.xlsx:1", "x.xlsx:1"},
             1,
             {kDriverFailure, kOk, kOk},
             1},
        Case{"AnUncheckedEntryBelowDoesNotKeepTheWorkbookOpen",
             {{"1", "x.xls", "r"}, {"1", "x.xls", "r", true}},
             {},
             {},
             false,
             {{1, 1, true}},
             {"x.xlsx:1"},
             0,
             {kOk,
              QStringLiteral("ユーザー名・パスワード未チェックのため実行できません CES_270004")},
             1},
        Case{"EntriesWithoutATargetShareNoWorkbookWhateverTheirPasswords",
             {{"0", "", "r1"}, {"0", "", "r2"}, {"1", "x.xls", "r3"}, {"1", "x.xls", "r3"}},
             {},
             {},
             false,
             {{3, 1, false}, {4, 2, true}},
             {"x.xlsx:2"},
             0,
             {kOk, kOk, kOk, kOk},
             0},
        Case{"EmptyTargetFailsTheSaveCheckBeforeTheDriverRuns",
             {{"1", "", "r"}, {"1", "z.XLS", "r"}},
             {},
             {},
             false,
             {{2, 1, true}},
             {"z.XLSx:1"},
             0,
             {QStringLiteral("保存先エラー CES_270013"), kOk},
             1}),
    [](const ::testing::TestParamInfo<Case> &param) { return std::string(param.param.name); });

// Two report entries writing one workbook through the real report driver, then an entry whose
// query fails: the first workbook holds both reports' sheets, and the log records all three.
TEST(ExcelReportEntries, TwoReportsShareOneWorkbookThroughTheDriver) {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
    for (const char *name : {"sales_list.kvr", "sales_pivot.kvr"})
        ASSERT_TRUE(
            QFile::copy(sourceDir() + QStringLiteral("/examples/") + QString::fromLatin1(name),
                        folder + QString::fromLatin1(name)));
    EntryFile broken;
    broken.procFlag = QStringLiteral("1");
    broken.sql = {QStringLiteral("SELECT no_such_column FROM products")};
    ASSERT_TRUE(writeEntryFile(folder + QStringLiteral("broken.kvr"), broken));

    Schedule schedule;
    schedule.errorStop = false;
    schedule.entries = {readyEntry(folder, QStringLiteral("sales_list.kvr"), folder + "both.xls"),
                        readyEntry(folder, QStringLiteral("sales_pivot.kvr"), folder + "both.xls"),
                        readyEntry(folder, QStringLiteral("broken.kvr"), folder + "broken.xlsx")};
    SchedulerConnection connection(AliasList({sqliteAlias(QStringLiteral("DEMO"), db)}));
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(dir.path(), QString());
    runner.runAll();

    EXPECT_EQ(schedule.entries[0].status, ScheduleRunner::Completed);
    EXPECT_EQ(schedule.entries[1].status, ScheduleRunner::Completed);
    EXPECT_NE(schedule.entries[2].status, ScheduleRunner::Completed);
    // A composed failure ("エラー <<...>>") followed by a scheduled ("C") step code.
    const QString failed = schedule.entries[2].status;
    EXPECT_TRUE(failed.contains(QStringLiteral("<<")) && failed.section(u' ', -1).startsWith(u'C'))
        << failed.toStdString();
    EXPECT_EQ(schedule.entries[0].writtenPath, folder + QStringLiteral("both.xlsx"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("broken.xlsx")));
    EXPECT_GT(schedule.entries[0].dataCount.trimmed().toInt(), 0);

    const ProcessResult book = runPython(QStringLiteral(R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("|".join(ws.title + ":" + str(len(ws._pivots)) for ws in wb.worksheets))
)PY"),
                                         {folder + QStringLiteral("both.xlsx")});
    ASSERT_EQ(book.exitCode, 0) << book.err.toStdString();
    // The list report's sheet, then the pivot report's data sheet and its pivot sheet.
    EXPECT_EQ(book.out.trimmed(), QStringLiteral("売上一覧:0|明細:0|集計:1"));

    const QStringList logs = QDir(dir.path()).entryList({QStringLiteral("*.log")});
    ASSERT_EQ(logs.size(), 1);
    const Result<RunLogContents> log = readRunLog(dir.filePath(logs.first()));
    ASSERT_TRUE(log);
    EXPECT_EQ(log->total, 3);
    EXPECT_EQ(log->completed, 2);
    EXPECT_EQ(log->failed, 1);
    EXPECT_EQ(log->records[0][3], folder + QStringLiteral("both.xlsx"));
}

// A shared workbook whose save fails for real (a file-size limit, as a full disk would) keeps
// the older file at the target byte for byte, and the entries say why.
TEST(ExcelReportEntries, FailedSaveOfASharedWorkbookKeepsTheOlderFile) {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
    for (const char *name : {"sales_list.kvr", "sales_pivot.kvr"})
        ASSERT_TRUE(
            QFile::copy(sourceDir() + QStringLiteral("/examples/") + QString::fromLatin1(name),
                        folder + QString::fromLatin1(name)));
    const QString target = folder + QStringLiteral("both.xlsx");
    const QByteArray older("the older workbook");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(older);
    }
    Schedule schedule;
    schedule.errorStop = false;
    schedule.entries = {readyEntry(folder, QStringLiteral("sales_list.kvr"), folder + "both.xls"),
                        readyEntry(folder, QStringLiteral("sales_pivot.kvr"), folder + "both.xls")};
    SchedulerConnection connection(AliasList({sqliteAlias(QStringLiteral("DEMO"), db)}));
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    {
        ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        runner.runAll();
    }
    for (const ScheduleEntry &entry : schedule.entries)
        EXPECT_NE(entry.status, ScheduleRunner::Completed) << entry.status.toStdString();
    const QString &status = schedule.entries[1].status;
    EXPECT_TRUE(status.contains(QStringLiteral("ファイルの大きさが上限を超えました")))
        << status.toStdString();
    EXPECT_EQ(fileBytes(target), older);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("both.xlsx*")}, QDir::Files),
              QStringList{QStringLiteral("both.xlsx")});
}

// Report entries through the real report driver on the demo database, with an older file at
// the shared target: a query that fails inside a later report of a shared workbook discards it
// (the earlier entries say so and the older file stays as it was); an entry further down that
// writes a file an earlier entry wrote replaces it, completes and is warned about.
TEST(ExcelReportEntries, FailuresInsideASharedWorkbookAndLaterReplacements) {
    const QString kFailed = QStringLiteral("<failed in the report>");
    struct DriverCase {
        const char *name;
        std::vector<std::pair<const char *, const char *>> rows; // settings file, target
        std::vector<QString> statuses; // kFailed: a composed report failure
        QString sheetsOfX;             // x.xlsx read back; empty: the older file is untouched
        std::vector<std::array<QString, 3>> overwrites;
    };
    const std::vector<DriverCase> cases{
        {"SqlErrorInTheSecondOfTwo",
         {{"sales_list.kvr", "x.xls"}, {"broken.kvr", "x.xls"}},
         {discarded(2), kFailed},
         {},
         {}},
        {"SqlErrorInTheThirdOfThree",
         {{"sales_list.kvr", "x.xls"}, {"sales_pivot.kvr", "x.xls"}, {"broken.kvr", "x.xls"}},
         {discarded(3), discarded(3), kFailed},
         {},
         {}},
        {"FurtherDownReplacesTheEarlierWorkbook",
         {{"sales_pivot.kvr", "x.xls"}, {"sales_list.kvr", "y.xls"}, {"sales_list.kvr", "x.xls"}},
         {kOk, kOk, kOk},
         QStringLiteral("売上一覧:0"),
         {{"3", "x.xlsx", "1"}}},
    };
    for (const DriverCase &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString folder = dir.path() + u'/';
        const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
        for (const char *name : {"sales_list.kvr", "sales_pivot.kvr"})
            ASSERT_TRUE(
                QFile::copy(sourceDir() + QStringLiteral("/examples/") + QString::fromLatin1(name),
                            folder + QString::fromLatin1(name)));
        EntryFile broken;
        broken.procFlag = QStringLiteral("1");
        broken.sql = {QStringLiteral("SELECT no_such_column FROM products")};
        ASSERT_TRUE(writeEntryFile(folder + QStringLiteral("broken.kvr"), broken));
        const QString older = folder + QStringLiteral("x.xlsx");
        {
            QFile f(older);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("the workbook of an earlier day");
        }

        Schedule schedule;
        schedule.errorStop = false;
        for (const auto &[file, target] : c.rows)
            schedule.entries.push_back(readyEntry(folder, QString::fromLatin1(file),
                                                  folder + QString::fromLatin1(target)));
        SchedulerConnection connection(AliasList({sqliteAlias(QStringLiteral("DEMO"), db)}));
        ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
        ScheduleRunner runner(schedule, connection, clock);
        runner.setLogFolders(dir.path(), QString());
        const RunSummary summary = runner.runAll();
        connection.close();

        ASSERT_EQ(schedule.entries.size(), c.statuses.size());
        for (size_t i = 0; i < c.statuses.size(); ++i) {
            const QString &got = schedule.entries[i].status;
            if (c.statuses[i] == kFailed) {
                EXPECT_TRUE(got.startsWith(QStringLiteral("データ抽出エラー <<")) &&
                            got.section(u' ', -1).startsWith(u'C'))
                    << i + 1 << ": " << got.toStdString();
            } else {
                EXPECT_EQ(got, c.statuses[i]) << i + 1;
            }
        }
        QStringList warnings;
        for (const auto &[rows, file, earlier] : c.overwrites)
            warnings << EntryText::overwroteEarlierOutput(rows, folder + file, earlier);
        EXPECT_EQ(summary.warnings, warnings);

        if (c.sheetsOfX.isEmpty()) {
            QFile f(older);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("the workbook of an earlier day"));
        } else {
            const ProcessResult book = runPython(QStringLiteral(R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("|".join(ws.title + ":" + str(len(ws._pivots)) for ws in wb.worksheets))
)PY"),
                                                 {older});
            ASSERT_EQ(book.exitCode, 0) << book.err.toStdString();
            EXPECT_EQ(book.out.trimmed(), c.sheetsOfX);
        }
        // The log agrees with the grid.
        const Result<RunLogContents> log = readRunLog(summary.logPath);
        ASSERT_TRUE(log);
        ASSERT_EQ(log->records.size(), schedule.entries.size());
        for (size_t i = 0; i < log->records.size(); ++i)
            EXPECT_EQ(log->records[i][7], schedule.entries[i].status) << i + 1;
    }
}

TEST(ExcelReportEntries, OutputPathAndFailureStatusRules) {
    const std::vector<std::pair<QString, QString>> paths{
        {"/r/a.xls", "/r/a.xlsx"}, {"/r/a.XLS", "/r/a.XLSx"},     {"/r/a.xlsx", "/r/a.xlsx"},
        {"/r/a", "/r/a.xlsx"},     {"/r/a.csv", "/r/a.csv.xlsx"}, {"/r/a.xlsm", "/r/a.xlsm.xlsx"},
        {"/r.d/a", "/r.d/a.xlsx"}};
    for (const auto &[in, out] : paths)
        EXPECT_EQ(workbookOutputPath(in), out) << in.toStdString();

    struct Compose {
        QString q, d, status;
    };
    const std::vector<Compose> statuses{
        {"SQLエラー", "no table", "データ抽出エラー <<SQLエラー:no table>>"},
        {"Excel作成エラー", "", "エラー <<Excel作成エラー>>"},
        {"", "a\r\nb\nc", "データ抽出エラー <<a b c>>"},
    };
    for (const Compose &c : statuses)
        EXPECT_EQ(composeExcelFailureStatus(c.q, c.d), c.status);
}

} // namespace

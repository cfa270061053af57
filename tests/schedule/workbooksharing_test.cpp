// The scheduler's decisions around ExcelReport entries, checked with a report driver that
// records what it is asked to do: which entries write one workbook, on which sheet they start,
// when the workbook is saved or discarded, the output password rule and the statuses. The
// workbooks themselves are the report driver's business and are checked with it.
#include "scheduletestutil.h"
#include "testsupport.h"

#include "clock.h"
#include "dbsession.h"
#include "excelreportjob.h"
#include "runlog.h"
#include "schedulerunner.h"
#include "stepcode.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
             0},
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

TEST(ExcelReportEntries, WithoutAReportDriverTheEntryFailsPlainly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + u'/';
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    ASSERT_TRUE(QFile::copy(demoDatabasePath(), db));
    EntryFile f;
    f.procFlag = QStringLiteral("1");
    f.sql = {QStringLiteral("SELECT product_code FROM products")};
    ASSERT_TRUE(writeEntryFile(folder + QStringLiteral("r.kvr"), f));
    Schedule schedule;
    schedule.entries.push_back(readyEntry(folder, QStringLiteral("r.kvr"), folder + "out.xls"));
    SchedulerConnection connection(AliasList({sqliteAlias(QStringLiteral("DEMO"), db)}));
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(10, 0, 0)));
    ScheduleRunner runner(schedule, connection, clock);
    runner.setLogFolders(dir.path(), QString());
    runner.runAll();
    EXPECT_EQ(schedule.entries[0].status, excelUnavailableText() + QStringLiteral(" CES_270013"));
    EXPECT_EQ(schedule.entries[0].writtenPath, folder + QStringLiteral("out.xlsx"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("out.xlsx")));
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

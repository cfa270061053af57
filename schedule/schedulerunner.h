// The schedule run: arming on the start time, running every entry in order with its checks and
// its job, recording failures, the error stop and the run log.
//
// A run goes:
//  1. Arming (実行) checks the start, compacts the schedule, clears the results and starts the
//     timer (ScheduleTimer: first tick after 500 ms, later ones by decideTick()).
//  2. When the start is due the timer stops and every entry runs top to bottom: the entry checks
//     (CES_270004 ... CES_270011), the output password rule, the shared-workbook numbering and
//     the job of its kind (Sql, ExcelReport, CsvExport, CsvImport).
//  3. A failing entry gets its failure text and step code as status; with the error stop the
//     entries after it become "未処理" and the run ends there.
//  4. The run log is written after a normal end and after an error stop.
// Arming uses the calling thread's timers. runAll() may run on a worker thread of its own (with
// its own connection and a clock whose now() may be called there); the listeners are then
// called on that thread, and requestStop() may be called from any thread.
#pragma once

#include "core/result.h"
#include "core/stepcode.h"
#include "csv/csvoptions.h"
#include "schedule/entrycheck.h"
#include "schedule/excelreportjob.h"
#include "schedule/scheduleentry.h"
#include "schedule/scheduletimer.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kelvoran {

class Clock;
class ReportDefinition;
struct AppSettings;
class SchedulerConnection;
struct SelectAnalysis;

// Armed = waiting for the start time; Running = entries are being processed.
enum class ScheduleState { Idle, Armed, Running };

// How the last run ended.
struct RunSummary {
    QString runStart; // "yyyy/mm/dd HH:NN:SS"
    QString runEnd;
    int errorCount = 0;
    bool stoppedByError = false;
    QString logPath;   // where the log went (empty when it could not be written)
    QString logNotice; // why it went to a fallback folder, or why it was not written
    // Characters of the statuses that the Shift_JIS log could not hold and holds as "?" (the
    // grid keeps them); see runLogReplacedNotice().
    int logReplacedCharacters = 0;
    // What went right but deserves a look: an entry that replaced a file an earlier entry of
    // the same run wrote further up. Never part of a status.
    QStringList warnings;
    // Stopped on request (中止 during the run) after an entry; the rest are "未処理".
    bool stoppedByRequest = false;
    // The CSV options of the last entry whose settings file was read: what the program's CSV
    // commands start from after the run.
    std::optional<CsvOptions> lastCsvOptions;
};

// The five start fields checked in order: an empty one gives "開始時間「年」項目が未入力です。
// 入力してください。" (and so on), an invalid one the field's message.
Result<ScheduleStart> scheduleStartFromFields(const QStringList &yearMonthDayHourMinute);

// A time stamp as the grid and the log show it: "yyyy/mm/dd HH:NN:SS".
QString scheduleTimeText(const QDateTime &time);

// The status an earlier entry of a shared workbook gets when entry failedRow's failure makes
// the workbook be closed without saving.
QString workbookDiscardedText(int failedRow);

class ScheduleRunner {
public:
    // The run's fixed texts.
    static const QString Completed;   // "正常終了"
    static const QString Unprocessed; // "未処理"

    ScheduleRunner(Schedule &schedule, SchedulerConnection &connection, Clock &clock);
    ~ScheduleRunner();
    ScheduleRunner(const ScheduleRunner &) = delete;
    ScheduleRunner &operator=(const ScheduleRunner &) = delete;

    // Replaces the Excel report driver (by default the report driver of excel/, see
    // driverreportjob.h); the job must outlive the runner.
    void setExcelReportJob(ExcelReportJob *job) { m_excel = job; }
    // The log folder (LogFileDir) and its fallback (INSTALLDIR).
    void setLogFolders(const QString &logDir, const QString &installDir);
    // The same from the program's settings (LogFileDir, INSTALLDIR).
    void setLogFolders(const AppSettings &settings);
    // Hands the log's lines to sink instead of writing a log file (a headless run that logs to
    // its output stream); the run's log path then stays empty. An empty sink writes the file.
    void setLogLineSink(std::function<void(const QStringList &lines)> sink) {
        m_logLineSink = std::move(sink);
    }
    // Told the status bar's text (progress, "スケジュール終了〔エラー件数 n〕").
    void setStatusListener(std::function<void(const QString &)> listener) {
        m_statusListener = std::move(listener);
    }
    // Told when the grid should be repainted (run start, end of each entry, each failure).
    void setRepaintListener(std::function<void()> listener) {
        m_repaintListener = std::move(listener);
    }
    // Told when an armed run has ended.
    void setFinishedListener(std::function<void(const RunSummary &)> listener) {
        m_finishedListener = std::move(listener);
    }

    // 実行 / 中止: Idle becomes Armed, Armed becomes Idle. Either way the schedule is compacted
    // and every result cleared; an Armed schedule without entries goes back to Idle. Returns the
    // new state. Nothing happens while Running.
    ScheduleState toggleArmed(const ScheduleStart &start);
    // Stops an armed schedule (閉じる); nothing while Idle or Running.
    void disarm();
    ScheduleState state() const { return m_state; }
    // Row number (1-based) of the entry being processed; 0 before the first.
    int runCursor() const { return m_runCursor; }
    // The timer's current polling interval (0 when stopped).
    int timerIntervalMs() const { return m_timer.intervalMs(); }

    // Runs every entry now and writes the log; returns how the run ended.
    RunSummary runAll();
    // Asks a run to stop after the entry in progress (or, when that entry leaves a shared
    // workbook open, after the entry that saves it): the entries after it become "未処理" and
    // the status bar and the log are written as after an error stop. Thread-safe.
    void requestStop() { m_stopRequested = true; }
    const RunSummary &lastRun() const { return m_summary; }

private:
    void runNow();
    bool runEntry(int row);
    bool runSql(int row, const QStringList &sqlLines, const SelectAnalysis &analysis);
    bool runExcelReport(int row, const ReportDefinition &def, const SelectAnalysis &analysis);
    bool runCsvExport(int row, const ReportDefinition &def);
    bool runCsvImport(int row, const ReportDefinition &def);
    bool runCsvJob(int row, const ReportDefinition &def, bool exporting);
    // Sets the failure text and records the failure of row (the detail, a database or file
    // message, follows the step code in the status); always returns false.
    bool fail(int row, const QString &failureText, const QString &detail = QString());
    // The same for a failed check: its text, at its step code.
    bool fail(int row, const Error &failure);
    void recordFailure(int row, const QString &detail = QString());
    void discardWorkbook(int causeRow);
    // Records that rows' output is now the file at path; warns when that replaced the output of
    // earlier rows of this run.
    void noteWritten(const QString &path, const std::vector<int> &rows);
    // Whether the ExcelReport entry of row leaves its workbook open for the row below: the row
    // below has the same target and passes its checks as an ExcelReport entry.
    bool continuesWorkbook(int row);
    // The checks of row: the ones made ahead by continuesWorkbook(), else made now.
    Result<CheckedEntry> checkRow(int row);
    void finishRun();
    // Ends the run after row, on request or on an error with error stop set: the rest "未処理",
    // status bar, log.
    void stopAfter(int row, bool byError);
    void writeLog();
    void status(const QString &text);
    void repaint();
    QString now() const;
    ScheduleEntry &entry(int row) { return m_schedule.entries[size_t(row - 1)]; }
    const ScheduleEntry &entry(int row) const { return m_schedule.entries[size_t(row - 1)]; }
    int rows() const { return int(m_schedule.entries.size()); }

    Schedule &m_schedule;
    SchedulerConnection &m_connection;
    Clock &m_clock;
    ScheduleTimer m_timer;
    std::unique_ptr<ExcelReportJob> m_driverJob;
    ExcelReportJob *m_excel = nullptr;
    QString m_logDir;
    QString m_installDir;
    std::function<void(const QStringList &)> m_logLineSink;
    std::function<void(const QString &)> m_statusListener;
    std::function<void()> m_repaintListener;
    std::function<void(const RunSummary &)> m_finishedListener;

    ScheduleState m_state = ScheduleState::Idle;
    int m_runCursor = 0;
    RunSummary m_summary;
    // State of one run.
    QString m_failureText;
    StepCode m_step{u'C'};
    qint64 m_count = 0;
    bool m_forceReconnect = true;
    bool m_stopped = false;
    std::atomic<bool> m_stopRequested{false};
    PasswordChainRecord m_chain;
    WorkbookPlacement m_placement;
    std::vector<int> m_pendingRows; // rows whose sheets are in the workbook still open
    std::map<QString, std::vector<int>> m_writtenBy; // file written in this run -> its rows
    // The checks of the row below, made when the workbook's fate depended on them.
    struct CheckedAhead {
        int row;
        Result<CheckedEntry> result;
    };
    std::optional<CheckedAhead> m_checkedAhead;
};

} // namespace kelvoran

#include "schedule/schedulerunner.h"

#include "schedule/driverreportjob.h"

#include "csv/scheduledcsv.h"
#include "schedule/entrycheck.h"
#include "schedule/runlog.h"
#include "schedule/schedulefile.h"

#include "core/appsettings.h"
#include "core/clock.h"
#include "core/pathrules.h"
#include "core/textfile.h"
#include "db/dbsession.h"
#include "db/procedurecall.h"
#include "db/querytext.h"
#include "db/selectanalysis.h"
#include "report/messagetable.h"
#include "report/reportdefinition.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace kelvoran {

const QString ScheduleRunner::Completed = EntryText::completed();
const QString ScheduleRunner::Unprocessed = EntryText::unprocessed();

Result<ScheduleStart> scheduleStartFromFields(const QStringList &fields) {
    const StartField order[] = {StartField::Year, StartField::Month, StartField::Day,
                                StartField::Hour, StartField::Minute};
    for (int i = 0; i < 5; ++i)
        if (fields.value(i).isEmpty())
            return Error{startFieldMissingMessage(order[i]), QString()};
    int values[5] = {};
    for (int i = 0; i < 5; ++i) {
        const Result<QString> field = normaliseStartField(order[i], fields[i]);
        if (!field)
            return field.error();
        values[i] = field->toInt();
    }
    return ScheduleStart{values[0], values[1], values[2], values[3], values[4]};
}

QString scheduleTimeText(const QDateTime &time) {
    return time.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString workbookDiscardedText(int failedRow) {
    return EntryText::workbookDiscarded(failedRow);
}

namespace {

// Consecutive row numbers as one text: "3", or "3〜5" for a workbook several entries wrote.
QString rowRangeText(const std::vector<int> &rows) {
    const QString first = QString::number(rows.front());
    return rows.size() == 1 ? first : first + QStringLiteral("〜") + QString::number(rows.back());
}

} // namespace

ScheduleRunner::ScheduleRunner(Schedule &schedule, SchedulerConnection &connection, Clock &clock)
    : m_schedule(schedule), m_connection(connection), m_clock(clock), m_timer(clock),
      m_driverJob(std::make_unique<DriverExcelReportJob>(&clock)), m_excel(m_driverJob.get()) {}

ScheduleRunner::~ScheduleRunner() = default;

void ScheduleRunner::setLogFolders(const QString &logDir, const QString &installDir) {
    m_logDir = logDir;
    m_installDir = installDir;
}

void ScheduleRunner::setLogFolders(const AppSettings &settings) {
    setLogFolders(settings.logFileDir, settings.installDir);
}

QString ScheduleRunner::now() const {
    return scheduleTimeText(m_clock.now());
}

void ScheduleRunner::status(const QString &text) {
    if (m_statusListener)
        m_statusListener(text);
}

void ScheduleRunner::repaint() {
    if (m_repaintListener)
        m_repaintListener();
}

// ---------------------------------------------------------------------------------------------
// Arming

ScheduleState ScheduleRunner::toggleArmed(const ScheduleStart &start) {
    if (m_state == ScheduleState::Running)
        return m_state;
    m_state = m_state == ScheduleState::Idle ? ScheduleState::Armed : ScheduleState::Idle;
    m_schedule.compact();
    status(QString());
    m_runCursor = 0;
    if (m_state == ScheduleState::Armed && !m_schedule.entries.empty()) {
        m_timer.arm(start, [this] { runNow(); });
    } else {
        m_timer.disarm();
        m_state = ScheduleState::Idle;
    }
    return m_state;
}

void ScheduleRunner::disarm() {
    if (m_state != ScheduleState::Armed)
        return;
    m_timer.disarm();
    m_state = ScheduleState::Idle;
}

void ScheduleRunner::runNow() {
    m_state = ScheduleState::Running;
    m_runCursor = 0;
    repaint();
    const RunSummary summary = runAll();
    m_state = ScheduleState::Idle;
    if (m_finishedListener)
        m_finishedListener(summary);
}

// ---------------------------------------------------------------------------------------------
// The run

RunSummary ScheduleRunner::runAll() {
    m_timer.disarm();
    m_state = ScheduleState::Running;
    m_schedule.compact();
    m_failureText = Completed;
    m_summary = RunSummary();
    m_forceReconnect = true;
    m_stopped = false;
    m_stopRequested = false;
    m_summary.runStart = now();
    m_step.clear();
    m_chain.invalidate();
    m_placement = WorkbookPlacement();
    m_pendingRows.clear();
    m_checkedAhead.reset();
    m_writtenBy.clear();

    for (int row = 1; row <= rows(); ++row) {
        ScheduleEntry &e = entry(row);
        m_count = 0;
        m_runCursor = row;
        e.startTime = now();
        const bool ok = runEntry(row);
        if (m_stopped)
            break;
        if (ok)
            e.dataCount = formatDataCount(m_count);
        e.endTime = now();
        if (e.status.isEmpty()) {
            e.status = Completed;
            e.mark = EntryMark::Ready;
        }
        repaint();
        // A workbook still open for the row below is finished first, so that the entries
        // already in it keep their output.
        if (m_stopRequested && row < rows() && !m_placement.sessionOpen) {
            stopAfter(row, false);
            break;
        }
    }
    if (!m_stopped)
        finishRun();
    m_state = ScheduleState::Idle;
    return m_summary;
}

void ScheduleRunner::finishRun() {
    // The entry that is to continue a workbook runs with the checks that decided so, so a
    // workbook is not left open here; should one be, its sheets are discarded like after a
    // failure rather than lost unsaved.
    if (m_placement.sessionOpen)
        discardWorkbook(rows());
    m_summary.runEnd = now();
    status(EntryText::runEnded(m_summary.errorCount));
    writeLog();
    repaint();
}

void ScheduleRunner::stopAfter(int row, bool byError) {
    const QString stopped = now();
    for (int r = row + 1; r <= rows(); ++r) {
        ScheduleEntry &rest = entry(r);
        rest.startTime = stopped;
        rest.endTime = stopped;
        rest.status = Unprocessed;
    }
    m_runCursor = rows() + 1;
    (byError ? m_summary.stoppedByError : m_summary.stoppedByRequest) = true;
    m_summary.runEnd = stopped;
    status(EntryText::runEnded(m_summary.errorCount));
    writeLog();
    repaint();
    m_stopped = true;
}

void ScheduleRunner::writeLog() {
    std::vector<RunLogEntry> lines;
    for (const ScheduleEntry &e : m_schedule.entries)
        lines.push_back(RunLogEntry{e.fileName, e.folder,
                                    e.writtenPath.isEmpty() ? e.targetPath : e.writtenPath,
                                    e.startTime, e.endTime, e.dataCount, e.status});
    int replaced = 0;
    const QStringList logLines =
        runLogLines(m_summary.runStart, m_summary.runEnd, lines, &replaced);
    if (m_logLineSink) {
        m_logLineSink(logLines);
        m_summary.logReplacedCharacters = replaced;
        m_summary.logPath.clear();
        m_summary.logNotice.clear();
        return;
    }
    const Result<RunLogWritten> written =
        writeRunLog(m_logDir, m_installDir, m_clock.now(), logLines);
    m_summary.logReplacedCharacters = written ? replaced : 0;
    if (written) {
        m_summary.logPath = written->path;
        m_summary.logNotice = written->notice;
    } else {
        m_summary.logPath.clear();
        m_summary.logNotice = written.error().message;
    }
}

bool ScheduleRunner::fail(int row, const Error &failure) {
    m_step.setText(failure.stepCode);
    return fail(row, failure.message);
}

bool ScheduleRunner::fail(int row, const QString &failureText, const QString &detail) {
    m_failureText = failureText;
    recordFailure(row, detail);
    return false;
}

void ScheduleRunner::recordFailure(int row, const QString &detail) {
    ScheduleEntry &e = entry(row);
    if (e.mark != EntryMark::Unchecked)
        e.mark = EntryMark::Failed;
    m_chain.invalidate();
    repaint();

    ++m_summary.errorCount;
    e.endTime = now();
    e.status = m_step.text().isEmpty() ? m_failureText : m_failureText + u' ' + m_step.text();
    // The cause (a database or file message) follows, so that an unattended run says why.
    if (!detail.isEmpty()) {
        QString oneLine = detail;
        oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        oneLine.replace(u'\r', u' ');
        oneLine.replace(u'\n', u' ');
        e.status += u' ' + oneLine.trimmed();
    }

    // The driver may already have closed the workbook it failed in; the earlier entries' sheets
    // went with it all the same.
    if (m_placement.sessionOpen || !m_pendingRows.empty()) {
        discardWorkbook(row);
        m_step.clear();
    }

    if (m_schedule.errorStop)
        stopAfter(row, true);
}

void ScheduleRunner::discardWorkbook(int causeRow) {
    if (m_excel && m_placement.sessionOpen)
        m_excel->discard(m_placement);
    m_placement.sessionOpen = false;
    m_placement.templateName.clear();
    m_placement.sheetIndex = 0;
    m_placement.sheetCount = 0;
    // The entries that already wrote their sheets into the discarded workbook did not produce
    // their output after all: they are failures, not completed entries.
    for (int r : m_pendingRows) {
        if (r == causeRow)
            continue;
        ScheduleEntry &done = entry(r);
        done.mark = EntryMark::Failed;
        done.status = workbookDiscardedText(causeRow);
        ++m_summary.errorCount;
    }
    m_pendingRows.clear();
}

bool ScheduleRunner::continuesWorkbook(int row) {
    if (row >= rows() || entry(row + 1).targetPath != entry(row).targetPath ||
        entry(row + 1).mark == EntryMark::Unchecked)
        return false;
    // The workbook stays open only for an entry that will really write into it; any other
    // entry below would leave it unsaved. The row below keeps this check for its own run.
    m_checkedAhead.emplace(
        CheckedAhead{row + 1, checkEntry(entry(row + 1), m_connection.aliases())});
    const Result<CheckedEntry> &below = m_checkedAhead->result;
    return below && below->kind() == EntryKind::ExcelReport;
}

Result<CheckedEntry> ScheduleRunner::checkRow(int row) {
    if (m_checkedAhead && m_checkedAhead->row == row) {
        Result<CheckedEntry> checked = std::move(m_checkedAhead->result);
        m_checkedAhead.reset();
        return checked;
    }
    m_checkedAhead.reset();
    return checkEntry(entry(row), m_connection.aliases());
}

bool ScheduleRunner::runEntry(int row) {
    ScheduleEntry &e = entry(row);
    e.writtenPath.clear();
    e.notices.clear();

    // CES_270004 to CES_270008: the connection mark, the settings file and its parsing.
    const Result<CheckedEntry> checked = checkRow(row);
    if (!checked)
        return fail(row, checked.error());
    const CheckedEntry &settings = *checked;
    const ReportDefinition &def = settings.definition;
    m_summary.lastCsvOptions = csvOptionsFromSettings(def);
    const std::optional<EntryKind> kind = settings.kind();

    m_step.set("ES_270016");
    if (const Status rule = checkOutputPasswords(
            settings, e, row > 1 ? std::optional<QString>(entry(row - 1).targetPath) : std::nullopt,
            m_chain);
        !rule)
        return fail(row, rule.error());

    m_step.set("ES_270009");
    if (!m_connection.aliases().find(e.alias))
        return fail(row, EntryText::aliasError());
    m_step.set("ES_270010");
    if (const DbResult<QSqlDatabase> opened =
            m_connection.open(e.alias, e.userName, e.password, m_forceReconnect);
        !opened)
        return fail(row, EntryText::connectionFailed(), opened.error().message());
    m_forceReconnect = false;

    m_step.set("ES_270011");
    const SelectAnalysis &analysis = settings.analysis;

    // Shared-workbook numbering.
    const bool excel = kind == EntryKind::ExcelReport;
    const bool sameAsAbove = row > 1 && e.targetPath == entry(row - 1).targetPath;
    m_placement.sheetIndex =
        excel && sameAsAbove && m_placement.sessionOpen ? m_placement.sheetCount + 1 : 1;
    m_placement.closeAfter = !(excel && continuesWorkbook(row));
    if (m_placement.sessionOpen && m_placement.sheetIndex == 1)
        discardWorkbook(row); // the entry above meant to be continued, this one does not

    if (!kind)
        return true; // any other PROCFLG runs nothing and completes
    switch (*kind) {
    case EntryKind::Sql:
        return runSql(row, def.sqlLines, analysis);
    case EntryKind::ExcelReport:
        return runExcelReport(row, def, analysis);
    case EntryKind::CsvExport:
        return runCsvExport(row, def);
    case EntryKind::CsvImport:
        return runCsvImport(row, def);
    }
    return true;
}

bool ScheduleRunner::runSql(int row, const QStringList &sqlLines, const SelectAnalysis &analysis) {
    m_step.set("ES_270012");
    const QString failure = EntryText::sqlError();
    const std::optional<QSqlDatabase> db = m_connection.connection();
    if (!db)
        return fail(row, failure);
    const std::optional<AliasInfo> alias = m_connection.aliases().find(entry(row).alias);
    const NativeCodeForm form = nativeCodeFormOf(alias ? alias->driver : QString());
    QString text;
    switch (analysis.statementKind) {
    case StatementKind::Query:
    case StatementKind::Show:
        // A query has nothing to run in a schedule: the entry completes with no rows.
        m_count = 0;
        return true;
    case StatementKind::ProcedureCall: {
        const std::optional<ProcedureCall> call = parseProcedureCall(sqlLines);
        if (!call)
            return fail(row, failure);
        const CallStatement statement =
            procedureCallStatement(*db, alias ? alias->kind() : DbKind::Other, form, *call);
        if (statement.failure == CallStatementFailure::NotFound)
            return fail(row, failure, EntryText::procedureNotFound());
        if (statement.failure)
            return fail(
                row, failure,
                EntryText::parameterCount(statement.declaredParameters, statement.givenParameters));
        text = statement.text;
        break;
    }
    case StatementKind::Other:
        // Sent as one statement, each line followed by a CR; ":" is plain text.
        text = joinWithSeparator(sqlLines, QStringLiteral("\r"));
        break;
    }
    QSqlQuery q(*db);
    if (!q.exec(text))
        return fail(row, failure, DbError::fromSqlError(q.lastError(), form).message());
    m_count = 0;
    return true;
}

bool ScheduleRunner::runExcelReport(int row, const ReportDefinition &def,
                                    const SelectAnalysis &analysis) {
    ScheduleEntry &e = entry(row);
    m_step.set("ES_270013");
    e.startTime = now();
    // The save checks come before the work, so that no report is built for nowhere.
    if (const Status target = checkEntryTarget(EntryKind::ExcelReport, e); !target)
        return fail(row, target.error());
    m_placement.outputPath = workbookOutputPath(e.targetPath);
    e.writtenPath = m_placement.outputPath;

    const ExcelReportOutcome outcome = m_excel->run(
        ExcelReportInput{e, row, def, analysis, [this](const QString &text) { status(text); }},
        m_connection, m_placement, m_step);
    if (!outcome.ok) {
        if (outcome.plainFailure)
            return fail(row, outcome.failureText);
        return fail(row, composeExcelFailureStatus(outcome.failureText, outcome.detail));
    }
    m_count = outcome.dataCount;
    e.notices = outcome.notices;
    m_step.clear();
    if (m_placement.closeAfter) {
        // Saved and closed: the next entry starts a workbook of its own.
        m_pendingRows.push_back(row);
        noteWritten(m_placement.outputPath, m_pendingRows);
        m_pendingRows.clear();
        m_placement.sessionOpen = false;
        m_placement.sheetCount = 0;
        m_placement.templateName.clear();
    } else {
        m_pendingRows.push_back(row);
    }
    return true;
}

bool ScheduleRunner::runCsvExport(int row, const ReportDefinition &def) {
    ScheduleEntry &e = entry(row);
    m_step.set("ES_270014");
    if (const Status target = checkEntryTarget(EntryKind::CsvExport, e); !target)
        return fail(row, target.error());
    m_failureText = EntryText::csvExportError();
    e.startTime = now();
    return runCsvJob(row, def, true);
}

bool ScheduleRunner::runCsvImport(int row, const ReportDefinition &def) {
    ScheduleEntry &e = entry(row);
    m_step.set("ES_270015");
    if (const Status target = checkEntryTarget(EntryKind::CsvImport, e); !target)
        return fail(row, target.error());
    m_failureText = EntryText::csvImportError();
    e.startTime = now();
    return runCsvJob(row, def, false);
}

bool ScheduleRunner::runCsvJob(int row, const ReportDefinition &def, bool exporting) {
    ScheduleEntry &e = entry(row);
    const std::optional<QSqlDatabase> db = m_connection.connection();
    if (!db)
        return fail(row, m_failureText);
    const std::optional<AliasInfo> alias = m_connection.aliases().find(e.alias);
    ScheduledCsvJob job;
    job.settings = &def;
    job.settingsFilePath = e.folder + e.fileName;
    job.targetPath = e.targetPath;
    job.db = *db;
    job.kind = alias ? alias->kind() : DbKind::Other;
    const QString rowLabel = QString::number(row);
    job.progress = [this, &e, rowLabel, exporting](qint64 line, qint64 total) {
        // The status bar is told every 100 lines; a listener that repaints stays cheap.
        if (line % 100 != 1 || !m_statusListener)
            return;
        status(exporting ? scheduledExportStatusText(line, total, rowLabel, e.fileName)
                         : scheduledImportStatusText(line, rowLabel, e.fileName));
    };
    const ScheduledCsvOutcome done =
        exporting ? runScheduledCsvExport(job) : runScheduledCsvImport(job);
    if (exporting && !done.path.isEmpty())
        e.writtenPath = done.path;
    if (!done.ok) {
        m_step.setText(done.stepCode);
        return fail(row, done.failureText.isEmpty() ? m_failureText : done.failureText,
                    done.detail);
    }
    m_count = done.dataCount;
    if (exporting)
        noteWritten(done.path, {row});
    return true;
}

void ScheduleRunner::noteWritten(const QString &path, const std::vector<int> &rows) {
    if (path.isEmpty() || rows.empty())
        return;
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto earlier = m_writtenBy.find(key);
    if (earlier != m_writtenBy.end()) {
        // Entries next to each other share one workbook; an earlier entry further up that wrote
        // the same file has just lost its output. The later entry did its work, so it keeps its
        // status and the run says what happened beside it.
        const QString warning = EntryText::overwroteEarlierOutput(rowRangeText(rows), path,
                                                                  rowRangeText(earlier->second));
        m_summary.warnings << warning;
        status(warning);
    }
    m_writtenBy[key] = rows;
}

} // namespace kelvoran

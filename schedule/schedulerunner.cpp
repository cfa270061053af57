#include "schedulerunner.h"

#include "driverreportjob.h"

#include "entrysettings.h"
#include "runlog.h"
#include "scheduledcsv.h"
#include "schedulefile.h"

#include "appsettings.h"
#include "clock.h"
#include "dbsession.h"
#include "pathrules.h"
#include "procedurecall.h"
#include "querytext.h"
#include "reportdefinition.h"
#include "selectanalysis.h"
#include "textfile.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace kelvoran {

const QString ScheduleRunner::Completed = QStringLiteral("正常終了");
const QString ScheduleRunner::Unprocessed = QStringLiteral("未処理");

namespace {

// A folder text exists as a folder (an empty text does not).
bool folderExists(const QString &folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

} // namespace

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
    // No 「」 in a status: the log keeps a value between one pair of them.
    return QStringLiteral("スケジュール番号%1のエラーにより、このスケジュールのシートを含む"
                          "出力ファイルは保存されずに破棄されました。")
        .arg(failedRow);
}

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
    m_summary.runStart = now();
    m_step.clear();
    m_chain.invalidate();
    m_placement = WorkbookPlacement();
    m_pendingRows.clear();

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
    }
    if (!m_stopped)
        finishRun();
    m_state = ScheduleState::Idle;
    return m_summary;
}

void ScheduleRunner::finishRun() {
    // A workbook can only be left open here when the entry that was to continue it changed
    // its kind during the run; its sheets are then discarded like after a failure.
    if (m_placement.sessionOpen)
        discardWorkbook(rows());
    m_summary.runEnd = now();
    status(QStringLiteral("スケジュール終了〔エラー件数 %1〕").arg(m_summary.errorCount));
    writeLog();
    repaint();
}

void ScheduleRunner::writeLog() {
    std::vector<RunLogEntry> lines;
    for (const ScheduleEntry &e : m_schedule.entries)
        lines.push_back(RunLogEntry{e.fileName, e.folder,
                                    e.writtenPath.isEmpty() ? e.targetPath : e.writtenPath,
                                    e.startTime, e.endTime, e.dataCount, e.status});
    const Result<RunLogWritten> written =
        writeRunLog(m_logDir, m_installDir, m_clock.now(),
                    runLogLines(m_summary.runStart, m_summary.runEnd, lines));
    if (written) {
        m_summary.logPath = written->path;
        m_summary.logNotice = written->notice;
    } else {
        m_summary.logPath.clear();
        m_summary.logNotice = written.error().message;
    }
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

    if (m_placement.sessionOpen) {
        discardWorkbook(row);
        m_step.clear();
    }

    if (m_schedule.errorStop) {
        const QString stopped = now();
        for (int r = row + 1; r <= rows(); ++r) {
            ScheduleEntry &rest = entry(r);
            rest.startTime = stopped;
            rest.endTime = stopped;
            rest.status = Unprocessed;
        }
        m_runCursor = rows() + 1;
        m_summary.stoppedByError = true;
        m_summary.runEnd = stopped;
        status(QStringLiteral("スケジュール終了〔エラー件数 %1〕").arg(m_summary.errorCount));
        writeLog();
        repaint();
        m_stopped = true;
    }
}

void ScheduleRunner::discardWorkbook(int causeRow) {
    if (m_excel)
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

bool ScheduleRunner::continuesWorkbook(int row) const {
    if (row >= rows() || entry(row + 1).targetPath != entry(row).targetPath ||
        entry(row + 1).mark == EntryMark::Unchecked)
        return false;
    // The workbook stays open only for an entry that will really write into it; any other
    // entry below would leave it unsaved.
    return peekEntryKind(entry(row + 1), m_connection.aliases()) == EntryKind::ExcelReport;
}

bool ScheduleRunner::runEntry(int row) {
    ScheduleEntry &e = entry(row);
    e.writtenPath.clear();

    m_step.set("ES_270004");
    if (e.mark == EntryMark::Unchecked)
        return fail(row, QStringLiteral("ユーザー名・パスワード未チェックのため実行できません"));
    const QString settingsPath = e.folder + e.fileName;
    m_step.set("ES_270005");
    if (!folderExists(folderPart(settingsPath)))
        return fail(row, QStringLiteral("パスが存在しません。確認してください。"));
    m_step.set("ES_270006");
    if (!QFileInfo(settingsPath).isFile())
        return fail(row, QStringLiteral("ファイルが存在しません。確認してください。"));
    m_step.set("ES_270007");
    const Result<QStringList> lines = readTextLines(settingsPath);
    if (!lines)
        return fail(row, QStringLiteral("データロードエラー"));

    m_step.set("ES_270008");
    EntrySettings settings;
    if (const Status parsed = readEntrySettings(*lines, e, m_connection.aliases(), settings);
        !parsed) {
        const Error &error = parsed.error();
        if (error.stepCode.mid(1, 3) == u"ST_") {
            // One of the reader's own codes: it names what is missing.
            m_step.set("ES_270008");
            return fail(row, QStringLiteral("データ解析エラー ") + error.stepCode);
        }
        m_step.setText(error.stepCode.isEmpty() ? m_step.text() : error.stepCode);
        return fail(row, QStringLiteral("データ解析エラー"));
    }
    const ReportDefinition &def = settings.definition;
    const QString procFlag = def.value(QStringLiteral("PROCFLG"));

    m_step.set("ES_270016");
    {
        const QString read = def.outputReadPassword;
        const QString write = def.outputWritePassword;
        // The rule guards a workbook shared with the entry above; two entries without a
        // target (Sql entries) share nothing, whatever passwords their files carry.
        const bool sameTarget = procFlag == u"1" && !e.targetPath.isEmpty() && row > 1 &&
                                e.targetPath == entry(row - 1).targetPath;
        if (m_chain.valid && sameTarget &&
            (read != m_chain.outputRead || write != m_chain.outputWrite)) {
            m_chain.invalidate();
            return fail(row, QStringLiteral("Excelﾊﾟｽﾜｰﾄﾞが前ｽｹｼﾞｭｰﾙのﾊﾟｽﾜｰﾄﾞと異なるため処理を中止"
                                            "しました。 "));
        }
        m_chain.valid = true;
        m_chain.outputRead = read;
        m_chain.outputWrite = write;
    }

    m_step.set("ES_270009");
    if (!m_connection.aliases().find(e.alias))
        return fail(row, QStringLiteral("設定情報解析エラー"));
    m_step.set("ES_270010");
    if (const DbResult<QSqlDatabase> opened =
            m_connection.open(e.alias, e.userName, e.password, m_forceReconnect);
        !opened)
        return fail(row,
                    QStringLiteral("データベースに接続できないかデータベース名・ユーザー名・"
                                   "パスワード情報にエラーがあります。確認してください。"),
                    opened.error().message());
    m_forceReconnect = false;

    m_step.set("ES_270011");
    const SelectAnalysis &analysis = settings.analysis;

    // Shared-workbook numbering.
    const bool excel = procFlag == u"1";
    const bool sameAsAbove = row > 1 && e.targetPath == entry(row - 1).targetPath;
    m_placement.sheetIndex =
        excel && sameAsAbove && m_placement.sessionOpen ? m_placement.sheetCount + 1 : 1;
    m_placement.closeAfter = !(excel && continuesWorkbook(row));
    if (m_placement.sessionOpen && m_placement.sheetIndex == 1)
        discardWorkbook(row); // the entry above meant to be continued, this one does not

    if (procFlag == u"0")
        return runSql(row, def.sqlLines, analysis);
    if (excel)
        return runExcelReport(row, def, analysis);
    if (procFlag == u"2")
        return runCsvExport(row, def);
    if (procFlag == u"3")
        return runCsvImport(row, def);
    // Any other PROCFLG runs nothing and completes.
    return true;
}

bool ScheduleRunner::runSql(int row, const QStringList &sqlLines, const SelectAnalysis &analysis) {
    m_step.set("ES_270012");
    const QString failure = QStringLiteral("SQL実行時エラー");
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
            return fail(
                row, failure,
                QStringLiteral("接続DBまたはプロシージャ名が間違っています。確認してください。"));
        if (statement.failure)
            return fail(row, failure,
                        QStringLiteral("パラメータの数が足りません。（宣言%1個、指定%2個）")
                            .arg(statement.declaredParameters)
                            .arg(statement.givenParameters));
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
    if (e.targetPath.isEmpty())
        return fail(row, QStringLiteral("保存先エラー"));
    if (e.targetPath.trimmed().isEmpty() || !QFileInfo(e.folder + e.fileName).isFile())
        return fail(row, QStringLiteral("保存パスが不正です。確認してください。"));
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
    m_step.clear();
    if (m_placement.closeAfter) {
        // Saved and closed: the next entry starts a workbook of its own.
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
    if (e.targetPath.isEmpty())
        return fail(row, QStringLiteral("セーブファイルが指定されていません。確認してください。"));
    if (!folderExists(folderPart(e.targetPath)))
        return fail(row, QStringLiteral("パスが存在しません。確認してください。"));
    m_failureText = QStringLiteral("CSV作成エラー");
    e.startTime = now();
    return runCsvJob(row, def, true);
}

bool ScheduleRunner::runCsvImport(int row, const ReportDefinition &def) {
    ScheduleEntry &e = entry(row);
    m_step.set("ES_270015");
    if (!e.targetPath.isEmpty() && !folderExists(folderPart(e.targetPath)))
        return fail(row, QStringLiteral("パスが存在しません。確認してください。"));
    m_failureText = QStringLiteral("CSVImportエラー");
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
    return true;
}

} // namespace kelvoran

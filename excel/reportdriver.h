// The Excel report driver: one implementation for the report designer, the scheduler and
// kelvoran-batch. The stage prefix ("P" interactive, "C" scheduled) decides the step codes;
// questions and messages go through UserInteraction.
//
// How a run goes:
//  1. start time; blank column and pivot rows dropped; the three validation stages;
//  2. the group subtotal items and the extraction SELECT (extractionquery.h); its data count
//     (COUNT(*) around it); the query opened; itemCount and the column headings;
//  3. the output gate: the column and row limits (a message, or the failure of a scheduled
//     run), the no-data pivot question and the item/record confirmation, the output file;
//  4. the workbook, then the list (listreport.h) with its pivot table (pivotreport.h), or a
//     template report; saving with the output read and write passwords under the .xlsx name.
#pragma once

#include "excel/extractionquery.h"
#include "report/reportdefinition.h"

#include "core/result.h"
#include "db/dbkind.h"
#include "report/messagetable.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace kelvoran {

class Clock;
class ExcelSession;
class UserInteraction;

// Progress of the record loop: the status text ("Excelﾃﾞｰﾀ作成中… [n/m]"), the record number
// and the data count; repaint is true at the first record and every 40 records after it.
using ReportProgress =
    std::function<void(const QString &statusText, qint64 record, qint64 dataCount, bool repaint)>;

// What one run is given.
struct ReportRunOptions {
    QChar prefix = u'P';         // 'P' interactive, 'C' scheduled
    QSqlDatabase database;       // the connection the query runs on
    DbKind kind = DbKind::Other; // the alias's database family
    // The output file; empty: asked through UserInteraction::chooseSaveFile (cancel ends the run
    // quietly). Written under ExcelSession::xlsxPath() of it.
    QString outputPath;
    const Clock *clock = nullptr; // start/end and creation times; the system clock when null
    ReportProgress progress;      // may be empty
    // The settings file the definition came from: a relative PATTERNFILE is taken from its
    // folder. Empty: PATTERNFILE as it stands.
    QString settingsFilePath;
    // Text appended to the status text (the scheduler's "  実行スケジュール：「...」：<...>").
    QString statusSuffix;
    // A workbook shared by consecutive scheduled entries: when set, the data sheet is added
    // after the sheets already in workbook sharedBook (0: a new workbook in this session), and
    // the workbook is saved only when saveAfter is true.
    ExcelSession *sharedSession = nullptr;
    int sharedBook = 0;
    bool saveAfter = true;
};

// The outcome of a run.
struct ReportRunResult {
    enum class Outcome {
        Done,      // the workbook was written (or left open for the next shared entry)
        Cancelled, // the user cancelled a question or the file dialog
        Failed     // validation, the query, a limit or the writer failed
    };
    Outcome outcome = Outcome::Failed;
    QString savedPath;     // the real path written (.xlsx)
    qint64 dataCount = -1; // records counted; -1 when the count failed or did not run
    int itemCount = 0;     // regular columns
    int book = 0;          // the workbook written in the session (shared runs)
    QString startTime;     // "yyyy/mm/dd HH:NN:SS"
    QString endTime;
    // The failure text (what the scheduler records: the message shown or the stage's text),
    // the failure detail (the text of a database or engine error) and the step code.
    QString failureText;
    QString failureDetail;
    QString stepCode;
    // Every message and question, in order, is also passed to the UserInteraction.

    bool ok() const { return outcome == Outcome::Done; }
    // The status a scheduled entry records for a failure: "データ抽出エラー <<q:d>>",
    // "エラー <<q>>" (d empty), "データ抽出エラー <<d>>" (q empty); a position limit's text as it
    // is; followed by one blank and the step code.
    QString statusText() const;
    // A position limit failed: the status is the failure text alone, not composed.
    bool plainFailure = false;
    // What a finished run did not carry over from the template (drawings, comments, ...) and the
    // database values it wrote otherwise than typed input would, one line each, for the user.
    // Never part of a status: the run still succeeded.
    QStringList notices;
};

// The status of a failed driver run from its failure text q and detail d (line breaks in d
// become blanks): "データ抽出エラー <<q:d>>", "エラー <<q>>" when d is empty, "データ抽出エラー
// <<d>>" when q is empty.
QString composeExcelFailureStatus(const QString &failureText, const QString &detail);

// Runs a report. def is taken by value: the run drops its blank rows.
ReportRunResult runExcelReport(ReportDefinition def, const ReportSource &source,
                               const ReportRunOptions &options, UserInteraction &ui);

// Installs the engine's encryption (password to open) and write-reservation (password to
// modify) into a session.
void installPasswordHooks(ExcelSession &session);

} // namespace kelvoran

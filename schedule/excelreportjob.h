// The seam between the schedule run and the Excel report driver: where an ExcelReport entry's
// sheets go inside a workbook shared by consecutive entries, and the driver that writes them.
#pragma once

#include "core/result.h"
#include "excel/reportdriver.h"
#include "schedule/scheduleentry.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace kelvoran {

class ReportDefinition;
class SchedulerConnection;
class StepCode;
struct SelectAnalysis;

// The previous entry's output passwords: consecutive entries that write one workbook must carry
// the same ones.
struct PasswordChainRecord {
    bool valid = false;
    QString outputRead;  // QWORD
    QString outputWrite; // TWORD

    void invalidate() { *this = PasswordChainRecord(); }
};

// Where the current ExcelReport entry writes inside the open workbook, and what is open.
struct WorkbookPlacement {
    int sheetIndex = 0;       // first sheet of the current entry (1: a new workbook)
    int sheetCount = 0;       // sheets in the open output workbook
    bool closeAfter = false;  // save and close the workbook after this entry
    bool sessionOpen = false; // a workbook is open and still being filled
    QString outputPath;       // the file the workbook is saved as (see workbookOutputPath)
    QString templateName;     // template workbook still open, empty when none
};

// What the driver is given for one entry.
struct ExcelReportInput {
    const ScheduleEntry &entry;
    int rowNumber; // 1-based row of the entry
    const ReportDefinition &definition;
    const SelectAnalysis &analysis;
    // Shows a progress text in the status bar ("Excelﾃﾞｰﾀ作成中… [n/count]  実行スケジュール：
    // 「   1」：<file>"); may be empty.
    std::function<void(const QString &)> status;
};

// How a driver run ended.
struct ExcelReportOutcome {
    bool ok = false;
    qint64 dataCount = -1;
    // The failure text of the step that failed ("Excel作成エラー", "SQLエラー", a validation
    // message, ...) and the failure detail (the text of a database or automation exception).
    QString failureText;
    QString detail;
    // A position limit or the save check failed: the status is the failure text alone, not the
    // extraction composition of composeExcelFailureStatus().
    bool plainFailure = false;
    // The notices of a finished run (ReportRunResult::notices).
    QStringList notices;
};

// Writes one ExcelReport entry with the scheduled rules: validates the settings, counts and
// opens the extraction query on the scheduler's connection, starts a hidden session when
// placement.sheetIndex is 1 (else adds its sheets after the placement.sheetCount sheets of the
// open workbook), writes the report and, when placement.closeAfter, saves the workbook as
// placement.outputPath with the output passwords and closes it. It keeps placement.sheetCount,
// placement.sessionOpen and placement.templateName up to date and sets step before each step.
class ExcelReportJob {
public:
    virtual ~ExcelReportJob();
    virtual ExcelReportOutcome run(const ExcelReportInput &input, SchedulerConnection &connection,
                                   WorkbookPlacement &placement, StepCode &step) = 0;
    // Closes the open template and output workbooks without saving and releases the session
    // (after a failure while a shared workbook is still being filled).
    virtual void discard(WorkbookPlacement &placement) = 0;
};

// The file a workbook is written as. The engine writes Office Open XML, so a name ending in
// ".xls" (any case) gets an "x", a name ending in ".xlsx" stays, and any other name (no
// extension, another one, or another xls-family one such as ".xlsm") gets ".xlsx" appended.
QString workbookOutputPath(const QString &targetPath);

} // namespace kelvoran

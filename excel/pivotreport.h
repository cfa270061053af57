// The pivot table of a list report, made from the list just written: on its own sheet or on the
// data sheet, with row, column, page and data fields, grand totals, title, creation time,
// report format and auto-format.
#pragma once

#include "excel/excelsession.h"
#include "report/reportdefinition.h"
#include "report/reportvalidation.h"

#include "core/result.h"
#include "core/stepcode.h"

namespace kelvoran {

// What the pivot writer works with.
struct PivotReportContext {
    const ReportDefinition *def = nullptr;
    const ReportPositions *positions = nullptr;
    ExcelSession *session = nullptr;
    int book = 0;
    int dataSheetIndex = 1;
    ExcelRange source; // the list from its start row, over the regular columns
    qint64 dataCount = 0;
    QString createdAt;
    StepCode *step = nullptr;
};

// The function constant of an aggregation code ("PS0".."PSB"); nothing for another text.
std::optional<int> pivotFunctionConstant(const QString &aggregationCode);
// The Format constant of a report-format index (1-22); nothing for 0 or out of range.
std::optional<int> pivotReportFormatConstant(int index);

// Makes the pivot table (or, without data, only names its sheet). Errors of the wizard, the
// report format and the auto-format fail; errors laying out row, column and page fields and
// writing the creation time are ignored; a failing data field falls back to orientation 4.
Status writePivotTable(const PivotReportContext &ctx);

} // namespace kelvoran

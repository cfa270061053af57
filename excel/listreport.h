// The list output of a report: heading row, text columns, the records with their group
// subtotal rows and row totals, borders, the two format passes with the footer, title and
// creation time, auto-format, heading style, frozen heading, and the pivot table.
#pragma once

#include "excel/databasecell.h"
#include "excel/excelsession.h"
#include "excel/extractionquery.h"
#include "excel/reportdriver.h"
#include "report/reportvalidation.h"

#include "core/result.h"
#include "core/stepcode.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

class RecordStream;

// Everything the list writer works with. The data sheet is selected before the call.
struct ListReportContext {
    const ReportDefinition *def = nullptr;
    const ReportPositions *positions = nullptr;
    std::vector<GroupTotalItem> *items = nullptr;
    RecordStream *records = nullptr; // opened, before its first record
    QStringList headings;            // one per regular column
    int itemCount = 0;               // regular columns n
    qint64 dataCount = 0;            // records counted
    ExcelSession *session = nullptr;
    int book = 0;
    int sheetIndex = 1; // the data sheet
    StepCode *step = nullptr;
    QString createdAt; // creation time "yyyy/mm/dd HH:NN:SS"
    ReportProgress progress;
    QString statusSuffix;
    // Writes the records' values and gathers the notices about them; null: one of the call's
    // own, whose notices are not kept.
    DatabaseCellWriter *values = nullptr;
};

// Writes the list and, when PTOUT is on, its pivot table. Fails with the engine's or the
// database's message; the step code of the failing step stays in ctx.step.
Status writeListReport(ListReportContext &ctx);

// One pair of enclosing double quotes or single quotes removed.
QString unquoteHeading(const QString &heading);

// Rounds to the nearest whole number, halves to the even neighbour.
double roundHalfEven(double value);

} // namespace kelvoran

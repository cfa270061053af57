// The extraction query of a report: the SELECT rebuilt from the report's column rows (blank
// rows left out, the statement's own head and FROM/WHERE lines kept), followed by one hidden key
// column per group subtotal, and the group subtotal items themselves.
#pragma once

#include "core/result.h"
#include "core/stepcode.h"
#include "db/selectanalysis.h"
#include "report/reportdefinition.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// One group subtotal of a report column (a code 103 or 104), with the state the list output
// keeps for it.
struct GroupTotalItem {
    int column = 0;        // 1-based row of the column setting = position among the columns
    QString keyExpression; // the SQL expression whose change ends a group
    int keyField = 0;      // 0-based index of the key column in the query
    int kind = 103;        // 103 group sum, 104 group average
    int fillColour = 40;   // palette index of the subtotal row

    // Output state.
    QString keyValue;
    int groupStartRow = 0;
    double runningTotal = 0;
    int countAdjust = 0;
};

// Where the statement of a report comes from.
struct ReportSource {
    SelectAnalysis analysis; // scan of the SQL part (kind, head, FROM and WHERE lines)
    QStringList editorLines; // the SQL part as written (sent whole for a SHOW statement)
    QString generatedTable;  // not empty: a statement the program generated for this table
};

// The items of every code 103/104 over all columns, numbered in row order and, within a row, in
// code order; key expressions and key fields are filled by buildExtractionQuery().
std::vector<GroupTotalItem> collectGroupTotalItems(const std::vector<ColumnSetting> &columns);

// The lines of the extraction SELECT. Fills the key expressions and key fields of items. The
// key columns carry " AS GP_COUNT_COLUM_" + i on ORACLE aliases. Sets the PSS_/CSS_ step codes
// in step; fails (with that step code) on an empty select head or an empty group key.
Result<QStringList> buildExtractionQuery(const std::vector<ColumnSetting> &columns,
                                         const ReportSource &source, bool oracle,
                                         std::vector<GroupTotalItem> &items, StepCode &step);

} // namespace kelvoran

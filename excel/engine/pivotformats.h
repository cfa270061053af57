// The pivot report formats: for each format constant, the look of each kind of pivot cell.
#pragma once

#include "excel/engine/pivottable.h"

#include <optional>

namespace kelvoran::xlsx {

// How one kind of pivot cell looks. Colours are palette indexes (ColorIndex), 0 = none.
struct PivotCellStyle {
    bool bold = false;
    bool italic = false;
    int fontColorIndex = 0;
    int fillColorIndex = 0;
    bool borderTop = false;
    bool borderBottom = false;
    bool borderAround = false; // thin lines on all four edges
};

// The report format constants (the pivot table's Format): 0-9 Report1-Report10, 10-19
// Table1-Table10, 20 the classic format, 21 none. Report formats are open lists (bold labels,
// rules under headings and totals); table formats are gridded with coloured headings; the
// classic format boxes every cell with grey headings; none leaves every cell plain.
// An unknown constant gives nothing.
std::optional<PivotCellStyle> pivotReportFormatStyle(int formatConstant, PivotCellRole role);

// True for a constant the table above knows (0-21).
bool isPivotReportFormat(int formatConstant);

} // namespace kelvoran::xlsx

// What the format codes of a report column do to a range of cells: number formats from the
// date, currency, percentage and number tables, alignments, fonts, wrapping, autofit, and the
// auto-format list of the whole table.
#pragma once

#include "core/result.h"
#include "excel/excelrange.h"

#include <QString>

#include <optional>

namespace kelvoran {

// The sweeps in which codes act.
enum class FormatSweep {
    BeforeData, // only 006 (text format), before the values are written
    Pass1,      // format pass 1: the footer codes, handled by the list writer (nothing here)
    Pass2,      // format pass 2: number formats, alignment, fonts, wrapping, autofit
    HeaderRow,  // the column-name row (FROWCODE): the pass-2 codes and 006; autofit on the
                // range's columns
    TotalColumn // the row-total column (RFCODE): the pass-2 codes and 006
};

// The number format of a style index of codes 007 (date), 008 (currency), 009 (percentage) and
// 010 (number), in the Japanese-locale spelling; empty for an index outside the table.
QString dateFormat(int index);
QString currencyFormat(int index);
QString percentFormat(int index);
QString numberStyleFormat(int index);

// The AutoFormat constant of an auto-format list index (1-22); nothing for 0 or out of range.
std::optional<int> autoFormatConstant(int index);

// Applies a code string to a range in one sweep, entries in the order they stand. A code
// outside the tables, or a style index outside its table, does nothing. autoFitColumns: the
// columns that code 201 fits (the column of a report column, the columns of the heading row's
// range). Fails on an engine error.
Status applyFormatCodes(const ExcelRange &range, const QString &codes, FormatSweep sweep,
                        const ExcelRange &autoFitColumns);

} // namespace kelvoran

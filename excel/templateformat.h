// The column formats of a template report applied to one filled cell: the codes that act in
// the second format sweep of a list (alignment, number formats, font size, wrapping). Text
// format (006), totals (101-106) and autofit (201) do nothing on a single template cell.
#pragma once

#include "result.h"

#include <QString>

namespace kelvoran {

class ExcelRange;

// Applies a column's format list (concatenated 17-character codes) to the range, entry by
// entry in list order. A parameter outside its table gives no format string; the cell then
// keeps the format it had (the template's).
Status applyTemplateCellFormats(const ExcelRange &range, const QString &codes);

// The number format strings of the style tables, as typed in a Japanese-locale dialog; empty
// for an index outside the table. -1 counts as 0.
QString dateFormatCode(int index);
QString currencyFormatCode(int index);
QString percentFormatCode(int index);
QString numberFormatCode(int index);

} // namespace kelvoran

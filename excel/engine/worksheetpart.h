// The worksheet part (xl/worksheets/sheetN.xml): the sheet's elements in the order the file
// format requires, the cells streamed row by row, with the writer's chunk sink taking the text
// as it grows.
#pragma once

#include "excel/engine/worksheet.h"
#include "excel/engine/xmlwriter.h"

#include <vector>

namespace kelvoran::xlsx {

// The whole part; selected: the sheet is the workbook's active tab. Calls xml.flushIfFull()
// between rows and xml.flush() at the end.
void writeWorksheetPart(XmlWriter &xml, const Worksheet &sheet, bool selected);

// <sheetViews>: the selected tab, grid lines, zoom and frozen panes.
void writeSheetViews(XmlWriter &xml, const Worksheet &sheet, bool selected);
// <cols>: adjacent columns with equal settings in one entry; nothing without column settings.
void writeColumns(XmlWriter &xml, const Worksheet &sheet);
// <sheetData>: the rows that hold cells or row settings.
void writeSheetData(XmlWriter &xml, const Worksheet &sheet);
// Manual page breaks (<rowBreaks>, <colBreaks>): sorted, each once; max is the last column
// (row breaks) or row (column breaks) the break spans, 0-based.
void writeBreaks(XmlWriter &xml, const char *tag, const std::vector<int> &breaks, int max);

} // namespace kelvoran::xlsx

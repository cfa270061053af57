// Tables (list objects) of a template are not carried into the written workbook. The formulas
// that refer to them by structured references ("Table1[Sales]", "Table1[[#This Row],[Qty]]",
// "SUBTOTAL(109,[Sales])" in a totals row) are turned into the plain ranges those references
// denote when the template is read, so that no formula is left pointing at a missing table.
#pragma once

#include "excel/engine/cellref.h"

#include <string>
#include <vector>

namespace pugi {
class xml_node;
}

namespace kelvoran::xlsx {

class Workbook;

// A table's place on its sheet: what resolving a structured reference needs.
struct TableArea {
    std::string name; // the name formulas use (displayName)
    int sheet = -1;   // 0-based position of its sheet in the workbook
    CellRect area;    // header, data and totals rows
    int headerRows = 1;
    int totalsRows = 0;
    std::vector<std::string> columns; // names, left to right
};

// Reads the root element of a table part; false when it gives no usable area or its columns
// do not fit the area.
bool readTableArea(pugi::xml_node table, int sheet, TableArea &out);

// Where a formula stands: its sheet and cell, or row 0 for a defined name.
struct FormulaPlace {
    int sheet = -1;
    int row = 0;
    int column = 0;
};

// The formula with every structured reference to one of the tables replaced by its range. On
// the table's own sheet the range is relative and unqualified, as a range typed there would be
// (it moves with copied and inserted rows); elsewhere, and always in a defined name, it is
// absolute and names the sheet. A reference that denotes no cells (an unknown column, the totals
// row of a table without one) becomes #REF!; this row outside the table's data becomes #VALUE!,
// as the spreadsheet shows for it.
std::string replaceStructuredReferences(const std::string &formula,
                                        const std::vector<TableArea> &tables,
                                        const FormulaPlace &place, const Workbook &book);

// Replaces them in every cell formula and defined name of the workbook.
void replaceTableReferences(Workbook &book, const std::vector<TableArea> &tables);

} // namespace kelvoran::xlsx

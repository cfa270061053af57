// Hyperlinks on cells (a worksheet's <hyperlinks>): carried through reading, block copies,
// inserted and deleted cells and writing, the way merged ranges are.
#pragma once

#include "excel/engine/cellref.h"

#include <string>
#include <vector>

namespace kelvoran::xlsx {

class XmlWriter;

// One hyperlink over a range of cells.
struct CellHyperlink {
    CellRect rect;
    std::string target;   // an address outside the workbook (a URL, a file); empty: none
    std::string location; // a place inside the workbook ("Sheet2!A1"), or the URL's fragment
    std::string display;
    std::string tooltip;
};

// Copies the links lying inside rect, moved by (rows, columns), into to; the links of to that
// overlap where the copies land go first (as a paste replaces them). from may be to.
void copyHyperlinks(const std::vector<CellHyperlink> &from, const CellRect &rect, int rows,
                    int columns, std::vector<CellHyperlink> &to);
// After empty cells were inserted over rect: the links below it inside its columns move down.
void shiftHyperlinksDown(std::vector<CellHyperlink> &links, const CellRect &rect);
// After the cells of rect were deleted: its links go, those below it inside its columns move up.
void removeHyperlinksShiftUp(std::vector<CellHyperlink> &links, const CellRect &rect);

// <hyperlinks>, nothing when there are none. The links with a target refer, in their order, to
// the sheet's relationships "rId<firstId>", "rId<firstId + 1>", ...
void writeHyperlinks(XmlWriter &xml, const std::vector<CellHyperlink> &links, int firstId);

} // namespace kelvoran::xlsx

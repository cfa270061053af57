// A1 references: column letters, cell addresses and rectangular ranges.
#pragma once

#include <string>
#include <string_view>

namespace kelvoran::xlsx {

// The sheet limits of the file format.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// A rectangle of cells, 1-based and inclusive.
struct CellRect {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;

    int rows() const { return bottom - top + 1; }
    int columns() const { return right - left + 1; }
    bool contains(int row, int column) const {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool operator==(const CellRect &o) const {
        return top == o.top && left == o.left && bottom == o.bottom && right == o.right;
    }
};

// Column number to letters: 1 is "A", 27 is "AA", 251 is "IQ".
std::string columnLetters(int column);
// Letters to column number, 0 when they are not a valid column.
int columnNumber(std::string_view letters);
// "B5" for row 5, column 2.
std::string cellAddress(int row, int column);
// "A1:C3", or "A1" for a single cell.
std::string rectAddress(const CellRect &rect);
// Parses "B5", "$B$5", "A1:C3", "A:C" (whole columns), "2:4" (whole rows); false on anything
// else or outside the sheet limits.
bool parseRect(std::string_view text, CellRect &rect);
// Parses a single cell address ("B5" or "$B$5").
bool parseCell(std::string_view text, int &row, int &column);

// A sheet name as references write it: between apostrophes, an apostrophe inside doubled.
std::string quotedSheetName(const std::string &name);

} // namespace kelvoran::xlsx

// Rewriting the A1 cell references inside a formula's text, for copies and row shifts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kelvoran::xlsx {

// One reference found in a formula; the callback may change row and column. Returning false
// turns the reference into #REF!.
struct FormulaRef {
    int row = 0;
    int column = 0;
    bool rowAbsolute = false;
    bool columnAbsolute = false;
    bool qualified = false; // preceded by a sheet name ("Sheet2!A1")
};

// Calls change for every cell reference outside string literals and rebuilds the text.
std::string rewriteReferences(std::string_view formula,
                              const std::function<bool(FormulaRef &)> &change);

// The formula as it reads after a copy by (rows, columns): relative parts move, absolute stay.
std::string shiftFormula(std::string_view formula, int rows, int columns);

} // namespace kelvoran::xlsx

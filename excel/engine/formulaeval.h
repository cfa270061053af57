// Computing a formula's result from the cells of its own sheet, for the cached value a written
// workbook carries. Only what spreadsheet programs agree on is computed: numbers, references to
// cells and ranges of the same sheet, + - * / ^ %, comparisons as IF conditions, and SUM,
// AVERAGE, COUNT, COUNTA, MIN, MAX, ROUND and IF. Anything else (text, logical values, errors,
// other sheets, names, other functions, a division by zero) gives no value, and the file then
// carries none, so that its reader computes it.
#pragma once

#include "excel/engine/cellref.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace kelvoran::xlsx {

// What a formula sees of one cell. Unknown: a formula whose result is not known.
struct CellInput {
    enum Kind : uint8_t { Empty, Number, Text, Bool, Error, Unknown };
    Kind kind = Empty;
    double number = 0;
};

// The cells a formula reads.
class FormulaInputs {
public:
    virtual ~FormulaInputs() = default;
    virtual CellInput cell(int row, int column) = 0;
    // Calls visit with every cell of rect that is not empty, in any order, until visit returns
    // false. Returns false when the cells could not all be read (the result is then unknown).
    virtual bool visitCells(const CellRect &rect,
                            const std::function<bool(const CellInput &)> &visit) = 0;
};

// The number a formula (text without the leading "=") gives, or nothing when it cannot be
// computed exactly.
std::optional<double> evaluateFormula(std::string_view text, FormulaInputs &inputs);

} // namespace kelvoran::xlsx

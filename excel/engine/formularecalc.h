// The cached results that formula cells carry in a written file: computed where the formula
// evaluator can (see formulaeval.h), left out where it cannot, so that no formula shows a result
// its inputs no longer give (a template's old total in every copied block).
#pragma once

#include <optional>
#include <string_view>

namespace kelvoran::xlsx {

class Workbook;
class Worksheet;

// The value of a formula about to be written on ws, from its cells as they stand (a formula
// cell gives its cached result); nothing when it cannot be computed.
std::optional<double> evaluateOnSheet(const Worksheet &ws, std::string_view formula);

// Recomputes the cached result of every formula of every sheet, the formulas a formula reads
// before it. A formula that cannot be computed, takes part in a cycle or comes after the work
// limit (a few seconds of reading cells) keeps no cached result.
void recalculateFormulas(Workbook &book);

} // namespace kelvoran::xlsx

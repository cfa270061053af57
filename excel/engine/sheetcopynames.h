// The workbook-level names a copied sheet relies on, carried the way a spreadsheet's own sheet
// copy carries them, so that formulas such as =SUM(Costs) keep working in the copy.
#pragma once

#include <string>

namespace kelvoran::xlsx {

class Workbook;
class Worksheet;

// True when the formula text refers to the sheet by name ("Data!A1", "'My Data'!A1"), outside
// string literals.
bool refersToSheet(const std::string &formula, const std::string &sheetName);

// Called once `copy` (already in its workbook, with its final name) has been made from `source`.
// Within one workbook: each workbook-level name that refers to the source sheet gets a copy
// scoped to the new sheet and pointing at it. Into another workbook: the source workbook's names
// come along, references to the source sheet following the copy; a name whose other sheets are
// not there yet waits for the copy of the sheet that brings them; a name the target already
// holds with another meaning becomes a name of the copied sheet.
void carryDefinedNames(const Worksheet &source, Worksheet &copy);

} // namespace kelvoran::xlsx

// Auto-format presets: each constant of the auto-format list maps to a fixed set of styles for
// the heading row, the body and the last row of a range.
#pragma once

#include "core/result.h"
#include "excel/excelrange.h"

namespace kelvoran {

// One preset. Colours are palette indexes (0: none); border styles are file names ("thin").
struct AutoFormatPreset {
    int constant;
    const char *name;
    int headFill; // heading row fill
    int headFont; // heading row font colour
    bool headBold;
    bool headItalic;
    int bodyFill;          // fill of the body rows
    int stripeFill;        // fill of every second body row (0: no stripes)
    const char *headRule;  // line under the heading row
    const char *outline;   // line around the range
    const char *totalRule; // line above the last row
    bool numbers;          // body numbers get "#,##0"
    bool clear;            // "None": removes formats instead
};

// The preset for a constant, or nullptr.
const AutoFormatPreset *autoFormatPreset(int constant);
// Applies a preset to a range; an unknown constant fails.
Status applyAutoFormat(const ExcelRange &range, int constant);

} // namespace kelvoran

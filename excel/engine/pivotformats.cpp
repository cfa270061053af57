#include "excel/engine/pivotformats.h"

namespace kelvoran::xlsx {

namespace {

// Per format family and variant: heading fill, heading font colour, total fill.
struct Variant {
    int headingFill;
    int headingFont;
    int totalFill;
};

// Ten variants shared by the report and table families, chosen from the legacy palette:
// 15 grey, 37 pale blue, 40 tan, 35 light green, 36 light yellow, 38 rose, 34 light turquoise,
// 5 blue, 10 green, 53 brown; fonts 1 black, 2 white.
const Variant kVariants[10] = {
    {15, 1, 15}, {37, 1, 37}, {40, 1, 40}, {35, 1, 35}, {36, 1, 36},
    {38, 1, 38}, {34, 1, 34}, {5, 2, 37},  {10, 2, 35}, {53, 2, 40},
};

bool isHeading(PivotCellRole r) {
    return r == PivotCellRole::DataCaption || r == PivotCellRole::FieldName ||
           r == PivotCellRole::ColumnItem || r == PivotCellRole::PageName;
}

bool isTotal(PivotCellRole r) {
    return r == PivotCellRole::GrandTotalLabel || r == PivotCellRole::GrandTotalValue;
}

bool isSubtotal(PivotCellRole r) {
    return r == PivotCellRole::SubtotalLabel || r == PivotCellRole::SubtotalValue;
}

} // namespace

bool isPivotReportFormat(int formatConstant) {
    return formatConstant >= 0 && formatConstant <= 21;
}

std::optional<PivotCellStyle> pivotReportFormatStyle(int formatConstant, PivotCellRole role) {
    if (!isPivotReportFormat(formatConstant))
        return std::nullopt;
    PivotCellStyle s;
    if (formatConstant == 21)
        return s; // none
    if (formatConstant == 20) {
        // Classic: every cell boxed, headings grey and bold, totals bold.
        s.borderAround = true;
        if (isHeading(role)) {
            s.fillColorIndex = 15;
            s.bold = true;
        }
        s.bold = s.bold || isTotal(role) || isSubtotal(role);
        return s;
    }
    const Variant &v = kVariants[formatConstant % 10];
    if (formatConstant < 10) {
        // Report: no grid; bold headings with a rule under them, italic subtotals, totals
        // between rules on a light fill.
        if (isHeading(role)) {
            s.bold = true;
            s.borderBottom = true;
        } else if (role == PivotCellRole::RowItem) {
            s.bold = true;
        } else if (isSubtotal(role)) {
            s.italic = true;
            s.borderTop = true;
        } else if (isTotal(role)) {
            s.bold = true;
            s.borderTop = true;
            s.borderBottom = true;
            s.fillColorIndex = v.totalFill;
        }
        return s;
    }
    // Table: gridded, coloured headings, filled totals.
    s.borderAround = true;
    if (isHeading(role)) {
        s.bold = true;
        s.fillColorIndex = v.headingFill;
        s.fontColorIndex = v.headingFont;
    } else if (isTotal(role)) {
        s.bold = true;
        s.fillColorIndex = v.totalFill;
    } else if (isSubtotal(role)) {
        s.bold = true;
    }
    return s;
}

} // namespace kelvoran::xlsx

// A rectangle of cells on one sheet, with the value and formatting operations the report
// writers call. Constants are the spreadsheet's published values (-4108 centre, -4105
// automatic, ...). A range stays valid while its sheet exists.
#pragma once

#include "core/result.h"

#include <QString>
#include <QVariant>

#include "excel/engine/cellref.h"

namespace kelvoran {

namespace xlsx {
class Worksheet;
}

// Excel's constants used by the report writers.
namespace xl {
constexpr int HAlignGeneral = 1, HAlignLeft = -4131, HAlignCenter = -4108, HAlignRight = -4152,
              HAlignFill = 5, HAlignJustify = -4130, HAlignCenterAcrossSelection = 7,
              HAlignDistributed = -4117;
constexpr int VAlignTop = -4160, VAlignCenter = -4108, VAlignBottom = -4107, VAlignJustify = -4130,
              VAlignDistributed = -4117;
constexpr int EdgeLeft = 7, EdgeTop = 8, EdgeBottom = 9, EdgeRight = 10, InsideVertical = 11,
              InsideHorizontal = 12;
constexpr int Continuous = 1, Dash = -4115, DashDot = 4, DashDotDot = 5, Dot = -4118,
              Double = -4119, SlantDashDot = 13, LineStyleNone = -4142;
constexpr int Hairline = 1, Thin = 2, Medium = -4138, Thick = 4;
constexpr int ColorIndexAutomatic = -4105, ColorIndexNone = -4142;
constexpr int PatternSolid = 1, PatternNone = -4142;
} // namespace xl

class ExcelRange {
public:
    ExcelRange() = default;
    ExcelRange(xlsx::Worksheet *sheet, const xlsx::CellRect &rect) : m_sheet(sheet), m_rect(rect) {}

    // True when the range refers to a sheet.
    bool isValid() const { return m_sheet != nullptr; }
    xlsx::Worksheet *sheet() const { return m_sheet; }
    const xlsx::CellRect &rect() const { return m_rect; }
    int row() const { return m_rect.top; }
    int column() const { return m_rect.left; }
    // A1 address without "$" ("B2:D9").
    QString address() const;
    // The whole rows / whole columns the range covers.
    ExcelRange entireRow() const;
    ExcelRange entireColumn() const;

    // Writes text as typed input into every cell (see parseTypedInput): a cell formatted as
    // text ("@") keeps the text unchanged; a leading "=" makes a formula, stored with its value
    // where the engine computes it (see formulaeval.h); an empty text clears the value.
    void setValue(const QString &typed) const;
    // Writes a number into every cell.
    void setNumber(double value) const;
    // The value of the top-left cell: double, QString, bool, or invalid when empty; a formula
    // gives its cached result.
    QVariant value() const;
    // The formula of the top-left cell with "=", or empty.
    QString formula() const;
    // The top-left cell's value as its number format shows it.
    QString text() const;

    // Number format in file syntax; Japanese tokens such as [赤] are converted; empty is General.
    void setNumberFormat(const QString &code) const;
    // Number format as typed in a Japanese-locale dialog.
    void setNumberFormatLocal(const QString &code) const;
    QString numberFormat() const;
    Status setHorizontalAlignment(int constant) const;
    Status setVerticalAlignment(int constant) const;
    void setWrapText(bool on) const;
    void setShrinkToFit(bool on) const;
    void setFontSize(double points) const;
    void setFontName(const QString &name) const;
    // Palette colour 1-56, or -4105 automatic.
    Status setFontColorIndex(int index) const;
    void setFontBold(bool on) const;
    void setFontItalic(bool on) const;
    // Palette colour 1-56 as a solid fill, or -4142 for none.
    Status setInteriorColorIndex(int index) const;
    Status setInteriorPattern(int pattern) const;
    // One border edge of the range (7 left, 8 top, 9 bottom, 10 right, 11/12 inside lines).
    Status setBorder(int edge, int lineStyle, int weight, int colorIndex) const;

    // Column width in characters for every column of the range.
    void setColumnWidth(double width) const;
    double columnWidth() const;
    // Fits the columns of the range to the widest displayed text of their cells (the whole
    // column when the range is whole columns).
    void autoFit() const;
    // Applies an auto-format preset (see autoformat.h) to the range.
    Status autoFormat(int constant) const;

    // Copies cells, values and formats to destination (its top-left cell); a whole-row range
    // copies whole rows with their heights.
    void copyTo(const ExcelRange &destination) const;
    // Deletes the cells, moving the cells below up.
    void deleteShiftUp() const;
    // Inserts empty cells, moving the cells from the range's top down.
    void insertShiftDown() const;

private:
    xlsx::Worksheet *m_sheet = nullptr;
    xlsx::CellRect m_rect;
};

} // namespace kelvoran

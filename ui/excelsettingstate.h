// The report designer (TExcelSettingForm) without its widgets: both pages' values as a
// ReportDefinition with the column and pivot grids, the defaults at creation, the rules that
// enable and show controls, the grid operations (fill, add, delete, move, blank-row removal,
// pivot rebuild), the pivot, fixed report and extended list report switches, "初期設定に戻す"
// and "全削除", the key filters of the edits and grids, the heading and width rules, and the
// mapping to the ExcelSetting values kept between runs.
//
// Grid rows are 0-based here; grid columns are numbered as the window shows them, 1 to 4 being
// the visible data columns after the fixed number column 0.
#pragma once

#include "core/appsettings.h"
#include "db/selectanalysis.h"
#include "report/reportdefinition.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kelvoran {

// The visible headings of the column grid (columns 1-4); column 3 reads "セル" while the fixed or
// the extended list report is on.
QStringList columnGridHeadings(bool cellMode);
// The visible headings of the pivot grid (columns 1-4).
QStringList pivotGridHeadings();
// A heading centred in a column of the width (pixels): each Shift_JIS byte counts 6 pixels;
// when the column is wider and the difference exceeds 7, difference / 8 blanks go before it.
QString centredHeading(const QString &heading, int width);
// The fixed column's text of a 0-based row: three blanks and the row number.
QString gridRowNumber(int row);

// Window geometry and grid widths of a layout mode (0 XGA, 1 SVGA).
struct DesignerLayout {
    int top = 0, left = 0, height = 0, width = 0;
    std::array<int, 4> columnWidths{}; // column grid, columns 1-4
    std::array<int, 4> pivotWidths{};  // pivot grid, columns 1-4
};
DesignerLayout designerLayout(int xgaSvgaMode);
// Width of the column grid's column 4 after filling (400 up to 16 rows, else 388) and of the
// pivot grid's column 4 (237 below 18 rows, else 220).
int columnFormatWidth(int rowCount);
int pivotKindWidth(int rowCount);
// The narrowest window: the three bottom buttons plus 100 pixels.
int designerMinimumWidth(int buttonWidth);

// The items of the combo boxes.
QStringList autoFormatItems();   // "" then "None" ... "LocalFormat4" (23)
QStringList rowFormatItems();    // "", "合計", "平均"
QStringList pageLayoutItems();   // "上から下", "左から右"
QStringList reportFormatItems(); // "", "None", "Pivot Talbe Classic", "Report1".., "Table1"..
// "改ﾍﾟｰｼﾞ項目(番号)": an empty item and "1" to rowCount.
QStringList pageBreakKeyItems(int rowCount);
// The item to select after a refill: the one whose text equals the previous item's text, else
// the empty item (0).
int pageBreakKeyIndex(const QStringList &items, const QString &previousText);

// What an edit accepts from the keyboard.
enum class KeyFilter {
    Any,    // every key
    Digits, // 0-9 and backspace
    Cell    // ASCII letters and digits and backspace; any key while Ctrl is held
};
// The filter of an edit by its object name (Any for edits without one).
KeyFilter keyFilterOf(const QString &editName);
// Whether a typed character (or backspace) passes a filter.
bool keyAccepted(KeyFilter filter, QChar character, bool backspace, bool ctrlHeld);
// The filter of a column grid column: column 3 takes digits unless in cell mode; column 4 takes
// no typing.
std::optional<KeyFilter> columnGridFilter(int column, bool cellMode);

// A cell of a grid (0-based row, column 1-4).
struct GridCell {
    int row = 0;
    int column = 1;
    bool operator==(const GridCell &o) const { return row == o.row && column == o.column; }
};
// Right arrow in column 4 goes to column 1 of the next row (from the last row to row 0); Left
// arrow in column 1 goes to column 4 of the row above (from row 0 to the last row). Nothing for
// any other key or column.
std::optional<GridCell> wrappedArrow(bool right, GridCell current, int rowCount);

// Whether a control is shown and usable.
struct ControlView {
    bool visible = true;
    bool enabled = true;
};

// The designer's values and grids and their rules. UI thread only.
class ExcelSettingState {
public:
    // The values at creation (the designer's defaults before the stored ones are applied).
    ExcelSettingState();

    // Both pages' values, the two grids and the passwords.
    ReportDefinition def;
    // The current row of the column grid (0-based).
    int currentRow = 0;
    // Whether the main window's select list has items (set before the grid operations).
    bool selectListHasItems = false;

    // The creation defaults of every value (PROCFLG "1").
    static ReportDefinition creationDefaults();

    // Fixed or extended list report on: column 3 holds cells.
    bool cellMode() const;
    // Whether a control (by object name) is shown and enabled under the current values.
    ControlView view(const QString &controlName) const;
    // The pivot page's tab is shown.
    bool pivotPageShown() const { return def.flag(QStringLiteral("PTOUT")); }

    // Fills the column grid from a select list (one blank row without items) and rebuilds the
    // pivot grid emptied.
    void fillRows(const std::vector<SelectItem> &items);
    // The pivot grid: as many rows as the column grid while the select list has items (names
    // and links from the column rows, other fields kept at their positions), else one blank
    // row. emptyFirst drops every pivot choice first.
    void rebuildPivot(bool emptyFirst);
    // Removes blank rows from both grids (one blank row stays).
    void removeBlankRows();
    // "行追加" at the current row; false when nothing was added.
    bool addRow();
    // "行削除" of the current row (currentColumn: the cell emptied first).
    void deleteRow(int currentColumn);
    // A row dragged by its fixed cell to another position; all data columns move with it.
    void moveColumnRow(int from, int to);
    void movePivotRow(int from, int to);
    // After a key release in the column grid: the linked pivot row takes the row's names.
    void syncLinkedPivotRow(int row);
    // The pivot row whose Link equals the column row's PivotLink, or -1.
    int linkedPivotRow(int columnRow) const;

    // The check boxes with side effects.
    void setPivotTable(bool on);
    void setFixedReport(bool on);
    void setExtendedReport(bool on);
    // "初期設定に戻す": the layout defaults; grids, formats, template, passwords, fixed and
    // extended reports and the pivot page are left alone.
    void resetToInitial();
    // "全削除": one blank column row, pivot grid emptied and rebuilt.
    void clearAll();

    // The ExcelSetting values: applied at start (a flag is on when "TRUE", KoumokuName unless
    // "FALSE"; texts of switched-off options cleared; unreadable indexes select item 0), and
    // taken at program end from the current values (base supplies what the designer does not
    // hold: the group colours).
    void applyExcelSetting(const ExcelSettingValues &values);
    ExcelSettingValues excelSetting(const ExcelSettingValues &base) const;

private:
    void emptySettingColumns();
};

} // namespace kelvoran

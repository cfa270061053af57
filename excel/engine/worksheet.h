// One worksheet: compact cell storage by row, column properties, merged ranges, page layout.
#pragma once

#include "excel/engine/cellref.h"
#include "excel/engine/rangerules.h"
#include "excel/engine/hyperlinks.h"
#include "excel/engine/styles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

class Workbook;
class PivotTable;
class Worksheet;

// A pivot table placed on a sheet, with the sheet its source range is on.
struct SheetPivot {
    std::shared_ptr<PivotTable> table;
    const Worksheet *source = nullptr;
};

// What a cell holds.
enum class CellType : uint8_t { Blank, Number, String, Bool, Error, Formula };

// One stored cell, 16 bytes. String: shared string index; Error: index into the sheet's texts;
// Formula: index into the sheet's formulas.
struct Cell {
    union {
        double number;
        uint32_t index;
    };
    uint32_t style = 0;
    uint16_t column = 0;
    CellType type = CellType::Blank;

    Cell() : number(0) {}
};

// A formula with its cached result. The text has no leading "=".
struct Formula {
    std::string text;
    CellType cachedType = CellType::Number; // Number, String, Bool, Error or Blank
    double number = 0;
    std::string cachedText;
    std::string arrayRef; // non-empty for an array formula
    int maxRow = -1;      // highest row the text refers to; -1 until computed
};

// One row: its cells in column order and its own properties.
struct Row {
    std::vector<Cell> cells;
    float height = 0; // 0: default
    uint32_t style = 0;
    bool customFormat = false;
    bool hidden = false;
    uint8_t outlineLevel = 0;
};

// Width and style of a column.
struct ColumnInfo {
    double width = 0; // 0: default
    uint32_t style = 0;
    bool hidden = false;
    bool bestFit = false;
    uint8_t outlineLevel = 0;
    bool operator==(const ColumnInfo &o) const {
        return width == o.width && style == o.style && hidden == o.hidden && bestFit == o.bestFit &&
               outlineLevel == o.outlineLevel;
    }
};

// A defined name that belongs to one sheet.
struct LocalName {
    std::string name;
    std::string value;
    bool hidden = false;
};

class Worksheet {
public:
    explicit Worksheet(Workbook *book, std::string name);

    Workbook &book() const { return *m_book; }
    const std::string &name() const { return m_name; }

    // Cells.
    const Cell *find(int row, int column) const;
    Cell &at(int row, int column);
    void setNumber(int row, int column, double value);
    void setString(int row, int column, std::string_view text);
    void setBool(int row, int column, bool value);
    void setError(int row, int column, std::string_view text);
    void setFormula(int row, int column, Formula formula);
    // Removes the value and keeps the style.
    void clearValue(int row, int column);
    // The style index of a cell, falling back to its row's and column's style.
    uint32_t styleAt(int row, int column) const;
    // The formula of a formula cell.
    const Formula &formula(const Cell &cell) const { return m_formulas[cell.index]; }
    Formula &formula(const Cell &cell) { return m_formulas[cell.index]; }
    // Number of stored formulas; a formula cell's index is below it.
    size_t formulaCount() const { return m_formulas.size(); }
    // The text of an error cell.
    const std::string &errorText(const Cell &cell) const { return m_texts[cell.index]; }
    // The plain text of a string cell.
    const std::string &stringText(const Cell &cell) const;

    // Highest used row and column (0 when empty).
    int lastRow() const { return int(m_rows.size()); }
    int lastColumn() const;
    // Number of stored rows and a row by number (nullptr when not stored).
    const Row *row(int r) const {
        return r >= 1 && r <= int(m_rows.size()) ? &m_rows[r - 1] : nullptr;
    }
    Row &rowAt(int r);

    // Applies a change to the style of every cell of the rectangle; cells are created unless the
    // rectangle spans whole rows or columns, where the row or column style changes too.
    void changeStyle(const CellRect &rect, const std::function<void(CellStyle &)> &change);
    // Gives every cell of the rectangle the style index.
    void setStyle(const CellRect &rect, uint32_t style);

    // Columns.
    std::map<int, ColumnInfo> &columns() { return m_columns; }
    const std::map<int, ColumnInfo> &columns() const { return m_columns; }
    // The width of a column in characters (the default when not set).
    double columnWidth(int column) const;
    void setColumnWidth(int column, double width);

    // Copies the cells of src (on this or another sheet, of this or another workbook) so that its
    // top-left lands on (row, column); relative formula references move with it, conditional
    // formats and validations come along re-based. With
    // entireRows, row heights and styles come along and the rectangle's columns are whole rows.
    void copyFrom(const Worksheet &src, const CellRect &rect, int row, int column, bool entireRows);
    // Inserts empty cells over rect, moving the cells below it down by its height.
    void insertShiftDown(const CellRect &rect);
    // Deletes the cells of rect, moving the cells below it up by its height.
    void deleteShiftUp(const CellRect &rect);

    // A copy of this sheet for another (or the same) workbook, styles and strings carried over.
    std::unique_ptr<Worksheet> cloneFor(Workbook &target, std::string name) const;

    void setName(std::string name) { m_name = std::move(name); }
    // Rewrites the text of every formula of the sheet, those of its conditional formats and
    // validations too.
    void rewriteFormulas(const std::function<std::string(const std::string &)> &rewrite);
    // Rewrites the text of every formula cell, given the cell's row and column.
    void rewriteCellFormulas(
        const std::function<std::string(const std::string &, int row, int column)> &rewrite);

    // Layout and printing.
    std::vector<CellRect> merges;
    std::vector<CellHyperlink> hyperlinks;
    std::string printArea; // A1 text without sheet name, e.g. "$A$1:$E$20"; empty: none
    std::vector<LocalName> localNames;
    std::vector<int> rowBreaks; // rows after which a page ends
    std::vector<int> columnBreaks;
    int frozenRows = 0;
    int frozenColumns = 0;
    bool showGridLines = true;
    int zoomScale = 0;
    bool tabSelected = false;
    double defaultColumnWidth = 0; // from sheetFormatPr; 0: 8.43
    // Conditional formats and data validations, in the order read; copies and row shifts carry
    // them with their cells.
    std::vector<RangeRule> rangeRules;
    std::string validationOptions; // attributes of the validation list other than its count
    // Elements kept as XML text, by element name (sheetPr, sheetFormatPr, pageSetup, ...).
    std::map<std::string, std::string> rawXml;
    // Pivot tables located on this sheet (not carried into copies of the sheet).
    std::vector<SheetPivot> pivotTables;

private:
    friend class PackageWriter;
    friend class PackageReader;
    Cell &insertCell(Row &r, int column);
    uint32_t addFormula(Formula f);

    Workbook *m_book;
    std::string m_name;
    std::vector<Row> m_rows;
    std::map<int, ColumnInfo> m_columns;
    std::vector<Formula> m_formulas;
    std::vector<std::string> m_texts;
};

} // namespace kelvoran::xlsx

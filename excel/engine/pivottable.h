// Pivot tables: the layout computed from a source range, and what the three package parts that
// describe it to a spreadsheet program are written from (pivotparts.h writes them).
//
// How a pivot table is made:
//  1. The caller gives the source range's field names and records and a destination cell.
//  2. Fields get an orientation (row, column, page, data) in call order; a data field gets one
//     of the eleven functions. Orientation "data" without a function sums numeric fields and
//     counts the others, as spreadsheet programs do.
//  3. axes() lists the table's row and column lines (items, subtotals of outer fields, grand
//     totals) and layout() computes every cell of the finished table from them, so the values
//     show in any reader. The table part lists the same lines, so a spreadsheet program shows
//     the table as it is (protected view does not refresh); the parts still ask the reader to
//     refresh on open, so a spreadsheet program that may rebuild the table does so from the
//     source range with its own styling.
#pragma once

#include "core/result.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

namespace kelvoran::xlsx {

// Where a field goes (the orientation constants 0-4 of spreadsheet automation).
enum class PivotAxis { Hidden = 0, Row = 1, Column = 2, Page = 3, Data = 4 };

// The eleven aggregation functions the file format knows.
enum class PivotFunction {
    Sum,
    Average,
    Count,
    Max,
    Min,
    Product,
    CountNums,
    StdDev,
    StdDevp,
    Var,
    Varp
};

// The function for an automation constant (-4157 sum, -4106 average, ...); none for 0 and for
// unknown constants, which a data field cannot take.
std::optional<PivotFunction> pivotFunctionFromConstant(int constant);
// The file format's name of a function ("sum", "countNums", "stdDevp", ...).
QString pivotFunctionXmlName(PivotFunction function);
// The caption a data field gets ("合計", "平均", "データの個数", ...).
QString pivotFunctionCaption(PivotFunction function);

// The source of a pivot table: a range of a sheet whose first row holds the field names.
struct PivotSource {
    QString sheetName;
    int firstRow = 1; // 1-based, the heading row
    int firstCol = 1;
    QStringList fieldNames;
    // One entry per record, one value per field: double, QString or null (empty cell).
    std::vector<std::vector<QVariant>> records;

    int lastRow() const { return firstRow + static_cast<int>(records.size()); }
    int lastCol() const { return firstCol + static_cast<int>(fieldNames.size()) - 1; }
};

// What a computed cell shows; the report formats style cells by role.
enum class PivotCellRole {
    PageName,
    PageValue,
    DataCaption,
    FieldName,
    ColumnItem,
    RowItem,
    Value,
    SubtotalLabel,
    SubtotalValue,
    GrandTotalLabel,
    GrandTotalValue
};

// True for a value the table treats as empty: null, invalid or an empty text.
bool pivotValueIsBlank(const QVariant &value);
// True for a value the table treats as a number (anything but a text that converts to double).
bool pivotValueIsNumber(const QVariant &value);

// The cache of a table: each field's distinct items in display order (empty for a field on no
// axis) and, per record and field, the index of the record's value among the items.
struct PivotCacheItems {
    std::vector<std::vector<QVariant>> items;
    std::vector<std::vector<int>> recordItems;
};

// One line of an axis: a row of the table's body or a column of its value area. The file format
// lists these lines (rowItems, colItems) so that a reader can show the table without rebuilding
// it.
struct PivotAxisLine {
    enum class Kind { Item, Subtotal, Grand };
    Kind kind = Kind::Item;
    // The items of the axis fields, outermost first: the whole key of an item line, the group's
    // prefix of a subtotal line, empty for the grand total.
    std::vector<int> key;
    // The data field the line shows, where the data fields run down the rows.
    int dataField = 0;
    // Leading entries of members() that repeat the line before (the file format leaves them out).
    int repeated = 0;
    // The item indexes the file format names for this line: the key, then the data field where
    // the data fields are one more field of the axis; the grand total names item 0.
    std::vector<int> members;
};

// The lines of both axes, in the order the table shows them.
struct PivotAxes {
    std::vector<PivotAxisLine> rows;
    std::vector<PivotAxisLine> columns;
};

// One computed cell of the table, 1-based.
struct PivotCell {
    int row;
    int col;
    QVariant value;
    PivotCellRole role;
};

// A pivot table under construction. UI thread only; cheap to copy.
class PivotTable {
public:
    // A field on the data axis and how it is aggregated.
    struct DataField {
        int field;
        PivotFunction function;
        QString caption;
    };

    // destRow/destCol: the table's top-left cell (page fields go above it).
    PivotTable(PivotSource source, QString name, int destRow, int destCol);

    // Puts a field on an axis; an unknown field name is an error. Putting a field on the data
    // axis this way sums numeric fields and counts others.
    Status setOrientation(const QString &fieldName, PivotAxis axis);
    // Adds a data field with an automation function constant; fails for 0 and unknown constants.
    Status addDataField(const QString &fieldName, int functionConstant);

    void setGrandTotals(bool rowGrandTotals, bool columnGrandTotals);
    void setSaveData(bool saveData) { m_saveData = saveData; }
    // 1: page fields down, then over; 2: over, then down.
    void setPageFieldOrder(int order) { m_pageOverThenDown = order == 2; }

    const QString &name() const { return m_name; }
    const PivotSource &source() const { return m_source; }
    // The source sheet's name as it is when the parts are written (sheets may be renamed).
    void setSourceSheetName(const QString &name) { m_source.sheetName = name; }
    bool saveData() const { return m_saveData; }
    // The fields (indexes into the source's field names) on each axis, in call order.
    const std::vector<int> &rowFields() const { return m_rowFields; }
    const std::vector<int> &columnFields() const { return m_colFields; }
    const std::vector<int> &pageFields() const { return m_pageFields; }
    const std::vector<DataField> &dataFields() const { return m_dataFields; }
    bool rowGrandTotals() const { return m_rowGrandTotals; }
    bool columnGrandTotals() const { return m_colGrandTotals; }
    bool pageOverThenDown() const { return m_pageOverThenDown; }

    // Every cell of the finished table, including the page fields above it.
    std::vector<PivotCell> layout() const;
    // The table's range without the page fields, as A1 text ("D4:H12").
    QString tableRange() const;

    // The items and record indexes the cache parts list.
    PivotCacheItems cacheItems() const;
    // The table's row and column lines, which layout() fills and the table part lists.
    PivotAxes axes() const;
    // True when there are several data fields: they then run down the rows as one more field.
    bool dataOnRows() const { return m_dataFields.size() > 1; }

private:
    struct Computed;

    int fieldIndex(const QString &name) const;
    bool isNumericField(int field) const;
    Computed compute() const;
    PivotAxes axesOf(const Computed &c) const;
    // The field's distinct values in display order (numbers ascending, then texts, then blank).
    std::vector<QVariant> fieldItems(int field) const;
    bool onAxis(int field) const;

    PivotSource m_source;
    QString m_name;
    int m_destRow;
    int m_destCol;
    std::vector<int> m_rowFields, m_colFields, m_pageFields;
    std::vector<DataField> m_dataFields;
    bool m_rowGrandTotals = true;
    bool m_colGrandTotals = true;
    bool m_saveData = true;
    bool m_pageOverThenDown = false;
};

} // namespace kelvoran::xlsx

// Report columns and pivot field rows, and their pivot codes.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace kelvoran {

// One report column: a row of the designer's column grid (seven data columns).
struct ColumnSetting {
    QString PhysicalName; // the select item's expression as written in the SQL
    QString Alias;        // its alias, empty when none
    QString WidthOrCell;  // width in characters, or the target cell of a fixed report
    QString FormatText;   // the formats' display names, concatenated
    QString FormatCodes;  // one 17-character FormatCode per display name
    QString GroupKeys;    // "name******," per group total/average code, in order
    QString PivotLink;    // number of the pivot row that belongs to this column

    bool operator==(const ColumnSetting &o) const;
    bool operator!=(const ColumnSetting &o) const { return !(*this == o); }
};

// One row of the pivot grid (six data columns).
struct PivotFieldSetting {
    QString PhysicalName;    // copied from the column
    QString Alias;           // copied from the column
    QString FieldKindText;   // "〔行フィールド〕" ...
    QString AggregationText; // "〔合計〕" ...
    QString PivotCode;       // "PF1/PS1/   /   /," or empty when not a pivot field
    QString Link;            // the value the column's PivotLink points to

    bool operator==(const PivotFieldSetting &o) const;
    bool operator!=(const PivotFieldSetting &o) const { return !(*this == o); }
};

// Pivot field kinds, in the order of the dialog's list.
enum class PivotFieldKind { None, Row, Column, Data, Page };

// Code ("PF1".."PF4", empty for None) and display text of a field kind.
QString pivotFieldKindCode(PivotFieldKind kind);
QString pivotFieldKindText(PivotFieldKind kind);
// The dialog's item text of a field kind ("対象外(クリア)", "行フィールド", ...).
QString pivotFieldKindItem(PivotFieldKind kind);

// Number of aggregations (indexes 0-11: "集計無し" to "分散").
constexpr int PivotAggregationCount = 12;
// Code "PS0".."PSB", display text "〔集計無し〕".. and item text of an aggregation index;
// empty for an index out of range.
QString pivotAggregationCode(int index);
QString pivotAggregationText(int index);
QString pivotAggregationItem(int index);
// The aggregation index of a code ("PS1" -> 1), or nothing.
std::optional<int> pivotAggregationIndex(const QString &code);

// Applies the pivot field dialog's "決定" to a pivot row: the kind's display text, the
// aggregation's display text and the code (kind code, "/", aggregation code, "/   /   /,").
// The aggregation is written whatever the kind; a negative index counts as "PS0". None clears
// the three fields.
void setPivotField(PivotFieldSetting &row, PivotFieldKind kind, int aggregationIndex);

// Field 8 of a column setting line: the first 8 characters of the pivot code padded with
// blanks to 8, the pivot row number left-aligned in 3, then "/   /,".
QString columnPivotCode(const QString &pivotCode, int pivotRow);

} // namespace kelvoran

// Pivot tables on a sheet, as the report code drives them: a wizard that makes the table from
// a source range, then field orientations, data fields, a report format and an auto-format.
#pragma once

#include "core/result.h"
#include "excel/excelrange.h"

#include <QString>

#include <memory>

namespace kelvoran {

namespace xlsx {
class PivotTable;
}

// The wizard's choices.
struct PivotWizardOptions {
    QString name;
    bool rowGrandTotals = true;
    bool columnGrandTotals = true;
    bool saveData = true;
    // 1: page fields down, then over; 2: over, then down.
    int pageFieldOrder = 1;
};

// One pivot table of a sheet. Every change recomputes the table's cells on the sheet, so the
// values show in any reader; the saved parts ask a spreadsheet program to refresh on open.
class ExcelPivotTable {
public:
    ExcelPivotTable() = default;

    bool isValid() const { return m_state != nullptr; }
    QString name() const;

    // Orientation 0 hidden, 1 row, 2 column, 3 page, 4 data; an unknown field or orientation
    // fails.
    Status setOrientation(const QString &field, int orientation) const;
    // A data field with a function constant (-4157 sum, -4106 average, ...); 0 or an unknown
    // constant fails, so the caller can fall back to orientation 4.
    Status addDataField(const QString &field, int functionConstant) const;
    // The report format (0-21; see the pivot formats table); other constants fail.
    Status format(int formatConstant) const;
    // An auto-format preset applied to the table's cells.
    Status autoFormat(int constant) const;
    // The table's cells without the page fields.
    ExcelRange tableRange() const;

private:
    friend Result<ExcelPivotTable> pivotTableWizard(const ExcelRange &, const ExcelRange &,
                                                    const PivotWizardOptions &);
    struct State;
    void refresh() const;
    std::shared_ptr<State> m_state;
};

// Makes a pivot table from source (its first row holds the field names, at least one record
// below) with its top-left cell at destination, on destination's sheet.
Result<ExcelPivotTable> pivotTableWizard(const ExcelRange &source, const ExcelRange &destination,
                                         const PivotWizardOptions &options);

} // namespace kelvoran

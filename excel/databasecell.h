// Database values written into report cells. A value goes in as its display text converted as
// typed input (a number, a date, a truth value), with two exceptions that keep what the
// database holds:
//  - text a spreadsheet program reads as a formula when it is typed ("=1+1", "=HYPERLINK(...)",
//    "+81-3-1234-5678", "@SUM(A1)") is stored as the text it is, marked as typed with a
//    leading apostrophe, so that it neither acts nor becomes a formula when the cell is edited;
//  - a number whose digits after the 15th significant one typed input would turn into zeros (a
//    20-digit key, a long decimal) is stored as text with every digit. A double from the driver
//    is stored as that double, which the cell holds exactly.
// Each column where a value was kept from becoming a formula, or kept as text for its digits,
// yields one notice per report.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <set>
#include <utility>

namespace kelvoran {

class ExcelRange;

class DatabaseCellWriter {
public:
    // What a write did beyond plain typed input.
    enum class Kept { Nothing, FormulaText, LongNumber };

    // The names notices give the report columns, by 0-based column.
    void setColumnNames(const QStringList &names) { m_names = names; }
    // Writes a database value into the top-left cell of the range; column is the 0-based report
    // column. A cell formatted as text ("@") takes the display text unchanged.
    Kept write(const ExcelRange &cell, const QVariant &value, int column);
    // The notices so far, in the order the columns first needed one.
    const QStringList &notices() const { return m_notices; }

private:
    QStringList m_names;
    std::set<std::pair<int, Kept>> m_noted;
    QStringList m_notices;
};

} // namespace kelvoran

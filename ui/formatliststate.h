// The format list editor (TFormatEditForm) without its widgets: the entries of one format list
// in grid order, moved and removed as the grid does, and joined back on "決定".
#pragma once

#include "report/formatcode.h"

#include <vector>

namespace kelvoran {

class FormatListState {
public:
    // Splits a list into rows (report/formatcode's splitFormatList); withTotals false drops the
    // total kinds 101-106 (column-name row and row total lists).
    void load(const QString &formatText, const QString &formatCodes, const QString &groupKeys,
              bool withTotals);

    const std::vector<FormatListEntry> &rows() const { return m_rows; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    // Moves row `from` to position `to` (0-based; the rows between shift by one). Out of range:
    // nothing.
    void moveRow(int from, int to);
    // Removes a row; the rows below move up. Out of range: nothing.
    void removeRow(int row);

    // Rebuilds display text, codes and group keys from the rows in order.
    void join(QString &formatText, QString &formatCodes, QString &groupKeys) const;

private:
    std::vector<FormatListEntry> m_rows;
};

} // namespace kelvoran

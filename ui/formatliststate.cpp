#include "ui/formatliststate.h"

namespace kelvoran {

void FormatListState::load(const QString &formatText, const QString &formatCodes,
                           const QString &groupKeys, bool withTotals) {
    m_rows = splitFormatList(formatText, formatCodes, groupKeys, withTotals);
}

void FormatListState::moveRow(int from, int to) {
    if (from < 0 || to < 0 || from >= rowCount() || to >= rowCount() || from == to)
        return;
    FormatListEntry moved = m_rows[static_cast<size_t>(from)];
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, moved);
}

void FormatListState::removeRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    m_rows.erase(m_rows.begin() + row);
}

void FormatListState::join(QString &formatText, QString &formatCodes, QString &groupKeys) const {
    joinFormatList(m_rows, formatText, formatCodes, groupKeys);
}

} // namespace kelvoran

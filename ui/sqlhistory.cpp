#include "ui/sqlhistory.h"

namespace kelvoran {

bool linesBlank(const QStringList &lines) {
    for (const QString &l : lines)
        if (!l.trimmed().isEmpty())
            return false;
    return true;
}

void SqlHistory::record(const QStringList &lines) {
    if (m_last >= SlotCount) {
        m_last = 1;
        m_full = true;
    } else {
        ++m_last;
    }
    m_current = m_last;
    m_slots[size_t(m_last - 1)] = lines;
}

HistoryStep SqlHistory::load(int slotNumber) const {
    HistoryStep step;
    step.action = HistoryStep::LoadLines;
    step.lines = m_slots[size_t(slotNumber - 1)];
    return step;
}

HistoryStep SqlHistory::back(bool editorBlank) {
    if (m_last <= 0)
        return {};
    if (m_current == m_last + 1) {
        if (!editorBlank)
            return {};
        m_current = m_last;
        return load(m_current);
    }
    --m_current;
    if (m_current <= 0) {
        if (m_full)
            m_current = SlotCount;
        else
            m_current = editorBlank ? m_last : 1;
    }
    return load(m_current);
}

HistoryStep SqlHistory::forward(bool editorBlank) {
    if (m_last <= 0)
        return {};
    if (m_current == m_last) {
        m_current = m_last == SlotCount ? 1 : m_last + 1;
        HistoryStep step;
        step.action = HistoryStep::ClearEditor;
        return step;
    }
    if (editorBlank)
        return {};
    m_current = m_current >= SlotCount ? 1 : m_current + 1;
    return load(m_current);
}

} // namespace kelvoran

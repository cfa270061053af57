// The SQL tab's statement history: 20 slots that wrap around, with back and forward.
#pragma once

#include <QStringList>

#include <array>

namespace kelvoran {

// What the editor does after a history step.
struct HistoryStep {
    enum Action { Nothing, ClearEditor, LoadLines };
    Action action = Nothing;
    // The slot's lines for LoadLines (the editor is cleared first, which drops its undo steps).
    QStringList lines;
};

// True when the editor's lines hold nothing but blanks.
bool linesBlank(const QStringList &lines);

// Twenty slots numbered 1 to 20. The history lives in memory only; UI thread only.
class SqlHistory {
public:
    static constexpr int SlotCount = 20;

    // Stores the editor's lines in the next slot, wrapping from 20 to 1.
    void record(const QStringList &lines);
    // "1つ前のSQL": editorBlank tells whether the editor holds only blanks.
    HistoryStep back(bool editorBlank);
    // "1つ先のSQL".
    HistoryStep forward(bool editorBlank);

    // The slot written most recently, 0 while nothing has been recorded.
    int last() const { return m_last; }
    // The slot shown, or last + 1 for the fresh empty position.
    int current() const { return m_current; }
    // True once the slots have wrapped around.
    bool full() const { return m_full; }
    // The lines of slot n (1 to 20).
    const QStringList &slot(int n) const { return m_slots[size_t(n - 1)]; }

private:
    HistoryStep load(int slotNumber) const;

    std::array<QStringList, SlotCount> m_slots;
    int m_last = 0;
    int m_current = 1;
    bool m_full = false;
};

} // namespace kelvoran

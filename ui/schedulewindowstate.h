// The schedule window's state without the window: headings and layouts per screen mode, row
// fills, which commands are shown and enabled, the mouse's row range, the row operations of the
// grid, the checks of the start fields and the status bar's text after a run.
#pragma once

#include "schedule/scheduleentry.h"
#include "schedule/schedulerunner.h"

#include <QDateTime>
#include <QRect>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

namespace kelvoran {

// The grid's columns; row 0 is the heading row, entries are rows 1..n.
enum ScheduleColumn {
    NumberColumn = 0,
    FileColumn,
    FolderColumn,
    TargetColumn,
    StartColumn,
    EndColumn,
    CountColumn,
    StatusColumn,
    ScheduleColumnCount
};

// The headings as written, before padding.
QStringList scheduleHeadings();
// A heading padded for its column: (width - 6 x its Shift_JIS bytes) div 8 blanks in front when
// that difference exceeds 7.
QString scheduleHeadingText(const QString &heading, int columnWidth);

// The window's place, size and column widths in a layout mode (XGASVGAMode: 0 XGA, 1 SVGA).
struct ScheduleWindowLayout {
    QRect geometry; // left, top, width, height
    std::array<int, ScheduleColumnCount> columnWidths;
};
ScheduleWindowLayout scheduleWindowLayout(int xgaSvgaMode);

// The left edges of 実行, 全削除 and 閉じる.
struct FooterButtonLefts {
    int exec, deleteAll, close;
};
// When a layout is applied: half the window width minus 176, minus 38 and plus 100.
FooterButtonLefts buttonLeftsForLayout(int windowWidth);
// On a resize: centred at a quarter, a half and three quarters of the footer width.
FooterButtonLefts centredButtonLefts(int footerWidth, int execWidth, int deleteAllWidth,
                                     int closeWidth);
// The narrowest window: the three buttons' widths plus 100 pixels.
int minimumScheduleWindowWidth(int execWidth, int deleteAllWidth, int closeWidth);

// How a row is filled: the lime of the row being run over the red of a failure over the aqua
// of an entry without a connection.
enum class RowFill { Normal, Failed, Unchecked, Running };
RowFill rowFill(EntryMark mark, bool isRunningRow);
// Column 0: "1", or "   1" (three blanks first) while a schedule is armed or running.
QString rowNumberText(int row, bool armedOrRunning);

// The window's commands.
enum class ScheduleCommand {
    Load,             // スケジュールの読み込み
    Save,             // スケジュールの保存
    AddRow,           // 行追加 (F7)
    DeleteRow,        // 行削除 (F8)
    ChangeConnection, // DBパスワード等変更 (F9)
    ExcelPasswords,   // Excelパスワード設定・変更 (F11)
    EditTarget,       // 保存場所編集
    EditTargetGroup,  // 保存場所編集(グループ)
    AddEntry,         // double-click on the grid
    DeleteAll,        // 全削除
    MoveRow,          // dragging a row
};
// Shown when the menu opens: the one-row commands with one row selected, the group command with
// a range.
bool scheduleCommandVisible(ScheduleCommand command, bool rangeSelected);
// Every command that edits the schedule or reads it from or into a file is off while it runs.
bool scheduleCommandEnabled(ScheduleCommand command, ScheduleState state);

// The rows selected with the mouse: anchor where the button went down, end where it is now.
class RowRange {
public:
    int anchor() const { return m_anchor; }
    int end() const { return m_end; }
    int first() const { return std::min(m_anchor, m_end); }
    int last() const { return std::max(m_anchor, m_end); }
    bool isRange() const { return m_anchor != m_end; }
    bool contains(int row) const { return row >= first() && row <= last(); }
    // A left click: the range is the row.
    void reset(int row) { m_anchor = m_end = row; }
    // Dragging with the left button over another row.
    void dragTo(int row) { m_end = row; }
    // A right click outside the range, or with one row selected, resets it to the row; returns
    // whether it did (the cursor then moves to the row).
    bool rightClick(int row);

private:
    int m_anchor = 1;
    int m_end = 1;
};

// The grid always shows at least one data row: an empty schedule has one empty entry.
void keepOneRow(Schedule &schedule);
// One empty row after the last entry, as after loading or adding.
void keepTrailingEmptyRow(Schedule &schedule);
// 行追加 (F7): an empty row above the cursor row; on the last row, one after it. Returns the
// row the cursor stays on.
int insertEmptyRow(Schedule &schedule, int cursorRow);
// 行削除 (F8): removes the cursor row; the only row is emptied instead. Returns the new cursor.
int deleteRow(Schedule &schedule, int cursorRow);
// Moves row from (1-based) to row to with all its fields, hidden ones included.
void moveRow(Schedule &schedule, int from, int to);

// The five start fields as the window fills them: "yyyy", "MM", "dd", "HH", "mm" of now.
QStringList startFieldsFor(const QDateTime &now);
// What leaving start field `left` (0 year .. 4 minute) does: the first empty field gives its
// warning and gets the focus; otherwise the field left is checked and normalised, an invalid
// value giving its warning and being replaced by now's value.
struct StartFieldCheck {
    QString warning;     // empty: nothing to say
    int focusField = -1; // the field that gets the focus, -1 none
    QStringList fields;  // the fields afterwards
};
StartFieldCheck checkLeftStartField(const QStringList &fields, int left, const QDateTime &now);

// The status bar after a run: "スケジュール終了〔エラー件数 n〕", then what deserves a look (an
// entry that replaced an earlier entry's file, where the log went instead, characters the
// log could not hold).
QString runEndStatusText(const RunSummary &summary);

} // namespace kelvoran

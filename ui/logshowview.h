// The log viewer's widget-free state: what its two grids and four count boxes show for a run
// log or a schedule file, which rows are drawn red, its headings and its layout per mode.
#pragma once

#include "schedule/runlog.h"
#include "schedule/scheduleentry.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace kelvoran {

// Log mode shows a run log with its counts; schedule mode the entries of a schedule file.
enum class LogShowMode { Log, Schedule };

// The rows of a grid and the texts of the four count boxes ("スケジュール数", "正常終了数",
// "異常終了数", "未処理数").
struct LogShowContents {
    std::vector<QStringList> rows;
    QString total = QStringLiteral("0");
    QString completed = QStringLiteral("0");
    QString failed = QStringLiteral("0");
    QString unprocessed = QStringLiteral("0");
};

// A log read back: its records (eight cells each, a trailing empty record dropped) and its
// counts as the reader classed them.
LogShowContents logShowContents(const RunLogContents &log);
// A schedule's entries: number (1..n), file name, folder; the entry count and "0" for the rest.
// Rows without a file name are left out, as the schedule window drops them.
LogShowContents scheduleShowContents(const Schedule &schedule);

// Column 7 of a log row is its status: a row that is neither still empty nor "正常終了" (it
// failed, or it was never run) is drawn red.
bool isRedLogRow(const QStringList &row);

// The eight headings of the log grid.
QStringList logGridHeadings();
// The three headings of the schedule grid; they change once a schedule file was opened.
QStringList scheduleGridHeadings(bool fileOpened);
// The window caption and the open command's caption of a mode.
QString logShowCaption(LogShowMode mode);
QString logShowOpenCaption(LogShowMode mode);
// The open dialog's filter of a mode.
QString logShowFilter(LogShowMode mode);
// True when a chosen file has the mode's extension (log or kvs); the dialog opens again when not.
bool acceptsLogShowFile(LogShowMode mode, const QString &path);

// The settings file a double-clicked row names (its folder + file name), or empty when the row
// does not name a settings file (extension kvr).
QString settingsFileOfRow(const QString &folder, const QString &fileName);

// The window's place and the schedule grid's column widths in a layout mode (0 XGA, 1 SVGA).
struct LogShowLayout {
    int top, left, height, width;
    std::array<int, 3> scheduleWidths;
};
LogShowLayout logShowLayout(int xgaSvgaMode);
// The log grid's column widths as first shown.
std::array<int, 8> logGridWidths();
// The narrowest the window may be for an OK button of the width.
int logShowMinimumWidth(int okButtonWidth);

} // namespace kelvoran

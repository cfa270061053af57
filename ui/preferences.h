// The preferences dialog's widget-free state: the values it can change (kept when it is shown,
// put back by キャンセル), the XGA and SVGA presets, the tab-width boxes' rule and the log
// folder chooser's folders.
#pragma once

#include "core/appsettings.h"

#include <QString>

namespace kelvoran {

// Copies from kept into settings every value the preferences dialog can change: the four
// preset folders, the main window's geometry and pane sizes, the ten colours, the data-count
// choice, both tab widths, the six marks, the layout mode and the secondary windows' places.
// ExcelDataDir, the designer's values and the line separator are not the dialog's and stay as they
// are.
void restorePreferences(AppSettings &settings, const AppSettings &kept);

// The main window's geometry and pane sizes of a layout preset.
struct PresetGeometry {
    int top, left, height, width, sqlPaneWidth, gridHeight;
};
PresetGeometry presetGeometry(int xgaSvgaMode);

// A layout preset (0 XGA, 1 SVGA): the four folders back to INSTALLDIR + their folder names
// (ExcelDataDir kept), the preset geometry, white backgrounds and black text in all five
// editors, no row count, tab widths 4, every mark off, the mode, and the secondary windows back
// at their preset places.
void applyLayoutPreset(AppSettings &settings, int xgaSvgaMode);

// A tab-width box takes at most two digits.
constexpr int kTabCountMaxLength = 2;
bool isTabCountInput(const QString &text);
// The box's text when the focus leaves it: an empty box becomes "4".
QString tabCountOnLeaving(const QString &text);
// The tab width a box's text stands for (4 for an empty box).
int tabWidthOf(const QString &text);

// The folder the log folder chooser opens: the log folder when it exists, else fallback.
QString chooserStartFolder(const QString &logFolder, const QString &fallback);
// The folder the chooser returns: with a trailing separator added when it lacks one.
QString chosenLogFolder(const QString &folder);

} // namespace kelvoran

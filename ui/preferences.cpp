#include "ui/preferences.h"

#include "core/pathrules.h"

#include <QDir>
#include <QFileInfo>

namespace kelvoran {

void restorePreferences(AppSettings &s, const AppSettings &k) {
    s.kelvoranDataDir = k.kelvoranDataDir;
    s.excelSettingDataDir = k.excelSettingDataDir;
    s.scheduleDataDir = k.scheduleDataDir;
    s.logFileDir = k.logFileDir;
    s.formTop = k.formTop;
    s.formLeft = k.formLeft;
    s.formHeight = k.formHeight;
    s.formWidth = k.formWidth;
    s.tabWidth = k.tabWidth;
    s.gridHeight = k.gridHeight;
    s.definitionBackColor = k.definitionBackColor;
    s.definitionFontColor = k.definitionFontColor;
    s.sourceBackColor = k.sourceBackColor;
    s.sourceFontColor = k.sourceFontColor;
    s.sqlBackColor = k.sqlBackColor;
    s.sqlFontColor = k.sqlFontColor;
    s.errSourceFormBackColor = k.errSourceFormBackColor;
    s.errSourceFormFontColor = k.errSourceFormFontColor;
    s.sqlConditionEditFormBackColor = k.sqlConditionEditFormBackColor;
    s.sqlConditionEditFormFontColor = k.sqlConditionEditFormFontColor;
    s.dataCountFlg = k.dataCountFlg;
    s.sqlTabCnt = k.sqlTabCnt;
    s.sqlEnterMark = k.sqlEnterMark;
    s.sqlEofMark = k.sqlEofMark;
    s.sqlLineNumber = k.sqlLineNumber;
    s.sqlConditionTabCnt = k.sqlConditionTabCnt;
    s.sqlConditionEnterMark = k.sqlConditionEnterMark;
    s.sqlConditionEofMark = k.sqlConditionEofMark;
    s.sqlConditionLineNumber = k.sqlConditionLineNumber;
    s.xgaSvgaMode = k.xgaSvgaMode;
    s.windowPlacements = k.windowPlacements;
}

PresetGeometry presetGeometry(int xgaSvgaMode) {
    if (xgaSvgaMode == 1)
        return {9, 6, 552, 787, 594, 273};
    return {18, 23, 715, 983, 717, 340};
}

void applyLayoutPreset(AppSettings &s, int xgaSvgaMode) {
    const AppSettings defaults = AppSettings::firstRunDefaults(s.installDir, {});
    s.kelvoranDataDir = defaults.kelvoranDataDir;
    s.excelSettingDataDir = defaults.excelSettingDataDir;
    s.scheduleDataDir = defaults.scheduleDataDir;
    s.logFileDir = defaults.logFileDir;
    const PresetGeometry g = presetGeometry(xgaSvgaMode);
    s.formTop = g.top;
    s.formLeft = g.left;
    s.formHeight = g.height;
    s.formWidth = g.width;
    s.tabWidth = g.sqlPaneWidth;
    s.gridHeight = g.gridHeight;
    for (int *back : {&s.definitionBackColor, &s.sourceBackColor, &s.sqlBackColor,
                      &s.errSourceFormBackColor, &s.sqlConditionEditFormBackColor})
        *back = kWhite;
    for (int *font : {&s.definitionFontColor, &s.sourceFontColor, &s.sqlFontColor,
                      &s.errSourceFormFontColor, &s.sqlConditionEditFormFontColor})
        *font = kBlack;
    s.dataCountFlg = 0;
    s.sqlTabCnt = 4;
    s.sqlConditionTabCnt = 4;
    for (bool *mark : {&s.sqlEnterMark, &s.sqlEofMark, &s.sqlLineNumber, &s.sqlConditionEnterMark,
                       &s.sqlConditionEofMark, &s.sqlConditionLineNumber})
        *mark = false;
    s.xgaSvgaMode = xgaSvgaMode == 1 ? 1 : 0;
    // A preset resets the layout: every secondary window goes back to its preset place.
    s.windowPlacements.clear();
}

bool isTabCountInput(const QString &text) {
    if (text.size() > kTabCountMaxLength)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString tabCountOnLeaving(const QString &text) {
    return text.isEmpty() ? QStringLiteral("4") : text;
}

int tabWidthOf(const QString &text) {
    return tabCountOnLeaving(text).toInt();
}

QString chooserStartFolder(const QString &logFolder, const QString &fallback) {
    if (!logFolder.isEmpty() && QFileInfo(logFolder).isDir() && QDir(logFolder).isReadable())
        return logFolder;
    return fallback;
}

QString chosenLogFolder(const QString &folder) {
    if (folder.isEmpty() || isPathSeparator(folder.back()))
        return folder;
    return folder + QDir::separator();
}

} // namespace kelvoran

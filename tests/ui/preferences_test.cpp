// The preferences dialog's kept values, presets, tab-width rule and log folder choice.
#include "ui/preferences.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

// Settings that differ from every preset value.
AppSettings customised() {
    FirstRunWindowValues w;
    w.formTop = 100;
    w.formLeft = 200;
    w.formHeight = 600;
    w.formWidth = 900;
    w.tabWidth = 400;
    w.gridHeight = 150;
    AppSettings s = AppSettings::firstRunDefaults(QStringLiteral("/opt/k/"), w);
    s.kelvoranDataDir = QStringLiteral("/home/u/last.sql");
    s.excelSettingDataDir = QStringLiteral("/home/u/reports/a.kvr");
    s.excelDataDir = QStringLiteral("/home/u/out/");
    s.scheduleDataDir = QStringLiteral("/home/u/night.kvs");
    s.logFileDir = QStringLiteral("/var/log/k/");
    s.definitionBackColor = 0x00112233;
    s.sourceFontColor = kNoColour;
    s.sqlBackColor = 0x00C0FFEE;
    s.errSourceFormFontColor = 0x000000FF;
    s.sqlConditionEditFormBackColor = 0x0000FF00;
    s.dataCountFlg = 1;
    s.sqlTabCnt = 8;
    s.sqlConditionTabCnt = 2;
    s.sqlEnterMark = s.sqlEofMark = s.sqlLineNumber = true;
    s.sqlConditionEnterMark = s.sqlConditionEofMark = s.sqlConditionLineNumber = true;
    s.xgaSvgaMode = 1;
    s.rememberWindowPlacement(QStringLiteral("TScheduleForm"), 1, QRect(5, 6, 700, 500), QRect());
    return s;
}

} // namespace

TEST(Preferences, PresetThenRestoreGivesBackEveryKeptValue) {
    for (const int mode : {0, 1}) {
        const AppSettings kept = customised();
        AppSettings s = kept;
        applyLayoutPreset(s, mode);
        EXPECT_NE(s, kept);
        restorePreferences(s, kept);
        EXPECT_EQ(s, kept) << "mode " << mode;
    }
}

TEST(Preferences, RestoreLeavesWhatTheDialogDoesNotOwn) {
    const AppSettings kept = customised();
    AppSettings s = kept;
    s.excelDataDir = QStringLiteral("/new/out/");
    s.lineSeparator = QStringLiteral("\r");
    s.excel.titleName = QStringLiteral("Sales");
    restorePreferences(s, kept);
    EXPECT_EQ(s.excelDataDir, QStringLiteral("/new/out/"));
    EXPECT_EQ(s.lineSeparator, QStringLiteral("\r"));
    EXPECT_EQ(s.excel.titleName, QStringLiteral("Sales"));
}

TEST(Preferences, PresetValues) {
    const struct {
        int mode;
        PresetGeometry geometry;
    } cases[] = {{0, {18, 23, 715, 983, 717, 340}}, {1, {9, 6, 552, 787, 594, 273}}};
    for (const auto &c : cases) {
        AppSettings s = customised();
        applyLayoutPreset(s, c.mode);
        const QString sep = QDir::separator();
        EXPECT_EQ(s.kelvoranDataDir, QStringLiteral("/opt/k/KelvoranDataFolder") + sep);
        EXPECT_EQ(s.excelSettingDataDir, QStringLiteral("/opt/k/ExcelSettingDataFolder") + sep);
        EXPECT_EQ(s.scheduleDataDir, QStringLiteral("/opt/k/ScheduleDataFolder") + sep);
        EXPECT_EQ(s.logFileDir, QStringLiteral("/opt/k/LogDataFolder") + sep);
        EXPECT_EQ(s.excelDataDir, QStringLiteral("/home/u/out/"));
        EXPECT_EQ(
            (std::array<int, 6>{s.formTop, s.formLeft, s.formHeight, s.formWidth, s.tabWidth,
                                s.gridHeight}),
            (std::array<int, 6>{c.geometry.top, c.geometry.left, c.geometry.height,
                                c.geometry.width, c.geometry.sqlPaneWidth, c.geometry.gridHeight}));
        for (int back : {s.definitionBackColor, s.sourceBackColor, s.sqlBackColor,
                         s.errSourceFormBackColor, s.sqlConditionEditFormBackColor})
            EXPECT_EQ(back, kWhite);
        for (int font : {s.definitionFontColor, s.sourceFontColor, s.sqlFontColor,
                         s.errSourceFormFontColor, s.sqlConditionEditFormFontColor})
            EXPECT_EQ(font, kBlack);
        EXPECT_EQ(s.dataCountFlg, 0);
        EXPECT_EQ(s.sqlTabCnt, 4);
        EXPECT_EQ(s.sqlConditionTabCnt, 4);
        for (bool mark : {s.sqlEnterMark, s.sqlEofMark, s.sqlLineNumber, s.sqlConditionEnterMark,
                          s.sqlConditionEofMark, s.sqlConditionLineNumber})
            EXPECT_FALSE(mark);
        EXPECT_EQ(s.xgaSvgaMode, c.mode);
        EXPECT_TRUE(s.windowPlacements.empty());
    }
}

TEST(Preferences, TabCountBoxes) {
    const struct {
        const char *text;
        bool input;
        const char *leaving;
        int width;
    } cases[] = {{"", true, "4", 4},         {"8", true, "8", 8},  {"12", true, "12", 12},
                 {"123", false, "123", 123}, {"a", false, "a", 0}, {"1a", false, "1a", 0}};
    for (const auto &c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(isTabCountInput(text), c.input) << c.text;
        EXPECT_EQ(tabCountOnLeaving(text), QString::fromLatin1(c.leaving)) << c.text;
        if (c.input) {
            EXPECT_EQ(tabWidthOf(text), c.width) << c.text;
        }
    }
}

TEST(Preferences, LogFolderChooserFolders) {
    QTemporaryDir dir;
    const QString home = QStringLiteral("/home/u");
    EXPECT_EQ(chooserStartFolder(dir.path(), home), dir.path());
    EXPECT_EQ(chooserStartFolder(dir.filePath(QStringLiteral("missing")), home), home);
    EXPECT_EQ(chooserStartFolder(QString(), home), home);

    const QString sep = QDir::separator();
    EXPECT_EQ(chosenLogFolder(QStringLiteral("/var/log/k")), QStringLiteral("/var/log/k") + sep);
    EXPECT_EQ(chosenLogFolder(QStringLiteral("/var/log/k/")), QStringLiteral("/var/log/k/"));
    EXPECT_EQ(chosenLogFolder(QStringLiteral("/")), QStringLiteral("/"));
}

#include "core/appsettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

FirstRunWindowValues windowValues() {
    FirstRunWindowValues w;
    w.formTop = 12;
    w.formLeft = 34;
    w.formHeight = 700;
    w.formWidth = 1000;
    w.tabWidth = 480;
    w.gridHeight = 260;
    w.sqlBackColor = 0x00F0E0D0;
    w.sqlFontColor = kNoColour;
    return w;
}

class AppSettingsTest : public ::testing::Test {
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("conf/kelvoran.ini")); }
    // The raw stored value, read with a QSettings of its own.
    QVariant stored(const QString &name) const {
        QSettings raw(iniPath(), QSettings::IniFormat);
        return raw.value(name);
    }
    void storeRaw(const QString &name, const QVariant &value) const {
        QSettings raw(iniPath(), QSettings::IniFormat);
        raw.setValue(name, value);
    }
    // Load, change, save, load again with a fresh store (as two program runs do).
    AppSettings roundTrip(const std::function<void(AppSettings &)> &change) {
        AppSettings first;
        {
            AppSettingsStore store(iniPath());
            Result<AppSettings> loaded = store.load(windowValues());
            EXPECT_TRUE(loaded.isOk());
            first = loaded.value();
            change(first);
            EXPECT_TRUE(store.save(first).isOk());
        }
        AppSettingsStore again(iniPath());
        Result<AppSettings> reloaded = again.load(windowValues());
        EXPECT_TRUE(reloaded.isOk());
        return reloaded.value();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(AppSettingsTest, FirstRunWritesDefaultsAndSecondRunReadsThemBack) {
    StepCode step(u'P');
    AppSettings first;
    {
        AppSettingsStore store(iniPath());
        EXPECT_FALSE(store.programKeyExists());
        Result<AppSettings> loaded = store.load(windowValues(), step);
        ASSERT_TRUE(loaded.isOk()) << loaded.error().message.toStdString();
        first = loaded.value();
        EXPECT_TRUE(store.programKeyExists());
    }
    EXPECT_EQ(step.text(), QStringLiteral("PGM_210138"));
    const QString sep = QDir::separator();
    EXPECT_EQ(first.installDir, QString());
    EXPECT_EQ(first.kelvoranDataDir, QStringLiteral("KelvoranDataFolder") + sep);
    EXPECT_EQ(first.excelSettingDataDir, QStringLiteral("ExcelSettingDataFolder") + sep);
    EXPECT_EQ(first.excelDataDir, QStringLiteral("ExcelDataFolder") + sep);
    EXPECT_EQ(first.scheduleDataDir, QStringLiteral("ScheduleDataFolder") + sep);
    EXPECT_EQ(first.logFileDir, QStringLiteral("LogDataFolder") + sep);
    EXPECT_EQ(first.formTop, 12);
    EXPECT_EQ(first.formLeft, 34);
    EXPECT_EQ(first.formHeight, 700);
    EXPECT_EQ(first.formWidth, 1000);
    EXPECT_EQ(first.tabWidth, 480);
    EXPECT_EQ(first.gridHeight, 260);
    EXPECT_EQ(first.definitionBackColor, kWhite);
    EXPECT_EQ(first.definitionFontColor, kBlack);
    EXPECT_EQ(first.sqlBackColor, 0x00F0E0D0);
    EXPECT_EQ(first.sqlFontColor, kNoColour);
    EXPECT_EQ(first.sqlTabCnt, 4);
    EXPECT_EQ(first.sqlConditionTabCnt, 4);
    EXPECT_FALSE(first.sqlEnterMark || first.sqlEofMark || first.sqlLineNumber ||
                 first.sqlConditionEnterMark || first.sqlConditionEofMark ||
                 first.sqlConditionLineNumber);
    EXPECT_EQ(first.dataCountFlg, 0);
    EXPECT_EQ(first.xgaSvgaMode, 0);
    EXPECT_EQ(first.lineSeparator, QStringLiteral("\n"));
    EXPECT_EQ(first.excel, ExcelSettingValues::firstRunDefaults());

    // The stored values themselves, as another reader of the store sees them.
    EXPECT_EQ(stored(QStringLiteral("EnKey")).toInt(), 0);
    EXPECT_FALSE(stored(QStringLiteral("INSTALLDIR")).isValid());
    const struct {
        const char *name;
        const char *value;
    } excelDefaults[] = {
        {"DataFastCol", "2"},    {"DataFastRow", "4"},    {"Title", "FALSE"},
        {"TitleCol", "1"},       {"TitleRow", "2"},       {"MakeDateCol", "5"},
        {"MakeDataRow", "2"},    {"KoumokuName", "TRUE"}, {"TitleBackColor", "15"},
        {"TitleFontColor", "1"}, {"AFormatData", "0"},    {"RF", "0"},
        {"PTDataFastCol", "4"},  {"PTDataFastRow", "2"},  {"PTMakeDateCol", "5"},
        {"PTPAGELAYOUT", "0"},   {"KCFLG", "FALSE"},      {"GpSumColor", "36"},
        {"GpAvgColor", "40"},    {"StrKoteiFlg", ""},     {"TitleName", ""},
    };
    for (const auto &d : excelDefaults)
        EXPECT_EQ(stored(QStringLiteral("ExcelSetting/") + QLatin1String(d.name)).toString(),
                  QString::fromLatin1(d.value))
            << d.name;

    // Second start: the key exists, nothing is rewritten, the values come back unchanged
    // even when the window reports other geometry now.
    AppSettingsStore again(iniPath());
    FirstRunWindowValues other;
    other.formTop = 999;
    Result<AppSettings> second = again.load(other);
    ASSERT_TRUE(second.isOk());
    EXPECT_EQ(second.value(), first);
}

TEST_F(AppSettingsTest, MissingValuesReadAsZeroExceptGroupColours) {
    storeRaw(QStringLiteral("FormTop"), 5); // the key exists, with one value only
    AppSettingsStore store(iniPath());
    Result<AppSettings> loaded = store.load(windowValues());
    ASSERT_TRUE(loaded.isOk());
    const AppSettings &s = loaded.value();
    EXPECT_EQ(s.formTop, 5);
    EXPECT_EQ(s.formWidth, 0);
    EXPECT_EQ(s.sqlTabCnt, 0);
    EXPECT_EQ(s.sqlBackColor, 0);
    EXPECT_FALSE(s.sqlLineNumber);
    EXPECT_EQ(s.kelvoranDataDir, QString());
    EXPECT_EQ(s.lineSeparator, QStringLiteral("\n"));
    EXPECT_EQ(s.excel.dataFastCol, QString());
    EXPECT_EQ(s.excel.koumokuName, QString());
    EXPECT_EQ(s.excel.gpSumColor, 36);
    EXPECT_EQ(s.excel.gpAvgColor, 40);
    // The defaults were not written into an existing key.
    EXPECT_FALSE(stored(QStringLiteral("ExcelSetting/DataFastCol")).isValid());
}

TEST_F(AppSettingsTest, ReadRulesForEnKeyAndPivotIndexes) {
    struct Case {
        const char *enKey;
        const char *separator;
    };
    const Case enKeys[] = {{"1", "\r"}, {"0", "\n"}, {"2", "\n"}, {"-1", "\n"}};
    for (const Case &c : enKeys) {
        storeRaw(QStringLiteral("EnKey"), QString::fromLatin1(c.enKey));
        storeRaw(QStringLiteral("ExcelSetting/PTPAGELAYOUT"), QStringLiteral("-1"));
        storeRaw(QStringLiteral("ExcelSetting/PTREPORTFORMAT"), QStringLiteral("-5"));
        storeRaw(QStringLiteral("ExcelSetting/PTPIVOTLAYOUT"), QStringLiteral("3"));
        AppSettingsStore store(iniPath());
        Result<AppSettings> loaded = store.load(windowValues());
        ASSERT_TRUE(loaded.isOk());
        EXPECT_EQ(loaded->lineSeparator, QString::fromLatin1(c.separator)) << c.enKey;
        EXPECT_EQ(loaded->excel.ptPageLayout, QStringLiteral("0"));
        EXPECT_EQ(loaded->excel.ptReportFormat, QStringLiteral("0"));
        EXPECT_EQ(loaded->excel.ptPivotLayout, QStringLiteral("3"));
    }
}

TEST_F(AppSettingsTest, EnKeyOneSendsSqlLinesWithCarriageReturns) {
    const AppSettings back =
        roundTrip([](AppSettings &s) { s.lineSeparator = QStringLiteral("\r"); });
    EXPECT_EQ(stored(QStringLiteral("EnKey")).toInt(), 1);
    EXPECT_EQ(back.joinSqlLines({QStringLiteral("SELECT *"), QStringLiteral("FROM T")}),
              QStringLiteral("SELECT *\rFROM T"));
    const AppSettings lf =
        roundTrip([](AppSettings &s) { s.lineSeparator = QStringLiteral("\n"); });
    EXPECT_EQ(stored(QStringLiteral("EnKey")).toInt(), 0);
    EXPECT_EQ(lf.joinSqlLines({QStringLiteral("A"), QStringLiteral("B")}), QStringLiteral("A\nB"));
}

TEST_F(AppSettingsTest, OnlyLogFileDirGetsATrailingSeparator) {
    const AppSettings back = roundTrip([](AppSettings &s) {
        s.kelvoranDataDir = QStringLiteral("/data/reports/last.kvr");
        s.excelSettingDataDir = QStringLiteral("/data/settings");
        s.excelDataDir = QStringLiteral("/data/excel");
        s.scheduleDataDir = QStringLiteral("/data/schedule");
        s.logFileDir = QStringLiteral("/data/logs");
    });
    EXPECT_EQ(back.kelvoranDataDir, QStringLiteral("/data/reports/last.kvr"));
    EXPECT_EQ(back.excelSettingDataDir, QStringLiteral("/data/settings"));
    EXPECT_EQ(back.excelDataDir, QStringLiteral("/data/excel"));
    EXPECT_EQ(back.scheduleDataDir, QStringLiteral("/data/schedule"));
    EXPECT_EQ(back.logFileDir, QStringLiteral("/data/logs") + QDir::separator());
    // One that has it already is not doubled.
    const AppSettings again = roundTrip([](AppSettings &) {});
    EXPECT_EQ(again.logFileDir, QStringLiteral("/data/logs") + QDir::separator());
}

TEST_F(AppSettingsTest, PresetFoldersAreWrittenAloneAndExcelDataDirIsKept) {
    AppSettings changed;
    {
        AppSettingsStore store(iniPath());
        Result<AppSettings> loaded = store.load(windowValues());
        ASSERT_TRUE(loaded.isOk());
        AppSettings s = loaded.value();
        s.excelDataDir = QStringLiteral("/out/excel/");
        s.formWidth = 1234;
        ASSERT_TRUE(store.save(s).isOk());
        changed = s;
        changed.kelvoranDataDir = QStringLiteral("/p/KelvoranDataFolder/");
        changed.excelSettingDataDir = QStringLiteral("/p/ExcelSettingDataFolder/");
        changed.scheduleDataDir = QStringLiteral("/p/ScheduleDataFolder/");
        changed.logFileDir = QStringLiteral("/p/LogDataFolder/");
        changed.excelDataDir = QStringLiteral("/elsewhere/");
        changed.formWidth = 1;
        ASSERT_TRUE(store.savePresetFolders(changed).isOk());
    }
    AppSettingsStore again(iniPath());
    Result<AppSettings> back = again.load(windowValues());
    ASSERT_TRUE(back.isOk());
    EXPECT_EQ(back.value().kelvoranDataDir, changed.kelvoranDataDir);
    EXPECT_EQ(back.value().excelSettingDataDir, changed.excelSettingDataDir);
    EXPECT_EQ(back.value().scheduleDataDir, changed.scheduleDataDir);
    EXPECT_EQ(back.value().logFileDir, changed.logFileDir);
    // Only the four folders: the output folder and the geometry keep what was saved before.
    EXPECT_EQ(back.value().excelDataDir, QStringLiteral("/out/excel/"));
    EXPECT_EQ(back.value().formWidth, 1234);
}

TEST_F(AppSettingsTest, DesignerValuesRoundTrip) {
    const AppSettings back = roundTrip([](AppSettings &s) {
        s.excel.ptDataFastCol = QStringLiteral("7");
        s.excel.ptDataFastRow = QStringLiteral("3");
        s.excel.strKoteiFlg = QStringLiteral("TRUE");
        s.excel.kcflg = QStringLiteral("FALSE");
        s.excel.setTemplateEndCell(QStringLiteral("ap153"));
        s.excel.title = QStringLiteral("TRUE");
        s.excel.titleName = QStringLiteral("売上一覧, 月次");
        s.excel.strPatternFile = QStringLiteral("/data/雛形/a,b.xlsx");
        s.excel.gpSumColor = 6;
        s.sqlLineNumber = true;
        s.xgaSvgaMode = 1;
        s.formTop = -8; // a maximised window reports negative positions
    });
    EXPECT_EQ(back.excel.ptDataFastCol, QStringLiteral("7"));
    EXPECT_EQ(back.excel.ptDataFastRow, QStringLiteral("3"));
    EXPECT_EQ(back.excel.strKoteiHinaCell, QStringLiteral("ap153"));
    EXPECT_EQ(back.excel.templateEndCell(), QStringLiteral("ap153"));
    EXPECT_EQ(back.excel.titleName, QStringLiteral("売上一覧, 月次"));
    EXPECT_EQ(back.excel.strPatternFile, QStringLiteral("/data/雛形/a,b.xlsx"));
    EXPECT_EQ(back.excel.gpSumColor, 6);
    EXPECT_EQ(back.excel.gpAvgColor, 40);
    EXPECT_TRUE(back.sqlLineNumber);
    EXPECT_EQ(back.xgaSvgaMode, 1);
    EXPECT_EQ(back.formTop, -8);
}

TEST_F(AppSettingsTest, WindowPlacementsRoundTripPerModeAndBadEntriesTakeThePreset) {
    const QRect xgaPreset(37, 17, 965, 711);
    const AppSettings back = roundTrip([&](AppSettings &s) {
        s.rememberWindowPlacement(QStringLiteral("TScheduleForm"), 0, QRect(-5, 40, 900, 600),
                                  xgaPreset);
        s.rememberWindowPlacement(QStringLiteral("TScheduleForm"), 1, QRect(3, 4, 700, 500),
                                  xgaPreset);
        // A window left at its preset needs no entry.
        s.rememberWindowPlacement(QStringLiteral("TLogShowForm"), 0, xgaPreset, xgaPreset);
    });
    EXPECT_EQ(back.windowPlacement(QStringLiteral("TScheduleForm"), 0, xgaPreset),
              QRect(-5, 40, 900, 600));
    EXPECT_EQ(back.windowPlacement(QStringLiteral("TScheduleForm"), 1, xgaPreset),
              QRect(3, 4, 700, 500));
    EXPECT_EQ(back.windowPlacement(QStringLiteral("TLogShowForm"), 0, xgaPreset), xgaPreset);
    EXPECT_EQ(back.windowPlacements.size(), 2u);

    // Hand-edited entries that are not four numbers with a size are ignored.
    storeRaw(QStringLiteral("WindowPlacement/TLogShowForm/XGA"), QStringLiteral("10,20,400,500"));
    for (const char *bad : {"1,2,3", "a,b,c,d", "10,10,0,500", "10,10,400,-1"}) {
        storeRaw(QStringLiteral("WindowPlacement/TLogShowForm/SVGA"), QString::fromLatin1(bad));
        AppSettingsStore store(iniPath());
        const Result<AppSettings> loaded = store.load(windowValues());
        ASSERT_TRUE(loaded.isOk());
        EXPECT_EQ(loaded->windowPlacement(QStringLiteral("TLogShowForm"), 1, xgaPreset), xgaPreset)
            << bad;
        EXPECT_EQ(loaded->windowPlacement(QStringLiteral("TLogShowForm"), 0, xgaPreset),
                  QRect(20, 10, 500, 400))
            << bad;
    }
}

TEST(ExcelSettingValuesTest, TemplateEndCellFollowsTheReportSwitches) {
    struct Case {
        const char *fixed;
        const char *extended;
        bool kept;
    };
    const Case cases[] = {
        {"TRUE", "FALSE", true},   {"true", "FALSE", true}, {"", "TRUE", true},
        {"FALSE", "FALSE", false}, {"", "", false},         {"FALSE", "true", false},
    };
    for (const Case &c : cases) {
        ExcelSettingValues v = ExcelSettingValues::firstRunDefaults();
        v.strKoteiFlg = QString::fromLatin1(c.fixed);
        v.kcflg = QString::fromLatin1(c.extended);
        v.setTemplateEndCell(QStringLiteral("ap153"));
        EXPECT_EQ(v.strKoteiHinaCell, c.kept ? QStringLiteral("ap153") : QString())
            << c.fixed << "/" << c.extended;
        v.strKoteiHinaCell = QStringLiteral("B7");
        EXPECT_EQ(v.templateEndCell(), c.kept ? QStringLiteral("B7") : QString());
    }
}

TEST_F(AppSettingsTest, KeyMissingAtCloseWritesDefaultsAndKeepsGeometry) {
    AppSettings current;
    AppSettingsStore store(iniPath());
    {
        Result<AppSettings> loaded = store.load(windowValues());
        ASSERT_TRUE(loaded.isOk());
        current = loaded.value();
    }
    current.formWidth = 1234;
    current.logFileDir = QStringLiteral("/elsewhere/logs/");
    current.lineSeparator = QStringLiteral("\r");
    current.excel.ptDataFastCol = QStringLiteral("9");
    current.excel.dataFastCol = QStringLiteral("3");
    ASSERT_TRUE(QFile::remove(iniPath())); // the key vanished while the program ran
    ASSERT_TRUE(store.save(current).isOk());

    EXPECT_EQ(stored(QStringLiteral("FormWidth")).toInt(), 1234);
    EXPECT_EQ(stored(QStringLiteral("LogFileDir")).toString(),
              QStringLiteral("LogDataFolder") + QDir::separator());
    EXPECT_EQ(stored(QStringLiteral("EnKey")).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("ExcelSetting/DataFastCol")).toString(), QStringLiteral("2"));
    EXPECT_EQ(stored(QStringLiteral("ExcelSetting/Title")).toString(), QStringLiteral("FALSE"));
    EXPECT_EQ(stored(QStringLiteral("ExcelSetting/GpSumColor")).toInt(), 36);
    EXPECT_EQ(stored(QStringLiteral("ExcelSetting/GpAvgColor")).toInt(), 40);
    // Only DataFastCol through TitleName are written on this path.
    EXPECT_FALSE(stored(QStringLiteral("ExcelSetting/PTDataFastCol")).isValid());
}

TEST_F(AppSettingsTest, UnwritableStoreFailsTheLoadWithTheStepCode) {
    // A folder where the INI file should be: it can be neither read nor written.
    ASSERT_TRUE(QDir().mkpath(iniPath()));
    AppSettingsStore store(iniPath());
    StepCode step(u'P');
    Result<AppSettings> loaded = store.load(windowValues(), step);
    ASSERT_FALSE(loaded.isOk());
    EXPECT_EQ(loaded.error().text(),
              QStringLiteral("エクセル作成中にエラーが発生しました。：PGM_210092"));
}

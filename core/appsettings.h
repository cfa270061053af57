// AppSettings: the per-user values of the program (folders, window geometry, editor colours and
// options, layout mode, line separator) and the report designer's defaults (ExcelSetting), with
// their store, the load at start-up and the save at close.
//
// Store: QSettings. On Windows it is the registry key HKEY_CURRENT_USER\SOFTWARE\Kelvoran with
// the subkey ExcelSetting; elsewhere an INI file, "<GenericConfigLocation>/Kelvoran/kelvoran.ini"
// (~/.config/Kelvoran/kelvoran.ini), or the file named by the environment variable
// KELVORAN_SETTINGS; the program key's values are at the top of the file and the subkey is the
// group [ExcelSetting]. Integers are stored as integers, booleans as the integers 1 and 0, the
// designer's values as texts (GpSumColor and GpAvgColor as integers).
//
// Load at start-up:
//   1. When the program key does not exist (no value in it), write the first-run defaults: the
//      five folders are INSTALLDIR (as read from the store) + the folder name + the path
//      separator, geometry and colours are the values the main window passes in, the options
//      their defaults with EnKey 0, and the ExcelSetting defaults.
//   2. Read every value. A missing value reads as 0, false or empty, except GpSumColor and
//      GpAvgColor (36 and 40). EnKey 1 gives the separator CR, anything else LF.
//   3. A negative PTPAGELAYOUT, PTREPORTFORMAT or PTPIVOTLAYOUT reads as "0".
// Save at close:
//   1. When the program key exists, write every value of the current state (INSTALLDIR never);
//      LogFileDir gets a trailing separator when it lacks one; EnKey is 1 for CR, else 0; then
//      write every ExcelSetting value.
//   2. When the key is missing at close, create it with the default folders, the current
//      geometry, colours and options and EnKey 0, and write the first-run defaults of the
//      ExcelSetting values DataFastCol through TitleName plus GpSumColor 36 and GpAvgColor 40.
#pragma once

#include "core/result.h"
#include "core/stepcode.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QSettings;

namespace kelvoran {

// The colour value that means "no colour" (0x00BBGGRR colours): a background with it shows
// white, a text colour black.
constexpr int kNoColour = 0x1FFFFFFF;
constexpr int kWhite = 0xFFFFFF;
constexpr int kBlack = 0;

// The report designer's defaults, the values of the ExcelSetting subkey. Every value is a text
// except the two group colours; flags are "TRUE"/"FALSE".
struct ExcelSettingValues {
    // Members are named after the values (DataFastCol -> dataFastCol, PTPAGELAYOUT ->
    // ptPageLayout, KCFLG -> kcflg). Data block, title, creation time:
    QString dataFastCol, dataFastRow;
    QString title, titleName, titleCol, titleRow;
    QString makeDateFlg, makeDateCol, makeDataRow;
    // Column-name row, sheet name:
    QString koumokuName, titleBackColor, titleFontColor, titleItalic, titleBold, titleHold;
    QString sheetName, sheet;
    // Palette numbers of group-sum and group-average rows (integers in the store):
    int gpSumColor = 36;
    int gpAvgColor = 40;
    // Template workbook, first-column format, auto-format, row total:
    QString strPatternFile, strKoteiFlg, strKoteiHinaCell;
    QString fRowSetting, fRowCode, fRowFastCol, fRowEndCol;
    QString aFormatData;
    QString rf, rfColName, rfName, rfCode;
    // Pivot table (PTOut ... PTPIVOTLAYOUT):
    QString ptOut, ptDataFastCol, ptDataFastRow;
    QString ptTitle, ptTitleName, ptTitleCol, ptTitleRow;
    QString ptSheet, ptSheetName;
    QString ptMakeDateFlg, ptMakeDateCol, ptMakeDataRow;
    QString ptNameFlg, ptName, ptOutRowSum, ptOutColSum, ptRepDataSave;
    QString ptPageLayout, ptReportFormat, ptPivotLayout;
    // Extended list report (KCFC, KCEC, KCPC, KCFLG):
    QString kcfc, kcec, kcpc, kcflg;

    // The first-run defaults.
    static ExcelSettingValues firstRunDefaults();

    // The template end cell the designer shows: StrKoteiHinaCell when the fixed report
    // (StrKoteiFlg, case-insensitive) or the extended list report (KCFLG) is "TRUE", else empty.
    QString templateEndCell() const;
    // Stores the designer's template end cell: kept when the fixed or the extended list report
    // is on, written empty otherwise.
    void setTemplateEndCell(const QString &cell);

    bool operator==(const ExcelSettingValues &other) const;
    bool operator!=(const ExcelSettingValues &other) const { return !(*this == other); }
};

// The values the main window supplies for a first run: its geometry and its editors' colours.
struct FirstRunWindowValues {
    int formTop = 0, formLeft = 0, formHeight = 0, formWidth = 0;
    int tabWidth = 0;   // page control width
    int gridHeight = 0; // grid pane height
    int definitionBackColor = kWhite, definitionFontColor = kBlack;
    int sourceBackColor = kWhite, sourceFontColor = kBlack;
    int sqlBackColor = kWhite, sqlFontColor = kBlack;
    int errSourceFormBackColor = kWhite, errSourceFormFontColor = kBlack;
    int sqlConditionEditFormBackColor = kWhite, sqlConditionEditFormFontColor = kBlack;
};

// The program's per-user values as they are held while the program runs.
struct AppSettings {
    QString installDir;          // INSTALLDIR (read only)
    QString kelvoranDataDir;     // KelvoranDataDir: the main window's LastFilePath
    QString excelSettingDataDir; // ExcelSettingDataDir
    QString excelDataDir;        // ExcelDataDir
    QString scheduleDataDir;     // ScheduleDataDir
    QString logFileDir;          // LogFileDir
    int formTop = 0, formLeft = 0, formHeight = 0, formWidth = 0; // FormTop ... FormWidth
    int tabWidth = 0;                                             // TabWidth: SQL pane width
    int gridHeight = 0;                                           // GridHeight: grid pane height
    // The ten editor colours (DefinitionBackColor ... SQLConditionEditFormFontColor):
    int definitionBackColor = 0, definitionFontColor = 0;
    int sourceBackColor = 0, sourceFontColor = 0;
    int sqlBackColor = 0, sqlFontColor = 0;
    int errSourceFormBackColor = 0, errSourceFormFontColor = 0;
    int sqlConditionEditFormBackColor = 0, sqlConditionEditFormFontColor = 0;
    int dataCountFlg = 0; // DataCount_Flg: 1 = count rows and show the count
    int sqlTabCnt = 0;    // SQLTabCnt
    bool sqlEnterMark = false, sqlEofMark = false, sqlLineNumber = false;
    int sqlConditionTabCnt = 0; // SQLConditionTabCnt
    bool sqlConditionEnterMark = false, sqlConditionEofMark = false, sqlConditionLineNumber = false;
    int xgaSvgaMode = 0;                          // XGASVGAMode: 0 XGA, 1 SVGA
    QString lineSeparator = QStringLiteral("\n"); // from EnKey: "\r" for 1, else "\n"
    ExcelSettingValues excel;                     // the ExcelSetting subkey
    // Where the user left the secondary windows that take their place from the layout mode, by
    // window and mode (subkey WindowPlacement, "TScheduleForm/XGA" = "top,left,height,width").
    // A window without an entry takes its mode's preset place.
    std::map<QString, QRect> windowPlacements;

    // The defaults of a first run for the given INSTALLDIR and window values.
    static AppSettings firstRunDefaults(const QString &installDir,
                                        const FirstRunWindowValues &window);

    // The EnKey value of the line separator: 1 for CR, else 0.
    int enKey() const { return lineSeparator == u"\r" ? 1 : 0; }
    // Joins SQL lines with the line separator, as they are sent to the database.
    QString joinSqlLines(const QStringList &lines) const { return lines.join(lineSeparator); }

    // The place of a window for a layout mode: where the user left it, else the preset.
    QRect windowPlacement(const QString &window, int mode, const QRect &preset) const;
    // Remembers where a window is for a layout mode; a window at its preset needs no entry.
    void rememberWindowPlacement(const QString &window, int mode, const QRect &place,
                                 const QRect &preset);

    bool operator==(const AppSettings &other) const;
    bool operator!=(const AppSettings &other) const { return !(*this == other); }
};

// Where AppSettings live (see the top of this file).
class AppSettingsStore {
public:
    // The platform store: the registry key on Windows, the INI file elsewhere.
    AppSettingsStore();
    // An INI file at iniPath (tests, portable installations).
    explicit AppSettingsStore(const QString &iniPath);
    ~AppSettingsStore();
    AppSettingsStore(const AppSettingsStore &) = delete;
    AppSettingsStore &operator=(const AppSettingsStore &) = delete;

    // The INI file the store uses on this platform when none is given.
    static QString defaultIniPath();
    // The INI file or registry path of this store.
    QString location() const;

    // True when the program key holds any value.
    bool programKeyExists() const;

    // Load at start-up; steps are marked in step (stage GM, "PGM_210092" to "PGM_210138").
    // A store that cannot be read or written fails with the message
    // appSettingsLoadFailedText() + the current step code (Error::text() is exactly that).
    Result<AppSettings> load(const FirstRunWindowValues &window, StepCode &step);
    Result<AppSettings> load(const FirstRunWindowValues &window);
    // Save at close.
    Status save(const AppSettings &settings);
    // Writes only the four folders a layout preset resets (KelvoranDataDir, ExcelSettingDataDir,
    // ScheduleDataDir, LogFileDir); ExcelDataDir and everything else stay as stored.
    Status savePresetFolders(const AppSettings &settings);

private:
    std::unique_ptr<QSettings> m_settings;
};

// The fixed text of a failed load; the step code follows it directly.
QString appSettingsLoadFailedText();

} // namespace kelvoran

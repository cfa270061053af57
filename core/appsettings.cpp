#include "core/appsettings.h"

#include "core/pathrules.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kelvoran {

namespace {

const QString kExcelGroup = QStringLiteral("ExcelSetting");

// The ExcelSetting text values: name, member, first-run default. The order is the order of the
// designer's table; the "key missing at close" path writes the first four (DataFastCol through
// TitleName).
struct ExcelText {
    const char *name;
    QString ExcelSettingValues::*member;
    const char *firstRun;
};
const ExcelText kExcelTexts[] = {
    {"DataFastCol", &ExcelSettingValues::dataFastCol, "2"},
    {"DataFastRow", &ExcelSettingValues::dataFastRow, "4"},
    {"Title", &ExcelSettingValues::title, "FALSE"},
    {"TitleName", &ExcelSettingValues::titleName, ""},
    {"TitleCol", &ExcelSettingValues::titleCol, "1"},
    {"TitleRow", &ExcelSettingValues::titleRow, "2"},
    {"MakeDateFlg", &ExcelSettingValues::makeDateFlg, "FALSE"},
    {"MakeDateCol", &ExcelSettingValues::makeDateCol, "5"},
    {"MakeDataRow", &ExcelSettingValues::makeDataRow, "2"},
    {"KoumokuName", &ExcelSettingValues::koumokuName, "TRUE"},
    {"TitleBackColor", &ExcelSettingValues::titleBackColor, "15"},
    {"TitleFontColor", &ExcelSettingValues::titleFontColor, "1"},
    {"TitleItalic", &ExcelSettingValues::titleItalic, "FALSE"},
    {"TitleBold", &ExcelSettingValues::titleBold, "FALSE"},
    {"TitleHold", &ExcelSettingValues::titleHold, "FALSE"},
    {"SheetName", &ExcelSettingValues::sheetName, ""},
    {"Sheet", &ExcelSettingValues::sheet, "FALSE"},
    {"StrPatternFile", &ExcelSettingValues::strPatternFile, ""},
    {"StrKoteiFlg", &ExcelSettingValues::strKoteiFlg, ""},
    {"StrKoteiHinaCell", &ExcelSettingValues::strKoteiHinaCell, ""},
    {"FRowSetting", &ExcelSettingValues::fRowSetting, ""},
    {"FRowCode", &ExcelSettingValues::fRowCode, ""},
    {"FRowFastCol", &ExcelSettingValues::fRowFastCol, ""},
    {"FRowEndCol", &ExcelSettingValues::fRowEndCol, ""},
    {"AFormatData", &ExcelSettingValues::aFormatData, "0"},
    {"RF", &ExcelSettingValues::rf, "0"},
    {"RFColName", &ExcelSettingValues::rfColName, ""},
    {"RFName", &ExcelSettingValues::rfName, ""},
    {"RFCode", &ExcelSettingValues::rfCode, ""},
    {"PTOut", &ExcelSettingValues::ptOut, "FALSE"},
    {"PTDataFastCol", &ExcelSettingValues::ptDataFastCol, "4"},
    {"PTDataFastRow", &ExcelSettingValues::ptDataFastRow, "2"},
    {"PTTitle", &ExcelSettingValues::ptTitle, "FALSE"},
    {"PTTitleName", &ExcelSettingValues::ptTitleName, ""},
    {"PTTitleCol", &ExcelSettingValues::ptTitleCol, "1"},
    {"PTTitleRow", &ExcelSettingValues::ptTitleRow, "2"},
    {"PTSheet", &ExcelSettingValues::ptSheet, "FALSE"},
    {"PTSheetName", &ExcelSettingValues::ptSheetName, ""},
    {"PTMakeDateFlg", &ExcelSettingValues::ptMakeDateFlg, "FALSE"},
    {"PTMakeDateCol", &ExcelSettingValues::ptMakeDateCol, "5"},
    {"PTMakeDataRow", &ExcelSettingValues::ptMakeDataRow, "2"},
    {"PTNameFlg", &ExcelSettingValues::ptNameFlg, "FALSE"},
    {"PTName", &ExcelSettingValues::ptName, ""},
    {"PTOutRowSum", &ExcelSettingValues::ptOutRowSum, "FALSE"},
    {"PTOutColSum", &ExcelSettingValues::ptOutColSum, "FALSE"},
    {"PTRepDataSave", &ExcelSettingValues::ptRepDataSave, "FALSE"},
    {"PTPAGELAYOUT", &ExcelSettingValues::ptPageLayout, "0"},
    {"PTREPORTFORMAT", &ExcelSettingValues::ptReportFormat, "0"},
    {"PTPIVOTLAYOUT", &ExcelSettingValues::ptPivotLayout, "0"},
    {"KCFC", &ExcelSettingValues::kcfc, ""},
    {"KCEC", &ExcelSettingValues::kcec, ""},
    {"KCPC", &ExcelSettingValues::kcpc, ""},
    {"KCFLG", &ExcelSettingValues::kcflg, "FALSE"},
};
constexpr int kExcelTextsThroughTitleName = 4;

// The program key's folder values.
struct FolderValue {
    const char *name;
    QString AppSettings::*member;
    const char *folder;
};
const FolderValue kFolders[] = {
    {"KelvoranDataDir", &AppSettings::kelvoranDataDir, "KelvoranDataFolder"},
    {"ExcelSettingDataDir", &AppSettings::excelSettingDataDir, "ExcelSettingDataFolder"},
    {"ExcelDataDir", &AppSettings::excelDataDir, "ExcelDataFolder"},
    {"ScheduleDataDir", &AppSettings::scheduleDataDir, "ScheduleDataFolder"},
    {"LogFileDir", &AppSettings::logFileDir, "LogDataFolder"},
};

// The program key's integer values (geometry, colours, options), EnKey aside.
struct IntValue {
    const char *name;
    int AppSettings::*member;
};
const IntValue kInts[] = {
    {"FormTop", &AppSettings::formTop},
    {"FormLeft", &AppSettings::formLeft},
    {"FormHeight", &AppSettings::formHeight},
    {"FormWidth", &AppSettings::formWidth},
    {"TabWidth", &AppSettings::tabWidth},
    {"GridHeight", &AppSettings::gridHeight},
    {"DefinitionBackColor", &AppSettings::definitionBackColor},
    {"DefinitionFontColor", &AppSettings::definitionFontColor},
    {"SourceBackColor", &AppSettings::sourceBackColor},
    {"SourceFontColor", &AppSettings::sourceFontColor},
    {"SQLBackColor", &AppSettings::sqlBackColor},
    {"SQLFontColor", &AppSettings::sqlFontColor},
    {"ErrSourceFormBackColor", &AppSettings::errSourceFormBackColor},
    {"ErrSourceFormFontColor", &AppSettings::errSourceFormFontColor},
    {"SQLConditionEditFormBackColor", &AppSettings::sqlConditionEditFormBackColor},
    {"SQLConditionEditFormFontColor", &AppSettings::sqlConditionEditFormFontColor},
    {"DataCount_Flg", &AppSettings::dataCountFlg},
    {"SQLTabCnt", &AppSettings::sqlTabCnt},
    {"SQLConditionTabCnt", &AppSettings::sqlConditionTabCnt},
    {"XGASVGAMode", &AppSettings::xgaSvgaMode},
};

struct BoolValue {
    const char *name;
    bool AppSettings::*member;
};
const BoolValue kBools[] = {
    {"SQLEnterMark", &AppSettings::sqlEnterMark},
    {"SQLEofMark", &AppSettings::sqlEofMark},
    {"SQLLineNumber", &AppSettings::sqlLineNumber},
    {"SQLConditionEnterMark", &AppSettings::sqlConditionEnterMark},
    {"SQLConditionEofMark", &AppSettings::sqlConditionEofMark},
    {"SQLConditionLineNumber", &AppSettings::sqlConditionLineNumber},
};

QString key(const char *name) {
    return QString::fromLatin1(name);
}

QString excelKey(const char *name) {
    return kExcelGroup + u'/' + QString::fromLatin1(name);
}

// A value as text. A hand-edited INI value with commas comes back as a list; it is one text.
QString readText(const QSettings &s, const QString &name) {
    const QVariant v = s.value(name);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

int readInt(const QSettings &s, const QString &name, int missing) {
    const QVariant v = s.value(name);
    if (!v.isValid())
        return missing;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    // Registry DWORDs above 0x7FFFFFFF come back unsigned; keep their 32 bits.
    return ok ? static_cast<int>(static_cast<quint32>(n)) : 0;
}

bool readBool(const QSettings &s, const QString &name) {
    const QVariant v = s.value(name);
    const QString text = v.toString().trimmed().toLower();
    return text == u"true" || text.toLongLong() != 0;
}

QString withTrailingSeparator(const QString &folder) {
    // An empty folder stays empty: a lone separator would name the root of the file system.
    if (folder.isEmpty() || isPathSeparator(folder.back()))
        return folder;
    return folder + QDir::separator();
}

#ifdef _WIN32
QString programKeyPath() {
    return QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Kelvoran");
}
#endif

const QString kPlacementGroup = QStringLiteral("WindowPlacement");

QString placementKey(const QString &window, int xgaSvgaMode) {
    return window + (xgaSvgaMode == 1 ? QStringLiteral("/SVGA") : QStringLiteral("/XGA"));
}

void writePlacements(QSettings &s, const std::map<QString, QRect> &placements) {
    s.remove(kPlacementGroup);
    for (const auto &[name, r] : placements)
        s.setValue(kPlacementGroup + u'/' + name, QStringLiteral("%1,%2,%3,%4")
                                                      .arg(r.top())
                                                      .arg(r.left())
                                                      .arg(r.height())
                                                      .arg(r.width()));
}

// Entries that are not four numbers with a positive size are left out: the window then takes
// its preset place.
std::map<QString, QRect> readPlacements(QSettings &s) {
    std::map<QString, QRect> placements;
    s.beginGroup(kPlacementGroup);
    for (const QString &name : s.allKeys()) {
        const QStringList parts = readText(s, name).split(u',');
        if (parts.size() != 4)
            continue;
        int v[4];
        bool allOk = true;
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            v[i] = parts[i].trimmed().toInt(&ok);
            allOk = allOk && ok;
        }
        if (allOk && v[2] > 0 && v[3] > 0)
            placements[name] = QRect(v[1], v[0], v[3], v[2]);
    }
    s.endGroup();
    return placements;
}

// Writes the program key's values from settings (INSTALLDIR never).
void writeProgramKey(QSettings &s, const AppSettings &settings) {
    for (const FolderValue &f : kFolders)
        s.setValue(key(f.name), settings.*f.member);
    for (const IntValue &i : kInts)
        s.setValue(key(i.name), settings.*i.member);
    for (const BoolValue &b : kBools)
        s.setValue(key(b.name), (settings.*b.member) ? 1 : 0);
    s.setValue(QStringLiteral("EnKey"), settings.enKey());
    writePlacements(s, settings.windowPlacements);
}

void writeExcelSetting(QSettings &s, const ExcelSettingValues &excel, int textCount) {
    for (int i = 0; i < textCount; ++i)
        s.setValue(excelKey(kExcelTexts[i].name), excel.*kExcelTexts[i].member);
    s.setValue(excelKey("GpSumColor"), excel.gpSumColor);
    s.setValue(excelKey("GpAvgColor"), excel.gpAvgColor);
}

Status syncStatus(QSettings &s, const QString &what) {
    s.sync();
    if (s.status() != QSettings::NoError)
        return Error{QStringLiteral("%1 に書き込めません").arg(what), QString()};
    return Status();
}

} // namespace

// ---- ExcelSettingValues ----

ExcelSettingValues ExcelSettingValues::firstRunDefaults() {
    ExcelSettingValues v;
    for (const ExcelText &t : kExcelTexts)
        v.*t.member = QString::fromLatin1(t.firstRun);
    v.gpSumColor = 36;
    v.gpAvgColor = 40;
    return v;
}

QString ExcelSettingValues::templateEndCell() const {
    const bool fixed = strKoteiFlg.compare(u"TRUE", Qt::CaseInsensitive) == 0;
    const bool extended = kcflg == u"TRUE";
    return fixed || extended ? strKoteiHinaCell : QString();
}

void ExcelSettingValues::setTemplateEndCell(const QString &cell) {
    const bool fixed = strKoteiFlg.compare(u"TRUE", Qt::CaseInsensitive) == 0;
    const bool extended = kcflg == u"TRUE";
    strKoteiHinaCell = fixed || extended ? cell : QString();
}

bool ExcelSettingValues::operator==(const ExcelSettingValues &other) const {
    for (const ExcelText &t : kExcelTexts)
        if (this->*t.member != other.*t.member)
            return false;
    return gpSumColor == other.gpSumColor && gpAvgColor == other.gpAvgColor;
}

// ---- AppSettings ----

AppSettings AppSettings::firstRunDefaults(const QString &installDir,
                                          const FirstRunWindowValues &w) {
    AppSettings s;
    s.installDir = installDir;
    for (const FolderValue &f : kFolders)
        s.*f.member = installDir + QString::fromLatin1(f.folder) + QDir::separator();
    s.formTop = w.formTop;
    s.formLeft = w.formLeft;
    s.formHeight = w.formHeight;
    s.formWidth = w.formWidth;
    s.tabWidth = w.tabWidth;
    s.gridHeight = w.gridHeight;
    s.definitionBackColor = w.definitionBackColor;
    s.definitionFontColor = w.definitionFontColor;
    s.sourceBackColor = w.sourceBackColor;
    s.sourceFontColor = w.sourceFontColor;
    s.sqlBackColor = w.sqlBackColor;
    s.sqlFontColor = w.sqlFontColor;
    s.errSourceFormBackColor = w.errSourceFormBackColor;
    s.errSourceFormFontColor = w.errSourceFormFontColor;
    s.sqlConditionEditFormBackColor = w.sqlConditionEditFormBackColor;
    s.sqlConditionEditFormFontColor = w.sqlConditionEditFormFontColor;
    s.dataCountFlg = 0;
    s.sqlTabCnt = 4;
    s.sqlConditionTabCnt = 4;
    s.xgaSvgaMode = 0;
    s.lineSeparator = QStringLiteral("\n");
    s.excel = ExcelSettingValues::firstRunDefaults();
    return s;
}

QRect AppSettings::windowPlacement(const QString &window, int mode, const QRect &preset) const {
    const auto found = windowPlacements.find(placementKey(window, mode));
    return found == windowPlacements.end() ? preset : found->second;
}

void AppSettings::rememberWindowPlacement(const QString &window, int mode, const QRect &place,
                                          const QRect &preset) {
    if (place == preset || place.isEmpty())
        windowPlacements.erase(placementKey(window, mode));
    else
        windowPlacements[placementKey(window, mode)] = place;
}

bool AppSettings::operator==(const AppSettings &other) const {
    if (installDir != other.installDir || lineSeparator != other.lineSeparator ||
        excel != other.excel || windowPlacements != other.windowPlacements)
        return false;
    for (const FolderValue &f : kFolders)
        if (this->*f.member != other.*f.member)
            return false;
    for (const IntValue &i : kInts)
        if (this->*i.member != other.*i.member)
            return false;
    for (const BoolValue &b : kBools)
        if (this->*b.member != other.*b.member)
            return false;
    return true;
}

// ---- AppSettingsStore ----

QString appSettingsLoadFailedText() {
    return QStringLiteral("エクセル作成中にエラーが発生しました。：");
}

AppSettingsStore::AppSettingsStore() {
#ifdef _WIN32
    m_settings = std::make_unique<QSettings>(programKeyPath(), QSettings::NativeFormat);
#else
    m_settings = std::make_unique<QSettings>(defaultIniPath(), QSettings::IniFormat);
#endif
}

AppSettingsStore::AppSettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

AppSettingsStore::~AppSettingsStore() = default;

QString AppSettingsStore::defaultIniPath() {
    const QString env = qEnvironmentVariable("KELVORAN_SETTINGS");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kelvoran/kelvoran.ini");
}

QString AppSettingsStore::location() const {
    return m_settings->fileName();
}

bool AppSettingsStore::programKeyExists() const {
    if (m_settings->format() == QSettings::NativeFormat) {
        QSettings software(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE"), QSettings::NativeFormat);
        return software.childGroups().contains(QStringLiteral("Kelvoran"), Qt::CaseInsensitive);
    }
    m_settings->sync();
    return !m_settings->childKeys().isEmpty();
}

Result<AppSettings> AppSettingsStore::load(const FirstRunWindowValues &window) {
    StepCode step(u'P');
    return load(window, step);
}

Result<AppSettings> AppSettingsStore::load(const FirstRunWindowValues &window, StepCode &step) {
    QSettings &s = *m_settings;
    const auto failed = [&step]() {
        // The message already ends with the step code (no blanks between), as the window
        // shows it; the step object still holds the code.
        return Error{appSettingsLoadFailedText() + step.text(), QString()};
    };
    step.set("GM_210092");
    s.sync();
    if (s.status() != QSettings::NoError)
        return failed();
    if (!programKeyExists()) {
        const AppSettings defaults =
            AppSettings::firstRunDefaults(readText(s, QStringLiteral("INSTALLDIR")), window);
        writeProgramKey(s, defaults);
        writeExcelSetting(s, defaults.excel, static_cast<int>(std::size(kExcelTexts)));
        if (!syncStatus(s, location()))
            return failed();
    }

    AppSettings out;
    out.installDir = readText(s, QStringLiteral("INSTALLDIR"));
    for (const FolderValue &f : kFolders)
        out.*f.member = readText(s, key(f.name));
    for (const IntValue &i : kInts)
        out.*i.member = readInt(s, key(i.name), 0);
    for (const BoolValue &b : kBools)
        out.*b.member = readBool(s, key(b.name));
    out.lineSeparator =
        readInt(s, QStringLiteral("EnKey"), 0) == 1 ? QStringLiteral("\r") : QStringLiteral("\n");
    out.windowPlacements = readPlacements(s);

    step.set("GM_210138");
    for (const ExcelText &t : kExcelTexts)
        out.excel.*t.member = readText(s, excelKey(t.name));
    out.excel.gpSumColor = readInt(s, excelKey("GpSumColor"), 36);
    out.excel.gpAvgColor = readInt(s, excelKey("GpAvgColor"), 40);
    for (QString *index :
         {&out.excel.ptPageLayout, &out.excel.ptReportFormat, &out.excel.ptPivotLayout}) {
        bool ok = false;
        if (index->trimmed().toInt(&ok) < 0 && ok)
            *index = QStringLiteral("0");
    }
    if (s.status() != QSettings::NoError)
        return failed();
    return out;
}

Status AppSettingsStore::save(const AppSettings &settings) {
    QSettings &s = *m_settings;
    if (programKeyExists()) {
        AppSettings current = settings;
        current.logFileDir = withTrailingSeparator(current.logFileDir);
        writeProgramKey(s, current);
        writeExcelSetting(s, current.excel, static_cast<int>(std::size(kExcelTexts)));
    } else {
        // The key vanished while the program ran: the folders and the designer's values start
        // again from their defaults; geometry, colours and options are kept.
        AppSettings fresh = settings;
        const AppSettings defaults = AppSettings::firstRunDefaults(
            readText(s, QStringLiteral("INSTALLDIR")), FirstRunWindowValues());
        for (const FolderValue &f : kFolders)
            fresh.*f.member = defaults.*f.member;
        fresh.lineSeparator = QStringLiteral("\n");
        writeProgramKey(s, fresh);
        writeExcelSetting(s, defaults.excel, kExcelTextsThroughTitleName);
    }
    return syncStatus(s, location());
}

Status AppSettingsStore::savePresetFolders(const AppSettings &settings) {
    QSettings &s = *m_settings;
    for (const FolderValue &f : kFolders)
        if (f.member != &AppSettings::excelDataDir)
            s.setValue(key(f.name), settings.*f.member);
    return syncStatus(s, location());
}

} // namespace kelvoran

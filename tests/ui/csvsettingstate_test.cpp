#include "ui/csvsettingstate.h"

#include "core/clock.h"
#include "csv/scheduledcsv.h"
#include "report/settingssave.h"
#include "report/userinteraction.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

CsvSettingState listChoice(int row) {
    CsvSettingState s;
    s.listIndex = row;
    return s;
}

CsvSettingState typedChoice(const QString &text) {
    CsvSettingState s;
    s.fromList = false;
    s.typed = text;
    return s;
}

TEST(CsvSettingState, SeparatorOfTheChoiceAndWhenDecideIsEnabled) {
    struct Case {
        const char *name;
        CsvSettingState state;
        QString separator;
        bool canDecide;
    };
    CsvSettingState typedButListRowKept = typedChoice(QStringLiteral("||"));
    typedButListRowKept.listIndex = 1;
    const std::vector<Case> cases = {
        {"NothingChosenIsComma", listChoice(-1), QStringLiteral(","), true},
        {"Comma", listChoice(0), QStringLiteral(","), true},
        {"TabIsStoredAsHash9", listChoice(1), QStringLiteral("#9"), true},
        {"Blank", listChoice(2), QStringLiteral(" "), true},
        {"AtMark", listChoice(3), QStringLiteral("@"), true},
        {"TypedTextAsItIs", typedChoice(QStringLiteral(";")), QStringLiteral(";"), true},
        {"TypedTwoCharacters", typedButListRowKept, QStringLiteral("||"), true},
        {"TypedEmptyDisablesDecide", typedChoice(QString()), QString(), false},
        {"TypedBlankIsASeparator", typedChoice(QStringLiteral(" ")), QStringLiteral(" "), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.state.separator(), c.separator);
        EXPECT_EQ(c.state.canDecide(), c.canDecide);
    }
}

TEST(CsvSettingState, DecideStoresTheOptionsOrWarnsAndKeepsThem) {
    CsvSettingState state = listChoice(1);
    state.blankRule = 2;
    state.headingLine = false;
    CsvOptions options;
    options.tableName = QStringLiteral("KEPT");
    EXPECT_FALSE(state.decide(options).has_value());
    EXPECT_EQ(options.separator, QStringLiteral("#9"));
    EXPECT_EQ(options.effectiveSeparator(), QStringLiteral("\t"));
    EXPECT_EQ(options.blankRule, 2);
    EXPECT_FALSE(options.headingLine);
    EXPECT_EQ(options.tableName, QStringLiteral("KEPT"));

    // Nothing chosen in the blank rules is stored as -1 (read as "Nullインサート").
    CsvSettingState none = listChoice(0);
    EXPECT_FALSE(none.decide(options).has_value());
    EXPECT_EQ(options.blankRule, -1);
    EXPECT_EQ(options.rule(), BlankRule::NullInsert);

    const CsvOptions before = options;
    const std::optional<QString> warning = typedChoice(QString()).decide(options);
    ASSERT_TRUE(warning.has_value());
    EXPECT_EQ(*warning, QStringLiteral("区切り文字が設定されていません。設定してください。"));
    EXPECT_EQ(options.separator, before.separator);
    EXPECT_EQ(options.blankRule, before.blankRule);
    EXPECT_EQ(options.headingLine, before.headingLine);
}

TEST(CsvSettingState, ImportAllowedByKindAndDriverName) {
    struct Case {
        DbKind kind;
        const char *driver;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {DbKind::Oracle, "ORACLE", true},
        {DbKind::Access, "MS ACCESS", true},
        {DbKind::MySql, "MYSQL", true},
        {DbKind::Excel, "EXCEL FILES", true},
        {DbKind::Postgre, "POSTGRESQL", true},
        {DbKind::Sqlite, "SQLITE", true},
        {DbKind::Sqlite, "SQLite3 ODBC Driver", true},
        {DbKind::Other, "FIREBIRD", false},
        {DbKind::Other, "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.driver);
        EXPECT_EQ(csvImportAllowed(c.kind, QString::fromUtf8(c.driver)), c.allowed);
    }
}

TEST(CsvSettingState, ProposedExportNameFollowsTheLastFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("last.csv"));
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString gone = dir.filePath(QStringLiteral("gone.csv"));
    const QString inMissingFolder = dir.filePath(QStringLiteral("nofolder/last.csv"));
    const QString queryName = QStringLiteral("ＳＱＬ実行データ");
    struct Case {
        const char *name;
        QString last;
        QString nameBox;
        QString proposed;
    };
    const std::vector<Case> cases = {
        {"NoLastFileTakesTheNameBox", QString(), QStringLiteral("EMP"), QStringLiteral("EMP")},
        {"NoLastFileAndAQuery", QString(), queryName, queryName},
        {"LastCsvAndATable", existing, QStringLiteral("EMP"), QStringLiteral("EMP")},
        {"LastCsvAndAQuery", existing, queryName, existing},
        {"LastCsvGoneAndAQuery", gone, queryName, QString()},
        {"LastCsvFolderGoneAndAQuery", inMissingFolder, queryName, QString()},
        {"LastCsvExtensionIgnoresCase", existing.toUpper(), QStringLiteral("EMP"),
         QStringLiteral("EMP")},
        {"LastSettingsFile", dir.filePath(QStringLiteral("a.kvr")), QStringLiteral("EMP"),
         QString()},
        {"LastWithoutExtension", dir.filePath(QStringLiteral("a")), QStringLiteral("EMP"),
         QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(proposedCsvExportName(c.last, c.nameBox), c.proposed);
    }
}

TEST(CsvSettingState, CsvExtensionAddedOnlyWithoutOne) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("/tmp/out"), QStringLiteral("/tmp/out.csv")},
        {QStringLiteral("/tmp/out.csv"), QStringLiteral("/tmp/out.csv")},
        {QStringLiteral("/tmp/out.txt"), QStringLiteral("/tmp/out.txt")},
        {QStringLiteral("/tmp/dir.x/out"), QStringLiteral("/tmp/dir.x/out.csv")},
    };
    for (const auto &[chosen, path] : cases)
        EXPECT_EQ(withCsvExtension(chosen), path) << qPrintable(chosen);
}

// The options written into a settings file come back from it as the scheduled jobs read them.
TEST(CsvSettingState, StoredOptionsReadBackAsTheScheduledJobTakesThem) {
    struct Case {
        const char *name;
        QString separator;
        int blankRule;
        bool heading;
        QString readSeparator; // after the reader's "#9"/"#8" rule
    };
    const std::vector<Case> cases = {
        {"CommaWithHeading", QStringLiteral(","), 0, true, QStringLiteral(",")},
        {"TabTrimNoHeading", QStringLiteral("#9"), 1, false, QStringLiteral("\t")},
        {"TwoBarsAsIs", QStringLiteral("||"), 2, true, QStringLiteral("||")},
        {"NothingChosen", QStringLiteral("@"), -1, true, QStringLiteral("@")},
        {"SingleBlank", QStringLiteral(" "), 0, true, QStringLiteral(" ")},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CsvOptions options;
        options.separator = c.separator;
        options.blankRule = c.blankRule;
        options.headingLine = c.heading;
        ReportDefinition def;
        def.setValue(QStringLiteral("CSVFILENAME"), QStringLiteral("old.csv"));
        storeCsvSettings(options, QStringLiteral("EMP"), def);
        EXPECT_EQ(def.value(QStringLiteral("CSVFILENAME")), QString());
        // Saved as "CSVインポート設定保存" saves: the CSV file, the settings file, the connection.
        const QString csv = dir.filePath(QStringLiteral("in.csv"));
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".kvr"));
        RecordingInteraction ui;
        ui.files = {csv, path};
        ui.connections = {ConnectionChoice{QStringLiteral("ORAFIX"), QStringLiteral("ORACLE"),
                                           QStringLiteral("scott"), QStringLiteral("tiger")}};
        ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        SaveRequest request;
        request.mode = SettingsFileMode::CsvImport;
        const Result<QString> saved = saveSettingsFile(def, request, ui, clock);
        ASSERT_TRUE(saved);
        ASSERT_EQ(*saved, path);
        SettingsReadOptions readOptions;
        readOptions.prefix = u'C';
        readOptions.aliases = {QStringLiteral("ORAFIX")};
        SettingsFileReader reader(readOptions);
        ReportDefinition read;
        ASSERT_TRUE(reader.readFile(path, read)) << qPrintable(reader.stepCode().text());
        const CsvOptions back = csvOptionsFromSettings(read);
        EXPECT_EQ(back.separator, c.readSeparator);
        EXPECT_EQ(back.blankRule, c.blankRule);
        EXPECT_EQ(back.headingLine, c.heading);
        EXPECT_EQ(back.tableName, QStringLiteral("EMP"));
        EXPECT_EQ(back.fileName, csv);
    }
}

} // namespace

#include "tests/report/reportsamples.h"

#include "core/clock.h"
#include "core/textfile.h"
#include "report/credentials.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"
#include "report/settingssave.h"
#include "report/userinteraction.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

QString loadError(const char *code) {
    return SettingsText::loadError() + QString::fromLatin1(code);
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// The value lines of a written file, key -> value as written between "= " and the last blank.
QString writtenValue(const QStringList &lines, const QString &key) {
    const QString start = QStringLiteral(" /* ") + key + QStringLiteral("= ");
    for (const QString &l : lines)
        if (l.startsWith(start))
            return l.mid(start.size(), l.size() - start.size() - 1);
    return QStringLiteral("<missing>");
}

ConnectionChoice salesConnection() {
    return ConnectionChoice{QStringLiteral("SALES"), QStringLiteral("SQLITE"), QStringLiteral("u"),
                            QStringLiteral("dbpw")};
}

} // namespace

// ---- writing: the exact layout

TEST(SettingsFileWriter, ExcelFileLayoutIsExact) {
    const ReportDefinition def = sealedSampleReport();
    const QStringList lines = buildSettingsLines(def, SettingsFileMode::Excel, sampleSqlSource());

    // The SQL part: AS words lined up one column past the longest name (Shift_JIS width).
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines[0], QStringLiteral("SELECT REGION       AS \"地域\" , "));
    EXPECT_EQ(lines[1], QStringLiteral("       SUM(AMOUNT)  AS \"金額\" , "));
    EXPECT_EQ(lines[2], QStringLiteral("       MONTH "));
    EXPECT_EQ(lines[3], QStringLiteral(" FROM SALES "));
    EXPECT_EQ(lines[4], QStringLiteral(" GROUP BY REGION, MONTH "));
    for (int i = 5; i < 9; ++i)
        EXPECT_EQ(lines[i], QStringLiteral(" "));
    EXPECT_EQ(lines[9],
              QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "));
    EXPECT_EQ(lines[10], QStringLiteral(" /* PROCFLG= 1 "));

    // Keys in their fixed order, then SETTING, the column lines, MAKEDATE, VERSION, end marker.
    const QStringList &keys = ReportDefinition::formatKeys();
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_TRUE(
            lines[10 + i].startsWith(QStringLiteral(" /* ") + keys[i] + QStringLiteral("= ")))
            << lines[10 + i].toStdString();
    const int setting = 10 + int(keys.size());
    EXPECT_EQ(lines[setting], QStringLiteral(" /* SETTING= 0 "));
    EXPECT_EQ(
        lines[setting + 1],
        QStringLiteral(" /*  10@〔中央出力〕@002/   /   /   /,@@@〔行フィールド〕@〔集計無し〕@"
                       "PF1/PS0/1  /   /,@    */ "));
    EXPECT_EQ(lines[setting + 2],
              QStringLiteral(" /*  12@〔数値表示(マイナス表示)〕〔グループ合計〕@010/  3/   /   /,"
                             "103/ 36/   /   /,@@REGION******,@〔データフィールド〕@〔合計〕@"
                             "PF3/PS1/2  /   /,@    */ "));
    EXPECT_EQ(lines[setting + 3], QStringLiteral(" /*  8@@@@@@@        3  /   /,@    */ "));
    EXPECT_EQ(lines[setting + 4], QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 "));
    EXPECT_EQ(lines[setting + 5], QStringLiteral(" /* VERSION= 2.2.0.0 "));
    EXPECT_EQ(lines[setting + 6],
              QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  "));
    EXPECT_EQ(lines.size(), setting + 7);

    // The golden copy of the same file, byte for byte (Shift_JIS, CR LF).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.kvr"));
    ASSERT_TRUE(writeSettingsFile(path, def, SettingsFileMode::Excel, sampleSqlSource()));
    EXPECT_EQ(fileBytes(path),
              fileBytes(testPath(QStringLiteral("data/settings/valid_excel/input.kvr"))));
}

// A tab and a single blank are written as "#9" and "#8" and read back as themselves; a blank
// written as it is would be trimmed away by the reader.
TEST(SettingsFileWriter, CsvSeparatorsReadBackAsChosen) {
    struct Case {
        const char *separator;
        const char *written;
    };
    const std::vector<Case> cases{
        {"\t", "#9"}, {" ", "#8"}, {",", ","}, {"@", "@"}, {"||", "||"},
    };
    for (const Case &c : cases) {
        ReportDefinition def = sealedSampleReport();
        def.setValue(QStringLiteral("CSVSEPCHAR"), QString::fromLatin1(c.separator));
        const QStringList lines =
            buildSettingsLines(def, SettingsFileMode::CsvExportFromMain, sampleSqlSource());
        EXPECT_EQ(writtenValue(lines, QStringLiteral("CSVSEPCHAR")), QString::fromLatin1(c.written))
            << c.written;
        ReportDefinition back;
        const Status read = readSample(lines, back, u'P');
        ASSERT_TRUE(read) << read.error().message.toStdString();
        EXPECT_EQ(back.value(QStringLiteral("CSVSEPCHAR")), QString::fromLatin1(c.separator))
            << c.written;
    }
}

TEST(SettingsFileWriter, WriterRulesClearDependentValues) {
    ReportDefinition def = sealedSampleReport();
    def.setValue(QStringLiteral("KOUMOKUNAME"), QStringLiteral("FALSE"));
    def.setValue(QStringLiteral("PTOUT"), QStringLiteral("FALSE"));
    def.setValue(QStringLiteral("KCFC"), QStringLiteral("B5"));
    def.setValue(QStringLiteral("KCBKEY"), QStringLiteral("2"));
    def.setValue(QStringLiteral("RF"), QStringLiteral("0"));
    def.setValue(QStringLiteral("TITLEFLG"), QStringLiteral("FALSE"));
    def.setValue(QStringLiteral("CSVSEPCHAR"), QStringLiteral("\t"));
    const QStringList lines = buildSettingsLines(def, SettingsFileMode::Excel, sampleSqlSource());
    struct Expect {
        const char *key;
        const char *value;
    };
    const Expect expected[] = {
        {"TITLEITALIC", "FALSE"},
        {"TITLEBOLD", "FALSE"},
        {"TITLEHOLD", "FALSE"},
        {"PTTITLEFLG", "FALSE"},
        {"PTNAMEFLG", "FALSE"},
        {"PTOUTROWSUM", "FALSE"},
        {"PTREPDATASAVE", "FALSE"},
        {"PTTITLE", ""},
        {"PTNAME", ""},
        {"PTMAKEDATEROW", ""},
        {"PTPAGELAYOUT", "0"},
        {"PTREPLAYOUT", "0"},
        {"PTAFORMATPIVOT", "0"},
        {"PTDATAFASTCOL", "8"},
        {"PTDATAFASTROW", "4"},
        {"KCFC", ""},
        {"KCBKEY", "0"},
        {"RFCOLNAME", ""},
        {"RFNAME", ""},
        {"TITLE", ""},
        {"TITLEROW", ""},
        {"CSVSEPCHAR", "#9"},
        {"SETTING", "0"},
    };
    for (const Expect &e : expected)
        EXPECT_EQ(writtenValue(lines, QString::fromLatin1(e.key)), QString::fromUtf8(e.value))
            << e.key;
    // Pivot off: every column line ends in four "@" and two blanks.
    for (const QString &l : lines)
        if (l.startsWith(QStringLiteral(" /*  1"))) {
            EXPECT_TRUE(l.endsWith(QStringLiteral("@@@@    */ "))) << l.toStdString();
        }
}

TEST(SettingsFileWriter, OtherModesCarryEmptyExcelKeys) {
    ReportDefinition def = sealedSampleReport();
    def.setValue(QStringLiteral("CSVTABLENAME"), QStringLiteral("SALES"));
    const QStringList lines =
        buildSettingsLines(def, SettingsFileMode::CsvExportFromMain, sampleSqlSource());
    EXPECT_EQ(writtenValue(lines, QStringLiteral("PROCFLG")), QStringLiteral("2"));
    EXPECT_EQ(writtenValue(lines, QStringLiteral("CSVTABLENAME")), QStringLiteral("SALES"));
    for (const QString &k : ReportDefinition::formatKeys())
        if (ReportDefinition::isExcelKey(k)) {
            EXPECT_EQ(writtenValue(lines, k), k == u"KCBKEY" ? QStringLiteral("0") : QString())
                << k.toStdString();
        }
    // Mode 2: the main window's select list, alias after the name without AS, no column lines.
    SqlSource twoItems = sampleSqlSource();
    twoItems.selectList.pop_back();
    const QStringList fromMain =
        buildSettingsLines(def, SettingsFileMode::CsvExportFromMain, twoItems);
    EXPECT_EQ(fromMain[1], QStringLiteral("       SUM(AMOUNT) 金額 "));
    EXPECT_EQ(fromMain[2], QStringLiteral(" FROM SALES "));
    EXPECT_EQ(lines[0], QStringLiteral("SELECT REGION 地域 , "));
    EXPECT_EQ(lines[2], QStringLiteral("       MONTH  "));
    const qsizetype setting = lines.indexOf(QStringLiteral(" /* SETTING= 0 "));
    ASSERT_GT(setting, 0);
    EXPECT_TRUE(lines[setting + 1].startsWith(QStringLiteral(" /* MAKEDATE= ")));

    // Mode 3: the same SQL, column lines with fields 1-3 only.
    const QStringList csv3 =
        buildSettingsLines(def, SettingsFileMode::CsvExportFromDesigner, sampleSqlSource());
    const qsizetype s3 = csv3.indexOf(QStringLiteral(" /* SETTING= 0 "));
    EXPECT_EQ(csv3[s3 + 1], QStringLiteral(" /*  10@〔中央出力〕@002/   /   /   /,@    */ "));
    EXPECT_EQ(csv3[s3 + 3], QStringLiteral(" /*  8@@@    */ "));
}

// ---- saving through the questions of each mode, and reading back

struct ModeCase {
    const char *name;
    SettingsFileMode mode;
    const char *procFlag;
};

void PrintTo(const ModeCase &c, std::ostream *os) {
    *os << c.name;
}

class SettingsRoundTrip : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SettingsRoundTrip, WrittenFileReadsBackToTheSameValues) {
    const ModeCase &c = GetParam();
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0, 5)));
    RecordingInteraction ui;
    ui.confirmAnswers = {true};
    ui.files = {dir.filePath(QStringLiteral("in.csv")), dir.filePath(QStringLiteral("report"))};
    if (c.mode != SettingsFileMode::CsvImport)
        ui.files.pop_front();
    ui.connections = {salesConnection()};

    ReportDefinition def = sampleExcelReport();
    def.templatePassword = QStringLiteral("tpl");
    def.outputWritePassword = QStringLiteral("w!x");
    def.setValue(QStringLiteral("CSVSEPCHAR"), QStringLiteral("\t"));
    SaveRequest request;
    request.mode = c.mode;
    request.sql = sampleSqlSource();
    request.sql.editorLines = {QStringLiteral("SELECT * FROM SALES   "),
                               QStringLiteral("-- total")};
    request.presetAlias = QStringLiteral("SALES");
    const Result<QString> saved = saveSettingsFile(def, request, ui, clock);
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    ASSERT_EQ(*saved, dir.filePath(QStringLiteral("report.kvr")));
    EXPECT_EQ(ui.connectionPresets, QStringList{QStringLiteral("SALES")});
    // The stamp is now with a random last digit 0-8.
    const QString stamp = def.value(QStringLiteral("MAKEDATE"));
    EXPECT_TRUE(stamp.startsWith(QStringLiteral("2024/04/01 09:00:0"))) << stamp.toStdString();
    EXPECT_NE(stamp.back(), u'9');

    ReportDefinition back;
    SettingsFileReader reader(
        SettingsReadOptions{u'P', {QStringLiteral("SALES")}, QString(), false});
    const Status read = reader.readFile(*saved, back);
    ASSERT_TRUE(read) << read.error().message.toStdString();
    EXPECT_EQ(reader.currentAlias(), QStringLiteral("SALES"));
    EXPECT_EQ(back.value(QStringLiteral("PROCFLG")), QString::fromLatin1(c.procFlag));
    EXPECT_EQ(back.value(QStringLiteral("DATABASE")), QString())
        << "the interactive reader ignores it";
    EXPECT_EQ(back.value(QStringLiteral("CSVSEPCHAR")), QStringLiteral("\t"));
    EXPECT_EQ(back.dbPassword, QStringLiteral("dbpw"));
    EXPECT_EQ(back.templatePassword, QStringLiteral("tpl"));
    EXPECT_EQ(back.outputReadPassword, QString());
    EXPECT_EQ(back.outputWritePassword, QStringLiteral("w!x"));

    // Every key reads back as written.
    const QStringList lines = *readTextLines(*saved);
    for (const QString &k : ReportDefinition::formatKeys()) {
        if (k == u"DATABASE" || k == u"CSVSEPCHAR")
            continue;
        EXPECT_EQ(back.value(k), writtenValue(lines, k).trimmed()) << k.toStdString();
    }
    for (const char *k : {"SETTING", "MAKEDATE", "VERSION"})
        EXPECT_EQ(back.value(QString::fromLatin1(k)), writtenValue(lines, QString::fromLatin1(k)));

    if (c.mode == SettingsFileMode::Excel) {
        // The designer values come back unchanged, with the passwords and the grids.
        for (const QString &k : ReportDefinition::formatKeys()) {
            if (k == u"DATABASE" || ReportDefinition::packedPasswordKeys().contains(k))
                continue;
            EXPECT_EQ(back.value(k), def.value(k)) << k.toStdString();
        }
        ASSERT_EQ(back.columns.size(), def.columns.size());
        for (size_t i = 0; i < def.columns.size(); ++i) {
            EXPECT_EQ(back.columns[i].PhysicalName, def.columns[i].PhysicalName);
            EXPECT_EQ(back.columns[i].Alias, def.columns[i].Alias);
            EXPECT_EQ(back.columns[i].WidthOrCell, def.columns[i].WidthOrCell);
            EXPECT_EQ(back.columns[i].FormatText, def.columns[i].FormatText);
            EXPECT_EQ(back.columns[i].FormatCodes, def.columns[i].FormatCodes);
            EXPECT_EQ(back.columns[i].GroupKeys, def.columns[i].GroupKeys);
            EXPECT_EQ(back.columns[i].PivotLink, def.columns[i].PivotLink);
        }
        ASSERT_EQ(back.pivotFields.size(), def.pivotFields.size());
        for (size_t i = 0; i < def.pivotFields.size(); ++i) {
            EXPECT_EQ(back.pivotFields[i].PhysicalName, def.pivotFields[i].PhysicalName);
            EXPECT_EQ(back.pivotFields[i].Alias, def.pivotFields[i].Alias);
            EXPECT_EQ(back.pivotFields[i].FieldKindText, def.pivotFields[i].FieldKindText);
            EXPECT_EQ(back.pivotFields[i].AggregationText, def.pivotFields[i].AggregationText);
            // The code read back carries the row number the line stored.
            EXPECT_EQ(back.pivotFields[i].PivotCode,
                      def.pivotFields[i].PivotCode.isEmpty()
                          ? QString()
                          : columnPivotCode(def.pivotFields[i].PivotCode, int(i) + 1));
            EXPECT_EQ(back.pivotFields[i].Link, def.pivotFields[i].Link);
        }
        // Saving what was read writes the same key and column lines again.
        const QStringList again =
            buildSettingsLines(back, SettingsFileMode::Excel, sampleSqlSource());
        // (DATABASE is not read by this reader, so it is written empty.)
        QStringList expectedBlock = lines.mid(lines.indexOf(beginMarkerLine()));
        expectedBlock.replaceInStrings(QStringLiteral(" /* DATABASE= SQLITE "),
                                       QStringLiteral(" /* DATABASE=  "));
        EXPECT_EQ(again.mid(again.indexOf(beginMarkerLine())), expectedBlock);
    } else {
        EXPECT_TRUE(back.columns.empty());
    }
    // The SQL part and its four blank lines come back as the editor text.
    EXPECT_EQ(back.sqlLines, lines.mid(0, lines.indexOf(beginMarkerLine())));
    if (c.mode == SettingsFileMode::Sql) {
        EXPECT_EQ(back.sqlLines.first(), QStringLiteral("SELECT * FROM SALES"));
    }
    if (c.mode == SettingsFileMode::CsvImport) {
        EXPECT_EQ(back.value(QStringLiteral("CSVFILENAME")),
                  dir.filePath(QStringLiteral("in.csv")));
        EXPECT_EQ(back.sqlLines.size(), 4);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, SettingsRoundTrip,
    ::testing::Values(ModeCase{"Excel", SettingsFileMode::Excel, "1"},
                      ModeCase{"CsvExportFromMain", SettingsFileMode::CsvExportFromMain, "2"},
                      ModeCase{"CsvExportFromDesigner", SettingsFileMode::CsvExportFromDesigner,
                               "2"},
                      ModeCase{"CsvImport", SettingsFileMode::CsvImport, "3"},
                      ModeCase{"Sql", SettingsFileMode::Sql, "0"}),
    [](const ::testing::TestParamInfo<ModeCase> &param) { return std::string(param.param.name); });

TEST(SettingsSave, QuestionsAndCancelsWriteNothing) {
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0, 0)));
    const QString path = dir.filePath(QStringLiteral("x.kvr"));
    struct Case {
        const char *name;
        SettingsFileMode mode;
        bool answer;     // the confirm answer
        bool connection; // a connection is chosen
        const char *shown;
    };
    const Case cases[] = {
        {"csv export declined", SettingsFileMode::CsvExportFromDesigner, false, true,
         "中止しました。"},
        {"connection cancelled", SettingsFileMode::Excel, true, false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingInteraction ui;
        ui.confirmAnswers = {c.answer};
        ui.files = {path};
        if (c.connection)
            ui.connections = {salesConnection()};
        ReportDefinition def = sampleExcelReport();
        SaveRequest request{c.mode, sampleSqlSource(), QStringLiteral("SALES")};
        const Result<QString> saved = saveSettingsFile(def, request, ui, clock);
        ASSERT_TRUE(saved.isOk());
        EXPECT_TRUE(saved->isEmpty());
        EXPECT_FALSE(QFile::exists(path));
        if (c.shown) {
            EXPECT_EQ(ui.messages.back().text, QString::fromUtf8(c.shown));
        }
    }

    // Nothing to write when every row is blank.
    RecordingInteraction ui;
    ui.files = {path};
    ui.connections = {salesConnection()};
    ReportDefinition def = sampleExcelReport();
    for (ColumnSetting &col : def.columns)
        col.PhysicalName = QStringLiteral("  ");
    const Result<QString> none = saveSettingsFile(
        def, SaveRequest{SettingsFileMode::Excel, sampleSqlSource(), QString()}, ui, clock);
    ASSERT_TRUE(none.isOk());
    EXPECT_TRUE(none->isEmpty());
    EXPECT_TRUE(ui.fileFilters.isEmpty()) << "no save dialog when nothing would be written";
}

TEST(SettingsSave, PlainSqlFileWhenNotForTheScheduler) {
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0, 0)));
    RecordingInteraction ui;
    ui.confirmAnswers = {false};
    ui.files = {dir.filePath(QStringLiteral("query"))};
    ReportDefinition def;
    SaveRequest request;
    request.mode = SettingsFileMode::Sql;
    request.sql.editorLines = {QStringLiteral("SELECT 1  "), QStringLiteral("FROM DUAL")};
    const Result<QString> saved = saveSettingsFile(def, request, ui, clock);
    ASSERT_TRUE(saved.isOk());
    EXPECT_EQ(*saved, dir.filePath(QStringLiteral("query.sql")));
    EXPECT_EQ(ui.messages.front().text, messageText(2, 7));
    EXPECT_TRUE(ui.connectionPresets.isEmpty());
    EXPECT_EQ(fileBytes(*saved), QByteArray("SELECT 1  \r\nFROM DUAL\r\n"));
}

TEST(SettingsSave, FailedSaveLeavesTheOldFileIntact) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.kvr"));
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0, 0)));
    {
        RecordingInteraction ui;
        ui.files = {path};
        ui.connections = {salesConnection()};
        ReportDefinition def = sampleExcelReport();
        ASSERT_TRUE(
            saveSettingsFile(
                def, SaveRequest{SettingsFileMode::Excel, sampleSqlSource(), QString()}, ui, clock)
                .isOk());
    }
    const QByteArray before = fileBytes(path);
    ASSERT_FALSE(before.isEmpty());

    struct Case {
        const char *name;
        void (*spoil)(ReportDefinition &);
    };
    const Case cases[] = {
        {"title Shift_JIS cannot hold",
         [](ReportDefinition &d) {
             d.setValue(QStringLiteral("TITLE"), QStringLiteral("売上 😀"));
         }},
        {"password without a code",
         [](ReportDefinition &d) { d.outputReadPassword = QStringLiteral("パス"); }},
        {"line break in a value",
         [](ReportDefinition &d) {
             d.setValue(QStringLiteral("SHEETNAME"), QStringLiteral("a\nb"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingInteraction ui;
        ui.files = {path};
        ui.connections = {salesConnection()};
        ReportDefinition def = sampleExcelReport();
        c.spoil(def);
        const Result<QString> saved = saveSettingsFile(
            def, SaveRequest{SettingsFileMode::Excel, sampleSqlSource(), QString()}, ui, clock);
        ASSERT_FALSE(saved.isOk());
        EXPECT_TRUE(saved.error().message.startsWith(SettingsText::saveError()))
            << saved.error().message.toStdString();
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.kvr")});
    }
}

// ---- reading: value rules

TEST(SettingsFileReader, ValueRulesOfTheKeyLines) {
    const QStringList sql = {QStringLiteral("SELECT A FROM T")};
    struct Case {
        const char *name;
        QStringList entries;
        const char *key;
        const char *expected;
    };
    const QStringList base = {QStringLiteral("PROCFLG=1"), QStringLiteral("DBNAME=SALES"),
                              QStringLiteral("TITLEBACKCOLOR=15"),
                              QStringLiteral("TITLEFONTCOLOR=1")};
    auto with = [&](QStringList extra) {
        QStringList e = base;
        e += extra;
        e << QStringLiteral("SETTING=0") << QStringLiteral("MAKEDATE=2024/04/01 09:00:04")
          << QStringLiteral("VERSION=2.0.0.0");
        return e;
    };
    const Case cases[] = {
        {"tab separator", with({QStringLiteral("CSVSEPCHAR=#9")}), "CSVSEPCHAR", "\t"},
        {"#8 is a blank", with({QStringLiteral("CSVSEPCHAR=#8")}), "CSVSEPCHAR", " "},
        {"single blank reads back empty", with({QStringLiteral("CSVSEPCHAR= ")}), "CSVSEPCHAR", ""},
        {"separator not trimmed", with({QStringLiteral("CSVSEPCHAR=;;")}), "CSVSEPCHAR", ";;"},
        {"value trimmed",
         with({QStringLiteral("SHEETFLG=TRUE"), QStringLiteral("SHEETNAME=  売上　 ")}),
         "SHEETNAME", "売上　"},
        {"missing creation flag is on", with({}), "MAKEDATEFLG", "TRUE"},
        {"missing creation cell stays empty", with({}), "MAKEDATECOL", ""},
        {"missing title flag is off", with({QStringLiteral("TITLE=x")}), "TITLEFLG", "FALSE"},
        {"title text cleared with its flag off", with({QStringLiteral("TITLE=x")}), "TITLE", ""},
        {"lower-case true counts for TITLEFLG",
         with({QStringLiteral("TITLEFLG=true"), QStringLiteral("TITLE=x")}), "TITLE", "x"},
        {"lower-case true does not count for TITLEBOLD", with({QStringLiteral("TITLEBOLD=true")}),
         "TITLEBOLD", "FALSE"},
        {"KOUMOKUNAME false only when exactly FALSE", with({QStringLiteral("KOUMOKUNAME=false")}),
         "KOUMOKUNAME", "TRUE"},
        {"pivot creation cell kept with its flag off",
         with({QStringLiteral("PTMAKEDATEFLG=FALSE"), QStringLiteral("PTMAKEDATECOL=7")}),
         "PTMAKEDATECOL", "7"},
        {"combo index not a number", with({QStringLiteral("AFORMATDATA=abc")}), "AFORMATDATA", "0"},
        {"combo index empty", with({QStringLiteral("PTPAGELAYOUT=")}), "PTPAGELAYOUT", "0"},
        {"combo index out of range", with({QStringLiteral("RF=7")}), "RF", "0"},
        {"combo index kept", with({QStringLiteral("PTREPLAYOUT=22")}), "PTREPLAYOUT", "22"},
        {"page-break key -1", with({QStringLiteral("KCBKEY=-1")}), "KCBKEY", "0"},
        {"page-break key beyond the rows", with({QStringLiteral("KCBKEY=3")}), "KCBKEY", "0"},
        {"template end cell without a template report",
         with({QStringLiteral("KOTEIHINACELL=ap153")}), "KOTEIHINACELL", ""},
        {"template end cell with the fixed report",
         with({QStringLiteral("KOTEIFLG=TRUE"), QStringLiteral("KOTEIHINACELL=ap153")}),
         "KOTEIHINACELL", "ap153"},
        {"row total format dropped without a row total",
         with({QStringLiteral("RF=0"), QStringLiteral("RFCODE=002/   /   /   /,")}), "RFCODE", ""},
        {"unknown key ignored", with({QStringLiteral("NOSUCHKEY=1")}), "NOSUCHKEY", ""},
        {"later duplicate wins",
         with({QStringLiteral("SHEETFLG=TRUE"), QStringLiteral("SHEETNAME=a"),
               QStringLiteral("SHEETNAME=b")}),
         "SHEETNAME", "b"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ReportDefinition def;
        const Status st = readSample(handMadeFile(sql, c.entries), def);
        ASSERT_TRUE(st) << st.error().message.toStdString();
        EXPECT_EQ(def.value(QString::fromLatin1(c.key)), QString::fromUtf8(c.expected));
    }
}

TEST(SettingsFileReader, ColumnLinesStartAtRowOneWhateverTheKeysBefore) {
    // A SHOW statement carries its names in field 4, so the rows come from the lines alone.
    const QStringList entries = {
        QStringLiteral("PROCFLG=1"),
        QStringLiteral("DBNAME=SALES"),
        QStringLiteral("TITLEBACKCOLOR=15"),
        QStringLiteral("TITLEFONTCOLOR=1"),
        QStringLiteral("PTOUT=TRUE"),
        QStringLiteral("TITLEBOLD=TRUE"),
        QStringLiteral(" /*  5@〔中央出力〕@002/   /   /   "
                       "/,@Field/項目@@〔行フィールド〕@〔合計〕@PF1/PS1/2  /   /,@    */ "),
        QStringLiteral(" /*  7@@@Type/@@@@        1  /   /,@    */ "),
        QStringLiteral("MAKEDATE=2024/04/01 09:00:04"),
        QStringLiteral("VERSION=1.2.0.0")};
    ReportDefinition def;
    const Status st =
        readSample(handMadeFile({QStringLiteral("SHOW COLUMNS FROM T")}, entries), def);
    ASSERT_TRUE(st) << st.error().message.toStdString();
    ASSERT_EQ(def.columns.size(), 2u);
    EXPECT_EQ(def.columns[0].PhysicalName, QStringLiteral("Field"));
    EXPECT_EQ(def.columns[0].Alias, QStringLiteral("項目"));
    EXPECT_EQ(def.columns[0].WidthOrCell, QStringLiteral("5"));
    EXPECT_EQ(def.columns[0].PivotLink, QStringLiteral("2"));
    EXPECT_EQ(def.columns[1].PhysicalName, QStringLiteral("Type"));
    EXPECT_EQ(def.columns[1].PivotLink, QStringLiteral("1"));
    ASSERT_EQ(def.pivotFields.size(), 2u);
    EXPECT_EQ(def.pivotFields[1].PhysicalName, QStringLiteral("Field"));
    EXPECT_EQ(def.pivotFields[1].FieldKindText, QStringLiteral("〔行フィールド〕"));
    EXPECT_EQ(def.pivotFields[1].PivotCode, QStringLiteral("PF1/PS1/2  /   /,"));
    EXPECT_EQ(def.pivotFields[0].PhysicalName, QStringLiteral("Type"));
    EXPECT_TRUE(def.pivotFields[0].PivotCode.isEmpty()) << "a column that is not a pivot field";
}

TEST(SettingsFileReader, BlockWithoutColumnLinesIsValid) {
    ReportDefinition def;
    const Status st =
        readSample(handMadeFile({}, {QStringLiteral("PROCFLG=0"), QStringLiteral("DBNAME=DEMO"),
                                     QStringLiteral("SETTING=0"),
                                     QStringLiteral("MAKEDATE=2024/04/01 09:00:04"),
                                     QStringLiteral("VERSION=1.0.0.0")}),
                   def);
    ASSERT_TRUE(st) << st.error().message.toStdString();
    EXPECT_EQ(def.value(QStringLiteral("DBNAME")), QStringLiteral("DEMO"));
    EXPECT_TRUE(def.columns.empty());
}

TEST(SettingsFileReader, FileWithoutBeginMarkerKeepsItsText) {
    const QStringList lines = {QStringLiteral("SELECT 1"), QStringLiteral("/* KEY= 1 */")};
    ReportDefinition def;
    SettingsFileReader reader;
    ASSERT_TRUE(reader.readLines(lines, def));
    EXPECT_FALSE(reader.hasFormatBlock());
    EXPECT_EQ(def.sqlLines, lines);
    EXPECT_TRUE(def.value(QStringLiteral("PROCFLG")).isEmpty());
}

TEST(SettingsFileReader, AliasSelectedBeforeStaysWhenDbnameIsUnknown) {
    SettingsReadOptions options;
    options.aliases = {QStringLiteral("SALES")};
    options.currentAlias = QStringLiteral("SALES");
    SettingsFileReader reader(options);
    ReportDefinition def;
    ASSERT_TRUE(reader.readLines(
        handMadeFile({},
                     {QStringLiteral("PROCFLG=0"), QStringLiteral("DBNAME=GONE"),
                      QStringLiteral("SETTING=0"), QStringLiteral("MAKEDATE=2024/04/01 09:00:04"),
                      QStringLiteral("VERSION=2.0.0.0")}),
        def));
    EXPECT_EQ(reader.currentAlias(), QStringLiteral("SALES"));
    EXPECT_EQ(def.value(QStringLiteral("DBNAME")), QStringLiteral("GONE"));
}

TEST(SettingsFileReader, SchedulerPrefixAndDatabaseKey) {
    SettingsReadOptions options;
    options.prefix = u'C';
    options.keepDatabase = true;
    options.aliases = {QStringLiteral("SALES")};
    SettingsFileReader reader(options);
    ReportDefinition def;
    const Status st = reader.readLines(
        handMadeFile({},
                     {QStringLiteral("DATABASE=SQLITE"), QStringLiteral("DBNAME=SALES"),
                      QStringLiteral("SETTING=0"), QStringLiteral("MAKEDATE=2024/04/01 09:00:04"),
                      QStringLiteral("VERSION=2.0.0.0")}),
        def);
    ASSERT_FALSE(st);
    EXPECT_EQ(st.error().stepCode, QStringLiteral("CST_10001"));
    EXPECT_EQ(st.error().message, SettingsText::loadError() + QStringLiteral("CST_10001"));
    EXPECT_EQ(def.value(QStringLiteral("DATABASE")), QStringLiteral("SQLITE"));
}

// ---- reading: every failure from a small fixture file

TEST(SettingsFileReader, FixtureFilesFailWithTheirCodes) {
    const QDir root(testPath(QStringLiteral("data/settings")));
    const QStringList cases = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int failures = 0;
    for (const QString &name : cases) {
        const QString expectedPath = root.filePath(name + QStringLiteral("/expected.txt"));
        if (!QFile::exists(expectedPath))
            continue; // a fixture that loads
        SCOPED_TRACE(name.toStdString());
        ++failures;
        const QString expected = QString::fromUtf8(fileBytes(expectedPath)).chopped(1);
        ReportDefinition def;
        SettingsFileReader reader(
            SettingsReadOptions{u'P', {QStringLiteral("SALES")}, QString(), false});
        const Status st = reader.readFile(root.filePath(name + QStringLiteral("/input.kvr")), def);
        ASSERT_FALSE(st);
        EXPECT_EQ(st.error().message, expected);
        if (name.startsWith(u"tamper_") || name.startsWith(u"broken_")) {
            EXPECT_TRUE(def.dbPassword.isEmpty());
            EXPECT_TRUE(def.outputReadPassword.isEmpty());
            EXPECT_TRUE(def.outputWritePassword.isEmpty());
        }
        if (name.startsWith(u"tamper_")) {
            EXPECT_TRUE(def.tamperText.endsWith(QStringLiteral("改竄エラー")))
                << def.tamperText.toStdString();
        }
        if (name.startsWith(u"pls_")) {
            ASSERT_EQ(def.columns.size(), 1u);
            EXPECT_TRUE(def.columns[0].WidthOrCell.isEmpty());
            ASSERT_EQ(def.pivotFields.size(), 1u);
        }
    }
    EXPECT_GE(failures, 1) << "no fixture found under " << root.path().toStdString();
}

// A packed copy replaced by one packed from a different password fails the load with that
// password's tamper code, whichever of the four keys holds it.
TEST(SettingsFileReader, TamperedCopyUnderAnyKeyFailsTheLoad) {
    const ReportDefinition sealed = sealedSampleReport();
    const QStringList valid =
        buildSettingsLines(sealed, SettingsFileMode::Excel, sampleSqlSource());
    const char *tamperCodes[] = {"PDD_300176", "PDD_300177", "PDD_300178", "PDD_300179"};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tampered.kvr"));
    for (int p = 0; p < 4; ++p) {
        Passwords other{sealed.dbPassword, sealed.templatePassword, sealed.outputReadPassword,
                        sealed.outputWritePassword};
        QString *field[] = {&other.db, &other.templateRead, &other.outputRead, &other.outputWrite};
        *field[p] += QStringLiteral("x");
        const Result<PackedPasswords> packed =
            PackPasswordsAt(other, sealed.value(QStringLiteral("MAKEDATE")));
        ASSERT_TRUE(packed.isOk());
        const PackedCopies &c = packed->copies;
        for (const auto &[key, copy] : {std::pair{"PASSWORD", c.password},
                                        {"KWORD", c.kword},
                                        {"QWORD", c.qword},
                                        {"TWORD", c.tword}}) {
            SCOPED_TRACE(std::string(key) + " password " + std::to_string(p));
            const QString start = QStringLiteral(" /* %1= ").arg(QLatin1String(key));
            QStringList lines = valid;
            int replacedLines = 0;
            for (QString &l : lines)
                if (l.startsWith(start)) {
                    l = start + copy + u' ';
                    ++replacedLines;
                }
            ASSERT_EQ(replacedLines, 1);
            ASSERT_TRUE(writeTextLines(path, lines));
            ReportDefinition def;
            SettingsFileReader reader(
                SettingsReadOptions{u'P', {QStringLiteral("SALES")}, QString(), false});
            const Status st = reader.readFile(path, def);
            ASSERT_FALSE(st);
            EXPECT_EQ(st.error().message, loadError(tamperCodes[p]));
            EXPECT_TRUE(def.dbPassword.isEmpty());
            EXPECT_TRUE(def.outputReadPassword.isEmpty());
            EXPECT_TRUE(def.outputWritePassword.isEmpty());
        }
    }
}

TEST(SettingsFileReader, ValidFixtureLoads) {
    ReportDefinition def;
    SettingsFileReader reader(
        SettingsReadOptions{u'P', {QStringLiteral("SALES")}, QString(), false});
    const Status st =
        reader.readFile(testPath(QStringLiteral("data/settings/valid_excel/input.kvr")), def);
    ASSERT_TRUE(st) << st.error().message.toStdString();
    EXPECT_EQ(reader.versionFamily(), QStringLiteral("2.1.0.0"));
    EXPECT_EQ(reader.versionNumber(), 2100);
    EXPECT_EQ(reader.makeDateSeed(), 2024 + 4 + 1 + 9 + 0 + 4);
    EXPECT_EQ(def.dbPassword, QStringLiteral("dbpw"));
    EXPECT_EQ(def.outputReadPassword, QStringLiteral("read1"));
    EXPECT_EQ(def.outputWritePassword, QStringLiteral("write1"));
    EXPECT_TRUE(def.templatePassword.isEmpty());
    ASSERT_EQ(def.columns.size(), 3u);
    EXPECT_EQ(def.columns[1].GroupKeys, QStringLiteral("REGION******,"));
    EXPECT_EQ(def.columns[0].PhysicalName, QStringLiteral("REGION"));
    EXPECT_EQ(def.columns[0].Alias, QStringLiteral("地域"));
    EXPECT_EQ(def.columns[1].PhysicalName, QStringLiteral("SUM(AMOUNT)"));
    EXPECT_EQ(def.columns[2].Alias, QString());
    EXPECT_EQ(reader.analysis().fromLines.first(), QStringLiteral("FROM SALES"));
}

// Writes the fixtures that need packed passwords (run with KELVORAN_UPDATE_SETTINGS_FIXTURES=1
// after a deliberate format change; the files are checked in).
TEST(SettingsFixtures, Regenerate) {
    if (qEnvironmentVariable("KELVORAN_UPDATE_SETTINGS_FIXTURES") != u"1")
        GTEST_SKIP() << "fixtures are checked in";
    const QString root = sourceDir() + QStringLiteral("/tests/data/settings/");
    const ReportDefinition sealed = sealedSampleReport();
    const QStringList valid =
        buildSettingsLines(sealed, SettingsFileMode::Excel, sampleSqlSource());
    auto write = [&](const QString &name, const QStringList &lines, const QString &expected) {
        QDir().mkpath(root + name);
        ASSERT_TRUE(writeTextLines(root + name + QStringLiteral("/input.kvr"), lines));
        if (!expected.isEmpty()) {
            QFile f(root + name + QStringLiteral("/expected.txt"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write((expected + u'\n').toUtf8());
        }
    };
    auto replaced = [&](const QString &key, const QString &value) {
        QStringList lines = valid;
        for (QString &l : lines)
            if (l.startsWith(QStringLiteral(" /* ") + key + QStringLiteral("= ")))
                l = QStringLiteral(" /* ") + key + QStringLiteral("= ") + value + u' ';
        return lines;
    };
    write(QStringLiteral("valid_excel"), valid, QString());

    // A copy packed from one different password agrees on the other three.
    const char *tamperNames[] = {"tamper_db", "tamper_t", "tamper_r", "tamper_w"};
    const char *tamperCodes[] = {"PDD_300176", "PDD_300177", "PDD_300178", "PDD_300179"};
    for (int p = 0; p < 4; ++p) {
        Passwords other{sealed.dbPassword, sealed.templatePassword, sealed.outputReadPassword,
                        sealed.outputWritePassword};
        QString *field[] = {&other.db, &other.templateRead, &other.outputRead, &other.outputWrite};
        *field[p] += QStringLiteral("x");
        const Result<PackedPasswords> packed =
            PackPasswordsAt(other, sealed.value(QStringLiteral("MAKEDATE")));
        ASSERT_TRUE(packed.isOk());
        write(QString::fromLatin1(tamperNames[p]),
              replaced(QStringLiteral("QWORD"), packed->copies.qword), loadError(tamperCodes[p]));
    }
    QString cut = sealed.value(QStringLiteral("KWORD"));
    cut.chop(3);
    ReportDefinition ignored;
    StepCode step(u'P');
    PackedCopies copies{sealed.value(QStringLiteral("PASSWORD")), cut,
                        sealed.value(QStringLiteral("QWORD")),
                        sealed.value(QStringLiteral("TWORD"))};
    const Result<Passwords> broken = UnpackPasswords(
        QStringLiteral("2.1.0.0"), sealed.value(QStringLiteral("MAKEDATE")), copies, step);
    ASSERT_FALSE(broken.isOk());
    write(QStringLiteral("broken_kword"), replaced(QStringLiteral("KWORD"), cut),
          SettingsText::loadError() + broken.error().stepCode);

    write(QStringLiteral("titlebackcolor_not_number"),
          replaced(QStringLiteral("TITLEBACKCOLOR"), QStringLiteral("silver")),
          SettingsText::loadError() + u' ');
    QStringList pls = valid;
    for (QString &l : pls)
        l.replace(QStringLiteral("PF3/PS1/2  /"), QStringLiteral("PF3/PS1/x  /"));
    write(QStringLiteral("pls_pivot_row_not_number"), pls, loadError("PLS_160006_2"));
}

TEST(ReportDefinitionRows, BlankRowsAreRemovedButOneRowStays) {
    ReportDefinition def = sampleExcelReport();
    def.columns[1].PhysicalName = QStringLiteral("  ");
    def.pivotFields[0].PhysicalName.clear();
    def.removeBlankRows();
    ASSERT_EQ(def.columns.size(), 2u);
    EXPECT_EQ(def.columns[1].PhysicalName, QStringLiteral("MONTH"));
    EXPECT_EQ(def.columns[1].WidthOrCell, QStringLiteral("8")) << "the row moves with its data";
    ASSERT_EQ(def.pivotFields.size(), 2u);
    EXPECT_EQ(def.pivotFields[0].PhysicalName, QStringLiteral("SUM(AMOUNT)"));
    for (ColumnSetting &c : def.columns)
        c.PhysicalName.clear();
    def.removeBlankRows();
    ASSERT_EQ(def.columns.size(), 1u);
    EXPECT_EQ(def.columns[0], ColumnSetting());
}

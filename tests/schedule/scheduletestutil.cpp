#include "tests/schedule/scheduletestutil.h"

#include "core/textfile.h"
#include "db/selectanalysis.h"
#include "report/credentials.h"

namespace kelvoran::test {

bool writeEntryFile(const QString &path, const EntryFile &file) {
    ReportDefinition def;
    def.clear();
    def.setValue(QStringLiteral("PROCFLG"), file.procFlag);
    def.setValue(QStringLiteral("DBNAME"), file.alias);
    def.setValue(QStringLiteral("USER_NAME"), QStringLiteral("stored_user"));
    def.setValue(QStringLiteral("CSVSEPCHAR"), file.csvSeparator);
    def.setValue(QStringLiteral("CSVTREAT"), QStringLiteral("0"));
    def.setValue(QStringLiteral("CSVCOLNAME"),
                 file.csvHeading ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    def.setValue(QStringLiteral("CSVTABLENAME"), file.csvTable);
    def.setValue(QStringLiteral("CSVFILENAME"), file.csvFile);
    if (file.procFlag == u"1") {
        // A plain list: data from B4 with its heading row, no title, no creation time.
        for (const auto &[key, value] : {std::pair{"DATAFASTCOL", "2"},
                                         {"DATAFASTROW", "4"},
                                         {"TITLEFLG", "FALSE"},
                                         {"TITLECOL", "1"},
                                         {"TITLEROW", "2"},
                                         {"MAKEDATEFLG", "FALSE"},
                                         {"MAKEDATECOL", "5"},
                                         {"MAKEDATEROW", "2"},
                                         {"KOUMOKUNAME", "TRUE"},
                                         {"SHEETFLG", "FALSE"}})
            def.setValue(QString::fromLatin1(key), QString::fromLatin1(value));
    }
    // Palette colour indexes of the column-name row: grey fill, black text.
    def.setValue(QStringLiteral("TITLEBACKCOLOR"), QStringLiteral("15"));
    def.setValue(QStringLiteral("TITLEFONTCOLOR"), QStringLiteral("1"));
    const Result<PackedPasswords> packed = PackPasswordsAt(
        Passwords{QStringLiteral("stored_pw"), QString(), file.outputRead, file.outputWrite},
        QStringLiteral("2024/04/01 09:00:04"));
    if (!packed)
        return false;
    def.setValue(QStringLiteral("MAKEDATE"), packed->makeDate);
    def.setValue(QStringLiteral("VERSION"), packed->version);
    def.setValue(QStringLiteral("PASSWORD"), packed->copies.password);
    def.setValue(QStringLiteral("KWORD"), packed->copies.kword);
    def.setValue(QStringLiteral("QWORD"), packed->copies.qword);
    def.setValue(QStringLiteral("TWORD"), packed->copies.tword);

    SettingsFileMode mode = SettingsFileMode::Sql;
    SqlSource source;
    const SelectAnalysis analysis = AnalyzeSelect(file.sql, false);
    if (file.procFlag == u"0") {
        source.editorLines = file.sql;
    } else if (file.procFlag == u"3") {
        mode = SettingsFileMode::CsvImport;
    } else {
        source = SqlSource::fromAnalysis(analysis, file.sql);
        source.selectList = analysis.items;
        mode =
            file.procFlag == u"1" ? SettingsFileMode::Excel : SettingsFileMode::CsvExportFromMain;
        for (const SelectItem &item : analysis.items)
            def.columns.push_back(ColumnSetting{item.physicalName, item.alias, QStringLiteral("10"),
                                                QString(), QString(), QString(), QString()});
    }
    return bool(writeSettingsFile(path, def, mode, source));
}

ScheduleEntry readyEntry(const QString &folder, const QString &fileName, const QString &targetPath,
                         const QString &alias) {
    ScheduleEntry e;
    e.fileName = fileName;
    e.folder = folder;
    e.targetPath = targetPath;
    e.alias = alias;
    e.userName = QStringLiteral("user");
    e.password = QStringLiteral("pw");
    e.mark = EntryMark::Ready;
    return e;
}

AliasInfo sqliteAlias(const QString &name, const QString &databaseFile) {
    AliasInfo a;
    a.name = name;
    a.driver = QStringLiteral("QSQLITE");
    a.driverName = QStringLiteral("SQLITE");
    a.database = databaseFile;
    return a;
}

} // namespace kelvoran::test

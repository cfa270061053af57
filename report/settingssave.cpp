#include "report/settingssave.h"

#include "core/pathrules.h"
#include "core/textfile.h"
#include "report/credentials.h"
#include "report/messagetable.h"
#include "report/userinteraction.h"

namespace kelvoran {

namespace {

Error saveFailure(const Error &cause) {
    return Error{SettingsText::saveError() + QStringLiteral("：") + cause.message, cause.stepCode};
}

} // namespace

Result<QString> saveSettingsFile(ReportDefinition &def, const SaveRequest &request,
                                 UserInteraction &ui, const Clock &clock) {
    const SettingsFileMode mode = request.mode;
    if (mode == SettingsFileMode::CsvExportFromDesigner &&
        !ui.confirm(SettingsText::csvExportQuestion())) {
        ui.inform(MessageIcon::Information, SettingsText::cancelled());
        return QString();
    }
    if (mode == SettingsFileMode::Sql && ShowMessageNo(ui, 2, 7) != 0) {
        // A plain SQL file: the editor's lines only, no connection and no format block.
        QString path = ui.chooseSaveFile(QString(), SettingsText::sqlFileFilter());
        if (path.isEmpty())
            return QString();
        if (!path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) &&
            !path.endsWith(QStringLiteral(".sql"), Qt::CaseInsensitive))
            path += QStringLiteral(".sql");
        const Status written = writeTextLines(path, request.sql.editorLines);
        if (!written)
            return saveFailure(written.error());
        return path;
    }
    if (mode == SettingsFileMode::Excel || mode == SettingsFileMode::CsvExportFromDesigner) {
        std::vector<ColumnSetting> rows;
        for (const ColumnSetting &c : def.columns)
            if (!trimBlanks(c.PhysicalName).isEmpty())
                rows.push_back(c);
        def.columns = rows;
        if (rows.empty())
            return QString();
    }
    if (mode == SettingsFileMode::CsvImport) {
        const QString csv =
            ui.chooseOpenFile(SettingsText::importFileTitle(), SettingsText::importFileFilter());
        if (csv.isEmpty())
            return QString();
        def.setValue(QStringLiteral("CSVFILENAME"), csv);
    }

    QString path = ui.chooseSaveFile(QString(), SettingsText::settingsFileFilter());
    if (path.isEmpty())
        return QString();
    if (!hasExtension(QStringLiteral("KVR"), path))
        path += QStringLiteral(".kvr");

    ConnectionChoice connection;
    if (!ui.chooseConnection(request.presetAlias, connection))
        return QString();

    ReportDefinition out = def;
    out.setValue(QStringLiteral("DATABASE"), connection.driverName);
    out.setValue(QStringLiteral("DBNAME"), connection.alias);
    out.setValue(QStringLiteral("USER_NAME"), connection.userName);
    out.dbPassword = connection.password;
    const Result<PackedPasswords> packed =
        PackPasswords(Passwords{out.dbPassword, out.templatePassword, out.outputReadPassword,
                                out.outputWritePassword},
                      clock);
    if (!packed)
        return saveFailure(packed.error());
    out.setValue(QStringLiteral("MAKEDATE"), packed->makeDate);
    out.setValue(QStringLiteral("VERSION"), packed->version);
    out.setValue(QStringLiteral("PASSWORD"), packed->copies.password);
    out.setValue(QStringLiteral("KWORD"), packed->copies.kword);
    out.setValue(QStringLiteral("QWORD"), packed->copies.qword);
    out.setValue(QStringLiteral("TWORD"), packed->copies.tword);

    const Status written = writeSettingsFile(path, out, mode, request.sql);
    if (!written)
        return saveFailure(written.error());
    def = out;
    return path;
}

} // namespace kelvoran

#include "entrysettings.h"

#include "aliases.h"
#include "settingsfile.h"
#include "textfile.h"

namespace kelvoran {

Status readEntrySettings(const QStringList &lines, const ScheduleEntry &entry,
                         const AliasList &aliases, EntrySettings &out) {
    SettingsReadOptions options;
    options.prefix = u'C';
    options.aliases = aliases.names();
    options.currentAlias = entry.alias;
    options.keepDatabase = true;
    const std::optional<AliasInfo> alias = aliases.find(entry.alias);
    options.oracleHints = alias && alias->kind() == DbKind::Oracle;
    SettingsFileReader reader(options);
    const Status read = reader.readLines(lines, out.definition);
    out.lastStep = reader.stepCode().text();
    if (!read)
        return read;
    if (!reader.hasFormatBlock())
        return Error{QStringLiteral("データ解析エラー"), QString()};
    out.analysis = reader.analysis();
    return Status::ok();
}

std::optional<EntryKind> peekEntryKind(const ScheduleEntry &entry, const AliasList &aliases) {
    const Result<QStringList> lines = readTextLines(entry.folder + entry.fileName);
    if (!lines)
        return std::nullopt;
    EntrySettings settings;
    if (!readEntrySettings(*lines, entry, aliases, settings))
        return std::nullopt;
    const QString flag = settings.definition.value(QStringLiteral("PROCFLG"));
    if (flag == u"0")
        return EntryKind::Sql;
    if (flag == u"1")
        return EntryKind::ExcelReport;
    if (flag == u"2")
        return EntryKind::CsvExport;
    if (flag == u"3")
        return EntryKind::CsvImport;
    return std::nullopt;
}

} // namespace kelvoran

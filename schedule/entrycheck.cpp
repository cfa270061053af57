#include "schedule/entrycheck.h"

#include "core/pathrules.h"
#include "core/textfile.h"
#include "db/aliases.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"

#include <QFileInfo>

namespace kelvoran {

namespace {

const QString kConnectionStep = QStringLiteral("CES_270004");
const QString kFolderStep = QStringLiteral("CES_270005");
const QString kFileStep = QStringLiteral("CES_270006");
const QString kLoadStep = QStringLiteral("CES_270007");
const QString kParseStep = QStringLiteral("CES_270008");

// A folder text exists as a folder (an empty text does not).
bool folderExists(const QString &folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

bool isOracle(const AliasList &aliases, const QString &alias) {
    const std::optional<AliasInfo> info = aliases.find(alias);
    return info && info->kind() == DbKind::Oracle;
}

// Reads the lines with the scheduler's reader; the reader's own failure as it gave it.
Status readSettings(const QStringList &lines, const QString &alias, bool oracleHints,
                    const AliasList &aliases, CheckedEntry &out) {
    SettingsReadOptions options;
    options.prefix = u'C';
    options.aliases = aliases.names();
    options.currentAlias = alias;
    options.keepDatabase = true;
    options.oracleHints = oracleHints;
    SettingsFileReader reader(options);
    const Status read = reader.readLines(lines, out.definition);
    out.lastStep = reader.stepCode().text();
    if (!read)
        return read;
    if (!reader.hasFormatBlock())
        return Error{EntryText::parseError(), QString()};
    out.analysis = reader.analysis();
    out.fileAlias = reader.currentAlias();
    return Status::ok();
}

} // namespace

std::optional<EntryKind> CheckedEntry::kind() const {
    const QString flag = definition.value(QStringLiteral("PROCFLG"));
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

Result<CheckedEntry> checkEntry(const ScheduleEntry &entry, const AliasList &aliases,
                                const EntryCheckOptions &options) {
    if (options.requireConfirmedConnection && entry.mark == EntryMark::Unchecked)
        return Error{EntryText::unchecked(), kConnectionStep};
    const QString path = entry.folder + entry.fileName;
    if (!folderExists(folderPart(path)))
        return Error{EntryText::folderMissing(), kFolderStep};
    if (!QFileInfo(path).isFile())
        return Error{EntryText::fileMissing(), kFileStep};
    Result<QStringList> lines = readTextLines(path);
    if (!lines)
        return Error{EntryText::loadError(), kLoadStep};

    CheckedEntry checked;
    checked.lines = std::move(lines).value();
    const bool hints = isOracle(aliases, entry.alias);
    Status read = readSettings(checked.lines, entry.alias, hints, aliases, checked);
    // Without an alias of its own the entry runs on the file's, which decides the hints.
    if (read && entry.alias.isEmpty() && isOracle(aliases, checked.fileAlias))
        read = readSettings(checked.lines, entry.alias, true, aliases, checked);
    if (!read) {
        const QString &code = read.error().stepCode;
        // One of the reader's own codes names what is missing.
        if (code.startsWith(QStringLiteral("CST_")))
            return Error{EntryText::parseError(code), kParseStep};
        return Error{EntryText::parseError(), code.isEmpty() ? kParseStep : code};
    }
    return checked;
}

EntryCheckStage failedStage(const Error &failure) {
    if (failure.stepCode == kConnectionStep)
        return EntryCheckStage::Connection;
    if (failure.stepCode == kFolderStep)
        return EntryCheckStage::Folder;
    if (failure.stepCode == kFileStep)
        return EntryCheckStage::File;
    if (failure.stepCode == kLoadStep)
        return EntryCheckStage::Load;
    return EntryCheckStage::Parse;
}

QString readerText(const Error &failure) {
    if (failure.stepCode != kParseStep)
        return failure.stepCode;
    // The reader's own code follows the parse error text; without one the reader said only that.
    const QString lead = EntryText::parseError() + u' ';
    return failure.message.startsWith(lead) ? failure.message.mid(lead.size()) : failure.message;
}

Status checkOutputPasswords(const CheckedEntry &checked, const ScheduleEntry &entry,
                            const std::optional<QString> &targetAbove, PasswordChainRecord &chain) {
    const QString read = checked.definition.outputReadPassword;
    const QString write = checked.definition.outputWritePassword;
    // The rule guards a workbook shared with the entry above; two entries without a target (Sql
    // entries) share nothing, whatever passwords their files carry.
    const bool sameTarget = checked.kind() == EntryKind::ExcelReport &&
                            !entry.targetPath.isEmpty() && targetAbove &&
                            entry.targetPath == *targetAbove;
    if (chain.valid && sameTarget && (read != chain.outputRead || write != chain.outputWrite)) {
        chain.invalidate();
        return Error{EntryText::passwordsDiffer(), QStringLiteral("CES_270016")};
    }
    chain.valid = true;
    chain.outputRead = read;
    chain.outputWrite = write;
    return Status::ok();
}

Status checkEntryTarget(EntryKind kind, const ScheduleEntry &entry) {
    const QString &target = entry.targetPath;
    switch (kind) {
    case EntryKind::Sql:
        break;
    case EntryKind::ExcelReport: {
        const QString step = QStringLiteral("CES_270013");
        if (target.isEmpty())
            return Error{EntryText::noSaveTarget(), step};
        if (target.trimmed().isEmpty() || !QFileInfo(entry.folder + entry.fileName).isFile())
            return Error{EntryText::badSaveTarget(), step};
        break;
    }
    case EntryKind::CsvExport: {
        const QString step = QStringLiteral("CES_270014");
        if (target.isEmpty())
            return Error{EntryText::noCsvTarget(), step};
        if (!folderExists(folderPart(target)))
            return Error{EntryText::folderMissing(), step};
        break;
    }
    case EntryKind::CsvImport:
        if (!target.isEmpty() && !folderExists(folderPart(target)))
            return Error{EntryText::folderMissing(), QStringLiteral("CES_270015")};
        break;
    }
    return Status::ok();
}

} // namespace kelvoran

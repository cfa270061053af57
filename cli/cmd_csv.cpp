// kelvoran-batch csv-export / csv-import: the scheduled CSV jobs of one settings file, run as
// the scheduler runs an entry (step codes with C, nothing asked).
#include "cli/batchcommand.h"

#include "core/pathrules.h"
#include "csv/scheduledcsv.h"
#include "db/aliases.h"
#include "db/dbsession.h"
#include "report/messagetable.h"
#include "schedule/entrycheck.h"

#include <QDir>
#include <QFileInfo>

namespace kelvoran::batch {

namespace {

int runExport(const QStringList &arguments);
int runImport(const QStringList &arguments);

const BatchCommand kExport{
    QStringLiteral("csv-export"),
    QStringLiteral("run the CSV export of a settings file (PROCFLG 2) as the scheduler does"),
    QStringLiteral(
        "kelvoran-batch csv-export FILE.kvr [--alias ALIAS] [--user USER] --output OUT.csv\n"
        "  Runs the settings file's SELECT on ALIAS (default: the file's DBNAME) and writes its\n"
        "  rows to OUT.csv (\".csv\" is appended when the name has another extension), with the\n"
        "  file's separator and heading line. USER defaults to the alias's stored user; the\n"
        "  password comes from the environment variable KELVORAN_PASSWORD.\n"
        "  Prints the status, the data count (rows plus the heading line) and the file written.\n"
        "  Exit 1 with the entry's status (text and step code) on stderr when the job failed."),
    &runExport};

const BatchCommand kImport{
    QStringLiteral("csv-import"),
    QStringLiteral("run the CSV import of a settings file (PROCFLG 3) as the scheduler does"),
    QStringLiteral(
        "kelvoran-batch csv-import FILE.kvr [--alias ALIAS] [--user USER] [--input IN.csv]\n"
        "  Appends the lines of IN.csv (default: the file's CSVFILENAME) to the table\n"
        "  CSVTABLENAME on ALIAS (default: the file's DBNAME), with the file's separator, blank\n"
        "  rule and heading line. USER defaults to the alias's stored user; the password comes\n"
        "  from the environment variable KELVORAN_PASSWORD.\n"
        "  Prints the status and the data count (lines processed).\n"
        "  Exit 1 with the entry's status (text and step code) on stderr when the job failed;\n"
        "  the lines before a failing line stay stored."),
    &runImport};

const CommandRegistrar kExportRegistrar(kExport);
const CommandRegistrar kImportRegistrar(kImport);

// Prints an entry status as the scheduler records it: text, a blank, the step code.
int entryFailed(const QString &text, const QString &stepCode, const QString &detail = QString()) {
    QString status = text + QLatin1Char(' ') + stepCode;
    if (!detail.isEmpty())
        status += QLatin1Char(' ') + detail;
    printErr(status.replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + QLatin1Char('\n'));
    return ExitFailed;
}

// The job's target as an entry's: a relative path lies in the working folder.
ScheduleEntry targetEntry(const QString &target) {
    ScheduleEntry entry;
    entry.targetPath = target.isEmpty() ? target : QFileInfo(target).absoluteFilePath();
    return entry;
}

int runCsv(const BatchCommand &command, const QStringList &arguments, bool exporting) {
    const QString pathOption = exporting ? QStringLiteral("output") : QStringLiteral("input");
    const BatchArgs args(arguments, {QStringLiteral("alias"), QStringLiteral("user"), pathOption});
    if (const auto exit = handleCommonArgs(command, args))
        return *exit;
    if (args.positionals().size() != 1)
        return usageError(command, QStringLiteral("exactly one settings FILE is required"));
    const std::optional<QString> target = args.value(pathOption);
    if (exporting && (!target || target->isEmpty()))
        return usageError(command, QStringLiteral("--output is required"));
    const QString file = QFileInfo(args.positionals().first()).absoluteFilePath();

    const Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + QLatin1Char('\n'));
        return ExitFailed;
    }

    // The entry checks before the job, as a scheduled entry has them.
    ScheduleEntry standIn;
    standIn.folder = folderPart(file);
    standIn.fileName = fileNamePart(file);
    standIn.alias = args.value(QStringLiteral("alias"), aliases->names().value(0));
    const Result<CheckedEntry> checked = checkEntry(standIn, *aliases);
    if (!checked)
        return entryFailed(checked.error().message, checked.error().stepCode);
    const ReportDefinition &settings = checked->definition;
    const EntryKind wantedKind = exporting ? EntryKind::CsvExport : EntryKind::CsvImport;
    if (checked->kind() != wantedKind) {
        printErr(BatchText::wrongKind(settings.value(QStringLiteral("PROCFLG")), command.name,
                                      QString::number(int(wantedKind))) +
                 QLatin1Char('\n'));
        return ExitFailed;
    }

    const QString aliasName =
        args.value(QStringLiteral("alias"), settings.value(QStringLiteral("DBNAME")));
    const std::optional<AliasInfo> alias = aliases->find(aliasName);
    if (!alias) {
        printErr(BatchText::unknownAlias(aliasName) + QLatin1Char('\n'));
        return ExitFailed;
    }
    const QString user = args.value(QStringLiteral("user"), alias->user);
    SchedulerConnection connection(*aliases);
    const ScheduledCsvOutcome outcome = [&]() -> ScheduledCsvOutcome {
        // Every handle of the connection lives in here, so that it is unused when closed.
        // Without the variable there is no password to give: an alias that needs a login
        // fails like a refused connection rather than trying an empty password.
        if (alias->loginRequired && !qEnvironmentVariableIsSet("KELVORAN_PASSWORD")) {
            ScheduledCsvOutcome failed;
            failed.failureText = EntryText::connectionFailed();
            failed.stepCode = QStringLiteral("CES_270010");
            failed.detail = BatchText::noPassword();
            return failed;
        }
        const DbResult<QSqlDatabase> db =
            connection.open(aliasName, user, qEnvironmentVariable("KELVORAN_PASSWORD"));
        if (!db) {
            ScheduledCsvOutcome failed;
            failed.failureText = EntryText::connectionFailed();
            failed.stepCode = QStringLiteral("CES_270010");
            failed.detail = db.error().message();
            return failed;
        }
        ScheduledCsvJob job;
        job.settings = &settings;
        job.settingsFilePath = file;
        job.db = *db;
        job.kind = alias->kind();
        job.targetPath = target.value_or(QString());
        // An import's target of blanks only stands for CSVFILENAME.
        const QString given = exporting ? job.targetPath : job.targetPath.trimmed();
        if (const Status checkedTarget = checkEntryTarget(wantedKind, targetEntry(given));
            !checkedTarget) {
            ScheduledCsvOutcome failed;
            failed.failureText = checkedTarget.error().message;
            failed.stepCode = checkedTarget.error().stepCode;
            return failed;
        }
        return exporting ? runScheduledCsvExport(job) : runScheduledCsvImport(job);
    }();
    connection.close();
    if (!outcome.ok)
        return entryFailed(outcome.failureText, outcome.stepCode, outcome.detail);
    printOut(BatchText::csvDone(outcome.dataCount, outcome.path));
    return ExitOk;
}

int runExport(const QStringList &arguments) {
    return runCsv(kExport, arguments, true);
}

int runImport(const QStringList &arguments) {
    return runCsv(kImport, arguments, false);
}

} // namespace

} // namespace kelvoran::batch

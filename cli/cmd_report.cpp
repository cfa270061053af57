// kelvoran-batch report: runs an Excel report settings file as a scheduled ExcelReport entry
// does ("C" step codes, no questions, the limits as failures) and writes the workbook.
#include "cli/batchcommand.h"

#include "core/pathrules.h"
#include "db/aliases.h"
#include "db/dbsession.h"
#include "excel/excelsession.h"
#include "excel/reportdriver.h"
#include "report/messagetable.h"
#include "report/userinteraction.h"
#include "schedule/entrycheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace kelvoran::batch {

namespace {

int runReport(const QStringList &args);

const BatchCommand kCommand{
    QStringLiteral("report"),
    QStringLiteral("write an Excel report from a settings file (.kvr), as the scheduler does"),
    QStringLiteral(
        "kelvoran-batch report FILE.kvr [--alias ALIAS] [--user USER] --output OUT.xlsx\n"
        "  Reads the settings file as the scheduler does and runs its Excel report on ALIAS\n"
        "  (default: the file's DBNAME) with USER (default: the alias's stored user) and the\n"
        "  password from KELVORAN_PASSWORD; the password stored in the file is not used.\n"
        "  Nothing is asked (confirmations are answered yes); a position limit fails the run.\n"
        "  OUT is written as .xlsx (\"x\" added to .xls, \".xlsx\" to any other name), with the\n"
        "  output read and write passwords of the file, and never opened; its real path is\n"
        "  printed. Notices (template features left out, database values kept as text) go to\n"
        "  stderr, one line each. On a terminal, progress goes to stderr.\n"
        "  Exit 1 with the status text (message and step code) on stderr when the job fails."),
    &runReport};

const CommandRegistrar kRegistrar(kCommand);

// The scheduler's status of a failed step: text, one blank, step code.
int failedWith(const QString &text, const QString &stepCode) {
    printErr(text + QLatin1Char(' ') + stepCode + QLatin1Char('\n'));
    return ExitFailed;
}

int runReport(const QStringList &arguments) {
    const BatchArgs args(
        arguments, {QStringLiteral("alias"), QStringLiteral("user"), QStringLiteral("output")});
    if (const auto exit = handleCommonArgs(kCommand, args))
        return *exit;
    if (args.positionals().size() != 1)
        return usageError(kCommand, QStringLiteral("exactly one settings FILE is required"));
    const std::optional<QString> output = args.value(QStringLiteral("output"));
    if (!output || output->trimmed().isEmpty())
        return usageError(kCommand, QStringLiteral("--output is required"));
    const QString file = args.positionals().first();

    const Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + QLatin1Char('\n'));
        return ExitFailed;
    }

    // The entry checks and the settings file, as a scheduled entry has them; the folder of a
    // relative FILE is the working folder.
    const QString absolute = QFileInfo(file).absoluteFilePath();
    ScheduleEntry standIn;
    standIn.folder = folderPart(absolute);
    standIn.fileName = fileNamePart(absolute);
    standIn.alias = args.value(QStringLiteral("alias"), QString());
    const Result<CheckedEntry> checked = checkEntry(standIn, *aliases);
    if (!checked)
        return failedWith(checked.error().message, checked.error().stepCode);
    const ReportDefinition &def = checked->definition;
    if (checked->kind() != EntryKind::ExcelReport)
        return failedWith(BatchText::notExcelReport(def.value(QStringLiteral("PROCFLG"))),
                          QStringLiteral("CES_270013"));
    const QString alias = standIn.alias.isEmpty() ? checked->fileAlias : standIn.alias;
    const std::optional<AliasInfo> aliasInfo = aliases->find(alias);
    if (!aliasInfo)
        return failedWith(EntryText::aliasError(), QStringLiteral("CES_270009"));

    // The scheduler's own connection, with the entry's user and the password from the
    // environment.
    SchedulerConnection connection(*aliases);
    const QString user = args.value(QStringLiteral("user"), aliasInfo->user);
    const DbResult<QSqlDatabase> db =
        connection.open(alias, user, qEnvironmentVariable("KELVORAN_PASSWORD"));
    if (!db) {
        printErr(db.error().message() + QLatin1Char('\n'));
        return failedWith(EntryText::connectionFailed(), QStringLiteral("CES_270010"));
    }

    ReportSource source;
    source.analysis = checked->analysis;
    source.editorLines = def.sqlLines;

    ReportRunOptions run;
    run.prefix = u'C';
    run.database = *db;
    run.kind = aliasInfo->kind();
    run.outputPath = *output;
    run.settingsFilePath = file;
    const bool terminal = isatty(fileno(stderr)) != 0;
    QElapsedTimer shown;
    shown.start();
    bool progressShown = false;
    if (terminal) {
        run.progress = [&](const QString &text, qint64 record, qint64 total, bool) {
            // At most five lines a second, and the last record.
            if (record != total && shown.elapsed() < 200)
                return;
            shown.restart();
            std::fputs(("\r" + text).toUtf8().constData(), stderr);
            std::fflush(stderr);
            progressShown = true;
        };
    }

    RecordingInteraction ui;
    ui.defaultConfirm = true;
    const ReportRunResult result = runExcelReport(def, source, run, ui);
    if (progressShown)
        std::fputs("\n", stderr);
    if (!result.ok()) {
        printErr(result.statusText() + QLatin1Char('\n'));
        return ExitFailed;
    }
    printOut(result.savedPath + QLatin1Char('\n'));
    printNotices(result.notices);
    return ExitOk;
}

} // namespace

} // namespace kelvoran::batch

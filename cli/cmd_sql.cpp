// kelvoran-batch sql: runs an SQL script file against an alias, as "SQLファイルの実行" does.
#include "cli/batchcommand.h"
#include "cli/batchlogin.h"

#include "core/appsettings.h"
#include "db/dbsession.h"
#include "db/scriptrunner.h"
#include "db/sqlrunner.h"

namespace kelvoran::batch {

namespace {

// The EnKey separator of the stored settings, or its default LF when none are stored. The
// settings are only read: a batch run never writes them.
Result<QString> storedLineSeparator() {
    AppSettingsStore store;
    if (!store.programKeyExists())
        return QStringLiteral("\n");
    const Result<AppSettings> settings = store.load(FirstRunWindowValues{});
    if (!settings)
        return settings.error();
    return settings->lineSeparator;
}

// Display texts have CR LF line ends; the batch output uses LF.
QString lf(const QString &text) {
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

int runSql(const QStringList &arguments);

const BatchCommand kCommand{
    QStringLiteral("sql"), QStringLiteral("run an SQL script file against an alias"),
    QStringLiteral(
        "kelvoran-batch sql --alias ALIAS [--user USER] FILE\n"
        "  Runs every statement of FILE (Shift_JIS), each committed on its own, and prints\n"
        "  the summary, then \"--- n\", the statement and its error for each failed one.\n"
        "  Statements end at \";\" outside comments and quoted text; MySQL scripts may change\n"
        "  the delimiter with DELIMITER lines; on Oracle a line holding only \"/\" ends a\n"
        "  statement, and PL/SQL blocks end only there. See README, \"Scripts and\n"
        "  transactions\".\n"
        "  The password comes from the environment variable KELVORAN_PASSWORD.\n"
        "  Exit 1 when any statement failed or the alias could not be opened."),
    &runSql};

const CommandRegistrar kRegistrar(kCommand);

int runSql(const QStringList &arguments) {
    const BatchArgs args(arguments, {QStringLiteral("alias"), QStringLiteral("user")});
    if (const auto exit = handleCommonArgs(kCommand, args))
        return *exit;
    const std::optional<QString> alias = args.value(QStringLiteral("alias"));
    if (!alias || alias->isEmpty())
        return usageError(kCommand, QStringLiteral("--alias is required"));
    if (args.positionals().size() != 1)
        return usageError(kCommand, QStringLiteral("exactly one script FILE is required"));
    const QString file = args.positionals().first();

    const std::optional<AliasList> aliases = loadAliasesNaming(*alias);
    if (!aliases)
        return ExitFailed;
    const Result<QString> separator = storedLineSeparator();
    if (!separator) {
        printErr(separator.error().text() + QLatin1Char('\n'));
        return ExitFailed;
    }

    EnvironmentLogin login(args.value(QStringLiteral("user")));
    DbSession session(QStringLiteral("SessionDB"), *aliases, &login);
    // The connection is opened before the script is read, so a refused login is reported once
    // instead of as the error of every statement.
    const DbResult<QSqlDatabase> connection = session.connection(*alias);
    if (!connection) {
        for (const QString &text : connection.error().texts())
            printErr(lf(text) + QLatin1Char('\n'));
        return ExitFailed;
    }
    SqlRunner runner(session);
    runner.setLineSeparator(*separator);
    ScriptRunner scripts(session, runner);
    const Result<ScriptRunResult> result = scripts.runFile(*alias, file);
    if (!result) {
        printErr(result.error().text() + QLatin1Char('\n'));
        return ExitFailed;
    }
    QString out = result->summaryMessage() + QLatin1Char('\n');
    for (const ScriptErrorRow &row : result->errorRows()) {
        out += QStringLiteral("--- %1\n").arg(row.number);
        out += lf(row.displayText) + QLatin1Char('\n');
        out += lf(row.errorEntry) + QLatin1Char('\n');
    }
    printOut(out);
    return result->errorCount > 0 ? ExitFailed : ExitOk;
}

} // namespace

} // namespace kelvoran::batch

// kelvoran-batch aliases: lists the aliases, one line each: name, driver name, database kind;
// on stderr, every alias whose drivers cannot load, with the library that is missing.
#include "cli/batchcommand.h"
#include "db/aliases.h"
#include "db/driverlibrary.h"

namespace kelvoran::batch {

namespace {

int runAliases(const QStringList &args);

const BatchCommand kAliasesCommand{
    QStringLiteral("aliases"), QStringLiteral("list the aliases: name<TAB>driver name<TAB>kind"),
    QStringLiteral(
        "kelvoran-batch aliases\n"
        "  Lists the aliases of the alias file (KELVORAN_ALIASES, else aliases.ini in\n"
        "  the user's config folder) and the ODBC data sources, one per line:\n"
        "  name<TAB>driver name<TAB>kind (ORACLE, POSTGRE, MYSQL, ACCESS, EXCEL, SQLITE, OTHER).\n"
        "  Each alias whose Qt driver or ODBC driver library cannot be loaded is named on\n"
        "  stderr with the reason, such as a library the driver needs that is missing;\n"
        "  the exit status stays 0."),
    runAliases};

const CommandRegistrar registrar(kAliasesCommand);

int runAliases(const QStringList &args) {
    const BatchArgs parsed(args, {});
    if (const std::optional<int> exit = handleCommonArgs(kAliasesCommand, parsed))
        return *exit;
    if (!parsed.positionals().isEmpty())
        return usageError(
            kAliasesCommand,
            QStringLiteral("unexpected argument '%1'").arg(parsed.positionals().first()));
    const Result<AliasList> aliases = AliasList::load();
    if (!aliases) {
        printErr(aliases.error().text() + u'\n');
        return ExitFailed;
    }
    QString out;
    for (const AliasInfo &alias : aliases->aliases())
        out += alias.name + u'\t' + alias.driverName + u'\t' + dbKindText(alias.kind()) + u'\n';
    printOut(out);
    const std::vector<OdbcDataSource> sources = AliasList::odbcDataSources();
    QString problems;
    for (const AliasInfo &alias : aliases->aliases()) {
        const QString problem = aliasDriverProblem(alias, sources);
        if (!problem.isEmpty())
            problems += QStringLiteral("エイリアス \"%1\": %2\n").arg(alias.name, problem);
    }
    if (!problems.isEmpty())
        printErr(problems);
    return ExitOk;
}

} // namespace

} // namespace kelvoran::batch

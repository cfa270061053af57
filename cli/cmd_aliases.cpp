// kelvoran-batch aliases: lists the aliases, one line each: name, driver name, database kind.
#include "cli/batchcommand.h"
#include "db/aliases.h"

namespace kelvoran::batch {

namespace {

int runAliases(const QStringList &args);

const BatchCommand kAliasesCommand{
    QStringLiteral("aliases"), QStringLiteral("list the aliases: name<TAB>driver name<TAB>kind"),
    QStringLiteral(
        "kelvoran-batch aliases\n"
        "  Lists the aliases of the alias file (KELVORAN_ALIASES, else aliases.ini in\n"
        "  the user's config folder) and the ODBC data sources, one per line:\n"
        "  name<TAB>driver name<TAB>kind (ORACLE, POSTGRE, MYSQL, ACCESS, EXCEL, SQLITE, OTHER)."),
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
    return ExitOk;
}

} // namespace

} // namespace kelvoran::batch

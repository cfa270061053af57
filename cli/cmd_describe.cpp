// kelvoran-batch describe: the Definition and Source texts of one object, as the main window's
// two views would hold them.
#include "cli/batchcommand.h"
#include "cli/batchlogin.h"

#include "db/aliases.h"
#include "db/dbsession.h"
#include "db/objectdescription.h"
#include "db/objectkind.h"
#include "report/messagetable.h"

using namespace kelvoran;
using namespace kelvoran::batch;

namespace {

// Prints each entry of a database error as its five lines on stderr.
void printDbError(const DbError &error) {
    for (QString text : error.texts()) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        printErr(text + QLatin1Char('\n'));
    }
}

int runDescribe(const QStringList &arguments);

// The usage text, with the folders of each kind of alias as the object tree has them.
QString describeUsage() {
    QString folders;
    for (DbKind kind :
         {DbKind::Oracle, DbKind::Postgre, DbKind::MySql, DbKind::Sqlite, DbKind::Other}) {
        QStringList names;
        for (const db::ObjectKind &folder : db::objectKindsFor(kind))
            names << (folder.folder.contains(u' ') ? u'"' + folder.folder + u'"' : folder.folder);
        const QString kindText =
            kind == DbKind::Other ? QStringLiteral("other kinds") : dbKindText(kind);
        folders += QStringLiteral("    %1: %2\n").arg(kindText, names.join(QStringLiteral(", ")));
    }
    return QStringLiteral(
               "kelvoran-batch describe --alias ALIAS [--user USER] --folder FOLDER NAME\n"
               "  FOLDER is a folder of the object tree of the alias's kind:\n") +
           folders +
           QStringLiteral(
               "  Prints the Definition lines, a line \"----\", then the Source lines. The\n"
               "  password of an alias that needs a login comes from the environment\n"
               "  variable KELVORAN_PASSWORD.\n"
               "  Exit 1 when the folder holds no object NAME (on every kind of alias) or\n"
               "  a catalog statement fails.");
}

const BatchCommand describeCommand{
    QStringLiteral("describe"),
    QStringLiteral("print the Definition and Source texts of a database object"), describeUsage(),
    &runDescribe};

const CommandRegistrar registrar(describeCommand);

int runDescribe(const QStringList &arguments) {
    const BatchArgs args(
        arguments, {QStringLiteral("alias"), QStringLiteral("user"), QStringLiteral("folder")});
    if (std::optional<int> exit = handleCommonArgs(describeCommand, args))
        return *exit;
    const std::optional<QString> alias = args.value(QStringLiteral("alias"));
    const std::optional<QString> folderText = args.value(QStringLiteral("folder"));
    if (!alias)
        return usageError(describeCommand, QStringLiteral("--alias is required"));
    if (!folderText)
        return usageError(describeCommand, QStringLiteral("--folder is required"));
    if (args.positionals().size() != 1)
        return usageError(describeCommand, QStringLiteral("give exactly one object NAME"));
    const QString name = args.positionals().first();

    const std::optional<AliasList> aliases = loadAliasesNaming(*alias);
    if (!aliases)
        return ExitFailed;
    const std::optional<AliasInfo> info = aliases->find(*alias);
    const DbKind kind = info->kind();
    const std::optional<db::ObjectKind> folder = db::objectKindFor(kind, *folderText);
    if (!folder)
        return usageError(describeCommand, QStringLiteral("\"%1\" is not a folder of alias %2 (%3)")
                                               .arg(*folderText, *alias, dbKindText(kind)));

    EnvironmentLogin login(args.value(QStringLiteral("user")));
    DbSession session(QStringLiteral("SessionDB"), *aliases, &login);
    // Checked on every kind, also those without texts: a misspelt name or a dead connection is
    // an error, not an empty description.
    const DbResult<bool> exists = db::objectExists(session, *alias, kind, *folder, name);
    if (!exists) {
        printDbError(exists.error());
        return ExitFailed;
    }
    if (!*exists) {
        printErr(BatchText::objectNotFound(folder->folder, name, *alias) + QLatin1Char('\n'));
        return ExitFailed;
    }
    const db::DescribeResult result = db::describeObject(session, *alias, kind, *folder, name);
    // What the views hold, also when a statement failed part way: the text built so far.
    printOut(result.definition.text() + QStringLiteral("----\n") + result.source.text());
    if (result.error) {
        printDbError(*result.error);
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

// kelvoran-batch: the libraries without windows, for scheduled and scripted runs.
#include "cli/batchcommand.h"

#include <QCoreApplication>

using namespace kelvoran::batch;

namespace {
void printHelp() {
    QString text = QStringLiteral("usage: kelvoran-batch COMMAND [OPTIONS]\n\ncommands:\n");
    for (const BatchCommand &c : commands())
        text += QStringLiteral("  %1  %2\n").arg(c.name.leftJustified(14), c.summary);
    text += QStringLiteral(
        "\nEvery command takes --help. Exit status: 0 success, 1 the job failed, 2 usage error.\n"
        "Passwords come from environment variables, never from the command line.\n");
    printOut(text);
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvoran"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvoran"));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printHelp();
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        printHelp();
        return ExitOk;
    }
    for (const BatchCommand &c : commands())
        if (c.name == name)
            return c.run(args);
    printErr(QStringLiteral("kelvoran-batch: unknown command '%1' (see kelvoran-batch --help)\n")
                 .arg(name));
    return ExitUsage;
}

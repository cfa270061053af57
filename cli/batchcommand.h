// The command table of kelvoran-batch: each command registers itself from its own file.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace kelvoran::batch {

// Exit codes shared by every command.
enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// One command: its name, a one-line summary, its usage text and its entry point.
struct BatchCommand {
    QString name;
    QString summary;
    QString usage;
    int (*run)(const QStringList &args);
};

// Registers a command at start-up (a static object in the command's file).
struct CommandRegistrar {
    explicit CommandRegistrar(BatchCommand command);
};

// All commands in name order.
std::vector<BatchCommand> commands();

// Parsed command-line arguments: "--name value" options, "--flag" switches and positionals.
class BatchArgs {
public:
    // valueOptions take a value, flagOptions do not; "--help" is always known. Anything else
    // starting with "--" is a usage error.
    BatchArgs(const QStringList &args, const QStringList &valueOptions,
              const QStringList &flagOptions = {});

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    bool helpRequested() const { return m_flags.contains(QStringLiteral("help")); }
    bool flag(const QString &name) const { return m_flags.contains(name); }
    std::optional<QString> value(const QString &name) const;
    QString value(const QString &name, const QString &fallback) const;
    const QStringList &positionals() const { return m_positionals; }

private:
    std::map<QString, QString> m_values;
    QStringList m_flags;
    QStringList m_positionals;
    QString m_error;
};

// Output on stdout/stderr: UTF-8, LF line ends.
void printOut(const QString &text);
void printErr(const QString &text);
// A text on one output line: its line breaks removed, as the log writes a status.
QString oneLine(QString text);
// Notices of a finished report on stderr, one line each, each after prefix (may be empty);
// stdout is flushed first so that they follow what it already holds.
void printNotices(const QStringList &notices, const QString &prefix = QString());

// Prints the usage error and the command's usage on stderr; returns ExitUsage.
int usageError(const BatchCommand &command, const QString &message);
// Handles --help and a parse error the same way for every command; returns the exit code to
// leave with, or nothing when the command should go on.
std::optional<int> handleCommonArgs(const BatchCommand &command, const BatchArgs &args);

} // namespace kelvoran::batch

#include "cli/batchcommand.h"

#include <QByteArray>

#include <algorithm>

namespace kelvoran::batch {

namespace {
std::vector<BatchCommand> &registry() {
    static std::vector<BatchCommand> all;
    return all;
}
} // namespace

CommandRegistrar::CommandRegistrar(BatchCommand command) {
    registry().push_back(std::move(command));
}

std::vector<BatchCommand> commands() {
    std::vector<BatchCommand> all = registry();
    std::sort(all.begin(), all.end(),
              [](const BatchCommand &a, const BatchCommand &b) { return a.name < b.name; });
    return all;
}

BatchArgs::BatchArgs(const QStringList &args, const QStringList &valueOptions,
                     const QStringList &flagOptions) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.startsWith(u"--") && a.size() > 2) {
            QString name = a.mid(2);
            QString inlineValue;
            bool hasInline = false;
            if (const qsizetype eq = name.indexOf(u'='); eq >= 0) {
                inlineValue = name.mid(eq + 1);
                name = name.left(eq);
                hasInline = true;
            }
            if (name == u"help" || flagOptions.contains(name)) {
                m_flags << name;
            } else if (valueOptions.contains(name)) {
                if (hasInline) {
                    m_values[name] = inlineValue;
                } else if (i + 1 < args.size()) {
                    m_values[name] = args[++i];
                } else {
                    m_error = QStringLiteral("option --%1 needs a value").arg(name);
                    return;
                }
            } else {
                m_error = QStringLiteral("unknown option --%1").arg(name);
                return;
            }
        } else {
            m_positionals << a;
        }
    }
}

std::optional<QString> BatchArgs::value(const QString &name) const {
    auto it = m_values.find(name);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

QString BatchArgs::value(const QString &name, const QString &fallback) const {
    return value(name).value_or(fallback);
}

void printOut(const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void printErr(const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

QString oneLine(QString text) {
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

void printNotices(const QStringList &notices, const QString &prefix) {
    if (notices.isEmpty())
        return;
    std::fflush(stdout);
    QString text;
    for (const QString &n : notices)
        text += prefix + oneLine(n) + u'\n';
    printErr(text);
    std::fflush(stderr);
}

int usageError(const BatchCommand &command, const QString &message) {
    printErr(QStringLiteral("kelvoran-batch %1: %2\nusage: %3\n")
                 .arg(command.name, message, command.usage));
    return ExitUsage;
}

std::optional<int> handleCommonArgs(const BatchCommand &command, const BatchArgs &args) {
    if (!args.ok())
        return usageError(command, args.error());
    if (args.helpRequested()) {
        printOut(QStringLiteral("usage: %1\n%2\n").arg(command.usage, command.summary));
        return ExitOk;
    }
    return std::nullopt;
}

} // namespace kelvoran::batch

#include "core/openpaths.h"

#include "core/pathrules.h"

#include <QDir>
#include <QFileInfo>

namespace kelvoran {

OpenKind openKindOf(const QString &path) {
    if (hasExtension(QStringLiteral("KVR"), path))
        return OpenKind::SettingsFile;
    if (hasExtension(QStringLiteral("KVS"), path))
        return OpenKind::ScheduleFile;
    if (hasExtension(QStringLiteral("SQL"), path) || hasExtension(QStringLiteral("TXT"), path))
        return OpenKind::SqlText;
    return OpenKind::None;
}

OpenKind handOffKindOf(const QString &path) {
    const OpenKind kind = openKindOf(path.trimmed());
    return kind == OpenKind::SqlText ? OpenKind::None : kind;
}

bool canPreselect(const QString &path, const QStringList &kindWords) {
    if (path.isEmpty())
        return false;
    bool matches = false;
    for (const QString &kind : kindWords)
        matches = matches || hasExtension(kind, path);
    if (!matches)
        return false;
    const QFileInfo file(path);
    return file.isFile() && file.dir().exists();
}

QString startupPath(const QStringList &arguments) {
    return arguments.isEmpty() ? QString() : arguments.last();
}

QString handOffPath(const QStringList &arguments) {
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return QString();
    // The running instance has a working folder of its own: a path typed relative to this
    // start's folder ("kelvoran sales.kvr") would name another file there.
    return QDir::current().absoluteFilePath(arguments.first());
}

} // namespace kelvoran

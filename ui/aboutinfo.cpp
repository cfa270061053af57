#include "ui/aboutinfo.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>

namespace kelvoran {

QString AboutInfo::versionLine() const {
    return QStringLiteral("バージョン ") + programVersion;
}

QString AboutInfo::qtLine() const {
    return QStringLiteral("Qt ") + qtVersion;
}

QString AboutInfo::driversLine() const {
    return sqlDrivers.isEmpty() ? QStringLiteral("（見つかりません）")
                                : sqlDrivers.join(QStringLiteral(", "));
}

QString AboutInfo::clientLibrariesLine() const {
    QStringList parts;
    for (const ClientLibraryVersion &library : clientLibraries)
        parts << library.name + u' ' + library.version;
    return parts.join(QStringLiteral(", "));
}

QStringList distinctDriverNames(const QStringList &drivers) {
    QStringList names;
    for (const QString &name : drivers) {
        QString base = name;
        while (!base.isEmpty() && base.back().isDigit())
            base.chop(1);
        if (base != name && drivers.contains(base))
            continue;
        if (!names.contains(name))
            names << name;
    }
    names.sort();
    return names;
}

QStringList licenceFileNames() {
    return {QStringLiteral("LICENSE"), QStringLiteral("LICENSE.txt"), QStringLiteral("LICENSE.md"),
            QStringLiteral("LICENCE"), QStringLiteral("LICENCE.txt"), QStringLiteral("LICENCE.md"),
            QStringLiteral("COPYING"), QStringLiteral("COPYING.txt")};
}

QString licenceFileText(const QString &folder) {
    if (folder.isEmpty())
        return QString();
    const QDir dir(folder);
    for (const QString &name : licenceFileNames()) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Licence files are UTF-8 (plain ASCII as a rule); a file that reads as nothing counts
        // as no licence rather than an empty box.
        const QString text = QString::fromUtf8(file.readAll()).trimmed();
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

AboutInfo collectAboutInfo(const QString &programVersion, const QString &licenceFolder) {
    AboutInfo info;
    info.programVersion = programVersion;
    info.qtVersion = QString::fromLatin1(qVersion());
    info.sqlDrivers = distinctDriverNames(QSqlDatabase::drivers());
    info.clientLibraries = clientLibraryVersions();
    info.licenceText = licenceFileText(licenceFolder);
    return info;
}

} // namespace kelvoran

#include "core/pathrules.h"

namespace kelvoran {

bool isPathSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == u'/' || c == u'\\' || c == u':';
#else
    return c == u'/';
#endif
}

QString extensionTest(const QString &kindWord, const QString &path) {
    qsizetype dot = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path[i];
        if (c == u'.') {
            dot = i;
            break;
        }
        if (isPathSeparator(c))
            break;
    }
    if (dot < 0)
        return QStringLiteral("?");
    const QString ext = path.mid(dot + 1);
    if (ext.size() < 3 || kindWord.size() < 3)
        return QStringLiteral("N");
    for (int i = 0; i < 3; ++i)
        if (ext[i].toUpper() != kindWord[i].toUpper())
            return QStringLiteral("N");
    return QStringLiteral("Y");
}

bool hasExtension(const QString &kindWord, const QString &path) {
    return extensionTest(kindWord, path) == u"Y";
}

QString folderPart(const QString &path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isPathSeparator(path[i]))
            return path.left(i + 1);
    return QString();
}

QString fileNamePart(const QString &path) {
    return path.mid(folderPart(path).size());
}

} // namespace kelvoran

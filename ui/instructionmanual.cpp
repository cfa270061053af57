#include "ui/instructionmanual.h"

#include <QStringList>

namespace kelvoran {

namespace {

QString shownPlace(const QString &place) {
    return place.isEmpty() ? QStringLiteral("（未設定）") : place.toHtmlEscaped();
}

// The heading text of a Markdown line ("## CSV files" -> "CSV files"), empty for other lines.
QString headingText(const QString &line) {
    qsizetype level = 0;
    while (level < line.size() && line[level] == u'#')
        ++level;
    if (level == 0 || level > 6 || level == line.size() || line[level] != u' ')
        return QString();
    QString text = line.mid(level).trimmed();
    // A closing run of "#" is not part of the heading.
    while (text.endsWith(u'#'))
        text.chop(1);
    return text.trimmed();
}

} // namespace

QString manualHtml(const QString &templateHtml, const ManualPlaces &places) {
    QString html = templateHtml;
    html.replace(QStringLiteral("{{SETTINGS_FILE}}"), shownPlace(places.settingsFile));
    html.replace(QStringLiteral("{{ALIAS_FILE}}"), shownPlace(places.aliasFile));
    html.replace(QStringLiteral("{{LOG_FOLDER}}"), shownPlace(places.logFolder));
    html.replace(QStringLiteral("{{INSTALL_DIR}}"), shownPlace(places.installDir));
    html.replace(QStringLiteral("{{README_FILE}}"), shownPlace(places.readmeFile));
    return html;
}

ReadmeLink splitReadmeLink(const QString &href) {
    const qsizetype hash = href.indexOf(u'#');
    if (hash < 0)
        return {href, QString()};
    return {href.left(hash), href.mid(hash + 1)};
}

bool isReadmeLink(const QString &href) {
    return splitReadmeLink(href).file.compare(QStringLiteral("README.md"), Qt::CaseInsensitive) ==
           0;
}

QString headingAnchor(const QString &heading) {
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c == u' ')
            anchor += u'-';
        else if (c.isLetterOrNumber() || c == u'-' || c == u'_')
            anchor += c;
    }
    return anchor;
}

QString markdownHeadingForAnchor(const QString &markdown, const QString &anchor) {
    if (anchor.isEmpty())
        return QString();
    bool inFence = false;
    for (const QString &line : markdown.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QStringLiteral("```"))) {
            inFence = !inFence;
            continue;
        }
        if (inFence || line.startsWith(QStringLiteral("    ")) || line.startsWith(u'\t'))
            continue;
        const QString text = headingText(trimmed);
        if (!text.isEmpty() && headingAnchor(text) == anchor)
            return text;
    }
    return QString();
}

} // namespace kelvoran

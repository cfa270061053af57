#include "db/viewlines.h"

namespace kelvoran::db {

namespace {
const QString closingText = QStringLiteral(")");
}

ViewLines::ViewLines() {
    clear();
}

void ViewLines::clear() {
    m_lines = QStringList{QString()};
    m_closingLast = false;
}

void ViewLines::setFirstLine(const QString &text) {
    m_lines[0] = text;
    if (m_lines.size() == 1)
        m_closingLast = false;
}

void ViewLines::appendLine(const QString &text) {
    m_lines.append(text);
    m_closingLast = false;
}

void ViewLines::replaceLastLine(const QString &text) {
    m_lines.last() = text;
    m_closingLast = false;
}

QString ViewLines::lastLine() const {
    return m_lines.last();
}

void ViewLines::appendClosingLine() {
    m_lines.append(closingText);
    m_closingLast = true;
}

void ViewLines::addLineBeforeClosing(const QString &text) {
    if (m_closingLast && m_lines.size() >= 2) {
        m_lines[m_lines.size() - 2] += QLatin1Char(',');
        m_lines.last() = text;
        m_closingLast = false;
        return;
    }
    m_lines.last() += QLatin1Char(',');
    appendLine(text);
}

void ViewLines::restoreClosingLine() {
    if (!m_closingLast)
        appendClosingLine();
}

void ViewLines::chopLastLine() {
    if (!m_lines.last().isEmpty())
        m_lines.last().chop(1);
    m_closingLast = false;
}

QString ViewLines::text() const {
    QString out;
    for (const QString &line : m_lines) {
        out += line;
        out += QLatin1Char('\n');
    }
    return out;
}

void ViewLines::setStatement(const QString &statement) {
    QString text = statement;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = i + 1 < lines.size() ? lines[i] : lines[i] + u';';
        if (i == 0)
            setFirstLine(line);
        else
            appendLine(line);
    }
}

} // namespace kelvoran::db

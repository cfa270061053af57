// The line list behind the Definition and Source views, with the few operations the builders
// use on it, and the closing line ")" of a CREATE TABLE text that stays last while constraint
// lines are added before it.
#pragma once

#include <QString>
#include <QStringList>

namespace kelvoran::db {

// One view's text: a cleared view holds one empty line.
class ViewLines {
public:
    ViewLines();

    // Empties the view to its single empty line.
    void clear();
    // Replaces the first line.
    void setFirstLine(const QString &text);
    // Appends a line at the end.
    void appendLine(const QString &text);
    // Replaces the last line.
    void replaceLastLine(const QString &text);
    // The last line.
    QString lastLine() const;

    // Appends the closing line ")" and remembers that the last line is the closing line.
    void appendClosingLine();
    // True when the last line is the closing line (not merely a line reading ")").
    bool closingLineIsLast() const { return m_closingLast; }
    // Turns a closing line into an ordinary ")" line.
    void releaseClosingLine() { m_closingLast = false; }
    // Adds a line between the text and its closing line (or at the end when there is none),
    // putting "," at the end of the line that was last before it.
    void addLineBeforeClosing(const QString &text);
    // Appends the closing line again when a step left another line last.
    void restoreClosingLine();

    // Removes the final character of the last line (no effect on an empty line).
    void chopLastLine();
    // Shows a statement as the server stored it, from the first line on, one view line per line
    // (CR LF or LF), with ";" after its last line.
    void setStatement(const QString &statement);

    const QStringList &lines() const { return m_lines; }
    int count() const { return int(m_lines.size()); }
    // The lines joined with LF, each followed by LF (as written to stdout).
    QString text() const;

private:
    QStringList m_lines;
    bool m_closingLast = false;
};

} // namespace kelvoran::db

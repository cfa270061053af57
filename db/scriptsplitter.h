// Splits the text of an SQL script file into statements at semicolons outside comments.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// One statement of a script: the text sent to the database and the text shown to the user.
struct ScriptStatement {
    // Line ends inside the statement are the configured separator (LF or CR).
    QString executableText;
    // The same pieces with CR LF at the line ends.
    QString displayText;
};

// Splits script lines (line ends already removed) into statements. Block comments nest and
// are dropped, "--" comments run to the line end, a ";" inside a block comment does not split,
// blank statements are dropped and text after the last ";" is not a statement. Quotation marks
// are not recognised: a mark inside a string literal acts as a mark.
std::vector<ScriptStatement> splitScript(const QStringList &lines, const QString &separator);

// True for an empty text or one made only of blanks and control characters.
bool isBlankText(const QString &text);

} // namespace kelvoran

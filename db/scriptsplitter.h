// Splits the text of an SQL script file into statements, the way a person reads the script:
// at the statement delimiter outside comments and quoted text.
//
// What every kind of database gets:
//   - ";" ends a statement; the ";" itself is not sent. Blank statements are dropped, and text
//     after the last delimiter is not a statement.
//   - Block comments "/* */" nest and are dropped; "--" runs to the line end and is dropped; a
//     "*/" outside a comment is statement text. A comment that spans lines joins the text
//     around it without a line end.
//   - '...' strings (a doubled '' stays inside) and "..." names (a doubled "" stays inside) are
//     sent exactly as written, blank lines and spaces included; nothing inside them is a mark.
// What depends on the kind:
//   - MYSQL: `...` names; a backslash escapes the next character in '...' and "..."; a line
//     "DELIMITER xx" at the start of a statement makes xx the delimiter (as the mysql client
//     does) and is itself not sent.
//   - POSTGRE: dollar quoting $$...$$ and $tag$...$tag$; E'...' strings with backslash escapes.
//   - ORACLE: q'[...]' quoting; a line holding only "/" ends the current statement. A statement
//     that begins CREATE [OR REPLACE] [[NON]EDITIONABLE] PROCEDURE, FUNCTION, PACKAGE [BODY],
//     TRIGGER or TYPE [BODY], or DECLARE or BEGIN, is a PL/SQL block: its semicolons, the final
//     "END;" included, belong to it and it ends only at a "/" line (or at the end of the file).
// A quote still open at the end of the file is not sent; it becomes a statement that carries a
// split error, so the rest of the script is not lost without a word.
#pragma once

#include "db/dbkind.h"

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
    // Not empty when the text cannot be sent (a quote left open at the end of the file, a
    // DELIMITER line without a delimiter): the message to report in place of running it.
    QString splitError;
};

// Splits script lines (line ends already removed) into statements by the rules of the kind.
std::vector<ScriptStatement> splitScript(const QStringList &lines, const QString &separator,
                                         DbKind kind);

// True for an empty text or one made only of blanks and control characters.
bool isBlankText(const QString &text);

} // namespace kelvoran

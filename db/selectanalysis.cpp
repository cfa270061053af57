#include "db/selectanalysis.h"

namespace kelvoran {
namespace {

bool isWhitespace(QChar c) {
    // A null character stands for the line end, which ends a word like a blank.
    return c.isNull() || c == u' ' || c == u'\t' || c == QChar(0x3000);
}

bool isIdentifierChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

bool isWord(const QString &word, const char *keyword) {
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// A word whose last identifier is CASE (CASE alone, or "a+CASE" when operators joined it to
// the text before).
bool endsWithCaseWord(const QString &word) {
    if (word.size() < 4 || !isWord(word.right(4), "CASE"))
        return false;
    return word.size() == 4 || !isIdentifierChar(word.at(word.size() - 5));
}

// The identifier a word ends with ("DATE" of "d-DATE"), when it stands alone or after an
// operator that joined it to the text before; empty otherwise ("t.date", "x::date").
QString trailingIdentifier(const QString &word) {
    qsizetype start = word.size();
    while (start > 0 && isIdentifierChar(word.at(start - 1)))
        --start;
    if (start > 0 && !QStringLiteral("+-*/%|").contains(word.at(start - 1)))
        return QString();
    return word.mid(start);
}

// The type words of typed literals: DATE '2024-01-01', TIMESTAMP '...', INTERVAL '1' DAY.
enum class LiteralType { None, Plain, Interval };

LiteralType literalTypeOf(const QString &identifier) {
    if (isWord(identifier, "INTERVAL"))
        return LiteralType::Interval;
    for (const char *type : {"DATE", "TIME", "TIMESTAMP", "TIMESTAMPTZ", "TIMETZ"})
        if (isWord(identifier, type))
            return LiteralType::Plain;
    return LiteralType::None;
}

bool isUnsignedNumber(const QString &word) {
    bool digits = false;
    for (QChar c : word) {
        if (c.isDigit())
            digits = true;
        else if (c != u'.')
            return false;
    }
    return digits;
}

// A word that continues an interval literal: a unit with an optional precision ("DAY",
// "SECOND(3)", MySQL's "DAY_HOUR"), or TO between two units.
bool isIntervalUnit(const QString &word) {
    QString unit = word;
    if (unit.endsWith(u')')) {
        const qsizetype open = unit.lastIndexOf(u'(');
        if (open <= 0)
            return false;
        unit.truncate(open);
    }
    qsizetype start = unit.size();
    while (start > 0 && isIdentifierChar(unit.at(start - 1)))
        --start;
    if (start > 0 && unit.at(start - 1) != u' ')
        return false;
    unit = unit.mid(start);
    if (isWord(unit, "TO"))
        return unit.size() == word.size();
    static const char *const units[] = {"MICROSECOND", "SECOND", "MINUTE",  "HOUR", "DAY",
                                        "WEEK",        "MONTH",  "QUARTER", "YEAR"};
    const QStringList parts = unit.split(u'_');
    if (parts.size() > 2)
        return false;
    for (const QString &part : parts) {
        bool known = false;
        for (const char *name : units)
            known = known || isWord(part, name);
        if (!known)
            return false;
    }
    return true;
}

class Scanner {
public:
    Scanner(const QStringList &lines, bool oracleHints) : m_lines(lines), m_oracle(oracleHints) {}

    SelectAnalysis run();

private:
    enum class Hint { None, Inside, Closing, Closed };

    void character(QChar c, QChar prev, QChar next, QChar next2);
    void caseCharacter(QChar c, QChar prev, QChar next);
    void finishCaseToken();
    void closeCase();
    void comma();
    void endWord(QChar whitespace);
    void handleWord(const QString &word, TextPosition position, QChar whitespace);
    // The item text word written to the physical name: notes a type word of a typed literal.
    void noteLiteralType(const QString &word);
    // Joins word to the typed literal being read; false when it is not part of it.
    bool continueTypedLiteral(const QString &word);
    void append(QChar c);
    void clearWord() {
        m_word.clear();
        m_wordHasText = false;
    }
    void appendToCell(int column, const QString &text);
    void pullBack();
    const QString &physicalCell() const;
    void cutKeptLines();

    const QStringList &m_lines;
    bool m_oracle;
    SelectAnalysis m_r;

    // Where the current character is.
    int m_line = 0;
    int m_column = 0;

    bool m_inString = false;
    bool m_inName = false;
    bool m_inBlock = false;
    bool m_blockJustClosed = false;
    int m_blockStarLine = -1; // the "*" that opened the block comment
    int m_blockStarColumn = -1;
    bool m_inLineComment = false;
    int m_depth = 0;     // parentheses before FROM
    int m_fromDepth = 0; // parentheses after FROM (subqueries in FROM and WHERE)
    Hint m_hint = Hint::None;
    bool m_fromSeen = false;
    bool m_selectSeen = false;
    int m_op = 0;
    int m_row = 1;
    int m_cell = 1; // 1 physical name, 2 alias
    QString m_word;
    bool m_wordHasText = false; // the word buffer holds more than whitespace
    TextPosition m_wordStart;
    int m_wordCount = 0;
    bool m_anyCellWritten = false;
    bool m_stopped = false;

    // A typed literal being read: its type word ends the physical name, so the string after it
    // belongs there too (and, for INTERVAL, the unit words after the string) rather than being
    // taken for the alias.
    enum class Literal { None, TypeWord, IntervalWord, IntervalUnits };
    Literal m_literal = Literal::None;

    // An open CASE expression: its text so far, the nesting of CASE words, the parentheses
    // inside it and the identifier being read.
    bool m_caseOpen = false;
    QString m_caseText;
    int m_caseNesting = 0;
    int m_caseParens = 0;
    QString m_caseToken;
    TextPosition m_caseTokenStart;
};

const QString &Scanner::physicalCell() const {
    static const QString empty;
    const size_t index = static_cast<size_t>(m_row - 1);
    return index < m_r.items.size() ? m_r.items[index].physicalName : empty;
}

void Scanner::appendToCell(int column, const QString &text) {
    const size_t index = static_cast<size_t>(m_row - 1);
    if (m_r.items.size() <= index)
        m_r.items.resize(index + 1);
    (column == 1 ? m_r.items[index].physicalName : m_r.items[index].alias) += text;
    m_anyCellWritten = true;
}

// Puts the current row's physical name in front of the word buffer and empties the cell, so
// that an operator joins the text before it to the text after it.
void Scanner::pullBack() {
    const size_t index = static_cast<size_t>(m_row - 1);
    if (index >= m_r.items.size())
        return;
    // "INTERVAL '1' DAY(3)": the unit keeps its blank when its precision pulls the literal in.
    if (m_literal == Literal::IntervalUnits && !m_word.isEmpty() &&
        !m_r.items[index].physicalName.isEmpty())
        m_word.prepend(QLatin1Char(' '));
    m_word.prepend(m_r.items[index].physicalName);
    m_wordHasText = m_wordHasText || !m_r.items[index].physicalName.isEmpty();
    m_r.items[index].physicalName.clear();
}

void Scanner::append(QChar c) {
    if (c.isNull())
        return;
    if (!m_wordHasText && !isWhitespace(c)) {
        m_wordStart = TextPosition{m_line, m_column};
        m_wordHasText = true;
    }
    m_word += c;
}

SelectAnalysis Scanner::run() {
    QChar prev;
    for (m_line = 0; m_line < m_lines.size() && !m_stopped; ++m_line) {
        const QString &text = m_lines.at(m_line);
        m_inLineComment = false;
        const int length = static_cast<int>(text.size());
        for (m_column = 0; m_column <= length && !m_stopped; ++m_column) {
            const QChar c = m_column < length ? text.at(m_column) : QChar();
            const QChar next = m_column + 1 < length ? text.at(m_column + 1) : QChar();
            const QChar next2 = m_column + 2 < length ? text.at(m_column + 2) : QChar();
            if (m_caseOpen)
                caseCharacter(c, prev, next);
            else
                character(c, prev, next, next2);
            prev = c;
        }
    }
    // An unterminated CASE keeps its text rather than losing it.
    if (m_caseOpen && !m_stopped && !m_fromSeen) {
        finishCaseToken();
        if (m_caseOpen)
            closeCase();
    }

    if (m_r.statementKind != StatementKind::ProcedureCall &&
        m_r.statementKind != StatementKind::Show) {
        if (m_selectSeen && m_fromSeen) {
            m_r.statementKind = StatementKind::Query;
            cutKeptLines();
        } else {
            m_r.statementKind = StatementKind::Other;
        }
    }
    return m_r;
}

void Scanner::character(QChar c, QChar prev, QChar next, QChar next2) {
    // Grouping rules.
    if (m_blockJustClosed) {
        m_inBlock = false;
        m_blockJustClosed = false;
    }
    if (m_hint == Hint::Inside && prev == u'*' && c == u'/')
        m_hint = Hint::Closing;

    if (m_hint == Hint::None) {
        const bool quoted = m_inString || m_inName;
        const bool comment = m_inBlock || m_inLineComment;
        if (!quoted && !comment && (c == u'(' || c == u')')) {
            // A FROM written straight against its parenthesis still ends the select list.
            if (!m_fromSeen && c == u'(' && m_depth == 0 && m_word.size() < 16 &&
                isWord(m_word.trimmed(), "FROM"))
                endWord(QChar());
            if (!m_fromSeen) {
                if (c == u'(') {
                    ++m_depth;
                    m_cell = 1;
                    pullBack();
                } else if (m_depth > 0) {
                    --m_depth;
                }
            } else {
                // After FROM only the words matter: a parenthesis ends one, and the words of a
                // subquery are not the statement's.
                endWord(QChar());
                if (c == u'(')
                    ++m_fromDepth;
                else if (m_fromDepth > 0)
                    --m_fromDepth;
                return;
            }
        }
        if (!comment) {
            if (c == u'\'' && !m_inName)
                m_inString = !m_inString;
            else if (c == u'"' && !m_inString)
                m_inName = !m_inName;
        }
        if (c == u'/' && !m_inString && !m_inName && !m_inLineComment) {
            if (m_oracle && !m_inBlock && !m_anyCellWritten && next == u'*' && next2 == u'+') {
                m_hint = Hint::Inside;
            } else if (next == u'*' && !m_inBlock) {
                m_inBlock = true;
                m_blockStarLine = m_line;
                m_blockStarColumn = m_column + 1;
            } else if (prev == u'*' && m_inBlock &&
                       !(m_blockStarLine == m_line && m_blockStarColumn == m_column - 1)) {
                m_blockJustClosed = true;
            } else if (!m_inBlock && !m_fromSeen && !physicalCell().isEmpty()) {
                m_op = 1;
                m_cell = 1;
                pullBack();
            }
        }
        if (c == u'-' && !m_inString && !m_inName && !m_inBlock && !m_inLineComment) {
            if (next == u'-') {
                m_inLineComment = true;
            } else if (m_depth == 0 && !m_fromSeen) {
                m_op = 1;
                m_cell = 1;
                pullBack();
            }
        }
        if (m_depth == 0 && !m_inString && !m_inName && !m_inBlock && !m_inLineComment &&
            !m_fromSeen) {
            if (c == u'+' || c == u'*' || c == u'%') {
                if (!physicalCell().isEmpty()) {
                    m_op = 1;
                    m_cell = 1;
                    pullBack();
                } else if (c == u'+') {
                    m_op = 1;
                    m_cell = 1;
                }
            } else if (c == u'|') {
                if (next == u'|') {
                    m_op = 3;
                    m_cell = 1;
                    pullBack();
                } else if (prev == u'|') {
                    m_op = 4;
                } else {
                    m_op = 0;
                }
            } else if (c == u':') {
                // PostgreSQL's cast operator joins like "||": x :: numeric gives x::numeric.
                if (next == u':') {
                    m_op = 3;
                    m_cell = 1;
                    pullBack();
                } else if (prev == u':') {
                    m_op = 4;
                }
            }
        }
    }

    // What happens to the character.
    if (m_hint == Hint::Inside || m_hint == Hint::Closing) {
        // A hint over several lines keeps a blank where a line ended.
        append(c.isNull() ? QChar(u' ') : c);
        if (m_hint == Hint::Closing)
            m_hint = Hint::Closed;
        return;
    }
    if (m_inString || m_inName) {
        append(c);
        return;
    }
    if (m_inBlock || m_inLineComment)
        return;
    if (m_depth > 0) {
        // A line end inside parentheses keeps the words apart.
        append(c.isNull() ? QChar(u' ') : c);
        return;
    }
    if (m_hint == Hint::Closed) {
        // The blank after "*/" goes with the hint into the head; a word written straight
        // after it is not swallowed but read as usual.
        const bool blank = isWhitespace(c);
        if (blank)
            append(c);
        m_r.selectHead += QLatin1Char(' ') + m_word + QLatin1Char(' ');
        clearWord();
        m_hint = Hint::None;
        if (!blank)
            character(c, prev, next, next2);
        return;
    }
    if (c == u',') {
        comma();
        return;
    }
    if (!isWhitespace(c)) {
        switch (m_op) {
        case 1:
            append(c);
            m_op = 2;
            break;
        case 2:
            m_cell = 1;
            append(c);
            m_op = 0;
            break;
        case 3:
            append(c);
            break;
        case 4:
            append(c);
            m_op = 5;
            break;
        case 5:
            m_cell = 1;
            pullBack();
            append(c);
            m_op = 0;
            break;
        default:
            append(c);
            break;
        }
        return;
    }
    endWord(c);
}

void Scanner::comma() {
    if (m_caseOpen) {
        m_word += m_caseText.trimmed();
        m_caseText.clear();
        m_caseOpen = false;
        m_cell = 1;
    }
    if (!m_fromSeen && !m_word.isEmpty() && !continueTypedLiteral(m_word.trimmed()))
        appendToCell(m_op != 0 ? 1 : m_cell, m_word);
    clearWord();
    m_literal = Literal::None;
    ++m_row;
    m_cell = 1;
    m_op = 0;
    m_caseNesting = 0;
    m_caseParens = 0;
    m_caseToken.clear();
}

void Scanner::endWord(QChar whitespace) {
    const QString word = m_word.trimmed();
    clearWord();
    if (word.isEmpty())
        return;
    handleWord(word, m_wordStart, whitespace);
}

void Scanner::handleWord(const QString &word, TextPosition position, QChar whitespace) {
    ++m_wordCount;
    if (m_wordCount == 1) {
        if (isWord(word, "EXEC") || isWord(word, "EXECUTE")) {
            m_r.statementKind = StatementKind::ProcedureCall;
            m_r.selectHead = word + QLatin1Char(' ');
            m_stopped = true;
        } else if (isWord(word, "SHOW")) {
            m_r.statementKind = StatementKind::Show;
            m_r.selectHead = word + QLatin1Char(' ');
            m_stopped = true;
        } else if (isWord(word, "SELECT")) {
            m_r.selectHead = word + QLatin1Char(' ');
            m_r.selectPosition = position;
            m_selectSeen = true;
        }
        return;
    }
    if (m_wordCount == 2 && (isWord(word, "ALL") || isWord(word, "DISTINCT"))) {
        m_r.selectHead += QLatin1Char(' ') + word + QLatin1Char(' ');
        return;
    }
    if (isWord(word, "FROM")) {
        if (!m_fromSeen) {
            m_fromSeen = true;
            m_r.fromPosition = position;
        }
        return;
    }
    if (isWord(word, "WHERE")) {
        // The statement's own WHERE: the first one after FROM outside parentheses.
        if (m_fromSeen && m_fromDepth == 0 && !m_r.wherePosition.found())
            m_r.wherePosition = position;
        return;
    }
    if (isWord(word, "AS")) {
        m_literal = Literal::None;
        return;
    }
    if (isWord(word, "UNION") || isWord(word, "EXCEPT") || isWord(word, "MINUS") ||
        isWord(word, "INTERSECT")) {
        if (m_fromDepth == 0)
            m_stopped = true;
        return;
    }
    if (m_fromSeen)
        return;
    if (continueTypedLiteral(word))
        return;

    if (endsWithCaseWord(word)) {
        m_caseOpen = true;
        m_caseNesting = 1;
        m_caseParens = 0;
        m_caseToken.clear();
        m_caseText = word + (whitespace.isNull() ? QChar(u' ') : whitespace);
        m_op = 0;
        return;
    }
    const int cell = m_op != 0 ? 1 : m_cell;
    appendToCell(cell, word);
    m_cell = m_cell == 1 ? 2 : 1;
    if (cell == 1)
        noteLiteralType(word);
}

void Scanner::noteLiteralType(const QString &word) {
    switch (literalTypeOf(trailingIdentifier(word))) {
    case LiteralType::Plain:
        m_literal = Literal::TypeWord;
        break;
    case LiteralType::Interval:
        m_literal = Literal::IntervalWord;
        break;
    case LiteralType::None:
        m_literal = Literal::None;
        break;
    }
}

bool Scanner::continueTypedLiteral(const QString &word) {
    const Literal literal = m_literal;
    m_literal = Literal::None;
    switch (literal) {
    case Literal::None:
        return false;
    case Literal::TypeWord:
    case Literal::IntervalWord:
        // MySQL writes an interval's quantity as a number: INTERVAL 1 DAY.
        if (!word.startsWith(u'\'') &&
            !(literal == Literal::IntervalWord && isUnsignedNumber(word)))
            return false;
        appendToCell(1, QLatin1Char(' ') + word);
        if (literal == Literal::IntervalWord)
            m_literal = Literal::IntervalUnits;
        break;
    case Literal::IntervalUnits:
        if (!isIntervalUnit(word))
            return false;
        // A unit with a precision arrives with the literal pulled back in front of it.
        appendToCell(1, physicalCell().isEmpty() ? word : QLatin1Char(' ') + word);
        m_literal = Literal::IntervalUnits;
        break;
    }
    m_cell = 2;
    m_op = 0;
    return true;
}

// Inside a CASE expression the text is kept as written (a line end becomes one blank, comments
// are dropped) until its own END: nested CASE ... END pairs, parentheses and operators inside
// it do not split or reorder it.
void Scanner::caseCharacter(QChar c, QChar prev, QChar next) {
    if (m_blockJustClosed) {
        m_inBlock = false;
        m_blockJustClosed = false;
    }
    if (m_inBlock) {
        if (c == u'/' && prev == u'*' &&
            !(m_blockStarLine == m_line && m_blockStarColumn == m_column - 1))
            m_blockJustClosed = true;
        return;
    }
    if (m_inLineComment)
        return;
    if (m_inString || m_inName) {
        if (!c.isNull())
            m_caseText += c;
        if ((m_inString && c == u'\'') || (m_inName && c == u'"'))
            m_inString = m_inName = false;
        return;
    }
    if (isIdentifierChar(c)) {
        if (m_caseToken.isEmpty())
            m_caseTokenStart = TextPosition{m_line, m_column};
        m_caseToken += c;
        m_caseText += c;
        return;
    }
    finishCaseToken();
    if (!m_caseOpen) {
        // The CASE closed at the identifier just read; this character is read as usual.
        character(c, prev, next,
                  m_column + 2 < m_lines.at(m_line).size() ? m_lines.at(m_line).at(m_column + 2)
                                                           : QChar());
        return;
    }
    if (c == u'/' && next == u'*') {
        m_inBlock = true;
        m_blockStarLine = m_line;
        m_blockStarColumn = m_column + 1;
        return;
    }
    if (c == u'-' && next == u'-') {
        m_inLineComment = true;
        return;
    }
    if (c == u',' && m_caseParens == 0) {
        comma();
        return;
    }
    if (c == u'\'')
        m_inString = true;
    else if (c == u'"')
        m_inName = true;
    else if (c == u'(')
        ++m_caseParens;
    else if (c == u')' && m_caseParens > 0)
        --m_caseParens;
    m_caseText += c.isNull() ? QChar(u' ') : c;
}

void Scanner::finishCaseToken() {
    if (m_caseToken.isEmpty())
        return;
    const QString token = m_caseToken;
    m_caseToken.clear();
    if (isWord(token, "CASE")) {
        ++m_caseNesting;
    } else if (isWord(token, "END")) {
        if (--m_caseNesting == 0)
            closeCase();
    } else if (isWord(token, "FROM") && m_caseParens == 0) {
        // A CASE without its END: keep what it has and let FROM end the select list.
        m_caseText.chop(token.size());
        closeCase();
        handleWord(token, m_caseTokenStart, QChar());
    }
}

void Scanner::closeCase() {
    m_caseOpen = false;
    appendToCell(1, m_caseText.trimmed() + QLatin1Char(' '));
    m_caseText.clear();
    m_caseNesting = 0;
    m_caseParens = 0;
    m_cell = 2;
}

void Scanner::cutKeptLines() {
    const TextPosition sel = m_r.selectPosition;
    const TextPosition from = m_r.fromPosition;
    const TextPosition where = m_r.wherePosition;
    const QString &fromLine = m_lines.at(from.line);

    if (sel.line == from.line) {
        m_r.selectLines << fromLine.mid(sel.column, from.column - sel.column).trimmed();
    } else {
        m_r.selectLines << m_lines.at(sel.line).mid(sel.column).trimmed();
        for (int i = sel.line + 1; i < from.line; ++i)
            m_r.selectLines << m_lines.at(i);
        m_r.selectLines << fromLine.left(from.column);
    }

    if (!where.found()) {
        m_r.fromLines << fromLine.mid(from.column).trimmed();
        for (int i = from.line + 1; i < m_lines.size(); ++i)
            m_r.fromLines << m_lines.at(i);
        return;
    }
    const QString &whereLine = m_lines.at(where.line);
    if (where.line == from.line) {
        m_r.fromLines << fromLine.mid(from.column, where.column - from.column).trimmed();
    } else {
        m_r.fromLines << fromLine.mid(from.column).trimmed();
        for (int i = from.line + 1; i < where.line; ++i)
            m_r.fromLines << m_lines.at(i);
        m_r.fromLines << whereLine.left(where.column).trimmed();
    }
    m_r.whereLines << whereLine.mid(where.column).trimmed();
    for (int i = where.line + 1; i < m_lines.size(); ++i)
        m_r.whereLines << m_lines.at(i);
}

} // namespace

SelectAnalysis AnalyzeSelect(const QStringList &lines, bool oracleHints) {
    return Scanner(lines, oracleHints).run();
}

void StripAliasQuotes(std::vector<SelectItem> &items) {
    for (SelectItem &item : items) {
        if (item.alias.endsWith(u'"'))
            item.alias.chop(1);
        if (item.alias.startsWith(u'"'))
            item.alias.remove(0, 1);
    }
}

} // namespace kelvoran

#include "db/scriptsplitter.h"

#include <QRegularExpression>

namespace kelvoran {

bool isBlankText(const QString &text) {
    for (const QChar c : text) {
        if (c.unicode() > u' ')
            return false;
    }
    return true;
}

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Letters, digits, "_" and "$": a quote prefix or a "$" that follows one of these is part of a
// name, not the start of quoted text.
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Quoted text being read: the mark that opened it, the mark that closes it and how its content
// keeps a closing mark inside.
struct Quote {
    QString opening;
    QString closing;
    bool doubledClosingStays = false; // '' inside '...'
    bool backslashEscapes = false;    // \' inside '...'

    bool isOpen() const { return !closing.isEmpty(); }
};

// The statement being collected, the comment depth, the open quote and the delimiter, kept
// across lines.
class Splitter {
public:
    Splitter(const QString &separator, DbKind kind) : m_separator(separator), m_kind(kind) {}

    void scanLine(const QString &line) {
        m_lineEnd = false;
        m_rawTextOnLine = false;
        if (!m_quote.isOpen() && m_depth <= 0) {
            if (m_kind == DbKind::Oracle && line.trimmed() == u"/") {
                endAtSlashLine();
                return;
            }
            if (m_kind == DbKind::MySql && isBlankText(m_current.executableText) &&
                takeDelimiterCommand(line))
                return;
        }
        int pos = 0;
        if (m_quote.isOpen()) {
            pos = readQuote(line, 0);
            if (pos < 0)
                return;
        }
        for (;;) {
            const Mark mark = firstMark(line, pos);
            const QString piece = line.mid(pos, (mark.at < 0 ? line.size() : mark.at) - pos);
            if (mark.at < 0) {
                // No mark: the rest of the line, with its line end.
                m_lineEnd = true;
                if (m_depth <= 0)
                    take(piece);
                return;
            }
            switch (mark.kind) {
            case Delimiter:
                if (m_depth <= 0) {
                    take(piece);
                    if (m_kind == DbKind::Oracle && (m_plsqlBlock || startsPlsqlBlock())) {
                        // Inside a PL/SQL block a ";" is the block's own text.
                        m_plsqlBlock = true;
                        appendRaw(m_delimiter);
                    } else {
                        endStatement();
                    }
                }
                break;
            case CommentOpen:
                if (m_depth == 0) {
                    if (!isBlankText(piece))
                        take(piece);
                    m_depth = 1;
                } else {
                    ++m_depth;
                    if (m_depth <= 0)
                        take(piece);
                }
                break;
            case CommentClose:
                if (m_depth > 0) {
                    --m_depth;
                } else {
                    // An unmatched "*/" is statement text.
                    --m_depth;
                    take(piece + QStringLiteral("*/"));
                }
                break;
            case LineComment:
                if (m_depth <= 0) {
                    // A line that holds only a comment adds no line end; one that holds a
                    // quote or a block's ";" before the comment keeps it.
                    m_lineEnd = true;
                    if (!isBlankText(piece) || m_rawTextOnLine)
                        take(piece);
                    return;
                }
                break;
            case QuoteOpen:
                // Text next to a quote is sent as written: dropping a blank between two
                // literals would join them into one.
                appendRaw(piece + mark.quote.opening);
                m_quote = mark.quote;
                pos = readQuote(line, mark.at + mark.length);
                if (pos < 0)
                    return;
                continue;
            }
            pos = mark.at + mark.length;
        }
    }

    std::vector<ScriptStatement> finish() {
        if (m_quote.isOpen()) {
            ScriptStatement open = trimmedAtEnd(m_current);
            open.splitError = QStringLiteral("%1 で始まる引用が閉じられないままファイルが終わり"
                                             "ました。この文は実行していません。")
                                  .arg(m_quote.opening);
            m_statements.push_back(open);
        } else if (m_plsqlBlock && !isBlankText(m_current.executableText)) {
            // A block whose "/" line is missing at the end of the file is still complete.
            m_statements.push_back(trimmedAtEnd(m_current));
        }
        return std::move(m_statements);
    }

private:
    enum Kind { Delimiter, CommentOpen, CommentClose, LineComment, QuoteOpen };
    struct Mark {
        int at = -1;
        int length = 0;
        Kind kind = Delimiter;
        Quote quote;
    };

    // The first mark at or after from. Quotes open only where text is taken (outside comments).
    Mark firstMark(const QString &line, int from) const {
        const QStringView view(line);
        for (int i = from; i < line.size(); ++i) {
            const QStringView rest = view.mid(i);
            if (rest.startsWith(m_delimiter))
                return {i, int(m_delimiter.size()), Delimiter, {}};
            if (rest.startsWith(u"/*"))
                return {i, 2, CommentOpen, {}};
            if (rest.startsWith(u"*/"))
                return {i, 2, CommentClose, {}};
            if (rest.startsWith(u"--"))
                return {i, 2, LineComment, {}};
            if (m_depth <= 0) {
                const Quote quote = quoteOpeningAt(line, i);
                if (quote.isOpen())
                    return {i, int(quote.opening.size()), QuoteOpen, quote};
            }
        }
        return {};
    }

    // The quote that opens at i by the rules of the kind, or a closed one.
    Quote quoteOpeningAt(const QString &line, int i) const {
        const QChar c = line[i];
        const QChar next = i + 1 < line.size() ? line[i + 1] : QChar();
        const bool afterName = i > 0 && isNameChar(line[i - 1]);
        const bool mySql = m_kind == DbKind::MySql;
        if (c == u'\'')
            return {QString(c), QString(c), true, mySql};
        if (c == u'"')
            return {QString(c), QString(c), true, mySql};
        if (c == u'`' && mySql)
            return {QString(c), QString(c), true, false};
        if (m_kind == DbKind::Postgre && !afterName) {
            if ((c == u'E' || c == u'e') && next == u'\'')
                return {line.mid(i, 2), QStringLiteral("'"), true, true};
            if (c == u'$')
                return dollarQuoteAt(line, i);
        }
        if (m_kind == DbKind::Oracle && (c == u'q' || c == u'Q') && next == u'\'' &&
            i + 2 < line.size() && !line[i + 2].isSpace()) {
            // q'[...]' and nq'[...]'
            const bool national = i > 0 && (line[i - 1] == u'n' || line[i - 1] == u'N') &&
                                  !(i > 1 && isNameChar(line[i - 2]));
            if (!afterName || national)
                return {line.mid(i, 3), QString(closingOf(line[i + 2])) + u'\'', false, false};
        }
        return {};
    }

    // $$ or $tag$ where the tag is a name that does not start with a digit ($1 is a parameter).
    static Quote dollarQuoteAt(const QString &line, int i) {
        int j = i + 1;
        if (j < line.size() && (line[j].isLetter() || line[j] == u'_')) {
            while (j < line.size() && (line[j].isLetterOrNumber() || line[j] == u'_'))
                ++j;
        }
        if (j >= line.size() || line[j] != u'$')
            return {};
        const QString tag = line.mid(i, j - i + 1);
        return {tag, tag, false, false};
    }

    static QChar closingOf(QChar open) {
        switch (open.unicode()) {
        case u'[':
            return u']';
        case u'{':
            return u'}';
        case u'<':
            return u'>';
        case u'(':
            return u')';
        default:
            return open;
        }
    }

    // Takes the open quote's text from from: returns the position after its closing mark, or
    // -1 when the quote goes on past the line (the line end is then part of it).
    int readQuote(const QString &line, int from) {
        const QStringView view(line);
        for (int i = from; i < line.size();) {
            if (m_quote.backslashEscapes && line[i] == u'\\') {
                i += 2;
                continue;
            }
            if (view.mid(i).startsWith(m_quote.closing)) {
                if (m_quote.doubledClosingStays && i + 1 < line.size() &&
                    line[i + 1] == m_quote.closing[0]) {
                    i += 2;
                    continue;
                }
                const int end = i + int(m_quote.closing.size());
                appendRaw(line.mid(from, end - from));
                m_quote = Quote();
                return end;
            }
            ++i;
        }
        appendRaw(line.mid(from));
        m_current.executableText += m_separator;
        m_current.displayText += kCrLf;
        return -1;
    }

    // A "DELIMITER xx" line makes xx the delimiter; the line itself is not a statement.
    bool takeDelimiterCommand(const QString &line) {
        static const QRegularExpression command(QStringLiteral(R"(^\s*delimiter(?:\s+(\S+)|\s*$))"),
                                                QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = command.match(line);
        if (!match.hasMatch())
            return false;
        const QString delimiter = match.captured(1);
        if (delimiter.isEmpty()) {
            const QString text = line.trimmed();
            m_statements.push_back(
                {text, text,
                 QStringLiteral(
                     "DELIMITER の後に区切り文字がありません。区切り文字は変わっていません。")});
        } else {
            m_delimiter = delimiter;
        }
        return true;
    }

    // The statement so far begins a PL/SQL unit or an anonymous block.
    bool startsPlsqlBlock() const {
        static const QRegularExpression head(
            QStringLiteral(
                R"(^\s*(?:CREATE\s+(?:OR\s+REPLACE\s+)?(?:(?:NON)?EDITIONABLE\s+)?)"
                R"((?:PROCEDURE|FUNCTION|PACKAGE|TRIGGER|TYPE)|DECLARE|BEGIN)(?![\w$#]))"),
            QRegularExpression::CaseInsensitiveOption);
        return head.match(m_current.executableText).hasMatch();
    }

    void appendRaw(const QString &text) {
        m_current.executableText += text;
        m_current.displayText += text;
        m_rawTextOnLine = true;
    }

    void take(const QString &piece) {
        if (!isBlankText(piece)) {
            appendRaw(piece);
            if (m_lineEnd) {
                m_current.executableText += m_separator;
                m_current.displayText += kCrLf;
                m_lineEnd = false;
            }
        } else if (m_lineEnd) {
            if (!isBlankText(m_current.executableText)) {
                m_current.executableText += m_separator;
                m_current.displayText += kCrLf;
            }
            m_lineEnd = false;
        }
    }

    static ScriptStatement trimmedAtEnd(ScriptStatement statement) {
        auto chop = [](QString &text) {
            qsizetype end = text.size();
            while (end > 0 && text[end - 1].unicode() <= u' ')
                --end;
            text.truncate(end);
        };
        chop(statement.executableText);
        chop(statement.displayText);
        return statement;
    }

    void endStatement() {
        if (!isBlankText(m_current.executableText))
            m_statements.push_back(m_current);
        resetStatement();
    }

    // A "/" line ends whatever statement is open; after a statement that already ended it
    // runs nothing (instead of running that statement again).
    void endAtSlashLine() {
        if (!isBlankText(m_current.executableText))
            m_statements.push_back(trimmedAtEnd(m_current));
        resetStatement();
    }

    void resetStatement() {
        m_current = ScriptStatement();
        m_depth = 0;
        m_plsqlBlock = false;
        m_rawTextOnLine = false;
    }

    QString m_separator;
    DbKind m_kind;
    QString m_delimiter = QStringLiteral(";");
    ScriptStatement m_current;
    std::vector<ScriptStatement> m_statements;
    Quote m_quote;
    int m_depth = 0;
    bool m_lineEnd = false;
    bool m_plsqlBlock = false;
    bool m_rawTextOnLine = false; // quoted text or a block's ";" was taken on this line
};

} // namespace

std::vector<ScriptStatement> splitScript(const QStringList &lines, const QString &separator,
                                         DbKind kind) {
    Splitter splitter(separator, kind);
    for (const QString &line : lines)
        splitter.scanLine(line);
    return splitter.finish();
}

} // namespace kelvoran

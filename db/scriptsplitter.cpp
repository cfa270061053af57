#include "db/scriptsplitter.h"

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

// The statement being collected and the comment depth, kept across lines.
class Splitter {
public:
    explicit Splitter(const QString &separator) : m_separator(separator) {}

    void scanLine(const QString &line) {
        int pos = 0;
        m_lineEnd = false;
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
            case Semicolon:
                if (m_depth <= 0) {
                    take(piece);
                    endStatement();
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
                    m_lineEnd = true;
                    if (!isBlankText(piece))
                        take(piece);
                    return;
                }
                break;
            }
            pos = mark.at + (mark.kind == Semicolon ? 1 : 2);
        }
    }

    std::vector<ScriptStatement> takeStatements() { return std::move(m_statements); }

private:
    enum Kind { Semicolon, CommentOpen, CommentClose, LineComment };
    struct Mark {
        int at = -1;
        Kind kind = Semicolon;
    };

    static Mark firstMark(const QString &line, int from) {
        static const QString marks[] = {QStringLiteral(";"), QStringLiteral("/*"),
                                        QStringLiteral("*/"), QStringLiteral("--")};
        Mark best;
        for (int k = 0; k < 4; ++k) {
            const int at = int(line.indexOf(marks[k], from));
            if (at >= 0 && (best.at < 0 || at < best.at)) {
                best.at = at;
                best.kind = Kind(k);
            }
        }
        return best;
    }

    void take(const QString &piece) {
        if (!isBlankText(piece)) {
            m_current.executableText += piece;
            m_current.displayText += piece;
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

    void endStatement() {
        if (!isBlankText(m_current.executableText))
            m_statements.push_back(m_current);
        m_current = ScriptStatement();
        m_depth = 0;
    }

    QString m_separator;
    ScriptStatement m_current;
    std::vector<ScriptStatement> m_statements;
    int m_depth = 0;
    bool m_lineEnd = false;
};

} // namespace

std::vector<ScriptStatement> splitScript(const QStringList &lines, const QString &separator) {
    Splitter splitter(separator);
    for (const QString &line : lines)
        splitter.scanLine(line);
    return splitter.takeStatements();
}

} // namespace kelvoran

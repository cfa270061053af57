#include "editor/texteditor.h"

#include "core/appsettings.h"

#include <QFontDatabase>
#include <QPainter>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextBlock>

namespace kelvoran {

QColor colorFromBgr(int value, bool background) {
    if (value == kNoColour)
        return background ? QColor(Qt::white) : QColor(Qt::black);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int bgrOfColor(const QColor &c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

// Line numbers at the left edge.
class TextEditor::Gutter : public QWidget {
public:
    explicit Gutter(TextEditor *editor) : QWidget(editor), m_editor(editor) {}

protected:
    void paintEvent(QPaintEvent *event) override { m_editor->paintGutter(event); }

private:
    TextEditor *m_editor;
};

// The strip above the text; its owner paints it through paintTopMargin().
class TextEditor::TopMargin : public QWidget {
public:
    explicit TopMargin(TextEditor *editor) : QWidget(editor), m_editor(editor) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(rect(), m_editor->palette().color(QPalette::Window));
        emit m_editor->paintTopMargin(&p, rect());
    }

private:
    TextEditor *m_editor;
};

namespace {

// SQL keywords, quoted texts and comments.
class SqlHighlighter : public QSyntaxHighlighter {
public:
    explicit SqlHighlighter(QTextDocument *doc) : QSyntaxHighlighter(doc) {
        m_keyword.setForeground(QColor(0, 0, 160));
        m_keyword.setFontWeight(QFont::Bold);
        m_text.setForeground(QColor(160, 0, 0));
        m_comment.setForeground(QColor(0, 128, 0));
        m_words = QRegularExpression(
            QStringLiteral("\\b(SELECT|FROM|WHERE|AND|OR|NOT|IN|IS|NULL|AS|ORDER|GROUP|BY|HAVING|"
                           "INSERT|INTO|VALUES|UPDATE|SET|DELETE|CREATE|ALTER|DROP|TABLE|VIEW|"
                           "INDEX|JOIN|LEFT|RIGHT|INNER|OUTER|ON|UNION|ALL|DISTINCT|CASE|WHEN|THEN|"
                           "ELSE|END|BEGIN|DECLARE|PROCEDURE|FUNCTION|PACKAGE|BODY|RETURN|EXEC|"
                           "EXECUTE|COMMIT|ROLLBACK|LIKE|BETWEEN|EXISTS|SHOW)\\b"),
            QRegularExpression::CaseInsensitiveOption);
    }

protected:
    void highlightBlock(const QString &text) override {
        for (auto it = m_words.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            setFormat(static_cast<int>(m.capturedStart()), static_cast<int>(m.capturedLength()),
                      m_keyword);
        }
        // Quotes and comments, left to right; block comments may span lines.
        int i = 0;
        setCurrentBlockState(0);
        bool inComment = previousBlockState() == 1;
        const int n = static_cast<int>(text.size());
        int start = 0;
        while (i < n) {
            if (inComment) {
                const int end = static_cast<int>(text.indexOf(QStringLiteral("*/"), i));
                const int stop = end < 0 ? n : end + 2;
                setFormat(start, stop - start, m_comment);
                if (end < 0) {
                    setCurrentBlockState(1);
                    return;
                }
                inComment = false;
                i = stop;
                continue;
            }
            const QChar c = text[i];
            if (c == u'-' && i + 1 < n && text[i + 1] == u'-') {
                setFormat(i, n - i, m_comment);
                return;
            }
            if (c == u'/' && i + 1 < n && text[i + 1] == u'*') {
                inComment = true;
                start = i;
                i += 2;
                continue;
            }
            if (c == u'\'') {
                const int end = static_cast<int>(text.indexOf(u'\'', i + 1));
                const int stop = end < 0 ? n : end + 1;
                setFormat(i, stop - i, m_text);
                i = stop;
                continue;
            }
            ++i;
        }
    }

private:
    QRegularExpression m_words;
    QTextCharFormat m_keyword, m_text, m_comment;
};

} // namespace

TextEditor::TextEditor(QWidget *parent)
    : QPlainTextEdit(parent), m_gutter(new Gutter(this)), m_top(new TopMargin(this)) {
    setFont(editorFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabWidth(4);
    m_gutter->hide();
    m_top->hide();
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { updateMargins(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
}

TextEditor::~TextEditor() = default;

QFont TextEditor::editorFont() {
    if (QFontDatabase::families().contains(QStringLiteral("FixedSys"), Qt::CaseInsensitive)) {
        QFont f(QStringLiteral("FixedSys"));
        f.setStyleHint(QFont::Monospace);
        return f;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QStringList TextEditor::lines() const {
    QStringList out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    // An empty document holds no line rather than one empty line.
    if (out.size() == 1 && out.front().isEmpty())
        out.clear();
    return out;
}

void TextEditor::setLines(const QStringList &lines) {
    setPlainText(lines.join(u'\n'));
}

QString TextEditor::textCrLf() const {
    return lines().join(QStringLiteral("\r\n"));
}

void TextEditor::setWordWrap(bool on) {
    setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

bool TextEditor::wordWrap() const {
    return lineWrapMode() != QPlainTextEdit::NoWrap;
}

void TextEditor::setTabWidth(int characters) {
    m_tabWidth = characters > 0 ? characters : 1;
    setTabStopDistance(fontMetrics().horizontalAdvance(u' ') * m_tabWidth);
}

void TextEditor::setColors(const QColor &background, const QColor &text) {
    QPalette p = palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, text);
    setPalette(p);
    viewport()->update();
}

QColor TextEditor::backgroundColor() const {
    return palette().color(QPalette::Base);
}
QColor TextEditor::textColor() const {
    return palette().color(QPalette::Text);
}

int TextEditor::caretLine() const {
    return textCursor().blockNumber() + 1;
}
int TextEditor::caretColumn() const {
    return textCursor().positionInBlock() + 1;
}

void TextEditor::setCaret(int line, int column) {
    QTextBlock b = document()->findBlockByNumber(std::max(0, line - 1));
    if (!b.isValid())
        b = document()->lastBlock();
    QTextCursor c(b);
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                   std::min(std::max(0, column - 1), static_cast<int>(b.text().size())));
    setTextCursor(c);
}

bool TextEditor::canUndo() const {
    return document()->isUndoAvailable();
}
bool TextEditor::canRedo() const {
    return document()->isRedoAvailable();
}
bool TextEditor::isModified() const {
    return document()->isModified();
}
void TextEditor::setModified(bool modified) {
    document()->setModified(modified);
}

void TextEditor::clearSelection() {
    if (!isReadOnly())
        textCursor().removeSelectedText();
}

void TextEditor::setShowLineEndMarks(bool on) {
    m_lineEndMarks = on;
    viewport()->update();
}

void TextEditor::setShowEofMark(bool on) {
    m_eofMark = on;
    viewport()->update();
}

void TextEditor::setShowLineNumbers(bool on) {
    m_lineNumbers = on;
    m_gutter->setVisible(on);
    updateMargins();
}

void TextEditor::setTopMargin(int pixels) {
    m_topMargin = std::max(0, pixels);
    m_top->setVisible(m_topMargin > 0);
    updateMargins();
}

void TextEditor::setSqlHighlighting(bool on) {
    if (on && !m_highlighter)
        m_highlighter = new SqlHighlighter(document());
    else if (!on && m_highlighter) {
        delete m_highlighter;
        m_highlighter = nullptr;
    }
}

int TextEditor::gutterWidth() const {
    if (!m_lineNumbers)
        return 0;
    const int digits = static_cast<int>(QString::number(std::max(1, blockCount())).size());
    return 8 + fontMetrics().horizontalAdvance(u'9') * std::max(3, digits);
}

void TextEditor::updateMargins() {
    setViewportMargins(gutterWidth(), m_topMargin, 0, 0);
    const QRect cr = contentsRect();
    m_gutter->setGeometry(cr.left(), cr.top() + m_topMargin, gutterWidth(),
                          cr.height() - m_topMargin);
    m_top->setGeometry(cr.left(), cr.top(), cr.width(), m_topMargin);
}

void TextEditor::resizeEvent(QResizeEvent *event) {
    QPlainTextEdit::resizeEvent(event);
    updateMargins();
}

void TextEditor::paintGutter(QPaintEvent *event) {
    QPainter p(m_gutter);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible())
            p.drawText(0, top, m_gutter->width() - 4, fontMetrics().height(), Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
        top += height;
        block = block.next();
    }
}

void TextEditor::paintEvent(QPaintEvent *event) {
    QPlainTextEdit::paintEvent(event);
    if (!m_lineEndMarks && !m_eofMark)
        return;
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::PlaceholderText));
    const QFontMetrics fm = fontMetrics();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
        if (r.top() > event->rect().bottom())
            break;
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0)
            continue;
        const QTextLine last = layout->lineAt(layout->lineCount() - 1);
        const qreal x = r.left() + last.naturalTextWidth() + 2;
        const qreal y = r.top() + last.y() + fm.ascent();
        const bool isLast = !block.next().isValid();
        if (isLast && m_eofMark)
            p.drawText(QPointF(x, y), QStringLiteral("[EOF]"));
        else if (!isLast && m_lineEndMarks)
            p.drawText(QPointF(x, y), QStringLiteral("↓"));
    }
}

QTextDocument::FindFlags TextEditor::flags(FindOptions options) const {
    QTextDocument::FindFlags f;
    if (options.matchCase)
        f |= QTextDocument::FindCaseSensitively;
    if (!options.down)
        f |= QTextDocument::FindBackward;
    return f;
}

bool TextEditor::findNext(const QString &text, FindOptions options) {
    emit findRequested(text);
    if (text.isEmpty() || !find(text, flags(options))) {
        emit notFound(text);
        return false;
    }
    emit found(caretLine(), textCursor().selectionStart() - textCursor().block().position() + 1);
    return true;
}

bool TextEditor::replaceNext(const QString &text, const QString &replacement, FindOptions options) {
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QTextCursor c = textCursor();
    if (!isReadOnly() && c.hasSelection() && c.selectedText().compare(text, cs) == 0) {
        const int line = c.block().blockNumber() + 1;
        const int column = c.selectionStart() - c.block().position() + 1;
        c.insertText(replacement);
        setTextCursor(c);
        emit replaced(line, column);
    }
    return findNext(text, options);
}

int TextEditor::replaceAll(const QString &text, const QString &replacement, FindOptions options) {
    int count = 0;
    if (!text.isEmpty() && !isReadOnly()) {
        QTextCursor edit(document());
        edit.beginEditBlock(); // one undo step for the whole replacement
        QTextCursor c(document());
        const QTextDocument::FindFlags f = flags({options.matchCase, true});
        for (;;) {
            c = document()->find(text, c, f);
            if (c.isNull())
                break;
            const int line = c.block().blockNumber() + 1;
            const int column = c.selectionStart() - c.block().position() + 1;
            c.insertText(replacement);
            ++count;
            emit replaced(line, column);
        }
        edit.endEditBlock();
    }
    emit replaceAllDone(count);
    return count;
}

} // namespace kelvoran

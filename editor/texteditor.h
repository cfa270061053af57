// The multi-line text editor used for every SQL, source and message pane.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class QSyntaxHighlighter;

namespace kelvoran {

// Editor colours as the settings store them (0x00BBGGRR); the settings' "no colour" value gives
// white paper or black ink.
QColor colorFromBgr(int value, bool background);
int bgrOfColor(const QColor &color);

// A plain-text editor holding its text as lines (CR LF when joined), with a fixed-pitch font,
// colours, tab width, optional line-end and end-of-file marks and line numbers, find and
// replace with notifications, and a top margin that its owner may paint into.
class TextEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextEditor(QWidget *parent = nullptr);
    ~TextEditor() override;

    // The text as lines, without their line ends.
    QStringList lines() const;
    void setLines(const QStringList &lines);
    // The text with CR LF between lines.
    QString textCrLf() const;

    void setWordWrap(bool on);
    bool wordWrap() const;
    // Tab stops every `characters` character widths.
    void setTabWidth(int characters);
    int tabWidth() const { return m_tabWidth; }
    void setColors(const QColor &background, const QColor &text);
    QColor backgroundColor() const;
    QColor textColor() const;

    // 1-based caret position.
    int caretLine() const;
    int caretColumn() const;
    void setCaret(int line, int column);

    bool canUndo() const;
    bool canRedo() const;
    bool isModified() const;
    void setModified(bool modified);
    // Deletes the selection (the "clear" command).
    void clearSelection();

    void setShowLineEndMarks(bool on);
    void setShowEofMark(bool on);
    void setShowLineNumbers(bool on);
    bool showLineEndMarks() const { return m_lineEndMarks; }
    bool showEofMark() const { return m_eofMark; }
    bool showLineNumbers() const { return m_lineNumbers; }

    // Space above the text, painted by whoever handles paintTopMargin().
    void setTopMargin(int pixels);
    int topMargin() const { return m_topMargin; }

    // Colours SQL keywords, strings and comments.
    void setSqlHighlighting(bool on);

    struct FindOptions {
        bool matchCase = false;
        bool down = true;
    };
    // Finds the next occurrence from the caret and selects it; emits found or notFound.
    bool findNext(const QString &text, FindOptions options);
    // Replaces the selection when it matches text, then finds the next occurrence.
    bool replaceNext(const QString &text, const QString &replacement, FindOptions options);
    // Replaces every occurrence from the start; emits replaced per occurrence and replaceAllDone.
    int replaceAll(const QString &text, const QString &replacement, FindOptions options);

    // The font used: FixedSys when installed, else the system's fixed-pitch font.
    static QFont editorFont();

signals:
    void findRequested(const QString &text);
    void found(int line, int column);
    void notFound(const QString &text);
    void replaced(int line, int column);
    void replaceAllDone(int count);
    // Lets the owner paint into the top margin (rect in this widget's coordinates).
    void paintTopMargin(QPainter *painter, const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class Gutter;
    class TopMargin;
    friend class Gutter;
    friend class TopMargin;

    void updateMargins();
    int gutterWidth() const;
    void paintGutter(QPaintEvent *event);
    QTextDocument::FindFlags flags(FindOptions options) const;

    Gutter *m_gutter;
    TopMargin *m_top;
    QSyntaxHighlighter *m_highlighter = nullptr;
    int m_tabWidth = 4;
    int m_topMargin = 0;
    bool m_lineEndMarks = false;
    bool m_eofMark = false;
    bool m_lineNumbers = false;
};

} // namespace kelvoran

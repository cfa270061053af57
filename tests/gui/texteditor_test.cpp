#include "editor/texteditor.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using kelvoran::TextEditor;

class TextEditorTest : public QObject {
    Q_OBJECT
private slots:
    void linesRoundTripWithCrLf();
    void typingUndoRedo();
    void caretAndClipboard();
    void findAndReplaceNotify();
    void findAndReplaceNotify_data();
    void readOnlyRefusesReplacement();
    void marksAndTopMarginPaint();
};

void TextEditorTest::linesRoundTripWithCrLf() {
    TextEditor e;
    const QStringList lines{QStringLiteral("SELECT *"), QString(), QStringLiteral("FROM 表")};
    e.setLines(lines);
    QCOMPARE(e.lines(), lines);
    QCOMPARE(e.textCrLf(), QStringLiteral("SELECT *\r\n\r\nFROM 表"));
    e.setLines({});
    QVERIFY(e.lines().isEmpty());
}

void TextEditorTest::typingUndoRedo() {
    TextEditor e;
    e.show();
    QVERIFY(!e.canUndo());
    QTest::keyClicks(&e, QStringLiteral("abc"));
    QVERIFY(e.isModified());
    QVERIFY(e.canUndo());
    e.undo();
    QCOMPARE(e.toPlainText(), QString());
    QVERIFY(e.canRedo());
    e.redo();
    QCOMPARE(e.toPlainText(), QStringLiteral("abc"));
}

void TextEditorTest::caretAndClipboard() {
    TextEditor e;
    e.setLines({QStringLiteral("one"), QStringLiteral("two words")});
    e.setCaret(2, 5);
    QCOMPARE(e.caretLine(), 2);
    QCOMPARE(e.caretColumn(), 5);
    QTextCursor c = e.textCursor();
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    e.setTextCursor(c);
    e.copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("words"));
    e.clearSelection();
    QCOMPARE(e.lines().at(1), QStringLiteral("two "));
    e.selectAll();
    e.cut();
    QVERIFY(e.lines().isEmpty());
    e.paste();
    QCOMPARE(e.lines(), (QStringList{QStringLiteral("one"), QStringLiteral("two ")}));
}

void TextEditorTest::findAndReplaceNotify_data() {
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("expectedReplacements");
    QTest::newRow("ignoring case") << false << 3;
    QTest::newRow("matching case") << true << 2;
}

void TextEditorTest::findAndReplaceNotify() {
    QFETCH(bool, matchCase);
    QFETCH(int, expectedReplacements);
    TextEditor e;
    e.setLines({QStringLiteral("emp EMP"), QStringLiteral("x emp")});
    QSignalSpy found(&e, &TextEditor::found);
    QSignalSpy notFound(&e, &TextEditor::notFound);
    QSignalSpy replaced(&e, &TextEditor::replaced);
    QSignalSpy done(&e, &TextEditor::replaceAllDone);
    e.setCaret(1, 1);
    QVERIFY(e.findNext(QStringLiteral("emp"), {matchCase, true}));
    QCOMPARE(found.count(), 1);
    QCOMPARE(found.at(0).at(0).toInt(), 1);
    QCOMPARE(found.at(0).at(1).toInt(), 1);
    QVERIFY(!e.findNext(QStringLiteral("dept"), {matchCase, true}));
    QCOMPARE(notFound.count(), 1);
    QCOMPARE(e.replaceAll(QStringLiteral("emp"), QStringLiteral("staff"), {matchCase, true}),
             expectedReplacements);
    QCOMPARE(replaced.count(), expectedReplacements);
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), expectedReplacements);
    // The whole replacement is one undo step.
    e.undo();
    QCOMPARE(e.lines(), (QStringList{QStringLiteral("emp EMP"), QStringLiteral("x emp")}));
}

void TextEditorTest::readOnlyRefusesReplacement() {
    TextEditor e;
    e.setLines({QStringLiteral("a a")});
    e.setReadOnly(true);
    QCOMPARE(e.replaceAll(QStringLiteral("a"), QStringLiteral("b"), {}), 0);
    e.selectAll();
    e.clearSelection();
    QCOMPARE(e.lines(), QStringList{QStringLiteral("a a")});
}

void TextEditorTest::marksAndTopMarginPaint() {
    TextEditor e;
    e.resize(300, 200);
    e.setLines({QStringLiteral("a"), QStringLiteral("b")});
    e.setShowLineNumbers(true);
    e.setShowLineEndMarks(true);
    e.setShowEofMark(true);
    e.setTopMargin(20);
    int topPaints = 0;
    connect(&e, &TextEditor::paintTopMargin, this, [&](QPainter *p, const QRect &r) {
        ++topPaints;
        QCOMPARE(r.height(), 20);
        p->drawText(r, QStringLiteral("----+----1"));
    });
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    const QImage shot = e.grab().toImage();
    QVERIFY(!shot.isNull());
    QVERIFY(topPaints > 0);
    QVERIFY(e.viewport()->geometry().top() >= 20);
    QVERIFY(e.viewport()->geometry().left() > 0); // the line-number gutter
}

QTEST_MAIN(TextEditorTest)
#include "texteditor_test.moc"

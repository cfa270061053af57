// Find and replace on the tab pages' editors.
#include "tests/gui/mainwindowfixture.h"

using namespace kelvoran;
using namespace kelvoran::test;

class FindReplaceTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void findAndReplace() {
        startWindow();
        openOracleTable(QStringLiteral("EMP"));
        // Find in the Definition tab, case ignored.
        pages()->setCurrentIndex(SqlPane::DefinitionTab);
        editor("Memo_Definition")->moveCursor(QTextCursor::Start);
        m_w->findReplace()->startFind();
        FindDialog *find = m_w->findReplace()->findDialog();
        QVERIFY(find->isVisible());
        find->findEdit()->setText(QStringLiteral("emp"));
        m_w->findReplace()->doFind();
        QCOMPARE(editor("Memo_Definition")->textCursor().selectedText(), QStringLiteral("EMP"));
        QVERIFY(!find->isVisible());
        QVERIFY(m_ui.messages.empty());
        // With match case on there is no hit: the message names the text.
        find->matchCaseBox()->setChecked(true);
        m_w->findReplace()->doFind();
        QCOMPARE(messageTexts(m_ui), QStringList({"\"emp\"  が見つかりませんでした。     "}));

        // Replace on the SQL tab: Yes, No, then All for the rest.
        m_ui.messages.clear();
        typeSql(QStringLiteral("a x a x a x a"));
        editor("Memo_SQL")->moveCursor(QTextCursor::Start);
        QList<int> answers{QMessageBox::Yes, QMessageBox::No, QMessageBox::YesToAll};
        QStringList asked;
        m_w->findReplace()->setReplaceQuestion([&](const QString &q) {
            asked << q;
            return answers.takeFirst();
        });
        m_w->findReplace()->startReplace();
        FindDialog *replace = m_w->findReplace()->replaceDialog();
        replace->findEdit()->setText(QStringLiteral("A"));
        replace->replaceEdit()->setText(QStringLiteral("b"));
        m_w->findReplace()->doReplace(false);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b x a x b x b"));
        QCOMPARE(asked, QStringList({" 置換しますか？", " 置換しますか？", " 置換しますか？"}));
        QCOMPARE(messageTexts(m_ui), QStringList({"3 個置換しました。"}));
        // Abort stops at once; replace-all asks nothing.
        m_ui.messages.clear();
        answers = {QMessageBox::Abort};
        editor("Memo_SQL")->moveCursor(QTextCursor::Start);
        replace->findEdit()->setText(QStringLiteral("x"));
        m_w->findReplace()->doReplace(false);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b x a x b x b"));
        m_w->findReplace()->doReplace(true);
        QCOMPARE(editor("Memo_SQL")->toPlainText(), QStringLiteral("b b a b b b b"));
        QCOMPARE(messageTexts(m_ui), QStringList({"0 個置換しました。", "3 個置換しました。"}));
    }
};

QTEST_MAIN(FindReplaceTest)
#include "findreplace_test.moc"

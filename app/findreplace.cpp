#include "app/findreplace.h"

#include "app/datamodule.h"
#include "app/finddialog.h"
#include "app/sqlpane.h"
#include "editor/texteditor.h"

#include <QMessageBox>

namespace kelvoran {

FindReplace::FindReplace(QWidget *window, TDataModule_Kelvoran &dm, SqlPane &pages)
    : QObject(window), m_window(window), m_dm(dm), m_pages(pages) {
    m_findDialog = new FindDialog(false, window);
    m_replaceDialog = new FindDialog(true, window);
    connect(m_findDialog, &FindDialog::findNextClicked, this, [this] {
        m_replaceMode = false;
        doFind();
    });
    connect(m_replaceDialog, &FindDialog::findNextClicked, this, [this] {
        m_replaceMode = true;
        doFind();
    });
    connect(m_replaceDialog, &FindDialog::replaceClicked, this, [this] { doReplace(false); });
    connect(m_replaceDialog, &FindDialog::replaceAllClicked, this, [this] { doReplace(true); });
    m_askReplace = [this](const QString &text) {
        return int(QMessageBox::question(m_window, QStringLiteral("Kelvoran"), text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort |
                                             QMessageBox::YesToAll));
    };
}

void FindReplace::startFind() {
    if (!m_window->isActiveWindow() || !m_pages.activeEditor())
        return;
    m_replaceMode = false;
    m_findDialog->show();
    m_findDialog->raise();
}

void FindReplace::startReplace() {
    if (m_pages.currentTab() != SqlPane::SqlTab)
        return;
    m_replaceMode = true;
    m_replaceDialog->show();
    m_replaceDialog->raise();
}

void FindReplace::findNextCommand() {
    if (!m_window->isActiveWindow() || m_lastFind.isEmpty())
        return;
    doFind();
}

void FindReplace::doFind() {
    TextEditor *e = m_replaceMode ? m_pages.sqlEditor() : m_pages.activeEditor();
    if (!e)
        return;
    FindDialog *d = m_replaceMode ? m_replaceDialog : m_findDialog;
    if (!d->findText().isEmpty())
        m_lastFind = d->findText();
    const QTextCursor before = e->textCursor();
    TextEditor::FindOptions opts{d->matchCase(), m_replaceMode || d->down()};
    const bool hit = e->findNext(m_lastFind, opts);
    e->setFocus();
    if (!m_replaceMode)
        m_findDialog->hide();
    if (!hit) {
        e->setTextCursor(before);
        m_dm.inform(u'"' + m_lastFind + u'"' + QStringLiteral("  が見つかりませんでした。     "));
    }
}

void FindReplace::doReplace(bool all) {
    TextEditor *sql = m_pages.sqlEditor();
    const QString text = m_replaceDialog->findText();
    const QString replacement = m_replaceDialog->replaceText();
    if (text.isEmpty())
        return;
    m_lastFind = text;
    TextEditor::FindOptions opts{m_replaceDialog->matchCase(), true};
    int count = 0;
    if (all) {
        count = sql->replaceAll(text, replacement, opts);
    } else {
        bool askEach = true;
        const QTextCursor start = sql->textCursor();
        QTextCursor from = start;
        from.clearSelection();
        sql->setTextCursor(from);
        const Qt::CaseSensitivity cs = opts.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        while (true) {
            QTextDocument::FindFlags f;
            if (opts.matchCase)
                f |= QTextDocument::FindCaseSensitively;
            QTextCursor hit = sql->document()->find(text, sql->textCursor(), f);
            if (hit.isNull() || hit.selectedText().compare(text, cs) != 0)
                break;
            sql->setTextCursor(hit);
            int answer = QMessageBox::YesToAll;
            if (askEach)
                answer = m_askReplace(QStringLiteral(" 置換しますか？"));
            if (answer == QMessageBox::Abort)
                break;
            if (answer == QMessageBox::YesToAll)
                askEach = false;
            if (answer == QMessageBox::Yes || answer == QMessageBox::YesToAll) {
                hit.insertText(replacement);
                ++count;
            }
            QTextCursor next = sql->textCursor();
            next.setPosition(hit.selectionEnd());
            sql->setTextCursor(next);
        }
    }
    m_dm.inform(QString::number(count) + QStringLiteral(" 個置換しました。"));
}

} // namespace kelvoran

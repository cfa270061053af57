// FindReplace: the find and replace commands on the tab pages' editors, with their two modeless
// dialogs (FindDialog1, ReplaceDialog1). Find works on the active editor, replace on the SQL tab
// only. UI thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace kelvoran {

struct TDataModule_Kelvoran;
class FindDialog;
class SqlPane;

class FindReplace : public QObject {
    Q_OBJECT
public:
    // window: the main window (the dialogs' parent, and the window that must be active).
    FindReplace(QWidget *window, TDataModule_Kelvoran &dm, SqlPane &pages);

    FindDialog *findDialog() const { return m_findDialog; }
    FindDialog *replaceDialog() const { return m_replaceDialog; }
    // Answers the replace question (QMessageBox::Yes/No/Abort/YesToAll); default: a box.
    void setReplaceQuestion(std::function<int(const QString &)> ask) {
        m_askReplace = std::move(ask);
    }

    // "検索(&S)", "次を検索(&N)" (F3), "置き換え(&E)" (SQL tab only).
    void startFind();
    void findNextCommand();
    void startReplace();
    // The find dialog's "次を検索" and the replace dialog's two commands.
    void doFind();
    void doReplace(bool all);

private:
    QWidget *m_window;
    TDataModule_Kelvoran &m_dm;
    SqlPane &m_pages;
    FindDialog *m_findDialog = nullptr;
    FindDialog *m_replaceDialog = nullptr;
    std::function<int(const QString &)> m_askReplace;
    bool m_replaceMode = false;
    QString m_lastFind;
};

} // namespace kelvoran

#include "app/scriptcommand.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/errsqlform.h"
#include "app/errsqlshowform.h"
#include "db/scriptrunner.h"
#include "ui/scripterrorlist.h"

#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTreeWidgetItem>

namespace kelvoran {

namespace {

const QString kScriptFilter = QStringLiteral("SQL files(*.sql)|*.sql|Text files(*.txt)|*.txt");

// The wait cursor for the length of a run, restored however the run ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

ScriptCommand::ScriptCommand(QMainWindow *window, TDataModule_Kelvoran &dm,
                             DialogInteraction &dialogs)
    : QObject(window), m_window(window), m_dm(dm), m_dialogs(dialogs) {
    m_errorList = new TErrSQLForm(window);
    m_errorDetail = new TErrSQLShowForm(window);
    connect(m_errorList, &TErrSQLForm::rowOpening, m_errorDetail, &TErrSQLShowForm::showStatement);
}

void ScriptCommand::runScript() {
    if (!m_dm.currentAliasNode) {
        m_dm.inform(QStringLiteral("SQLファイルを実行するデータベースがありません。"),
                    MessageIcon::Warning);
        return;
    }
    const QString alias = m_dm.currentAliasNode->text(0);
    const QStringList kinds{QStringLiteral("SQL"), QStringLiteral("TXT")};
    m_dialogs.setPreselectedPath(
        canPreselect(m_dm.paths.lastFilePath, kinds) ? m_dm.paths.lastFilePath : QString());
    const QString path = m_dm.ui->chooseOpenFile(QString(), kScriptFilter);
    if (path.isEmpty())
        return;
    const DbResult<QSqlDatabase> opened = m_dm.session.connection(alias);
    if (!opened)
        throw DbException(opened.error());

    ScriptRunner runner(m_dm.session, m_dm.runner);
    QStatusBar *status = m_window->statusBar();
    runner.setProgress([status](int current, int total) {
        status->showMessage(scriptProgressText(current, total));
        // Repaint between statements; input waits until the run is over.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    Result<ScriptRunResult> result = [&] {
        WaitCursor wait;
        return runner.runFile(alias, path);
    }();
    status->clearMessage();
    if (!result) {
        m_dm.inform(result.error().message, MessageIcon::Error);
        return;
    }
    m_dm.inform(result->summaryMessage());
    if (result->errorCount > 0)
        m_errorList->showErrors(result->errorRows());
}

void ScriptCommand::closeWindows() {
    if (m_errorDetail->isVisible())
        m_errorDetail->reject();
    if (m_errorList->isVisible())
        m_errorList->reject();
}

} // namespace kelvoran

#include "app/excelreportcommand.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/reportnoticeform.h"
#include "db/objectkind.h"
#include "excel/excelsession.h"
#include "ui/backgroundreport.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidgetItem>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace kelvoran {

namespace {

// The driver asks for an .xls name; the workbook is written as .xlsx, so the dialog lists both.
const QString kWorkbookFilter = QStringLiteral("Excel files (*.xlsx;*.xls)|*.xlsx;*.xls");

// The answerer of one run: passes everything on, and around the save dialog starts it from
// ExcelDataDir and keeps the name the workbook is written under as the next ExcelDataDir.
class OutputFileInteraction : public UserInteraction {
public:
    OutputFileInteraction(UserInteraction &inner, DialogInteraction *dialogs, QString &excelDataDir)
        : m_inner(inner), m_dialogs(dialogs), m_excelDataDir(excelDataDir) {}

    void inform(MessageIcon icon, const QString &text) override { m_inner.inform(icon, text); }
    bool confirm(const QString &text) override { return m_inner.confirm(text); }
    bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice) override {
        return m_inner.chooseConnection(presetAlias, choice);
    }
    QString chooseOpenFile(const QString &title, const QString &filter) override {
        return m_inner.chooseOpenFile(title, filter);
    }
    QString chooseSaveFile(const QString &title, const QString &) override {
        // A folder opens the dialog there; a file name is proposed as it is.
        if (m_dialogs)
            m_dialogs->setPreselectedPath(m_excelDataDir);
        const QString chosen = m_inner.chooseSaveFile(title, kWorkbookFilter);
        if (!chosen.isEmpty())
            m_excelDataDir = ExcelSession::xlsxPath(chosen);
        return chosen;
    }

private:
    UserInteraction &m_inner;
    DialogInteraction *m_dialogs;
    QString &m_excelDataDir;
};

// Lets user input through to the windows a run opens (its questions, the save dialog and their
// pop-ups) and not to the windows on screen when it started. Input to an action or shortcut
// goes to the window of the widget that owns it; one owned by no widget gets none.
RunInputGate inputToWindowsOpenedDuringTheRun() {
    QList<QPointer<QWidget>> onScreen;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible())
            onScreen << top;
    return [onScreen](const QObject *receiver) {
        if (receiver->isWindowType())
            return true; // a window passes its input on to its widgets, which are judged
        const QObject *owner = receiver;
        while (owner && !owner->isWidgetType())
            owner = owner->parent();
        if (!owner)
            return false;
        const QWidget *window = static_cast<const QWidget *>(owner)->window();
        return std::none_of(onScreen.begin(), onScreen.end(),
                            [window](const QPointer<QWidget> &w) { return w == window; });
    };
}

// A folder whose objects the designer can select from, under an alias of this kind.
bool isTreeObjectFolder(DbKind kind, const QString &folder) {
    const std::optional<db::ObjectKind> found = db::objectKindFor(kind, folder);
    return found && db::showsRows(kind, found->id);
}

} // namespace

ExcelReportCommand::ExcelReportCommand(TDataModule_Kelvoran &dm, QObject *parent)
    : QObject(parent), m_dm(dm) {
    m_opener = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
}

ExcelReportCommand::~ExcelReportCommand() = default;

void ExcelReportCommand::setWorkbookOpener(std::function<void(const QString &)> opener) {
    m_opener = std::move(opener);
}

ExcelReportSource ExcelReportCommand::currentSource(const TDataModule_Kelvoran &dm,
                                                    const QStringList &sqlEditorLines,
                                                    const QString &settingsFilePath) {
    ExcelReportSource source;
    source.alias = dm.currentAliasNode ? dm.currentAliasNode->text(0) : QString();
    source.report.analysis = dm.analysis;
    source.report.editorLines = sqlEditorLines;
    const QTreeWidgetItem *node = dm.selectedNode;
    if (dm.reportSourceMode == 1 && node && node->parent() &&
        isTreeObjectFolder(dm.kind, node->parent()->text(0)))
        source.report.generatedTable = node->text(0);
    source.settingsFilePath = settingsFilePath;
    return source;
}

ReportRunResult ExcelReportCommand::run(const ReportDefinition &def,
                                        const ExcelReportSource &source, QWidget *window,
                                        QStatusBar *statusBar) {
    ReportRunResult nothing;
    nothing.outcome = ReportRunResult::Outcome::Cancelled;
    if (m_running || !m_dm.ui)
        return nothing;
    // Blank rows go first; without a first column there is nothing to output and nothing is
    // said.
    ReportDefinition report = def;
    report.removeBlankRows();
    if (report.columns.empty() || report.columns.front().PhysicalName.trimmed().isEmpty()) {
        nothing.startTime =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        nothing.endTime = nothing.startTime;
        return nothing;
    }

    // The program's dialogs are owned by the designer while it runs a report; any other
    // answerer (a test's script) is used as it is.
    std::unique_ptr<DialogInteraction> ownDialogs;
    UserInteraction *answerer = m_dm.ui;
    if (dynamic_cast<DialogInteraction *>(m_dm.ui)) {
        ownDialogs = std::make_unique<DialogInteraction>(window, nullptr);
        answerer = ownDialogs.get();
    }
    OutputFileInteraction ui(*answerer, ownDialogs.get(), m_dm.settings.excelDataDir);

    // The session's connection is opened here, with the login when the alias needs one; the
    // worker opens its own with the same user and password.
    BackgroundReportJob job;
    const std::optional<AliasInfo> alias = m_dm.session.aliases().find(source.alias);
    const DbResult<QSqlDatabase> db = m_dm.session.connection(source.alias);
    if (!alias || !db) {
        if (!db)
            for (const QString &text : db.error().texts())
                ui.inform(MessageIcon::Error, text);
        ReportRunResult failed;
        return failed;
    }
    job.definition = report;
    job.source = source.report;
    job.alias = *alias;
    job.user = db->userName();
    job.password = db->password();
    job.settingsFilePath = source.settingsFilePath;

    ReportRunResult result;
    {
        // Ends the running state however the run ends.
        struct Running {
            ExcelReportCommand *command;
            explicit Running(ExcelReportCommand *c) : command(c) {
                command->m_running = true;
                emit command->runningChanged(true);
            }
            ~Running() {
                command->m_running = false;
                emit command->runningChanged(false);
            }
            Running(const Running &) = delete;
            Running &operator=(const Running &) = delete;
        } running(this);
        QPointer<QStatusBar> bar(statusBar);
        if (bar)
            bar->clearMessage();
        result = runReportInBackground(
            job, ui,
            [bar](const QString &text) {
                if (bar)
                    bar->showMessage(text);
            },
            inputToWindowsOpenedDuringTheRun());
    }

    if (result.ok() && !result.savedPath.isEmpty()) {
        m_opener(result.savedPath);
        if (!result.notices.isEmpty())
            showNotices(result.savedPath, result.notices, window);
    }
    return result;
}

void ExcelReportCommand::showNotices(const QString &path, const QStringList &notices,
                                     QWidget *window) {
    if (!m_noticeForm)
        m_noticeForm = new TReportNoticeForm(window);
    else if (m_noticeForm->parentWidget() != window)
        m_noticeForm->setParent(window, m_noticeForm->windowFlags());
    m_noticeForm->showNotices(path, notices);
}

void ExcelReportCommand::closeDialogs() {
    if (m_noticeForm && m_noticeForm->isVisible())
        m_noticeForm->reject();
}

} // namespace kelvoran

// FileCommands: "開く(&O)", "保存(&S)" and "印刷(&P)" on the tab pages, and the hand-off of a
// file from a second start (activation). Settings files open into the SQL tab and AnalyzeCol,
// schedule files into the schedule window, SQL and text files into the SQL tab. UI thread only.
#pragma once

#include <QObject>
#include <QString>

class QPrinter;
class QWidget;

namespace kelvoran {

struct TDataModule_Kelvoran;
class DialogInteraction;
class HandOffStore;
class SqlPane;
class TScheduleForm;

class FileCommands : public QObject {
    Q_OBJECT
public:
    // window: the main window (the one that must be active, raised on a hand-off); dialogs: the
    // default answerer, whose file dialogs pre-select the last file.
    FileCommands(QWidget *window, TDataModule_Kelvoran &dm, SqlPane &pages, HandOffStore &handOff,
                 DialogInteraction &dialogs, TScheduleForm &scheduleForm);

    // "開く(&O)": PendingOpenPath, else the open dialog; settings, schedule, SQL or text file.
    // False when nothing was opened or the file could not be read.
    bool openFile();
    // Reads a settings file chosen in the report designer, as "開く(&O)" reads it; false when it
    // could not be read.
    bool openSettingsFile(const QString &path);
    // "保存(&S)": the active tab's text (the SQL tab as a settings file).
    void saveFile();
    // "印刷(&P)": the printer dialog, then the active editor's lines.
    void printFile();
    // Prints the active editor's lines on a printer already chosen (one line per line, in the
    // editor's font); false when there is nothing to print.
    bool printActiveEditor(QPrinter *printer);
    // Takes the hand-off value and opens the file it names (the activation handler).
    void activation();
    // Opens a file without the dialog (as a hand-off does).
    void openPath(const QString &path);

signals:
    // A hand-off arrives: the secondary windows close.
    void secondaryWindowsClosing();
    // A schedule file is handed off: the Excel output window closes.
    void scheduleFileArriving();
    // A settings file of an Excel report (PROCFLG "1") was read into the data module's
    // definition: the report designer shows it.
    void excelSettingsLoaded();

private:
    QWidget *m_window;
    TDataModule_Kelvoran &m_dm;
    SqlPane &m_pages;
    HandOffStore &m_handOff;
    DialogInteraction &m_dialogs;
    TScheduleForm &m_scheduleForm;
    bool m_handOffOpen = false;
};

} // namespace kelvoran

// ScriptCommand: "SQLファイルの実行". Picks an SQL or text file, runs every statement of it on
// the current alias (ScriptRunner), shows the summary and, when statements failed, the error
// list (TErrSQLForm) from which each failure opens in TErrSQLShowForm. UI thread only.
//
// A run:
//  1. the file dialog (pre-selecting LastFilePath when it names an existing SQL or TXT file);
//     cancel runs nothing, and the run changes neither LastFilePath nor PendingOpenPath;
//  2. the alias's connection (its login prompt on first use); a refused one ends the command
//     with the database error;
//  3. the statements run in file order, the status bar naming the running one while the
//     windows keep repainting; a failure is recorded and the run goes on;
//  4. the summary box, then the error list when any statement failed.
#pragma once

#include <QObject>

class QMainWindow;

namespace kelvoran {

struct TDataModule_Kelvoran;
class DialogInteraction;
class TErrSQLForm;
class TErrSQLShowForm;

class ScriptCommand : public QObject {
    Q_OBJECT
public:
    // window: the main window (parent of the error windows, owner of the status bar); dialogs:
    // the default answerer, whose file dialog pre-selects the last file.
    ScriptCommand(QMainWindow *window, TDataModule_Kelvoran &dm, DialogInteraction &dialogs);

    // "SQLファイルの実行".
    void runScript();
    // Closes the error windows as cancelled (a file handed over to this instance).
    void closeWindows();

    TErrSQLForm *errorList() const { return m_errorList; }
    TErrSQLShowForm *errorDetail() const { return m_errorDetail; }

private:
    QMainWindow *m_window;
    TDataModule_Kelvoran &m_dm;
    DialogInteraction &m_dialogs;
    TErrSQLForm *m_errorList;
    TErrSQLShowForm *m_errorDetail;
};

} // namespace kelvoran

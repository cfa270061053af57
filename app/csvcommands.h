// CsvCommands: the main window's four CSV commands. "CSVエクスポート" writes the rows of the
// grid's table or of the SQL tab's query to a file; "CSVインポート" appends the lines of a file
// to the grid's table; "CSVエクスポート設定保存" and "CSVインポート設定保存" save the options as
// settings files that the scheduler and kelvoran-batch run. Each asks TCSVSettingForm first.
// The rows go through the csv/ library; while it works the grid is hidden, the status bar
// counts the lines and the window repaints. UI thread only.
#pragma once

#include "app/csvsettingform.h"
#include "csv/csvoptions.h"

#include <QObject>
#include <QString>

class QMainWindow;

namespace kelvoran {

struct TDataModule_Kelvoran;
class DialogInteraction;
class GridPane;

class CsvCommands : public QObject {
    Q_OBJECT
public:
    // Creates TCSVSettingForm as a child of the window. dialogs: the default answerer, whose
    // file dialogs take the proposed names.
    CsvCommands(QMainWindow *window, TDataModule_Kelvoran &dm, GridPane &grid,
                DialogInteraction &dialogs);

    TCSVSettingForm *settingForm() const { return m_form; }
    // The options the dialog left (held for the program's lifetime).
    const CsvOptions &options() const { return m_options; }
    // Takes over the options a schedule run's last entry left.
    void setOptions(const CsvOptions &options) { m_options = options; }

    // Runs the command of a menu item: "CsvExport", "CsvExportSave", "CsvImport",
    // "CsvImportSave".
    void command(const QString &actionName);
    void exportCsv();
    void saveExportSettings();
    void importCsv();
    void saveImportSettings();

private:
    QString gridTableName() const;
    QString currentAlias() const;
    void showStatus(const QString &text);
    // Shows the progress text of a line, repainting at most every few tens of milliseconds.
    void showProgress(const QString &text, qint64 line);

    QMainWindow *m_window;
    TDataModule_Kelvoran &m_dm;
    GridPane &m_grid;
    DialogInteraction &m_dialogs;
    TCSVSettingForm *m_form;
    CsvOptions m_options;
    qint64 m_lastRepaint = 0;
};

} // namespace kelvoran

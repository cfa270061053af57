// TKelvoran: the main window. The frame around the panes (header with the toolbar and the grid
// navigator, the splitters between the object tree, the tab pages and the grid), the menus and
// their enabling rules, the named secondary windows, the settings applied at start-up and saved
// at close, and the wiring of the panes' signals. The panes:
//   ObjectTreePane (PanelTreeView)  the object tree and its search;
//   SqlPane (PanelSQL)              Definition/Source/SQL/AnalyzeCol tabs, SQL runs, history;
//   GridPane (PanelGrid)            the data grid with its row-count and name boxes;
//   FindReplace                     find and replace on the tabs' editors;
//   FileCommands                    open, save, print and the hand-off of files.
// They share their state through the data module. UI thread only.
//
// Start-up of the window:
//  1. construction builds every control with its design geometry;
//  2. the first showing lists the aliases into the tree, applies the row-count choice, loads
//     AppSettings (first-run defaults on the first start) and applies them, and writes the
//     command-line file into the hand-off value;
//  3. each activation (the first one included) takes the hand-off value and opens a settings
//     or schedule file named there.
// Every user command runs through runCommand(), which shows a database error that escaped the
// command as DbErrorText boxes and makes the tree visible again.
#pragma once

#include "app/datamodule.h"
#include "report/userinteraction.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QToolButton;

namespace kelvoran {

class CsvCommands;
class DbNavigator;
class DialogInteraction;
class DialogLoginPrompt;
class ExcelReportCommand;
class FileCommands;
class FindReplace;
class GridPane;
class HandOffStore;
class ObjectTreePane;
class ScriptCommand;
class SqlPane;
class TAboutBox;
class TConditionSetForm;
class TDataShowForm;
class TInstructionManualForm;
class TDitailDataForm;
class TErrSourceForm;
class TExcelSettingForm;
class TLogShowForm;
class TPathSettingForm;
class TSaveDBParamSetForm;
class TScheduleForm;
class TShowDataForm;

class TKelvoran : public QMainWindow {
    Q_OBJECT
public:
    // aliases: the session's aliases; settingsPath: the AppSettings INI file (empty: the
    // default store); startupPath: the command-line file (empty when none).
    TKelvoran(AliasList aliases, const QString &settingsPath = QString(),
              const QString &startupPath = QString(), QWidget *parent = nullptr);
    ~TKelvoran() override;

    // The shared state (TDataModule_Kelvoran).
    TDataModule_Kelvoran &dataModule() { return m_dm; }
    // Where messages and questions go (the dialogs by default; tests put a recorder here).
    void setInteraction(UserInteraction *ui);
    // The current answerer of messages and questions.
    UserInteraction &interaction() { return *m_ui; }

    // The panes and command sets.
    ObjectTreePane *objectTree() const { return m_treePane; }
    SqlPane *sqlPane() const { return m_sqlPane; }
    GridPane *gridPane() const { return m_gridPane; }
    FindReplace *findReplace() const { return m_findReplace; }
    FileCommands *fileCommands() const { return m_files; }
    ScriptCommand *scriptCommand() const { return m_scripts; }

    // Runs a user command: a database error that escapes it shows DbErrorText boxes.
    void runCommand(const std::function<void()> &command);
    // Shows the boxes of a database error that no handler caught.
    void showDbError(const DbError &error);

    // "SQL実行(&G)" (F4): runs the SQL tab's text on the current alias.
    void runSql();
    // CUT, COPY, PASTE, CLEAR, SELECTALL, UNDO or REDO on the active tab's editor.
    void editCommand(const QString &word);
    // "抽出項目名に置換え" (F6): the AnalyzeCol rows become the grid's field names.
    void replaceWithFieldNames();

    // Pane sizes and states.
    int sqlPaneWidth() const { return m_sqlWidth; }
    int gridPaneHeight() const { return m_gridHeight; }
    int sqlPaneState() const { return m_sqlState; }
    int gridPaneState() const { return m_gridState; }
    // Ends a drag of the vertical boundary released at x in PanelSQL, or of the grid boundary
    // released at y in PanelGrid (overTitle: released over the title bar).
    void finishSqlDrag(int x);
    void finishGridDrag(int y, bool overTitle);

    // The named windows created once with the main window.
    TScheduleForm *scheduleForm() const { return m_scheduleForm; }
    TDataShowForm *dataShowForm() const { return m_dataShowForm; }
    TDitailDataForm *ditailDataForm() const { return m_ditailDataForm; }
    TSaveDBParamSetForm *connectionForm() const { return m_connectionForm; }
    TExcelSettingForm *excelSettingForm() const { return m_excelForm; }
    TLogShowForm *logShowForm() const { return m_logShowForm; }
    TConditionSetForm *conditionSetForm() const { return m_conditionForm; }
    TPathSettingForm *pathSettingForm() const { return m_pathForm; }
    // "Excel出力" of the report designer (one for the program's lifetime).
    ExcelReportCommand *excelReportCommand() const { return m_excelReport; }
    // A menu command by object name ("RunSql", "CloseSession", "CUT" ...).
    QAction *action(const QString &name) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectPanes();
    void buildMenus();
    void buildToolbar();
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption,
                     const QKeySequence &key, const std::function<void()> &command);
    void firstShowing();
    void applySettings();
    // The preferences' part of the settings: geometry and panes (with the resize handling
    // suspended), editors, row-count display and the secondary windows' layout.
    void applyPreferences();
    // Colours, tab widths and marks of the editors, and the row-count display.
    void applyEditorSettings();
    // The main window's geometry, pane sizes and SQL editors' state into the settings.
    void collectPreferenceValues();
    void collectSettings();
    // Places the secondary windows for the layout mode (XGASVGAMode).
    void layoutSecondaryWindows();
    void linkPreferences();
    void linkLogShowForm();
    void layoutPanes();
    void updateFileMenu();
    void updateEditMenu();
    void updateViewMenu();
    void tabChanged(int index);
    void closeSecondaryWindows();
    void linkExcelSettingForm();
    // The report run of the designer's "Excel出力".
    void runDesignerReport(ReportDefinition &def);

    TDataModule_Kelvoran m_dm;
    std::unique_ptr<HandOffStore> m_handOff;
    QString m_settingsPath;
    QString m_startupPath;
    UserInteraction *m_ui = nullptr;
    DialogInteraction *m_defaultUi = nullptr;
    std::unique_ptr<DialogLoginPrompt> m_loginPrompt;

    // The frame, the panes and the command sets (object names are the component names).
    QWidget *m_body = nullptr;
    QWidget *m_header = nullptr;
    ObjectTreePane *m_treePane = nullptr;
    SqlPane *m_sqlPane = nullptr;
    GridPane *m_gridPane = nullptr;
    DbNavigator *m_navigator = nullptr;
    FindReplace *m_findReplace = nullptr;
    FileCommands *m_files = nullptr;
    ScriptCommand *m_scripts = nullptr;
    CsvCommands *m_csv = nullptr;
    ExcelReportCommand *m_excelReport = nullptr;
    std::map<QString, QToolButton *> m_buttons;
    std::map<QString, QAction *> m_actions;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_treePopup = nullptr;
    QMenu *m_tabPopup = nullptr;

    // Windows created once.
    TScheduleForm *m_scheduleForm = nullptr;
    TAboutBox *m_aboutBox = nullptr;
    TDataShowForm *m_dataShowForm = nullptr;
    TInstructionManualForm *m_manualForm = nullptr;
    TDitailDataForm *m_ditailDataForm = nullptr;
    TErrSourceForm *m_errSourceForm = nullptr;
    TShowDataForm *m_showDataForm = nullptr;
    TSaveDBParamSetForm *m_connectionForm = nullptr;
    TExcelSettingForm *m_excelForm = nullptr;
    TConditionSetForm *m_conditionForm = nullptr;
    TPathSettingForm *m_pathForm = nullptr;
    TLogShowForm *m_logShowForm = nullptr;

    // Pane state.
    bool m_dragging = false;
    int m_sqlWidth = 721;
    int m_gridHeight = 340;
    int m_sqlState = 0;
    int m_gridState = 0;
    bool m_shownOnce = false;
    bool m_applyingSettings = false;
};

} // namespace kelvoran

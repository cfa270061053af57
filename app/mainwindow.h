// TKelvoran: the main window. Object tree, Definition/Source/SQL/AnalyzeCol tabs, data grid,
// menus, toolbar, pane splitters, and the dispatch of the edit, open, save, print and run
// commands to the active tab. UI thread only.
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

#include "datamodule.h"
#include "userinteraction.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPrinter;
class QTabWidget;
class QTableView;
class QTableWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kelvoran {

class DbNavigator;
class TAboutBox;
class DialogInteraction;
class DialogLoginPrompt;
class FindDialog;
class HandOffStore;
class PlaceholderForm;
class TDataShowForm;
class TSaveDBParamSetForm;
class TScheduleForm;
class TextEditor;

class TKelvoran : public QMainWindow {
    Q_OBJECT
public:
    // Tab indexes of PageControl_Kelvoran.
    enum Tab { DefinitionTab = 0, SourceTab = 1, SqlTab = 2, AnalyzeColTab = 3 };

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
    // Answers the replace question (QMessageBox::Yes/No/Abort/YesToAll); default: a box.
    void setReplaceQuestion(std::function<int(const QString &)> ask) {
        m_askReplace = std::move(ask);
    }

    // Runs a user command: a database error that escapes it shows DbErrorText boxes.
    void runCommand(const std::function<void()> &command);
    // Shows the boxes of a database error that no handler caught.
    void showDbError(const DbError &error);

    // Click on a tree node (or Enter on the tree): context, lazy filling and content.
    void treeClicked(QTreeWidgetItem *node);
    // Right-click on a tree node: context only (after a first click).
    void treeRightClicked(QTreeWidgetItem *node);
    // "SQL実行(&G)" (F4): runs the SQL tab's text on the current alias.
    void runSql();
    // "1つ前のSQL" and "1つ先のSQL".
    void historyBack();
    void historyForward();
    // "開く(&O)": PendingOpenPath, else the open dialog; settings, schedule, SQL or text file.
    void openFile();
    // "保存(&S)": the active tab's text (the SQL tab as a settings file).
    void saveFile();
    // "印刷(&P)": the printer dialog, then the active editor's lines.
    void printFile();
    // Prints the active editor's lines on a printer already chosen (one line per line, in the
    // editor's font); false when there is nothing to print.
    bool printActiveEditor(QPrinter *printer);
    // CUT, COPY, PASTE, CLEAR, SELECTALL, UNDO or REDO on the active tab's editor.
    void editCommand(const QString &word);
    // "セッションを閉じる(&Z)": closes the current alias's connection and drops its folders.
    void closeSession();
    // "更新": rebuilds the tree level below the selection.
    void refreshTree();
    // "全展開", "全縮小", "展開", "縮小".
    void expandAll();
    void collapseAll();
    void expandSelected();
    void collapseSelected();
    // "抽出項目名に置換え" (F6): the AnalyzeCol rows become the grid's field names.
    void replaceWithFieldNames();
    // "検索(&S)", "次を検索(&N)" (F3), "置き換え(&E)" (SQL tab only).
    void startFind();
    void findNextCommand();
    void startReplace();
    // The find dialog's "次を検索" and the replace dialog's two commands.
    void doFind();
    void doReplace(bool all);
    // Enter in EditSearch: the current folder's children containing the text (any case).
    void searchTree();
    // Enter in the result list: the clicked folder's children, case-sensitive.
    void searchResultEnter();
    // Double-click on a result: selects and clicks the object of that name.
    void searchResultChosen(const QString &text);
    // Takes the hand-off value and opens the file it names (the activation handler).
    void activation();
    // Opens a file without the dialog (as a hand-off does).
    void openPath(const QString &path);

    // Pane sizes and states.
    int sqlPaneWidth() const { return m_sqlWidth; }
    int gridPaneHeight() const { return m_gridHeight; }
    int sqlPaneState() const { return m_sqlState; }
    int gridPaneState() const { return m_gridState; }
    // Ends a drag of the vertical boundary released at x in PanelSQL, or of the grid boundary
    // released at y in PanelGrid (overTitle: released over the title bar).
    void finishSqlDrag(int x);
    void finishGridDrag(int y, bool overTitle);
    // The AnalyzeCol heading text of a column width.
    static QString paddedHeading(const QString &text, int width);
    // Re-pads the AnalyzeCol headings to the column widths.
    void padAnalyzeHeadings();

    // The named windows created once with the main window.
    TScheduleForm *scheduleForm() const { return m_scheduleForm; }
    TDataShowForm *dataShowForm() const { return m_dataShowForm; }
    TSaveDBParamSetForm *connectionForm() const { return m_connectionForm; }
    // A window that is not built yet, by class name (null when unknown).
    PlaceholderForm *placeholder(const QString &name) const;
    FindDialog *findDialog() const { return m_findDialog; }
    FindDialog *replaceDialog() const { return m_replaceDialog; }
    // A menu command by object name ("RunSql", "CloseSession", "CUT" ...).
    QAction *action(const QString &name) const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar();
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption,
                     const QKeySequence &key, const std::function<void()> &command);
    void addPlaceholder(const QString &name, const QString &caption);
    void showPlaceholder(const QString &name);
    void firstShowing();
    void applySettings();
    void collectSettings();
    void layoutSecondaryWindows();
    void layoutPanes();
    void updateFileMenu();
    void updateEditMenu();
    void updateViewMenu();
    void tabChanged(int index);
    TextEditor *activeEditor() const;
    bool editorBlank(TextEditor *editor) const;

    // Tree.
    static int levelOf(const QTreeWidgetItem *node);
    static QTreeWidgetItem *rootOf(QTreeWidgetItem *node);
    static QTreeWidgetItem *folderOf(QTreeWidgetItem *node);
    void listAliases();
    void readDriverName(QTreeWidgetItem *aliasNode);
    void expandAlias(QTreeWidgetItem *aliasNode);
    void setContext(QTreeWidgetItem *node);
    void loadContent(QTreeWidgetItem *node);
    void listFolder(QTreeWidgetItem *folder);
    void describe(QTreeWidgetItem *node);
    void openTable(const QString &alias, const QString &table);
    void closeTable();
    void showRowCount(const QString &table);
    void setRowCountBox(qint64 count);

    // AnalyzeCol.
    void resetAnalyzeCol();
    void fillAnalyzeCol(const std::vector<SelectItem> &items);
    void fillAnalyzeColFromGrid();
    void stripAnalyzeAliasQuotes();

    void showGridModel(QAbstractItemModel *model);
    void gridDoubleClicked(const QModelIndex &index);
    void closeSecondaryWindows();
    void inform(const QString &text, MessageIcon icon = MessageIcon::Information);

    TDataModule_Kelvoran m_dm;
    std::unique_ptr<HandOffStore> m_handOff;
    QString m_settingsPath;
    QString m_startupPath;
    UserInteraction *m_ui = nullptr;
    DialogInteraction *m_defaultUi = nullptr;
    std::unique_ptr<DialogLoginPrompt> m_loginPrompt;
    std::function<int(const QString &)> m_askReplace;

    // Controls (object names are the component names).
    QWidget *m_body = nullptr;
    QWidget *m_header = nullptr;
    QWidget *m_treePanel = nullptr;
    QWidget *m_sqlPanel = nullptr;
    QWidget *m_gridPanel = nullptr;
    QWidget *m_gridTitle = nullptr;
    QTreeWidget *m_tree = nullptr;
    QLineEdit *m_search = nullptr;
    QListWidget *m_searchResult = nullptr;
    QTabWidget *m_pages = nullptr;
    TextEditor *m_definition = nullptr;
    TextEditor *m_source = nullptr;
    TextEditor *m_sql = nullptr;
    QTableWidget *m_analyze = nullptr;
    QLabel *m_countLabel = nullptr;
    QLineEdit *m_count = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QTableView *m_grid = nullptr;
    DbNavigator *m_navigator = nullptr;
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
    TSaveDBParamSetForm *m_connectionForm = nullptr;
    FindDialog *m_findDialog = nullptr;
    FindDialog *m_replaceDialog = nullptr;
    std::map<QString, PlaceholderForm *> m_placeholders;

    // Pane state.
    bool m_dragging = false;
    int m_sqlWidth = 721;
    int m_gridHeight = 340;
    int m_sqlState = 0;
    int m_gridState = 0;
    bool m_handOffOpen = false;
    bool m_shownOnce = false;
    bool m_replaceMode = false;
    bool m_applyingSettings = false;
    QString m_lastFind;
};

} // namespace kelvoran

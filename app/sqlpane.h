// SqlPane: PanelSQL, the tab pages of the main window: the Definition and Source of the object
// chosen in the tree, the SQL tab with its runner and statement history, and the AnalyzeCol
// tab with the select list of the last scan. A run tells the grid what to show through the
// pane's signals; the run's state is kept in the data module. UI thread only.
#pragma once

#include "db/selectanalysis.h"

#include <QWidget>

class QAbstractItemModel;
class QTabWidget;
class QTableWidget;

namespace kelvoran {

struct AppSettings;
struct TDataModule_Kelvoran;
class TextEditor;

class SqlPane : public QWidget {
    Q_OBJECT
public:
    // Tab indexes of PageControl_Kelvoran.
    enum Tab { DefinitionTab = 0, SourceTab = 1, SqlTab = 2, AnalyzeColTab = 3 };

    // The pane's left strip where the splitter to the tree is dragged (the pages beside it).
    static constexpr int SplitterStrip = 4;

    SqlPane(TDataModule_Kelvoran &dm, QWidget *parent);
    // Places the pages in the pane's current size.
    void layoutContents();

    QTabWidget *pages() const { return m_pages; }
    int currentTab() const;
    TextEditor *definitionEditor() const { return m_definition; }
    TextEditor *sourceEditor() const { return m_source; }
    TextEditor *sqlEditor() const { return m_sql; }
    // The editor of the current tab (null on AnalyzeCol).
    TextEditor *activeEditor() const;

    // The editors' colours and the SQL editor's options from the settings, and back.
    void applySettings(const AppSettings &settings);
    void collectSettings(AppSettings &settings) const;

    // "SQL実行(&G)" (F4): runs the SQL tab's text on the current alias; windowActive: the main
    // window is the active one (otherwise nothing runs).
    void runSql(bool windowActive);
    // "1つ前のSQL" and "1つ先のSQL".
    void historyBack();
    void historyForward();
    // CUT, COPY, PASTE, CLEAR, SELECTALL, UNDO or REDO on the active tab's editor.
    void editCommand(const QString &word, bool windowActive);

    // The Definition and Source tabs' lines; their carets to the start.
    void showDescription(const QStringList &definition, const QStringList &source);
    void moveDescriptionToStart();
    // The SQL tab's text from a file (caret at the start when asked).
    void loadSql(const QStringList &lines, bool caretToStart);

    // AnalyzeCol: one blank row; the rows of a select list; the field names of the grid's model.
    void resetAnalyzeCol();
    void fillAnalyzeCol(const std::vector<SelectItem> &items);
    void fillAnalyzeColFromGrid(QAbstractItemModel *gridModel);
    // "抽出項目名に置換え" (F6): the AnalyzeCol rows become the grid's field names.
    void replaceWithFieldNames(QAbstractItemModel *gridModel);
    // The select list AnalyzeCol shows (physical name and alias of each row).
    std::vector<SelectItem> analyzeItems() const;
    // Re-pads the AnalyzeCol headings to the column widths.
    void padAnalyzeHeadings();

signals:
    // A run starts: messages are cleared and the field memo viewer closes.
    void runStarted();
    // The right-click menu of an editor, at a global position.
    void editorMenuRequested(const QPoint &globalPos);
    // What the grid shows: a model (null: none; the grid's table is closed after), the name box,
    // the row-count box (-1 clears it).
    void gridModelChanged(QAbstractItemModel *model);
    void nameShown(const QString &name);
    void rowCountShown(qint64 count);
    // AnalyzeCol takes the grid's field names.
    void gridColumnsWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TextEditor *makeEditor(const QString &name, bool readOnly);
    void stripAnalyzeAliasQuotes();
    void showHistoryStep(bool forward);

    TDataModule_Kelvoran &m_dm;
    QTabWidget *m_pages = nullptr;
    TextEditor *m_definition = nullptr;
    TextEditor *m_source = nullptr;
    TextEditor *m_sql = nullptr;
    QTableWidget *m_analyze = nullptr;
};

} // namespace kelvoran

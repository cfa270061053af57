// ObjectTreePane: PanelTreeView, the object tree of the aliases with its search box and result
// list. A click reads the alias's driver, fills folders lazily and loads the object's content:
// its definition and source, its rows as the grid's table and its row count. The pane does the
// database work itself and tells the other panes what to show through its signals; the tree
// context it keeps in the data module. UI thread only.
#pragma once

#include <QWidget>

#include <functional>

class QAbstractItemModel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kelvoran {

struct TDataModule_Kelvoran;

class ObjectTreePane : public QWidget {
    Q_OBJECT
public:
    ObjectTreePane(TDataModule_Kelvoran &dm, QWidget *parent);
    // Places the search box, the tree and the result list in the pane's current size.
    void layoutContents();

    QTreeWidget *tree() const { return m_tree; }
    QLineEdit *searchBox() const { return m_search; }
    QListWidget *searchResult() const { return m_searchResult; }

    // Level of a node (0 alias, 1 folder, 2 object), its alias node and its folder (or null).
    static int levelOf(const QTreeWidgetItem *node);
    static QTreeWidgetItem *rootOf(QTreeWidgetItem *node);
    static QTreeWidgetItem *folderOf(QTreeWidgetItem *node);

    // The aliases as the tree's top level, sorted; the first one becomes current.
    void listAliases();
    // Click on a tree node (or Enter on the tree): context, lazy filling and content.
    void treeClicked(QTreeWidgetItem *node);
    // Right-click on a tree node: context only (after a first click).
    void treeRightClicked(QTreeWidgetItem *node);
    // "更新": rebuilds the tree level below the selection.
    void refreshTree();
    // "セッションを閉じる(&Z)": closes the current alias's connection and drops its folders.
    void closeSession();
    // "全展開", "全縮小", "展開", "縮小".
    void expandAll();
    void collapseAll();
    void expandSelected();
    void collapseSelected();
    // Enter in EditSearch: the current folder's children containing the text (any case).
    void searchTree();
    // Enter in the result list: the clicked folder's children, case-sensitive.
    void searchResultEnter();
    // Double-click on a result: selects and clicks the object of that name.
    void searchResultChosen(const QString &text);

signals:
    // A click starts loading a node: messages, grid and AnalyzeCol start afresh.
    void clickStarted();
    // The right-click menu of a node, at a global position.
    void menuRequested(const QPoint &globalPos);
    // The name box and the row-count box (-1 clears it).
    void nameShown(const QString &name);
    void rowCountShown(qint64 count);
    // The Definition and Source tabs' lines, and the end of loading (carets to the start).
    void linesDescribed(const QStringList &definition, const QStringList &source);
    void contentLoaded();
    // A table is about to open in the grid; the grid's table is about to close (the grid lets
    // go of it); the grid shows a model (null: none).
    void tableOpening();
    void tableClosing();
    void gridModelChanged(QAbstractItemModel *model);
    // AnalyzeCol takes the grid's field names.
    void gridColumnsWanted();
    // The current alias's session was closed; its query result was closed before.
    void resultClosed();
    void sessionClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // True when selecting an object of this folder shows its rows (by the current alias's kind).
    bool showsRows(const QTreeWidgetItem *folder) const;
    void setContext(QTreeWidgetItem *node);
    void expandAlias(QTreeWidgetItem *aliasNode);
    void listFolder(QTreeWidgetItem *folder);
    void loadContent(QTreeWidgetItem *node);
    void describe(QTreeWidgetItem *node);
    void openTable(const QString &alias, const QString &table);
    void closeTable();
    void showRowCount(const QString &table);
    void run(const std::function<void()> &command);

    TDataModule_Kelvoran &m_dm;
    QLineEdit *m_search = nullptr;
    QTreeWidget *m_tree = nullptr;
    QListWidget *m_searchResult = nullptr;
};

} // namespace kelvoran

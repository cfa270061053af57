// GridPane: PanelGrid, the data grid (DBGrid) under its title bar with the row-count box and
// the table/view name box. It shows what the tree and the SQL tab send it: the table opened
// from the tree (Table_Kelvoran) or the query result. It runs the navigator's edit commands on
// the table and shows every refused write the way database errors are shown. UI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTableView;

namespace kelvoran {

class KeyedTableModel;
struct TDataModule_Kelvoran;
struct TableWriteFailure;

class GridPane : public QWidget {
    Q_OBJECT
public:
    GridPane(TDataModule_Kelvoran &dm, QWidget *parent);
    // Places the title bar and the grid in the pane's current size.
    void layoutContents();

    QWidget *titleBar() const { return m_title; }
    QTableView *grid() const { return m_grid; }
    // The model the grid shows (null: none).
    QAbstractItemModel *model() const;
    // The table the grid shows (null: none, or a query result).
    KeyedTableModel *table() const;

    // Shows a model (null: none).
    void showModel(QAbstractItemModel *model);
    // Lets go of the grid's table before it closes; of the query result after its alias closed.
    void releaseTable();
    void releaseResult();
    // The row-count box (-1 clears it) and the name box; both cleared.
    void showRowCount(qint64 count);
    void showName(const QString &name);
    void clearBoxes();
    // DataCount_Flg: the row-count box is shown, and the name box moves beside it.
    void setRowCounting(bool on);

    // The navigator's edit commands on the grid's table: add a row at the current one, delete
    // the current row (after asking), insert the added rows, drop them, read the rows again.
    void addRow();
    void deleteCurrentRow();
    void postRows();
    void cancelRows();
    void refreshRows();

signals:
    // The grid's model, its rows or its current cell changed (the navigator follows them).
    void stateChanged();
    // Double-click on a cell: its index and the column's field name.
    void cellChosen(const QModelIndex &index, const QString &field);

private:
    // Follows the rows and the current cell of the shown model.
    void watch(QAbstractItemModel *model);
    void reportWriteFailure(const TableWriteFailure &failure);
    void moveTo(int row);

    TDataModule_Kelvoran &m_dm;
    QPointer<QAbstractItemModel> m_watched;
    QWidget *m_title = nullptr;
    QLabel *m_countLabel = nullptr;
    QLineEdit *m_count = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QTableView *m_grid = nullptr;
};

} // namespace kelvoran

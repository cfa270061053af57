// GridPane: PanelGrid, the data grid (DBGrid) under its title bar with the row-count box and
// the table/view name box. It shows what the tree and the SQL tab send it: the table opened
// from the tree (Table_Kelvoran) or the query result. UI thread only.
#pragma once

#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTableView;

namespace kelvoran {

struct TDataModule_Kelvoran;

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

signals:
    // The grid's model changed (the navigator follows it).
    void modelShown();
    // Double-click on a cell: its index and the column's field name.
    void cellChosen(const QModelIndex &index, const QString &field);

private:
    TDataModule_Kelvoran &m_dm;
    QWidget *m_title = nullptr;
    QLabel *m_countLabel = nullptr;
    QLineEdit *m_count = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QTableView *m_grid = nullptr;
};

} // namespace kelvoran

// DBNavigator1: record navigation and editing of the grid's data (first, prior, next, last,
// insert, delete, post, cancel, refresh), with hints.
#pragma once

#include <QWidget>

class QTableView;
class QToolButton;

namespace kelvoran {

class DbNavigator : public QWidget {
    Q_OBJECT
public:
    explicit DbNavigator(QTableView *grid, QWidget *parent = nullptr);
    // Enables the buttons for the grid's model (editing only on an editable table).
    void updateButtons();
    QToolButton *button(const QString &name) const;

private:
    void act(const QString &name);
    QTableView *m_grid;
};

} // namespace kelvoran

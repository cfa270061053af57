// DBNavigator1: record navigation and editing of the grid's data (first, prior, next, last,
// insert, delete, post, cancel, refresh), with hints. Its buttons follow the grid: moving needs
// rows, editing an editable table, post and cancel added rows.
#pragma once

#include <QWidget>

class QToolButton;

namespace kelvoran {

class GridPane;

class DbNavigator : public QWidget {
    Q_OBJECT
public:
    explicit DbNavigator(GridPane *pane, QWidget *parent = nullptr);
    // Enables the buttons for what the grid shows.
    void updateButtons();
    QToolButton *button(const QString &name) const;

private:
    void act(const QString &name);
    GridPane *m_pane;
};

} // namespace kelvoran

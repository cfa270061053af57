// TDataShowForm: the field memo viewer of the data grid.
#pragma once

#include <QPersistentModelIndex>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace kelvoran {

class TDataShowForm : public QWidget {
    Q_OBJECT
public:
    explicit TDataShowForm(QWidget *parent = nullptr);

    // Binds the memo to a cell (its column's field name in the caption) and shows the window.
    void showField(const QModelIndex &cell, const QString &fieldName);
    // Writes an edit back to the record and lets go of the cell.
    void detach();

    QPlainTextEdit *memo() const { return m_memo; }
    QPushButton *closeButton() const { return m_close; }

protected:
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPersistentModelIndex m_cell;
    QPlainTextEdit *m_memo;
    QPushButton *m_close;
};

} // namespace kelvoran

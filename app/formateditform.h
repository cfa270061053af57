// TFormatEditForm: the format list editor. One grid row (AnalyzeFormatGrid) per entry of a format
// list, in order; rows are dragged into another order or removed with "フォーマット削除", and
// "決定" rebuilds the list. The rows and their rules live in ui/formatliststate. UI thread only.
#pragma once

#include "ui/formatliststate.h"

#include <QDialog>

class QMenu;
class QPushButton;
class QTableWidget;

namespace kelvoran {

class TFormatEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TFormatEditForm(QWidget *parent = nullptr);

    // A report column's list. "決定" rebuilds formatText, formatCodes and groupKeys from the rows
    // in grid order (each group code keeping its own key) and gives true; "キャンセル", Esc or
    // the title bar change nothing and give false. The dialog is created once per parent.
    static bool editColumnFormats(QWidget *parent, QString &formatText, QString &formatCodes,
                                  QString &groupKeys);
    // The column-name row's or the row total's list: entries of the total kinds 101-106 are
    // dropped. "決定" rebuilds formatText and formatCodes; cancel changes nothing.
    static bool editListFormats(QWidget *parent, QString &formatText, QString &formatCodes);

    // The same on this instance; withTotals false drops the total kinds.
    bool edit(bool withTotals, QString &formatText, QString &formatCodes, QString &groupKeys);

    // The grid's rows as they stand.
    const FormatListState &state() const { return m_state; }

private:
    void showRows();
    void rowDragged(int logicalIndex, int oldVisualIndex, int newVisualIndex);
    void showPopup(const QPoint &pos);
    void removeSelectedRow();

    FormatListState m_state;
    QTableWidget *m_grid = nullptr;
    QMenu *m_popup = nullptr;
    QPushButton *m_decide = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran

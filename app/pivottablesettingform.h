// TPivotTableSettingForm: the pivot field dialog of one pivot grid row: the field kind and, for a
// data field, the aggregation. The list rules come from ui/pivotfieldstate, the codes and texts
// from report/columnsetting. UI thread only.
#pragma once

#include "ui/pivotfieldstate.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace kelvoran {

class TPivotTableSettingForm : public QDialog {
    Q_OBJECT
public:
    explicit TPivotTableSettingForm(QWidget *parent = nullptr);

    // Opens the dialog for a pivot row, showing its current kind and aggregation. "決定" writes
    // FieldKindText, AggregationText and PivotCode of row (all three cleared for
    // "対象外(クリア)") and gives true; "キャンセル", Esc or the title bar change nothing and give
    // false. The dialog is created once per parent and kept.
    static bool chooseField(QWidget *parent, PivotFieldSetting &row);

    // The same on this instance.
    bool choose(PivotFieldSetting &row);

private:
    void kindChosen(int index);

    QListWidget *m_kind = nullptr;
    QLabel *m_aggregationLabel = nullptr;
    QListWidget *m_aggregation = nullptr;
    QPushButton *m_decide = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran

#include "app/pivottablesettingform.h"

#include "app/reportdialogs.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace kelvoran {

namespace {

const PivotFieldKind kKinds[] = {PivotFieldKind::None, PivotFieldKind::Row, PivotFieldKind::Column,
                                 PivotFieldKind::Data, PivotFieldKind::Page};

} // namespace

TPivotTableSettingForm::TPivotTableSettingForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPivotTableSettingForm"));
    setWindowTitle(QStringLiteral("ピボットテーブル設定"));
    setModal(true);

    auto *kindLabel = new QLabel(QStringLiteral("フィールドの種類"), this);
    kindLabel->setGeometry(12, 8, 160, 20);
    m_kind = new QListWidget(this);
    m_kind->setObjectName(QStringLiteral("ListBoxFieldKind"));
    for (PivotFieldKind kind : kKinds)
        m_kind->addItem(pivotFieldKindItem(kind));
    m_kind->setGeometry(12, 30, 160, 110);

    m_aggregationLabel = new QLabel(QStringLiteral("集計の方法"), this);
    m_aggregationLabel->setGeometry(188, 8, 160, 20);
    m_aggregation = new QListWidget(this);
    m_aggregation->setObjectName(QStringLiteral("ListBoxAggregation"));
    for (int i = 0; i < PivotAggregationCount; ++i)
        m_aggregation->addItem(pivotAggregationItem(i));
    m_aggregation->setGeometry(188, 30, 160, 244);

    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_Decide"));
    m_decide->setDefault(true);
    m_decide->setGeometry(188, 286, 76, 26);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setGeometry(272, 286, 76, 26);
    setFixedSize(360, 322);

    connect(m_kind, &QListWidget::currentRowChanged, this, &TPivotTableSettingForm::kindChosen);
    connect(m_decide, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TPivotTableSettingForm::chooseField(QWidget *parent, PivotFieldSetting &row) {
    return withReportDialog<TPivotTableSettingForm>(
        parent, [&](TPivotTableSettingForm &form) { return form.choose(row); });
}

void TPivotTableSettingForm::kindChosen(int index) {
    if (index < 0)
        return;
    AggregationListState list;
    list.visible = m_aggregation->isVisibleTo(this);
    list.enabled = m_aggregation->isEnabled();
    list.index = std::max(0, m_aggregation->currentRow());
    chooseFieldKind(kKinds[index], list);
    m_aggregation->setVisible(list.visible);
    m_aggregationLabel->setVisible(list.visible);
    m_aggregation->setEnabled(list.enabled);
    m_aggregation->setCurrentRow(list.index);
}

bool TPivotTableSettingForm::choose(PivotFieldSetting &row) {
    // The list starts as the row left it: its aggregation chosen, shown for a data field.
    m_aggregation->setEnabled(true);
    m_aggregation->setVisible(false);
    m_aggregationLabel->setVisible(false);
    m_aggregation->setCurrentRow(pivotAggregationOf(row));
    const PivotFieldKind current = pivotFieldKindOf(row);
    const int kindRow = static_cast<int>(std::find(std::begin(kKinds), std::end(kKinds), current) -
                                         std::begin(kKinds));
    m_kind->blockSignals(true);
    m_kind->setCurrentRow(kindRow);
    m_kind->blockSignals(false);
    kindChosen(kindRow);
    m_kind->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    setPivotField(row, kKinds[m_kind->currentRow()], m_aggregation->currentRow());
    return true;
}

} // namespace kelvoran

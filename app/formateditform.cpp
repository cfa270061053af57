#include "app/formateditform.h"

#include "app/reportdialogs.h"

#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace kelvoran {

TFormatEditForm::TFormatEditForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormatEditForm"));
    setWindowTitle(QStringLiteral("書式編集"));
    setModal(true);

    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("AnalyzeFormatGrid"));
    m_grid->setColumnCount(1);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("フォーマット")});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // A row is dragged by its number cell; the grid is rebuilt in the new order at the drop.
    m_grid->verticalHeader()->setSectionsMovable(true);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->setGeometry(10, 10, 320, 250);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupFormatEdit"));
    QAction *remove = m_popup->addAction(QStringLiteral("フォーマット削除"));
    remove->setObjectName(QStringLiteral("FormatDelete"));

    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_Decide"));
    m_decide->setDefault(true);
    m_decide->setGeometry(170, 270, 76, 26);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(254, 270, 76, 26);
    setFixedSize(340, 306);

    // Queued: the header is rebuilt after it has finished the drop.
    connect(m_grid->verticalHeader(), &QHeaderView::sectionMoved, this,
            &TFormatEditForm::rowDragged, Qt::QueuedConnection);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &TFormatEditForm::showPopup);
    connect(remove, &QAction::triggered, this, &TFormatEditForm::removeSelectedRow);
    connect(m_decide, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormatEditForm::editColumnFormats(QWidget *parent, QString &formatText, QString &formatCodes,
                                        QString &groupKeys) {
    return withReportDialog<TFormatEditForm>(parent, [&](TFormatEditForm &form) {
        return form.edit(true, formatText, formatCodes, groupKeys);
    });
}

bool TFormatEditForm::editListFormats(QWidget *parent, QString &formatText, QString &formatCodes) {
    QString noKeys;
    return withReportDialog<TFormatEditForm>(parent, [&](TFormatEditForm &form) {
        return form.edit(false, formatText, formatCodes, noKeys);
    });
}

void TFormatEditForm::showRows() {
    const int current = m_grid->currentRow();
    QHeaderView *header = m_grid->verticalHeader();
    header->blockSignals(true);
    m_grid->clearContents();
    m_grid->setRowCount(0); // also puts moved sections back in their places
    m_grid->setRowCount(m_state.rowCount());
    for (int r = 0; r < m_state.rowCount(); ++r) {
        const FormatListEntry &e = m_state.rows()[static_cast<size_t>(r)];
        auto *item = new QTableWidgetItem(e.displayText);
        item->setData(Qt::UserRole, e.code);
        item->setData(Qt::UserRole + 1, e.groupKey);
        m_grid->setItem(r, 0, item);
    }
    header->blockSignals(false);
    if (m_state.rowCount() > 0)
        m_grid->selectRow(std::clamp(current, 0, m_state.rowCount() - 1));
}

void TFormatEditForm::rowDragged(int, int oldVisualIndex, int newVisualIndex) {
    m_state.moveRow(oldVisualIndex, newVisualIndex);
    showRows();
    m_grid->selectRow(newVisualIndex);
}

void TFormatEditForm::showPopup(const QPoint &pos) {
    // The row under the pointer becomes the selected one before the menu opens.
    const int row = m_grid->rowAt(pos.y());
    if (row >= 0)
        m_grid->selectRow(row);
    m_popup->actions().first()->setEnabled(m_grid->currentRow() >= 0 && m_state.rowCount() > 0);
    m_popup->popup(m_grid->viewport()->mapToGlobal(pos));
}

void TFormatEditForm::removeSelectedRow() {
    const int row = m_grid->currentRow();
    if (row < 0)
        return;
    m_state.removeRow(row);
    showRows();
}

bool TFormatEditForm::edit(bool withTotals, QString &formatText, QString &formatCodes,
                           QString &groupKeys) {
    m_state.load(formatText, formatCodes, groupKeys, withTotals);
    m_grid->setCurrentCell(-1, -1);
    showRows();
    m_grid->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    QString keys;
    m_state.join(formatText, formatCodes, keys);
    if (withTotals)
        groupKeys = keys;
    return true;
}

} // namespace kelvoran

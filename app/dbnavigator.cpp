#include "app/dbnavigator.h"

#include "app/gridpane.h"
#include "ui/keyedtablemodel.h"

#include <QHBoxLayout>
#include <QTableView>
#include <QToolButton>

namespace kelvoran {

namespace {
struct NavButton {
    const char *name;
    const char *hint;
    const char *glyph;
};
const NavButton kButtons[] = {
    {"First", "先頭レコード", "|◀"},    {"Prior", "前レコード", "◀"},
    {"Next", "次レコード", "▶"},        {"Last", "最終レコード", "▶|"},
    {"Insert", "レコード挿入", "+"},    {"Delete", "レコード削除", "−"},
    {"Post", "編集の確定", "✓"},        {"Cancel", "編集のキャンセル", "×"},
    {"Refresh", "データの再表示", "↻"},
};
} // namespace

DbNavigator::DbNavigator(GridPane *pane, QWidget *parent) : QWidget(parent), m_pane(pane) {
    setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const NavButton &b : kButtons) {
        auto *button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(QString::fromUtf8(b.glyph));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setFixedSize(22, 22);
        layout->addWidget(button);
        const QString name = QString::fromLatin1(b.name);
        connect(button, &QToolButton::clicked, this, [this, name] { act(name); });
    }
    connect(m_pane, &GridPane::stateChanged, this, &DbNavigator::updateButtons);
    updateButtons();
}

QToolButton *DbNavigator::button(const QString &name) const {
    return findChild<QToolButton *>(name);
}

void DbNavigator::updateButtons() {
    QAbstractItemModel *model = m_pane->model();
    const bool open = model && model->columnCount() > 0;
    const bool rows = open && model->rowCount() > 0;
    KeyedTableModel *table = m_pane->table();
    const bool editable = table && !table->isReadOnly();
    const bool pending = table && table->hasPendingRows();
    const bool current = rows && m_pane->grid()->currentIndex().isValid();
    const std::pair<const char *, bool> states[] = {
        {"First", rows},   {"Prior", rows},      {"Next", rows},
        {"Last", rows},    {"Insert", editable}, {"Delete", editable && current},
        {"Post", pending}, {"Cancel", pending},  {"Refresh", table != nullptr},
    };
    for (const auto &[name, enabled] : states)
        button(QString::fromLatin1(name))->setEnabled(enabled);
}

void DbNavigator::act(const QString &name) {
    QTableView *grid = m_pane->grid();
    QAbstractItemModel *model = m_pane->model();
    if (!model)
        return;
    if (name == u"Insert")
        return m_pane->addRow();
    if (name == u"Delete")
        return m_pane->deleteCurrentRow();
    if (name == u"Post")
        return m_pane->postRows();
    if (name == u"Cancel")
        return m_pane->cancelRows();
    if (name == u"Refresh")
        return m_pane->refreshRows();
    const int column = qMax(0, grid->currentIndex().column());
    int row = grid->currentIndex().row();
    if (name == u"First") {
        row = 0;
    } else if (name == u"Prior") {
        row = qMax(0, row - 1);
    } else if (name == u"Next") {
        if (row + 1 >= model->rowCount() && model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        row = qMin(model->rowCount() - 1, row + 1);
    } else if (name == u"Last") {
        while (model->canFetchMore(QModelIndex()))
            model->fetchMore(QModelIndex());
        row = model->rowCount() - 1;
    }
    if (row >= 0 && row < model->rowCount())
        grid->setCurrentIndex(model->index(row, column));
}

} // namespace kelvoran

#include "app/dbnavigator.h"

#include <QHBoxLayout>
#include <QSqlTableModel>
#include <QStyle>
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

DbNavigator::DbNavigator(QTableView *grid, QWidget *parent) : QWidget(parent), m_grid(grid) {
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
    updateButtons();
}

QToolButton *DbNavigator::button(const QString &name) const {
    return findChild<QToolButton *>(name);
}

void DbNavigator::updateButtons() {
    QAbstractItemModel *model = m_grid->model();
    const bool open = model && model->columnCount() > 0;
    const bool editable = open && qobject_cast<QSqlTableModel *>(model);
    for (const NavButton &b : kButtons) {
        const QString name = QString::fromLatin1(b.name);
        const bool edit =
            name == u"Insert" || name == u"Delete" || name == u"Post" || name == u"Cancel";
        button(name)->setEnabled(edit ? editable : open);
    }
}

void DbNavigator::act(const QString &name) {
    QAbstractItemModel *model = m_grid->model();
    if (!model)
        return;
    auto *table = qobject_cast<QSqlTableModel *>(model);
    const int column = qMax(0, m_grid->currentIndex().column());
    int row = m_grid->currentIndex().row();
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
    } else if (table && name == u"Insert") {
        row = qMax(0, row);
        table->insertRow(row);
    } else if (table && name == u"Delete") {
        if (row >= 0) {
            table->removeRow(row);
            table->select();
        }
    } else if (table && name == u"Post") {
        table->submitAll();
    } else if (table && name == u"Cancel") {
        table->revertAll();
    } else if (name == u"Refresh") {
        if (table)
            table->select();
    }
    if (row >= 0 && row < model->rowCount())
        m_grid->setCurrentIndex(model->index(row, column));
}

} // namespace kelvoran

#include "app/gridpane.h"

#include "app/datamodule.h"
#include "ui/keyedtablemodel.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace kelvoran {

namespace {
const QString kDeleteQuestion = QStringLiteral("このレコードを削除しますか？");
} // namespace

GridPane::GridPane(TDataModule_Kelvoran &dm, QWidget *parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("PanelGrid"));
    setMouseTracking(true);
    m_title = new QWidget(this);
    m_title->setObjectName(QStringLiteral("PanelGridTitle"));
    m_title->setMouseTracking(true);
    m_countLabel = new QLabel(QStringLiteral("データ数"), m_title);
    m_count = new QLineEdit(m_title);
    m_count->setObjectName(QStringLiteral("MemoDataCnt"));
    m_count->setReadOnly(true);
    m_count->setAlignment(Qt::AlignRight);
    connect(m_count, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (t == u"-1")
            m_count->clear();
    });
    m_nameLabel = new QLabel(QStringLiteral("Table・View名"), m_title);
    m_name = new QLineEdit(m_title);
    m_name->setObjectName(QStringLiteral("EditTblViewName"));
    m_name->setReadOnly(true);
    m_countLabel->setGeometry(12, 14, 60, 20);
    m_count->setGeometry(72, 12, 80, 22);
    m_nameLabel->setGeometry(168, 14, 100, 20);
    m_name->setGeometry(272, 12, 400, 22);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid"));
    // A double-click opens the field memo viewer; typing edits the cell.
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (!index.isValid() || !m_grid->model())
            return;
        emit cellChosen(index,
                        m_grid->model()->headerData(index.column(), Qt::Horizontal).toString());
    });
}

void GridPane::layoutContents() {
    constexpr int titleHeight = 48;
    m_title->setGeometry(0, 0, width(), titleHeight);
    m_grid->setGeometry(0, titleHeight, width(), qMax(0, height() - titleHeight));
}

QAbstractItemModel *GridPane::model() const {
    return m_grid->model();
}

KeyedTableModel *GridPane::table() const {
    QAbstractItemModel *shown = m_grid->model();
    return m_dm.table && shown == m_dm.table.get() ? m_dm.table.get() : nullptr;
}

void GridPane::showModel(QAbstractItemModel *model) {
    m_grid->setModel(model);
    watch(model);
    auto *main = qobject_cast<QMainWindow *>(window());
    if (KeyedTableModel *t = table(); t && t->isReadOnly() && main)
        main->statusBar()->showMessage(KeyedTableModel::readOnlyNote());
    emit stateChanged();
}

void GridPane::releaseTable() {
    if (m_dm.table && m_grid->model() == m_dm.table.get()) {
        m_grid->setModel(nullptr);
        watch(nullptr);
        emit stateChanged();
    }
}

void GridPane::watch(QAbstractItemModel *model) {
    if (m_watched)
        disconnect(m_watched, nullptr, this, nullptr);
    m_watched = model;
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this, &GridPane::stateChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &GridPane::stateChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &GridPane::stateChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, &GridPane::stateChanged);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &GridPane::stateChanged);
    if (auto *t = qobject_cast<KeyedTableModel *>(model))
        connect(t, &KeyedTableModel::writeFailed, this,
                [this, t] { reportWriteFailure(t->lastFailure()); });
}

void GridPane::reportWriteFailure(const TableWriteFailure &failure) {
    // Shown once the refused write has returned: the grid may still be closing its editor.
    QTimer::singleShot(0, this, [this, failure] {
        if (failure.error.isEmpty())
            m_dm.inform(failure.message, MessageIcon::Warning);
        else
            m_dm.runCommand([&failure] { throw DbException(failure.error); });
    });
}

void GridPane::moveTo(int row) {
    QAbstractItemModel *shown = m_grid->model();
    if (!shown || shown->rowCount() == 0)
        return;
    row = qBound(0, row, shown->rowCount() - 1);
    m_grid->setCurrentIndex(shown->index(row, qMax(0, m_grid->currentIndex().column())));
}

void GridPane::addRow() {
    KeyedTableModel *t = table();
    if (!t)
        return;
    const int row = qMax(0, m_grid->currentIndex().row());
    if (t->insertRows(row, 1))
        moveTo(row);
}

void GridPane::deleteCurrentRow() {
    KeyedTableModel *t = table();
    const int row = m_grid->currentIndex().row();
    if (!t || t->isReadOnly() || row < 0)
        return;
    if (!t->isPendingRow(row) && !m_dm.ui->confirm(kDeleteQuestion))
        return;
    if (t->deleteRow(row))
        moveTo(row);
}

void GridPane::postRows() {
    if (KeyedTableModel *t = table())
        t->postPendingRows();
}

void GridPane::cancelRows() {
    if (KeyedTableModel *t = table())
        t->cancelPendingRows();
}

void GridPane::refreshRows() {
    KeyedTableModel *t = table();
    const int row = m_grid->currentIndex().row();
    if (t && t->refresh())
        moveTo(row);
}

void GridPane::releaseResult() {
    if (m_grid->model() == m_dm.runner.resultModel())
        showModel(nullptr);
}

void GridPane::showRowCount(qint64 count) {
    m_count->setText(QString::number(count));
}

void GridPane::showName(const QString &name) {
    m_name->setText(name);
}

void GridPane::clearBoxes() {
    m_count->clear();
    m_name->clear();
}

void GridPane::setRowCounting(bool on) {
    m_countLabel->setVisible(on);
    m_count->setVisible(on);
    m_nameLabel->move(on ? 168 : 12, m_nameLabel->y());
    m_name->move(on ? 272 : 116, m_name->y());
}

} // namespace kelvoran

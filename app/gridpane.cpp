#include "app/gridpane.h"

#include "app/datamodule.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace kelvoran {

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

void GridPane::showModel(QAbstractItemModel *model) {
    m_grid->setModel(model);
    emit modelShown();
}

void GridPane::releaseTable() {
    if (m_dm.table && m_grid->model() == m_dm.table.get())
        m_grid->setModel(nullptr);
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

#include "app/datashowform.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace kelvoran {

TDataShowForm::TDataShowForm(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TDataShowForm"));
    resize(470, 320);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("DBMemo1"));
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_close = new QPushButton(QStringLiteral("閉じる"), this);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
}

void TDataShowForm::showField(const QModelIndex &cell, const QString &fieldName) {
    detach();
    m_cell = cell;
    setWindowTitle(QStringLiteral("項目名：") + fieldName);
    m_memo->setPlainText(cell.data(Qt::EditRole).toString());
    m_memo->document()->setModified(false);
    const bool editable = cell.flags() & Qt::ItemIsEditable;
    m_memo->setReadOnly(!editable);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TDataShowForm::detach() {
    if (m_cell.isValid() && m_memo->document()->isModified()) {
        auto *model = const_cast<QAbstractItemModel *>(m_cell.model());
        model->setData(m_cell, m_memo->toPlainText(), Qt::EditRole);
    }
    m_cell = QPersistentModelIndex();
    m_memo->document()->setModified(false);
}

void TDataShowForm::hideEvent(QHideEvent *event) {
    detach();
    QWidget::hideEvent(event);
}

void TDataShowForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    const int buttonHeight = 25;
    m_memo->setGeometry(0, 0, width(), height() - buttonHeight - 12);
    m_close->setGeometry(width() / 2 - 56, height() - buttonHeight - 6, 112, buttonHeight);
}

} // namespace kelvoran

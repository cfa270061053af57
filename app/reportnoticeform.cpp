#include "app/reportnoticeform.h"

#include "report/messagetable.h"

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvoran {

TReportNoticeForm::TReportNoticeForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TReportNoticeForm"));
    setWindowTitle(QStringLiteral("Excel出力"));
    setModal(true);
    resize(620, 300);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("LabelNotice"));
    m_heading->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBoxNotice"));
    m_list->setWordWrap(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ButtonOK"));
    m_ok->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TReportNoticeForm::showNotices(const QString &path, const QStringList &notices) {
    // The name in the heading, the whole path where the pointer rests on it.
    m_heading->setText(ReportText::noticesHeading(QFileInfo(path).fileName()));
    m_heading->setToolTip(path);
    m_list->clear();
    m_list->addItems(notices);
    exec();
}

QStringList TReportNoticeForm::notices() const {
    QStringList texts;
    for (int i = 0; i < m_list->count(); ++i)
        texts << m_list->item(i)->text();
    return texts;
}

} // namespace kelvoran

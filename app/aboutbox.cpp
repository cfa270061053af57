#include "app/aboutbox.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvoran {

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("Kelvoran"), this);
    QFont f = name->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    name->setFont(f);
    layout->addWidget(name);
    const QString version = QCoreApplication::applicationVersion().isEmpty()
                                ? QStringLiteral("0.1.0")
                                : QCoreApplication::applicationVersion();
    layout->addWidget(new QLabel(QStringLiteral("バージョン ") + version, this));
    layout->addWidget(new QLabel(
        QStringLiteral("データベースの参照・編集、Excel帳票作成、スケジュール実行"), this));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace kelvoran

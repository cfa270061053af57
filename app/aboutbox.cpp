#include "app/aboutbox.h"

#include "ui/aboutinfo.h"

#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvoran {

namespace {

// The licence is compiled in under this resource folder when the source tree has one.
const char *const kLicenceFolder = ":/licence";

QLabel *namedLabel(const char *name, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setModal(true);
    setMinimumWidth(520);
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("Kelvoran"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont f = name->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    name->setFont(f);
    layout->addWidget(name);
    m_version = namedLabel("Version", this);
    layout->addWidget(m_version);
    layout->addWidget(new QLabel(
        QStringLiteral("データベースの参照・編集、Excel帳票作成、スケジュール実行"), this));
    auto *details = new QFormLayout;
    m_qtVersion = namedLabel("QtVersion", this);
    m_drivers = namedLabel("SqlDrivers", this);
    m_libraries = namedLabel("ClientLibraries", this);
    details->addRow(QStringLiteral("Qt"), m_qtVersion);
    details->addRow(QStringLiteral("データベースドライバ"), m_drivers);
    details->addRow(QStringLiteral("クライアントライブラリ"), m_libraries);
    layout->addLayout(details);
    m_licenceCaption = new QLabel(QStringLiteral("ライセンス"), this);
    m_licence = new QPlainTextEdit(this);
    m_licence->setObjectName(QStringLiteral("Memo_Licence"));
    m_licence->setReadOnly(true);
    m_licence->setMinimumHeight(160);
    layout->addWidget(m_licenceCaption);
    layout->addWidget(m_licence, 1);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_licenceCaption->hide();
    m_licence->hide();
}

void TAboutBox::showEvent(QShowEvent *event) {
    if (!m_filled)
        fill();
    QDialog::showEvent(event);
}

void TAboutBox::fill() {
    m_filled = true;
    const AboutInfo info =
        collectAboutInfo(QStringLiteral(KELVORAN_VERSION), QString::fromLatin1(kLicenceFolder));
    m_version->setText(info.versionLine());
    m_qtVersion->setText(info.qtLine());
    m_drivers->setText(info.driversLine());
    m_libraries->setText(info.clientLibrariesLine());
    m_licence->setPlainText(info.licenceText);
    m_licenceCaption->setVisible(!info.licenceText.isEmpty());
    m_licence->setVisible(!info.licenceText.isEmpty());
    // The texts decide the height: long driver lists wrap.
    adjustSize();
}

} // namespace kelvoran

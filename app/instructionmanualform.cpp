#include "app/instructionmanualform.h"

#include "core/appsettings.h"
#include "db/aliases.h"
#include "ui/instructionmanual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kelvoran {

namespace {

// The overview text, compiled in from app/resources.
const char *const kManualResource = ":/help/manual.html";

QString readText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The README beside an installed program, else the one of the source tree it was built from.
QString findReadme() {
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QStringList candidates = {
        appDir.filePath(QStringLiteral("README.md")),
        appDir.filePath(QStringLiteral("../share/doc/kelvoran/README.md")),
        QStringLiteral(KELVORAN_SOURCE_README),
    };
    for (const QString &path : candidates)
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    return QString();
}

} // namespace

TInstructionManualForm::TInstructionManualForm(const AppSettings &settings,
                                               const QString &settingsPath, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_settingsPath(settingsPath),
      m_openUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("TInstructionManualForm"));
    setWindowTitle(QStringLiteral("機能概要"));
    setModal(true);
    resize(760, 640);
    auto *layout = new QVBoxLayout(this);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("Memo_Manual"));
    // Links are followed here: in-page anchors scroll, README links open the file.
    m_browser->setOpenLinks(false);
    layout->addWidget(m_browser, 1);
    auto *bottom = new QHBoxLayout;
    m_linkLabel = new QLabel(this);
    m_linkLabel->setObjectName(QStringLiteral("Label_Link"));
    m_linkLabel->setWordWrap(true);
    m_linkLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(m_linkLabel, 1);
    m_close = new QPushButton(QStringLiteral("閉じる"), this);
    m_close->setObjectName(QStringLiteral("Button_Close"));
    m_close->setDefault(true);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &TInstructionManualForm::followLink);
}

void TInstructionManualForm::showEvent(QShowEvent *event) {
    // The log folder may have changed in the preferences since the last showing.
    fillText();
    QDialog::showEvent(event);
}

void TInstructionManualForm::fillText() {
    m_readmePath = findReadme();
    ManualPlaces places;
    places.settingsFile = m_settingsPath;
    places.aliasFile = AliasList::defaultAliasFilePath();
    places.logFolder = QDir::toNativeSeparators(m_settings.logFileDir);
    places.installDir = QDir::toNativeSeparators(m_settings.installDir);
    places.readmeFile = QDir::toNativeSeparators(m_readmePath);
    m_browser->setHtml(manualHtml(readText(QString::fromLatin1(kManualResource)), places));
    m_linkLabel->clear();
}

void TInstructionManualForm::followLink(const QUrl &url) {
    const QString href = url.toString();
    if (href.startsWith(u'#')) {
        m_browser->scrollToAnchor(href.mid(1));
        return;
    }
    if (isReadmeLink(href)) {
        followReadmeLink(href);
        return;
    }
    m_openUrl(url);
}

void TInstructionManualForm::followReadmeLink(const QString &href) {
    if (m_readmePath.isEmpty()) {
        m_linkLabel->setText(QStringLiteral("README.md が見つかりません。"));
        return;
    }
    const QString anchor = splitReadmeLink(href).anchor;
    const QString heading = markdownHeadingForAnchor(readText(m_readmePath), anchor);
    if (!anchor.isEmpty() && heading.isEmpty()) {
        m_linkLabel->setText(QStringLiteral("README.md に「%1」の節がありません。").arg(anchor));
        return;
    }
    QUrl target = QUrl::fromLocalFile(m_readmePath);
    if (!anchor.isEmpty())
        target.setFragment(anchor);
    const QString place = QDir::toNativeSeparators(m_readmePath);
    const QString section = heading.isEmpty() ? QString() : QStringLiteral("「%1」").arg(heading);
    if (m_openUrl(target))
        m_linkLabel->setText(QStringLiteral("%1%2を開きました。").arg(place, section));
    else
        m_linkLabel->setText(QStringLiteral("%1 を開けませんでした。%2").arg(place, section));
}

} // namespace kelvoran

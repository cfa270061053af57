#include "app/pathsettingform.h"

#include "ui/preferences.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace kelvoran {

namespace {

// The full path of a listed folder.
constexpr int kPathRole = Qt::UserRole + 1;

} // namespace

TPathSettingForm::TPathSettingForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPathSettingForm"));
    setWindowTitle(QStringLiteral("LogFolderSettingForm"));
    setModal(true);

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("DriveComboBox"));
    for (const QFileInfo &drive : QDir::drives())
        m_drives->addItem(QDir::toNativeSeparators(drive.absolutePath()), drive.absolutePath());
    m_drives->setGeometry(12, 12, 336, 24);
    connect(m_drives, &QComboBox::activated, this,
            [this](int index) { openFolder(m_drives->itemData(index).toString()); });

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("DirectoryListBox"));
    m_list->setGeometry(12, 44, 336, 220);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        m_path->setText(QDir::toNativeSeparators(item->data(kPathRole).toString()));
    });
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { openFolder(item->data(kPathRole).toString()); });

    auto *label = new QLabel(QStringLiteral("選択パス"), this);
    label->setGeometry(12, 276, 60, 22);
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("Edit_SelectPath"));
    m_path->setReadOnly(true);
    m_path->setGeometry(76, 276, 272, 22);
    label->setBuddy(m_path);

    m_ok = new QPushButton(QStringLiteral("決定"), this);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    m_ok->setGeometry(88, 312, 80, 26);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setGeometry(192, 312, 80, 26);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(360, 350);
}

QString TPathSettingForm::fallbackFolder() {
    return QDir::homePath();
}

QString TPathSettingForm::selectedPath() const {
    return QDir::fromNativeSeparators(m_path->text());
}

QString TPathSettingForm::chooseFolder(const QString &logFolder) {
    const QString start = chooserStartFolder(logFolder, fallbackFolder());
    openFolder(start);
    if (exec() == QDialog::Accepted && !selectedPath().isEmpty())
        return chosenLogFolder(selectedPath());
    return chosenLogFolder(start);
}

void TPathSettingForm::openFolder(const QString &folder) {
    m_folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    m_path->setText(QDir::toNativeSeparators(m_folder));
    const QString root = QDir(m_folder).rootPath();
    const int drive = m_drives->findData(root);
    if (drive >= 0)
        m_drives->setCurrentIndex(drive);
    listFolder();
}

void TPathSettingForm::listFolder() {
    m_list->clear();
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    // The parents from the root down, then the folder itself, each indented one step more.
    QStringList chain;
    for (QDir d(m_folder);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &path : chain) {
        const QString name =
            QDir(path).isRoot() ? QDir::toNativeSeparators(path) : QFileInfo(path).fileName();
        auto *item = new QListWidgetItem(open, QString(depth * 2, u' ') + name, m_list);
        item->setData(kPathRole, path);
        ++depth;
    }
    m_list->setCurrentRow(m_list->count() - 1);
    const QDir here(m_folder);
    for (const QFileInfo &sub :
         here.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto *item = new QListWidgetItem(closed, QString(depth * 2, u' ') + sub.fileName(), m_list);
        item->setData(kPathRole, sub.absoluteFilePath());
    }
}

} // namespace kelvoran

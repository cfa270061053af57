#include "app/scheduleforminteraction.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/savedbparamsetform.h"

#include <QPushButton>

namespace kelvoran {

namespace {
const QString kWorkbookFilter = QStringLiteral("Excel files (*.xlsx;*.xls)|*.xlsx;*.xls");

bool isWorkbookFilter(const QString &filter) {
    return filter.contains(QStringLiteral("*.xls"), Qt::CaseInsensitive);
}
} // namespace

ScheduleFormInteraction::ScheduleFormInteraction(TDataModule_Kelvoran &dm,
                                                 TSaveDBParamSetForm &connectionForm)
    : m_dm(dm), m_connectionForm(connectionForm) {}

void ScheduleFormInteraction::inform(MessageIcon icon, const QString &text) {
    m_dm.ui->inform(icon, text);
}

bool ScheduleFormInteraction::confirm(const QString &text) {
    return m_dm.ui->confirm(text);
}

bool ScheduleFormInteraction::chooseConnection(const QString &presetAlias,
                                               ConnectionChoice &choice) {
    bool decided = false;
    bool cancelled = false;
    const auto onDecide = QObject::connect(m_connectionForm.decideButton(), &QPushButton::clicked,
                                           [&decided] { decided = true; });
    const auto onCancel = QObject::connect(m_connectionForm.cancelButton(), &QPushButton::clicked,
                                           [&cancelled] { cancelled = true; });
    m_connectionForm.prepare(presetAlias);
    const bool accepted = m_connectionForm.exec() == QDialog::Accepted;
    QObject::disconnect(onDecide);
    QObject::disconnect(onCancel);
    m_closedByTitleBar = !accepted && !cancelled && !decided;
    if (!accepted)
        return false;
    choice = m_connectionForm.choice();
    return true;
}

QString ScheduleFormInteraction::offered(QString &path) {
    QString taken = path;
    path.clear();
    return taken;
}

QString ScheduleFormInteraction::chooseOpenFile(const QString &title, const QString &filter) {
    if (auto *dialogs = dynamic_cast<DialogInteraction *>(m_dm.ui))
        dialogs->setPreselectedPath(offered(m_openPath));
    return m_dm.ui->chooseOpenFile(title, filter);
}

QString ScheduleFormInteraction::chooseSaveFile(const QString &title, const QString &filter) {
    if (auto *dialogs = dynamic_cast<DialogInteraction *>(m_dm.ui))
        dialogs->setPreselectedPath(offered(m_savePath));
    return m_dm.ui->chooseSaveFile(title, isWorkbookFilter(filter) ? kWorkbookFilter : filter);
}

void ScheduleFormInteraction::offerPaths(const QString &openPath, const QString &savePath) {
    m_openPath = openPath;
    m_savePath = savePath;
}

} // namespace kelvoran

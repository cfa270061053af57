#include "app/dialoginteraction.h"

#include "app/savedbparamsetform.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kelvoran {

QString qtFileFilter(const QString &pairs) {
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        QString description = parts[i];
        const int paren = description.indexOf(u'(');
        if (paren >= 0)
            description = description.left(paren).trimmed();
        filters << description + QStringLiteral(" (") + patterns + u')';
    }
    return filters.isEmpty() ? pairs : filters.join(QStringLiteral(";;"));
}

DialogInteraction::DialogInteraction(QWidget *parent, TSaveDBParamSetForm *connectionForm)
    : m_parent(parent), m_connectionForm(connectionForm) {}

void DialogInteraction::inform(MessageIcon icon, const QString &text) {
    const QString title = QStringLiteral("Kelvoran");
    switch (icon) {
    case MessageIcon::Information:
        QMessageBox::information(m_parent, title, text);
        break;
    case MessageIcon::Warning:
        QMessageBox::warning(m_parent, title, text);
        break;
    case MessageIcon::Error:
        QMessageBox::critical(m_parent, title, text);
        break;
    }
}

bool DialogInteraction::confirm(const QString &text) {
    return QMessageBox::question(m_parent, QStringLiteral("Kelvoran"), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool DialogInteraction::chooseConnection(const QString &presetAlias, ConnectionChoice &choice) {
    m_connectionForm->prepare(presetAlias);
    if (m_connectionForm->exec() != QDialog::Accepted)
        return false;
    choice = m_connectionForm->choice();
    return true;
}

QString DialogInteraction::takePreselected() {
    QString path = m_preselected;
    m_preselected.clear();
    return path;
}

QString DialogInteraction::chooseOpenFile(const QString &title, const QString &filter) {
    return QFileDialog::getOpenFileName(m_parent, title, takePreselected(), qtFileFilter(filter));
}

QString DialogInteraction::chooseSaveFile(const QString &title, const QString &filter) {
    return QFileDialog::getSaveFileName(m_parent, title, takePreselected(), qtFileFilter(filter));
}

} // namespace kelvoran

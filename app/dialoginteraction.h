// The report libraries' questions answered with the program's dialogs.
#pragma once

#include "report/userinteraction.h"

class QWidget;

namespace kelvoran {

class DbSession;
class TSaveDBParamSetForm;

// Turns a filter of "description|patterns" pairs into the file dialog's form.
QString qtFileFilter(const QString &pairs);

class DialogInteraction : public UserInteraction {
public:
    DialogInteraction(QWidget *parent, TSaveDBParamSetForm *connectionForm);
    void inform(MessageIcon icon, const QString &text) override;
    bool confirm(const QString &text) override;
    // TSaveDBParamSetForm, preset with the alias.
    bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice) override;
    QString chooseOpenFile(const QString &title, const QString &filter) override;
    QString chooseSaveFile(const QString &title, const QString &filter) override;
    // The file the next file dialog pre-selects (empty: none); used once.
    void setPreselectedPath(const QString &path) { m_preselected = path; }

private:
    QString takePreselected();
    QString m_preselected;
    QWidget *m_parent;
    TSaveDBParamSetForm *m_connectionForm;
};

} // namespace kelvoran

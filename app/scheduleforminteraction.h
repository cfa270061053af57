// The schedule window's answerer: messages and file dialogs go to the program's current
// answerer (a test's script in the window tests), the connection of an entry is asked with the
// connection dialog itself. The file dialogs open on the path the window offers, and Excel
// targets list .xlsx beside .xls, since a workbook is written as .xlsx.
#pragma once

#include "report/userinteraction.h"

namespace kelvoran {

class TDataModule_Kelvoran;
class TSaveDBParamSetForm;

class ScheduleFormInteraction : public UserInteraction {
public:
    ScheduleFormInteraction(TDataModule_Kelvoran &dm, TSaveDBParamSetForm &connectionForm);

    void inform(MessageIcon icon, const QString &text) override;
    bool confirm(const QString &text) override;
    bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice) override;
    QString chooseOpenFile(const QString &title, const QString &filter) override;
    QString chooseSaveFile(const QString &title, const QString &filter) override;

    // The paths the next open and save dialogs offer (empty: none).
    void offerPaths(const QString &openPath, const QString &savePath);
    // Whether the last connection dialog was closed by its title bar (neither button).
    bool connectionDialogClosed() const { return m_closedByTitleBar; }

private:
    QString offered(QString &path);

    TDataModule_Kelvoran &m_dm;
    TSaveDBParamSetForm &m_connectionForm;
    QString m_openPath;
    QString m_savePath;
    bool m_closedByTitleBar = false;
};

} // namespace kelvoran

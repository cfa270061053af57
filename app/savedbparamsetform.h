// TSaveDBParamSetForm: asks for alias, user name and database password when a settings file is
// saved (and for a schedule entry's connection).
#pragma once

#include "report/userinteraction.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kelvoran {

class DbSession;

class TSaveDBParamSetForm : public QDialog {
    Q_OBJECT
public:
    TSaveDBParamSetForm(DbSession &session, QWidget *parent = nullptr);

    // Fills the alias list, selects the preset alias and enables "決定" when one is selected.
    void prepare(const QString &presetAlias);
    // The values handed over by "決定": alias (DBNAME), driver name (DATABASE), user, password.
    ConnectionChoice choice() const;

    QComboBox *aliasCombo() const { return m_alias; }
    QLineEdit *userEdit() const { return m_user; }
    QLineEdit *passwordEdit() const { return m_password; }
    QPushButton *decideButton() const { return m_decide; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void aliasChosen(int index);

    DbSession &m_session;
    QComboBox *m_alias;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QPushButton *m_decide;
    QPushButton *m_cancel;
    QString m_database; // DATABASE of the chosen alias
    QString m_dbName;   // DBNAME of the chosen alias
};

} // namespace kelvoran

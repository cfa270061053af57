// The login prompt of the interactive session: "データベースへのログイン".
#pragma once

#include "db/dbsession.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvoran {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget *parent = nullptr);

    // Prepares the dialog for an alias: the label, the stored user name, an empty password and
    // the focus rule (password field, or the user name field when that is empty).
    void prepare(const QString &aliasName, const QString &storedUser);

    QLabel *databaseLabel() const { return m_database; }
    QLineEdit *userEdit() const { return m_user; }
    QLineEdit *passwordEdit() const { return m_password; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    QLabel *m_database;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

// The session's LoginPrompt answered with the login dialog.
class DialogLoginPrompt : public LoginPrompt {
public:
    explicit DialogLoginPrompt(QWidget *parent) : m_parent(parent) {}
    std::optional<Credentials> askLogin(const QString &aliasName,
                                        const QString &storedUser) override;
    // The dialog of the last question (for tests that answer it), or null.
    LoginDialog *dialog() const { return m_dialog; }

private:
    QWidget *m_parent;
    LoginDialog *m_dialog = nullptr;
};

} // namespace kelvoran

#include "app/logindialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kelvoran {

namespace {
constexpr int kFieldLimit = 31;
}

LoginDialog::LoginDialog(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("データベースへのログイン"));
    setModal(true);
    auto *grid = new QGridLayout(this);
    m_database = new QLabel(this);
    grid->addWidget(m_database, 0, 0, 1, 2);
    auto *userLabel = new QLabel(QStringLiteral("ユーザー名(&U):"), this);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("EditUserName"));
    m_user->setMaxLength(kFieldLimit);
    userLabel->setBuddy(m_user);
    auto *passLabel = new QLabel(QStringLiteral("パスワード(&P):"), this);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setMaxLength(kFieldLimit);
    m_password->setEchoMode(QLineEdit::Password);
    // The mask character is "*" as the dialog has always shown it.
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    passLabel->setBuddy(m_password);
    grid->addWidget(userLabel, 1, 0);
    grid->addWidget(m_user, 1, 1);
    grid->addWidget(passLabel, 2, 0);
    grid->addWidget(m_password, 2, 1);
    auto *buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK(&O)"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void LoginDialog::prepare(const QString &aliasName, const QString &storedUser) {
    m_database->setText(QStringLiteral("データベース : ") + aliasName);
    m_user->setText(storedUser.left(kFieldLimit));
    m_password->clear();
    if (m_user->text().isEmpty())
        m_user->setFocus();
    else
        m_password->setFocus();
}

std::optional<LoginPrompt::Credentials> DialogLoginPrompt::askLogin(const QString &aliasName,
                                                                    const QString &storedUser) {
    if (!m_dialog)
        m_dialog = new LoginDialog(m_parent);
    m_dialog->prepare(aliasName, storedUser);
    if (m_dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return Credentials{m_dialog->userEdit()->text(), m_dialog->passwordEdit()->text()};
}

} // namespace kelvoran

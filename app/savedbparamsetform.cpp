#include "app/savedbparamsetform.h"

#include "db/dbsession.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kelvoran {

TSaveDBParamSetForm::TSaveDBParamSetForm(DbSession &session, QWidget *parent)
    : QDialog(parent), m_session(session) {
    setObjectName(QStringLiteral("TSaveDBParamSetForm"));
    setWindowTitle(QStringLiteral("ParameterSetForm"));
    setModal(true);
    auto *grid = new QGridLayout(this);
    m_alias = new QComboBox(this);
    m_alias->setObjectName(QStringLiteral("ComboBox_DBName"));
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("EditUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("EditPassWord"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_password->setAttribute(Qt::WA_InputMethodEnabled, false);
    grid->addWidget(new QLabel(QStringLiteral("DBName"), this), 0, 0);
    grid->addWidget(m_alias, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("User Name"), this), 1, 0);
    grid->addWidget(m_user, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("PassWord"), this), 2, 0);
    grid->addWidget(m_password, 2, 1);
    auto *buttons = new QHBoxLayout;
    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    buttons->addStretch();
    buttons->addWidget(m_decide);
    buttons->addWidget(m_cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    connect(m_decide, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_alias, qOverload<int>(&QComboBox::activated), this,
            &TSaveDBParamSetForm::aliasChosen);
}

void TSaveDBParamSetForm::prepare(const QString &presetAlias) {
    m_decide->setEnabled(false);
    m_alias->clear();
    m_alias->addItems(m_session.aliasNames());
    m_alias->setCurrentIndex(m_alias->findText(presetAlias, Qt::MatchExactly));
    m_database.clear();
    m_dbName.clear();
    if (!presetAlias.isEmpty() && m_alias->currentIndex() >= 0) {
        aliasChosen(m_alias->currentIndex());
        m_decide->setFocus();
    }
}

void TSaveDBParamSetForm::aliasChosen(int index) {
    if (index < 0) {
        m_database.clear();
        m_dbName.clear();
        m_decide->setEnabled(false);
        return;
    }
    m_dbName = m_alias->itemText(index);
    Result<QString> driver = m_session.driverName(m_dbName);
    m_database = driver ? *driver : QString();
    m_decide->setEnabled(true);
}

ConnectionChoice TSaveDBParamSetForm::choice() const {
    return ConnectionChoice{m_dbName, m_database, m_user->text(), m_password->text()};
}

} // namespace kelvoran

#include "app/excelpasswordsettingform.h"

#include "app/reportdialogs.h"
#include "report/userinteraction.h"
#include "ui/excelpasswordstate.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kelvoran {

namespace {

// A password edit: "*" for each character, no input method.
QLineEdit *passwordEdit(QWidget *parent, const char *name, int top) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setGeometry(120, top, 200, 24);
    return edit;
}

} // namespace

TExcelPassWordSettingForm::TExcelPassWordSettingForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TExcelPassWordSettingForm"));
    setWindowTitle(QStringLiteral("PassWord設定"));
    setModal(true);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("LabelTitle"));
    m_title->setGeometry(12, 10, 308, 22);
    m_oldLabel = new QLabel(QStringLiteral("旧PassWord"), this);
    m_oldLabel->setGeometry(12, 44, 100, 24);
    m_old = passwordEdit(this, "EditOldPassWord", 44);
    auto *newLabel = new QLabel(QStringLiteral("新PassWord"), this);
    newLabel->setGeometry(12, 76, 100, 24);
    m_new = passwordEdit(this, "EditNewPassWord", 76);
    auto *confirmLabel = new QLabel(QStringLiteral("PassWord\n(確認用)"), this);
    confirmLabel->setGeometry(12, 104, 100, 36);
    m_confirm = passwordEdit(this, "EditKakuninPassWord", 108);
    m_oldLabel->setBuddy(m_old);
    newLabel->setBuddy(m_new);
    confirmLabel->setBuddy(m_confirm);

    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_Decide"));
    m_decide->setDefault(true);
    m_decide->setGeometry(160, 150, 76, 26);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setGeometry(244, 150, 76, 26);
    setFixedSize(332, 188);

    connect(m_decide, &QPushButton::clicked, this, &TExcelPassWordSettingForm::decide);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TExcelPassWordSettingForm::askPassword(QWidget *parent, const QString &title,
                                            QString &password, UserInteraction &ui) {
    return withReportDialog<TExcelPassWordSettingForm>(
        parent, [&](TExcelPassWordSettingForm &form) { return form.ask(title, password, ui); });
}

void TExcelPassWordSettingForm::decide() {
    const std::optional<PasswordProblem> problem =
        checkExcelPassword(m_current, m_old->text(), m_new->text(), m_confirm->text());
    if (!problem) {
        m_result = m_new->text();
        accept();
        return;
    }
    if (m_ui)
        m_ui->inform(MessageIcon::Warning, problem->text);
    QLineEdit *edit = problem->edit == PasswordEdit::Old   ? m_old
                      : problem->edit == PasswordEdit::New ? m_new
                                                           : m_confirm;
    edit->setFocus();
    edit->selectAll();
}

bool TExcelPassWordSettingForm::ask(const QString &title, QString &password, UserInteraction &ui) {
    m_title->setText(title);
    m_current = password;
    m_ui = &ui;
    m_result.clear();
    // Every edit starts empty: the dialog serves three passwords in turn, and one must never
    // show up in another's edits.
    m_old->clear();
    m_new->clear();
    m_confirm->clear();
    const bool hasCurrent = !password.isEmpty();
    m_oldLabel->setEnabled(hasCurrent);
    m_old->setEnabled(hasCurrent);
    (hasCurrent ? m_old : m_new)->setFocus();
    const bool decided = exec() == QDialog::Accepted;
    m_ui = nullptr;
    m_current.clear();
    if (decided)
        password = m_result;
    m_result.clear();
    return decided;
}

} // namespace kelvoran

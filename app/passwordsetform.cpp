#include "app/passwordsetform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvoran {

namespace {

QLineEdit *passwordBox(QWidget *parent, const QString &name) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(15);
    // Passwords are typed as they are, without the input method.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    return edit;
}

} // namespace

TPassWordSetForm::TPassWordSetForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TPassWordSetForm"));
    setWindowTitle(QStringLiteral("PassWordSetForm"));
    auto *layout = new QVBoxLayout(this);
    struct Group {
        const char *title, *prefix;
        QLineEdit **old, **fresh, **confirm;
    };
    const Group groups[] = {
        {"出力ファイル書き込みパスワード", "TWORD", &m_writeOld, &m_writeNew, &m_writeConfirm},
        {"出力ファイル読み取りパスワード", "QWORD", &m_readOld, &m_readNew, &m_readConfirm},
        {"雛形ファイル読み取りパスワード", "KWORD", &m_templateOld, &m_templateNew,
         &m_templateConfirm},
    };
    for (const Group &g : groups) {
        auto *box = new QGroupBox(QString::fromUtf8(g.title), this);
        const QString prefix = QStringLiteral("Edit_") + QLatin1String(g.prefix);
        box->setObjectName(QStringLiteral("GroupBox_") + QLatin1String(g.prefix));
        auto *grid = new QGridLayout(box);
        *g.old = passwordBox(box, prefix + QStringLiteral("_Old"));
        *g.fresh = passwordBox(box, prefix + QStringLiteral("_New"));
        *g.confirm = passwordBox(box, prefix + QStringLiteral("_Confirm"));
        grid->addWidget(new QLabel(QStringLiteral("旧パスワード"), box), 0, 0);
        grid->addWidget(*g.old, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("新パスワード"), box), 1, 0);
        grid->addWidget(*g.fresh, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("確認用パスワード"), box), 2, 0);
        grid->addWidget(*g.confirm, 2, 1);
        layout->addWidget(box);
    }
    auto *buttons = new QHBoxLayout;
    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_OK"));
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    buttons->addStretch();
    buttons->addWidget(m_decide);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_decide, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QLineEdit *TPassWordSetForm::box(PasswordBoxWarning::Box which) const {
    using Box = PasswordBoxWarning::Box;
    switch (which) {
    case Box::TemplateOld:
        return m_templateOld;
    case Box::TemplateConfirm:
        return m_templateConfirm;
    case Box::ReadOld:
        return m_readOld;
    case Box::ReadConfirm:
        return m_readConfirm;
    case Box::WriteOld:
        return m_writeOld;
    case Box::WriteConfirm:
        return m_writeConfirm;
    }
    return m_writeOld;
}

std::optional<PasswordBoxes>
TPassWordSetForm::ask(const std::optional<PasswordBoxWarning> &warning) {
    if (warning) {
        box(warning->focus)->setFocus();
        box(warning->focus)->selectAll();
    } else {
        for (QLineEdit *e : findChildren<QLineEdit *>())
            e->clear();
        m_writeOld->setFocus();
    }
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    PasswordBoxes boxes;
    boxes.outputWrite = {m_writeOld->text(), m_writeNew->text(), m_writeConfirm->text()};
    boxes.outputRead = {m_readOld->text(), m_readNew->text(), m_readConfirm->text()};
    boxes.templateRead = {m_templateOld->text(), m_templateNew->text(), m_templateConfirm->text()};
    return boxes;
}

} // namespace kelvoran

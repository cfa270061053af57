#include "app/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kelvoran {

FindDialog::FindDialog(bool replace, QWidget *parent) : QDialog(parent) {
    setObjectName(replace ? QStringLiteral("ReplaceDialog1") : QStringLiteral("FindDialog1"));
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    setModal(false);
    auto *grid = new QGridLayout(this);
    m_find = new QLineEdit(this);
    grid->addWidget(new QLabel(QStringLiteral("検索する文字列(&N):"), this), 0, 0);
    grid->addWidget(m_find, 0, 1);
    int row = 1;
    if (replace) {
        m_replace = new QLineEdit(this);
        grid->addWidget(new QLabel(QStringLiteral("置換後の文字列(&P):"), this), 1, 0);
        grid->addWidget(m_replace, 1, 1);
        row = 2;
    }
    m_case = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    grid->addWidget(m_case, row, 0, 1, 2);
    if (!replace) {
        auto *box = new QGroupBox(QStringLiteral("方向"), this);
        auto *h = new QHBoxLayout(box);
        m_up = new QRadioButton(QStringLiteral("上へ(&U)"), box);
        m_down = new QRadioButton(QStringLiteral("下へ(&D)"), box);
        m_down->setChecked(true);
        h->addWidget(m_up);
        h->addWidget(m_down);
        grid->addWidget(box, row + 1, 0, 1, 2);
    }
    auto *buttons = new QVBoxLayout;
    auto *next = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    next->setDefault(true);
    buttons->addWidget(next);
    connect(next, &QPushButton::clicked, this, &FindDialog::findNextClicked);
    if (replace) {
        auto *one = new QPushButton(QStringLiteral("置換して次に(&R)"), this);
        auto *all = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
        buttons->addWidget(one);
        buttons->addWidget(all);
        connect(one, &QPushButton::clicked, this, &FindDialog::replaceClicked);
        connect(all, &QPushButton::clicked, this, &FindDialog::replaceAllClicked);
    }
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, row + 2, 1);
}

QString FindDialog::findText() const {
    return m_find->text();
}
QString FindDialog::replaceText() const {
    return m_replace ? m_replace->text() : QString();
}
bool FindDialog::matchCase() const {
    return m_case->isChecked();
}
bool FindDialog::down() const {
    return !m_up || !m_up->isChecked();
}

} // namespace kelvoran

#include "app/csvsettingform.h"

#include "report/userinteraction.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace kelvoran {

namespace {

constexpr int kWidth = 400;

} // namespace

TCSVSettingForm::TCSVSettingForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TCSVSettingForm"));
    setWindowTitle(QStringLiteral("CSVSettingForm"));
    setModal(true);

    m_fromList = new QRadioButton(QStringLiteral("区切り文字一覧選択"), this);
    m_fromList->setObjectName(QStringLiteral("RadioButton_SepList"));
    m_fromList->setGeometry(8, 8, 150, 20);
    m_fromList->setChecked(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox_SepChar"));
    m_list->addItems(csvSeparatorCaptions());
    m_list->setGeometry(24, 30, 140, 76);
    m_typed = new QRadioButton(QStringLiteral("区切り文字指定"), this);
    m_typed->setObjectName(QStringLiteral("RadioButton_SepInput"));
    m_typed->setGeometry(176, 8, 140, 20);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit_SepChar"));
    m_edit->setGeometry(192, 30, 100, 22);

    m_heading = new QCheckBox(csvHeadingCaption(CsvDialogMode::Export), this);
    m_heading->setObjectName(QStringLiteral("CheckBox_ColName"));
    m_heading->setChecked(true);
    m_heading->setGeometry(8, 114, kWidth - 16, 20);

    m_blankBox = new QGroupBox(QStringLiteral("空白データの扱い"), this);
    m_blankBox->setObjectName(QStringLiteral("RadioGroup_Blank"));
    m_blankBox->setGeometry(8, 138, kWidth - 16, 52);
    m_blankRules = new QButtonGroup(this);
    const QStringList rules = csvBlankRuleCaptions();
    for (int i = 0; i < rules.size(); ++i) {
        auto *rule = new QRadioButton(rules[i], m_blankBox);
        rule->setObjectName(QStringLiteral("RadioButton_Blank%1").arg(i));
        rule->setGeometry(8 + i * 124, 22, i == 2 ? 140 : 120, 20);
        m_blankRules->addButton(rule, i);
    }

    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_Decide"));
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));

    connect(m_fromList, &QRadioButton::toggled, this, &TCSVSettingForm::updateDecide);
    connect(m_typed, &QRadioButton::toggled, this, &TCSVSettingForm::updateDecide);
    connect(m_edit, &QLineEdit::textChanged, this, &TCSVSettingForm::updateDecide);
    connect(m_decide, &QPushButton::clicked, this, &TCSVSettingForm::decide);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateDecide();
}

CsvSettingState TCSVSettingForm::state() const {
    CsvSettingState s;
    s.mode = m_mode;
    s.fromList = !m_typed->isChecked();
    s.listIndex =
        m_list->currentItem() && m_list->currentItem()->isSelected() ? m_list->currentRow() : -1;
    s.typed = m_edit->text();
    s.blankRule = m_blankRules->checkedId();
    s.headingLine = m_heading->isChecked();
    return s;
}

void TCSVSettingForm::updateDecide() {
    m_decide->setEnabled(state().canDecide());
}

void TCSVSettingForm::decide() {
    if (!m_options)
        return;
    if (const std::optional<QString> warning = state().decide(*m_options)) {
        if (m_ui)
            m_ui->inform(MessageIcon::Warning, *warning);
        return;
    }
    accept();
}

bool TCSVSettingForm::ask(CsvDialogMode mode, CsvOptions &options, UserInteraction &ui) {
    m_mode = mode;
    m_options = &options;
    m_ui = &ui;
    options.separator.clear();
    const bool import = mode == CsvDialogMode::Import;
    m_blankBox->setVisible(import);
    m_heading->setText(csvHeadingCaption(mode));
    const int height = csvDialogHeight(mode);
    const int buttonsTop = height - 34;
    m_decide->setGeometry(kWidth - 172, buttonsTop, 80, 26);
    m_cancel->setGeometry(kWidth - 88, buttonsTop, 80, 26);
    setFixedSize(kWidth, height);
    updateDecide();
    const bool decided = exec() == QDialog::Accepted;
    // The caption is the export's between uses.
    m_heading->setText(csvHeadingCaption(CsvDialogMode::Export));
    m_options = nullptr;
    m_ui = nullptr;
    if (!decided)
        options.separator.clear();
    return decided;
}

} // namespace kelvoran

#include "app/excelformatform.h"

#include "app/colorform.h"
#include "app/reportdialogs.h"
#include "ui/formatchooserstate.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace kelvoran {

namespace {

// The row colour of a group kind: the group average's for 104, else the group total's.
int &groupColour(GroupRowColours &colours, int kind) {
    return kind == 104 ? colours.average : colours.total;
}

} // namespace

TExcelFormatForm::TExcelFormatForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TExcelFormatForm"));
    setWindowTitle(QStringLiteral("書式選択"));
    setModal(true);

    auto *listLabel = new QLabel(QStringLiteral("フォーマット"), this);
    listLabel->setGeometry(12, 8, 220, 20);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBoxFormatKind"));
    m_list->setGeometry(12, 30, 220, 330);

    m_param1Label = new QLabel(this);
    m_param1Label->setGeometry(248, 30, 200, 20);
    m_param1 = new QLineEdit(this);
    m_param1->setObjectName(QStringLiteral("Param1"));
    m_param1->setGeometry(248, 52, 200, 24);
    m_param1Label->setBuddy(m_param1);
    m_param2Label = new QLabel(this);
    m_param2Label->setGeometry(248, 86, 200, 20);
    m_param2 = new QLineEdit(this);
    m_param2->setObjectName(QStringLiteral("Param2"));
    m_param2->setGeometry(248, 108, 200, 24);
    m_param2Label->setBuddy(m_param2);

    m_styleLabel = new QLabel(this);
    m_styleLabel->setGeometry(248, 30, 200, 20);
    m_style = new QComboBox(this);
    m_style->setObjectName(QStringLiteral("ComboBoxStyle"));
    m_style->setGeometry(248, 52, 200, 24);
    m_styleLabel->setBuddy(m_style);

    m_colourSample = new QLineEdit(this);
    m_colourSample->setObjectName(QStringLiteral("EditRowColor"));
    m_colourSample->setReadOnly(true);
    m_colourSample->setFocusPolicy(Qt::NoFocus);
    m_colourSample->setGeometry(248, 148, 110, 24);
    m_rowColour = new QPushButton(QStringLiteral("行色"), this);
    m_rowColour->setObjectName(QStringLiteral("ButtonRowColor"));
    m_rowColour->setAutoDefault(false);
    m_rowColour->setGeometry(366, 147, 82, 26);

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("LabelHint"));
    m_hint->setWordWrap(true);
    m_hint->setGeometry(248, 190, 200, 60);
    m_hint->setStyleSheet(QStringLiteral("color: #b00000;"));

    m_decide = new QPushButton(QStringLiteral("決定"), this);
    m_decide->setObjectName(QStringLiteral("Button_Decide"));
    m_decide->setDefault(true);
    m_decide->setGeometry(288, 334, 76, 26);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(372, 334, 76, 26);
    setFixedSize(460, 372);

    connect(m_list, &QListWidget::currentRowChanged, this, &TExcelFormatForm::kindChosen);
    connect(m_rowColour, &QPushButton::clicked, this, &TExcelFormatForm::chooseRowColour);
    connect(m_decide, &QPushButton::clicked, this, &TExcelFormatForm::decide);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TExcelFormatForm::chooseColumnFormat(QWidget *parent, FormatContext context,
                                          QString &formatText, QString &formatCodes,
                                          QString &groupKeys, GroupRowColours &colours) {
    return withReportDialog<TExcelFormatForm>(parent, [&](TExcelFormatForm &form) {
        return form.choose(context, formatText, formatCodes, groupKeys, colours);
    });
}

bool TExcelFormatForm::chooseListFormat(QWidget *parent, QString &formatText,
                                        QString &formatCodes) {
    QString noKeys;
    GroupRowColours unused;
    return withReportDialog<TExcelFormatForm>(parent, [&](TExcelFormatForm &form) {
        return form.choose(FormatContext::HeaderOrTotal, formatText, formatCodes, noKeys, unused);
    });
}

void TExcelFormatForm::kindChosen(int row) {
    m_hint->clear();
    if (row < 0 || row >= static_cast<int>(m_kinds.size()))
        return;
    const FormatKind &kind = m_kinds[static_cast<size_t>(row)];
    m_lastKind = kind.number;
    const FormatChooserInputs in = formatChooserInputs(kind);
    m_param1Label->setVisible(in.param1);
    m_param1->setVisible(in.param1);
    m_param1Label->setText(in.param1Caption);
    m_param1->setMaxLength(in.param1 ? in.param1MaxLength : 32767);
    m_param1->setText(in.param1Initial);
    m_param2Label->setVisible(in.param2);
    m_param2->setVisible(in.param2);
    m_param2Label->setText(in.param2Caption);
    m_param2->clear();
    // The style list takes the place of the inputs.
    m_styleLabel->setVisible(in.styles != nullptr);
    m_style->setVisible(in.styles != nullptr);
    m_styleLabel->setText(in.styleCaption);
    m_style->clear();
    if (in.styles) {
        m_style->addItems(*in.styles);
        m_style->setCurrentIndex(0);
    }
    m_colourSample->setVisible(in.rowColour);
    m_rowColour->setVisible(in.rowColour);
    showColourSample();
}

void TExcelFormatForm::showColourSample() {
    const int index = groupColour(m_colours, m_lastKind);
    const int rgb = paletteColour(index);
    const QColor colour = rgb < 0 ? palette().color(QPalette::Base) : QColor::fromRgb(QRgb(rgb));
    QPalette sample = m_colourSample->palette();
    sample.setColor(QPalette::Base, colour);
    m_colourSample->setPalette(sample);
}

void TExcelFormatForm::chooseRowColour() {
    TColorForm::chooseColor(this, groupColour(m_colours, m_lastKind));
    showColourSample();
}

void TExcelFormatForm::decide() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_kinds.size()))
        return;
    FormatChoice choice;
    choice.kind = m_kinds[static_cast<size_t>(row)].number;
    choice.padCharacter = m_param1->text();
    choice.padCount = m_param2->text();
    choice.fontSize = m_param1->text();
    choice.styleIndex = std::max(0, m_style->currentIndex());
    choice.colourIndex = groupColour(m_colours, choice.kind);
    choice.keyName = m_param2->text();
    if (const std::optional<FormatChoiceProblem> problem = formatChoiceProblem(choice)) {
        // Nothing is added; the input stays as typed for the user to complete.
        m_hint->setText(problem->text);
        (problem->input == FormatChoiceInput::Param1 ? m_param1 : m_param2)->setFocus();
        return;
    }
    const std::optional<FormatListEntry> entry = buildFormatEntry(choice);
    if (!entry)
        return;
    m_entry = *entry;
    accept();
}

bool TExcelFormatForm::choose(FormatContext context, QString &formatText, QString &formatCodes,
                              QString &groupKeys, GroupRowColours &colours) {
    m_kinds = FormatCode::kinds(context);
    m_colours = colours;
    const int remembered = m_lastKind;
    m_list->blockSignals(true);
    m_list->clear();
    int row = 0;
    for (size_t i = 0; i < m_kinds.size(); ++i) {
        m_list->addItem(m_kinds[i].listItem);
        if (m_kinds[i].number == remembered)
            row = static_cast<int>(i);
    }
    m_list->setCurrentRow(row);
    m_list->blockSignals(false);
    kindChosen(row);
    m_list->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    formatText += m_entry.displayText;
    formatCodes += m_entry.code;
    groupKeys += m_entry.groupKey;
    colours = m_colours;
    return true;
}

} // namespace kelvoran

#include "app/conditionsetform.h"

#include "app/datamodule.h"
#include "app/pathsettingform.h"
#include "editor/texteditor.h"
#include "ui/preferences.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace kelvoran {

namespace {

// One row of the editor group: its label, the name its controls carry and its two colours.
struct EditorRow {
    const char *label;
    const char *name;
    int AppSettings::*back;
    int AppSettings::*font;
};
constexpr EditorRow kEditorRows[TConditionSetForm::kEditors] = {
    {"Definitionタブ設定", "Definition", &AppSettings::definitionBackColor,
     &AppSettings::definitionFontColor},
    {"Sourceタブ設定", "Source", &AppSettings::sourceBackColor, &AppSettings::sourceFontColor},
    {"SQLタブ設定", "SQL", &AppSettings::sqlBackColor, &AppSettings::sqlFontColor},
    {"ErrSourceForm設定", "ErrSourceForm", &AppSettings::errSourceFormBackColor,
     &AppSettings::errSourceFormFontColor},
    {"SQLConditionEditForm設定", "SQLConditionEditForm",
     &AppSettings::sqlConditionEditFormBackColor, &AppSettings::sqlConditionEditFormFontColor},
};

// The mark check boxes of one editor, in the order line ends, end of file, line numbers.
constexpr bool AppSettings::*kSqlMarks[3] = {&AppSettings::sqlEnterMark, &AppSettings::sqlEofMark,
                                             &AppSettings::sqlLineNumber};
constexpr bool AppSettings::*kConditionMarks[3] = {&AppSettings::sqlConditionEnterMark,
                                                   &AppSettings::sqlConditionEofMark,
                                                   &AppSettings::sqlConditionLineNumber};
const char *const kMarkCaptions[3] = {"改行マーク", "[EOF]マーク", "行番号"};

constexpr int kWidth = 560;
constexpr int kHeight = 560;

QPushButton *button(QWidget *parent, const QString &caption, const QString &name, QRect at) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setGeometry(at);
    return b;
}

QLabel *label(QWidget *parent, const QString &text, QRect at) {
    auto *l = new QLabel(text, parent);
    l->setGeometry(at);
    return l;
}

} // namespace

TConditionSetForm::TConditionSetForm(TDataModule_Kelvoran &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm) {
    setObjectName(QStringLiteral("TConditionSetForm"));
    setWindowTitle(QStringLiteral("ConditionSetForm"));
    setModal(true);
    buildEditorGroup();
    buildBasicGroup();
    m_ok = button(this, QStringLiteral("決定"), QStringLiteral("Button_OK"),
                  QRect(kWidth / 2 - 130, kHeight - 44, 110, 30));
    m_cancel = button(this, QStringLiteral("キャンセル"), QStringLiteral("Button_Cancel"),
                      QRect(kWidth / 2 + 20, kHeight - 44, 110, 30));
    connect(m_ok, &QPushButton::clicked, this, &TConditionSetForm::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TConditionSetForm::reject);
    setFixedSize(kWidth, kHeight);
}

void TConditionSetForm::buildEditorGroup() {
    auto *group = new QGroupBox(QStringLiteral("エディター設定"), this);
    group->setObjectName(QStringLiteral("GroupBox_Editor"));
    group->setGeometry(10, 8, kWidth - 20, 206);
    for (int i = 0; i < kEditors; ++i) {
        const EditorRow &row = kEditorRows[i];
        const QString name = QString::fromLatin1(row.name);
        const int y = 24 + i * 36;
        label(group, QString::fromUtf8(row.label), QRect(12, y + 4, 180, 22));
        QPushButton *back =
            button(group, QStringLiteral("背景色"), QStringLiteral("Button_%1BackColor").arg(name),
                   QRect(196, y, 90, 28));
        m_samples[size_t(i)] = label(group, QStringLiteral("文字色"), QRect(296, y, 120, 28));
        m_samples[size_t(i)]->setObjectName(QStringLiteral("Panel_%1Sample").arg(name));
        m_samples[size_t(i)]->setAlignment(Qt::AlignCenter);
        m_samples[size_t(i)]->setAutoFillBackground(true);
        m_samples[size_t(i)]->setFrameShape(QFrame::Box);
        QPushButton *font =
            button(group, QStringLiteral("文字色"), QStringLiteral("Button_%1FontColor").arg(name),
                   QRect(426, y, 90, 28));
        connect(back, &QPushButton::clicked, this, [this, i] { chooseColour(i, false); });
        connect(font, &QPushButton::clicked, this, [this, i] { chooseColour(i, true); });
    }
}

void TConditionSetForm::buildBasicGroup() {
    auto *group = new QGroupBox(QStringLiteral("基本設定"), this);
    group->setObjectName(QStringLiteral("GroupBox_Basic"));
    group->setGeometry(10, 222, kWidth - 20, 280);
    const auto *digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto tabBox = [&](const QString &caption, const char *name, int y) {
        label(group, caption, QRect(12, y, 250, 22));
        auto *edit = new QLineEdit(group);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(kTabCountMaxLength);
        edit->setValidator(digits);
        edit->setGeometry(270, y, 40, 22);
        edit->installEventFilter(this);
        return edit;
    };
    m_sqlTabs = tabBox(QStringLiteral("SQLタブ数設定"), "Edit_SQL_TabCount", 24);
    for (int m = 0; m < 3; ++m) {
        m_sqlMarks[size_t(m)] = new QCheckBox(QString::fromUtf8(kMarkCaptions[m]), group);
        m_sqlMarks[size_t(m)]->setObjectName(QStringLiteral("CheckBox_SQLMark%1").arg(m + 1));
    }
    m_conditionTabs = tabBox(QStringLiteral("SQLConditionEditFormタブ数設定"),
                             "Edit_SQLConditionEditTabCount", 84);
    for (int m = 0; m < 3; ++m) {
        m_conditionMarks[size_t(m)] = new QCheckBox(QString::fromUtf8(kMarkCaptions[m]), group);
        m_conditionMarks[size_t(m)]->setObjectName(
            QStringLiteral("CheckBox_SQLConditionMark%1").arg(m + 1));
    }
    // The marks of each editor sit in a line under its tab-width box.
    for (int m = 0; m < 3; ++m) {
        m_sqlMarks[size_t(m)]->setGeometry(24 + m * 130, 50, 124, 22);
        m_conditionMarks[size_t(m)]->setGeometry(24 + m * 130, 110, 124, 22);
    }

    label(group, QStringLiteral("Kelvoranデータ数表示"), QRect(12, 144, 250, 22));
    m_dataCount = new QComboBox(group);
    m_dataCount->setObjectName(QStringLiteral("ComboBox_DataCntFlg"));
    m_dataCount->addItems({QStringLiteral("表示しない"), QStringLiteral("表示する")});
    m_dataCount->setGeometry(270, 144, 120, 24);

    label(group, QStringLiteral("LogFile保存ディレクトリ"), QRect(12, 178, 250, 22));
    m_logDir = new QLineEdit(group);
    m_logDir->setObjectName(QStringLiteral("Edit_LogDir"));
    m_logDir->setReadOnly(true);
    m_logDir->setGeometry(12, 202, 420, 24);
    QPushButton *choose = button(group, QStringLiteral("設定"), QStringLiteral("Button_LogDir"),
                                 QRect(440, 200, 80, 28));
    connect(choose, &QPushButton::clicked, this, &TConditionSetForm::chooseLogFolder);

    label(group, QStringLiteral("XGA初期設定に戻す"), QRect(12, 240, 130, 22));
    QPushButton *xga = button(group, QStringLiteral("XGA初期設定"), QStringLiteral("Button_XGA"),
                              QRect(140, 236, 110, 28));
    label(group, QStringLiteral("SVGA初期設定に戻す"), QRect(270, 240, 130, 22));
    QPushButton *svga = button(group, QStringLiteral("SVGA初期設定"), QStringLiteral("Button_SVGA"),
                               QRect(404, 236, 116, 28));
    connect(xga, &QPushButton::clicked, this, [this] { applyPreset(0); });
    connect(svga, &QPushButton::clicked, this, [this] { applyPreset(1); });
}

void TConditionSetForm::edit() {
    if (m_links.collectWindowValues)
        m_links.collectWindowValues();
    m_kept = m_dm.settings;
    loadControls();
    // The log folder as the chooser would open it: a folder that cannot be opened becomes the
    // chooser's own fallback.
    const QString shown =
        chooserStartFolder(m_dm.settings.logFileDir, TPathSettingForm::fallbackFolder());
    if (shown != m_dm.settings.logFileDir) {
        m_dm.settings.logFileDir = chosenLogFolder(shown);
        m_logDir->setText(m_dm.settings.logFileDir);
    }
    if (QWidget *owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    exec();
}

void TConditionSetForm::loadControls() {
    const AppSettings &s = m_dm.settings;
    for (int i = 0; i < kEditors; ++i) {
        m_back[size_t(i)] = s.*kEditorRows[i].back;
        m_font[size_t(i)] = s.*kEditorRows[i].font;
        showSample(i);
    }
    m_sqlTabs->setText(QString::number(s.sqlTabCnt));
    m_conditionTabs->setText(QString::number(s.sqlConditionTabCnt));
    for (int m = 0; m < 3; ++m) {
        m_sqlMarks[size_t(m)]->setChecked(s.*kSqlMarks[m]);
        m_conditionMarks[size_t(m)]->setChecked(s.*kConditionMarks[m]);
    }
    m_dataCount->setCurrentIndex(s.dataCountFlg == 1 ? 1 : 0);
    m_logDir->setText(s.logFileDir);
}

void TConditionSetForm::showSample(int editor) {
    QLabel *sample = m_samples[size_t(editor)];
    QPalette p = sample->palette();
    p.setColor(QPalette::Window, colorFromBgr(m_back[size_t(editor)], true));
    p.setColor(QPalette::WindowText, colorFromBgr(m_font[size_t(editor)], false));
    sample->setPalette(p);
}

void TConditionSetForm::chooseColour(int editor, bool text) {
    int &value = text ? m_font[size_t(editor)] : m_back[size_t(editor)];
    const QColor chosen = QColorDialog::getColor(colorFromBgr(value, !text), this, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid())
        return;
    value = bgrOfColor(chosen);
    showSample(editor);
}

void TConditionSetForm::chooseLogFolder() {
    if (!m_links.pathForm)
        return;
    const QString chosen = m_links.pathForm->chooseFolder(m_dm.settings.logFileDir);
    // Closed together with the chooser (a file handed over by a second start): the kept values
    // are back already.
    if (!isVisible())
        return;
    m_dm.settings.logFileDir = chosen;
    m_logDir->setText(chosen);
}

void TConditionSetForm::applyPreset(int xgaSvgaMode) {
    applyLayoutPreset(m_dm.settings, xgaSvgaMode);
    if (m_links.writePresetFolders) {
        const Status written = m_links.writePresetFolders();
        if (!written)
            m_dm.inform(written.error().message, MessageIcon::Error);
    }
    if (m_links.applyAll)
        m_links.applyAll();
    loadControls();
}

void TConditionSetForm::accept() {
    AppSettings &s = m_dm.settings;
    m_sqlTabs->setText(tabCountOnLeaving(m_sqlTabs->text()));
    m_conditionTabs->setText(tabCountOnLeaving(m_conditionTabs->text()));
    s.sqlTabCnt = tabWidthOf(m_sqlTabs->text());
    s.sqlConditionTabCnt = tabWidthOf(m_conditionTabs->text());
    for (int m = 0; m < 3; ++m) {
        s.*kSqlMarks[m] = m_sqlMarks[size_t(m)]->isChecked();
        s.*kConditionMarks[m] = m_conditionMarks[size_t(m)]->isChecked();
    }
    for (int i = 0; i < kEditors; ++i) {
        s.*kEditorRows[i].back = m_back[size_t(i)];
        s.*kEditorRows[i].font = m_font[size_t(i)];
    }
    const int count = m_dataCount->currentIndex() == 1 ? 1 : 0;
    const bool countChanged = count != s.dataCountFlg;
    s.dataCountFlg = count;
    if (countChanged && m_links.dataCountChanged)
        m_links.dataCountChanged();
    if (m_links.applyEditors)
        m_links.applyEditors();
    QDialog::accept();
}

void TConditionSetForm::reject() {
    // Only a showing dialog has kept values to put back.
    if (isVisible()) {
        restorePreferences(m_dm.settings, m_kept);
        if (m_links.applyAll)
            m_links.applyAll();
        loadControls();
    }
    QDialog::reject();
}

void TConditionSetForm::keyPressEvent(QKeyEvent *event) {
    // Enter and Esc in any field press "決定".
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_ok->click();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool TConditionSetForm::eventFilter(QObject *watched, QEvent *event) {
    // A tab-width box left empty shows "4".
    if (event->type() == QEvent::FocusOut)
        if (auto *edit = qobject_cast<QLineEdit *>(watched);
            edit && (edit == m_sqlTabs || edit == m_conditionTabs))
            edit->setText(tabCountOnLeaving(edit->text()));
    return QDialog::eventFilter(watched, event);
}

} // namespace kelvoran

#include "app/sqlconditioneditform.h"

#include "app/reportdialogs.h"
#include "core/appsettings.h"
#include "editor/texteditor.h"

#include <QPushButton>

#include <algorithm>

namespace kelvoran {

namespace {

constexpr int kBottomHeight = 44;

void applyEditorSettings(TextEditor *editor, const AppSettings &s) {
    editor->setColors(colorFromBgr(s.sqlConditionEditFormBackColor, true),
                      colorFromBgr(s.sqlConditionEditFormFontColor, false));
    editor->setTabWidth(s.sqlConditionTabCnt > 0 ? s.sqlConditionTabCnt : 4);
    editor->setShowLineEndMarks(s.sqlConditionEnterMark);
    editor->setShowEofMark(s.sqlConditionEofMark);
    editor->setShowLineNumbers(s.sqlConditionLineNumber);
}

} // namespace

TSQLConditionEditForm::TSQLConditionEditForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TSQLConditionEditForm"));
    setWindowTitle(QStringLiteral("SQL条件編集"));
    setModal(true);
    setSizeGripEnabled(true);

    m_upper = new TextEditor(this);
    m_upper->setObjectName(QStringLiteral("SelectFromMemo"));
    m_upper->setReadOnly(true);
    m_upper->setSqlHighlighting(true);
    m_lower = new TextEditor(this);
    m_lower->setObjectName(QStringLiteral("WhereMemo"));
    m_lower->setSqlHighlighting(true);

    m_bottom = new QWidget(this);
    m_ok = new QPushButton(QStringLiteral("編集ＯＫ"), m_bottom);
    m_ok->setObjectName(QStringLiteral("Button_EditOK"));
    m_ok->setAutoDefault(false);
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), m_bottom);
    m_cancel->setObjectName(QStringLiteral("Button_Cancel"));
    m_cancel->setAutoDefault(false);

    resize(640, 480);
    setMinimumSize(360, 240);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<QStringList> TSQLConditionEditForm::editCondition(
    QWidget *parent, SqlConditionPart part, const SelectAnalysis &analysis,
    const std::vector<ColumnSetting> &rows, const AppSettings &settings) {
    return withReportDialog<TSQLConditionEditForm>(parent, [&](TSQLConditionEditForm &form) {
        return form.edit(part, analysis, rows, settings);
    });
}

void TSQLConditionEditForm::layoutControls() {
    const int w = width();
    const int editors = std::max(0, height() - kBottomHeight);
    const int upper = editors / 2;
    m_upper->setGeometry(0, 0, w, upper);
    m_lower->setGeometry(0, upper, w, editors - upper);
    m_bottom->setGeometry(0, editors, w, kBottomHeight);
    m_ok->setGeometry(w / 2 - 130, 9, 120, 27);
    m_cancel->setGeometry(w / 2 + 10, 9, 120, 27);
}

void TSQLConditionEditForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

std::optional<QStringList> TSQLConditionEditForm::edit(SqlConditionPart part,
                                                       const SelectAnalysis &analysis,
                                                       const std::vector<ColumnSetting> &rows,
                                                       const AppSettings &settings) {
    if (!hasSelectPart(analysis))
        return std::nullopt;
    applyEditorSettings(m_upper, settings);
    applyEditorSettings(m_lower, settings);
    const SqlConditionLines lines = sqlConditionLines(part, analysis, rows);
    m_upper->setLines(lines.upper);
    m_lower->setLines(lines.lower);
    m_lower->setCaret(1, 1);
    m_lower->setFocus();
    layoutControls();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return collectSqlCondition(m_upper->lines(), m_lower->lines());
}

} // namespace kelvoran

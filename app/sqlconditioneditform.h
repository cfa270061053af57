// TSQLConditionEditForm: the SQL condition editor of the report designer. The select list (and,
// for the WHERE part, the FROM lines) in the read-only SelectFromMemo, the part to edit in
// WhereMemo; "編集ＯＫ" hands back the SQL the two make. How the editors are filled and what
// "編集ＯＫ" collects is ui/sqlconditionedit's. UI thread only.
#pragma once

#include "ui/sqlconditionedit.h"

#include <QDialog>

#include <optional>

class QPushButton;

namespace kelvoran {

struct AppSettings;
class TextEditor;

class TSQLConditionEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TSQLConditionEditForm(QWidget *parent = nullptr);

    // Opens the editor for the part (FROM part or WHERE part editable) of analysis, the select
    // list taken from the designer's rows, in the colours and editor options of settings
    // (SQLCondition*). Nothing opens, and nothing is returned, when analysis has no select
    // part. "編集ＯＫ" returns the non-blank lines of both editors, upper first: the designer
    // puts them into Memo_SQL (each ended by CR LF), runs AnalyzeSelect over them and sets
    // ReportSourceMode 3. When the upper editor has no non-blank line, "編集ＯＫ" returns
    // nothing, as do "キャンセル", Esc and the title bar; nothing is changed then. The dialog is
    // created once per parent.
    static std::optional<QStringList> editCondition(QWidget *parent, SqlConditionPart part,
                                                    const SelectAnalysis &analysis,
                                                    const std::vector<ColumnSetting> &rows,
                                                    const AppSettings &settings);

    // The same on this instance.
    std::optional<QStringList> edit(SqlConditionPart part, const SelectAnalysis &analysis,
                                    const std::vector<ColumnSetting> &rows,
                                    const AppSettings &settings);

    TextEditor *selectFromMemo() const { return m_upper; }
    TextEditor *whereMemo() const { return m_lower; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutControls();

    TextEditor *m_upper = nullptr;
    TextEditor *m_lower = nullptr;
    QWidget *m_bottom = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran

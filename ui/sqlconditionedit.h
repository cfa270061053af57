// The SQL condition editor (TSQLConditionEditForm) without its widgets: the lines of its two
// editors for the FROM part or the WHERE part, the lines "編集ＯＫ" collects, and the analysis
// rebuilt from the designer's rows for a table chosen in the object tree.
#pragma once

#include "db/selectanalysis.h"
#include "report/columnsetting.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace kelvoran {

// Which part the lower editor holds: from FROM on ("SQL条件編集（From句以下）") or from WHERE on
// ("SQL条件編集(Where句以下)", the FROM lines then end the upper editor).
enum class SqlConditionPart { From, Where };

// The two editors' lines.
struct SqlConditionLines {
    QStringList upper; // SelectFromMemo (read-only)
    QStringList lower; // WhereMemo (editable)
};

// True when the analysis has a select part (a non-blank select line), so the editor may open.
bool hasSelectPart(const SelectAnalysis &analysis);

// The editors' lines: the select head and the rows that have a physical name (name and alias,
// each without a line end of its own; ", " ends every line but the last item's), then the
// non-blank FROM and WHERE lines, split between the editors by part.
SqlConditionLines sqlConditionLines(SqlConditionPart part, const SelectAnalysis &analysis,
                                    const std::vector<ColumnSetting> &rows);

// "編集ＯＫ": the non-blank lines of the upper editor, then those of the lower; nothing when
// the upper editor has no non-blank line.
std::optional<QStringList> collectSqlCondition(const QStringList &upper, const QStringList &lower);

// The analysis of a table chosen in the object tree while the grid shows it (ReportSourceMode
// 1): head "SELECT ", the select part from the rows' physical names, FROM the table, no WHERE.
void rebuildAnalysisForTable(SelectAnalysis &analysis, const std::vector<ColumnSetting> &rows,
                             const QString &tableName);

} // namespace kelvoran

// The AnalyzeCol tab: a heading row, then one numbered row per item of the select list (at
// least one). Its rows are filled from the scan of the SQL tab, from a settings file or from
// the grid's field names.
#pragma once

#include "db/selectanalysis.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// One row below the heading: the number column, the physical name and the alias.
struct AnalyzeColRow {
    QString number;
    QString physicalName;
    QString alias;

    bool operator==(const AnalyzeColRow &o) const {
        return number == o.number && physicalName == o.physicalName && alias == o.alias;
    }
};

// The heading of a column (0 number, 1 physical name, 2 alias), before padding.
QString analyzeColHeading(int column);
// A heading text right-aligned by blanks in a column of the width (pixels), counting its
// Shift_JIS bytes as 6 pixels and a blank as 8.
QString paddedHeading(const QString &text, int width);

// The rows of the items, numbered "   1", "   2" ...; one blank numbered row when there are none.
std::vector<AnalyzeColRow> analyzeColRows(const std::vector<SelectItem> &items);
// The items of the grid's field names (physical names without aliases).
std::vector<SelectItem> fieldNameItems(const QStringList &fieldNames);
// The rows' items as shown after a run: one closing, then one opening double quote dropped
// from each alias.
std::vector<AnalyzeColRow> withAliasQuotesStripped(std::vector<AnalyzeColRow> rows);
// "抽出項目名に置換え": the select list becomes the rows' physical names, without aliases, after
// a plain "SELECT ".
void replaceSelectList(SelectAnalysis &analysis, const std::vector<AnalyzeColRow> &rows);

} // namespace kelvoran

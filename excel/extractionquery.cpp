#include "excel/extractionquery.h"

#include "report/formatcode.h"
#include "report/messagetable.h"

namespace kelvoran {

std::vector<GroupTotalItem> collectGroupTotalItems(const std::vector<ColumnSetting> &columns) {
    std::vector<GroupTotalItem> items;
    for (size_t r = 0; r < columns.size(); ++r) {
        for (const ParsedFormat &f :
             parseFormatCodes(columns[r].FormatCodes, columns[r].GroupKeys)) {
            if (!FormatCode::isGroupKind(f.kind))
                continue;
            GroupTotalItem item;
            item.column = int(r) + 1;
            item.kind = f.kind;
            item.keyExpression = f.groupKey;
            // The colour is the first parameter read as a whole number; the fallbacks are fixed.
            bool ok = false;
            const int colour = f.param1.trimmed().toInt(&ok);
            item.fillColour = ok ? colour : (f.kind == 103 ? 40 : 36);
            items.push_back(item);
        }
    }
    return items;
}

Result<QStringList> buildExtractionQuery(const std::vector<ColumnSetting> &columns,
                                         const ReportSource &source, bool oracle,
                                         std::vector<GroupTotalItem> &items, StepCode &step) {
    QStringList lines;
    step.set("SS_110001");
    const bool generated = !source.generatedTable.isEmpty();
    if (generated) {
        step.set("SS_110002");
        lines << QStringLiteral(" SELECT ");
    } else if (source.analysis.statementKind == StatementKind::Show) {
        // A SHOW statement is sent as written, nothing added.
        step.set("SS_110003");
        lines << source.editorLines.join(QLatin1Char(' '));
        return lines;
    } else {
        step.set("SS_110004");
        if (source.analysis.selectHead.isEmpty()) {
            step.set("SS_110005");
            return Error{ReportText::noSelectClause(), step.text()};
        }
        lines << source.analysis.selectHead + QLatin1Char(' ');
    }

    int regular = 0;
    for (size_t r = 0; r < columns.size(); ++r) {
        step.set("SS_110010", {int(r) + 1});
        const QString name = columns[r].PhysicalName.trimmed();
        if (name.isEmpty())
            continue;
        lines << (regular == 0 ? QStringLiteral("  ") : QStringLiteral(" , ")) + name +
                     QLatin1Char(' ');
        ++regular;
    }

    // Key expressions and key fields of the group items, row by row.
    items = collectGroupTotalItems(columns);
    for (size_t i = 0; i < items.size(); ++i) {
        step.set("SS_110020", {int(i) + 1});
        GroupTotalItem &item = items[i];
        item.keyExpression = item.keyExpression.trimmed();
        if (item.keyExpression.isEmpty())
            return Error{ReportText::noGroupKey(), step.text()};
        item.keyField = regular + int(i);
        lines << QStringLiteral(" , ") + item.keyExpression +
                     (oracle ? QStringLiteral(" AS GP_COUNT_COLUM_") + QString::number(i + 1)
                             : QStringLiteral(" "));
    }

    if (generated) {
        step.set("SS_110030");
        lines << QStringLiteral(" FROM ") + source.generatedTable + QLatin1Char(' ');
    } else {
        step.set("SS_110031");
        for (const QString &l : source.analysis.fromLines)
            lines << QLatin1Char(' ') + l + QLatin1Char(' ');
        step.set("SS_110032");
        for (const QString &l : source.analysis.whereLines)
            lines << QLatin1Char(' ') + l + QLatin1Char(' ');
    }
    return lines;
}

} // namespace kelvoran

#include "ui/sqlconditionedit.h"

namespace kelvoran {

namespace {

const QString kIndent(7, u' ');
const QString kItemEnd = QStringLiteral(", ");

bool isBlank(const QString &line) {
    return line.trimmed().isEmpty();
}

// A name or alias without the line end it may carry from a grid cell.
QString withoutLineEnd(QString text) {
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

void appendNonBlank(QStringList &to, const QStringList &lines) {
    for (const QString &line : lines)
        if (!isBlank(line))
            to << line;
}

// Appends one line per item; each line after the first ends the previous one with ", ".
void appendItemLine(QStringList &lines, const QString &line) {
    if (!lines.isEmpty())
        lines.last() += kItemEnd;
    lines << line;
}

} // namespace

bool hasSelectPart(const SelectAnalysis &analysis) {
    for (const QString &line : analysis.selectLines)
        if (!isBlank(line))
            return true;
    return false;
}

SqlConditionLines sqlConditionLines(SqlConditionPart part, const SelectAnalysis &analysis,
                                    const std::vector<ColumnSetting> &rows) {
    SqlConditionLines out;
    for (const ColumnSetting &row : rows) {
        if (isBlank(row.PhysicalName))
            continue;
        const QString item = withoutLineEnd(row.PhysicalName) + u' ' + withoutLineEnd(row.Alias);
        if (out.upper.isEmpty())
            out.upper << analysis.selectHead + item;
        else
            appendItemLine(out.upper, kIndent + item + u' ');
    }
    appendNonBlank(part == SqlConditionPart::From ? out.lower : out.upper, analysis.fromLines);
    appendNonBlank(out.lower, analysis.whereLines);
    return out;
}

std::optional<QStringList> collectSqlCondition(const QStringList &upper, const QStringList &lower) {
    QStringList lines;
    appendNonBlank(lines, upper);
    if (lines.isEmpty())
        return std::nullopt;
    appendNonBlank(lines, lower);
    return lines;
}

void rebuildAnalysisForTable(SelectAnalysis &analysis, const std::vector<ColumnSetting> &rows,
                             const QString &tableName) {
    analysis.selectHead = QStringLiteral("SELECT ");
    analysis.selectLines.clear();
    for (const ColumnSetting &row : rows) {
        if (isBlank(row.PhysicalName))
            continue;
        if (analysis.selectLines.isEmpty())
            analysis.selectLines << QStringLiteral("SELECT ") + row.PhysicalName + u' ';
        else
            appendItemLine(analysis.selectLines, kIndent + row.PhysicalName + u' ');
    }
    analysis.fromLines = QStringList{QStringLiteral(" FROM ") + tableName + u' '};
    analysis.whereLines.clear();
}

} // namespace kelvoran

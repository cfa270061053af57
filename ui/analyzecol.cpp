#include "ui/analyzecol.h"

#include "core/textfile.h"

namespace kelvoran {

namespace {

int shiftJisLength(const QString &text) {
    Result<QByteArray> bytes = encodeShiftJis(text);
    return bytes ? int(bytes->size()) : int(text.toLocal8Bit().size());
}

} // namespace

QString analyzeColHeading(int column) {
    switch (column) {
    case 1:
        return QStringLiteral("物理項目名");
    case 2:
        return QStringLiteral("別名");
    default:
        return QString();
    }
}

QString paddedHeading(const QString &text, int width) {
    const QString t = text.trimmed();
    const int bytes = shiftJisLength(t);
    const int blanks = width > 6 * bytes ? (width - 6 * bytes) / 8 : 0;
    return QString(blanks, u' ') + t;
}

std::vector<AnalyzeColRow> analyzeColRows(const std::vector<SelectItem> &items) {
    const int count = qMax(1, int(items.size()));
    std::vector<AnalyzeColRow> rows;
    rows.reserve(size_t(count));
    for (int r = 1; r <= count; ++r) {
        const SelectItem item = r <= int(items.size()) ? items[size_t(r - 1)] : SelectItem{};
        rows.push_back({QStringLiteral("   ") + QString::number(r), item.physicalName, item.alias});
    }
    return rows;
}

std::vector<SelectItem> fieldNameItems(const QStringList &fieldNames) {
    std::vector<SelectItem> items;
    items.reserve(size_t(fieldNames.size()));
    for (const QString &name : fieldNames)
        items.push_back({name, QString()});
    return items;
}

std::vector<AnalyzeColRow> withAliasQuotesStripped(std::vector<AnalyzeColRow> rows) {
    std::vector<SelectItem> items;
    items.reserve(rows.size());
    for (const AnalyzeColRow &row : rows)
        items.push_back({row.physicalName, row.alias});
    StripAliasQuotes(items);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].alias = items[i].alias;
    return rows;
}

void replaceSelectList(SelectAnalysis &analysis, const std::vector<AnalyzeColRow> &rows) {
    analysis.items.clear();
    for (const AnalyzeColRow &row : rows)
        analysis.items.push_back({row.physicalName, QString()});
    analysis.selectHead = QStringLiteral("SELECT ");
}

} // namespace kelvoran

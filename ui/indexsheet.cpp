#include "ui/indexsheet.h"

#include "db/definitionbuilder.h"

namespace kelvoran {

namespace {
const QString columnBanner = QStringLiteral("     ************ Index Column ************");
} // namespace

QString indexColumnLine(const QString &column, const QString &type) {
    return db::alignedName(column) + type;
}

IndexDetail indexDetail(const db::IndexFacts &facts) {
    IndexDetail detail{facts.table, facts.index, {}, {}};
    detail.cells.push_back({1, 1, QStringLiteral("Table Name:「") + facts.table + u'」'});
    detail.cells.push_back({2, 2, QStringLiteral("Index Name:「") + facts.index + u'」'});
    if (facts.found)
        detail.memoLines << db::definitionLabel(QStringLiteral("Object Name")) + facts.index;
    int row = 3;
    for (const db::IndexFact &fact : facts.facts) {
        const QString line = db::definitionLabel(fact.label) + fact.value;
        detail.memoLines << line;
        detail.cells.push_back({row, 3, fact.label});
        detail.cells.push_back({row, 4, fact.sheetShowsLine ? line : fact.value});
        ++row;
    }
    if (facts.found)
        detail.memoLines << QString() << columnBanner << QString();
    row = 3 + qMax(facts.factRows, int(facts.facts.size()));
    detail.cells.push_back({row++, 2, QStringLiteral("Index Column")});
    for (const db::IndexColumn &column : facts.columns) {
        detail.memoLines << indexColumnLine(column.name, column.type);
        detail.cells.push_back({row, 3, column.name});
        detail.cells.push_back({row, 4, column.type});
        ++row;
    }
    return detail;
}

} // namespace kelvoran

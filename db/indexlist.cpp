#include "indexlist.h"

#include "catalogsql.h"
#include "definitionbuilder.h"
#include "mysqlsource.h"

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

const QString columnBanner = QStringLiteral("     ************ Index Column ************");

QString tableTitle(const QString &table) {
    return QStringLiteral("Table Name:「") + table + QStringLiteral("」");
}
QString indexTitle(const QString &index) {
    return QStringLiteral("Index Name:「") + index + QStringLiteral("」");
}
} // namespace

QString indexColumnLine(const QString &column, const QString &type) {
    return alignedName(column) + type;
}

DbResult<QStringList> oracleIndexNames(CatalogQuery &query, const QString &table) {
    DbResult<CatalogRows> rows = query.run(catalogsql::indexNames(table));
    if (!rows)
        return rows.error();
    QStringList names;
    for (int r = 0; r < rows->count(); ++r)
        names << rows->text(r, 0);
    return names;
}

DbResult<IndexDetail> oracleIndexDetail(CatalogQuery &query, const QString &table,
                                        const QString &index) {
    DbResult<CatalogRows> facts = query.run(catalogsql::indexDetails(index));
    if (!facts)
        return facts.error();
    IndexDetail detail{table, index, {}, {}};
    // Read from the first row; without one the values read as empty, as from an empty dataset.
    const CatalogRows &f = *facts;
    const std::vector<std::pair<const char *, int>> labels{
        {"Valid", 3},      {"Create", 1},      {"Modified", 2},
        {"Index Type", 5}, {"Table Owner", 6}, {"Table Name", 7},
        {"Table Type", 8}, {"Uniqueness", 9},  {"TableSpace Name", 10}};
    detail.memoLines << definitionLabel(s("Object Name")) + index;
    detail.cells.push_back({1, 1, tableTitle(table)});
    detail.cells.push_back({2, 2, indexTitle(index)});
    int row = 3;
    for (const auto &[word, column] : labels) {
        detail.memoLines << definitionLabel(s(word)) + f.text(0, column);
        detail.cells.push_back({row, 3, s(word)});
        detail.cells.push_back({row, 4, f.text(0, column)});
        ++row;
    }
    detail.memoLines << QString() << columnBanner << QString();
    detail.cells.push_back({row++, 2, s("Index Column")});

    DbResult<CatalogRows> columns = query.run(catalogsql::indexDetailColumns(index, table));
    if (!columns)
        return columns.error();
    for (int r = 0; r < columns->count(); ++r) {
        detail.memoLines << indexColumnLine(columns->text(r, 0), columns->text(r, 1));
        detail.cells.push_back({row, 3, columns->text(r, 0)});
        detail.cells.push_back({row, 4, columns->text(r, 1)});
        ++row;
    }
    return detail;
}

DbResult<QStringList> mysqlIndexNames(CatalogQuery &query, const QString &table) {
    DbResult<CatalogRows> rows = query.run(catalogsql::mysqlIndexes(table));
    if (!rows)
        return rows.error();
    QStringList names;
    for (const MySqlIndex &index : mysqlIndexes(*rows))
        names << index.keyName;
    return names;
}

DbResult<IndexDetail> mysqlIndexDetail(CatalogQuery &query, const QString &table,
                                       const QString &index) {
    DbResult<CatalogRows> rows = query.run(catalogsql::mysqlIndexes(table));
    if (!rows)
        return rows.error();
    IndexDetail detail{table, index, {}, {}};
    detail.cells.push_back({1, 1, tableTitle(table)});
    detail.cells.push_back({2, 2, indexTitle(index)});
    QStringList columnNames;
    bool seen = false;
    for (int r = 0; r < rows->count(); ++r) {
        if (rows->text(r, 2) != index)
            continue;
        columnNames << rows->text(r, 4);
        if (seen)
            continue;
        seen = true;
        const QString uniqueness = definitionLabel(s("Uniqueness")) +
                                   (rows->text(r, 1) != u"0" ? s("NONUNIQUE") : s("UNIQUE"));
        detail.memoLines << definitionLabel(s("Object Name")) + index
                         << definitionLabel(s("Table Name")) + rows->text(r, 0) << uniqueness
                         << QString() << columnBanner << QString();
        detail.cells.push_back({3, 3, s("Table Name")});
        detail.cells.push_back({3, 4, rows->text(r, 0)});
        detail.cells.push_back({4, 3, s("Uniqueness")});
        detail.cells.push_back({4, 4, uniqueness});
    }
    detail.cells.push_back({5, 2, s("Index Column")});

    DbResult<CatalogRows> fields = query.run(catalogsql::mysqlFields(table, true));
    if (!fields)
        return fields.error();
    int row = 6;
    for (const QString &column : columnNames) {
        QString type;
        for (int r = 0; r < fields->count(); ++r)
            if (fields->text(r, 0) == column) {
                type = fields->text(r, 1);
                break;
            }
        detail.memoLines << indexColumnLine(column, type);
        detail.cells.push_back({row, 3, column});
        detail.cells.push_back({row, 4, type});
        ++row;
    }
    return detail;
}

} // namespace kelvoran::db

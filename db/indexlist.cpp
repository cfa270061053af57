#include "db/indexlist.h"

#include "db/catalogsql.h"
#include "db/mysqlsource.h"

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}
} // namespace

DbResult<QStringList> oracleIndexNames(CatalogQuery &query, const QString &table) {
    DbResult<CatalogRows> rows = query.run(catalogsql::indexNames(table));
    if (!rows)
        return rows.error();
    QStringList names;
    for (int r = 0; r < rows->count(); ++r)
        names << rows->text(r, 0);
    return names;
}

DbResult<IndexFacts> oracleIndexFacts(CatalogQuery &query, const QString &table,
                                      const QString &index) {
    DbResult<CatalogRows> facts = query.run(catalogsql::indexDetails(index));
    if (!facts)
        return facts.error();
    IndexFacts result{table, index, true, 0, {}, {}};
    // Read from the first row; without one the values read as empty, as from an empty dataset.
    const CatalogRows &f = *facts;
    const std::vector<std::pair<const char *, int>> labels{
        {"Valid", 3},      {"Create", 1},      {"Modified", 2},
        {"Index Type", 5}, {"Table Owner", 6}, {"Table Name", 7},
        {"Table Type", 8}, {"Uniqueness", 9},  {"TableSpace Name", 10}};
    for (const auto &[word, column] : labels)
        result.facts.push_back({s(word), f.text(0, column)});
    result.factRows = int(result.facts.size());

    DbResult<CatalogRows> columns = query.run(catalogsql::indexDetailColumns(index, table));
    if (!columns)
        return columns.error();
    for (int r = 0; r < columns->count(); ++r)
        result.columns.push_back({columns->text(r, 0), columns->text(r, 1)});
    return result;
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

DbResult<IndexFacts> mysqlIndexFacts(CatalogQuery &query, const QString &table,
                                     const QString &index) {
    DbResult<CatalogRows> rows = query.run(catalogsql::mysqlIndexes(table));
    if (!rows)
        return rows.error();
    // The table name and the uniqueness take two sheet rows whether the key is found or not.
    IndexFacts result{table, index, false, 2, {}, {}};
    QStringList columnNames;
    for (int r = 0; r < rows->count(); ++r) {
        if (rows->text(r, 2) != index)
            continue;
        columnNames << rows->text(r, 4);
        if (result.found)
            continue;
        result.found = true;
        result.facts.push_back({s("Table Name"), rows->text(r, 0)});
        result.facts.push_back(
            {s("Uniqueness"), rows->text(r, 1) != u"0" ? s("NONUNIQUE") : s("UNIQUE"), true});
    }

    DbResult<CatalogRows> fields = query.run(catalogsql::mysqlFields(table, true));
    if (!fields)
        return fields.error();
    for (const QString &column : columnNames) {
        QString type;
        for (int r = 0; r < fields->count(); ++r)
            if (fields->text(r, 0) == column) {
                type = fields->text(r, 1);
                break;
            }
        result.columns.push_back({column, type});
    }
    return result;
}

} // namespace kelvoran::db

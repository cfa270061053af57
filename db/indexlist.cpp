#include "db/indexlist.h"

#include "db/catalogsql.h"
#include "db/mysqlsource.h"

#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

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

DbResult<QStringList> sqliteIndexNames(CatalogQuery &query, const QString &table) {
    return query.firstColumn(catalogsql::sqliteIndexList(table));
}

DbResult<IndexFacts> sqliteIndexFacts(CatalogQuery &query, const QString &table,
                                      const QString &index) {
    DbResult<CatalogRows> indexes = query.run(catalogsql::sqliteIndexList(table));
    if (!indexes)
        return indexes.error();
    IndexFacts result{table, index, false, 2, {}, {}};
    for (int r = 0; r < indexes->count() && !result.found; ++r) {
        if (indexes->text(r, 0) != index)
            continue;
        result.found = true;
        result.facts.push_back({s("Table Name"), table});
        result.facts.push_back(
            {s("Uniqueness"), indexes->text(r, 1) == u"1" ? s("UNIQUE") : s("NONUNIQUE")});
    }
    DbResult<CatalogRows> columns = query.run(catalogsql::sqliteIndexColumns(index));
    if (!columns)
        return columns.error();
    DbResult<CatalogRows> tableColumns = query.run(catalogsql::sqliteColumns(table));
    if (!tableColumns)
        return tableColumns.error();
    for (int r = 0; r < columns->count(); ++r) {
        const QString column = columns->text(r, 0);
        QString type;
        for (int c = 0; c < tableColumns->count(); ++c)
            if (tableColumns->text(c, 0) == column)
                type = tableColumns->text(c, 1);
        result.columns.push_back({columns->isNull(r, 0) ? s("<expression>") : column, type});
    }
    return result;
}

DbResult<QStringList> postgresIndexNames(CatalogQuery &query, const QString &table) {
    return query.firstColumn(catalogsql::postgresIndexNames(table));
}

DbResult<IndexFacts> postgresIndexFacts(CatalogQuery &query, const QString &table,
                                        const QString &index) {
    DbResult<CatalogRows> facts = query.run(catalogsql::postgresIndexFacts(table, index));
    if (!facts)
        return facts.error();
    IndexFacts result{table, index, !facts->isEmpty(), 6, {}, {}};
    const std::vector<std::pair<const char *, int>> labels{{"Table Name", 0}, {"Index Type", 1},
                                                           {"Uniqueness", 2}, {"Primary Key", 3},
                                                           {"Valid", 4},      {"Definition", 5}};
    if (result.found)
        for (const auto &[word, column] : labels)
            result.facts.push_back({s(word), facts->text(0, column)});
    DbResult<CatalogRows> columns = query.run(catalogsql::postgresIndexColumns(table, index));
    if (!columns)
        return columns.error();
    for (int r = 0; r < columns->count(); ++r)
        result.columns.push_back({columns->text(r, 0), columns->text(r, 1)});
    return result;
}

DbResult<QStringList> primaryIndexNames(CatalogQuery &query, const QString &table) {
    const QSqlIndex primary = query.database().primaryIndex(table);
    if (primary.isEmpty())
        return QStringList();
    // Some drivers leave the key unnamed; it is listed as PRIMARY, as MySQL names its own.
    return QStringList{primary.name().isEmpty() ? s("PRIMARY") : primary.name()};
}

DbResult<IndexFacts> primaryIndexFacts(CatalogQuery &query, const QString &table,
                                       const QString &index) {
    const QSqlIndex primary = query.database().primaryIndex(table);
    IndexFacts result{table, index, !primary.isEmpty(), 2, {}, {}};
    if (!result.found)
        return result;
    result.facts.push_back({s("Table Name"), table});
    result.facts.push_back({s("Uniqueness"), s("UNIQUE")});
    const QSqlRecord record = query.database().record(table);
    for (int i = 0; i < primary.count(); ++i) {
        const QSqlField field = record.field(primary.fieldName(i));
        result.columns.push_back(
            {primary.fieldName(i), QString::fromLatin1(field.metaType().name())});
    }
    return result;
}

} // namespace kelvoran::db

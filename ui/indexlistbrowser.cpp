#include "ui/indexlistbrowser.h"

#include "db/indexlist.h"

namespace kelvoran {

DbResult<QStringList> IndexListBrowser::listIndexes(db::CatalogQuery &query, const QString &table) {
    DbResult<QStringList> names = [&] {
        switch (m_kind) {
        case DbKind::Oracle:
            return db::oracleIndexNames(query, table);
        case DbKind::MySql:
            return db::mysqlIndexNames(query, table);
        case DbKind::Postgre:
            return db::postgresIndexNames(query, table);
        case DbKind::Sqlite:
            return db::sqliteIndexNames(query, table);
        default:
            return db::primaryIndexNames(query, table);
        }
    }();
    if (!names)
        return names.error();
    m_table = table;
    m_indexes = *names;
    return names;
}

DbResult<IndexDetail> IndexListBrowser::detail(db::CatalogQuery &query,
                                               const QString &index) const {
    DbResult<db::IndexFacts> facts = [&] {
        switch (m_kind) {
        case DbKind::Oracle:
            return db::oracleIndexFacts(query, m_table, index);
        case DbKind::MySql:
            return db::mysqlIndexFacts(query, m_table, index);
        case DbKind::Postgre:
            return db::postgresIndexFacts(query, m_table, index);
        case DbKind::Sqlite:
            return db::sqliteIndexFacts(query, m_table, index);
        default:
            return db::primaryIndexFacts(query, m_table, index);
        }
    }();
    if (!facts)
        return facts.error();
    return indexDetail(*facts);
}

} // namespace kelvoran

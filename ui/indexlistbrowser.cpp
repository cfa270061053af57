#include "ui/indexlistbrowser.h"

#include "db/indexlist.h"

namespace kelvoran {

bool indexListSupported(DbKind kind) {
    return kind == DbKind::Oracle || kind == DbKind::MySql;
}

DbResult<QStringList> IndexListBrowser::listIndexes(db::CatalogQuery &query, const QString &table) {
    DbResult<QStringList> names = m_kind == DbKind::MySql ? db::mysqlIndexNames(query, table)
                                                          : db::oracleIndexNames(query, table);
    if (!names)
        return names.error();
    m_table = table;
    m_indexes = *names;
    return names;
}

DbResult<IndexDetail> IndexListBrowser::detail(db::CatalogQuery &query,
                                               const QString &index) const {
    DbResult<db::IndexFacts> facts = m_kind == DbKind::MySql
                                         ? db::mysqlIndexFacts(query, m_table, index)
                                         : db::oracleIndexFacts(query, m_table, index);
    if (!facts)
        return facts.error();
    return indexDetail(*facts);
}

} // namespace kelvoran

// What the index list window lists and shows, without widgets: the indexes of one table and the
// details of each of them, read from the catalog of the alias's kind.
#pragma once

#include "db/catalogquery.h"
#include "db/dbkind.h"
#include "ui/indexsheet.h"

#include <QString>
#include <QStringList>

namespace kelvoran {

// The listed table and its indexes. The catalog query is handed in for each step, so the
// browser holds no connection of its own and a session closed in between is opened again.
class IndexListBrowser {
public:
    explicit IndexListBrowser(DbKind kind) : m_kind(kind) {}

    // Lists the indexes of a table (ORACLE: as the catalog returns them; MYSQL: each key name
    // once, in SHOW INDEX order; POSTGRE and SQLITE: by name; other kinds: the primary index
    // their driver reports). A failing statement leaves the table and the list as they were.
    DbResult<QStringList> listIndexes(db::CatalogQuery &query, const QString &table);
    // The memo lines and sheet cells of one index of the listed table.
    DbResult<IndexDetail> detail(db::CatalogQuery &query, const QString &index) const;

    DbKind kind() const { return m_kind; }
    const QString &table() const { return m_table; }
    const QStringList &indexes() const { return m_indexes; }

private:
    DbKind m_kind;
    QString m_table;
    QStringList m_indexes;
};

} // namespace kelvoran

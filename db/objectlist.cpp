#include "objectlist.h"

#include "catalogsql.h"

#include <QSqlError>

#include <algorithm>

namespace kelvoran::db {

namespace {
Result<QStringList> firstColumnSorted(CatalogQuery &query, const QStringList &statement) {
    Result<CatalogRows> rows = query.run(statement);
    if (!rows)
        return rows.error();
    QStringList names;
    for (int r = 0; r < rows->count(); ++r)
        names << rows->text(r, 0);
    sortAsTree(names);
    return names;
}
} // namespace

void sortAsTree(QStringList &names) {
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
}

Result<QStringList> oracleObjectList(CatalogQuery &query, const ObjectKind &kind) {
    return firstColumnSorted(query, catalogsql::objectList(kind.typeWord));
}

Result<QStringList> postgresTableList(CatalogQuery &query) {
    return firstColumnSorted(query, catalogsql::postgresTableList());
}

Result<QStringList> accessLayerTableList(const QSqlDatabase &database) {
    if (!database.isOpen())
        return Error{database.lastError().text(), QString()};
    QStringList names = database.tables(QSql::Tables);
    sortAsTree(names);
    return names;
}

} // namespace kelvoran::db

#include "db/objectlist.h"

#include "db/catalogsql.h"
#include "db/postgrescatalog.h"

#include <algorithm>

namespace kelvoran::db {

namespace {
DbResult<QStringList> firstColumnSorted(CatalogQuery &query, const QStringList &statement) {
    DbResult<CatalogRows> rows = query.run(statement);
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

DbResult<QStringList> oracleObjectList(CatalogQuery &query, const ObjectKind &kind) {
    return firstColumnSorted(query, catalogsql::objectList(kind.typeWord));
}

DbResult<QStringList> postgresObjectList(CatalogQuery &query, ObjectKindId folder) {
    return firstColumnSorted(query, pgsql::objectList(folder));
}

DbResult<QStringList> folderObjects(DbSession &session, const QString &alias, DbKind kind,
                                    const ObjectKind &folder) {
    if (kind != DbKind::Oracle && kind != DbKind::Postgre) {
        DbResult<QStringList> names = session.tableNames(alias);
        if (!names)
            return names;
        QStringList sorted = *names;
        sortAsTree(sorted);
        return sorted;
    }
    DbResult<QSqlDatabase> db = session.connection(alias);
    if (!db)
        return db.error();
    CatalogQuery query(*db);
    if (kind == DbKind::Oracle)
        return oracleObjectList(query, folder);
    return postgresObjectList(query, folder.id);
}

} // namespace kelvoran::db

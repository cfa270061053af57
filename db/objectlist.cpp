#include "db/objectlist.h"

#include "db/catalogsql.h"
#include "db/postgrescatalog.h"

#include <algorithm>

namespace kelvoran::db {

namespace {
DbResult<QStringList> firstColumnSorted(CatalogQuery &query, const QStringList &statement) {
    DbResult<QStringList> read = query.firstColumn(statement);
    if (!read)
        return read;
    QStringList names = *read;
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

DbResult<QStringList> mysqlObjectList(CatalogQuery &query, const ObjectKind &kind) {
    return firstColumnSorted(query, catalogsql::mysqlObjectList(kind.typeWord));
}

DbResult<QStringList> sqliteObjectList(CatalogQuery &query, const ObjectKind &kind) {
    return firstColumnSorted(query, catalogsql::sqliteObjectList(kind.typeWord));
}

DbResult<QStringList> folderObjects(DbSession &session, const QString &alias, DbKind kind,
                                    const ObjectKind &folder) {
    const bool catalogKind = kind == DbKind::Oracle || kind == DbKind::Postgre ||
                             kind == DbKind::MySql || kind == DbKind::Sqlite;
    if (!catalogKind) {
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
    switch (kind) {
    case DbKind::Oracle:
        return oracleObjectList(query, folder);
    case DbKind::MySql:
        return mysqlObjectList(query, folder);
    case DbKind::Sqlite:
        return sqliteObjectList(query, folder);
    default:
        return postgresObjectList(query, folder.id);
    }
}

} // namespace kelvoran::db

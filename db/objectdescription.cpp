#include "db/objectdescription.h"

#include "db/mysqlobjects.h"
#include "db/mysqlsource.h"
#include "db/objectlist.h"
#include "db/postgressource.h"
#include "db/sqlitesource.h"

namespace kelvoran::db {

bool hasObjectTexts(DbKind kind) {
    return kind == DbKind::Oracle || kind == DbKind::Postgre || kind == DbKind::MySql ||
           kind == DbKind::Sqlite;
}

DescribeResult describeObject(DbSession &session, const QString &alias, DbKind kind,
                              const ObjectKind &folder, const QString &name) {
    if (!hasObjectTexts(kind))
        return DescribeResult{};
    DbResult<QSqlDatabase> db = session.connection(alias);
    if (!db) {
        DescribeResult failed;
        failed.error = db.error();
        return failed;
    }
    CatalogQuery query(*db);
    switch (kind) {
    case DbKind::Oracle:
        return describeOracleObject(query, folder.id, name);
    case DbKind::Postgre:
        return describePostgresObject(query, folder.id, name);
    case DbKind::MySql:
        return folder.id == ObjectKindId::Table ? describeMySqlTable(query, name)
                                                : describeMySqlObject(query, folder, name);
    case DbKind::Sqlite:
        return describeSqliteObject(query, folder, name);
    default:
        return DescribeResult{};
    }
}

DbResult<bool> objectExists(DbSession &session, const QString &alias, DbKind kind,
                            const ObjectKind &folder, const QString &name) {
    DbResult<QStringList> names = folderObjects(session, alias, kind, folder);
    if (!names)
        return names.error();
    return names->contains(name);
}

} // namespace kelvoran::db

#include "db/objectdescription.h"

#include "db/mysqlsource.h"
#include "db/objectlist.h"
#include "db/postgressource.h"

namespace kelvoran::db {

DescribeResult describeObject(DbSession &session, const QString &alias, DbKind kind,
                              const ObjectKind &folder, const QString &name) {
    const bool oracle = kind == DbKind::Oracle;
    const bool postgre = kind == DbKind::Postgre;
    const bool mysqlTable = kind == DbKind::MySql && folder.id == ObjectKindId::Table;
    if (!oracle && !postgre && !mysqlTable)
        return DescribeResult{};
    DbResult<QSqlDatabase> db = session.connection(alias);
    if (!db) {
        DescribeResult failed;
        failed.error = db.error();
        return failed;
    }
    CatalogQuery query(*db);
    if (postgre)
        return describePostgresObject(query, folder.id, name);
    return oracle ? describeOracleObject(query, folder.id, name) : describeMySqlTable(query, name);
}

DbResult<bool> objectExists(DbSession &session, const QString &alias, DbKind kind,
                            const ObjectKind &folder, const QString &name) {
    DbResult<QStringList> names = folderObjects(session, alias, kind, folder);
    if (!names)
        return names.error();
    return names->contains(name);
}

} // namespace kelvoran::db

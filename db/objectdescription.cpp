#include "db/objectdescription.h"

#include "db/mysqlsource.h"
#include "db/objectlist.h"

namespace kelvoran::db {

DescribeResult describeObject(DbSession &session, const QString &alias, DbKind kind,
                              const ObjectKind &folder, const QString &name) {
    const bool oracle = kind == DbKind::Oracle;
    const bool mysqlTable = kind == DbKind::MySql && folder.id == ObjectKindId::Table;
    if (!oracle && !mysqlTable)
        return DescribeResult{};
    DbResult<QSqlDatabase> db = session.connection(alias);
    if (!db) {
        DescribeResult failed;
        failed.error = db.error();
        return failed;
    }
    CatalogQuery query(*db);
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

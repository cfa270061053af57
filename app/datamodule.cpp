#include "app/datamodule.h"

#include <QSqlError>

namespace kelvoran {

void TDataModule_Kelvoran::readDriverName(const QString &alias) {
    Result<QString> driver = session.driverName(alias);
    if (!driver)
        throw DbException(DbError(DbErrorEntry::make(
            DbErrorCategory::Connection, DbSubCode::UnknownAlias, 0, driver.error().message)));
    driverName = *driver;
    kind = dbKindFromDriverName(*driver);
}

std::unique_ptr<KeyedTableModel> TDataModule_Kelvoran::selectTable(const QString &alias,
                                                                   const QString &name) {
    DbResult<QSqlDatabase> db = session.connection(alias);
    if (!db)
        throw DbException(db.error());
    const Result<QString> driver = session.driverName(alias);
    auto model = std::make_unique<KeyedTableModel>(*db, driver ? dbKindFromDriverName(*driver)
                                                               : DbKind::Other);
    if (!model->open(name)) {
        DbError error = DbError::fromSqlError(model->lastError(), nativeCodeFormOf(db->driver()));
        if (error.isEmpty())
            error.append(
                DbErrorEntry::make(DbErrorCategory::Statement, DbSubCode::Server, 0, name));
        throw DbException(error);
    }
    return model;
}

} // namespace kelvoran

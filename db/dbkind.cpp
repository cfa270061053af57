#include "db/dbkind.h"

namespace kelvoran {

DbKind dbKindFromDriverName(const QString &driverName) {
    // The order matters: a name holding both ORACLE and MYSQL is an Oracle driver.
    static const struct {
        const char *word;
        DbKind kind;
    } order[] = {{"ORACLE", DbKind::Oracle}, {"POSTGRE", DbKind::Postgre},
                 {"MYSQL", DbKind::MySql},   {"ACCESS", DbKind::Access},
                 {"EXCEL", DbKind::Excel},   {"SQLITE", DbKind::Sqlite}};
    const QString upper = driverName.toUpper();
    for (const auto &entry : order)
        if (upper.contains(QLatin1String(entry.word)))
            return entry.kind;
    return DbKind::Other;
}

QString dbKindText(DbKind kind) {
    switch (kind) {
    case DbKind::Oracle:
        return QStringLiteral("ORACLE");
    case DbKind::Postgre:
        return QStringLiteral("POSTGRE");
    case DbKind::MySql:
        return QStringLiteral("MYSQL");
    case DbKind::Access:
        return QStringLiteral("ACCESS");
    case DbKind::Excel:
        return QStringLiteral("EXCEL");
    case DbKind::Sqlite:
        return QStringLiteral("SQLITE");
    case DbKind::Other:
        break;
    }
    return QStringLiteral("OTHER");
}

} // namespace kelvoran

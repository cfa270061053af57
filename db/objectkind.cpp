#include "db/objectkind.h"

namespace kelvoran::db {

const std::vector<ObjectKind> &oracleObjectKinds() {
    static const std::vector<ObjectKind> kinds{
        {ObjectKindId::Table, QStringLiteral("Table"), QStringLiteral("TABLE"), 1},
        {ObjectKindId::View, QStringLiteral("View"), QStringLiteral("VIEW"), 9},
        {ObjectKindId::Procedure, QStringLiteral("Procedure"), QStringLiteral("PROCEDURE"), 6},
        {ObjectKindId::Function, QStringLiteral("Function"), QStringLiteral("FUNCTION"), 10},
        {ObjectKindId::Package, QStringLiteral("Package"), QStringLiteral("PACKAGE"), 4},
        {ObjectKindId::PackageBody, QStringLiteral("Package Body"), QStringLiteral("PACKAGE BODY"),
         5},
        {ObjectKindId::Synonym, QStringLiteral("Synonym"), QStringLiteral("SYNONYM"), 8},
        {ObjectKindId::Trigger, QStringLiteral("Trigger"), QStringLiteral("TRIGGER"), 7},
        {ObjectKindId::Index, QStringLiteral("Index"), QStringLiteral("INDEX"), 11},
        {ObjectKindId::Type, QStringLiteral("Type"), QStringLiteral("TYPE"), 12},
        {ObjectKindId::DbLink, QStringLiteral("DB Link"), QStringLiteral("DATABASE LINK"), 3},
    };
    return kinds;
}

std::optional<ObjectKind> oracleObjectKind(const QString &folder) {
    for (const ObjectKind &kind : oracleObjectKinds())
        if (kind.folder == folder)
            return kind;
    return std::nullopt;
}

const std::vector<ObjectKind> &mysqlObjectKinds() {
    static const std::vector<ObjectKind> kinds{
        {ObjectKindId::Table, QStringLiteral("Table"), QStringLiteral("BASE TABLE"), 1},
        {ObjectKindId::View, QStringLiteral("View"), QStringLiteral("VIEW"), 9},
        {ObjectKindId::Procedure, QStringLiteral("Procedure"), QStringLiteral("PROCEDURE"), 6},
        {ObjectKindId::Function, QStringLiteral("Function"), QStringLiteral("FUNCTION"), 10},
        {ObjectKindId::Trigger, QStringLiteral("Trigger"), QStringLiteral("TRIGGER"), 7},
        {ObjectKindId::Event, QStringLiteral("Event"), QStringLiteral("EVENT"), 15},
    };
    return kinds;
}

const std::vector<ObjectKind> &sqliteObjectKinds() {
    static const std::vector<ObjectKind> kinds{
        {ObjectKindId::Table, QStringLiteral("Table"), QStringLiteral("table"), 1},
        {ObjectKindId::View, QStringLiteral("View"), QStringLiteral("view"), 9},
        {ObjectKindId::Index, QStringLiteral("Index"), QStringLiteral("index"), 11},
        {ObjectKindId::Trigger, QStringLiteral("Trigger"), QStringLiteral("trigger"), 7},
    };
    return kinds;
}

ObjectKind tableOnlyFolder(bool postgre) {
    return {ObjectKindId::Table, QStringLiteral("Table"), QStringLiteral("TABLE"),
            postgre ? 1 : DefaultImageIndex};
}

const std::vector<ObjectKind> &postgresObjectKinds() {
    // Type words are the folder's catalog kind in pg_catalog terms; images are shared with the
    // ORACLE folders of the same meaning.
    static const std::vector<ObjectKind> kinds{
        {ObjectKindId::Table, QStringLiteral("Table"), QStringLiteral("TABLE"), 1},
        {ObjectKindId::View, QStringLiteral("View"), QStringLiteral("VIEW"), 9},
        {ObjectKindId::MaterializedView, QStringLiteral("Materialized View"),
         QStringLiteral("MATERIALIZED VIEW"), 13},
        {ObjectKindId::Index, QStringLiteral("Index"), QStringLiteral("INDEX"), 11},
        {ObjectKindId::Sequence, QStringLiteral("Sequence"), QStringLiteral("SEQUENCE"), 14},
        {ObjectKindId::Function, QStringLiteral("Function"), QStringLiteral("FUNCTION"), 10},
        {ObjectKindId::Procedure, QStringLiteral("Procedure"), QStringLiteral("PROCEDURE"), 6},
        {ObjectKindId::Trigger, QStringLiteral("Trigger"), QStringLiteral("TRIGGER"), 7},
        {ObjectKindId::Type, QStringLiteral("Type"), QStringLiteral("TYPE"), 12},
    };
    return kinds;
}

std::vector<ObjectKind> objectKindsFor(DbKind kind) {
    if (kind == DbKind::Oracle)
        return oracleObjectKinds();
    if (kind == DbKind::Postgre)
        return postgresObjectKinds();
    if (kind == DbKind::MySql)
        return mysqlObjectKinds();
    if (kind == DbKind::Sqlite)
        return sqliteObjectKinds();
    return {tableOnlyFolder(kind == DbKind::Postgre)};
}

std::optional<ObjectKind> objectKindFor(DbKind kind, const QString &folder) {
    for (const ObjectKind &k : objectKindsFor(kind))
        if (k.folder == folder)
            return k;
    return std::nullopt;
}

bool behavesAsView(DbKind kind, ObjectKindId id) {
    switch (kind) {
    case DbKind::Oracle:
    case DbKind::MySql:
    case DbKind::Sqlite:
        return id == ObjectKindId::View;
    case DbKind::Postgre:
        return id == ObjectKindId::View || id == ObjectKindId::MaterializedView;
    default:
        return false;
    }
}

bool showsRows(DbKind kind, ObjectKindId id) {
    return id == ObjectKindId::Table || id == ObjectKindId::Synonym || behavesAsView(kind, id);
}

} // namespace kelvoran::db

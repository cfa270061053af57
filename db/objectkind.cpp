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
    return {tableOnlyFolder(kind == DbKind::Postgre)};
}

bool folderShowsRows(const QString &folder) {
    return folder == u"Table" || folder == u"View" || folder == u"Synonym" ||
           folder == u"Materialized View";
}

std::optional<ObjectKind> objectKindFor(DbKind kind, const QString &folder) {
    for (const ObjectKind &k : objectKindsFor(kind))
        if (k.folder == folder)
            return k;
    return std::nullopt;
}

} // namespace kelvoran::db

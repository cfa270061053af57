// The folder kinds under an alias in the object tree: their folder texts, the type words the
// catalog stores for them and their tree images.
#pragma once

#include "db/dbkind.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelvoran::db {

// The eleven folders of an ORACLE alias, in tree order, then the folders only other kinds have.
enum class ObjectKindId {
    Table,
    View,
    Procedure,
    Function,
    Package,
    PackageBody,
    Synonym,
    Trigger,
    Index,
    Type,
    DbLink,
    MaterializedView,
    Sequence
};

// Image index for nodes that take the tree's default image.
constexpr int DefaultImageIndex = -1;

// One folder kind: folder text, catalog type word (USER_OBJECTS.OBJECT_TYPE) and image index,
// used both as image and as selected image.
struct ObjectKind {
    ObjectKindId id;
    QString folder;
    QString typeWord;
    int image;
};

// Image of alias nodes and object nodes.
constexpr int AliasOrObjectImageIndex = 0;

// The eleven ORACLE folders, "Table" to "DB Link", in the order they are added under an alias.
const std::vector<ObjectKind> &oracleObjectKinds();
// The ORACLE folder with this text, if any.
std::optional<ObjectKind> oracleObjectKind(const QString &folder);
// The single "Table" folder of the other kinds: image 1 for POSTGRE, the default image otherwise.
ObjectKind tableOnlyFolder(bool postgre);
// The nine folders of a POSTGRE alias, "Table" to "Type", in the order they are added.
const std::vector<ObjectKind> &postgresObjectKinds();
// The folders under an alias of this kind, in the order they are added.
std::vector<ObjectKind> objectKindsFor(DbKind kind);
// True for the folders whose objects show their rows in the grid (row count, AnalyzeCol, report
// source): "Table", "View", "Synonym" and "Materialized View".
bool folderShowsRows(const QString &folder);
// The folder of this text under an alias of this kind, or none when the kind has no such folder.
std::optional<ObjectKind> objectKindFor(DbKind kind, const QString &folder);

} // namespace kelvoran::db

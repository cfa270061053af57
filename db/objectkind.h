// The folder kinds under an alias in the object tree: their folder texts, the type words the
// catalog stores for them and their tree images.
#pragma once

#include "db/dbkind.h"

#include <QString>

#include <optional>
#include <vector>

namespace kelvoran::db {

// The folders of the object tree: the eleven of an ORACLE alias in tree order, then those only
// other kinds have.
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
    Sequence,
    Event
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
// The MYSQL folders: Table, View, Procedure, Function, Trigger and Event, with the type words of
// information_schema.
const std::vector<ObjectKind> &mysqlObjectKinds();
// The SQLITE folders: Table, View, Index and Trigger, with the type words of sqlite_schema.
const std::vector<ObjectKind> &sqliteObjectKinds();
// The folders under an alias of this kind, in the order they are added.
std::vector<ObjectKind> objectKindsFor(DbKind kind);
// The folder of this text under an alias of this kind, or none when the kind has no such folder.
std::optional<ObjectKind> objectKindFor(DbKind kind, const QString &folder);

// True when an object of this folder is shown as an ORACLE view is: its rows in the grid, its
// row count, its columns on the AnalyzeCol tab and as the report designer's source.
bool behavesAsView(DbKind kind, ObjectKindId id);
// True when selecting an object of this folder shows its rows: tables, synonyms and the folders
// that behave as views.
bool showsRows(DbKind kind, ObjectKindId id);

} // namespace kelvoran::db

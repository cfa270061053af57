// Describing the object selected in the tree: its Definition and Source texts by the alias's
// kind. ORACLE and POSTGRE aliases describe every folder kind, MYSQL and SQLITE aliases every
// folder of theirs; for the other kinds both views stay cleared.
#pragma once

#include "db/dbsession.h"
#include "db/definitionbuilder.h"
#include "db/objectkind.h"

#include <QString>

namespace kelvoran::db {

// True when objects of aliases of this kind have Definition and Source texts.
bool hasObjectTexts(DbKind kind);

// The Definition and Source texts of object `name` under `folder` of `alias`, opening the
// alias's connection when the kind has texts to build (with the session's login prompt).
// A failed connection or statement leaves what was built so far and the error.
DescribeResult describeObject(DbSession &session, const QString &alias, DbKind kind,
                              const ObjectKind &folder, const QString &name);

// Whether `name` is one of the objects the tree lists under `folder` of `alias` (the exact
// name), opening the alias's connection first.
DbResult<bool> objectExists(DbSession &session, const QString &alias, DbKind kind,
                            const ObjectKind &folder, const QString &name);

} // namespace kelvoran::db

// Definition and Source texts of the MySQL objects beside tables: views, procedures, functions,
// triggers and events. The Source is the server's own SHOW CREATE text ended by ";", so that
// running it as one statement creates the object again; the Definition is a short summary from
// information_schema.
#pragma once

#include "db/catalogquery.h"
#include "db/definitionbuilder.h"
#include "db/objectkind.h"
#include "db/viewlines.h"

#include <QString>

namespace kelvoran::db {

// The Source lines of a SHOW CREATE result: the statement (the column named for the type word)
// split at line feeds, with ";" after its last line. Without a row, or with the statement
// withheld (NULL: the user may not see it), the view stays as it is.
void SourceTab_MySqlObject(ViewLines &source, const QString &typeWord, const CatalogRows &rows);
// The Definition lines of an object's information_schema row: "Object Name" and one labelled
// line per fact of the type word, then an empty line. Without a row only the empty line.
void DefinitionTab_MySqlObject(ViewLines &definition, const QString &typeWord, const QString &name,
                               const CatalogRows &rows);

// Describes a MySQL object of a folder other than Table by running its statements on the query.
DescribeResult describeMySqlObject(CatalogQuery &query, const ObjectKind &folder,
                                   const QString &name);

} // namespace kelvoran::db

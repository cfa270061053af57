// Oracle's DECODE and NVL on SQLite connections, so that catalog statements written for Oracle
// run unchanged on the SQLite database that holds an Oracle data dictionary.
#pragma once

#include "core/result.h"

class QSqlDatabase;

namespace kelvoran {

// Registers DECODE and NVL on an open QSQLITE connection. Both follow Oracle: an empty text
// counts as NULL when comparing, and NULL matches NULL in DECODE; a NULL result comes back as
// the empty text, because SQLite's || gives NULL when either side is NULL where Oracle's treats
// NULL as empty ('DATE'||DECODE(x,'DATE',NULL,'(10)') is "DATE").
//   DECODE(expr, search1, result1 [, search2, result2 ...] [, default])
//   NVL(a, b): a unless it is NULL or empty, else b.
// Comparison: a number against a text converts the text to a number when it is one, otherwise
// both are compared as texts; texts compare exactly (no blank padding).
Status registerOracleFunctions(const QSqlDatabase &db);

} // namespace kelvoran

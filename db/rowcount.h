// Counting the rows of a query (or a table) before it is read: the row count of the SQL tab, the
// data count of a report, the number of rows a CSV export writes at most.
//
// A statement is counted with COUNT(*) around it, a table with COUNT(*) over it. On MySQL and
// MariaDB a statement is run itself and its rows counted without keeping them, as a derived
// table there may not repeat a column name. Where the wrapper of a statement fails, the statement
// itself is counted the same way, when the caller's fallback rule allows it.
#pragma once

#include "db/dbkind.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kelvoran {

// When a failed COUNT(*) wrapper of a statement is followed by counting the statement's own rows.
enum class CountFallback {
    Always,         // whatever the wrapper's error
    WhileOpen,      // while the connection is still open
    WhileConnected, // while it is open and the error is not a connection error
};

// The steps of a count, in the order they are taken, for callers that name each one.
enum class CountStage {
    Direct,   // a MySQL/MariaDB statement is run itself and its rows counted
    Wrapper,  // COUNT(*) around the statement or over the table
    Counted,  // the wrapper gave the count
    Fallback, // the wrapper failed and the fallback rule allows counting the statement's rows
};

// What is counted and how.
struct CountRequest {
    DbKind kind = DbKind::Other;
    // The statement's lines, wrapped by COUNT(*) as they are (ignored when table is set).
    QStringList statementLines;
    // The statement's text when run itself; empty: the lines joined (statementText()).
    QString statementItself;
    // Set: this table is counted whole, without a fallback.
    std::optional<QString> table;
    // The name given to the wrapped statement, which a subquery in FROM needs; Oracle gets none
    // (its wrapper ends in ")" as it is).
    QString subqueryName;
    CountFallback fallback = CountFallback::WhileConnected;
};

struct CountResult {
    std::optional<qint64> count;
    // The error of the last attempt (the wrapper, or the statement run itself); none when counted.
    QSqlError error;
    // The wrapper's error when it ran and failed.
    QSqlError wrapperError;
    // The wrapper failed and the statement's own rows were counted (or that failed too).
    bool fellBack = false;
};

// Counts as the top of the file says; stage is told each step before it is taken.
CountResult countQueryRows(const QSqlDatabase &db, const CountRequest &request,
                           const std::function<void(CountStage)> &stage = {});

// Counts the rows of a query by running it, without keeping them: on PostgreSQL the server
// counts through a cursor (MOVE ALL), on MySQL/MariaDB the rows are read one by one and
// dropped, elsewhere the driver's size or a forward-only pass. Nothing on failure, with error set.
std::optional<qint64> countResultRows(const QSqlDatabase &db, const QString &sql, QSqlError &error);

} // namespace kelvoran

// Procedure calls typed on the SQL tab: "EXEC name(p1, p2)" parsed, looked up in the catalog of
// the alias's kind and executed with the parameter texts as string values.
#pragma once

#include "db/dberror.h"
#include "db/dbkind.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace kelvoran {

// A parsed call: the procedure name and the parameter texts (trimmed, quotes kept).
struct ProcedureCall {
    QString name;
    QStringList parameters;
};

// Parses the text after the EXEC or EXECUTE word. Blanks and ";" are ignored in the name; the
// text inside the parentheses is split at commas outside nested parentheses and outside single
// quotes, each parameter trimmed and kept as written; text after the closing ")" is ignored. A
// call that continues on further lines is read on those lines too, whole, up to its ")".
// Returns nothing when the first word is not EXEC or a word beginning with EXECUTE.
std::optional<ProcedureCall> parseProcedureCall(const QStringList &lines);

// The procedure as the catalog declares it.
struct ProcedureDeclaration {
    // The statement that runs it with one "?" per declared parameter.
    QString callText;
    int parameterCount = 0;
};

// Looks the procedure up in the catalog of the kind (USER_ARGUMENTS on Oracle, pg_proc on
// PostgreSQL, information_schema.PARAMETERS on MySQL). Nothing when it is not found or the kind
// has no stored procedures; a failing catalog query is a database error.
DbResult<std::optional<ProcedureDeclaration>>
findProcedure(const QSqlDatabase &db, DbKind kind, NativeCodeForm form, const QString &name);

// Why a call could not be turned into a statement.
enum class CallStatementFailure { NotFound, TooFewParameters };

// The statement that runs a parsed call on a connection, or why there is none.
struct CallStatement {
    QString text; // the declaration's call text with the parameters filled in
    std::optional<CallStatementFailure> failure;
    int declaredParameters = 0;
    int givenParameters = 0;
};

// Looks the call up (findProcedure) and fills the declared parameters in order: each parameter
// text goes as a string literal quoted by the connection's driver (the server converts it to
// the declared type); declared parameters without a text get NULL when the call gives no
// parameters at all. A call that gives some but fewer parameters than declared fails, and so
// does a procedure the catalog does not declare (or a catalog query that fails). Shared by the
// SQL tab and the scheduler's Sql entries.
CallStatement procedureCallStatement(const QSqlDatabase &db, DbKind kind, NativeCodeForm form,
                                     const ProcedureCall &call);

} // namespace kelvoran

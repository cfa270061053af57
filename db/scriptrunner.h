// Runs an SQL script file: every statement in file order, errors collected, then a summary.
//
// Transactions: each statement is committed on its own as it succeeds (the session connection
// runs in autocommit on every kind of database); the runner never starts, commits or rolls back
// a transaction itself. A script that wants all-or-nothing writes its own BEGIN/COMMIT (or
// START TRANSACTION/COMMIT) statements, which run on the same connection like any other.
#pragma once

#include "core/result.h"
#include "db/scriptsplitter.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

class SqlRunner;

// One statement after the run; errorEntry is empty on success, else "Message     :" + message.
struct ScriptStatementRun {
    ScriptStatement statement;
    QString errorEntry;
};

// One row of the error list: running number from 1, display text, error entry.
struct ScriptErrorRow {
    int number = 0;
    QString displayText;
    QString errorEntry;
};

// The outcome of a script run.
struct ScriptRunResult {
    std::vector<ScriptStatementRun> statements;
    int successCount = 0;
    int errorCount = 0;

    // "SQLを「n」個実行しエラーSQLはありませんでした。" or
    // "SQLを「n」個実行しエラーSQLは「e」個でした。"
    QString summaryMessage() const;
    // The failed statements in list order.
    std::vector<ScriptErrorRow> errorRows() const;
};

// Runs the statements of a script against the alias with the runner's line separator.
class ScriptRunner {
public:
    explicit ScriptRunner(SqlRunner &runner) : m_runner(runner) {}

    // Splits the lines and executes every statement, going on after failures.
    ScriptRunResult run(const QString &alias, const QStringList &lines);
    // Reads a Shift_JIS script file and runs it; a file that cannot be read is an error.
    Result<ScriptRunResult> runFile(const QString &alias, const QString &path);

private:
    SqlRunner &m_runner;
};

} // namespace kelvoran

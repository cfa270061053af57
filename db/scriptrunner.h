// Runs an SQL script file: every statement in file order, errors collected, then a summary.
// The script is split by the rules of the alias's database kind (scriptsplitter.h), and every
// statement is sent as written, without parameter markers, so ":NEW" and ":OLD" in a trigger
// and ":name" anywhere else reach the database untouched.
//
// Transactions: each statement is committed on its own as it succeeds (the session connection
// runs in autocommit on every kind of database); the runner never starts, commits or rolls back
// a transaction itself. A script that wants all-or-nothing writes its own BEGIN/COMMIT
// (PostgreSQL, SQLite) or START TRANSACTION/COMMIT (MySQL) statements, or a PL/SQL block on
// Oracle, where BEGIN starts a block; they run on the same connection like any other.
#pragma once

#include "core/result.h"
#include "db/scriptsplitter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kelvoran {

class DbSession;
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

// Runs the statements of a script against the alias with the runner's line separator. The
// session tells the kind of each alias; the runner must run on the same session.
class ScriptRunner {
public:
    // Told before each statement is sent: its number from 1 and the number of statements.
    using Progress = std::function<void(int current, int total)>;

    ScriptRunner(const DbSession &session, SqlRunner &runner)
        : m_session(session), m_runner(runner) {}

    // Where a long script reports how far it is (none by default).
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Splits the lines and executes every statement, going on after failures. A statement
    // that could not be split is not sent and counts as failed with its split error.
    ScriptRunResult run(const QString &alias, const QStringList &lines);
    // Reads a Shift_JIS script file and runs it; a file that cannot be read is an error.
    Result<ScriptRunResult> runFile(const QString &alias, const QString &path);

private:
    const DbSession &m_session;
    SqlRunner &m_runner;
    Progress m_progress;
};

} // namespace kelvoran

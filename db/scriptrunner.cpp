#include "db/scriptrunner.h"

#include "core/textfile.h"
#include "db/dbsession.h"
#include "db/sqlrunner.h"

namespace kelvoran {

QString ScriptRunResult::summaryMessage() const {
    const QString count = QString::number(statements.size());
    if (errorCount == 0)
        return QStringLiteral("SQLを「") + count +
               QStringLiteral("」個実行しエラーSQLはありませんでした。");
    return QStringLiteral("SQLを「") + count + QStringLiteral("」個実行しエラーSQLは「") +
           QString::number(errorCount) + QStringLiteral("」個でした。");
}

std::vector<ScriptErrorRow> ScriptRunResult::errorRows() const {
    std::vector<ScriptErrorRow> rows;
    for (const ScriptStatementRun &s : statements) {
        if (!s.errorEntry.isEmpty())
            rows.push_back({int(rows.size()) + 1, s.statement.displayText, s.errorEntry});
    }
    return rows;
}

ScriptRunResult ScriptRunner::run(const QString &alias, const QStringList &lines) {
    ScriptRunResult result;
    const std::optional<AliasInfo> info = m_session.aliases().find(alias);
    const DbKind kind = info ? info->kind() : DbKind::Other;
    const std::vector<ScriptStatement> statements =
        splitScript(lines, m_runner.lineSeparator(), kind);
    const int total = int(statements.size());
    for (const ScriptStatement &statement : statements) {
        if (m_progress)
            m_progress(int(result.statements.size()) + 1, total);
        ScriptStatementRun run{statement, QString()};
        if (!statement.splitError.isEmpty()) {
            run.errorEntry = QStringLiteral("Message     :") + statement.splitError;
            ++result.errorCount;
        } else if (const DbResult<bool> done = m_runner.execute(alias, statement.executableText)) {
            ++result.successCount;
        } else {
            run.errorEntry = QStringLiteral("Message     :") + done.error().message();
            ++result.errorCount;
        }
        result.statements.push_back(std::move(run));
    }
    return result;
}

Result<ScriptRunResult> ScriptRunner::runFile(const QString &alias, const QString &path) {
    const Result<QStringList> lines = readTextLines(path);
    if (!lines)
        return lines.error();
    return run(alias, *lines);
}

} // namespace kelvoran

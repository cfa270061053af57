// Runs the SQL tab's text against an alias of the interactive session: queries into the result
// model, SHOW statements, procedure calls and plain statements, with the row count.
//
// How a run goes:
//   1. The caller has scanned the editor text (SelectAnalysis) and passes the statement kind and
//      the parts of a query.
//   2. A query is rebuilt from its parts (with the aliases on ORACLE aliases only), counted when
//      row counting is on (on the alias's session connection, before the result is opened),
//      then opened in the result model. A SHOW statement opens as typed. A procedure call is
//      parsed, looked up in the catalog and executed. Anything else is executed as typed,
//      every line followed by the line separator, without placeholder recognition, autocommitted;
//      when the driver reports that it returned rows, they go to the result model whole (the
//      statement ran on the session connection, which must be left free).
//   3. The result tells what happened: the statement class, failure, the state of the query
//      result, the messages in order and the row count; what a window shows of it is worked out
//      by the caller.
// Rows are read from the server as the grid asks for them. Where that needs a connection of its
// own (every driver but SQLite), the runner keeps a second connection per alias for its result,
// so the session connection stays free for counts and statements; before a statement, a
// procedure call or a script runs on an alias, the rest of a result still pending on that
// alias is read, so no half-read result holds locks that the statement would wait for.
// UI thread only.
#pragma once

#include "db/dbsession.h"
#include "db/querytext.h"
#include "db/resultmodel.h"
#include "db/selectanalysis.h"

#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace kelvoran {

// How a statement is run, from its scanned kind.
enum class StatementClass { Plain = 0, Query = 1, Procedure = 2, Show = 4 };

// The class of a scanned statement kind (1 query, 2 procedure call, 4 SHOW, anything else plain).
StatementClass statementClassOf(int statementKind);

// What the runner is given for one run.
struct SqlRunInput {
    QString alias;
    QStringList editorLines;
    int statementKind = 0;  // SelectAnalysis' StatementKind
    QueryParts parts;       // the query's head, items and kept lines
    bool tableOpen = false; // the grid's table (Table_Kelvoran) is open
};

// The runner's input from the scan of the editor lines (AnalyzeSelect with Oracle hints on
// ORACLE aliases).
SqlRunInput makeSqlRunInput(const QString &alias, const QStringList &editorLines,
                            const SelectAnalysis &analysis, bool tableOpen = false);

// What one run did.
struct SqlRunResult {
    StatementClass statementClass = StatementClass::Plain;
    bool ran = false;    // false when there was no alias: nothing was run, nothing changes
    bool failed = false; // the run failed (a query error or an error of the statement)
    // Query result state: 0 opened, 1 not opened, 2 opened with an error.
    int resultState = 1;
    // Messages in order: DbErrorText texts, "Message     :..." texts, success messages.
    QStringList messages;
    // A query's row count: -1 when it was not counted or its result failed to open.
    qint64 rowCount = -1;
    // The runner after the run: its result is open, it counts rows, its last row count.
    bool resultOpen = false;
    bool rowCounting = false;
    qint64 lastRowCount = -1;
    // The text sent to the database (the rebuilt query, the statement as typed, the call).
    QString sentText;
    // A plain statement that returned rows (WITH ... SELECT, VALUES, ... RETURNING, EXPLAIN, a
    // SELECT without FROM): they are in the result model, read whole, and rowCount counts them
    // when row counting is on.
    bool returnedRows = false;
};

// A row count: the count, or failure with the messages to show (possibly none).
struct RowCount {
    bool ok = false;
    qint64 count = -1;
    QStringList messages;
};

class SqlRunner {
public:
    static const QString SqlDoneMessage;       // "SQLを実行しました。"
    static const QString ProcedureDoneMessage; // "プロシージャを実行しました。"
    static const QString ProcedureNotFoundMessage;

    explicit SqlRunner(DbSession &session);
    ~SqlRunner();
    SqlRunner(const SqlRunner &) = delete;
    SqlRunner &operator=(const SqlRunner &) = delete;

    // The EnKey separator put after every line of text sent as typed.
    void setLineSeparator(const QString &separator) { m_separator = separator; }
    const QString &lineSeparator() const { return m_separator; }
    // DataCount_Flg: count the rows of each query.
    void setRowCounting(bool on) { m_rowCounting = on; }
    bool rowCounting() const { return m_rowCounting; }

    // The grid's query result (Query_Main).
    ResultModel *resultModel() { return &m_model; }
    // Result state of the last query run and the last row count (-1: none).
    int resultState() const { return m_resultState; }
    qint64 lastRowCount() const { return m_rowCount; }
    // Forgets the last row count (the row-count display was switched on or off).
    void forgetRowCount() { m_rowCount = -1; }
    // The alias of the result and the text it was opened with; the text is empty when the rows
    // came from a statement that must not run twice (a plain statement that returned rows).
    const QString &resultAlias() const { return m_modelAlias; }
    const QString &resultText() const { return m_resultText; }

    // Runs one statement.
    SqlRunResult run(const SqlRunInput &input);

    // Counts the rows of a statement (its lines) or of a table (one line with its name); the
    // row count of the grid and of the tree. Step codes "PDS_120001".."PDS_120020".
    RowCount countRows(const QString &alias, const QStringList &lines, bool countStatement);

    // Executes a text without result on the alias's session connection, without placeholder
    // recognition. A pending result on the alias is read to its end first.
    DbResult<bool> execute(const QString &alias, const QString &text);

    // Reads the rest of a result still pending on the alias (see the top of the file).
    void settleResult(const QString &alias);
    // Closes the result and the runner's own connection of the alias. Call it before the
    // session closes the alias's connection: on SQLite the result reads on that connection.
    void closeAlias(const QString &alias);

private:
    void runQuery(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome);
    void runShow(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome);
    void runProcedure(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome);
    void runPlain(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome);
    // Executes text on the alias's session connection as typed (a pending result on the alias
    // read first); the executed statement, whose result may hold rows.
    DbResult<std::unique_ptr<QSqlQuery>> executeOnSession(const QString &alias,
                                                          const QString &text);
    // Opens text in the result model on the connection the alias's driver needs.
    DbResult<bool> openResult(const AliasInfo &alias, const QString &text, bool allowCursor);
    // Closes the grid's result, stopping a statement that is still streaming.
    void closeResult();
    DbResult<QSqlDatabase> resultConnection(const AliasInfo &alias, const QSqlDatabase &session);

    DbSession &m_session;
    ResultModel m_model;
    QString m_modelAlias;
    QString m_resultText;
    QString m_separator = QStringLiteral("\n");
    bool m_rowCounting = false;
    int m_resultState = 1;
    qint64 m_rowCount = -1;
    std::map<QString, QString> m_resultConnections; // alias -> Qt connection name
};

} // namespace kelvoran

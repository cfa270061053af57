#include "ui/sqlrunoutcome.h"

namespace kelvoran {

const QString SqlRunOutcome::NameBoxData = QStringLiteral("ＳＱＬ実行データ");
const QString SqlRunOutcome::NameBoxError = QStringLiteral("ＳＱＬ実行エラー");

SqlRunOutcome sqlRunOutcome(const SqlRunResult &run, bool tableOpen) {
    SqlRunOutcome outcome;
    if (!run.ran)
        return outcome;
    switch (run.statementClass) {
    case StatementClass::Query:
        outcome.rowCountBoxChanged = true;
        outcome.rowCount = run.rowCount;
        if (run.resultState == 0)
            outcome.nameBox = SqlRunOutcome::NameBoxData;
        else if (run.resultState == 2)
            outcome.nameBox = SqlRunOutcome::NameBoxError;
        else
            outcome.nameBox = QString();
        outcome.emptyAnalyzeCol = !run.resultOpen;
        outcome.reportSourceMode = run.resultOpen ? 3 : 0;
        break;
    case StatementClass::Plain:
        if (run.returnedRows && !run.failed) {
            // Rows of a statement that is no query to the scanner: shown as a query's, with
            // the AnalyzeCol rows taken from the grid's columns.
            outcome.nameBox = SqlRunOutcome::NameBoxData;
            outcome.rowCountBoxChanged = true;
            outcome.rowCount = run.rowCount;
            outcome.analyzeColFromGrid = true;
            break;
        }
        outcome.emptyAnalyzeCol = true;
        if (run.returnedRows) {
            // Reading its rows failed: the rows read so far are not all of them.
            outcome.nameBox = SqlRunOutcome::NameBoxError;
            outcome.rowCountBoxChanged = true;
            outcome.rowCount = -1;
        }
        break;
    case StatementClass::Procedure:
        outcome.emptyAnalyzeCol = true;
        break;
    case StatementClass::Show:
        if (run.failed) {
            outcome.emptyAnalyzeCol = true;
        } else {
            outcome.analyzeColFromGrid = true;
            outcome.nameBox = SqlRunOutcome::NameBoxData;
        }
        break;
    }

    // A failed run without a table in the grid says so in the name box, unless the grid still
    // shows something: a row count of its own, or an open result.
    if (run.statementClass != StatementClass::Procedure && !run.returnedRows && !tableOpen &&
        run.failed) {
        if (run.rowCounting) {
            if (run.lastRowCount == -1) {
                outcome.nameBox = SqlRunOutcome::NameBoxError;
                outcome.rowCountBoxChanged = true;
                outcome.rowCount = -1;
            }
        } else if (!run.resultOpen) {
            outcome.nameBox = SqlRunOutcome::NameBoxError;
        }
    }
    return outcome;
}

bool isCompletionMessage(const QString &message) {
    return message == SqlRunner::SqlDoneMessage || message == SqlRunner::ProcedureDoneMessage;
}

} // namespace kelvoran

// CSV export: the rows of a query or a table written as delimited Shift_JIS lines.
#pragma once

#include "csv/csvoptions.h"

#include "core/result.h"
#include "core/stepcode.h"
#include "db/dbkind.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace kelvoran {

// Called before each line of an export or import: the line number (an export counts its heading
// line) and, for an export, the number of lines expected (the count taken before the loop plus
// the heading line); an import passes 0 as total. Callers that show it throttle the repaint.
using CsvProgress = std::function<void(qint64 line, qint64 total)>;

// What an export reads: a query (its lines) or, when statementLines is empty, a whole table.
struct CsvExportSource {
    QStringList statementLines;
    QString tableName;
};

// What an export wrote.
struct CsvExportResult {
    QString path;             // the file written
    qint64 countedRows = 0;   // the row count taken before the loop
    qint64 dataRows = 0;      // data rows written (fewer than counted when the data ended early)
    bool headingLine = false; // a heading line of field names was written first

    // Lines in the file: data rows plus the heading line.
    qint64 linesWritten() const { return dataRows + (headingLine ? 1 : 0); }
};

// Exports the rows of source into path with the options' separator and heading flag. The rows
// are counted first (COUNT(*) over the statement or the table; on MySQL the statement itself is
// run and counted) and the loop writes that many rows at most, stopping early when the data end.
// Values are written as displayText() gives them (decimals as the database wrote them, fractions
// of seconds to the digit), quoted as appendCsvField() says; NULL is an empty field. Rows are read
// streaming (a PostgreSQL cursor, MySQL/MariaDB row streaming, a forward-only query elsewhere).
// The file appears under path only when everything was written: a failure leaves no file (and an
// older file under that name as it was). A value that Shift_JIS cannot hold fails the export
// naming the row and the column. step is set before each step with the
// stage "EC_3600nn" (prefix 'P' interactive, 'C' scheduled). kind decides how the rows are
// counted. The error's message is the reason (a database message, a file message), its
// stepCode the failing step.
Result<CsvExportResult> exportCsv(const QSqlDatabase &db, DbKind kind,
                                  const CsvExportSource &source, const CsvOptions &options,
                                  const QString &path, StepCode &step,
                                  const CsvProgress &progress = {});

// "CSVExportﾃﾞｰﾀ作成中… [" + line + "]": the status before each line of an interactive export.
QString csvExportProgressText(qint64 line);
// "CSVExportﾃﾞｰﾀ作成 [" + data rows + "]": the status after an interactive export.
QString csvExportDoneText(qint64 dataRows);

} // namespace kelvoran

// CSV import: the lines of a delimited Shift_JIS file appended to a table, one record per line.
#pragma once

#include "csv/csvexport.h"
#include "csv/csvoptions.h"

#include "core/result.h"
#include "core/stepcode.h"

#include <QSqlDatabase>
#include <QString>

namespace kelvoran {

// What an import did.
struct CsvImportResult {
    qint64 linesProcessed = 0;  // records after the heading line, empty lines included
    qint64 recordsInserted = 0; // records stored (an empty line under rule 0 stores none)
};

// Imports the file at path into table. The first record is skipped when the heading flag is on.
// Each further record (a line, or several when a quoted value holds line breaks; see
// splitCsvRecordViews()) is split at the separator; field k goes to column k of the table in its
// column order, after the blank rule; a column without a field is NULL; a line with more fields
// than the table has columns fails, and so does a quoted field that is not closed or is followed
// by something other than the separator. A record with no field set (an empty line under rule 0) is
// not stored. An empty text given to a column that is not a text column (numbers, dates, ...) is
// stored as NULL; text columns keep the empty text. Other texts reach the column as texts that
// the server converts.
//
// The lines go in batches through the database's bulk path (PostgreSQL COPY, MariaDB LOAD DATA
// LOCAL, prepared INSERTs in a transaction elsewhere). Every line before a failing line stays
// stored and nothing after it is: the error's message then starts with the failing line's number
// in the file ("5行目: ") followed by the database's message. step is set before each step with
// the stage "IC_3500nn".
Result<CsvImportResult> importCsv(const QSqlDatabase &db, const CsvOptions &options,
                                  const QString &table, const QString &path, StepCode &step,
                                  const CsvProgress &progress = {});

// "CSVデータImport中… [" + line + "]": the status before each line of an interactive import.
QString csvImportProgressText(qint64 line);
// "CSVデータImport [" + lines + "]": the status after an interactive import.
QString csvImportDoneText(qint64 lines);

} // namespace kelvoran

// Fixed and extended list reports: the records of a report filled into copies of a template
// block on the data sheet, cell by cell at the target cells of the report columns.
//
// Fixed report (KOTEIFLG): every record gets its own copy of the block A1:KOTEIHINACELL, one
// below the other with a page break between them; sheets are prepared up front for the blocks
// that do not fit on one sheet.
// Extended list report (KCFLG): a page is one copy of the block; its repeated range
// (KCFC:KCEC) is one line, KCPC lines make a page, and a change of the page-break key column
// (KCBKEY) ends the page early. Fields inside the repeated range are written on every line,
// the others (page fields) once per page.
//
// Choices where the plain algorithm goes wrong: a line taller than one row advances by its own
// height; the last record on a page of its own still gets the page's template; a fixed report
// whose last record fills the last block of a sheet exactly does not start another sheet;
// records beyond the count get another sheet from the template, and prepared sheets that no
// record reached are removed; a full page of lines must fit inside the block.
#pragma once

#include "core/result.h"
#include "core/stepcode.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

namespace kelvoran {

class DatabaseCellWriter;
class ExcelSession;
class RecordStream;
class ReportDefinition;

// The records of a report, pulled one at a time.
class RecordSource {
public:
    virtual ~RecordSource();
    // Reads the next record (every field of the query, group key columns included) into
    // fields; false at the end of the data or when reading failed (see status()).
    virtual bool next(std::vector<QVariant> &fields) = 0;
    // Why the data ended: ok at the plain end, the reading error otherwise.
    virtual Status status() const;
};

// Records held in memory.
class VectorRecordSource : public RecordSource {
public:
    explicit VectorRecordSource(std::vector<std::vector<QVariant>> records);
    bool next(std::vector<QVariant> &fields) override;

private:
    std::vector<std::vector<QVariant>> m_records;
    size_t m_next = 0;
};

// The records of an opened query (recordstream.h), every field of each.
class RecordStreamSource : public RecordSource {
public:
    explicit RecordStreamSource(RecordStream &stream) : m_stream(stream) {}
    bool next(std::vector<QVariant> &fields) override;
    Status status() const override;

private:
    RecordStream &m_stream;
};

// The template report a definition asks for. The extended list report wins when a hand-edited
// file turns both on (the designer never does).
enum class TemplateReportKind { None, Fixed, Extended };
TemplateReportKind templateReportKind(const ReportDefinition &def);

// Where a template report goes and what the run knows before the first record.
struct TemplateReportRun {
    int outputBook = 0;   // the output workbook, prepared from the template
    int sheetIndex = 1;   // its data sheet (1-based)
    int templateBook = 0; // the template workbook, open read-only; 0 when none is open
    int itemCount = 0;    // regular columns: fields 1..itemCount are written, later ones (group
                          // keys) never; 0: as many as the column settings
    long dataCount = 0;   // the record count of the extraction query
    QString creationTime; // "yyyy/mm/dd HH:NN:SS", taken once at the start of the run
    // Writes the records' values and gathers the notices about them; null: one of the call's
    // own, whose notices are not kept.
    DatabaseCellWriter *values = nullptr;
};

// Called before each record with its 1-based number and the run's dataCount.
using TemplateProgressFn = std::function<void(long record, long dataCount)>;

// Writes every record of a fixed or extended list report (by templateReportKind) into the data
// sheet and deletes the block left over after the last one filled (the template block itself
// when there are no records). Fails with the step code current at the failure: a target cell
// that is not letters and a row, a template block or repeated range that does not fit, an
// extended report without the template workbook, a record source that failed.
Status writeTemplateReport(ExcelSession &xl, const TemplateReportRun &run,
                           const ReportDefinition &def, RecordSource &records, StepCode &step,
                           const TemplateProgressFn &progress = {});

} // namespace kelvoran

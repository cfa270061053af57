// The ExcelReport entries' work done by the report driver: the same driver the designer and
// kelvoran-batch report call, with the scheduled rules ("C" step codes, nothing asked).
#pragma once

#include "schedule/excelreportjob.h"

#include <memory>

namespace kelvoran {

class Clock;
class ExcelSession;

// Runs ExcelReport entries through runExcelReport(). Consecutive entries that write one
// workbook share this job's session: a placement with sheetIndex 1 starts a new workbook, the
// others add their sheets after the open one's, and the workbook is saved with the entry whose
// placement says closeAfter.
class DriverExcelReportJob : public ExcelReportJob {
public:
    explicit DriverExcelReportJob(const Clock *clock = nullptr);
    ~DriverExcelReportJob() override;

    ExcelReportOutcome run(const ExcelReportInput &input, SchedulerConnection &connection,
                           WorkbookPlacement &placement, StepCode &step) override;
    void discard(WorkbookPlacement &placement) override;

private:
    const Clock *m_clock;
    std::unique_ptr<ExcelSession> m_session;
    int m_book = 0;
};

} // namespace kelvoran

#include "schedule/driverreportjob.h"

#include "core/stepcode.h"
#include "db/dbsession.h"
#include "db/selectanalysis.h"
#include "excel/excelsession.h"
#include "excel/reportdriver.h"
#include "report/messagetable.h"
#include "report/userinteraction.h"

namespace kelvoran {

DriverExcelReportJob::DriverExcelReportJob(const Clock *clock) : m_clock(clock) {}
DriverExcelReportJob::~DriverExcelReportJob() = default;

ExcelReportOutcome DriverExcelReportJob::run(const ExcelReportInput &input,
                                             SchedulerConnection &connection,
                                             WorkbookPlacement &placement, StepCode &step) {
    ExcelReportOutcome outcome;
    const std::optional<QSqlDatabase> db = connection.connection();
    const std::optional<AliasInfo> alias = connection.aliases().find(connection.alias());
    if (!db || !alias) {
        outcome.failureText = EntryText::connectionFailed();
        return outcome;
    }
    // The first sheet of a new workbook starts a session of its own.
    if (placement.sheetIndex <= 1 || !m_session || !placement.sessionOpen) {
        m_session = std::make_unique<ExcelSession>();
        installPasswordHooks(*m_session);
        m_book = 0;
    }

    ReportSource source;
    source.analysis = input.analysis;
    source.editorLines = input.definition.sqlLines;

    ReportRunOptions options;
    options.prefix = u'C';
    options.database = *db;
    options.kind = alias->kind();
    options.outputPath = placement.outputPath;
    options.settingsFilePath = input.entry.folder + input.entry.fileName;
    options.clock = m_clock;
    options.sharedSession = m_session.get();
    options.sharedBook = m_book;
    options.saveAfter = placement.closeAfter;
    options.statusSuffix = EntryText::excelStatusSuffix(input.rowNumber, input.entry.fileName);
    if (input.status)
        options.progress = [&input](const QString &text, qint64, qint64, bool) {
            input.status(text);
        };

    RecordingInteraction noQuestions;
    noQuestions.defaultConfirm = true;
    const ReportRunResult result = runExcelReport(input.definition, source, options, noQuestions);
    step.setText(result.stepCode);
    outcome.ok = result.ok();
    outcome.dataCount = result.dataCount;
    outcome.failureText = result.failureText;
    outcome.detail = result.failureDetail;
    outcome.plainFailure = result.plainFailure;
    outcome.notices = result.notices;
    if (!outcome.ok) {
        discard(placement);
        return outcome;
    }
    m_book = result.book;
    if (placement.closeAfter) {
        m_session.reset();
        m_book = 0;
        placement.sessionOpen = false;
        placement.sheetCount = 0;
    } else {
        placement.sessionOpen = true;
        placement.sheetCount = m_session->sheetCount(m_book);
    }
    placement.templateName.clear(); // the driver closes a template after each entry
    return outcome;
}

void DriverExcelReportJob::discard(WorkbookPlacement &placement) {
    if (m_session)
        m_session->closeAll();
    m_session.reset();
    m_book = 0;
    placement.sessionOpen = false;
    placement.sheetCount = 0;
    placement.templateName.clear();
}

} // namespace kelvoran

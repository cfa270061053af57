#include "schedule/excelreportjob.h"

#include "excel/excelsession.h"

namespace kelvoran {

ExcelReportJob::~ExcelReportJob() = default;

QString workbookOutputPath(const QString &targetPath) {
    return ExcelSession::xlsxPath(targetPath);
}

} // namespace kelvoran

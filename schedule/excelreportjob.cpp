#include "excelreportjob.h"

#include "excelsession.h"

namespace kelvoran {

ExcelReportJob::~ExcelReportJob() = default;

QString workbookOutputPath(const QString &targetPath) {
    return ExcelSession::xlsxPath(targetPath);
}

QString composeExcelFailureStatus(const QString &failureText, const QString &detail) {
    QString d = detail;
    d.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    d.replace(u'\r', u' ');
    d.replace(u'\n', u' ');
    if (d.isEmpty())
        return QStringLiteral("エラー <<") + failureText + QStringLiteral(">>");
    if (failureText.isEmpty())
        return QStringLiteral("データ抽出エラー <<") + d + QStringLiteral(">>");
    return QStringLiteral("データ抽出エラー <<") + failureText + u':' + d + QStringLiteral(">>");
}

} // namespace kelvoran

#include "excelreportjob.h"

namespace kelvoran {

ExcelReportJob::~ExcelReportJob() = default;

QString workbookOutputPath(const QString &targetPath) {
    const qsizetype dot = targetPath.lastIndexOf(u'.');
    const qsizetype slash = std::max(targetPath.lastIndexOf(u'/'), targetPath.lastIndexOf(u'\\'));
    const QString extension = dot > slash ? targetPath.mid(dot + 1).toLower() : QString();
    if (extension == u"xlsx")
        return targetPath;
    if (extension == u"xls")
        return targetPath + u'x';
    return targetPath + QStringLiteral(".xlsx");
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

QString excelUnavailableText() {
    return QStringLiteral("Excel出力はこのビルドでは利用できません。");
}

} // namespace kelvoran

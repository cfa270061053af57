#include "csv/scheduledcsv.h"

#include "csv/csvimport.h"

#include "core/pathrules.h"
#include "db/querytext.h"
#include "db/selectanalysis.h"
#include "report/messagetable.h"

namespace kelvoran {

namespace {

ScheduledCsvOutcome failed(const QString &text, const StepCode &step,
                           const QString &detail = QString()) {
    ScheduledCsvOutcome o;
    o.failureText = text;
    o.stepCode = step.text();
    o.detail = detail;
    return o;
}

} // namespace

QString ScheduledCsvOutcome::statusText() const {
    QString text = failureText + QLatin1Char(' ') + stepCode;
    if (!detail.isEmpty())
        text += QLatin1Char(' ') + detail;
    return text;
}

CsvOptions csvOptionsFromSettings(const ReportDefinition &settings) {
    CsvOptions o;
    o.separator = settings.value(QStringLiteral("CSVSEPCHAR"));
    bool isNumber = false;
    const int rule = settings.value(QStringLiteral("CSVTREAT")).trimmed().toInt(&isNumber);
    o.blankRule = isNumber ? rule : -1;
    o.headingLine = settings.value(QStringLiteral("CSVCOLNAME")) == u"TRUE";
    o.tableName = settings.value(QStringLiteral("CSVTABLENAME"));
    o.fileName = settings.value(QStringLiteral("CSVFILENAME"));
    return o;
}

QStringList scheduledExportStatement(const ReportDefinition &settings, DbKind kind) {
    const SelectAnalysis analysis = AnalyzeSelect(settings.sqlLines, kind == DbKind::Oracle);
    if (analysis.statementKind != StatementKind::Query)
        return {};
    QueryParts parts;
    parts.selectHead = analysis.selectHead.trimmed();
    for (const SelectItem &item : analysis.items)
        parts.items.push_back(QueryItem{item.physicalName, item.alias});
    parts.fromLines = analysis.fromLines;
    parts.whereLines = analysis.whereLines;
    // The aliases name the columns of the heading line.
    return rebuiltQueryLines(parts, true);
}

ScheduledCsvOutcome runScheduledCsvExport(const ScheduledCsvJob &job) {
    StepCode step(u'C');
    step.set("EC_360001");
    const CsvOptions options = csvOptionsFromSettings(*job.settings);
    if (options.separator.isEmpty())
        return failed(CsvJobText::separatorError(), step);

    step.set("EC_360002");
    QString path = job.targetPath;
    if (extensionTest(QStringLiteral("CSV"), path) != u"Y")
        path += QStringLiteral(".csv");

    CsvExportSource source;
    source.statementLines = job.statementLines.isEmpty()
                                ? scheduledExportStatement(*job.settings, job.kind)
                                : job.statementLines;
    if (source.statementLines.isEmpty())
        source.tableName = options.tableName;
    const Result<CsvExportResult> result =
        exportCsv(job.db, job.kind, source, options, path, step, job.progress);
    if (!result)
        return failed(CsvJobText::exportError(), step, result.error().message);
    ScheduledCsvOutcome o;
    o.ok = true;
    o.path = result->path;
    o.dataCount = result->linesWritten();
    return o;
}

ScheduledCsvOutcome runScheduledCsvImport(const ScheduledCsvJob &job) {
    StepCode step(u'C');
    step.set("IC_350001");
    const CsvOptions options = csvOptionsFromSettings(*job.settings);
    if (options.separator.isEmpty())
        return failed(CsvJobText::separatorError(), step);
    step.set("IC_350002");
    if (extensionTest(QStringLiteral("KVR"), job.settingsFilePath) != u"Y")
        return failed(CsvJobText::settingsNotKvr(), step);
    step.set("IC_350003");
    if (extensionTest(QStringLiteral("CSV"), options.fileName) != u"Y")
        return failed(CsvJobText::sourceNotCsv(), step);

    const QString target = job.targetPath.trimmed();
    const QString path = target.isEmpty() ? options.fileName : target;
    const Result<CsvImportResult> result =
        importCsv(job.db, options, options.tableName, path, step, job.progress);
    if (!result)
        return failed(CsvJobText::importError(), step, result.error().message);
    ScheduledCsvOutcome o;
    o.ok = true;
    o.path = path;
    o.dataCount = result->linesProcessed;
    return o;
}

QString scheduledExportStatusText(qint64 line, qint64 total, const QString &rowLabel,
                                  const QString &fileName) {
    return CsvJobText::exportStatus(line, total, rowLabel, fileName);
}

QString scheduledImportStatusText(qint64 line, const QString &rowLabel, const QString &fileName) {
    return CsvJobText::importStatus(line, rowLabel, fileName);
}

} // namespace kelvoran

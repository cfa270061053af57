// The scheduled CSV jobs of a schedule entry: export to and import from the entry's target path,
// with the entry's settings and connection. Nothing is asked or shown: a failure comes back as
// the entry's failure text, the step code of the failing step and a detail.
#pragma once

#include "csv/csvexport.h"
#include "csv/csvoptions.h"

#include "db/dbkind.h"
#include "report/reportdefinition.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace kelvoran {

// One scheduled CSV job.
struct ScheduledCsvJob {
    // The entry's settings as the scheduler's reader read them (CSVSEPCHAR with "#9"/"#8"
    // already turned into a tab/blank, CSVTREAT, CSVCOLNAME, CSVTABLENAME, CSVFILENAME, and the
    // SQL part in sqlLines).
    const ReportDefinition *settings = nullptr;
    // The entry's settings file (folder and name).
    QString settingsFilePath;
    // The entry's target path: the file written (export) or read (import; empty: CSVFILENAME).
    QString targetPath;
    // The entry's connection ("Default") and the kind of its alias.
    QSqlDatabase db;
    DbKind kind = DbKind::Other;
    // Export: the statement to run, line by line. Empty: the SQL part of the settings re-assembled
    // from its select-list analysis (head, one item per line, " ," before every item after the
    // first, the kept FROM and WHERE lines).
    QStringList statementLines;
    // Before each line (see CsvProgress); scheduledExportStatusText() and
    // scheduledImportStatusText() give the status bar texts.
    CsvProgress progress;
};

// The outcome of a scheduled CSV job.
struct ScheduledCsvOutcome {
    bool ok = false;
    // Success: the entry's data count. Export: lines written (data rows plus the heading line).
    // Import: lines processed after the heading line.
    qint64 dataCount = 0;
    // Export: the file written (".csv" appended when the target has another extension).
    QString path;
    // Failure: the text of the failing step ("区切り文字指定エラー", "CSVファイル出力エラー",
    // "CSVファイルインポートエラー", the settings checks), the step code ("CEC_360004",
    // "CIC_350012_5") and the detail (database or file message; for an import the failing
    // line's number first).
    QString failureText;
    QString stepCode;
    QString detail;

    // The entry's status: failure text, a blank, the step code, and the detail after a blank
    // when there is one.
    QString statusText() const;
};

// The separator, blank rule, heading flag, table and file name of a settings file.
CsvOptions csvOptionsFromSettings(const ReportDefinition &settings);

// The statement a scheduled export runs, re-assembled from the settings' SQL part.
QStringList scheduledExportStatement(const ReportDefinition &settings, DbKind kind);

// Stage CEC_360001..: the scheduled export (steps "EC_3600nn" with prefix 'C').
ScheduledCsvOutcome runScheduledCsvExport(const ScheduledCsvJob &job);
// Stage CIC_350001..: the scheduled import (steps "IC_3500nn" with prefix 'C').
ScheduledCsvOutcome runScheduledCsvImport(const ScheduledCsvJob &job);

// "CSVExportﾃﾞｰﾀ作成中… [" + line + "/" + total + "]" + "  実行スケジュール：「" + rowLabel +
// "」：<" + fileName + ">".
QString scheduledExportStatusText(qint64 line, qint64 total, const QString &rowLabel,
                                  const QString &fileName);
// "CSVデータImport中… [" + line + "]" + "  実行スケジュール：「" + rowLabel + "」：<" +
// fileName + ">".
QString scheduledImportStatusText(qint64 line, const QString &rowLabel, const QString &fileName);

} // namespace kelvoran

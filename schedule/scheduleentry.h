// One row of a schedule: a settings file, its target and, in memory only, its connection.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// The state a row is drawn in: Ready (normal), Failed (red), Unchecked (aqua, no connection).
enum class EntryMark { Ready, Failed, Unchecked };

// What a settings file does when it runs (its PROCFLG).
enum class EntryKind { Sql = 0, ExcelReport = 1, CsvExport = 2, CsvImport = 3 };

// A schedule row. The connection fields are never saved.
struct ScheduleEntry {
    QString fileName;   // settings file name without folder
    QString folder;     // its folder, ending in a separator
    QString targetPath; // workbook or CSV file written or read; empty for Sql entries
    QString startTime;  // "yyyy/mm/dd HH:NN:SS" of the last run
    QString endTime;
    QString dataCount; // right-aligned to 7 characters
    QString status;    // "正常終了", "未処理" or an error text
    // The file the last run really wrote or read (a workbook name ending in ".xls" is written as
    // ".xlsx", a CSV export name gets ".csv"); empty when the run did not get that far. The
    // log and the batch output show it instead of the target path.
    QString writtenPath;
    // What the last run noted for the user without failing (template features left out,
    // database values kept as text). Never part of the status nor of the log: the log viewer
    // counts every status but "正常終了" and "未処理" as failed.
    QStringList notices;

    QString alias;
    QString userName;
    QString password;
    EntryMark mark = EntryMark::Ready;

    bool isEmpty() const { return fileName.trimmed().isEmpty(); }
    // Clears what a run writes: times, count and status.
    void clearRunResult();
};

// A schedule: its rows in order and the error-stop flag ("エラーで中断").
struct Schedule {
    std::vector<ScheduleEntry> entries;
    bool errorStop = true;

    // Removes rows without a file name and clears the run results of the rest.
    void compact();
};

// A data count as the grid shows it: right-aligned with leading blanks to 7 characters.
QString formatDataCount(qint64 count);

} // namespace kelvoran

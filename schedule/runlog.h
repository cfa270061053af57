// The run log: one Shift_JIS file per schedule run, a header line and one line per entry.
#pragma once

#include "core/result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// The product text written into every log header.
inline constexpr const char *kLogProductText = "Kelvoran 2.2.0.0";

// One entry's row as the schedule grid shows it after a run.
struct RunLogEntry {
    QString fileName;
    QString folder;
    QString targetPath;
    QString startTime;
    QString endTime;
    QString dataCount; // as shown, right-aligned; the log drops the leading blanks
    QString status;
};

// The text with every character that Shift_JIS cannot hold written as "[U+XXXX]" (a database
// message or a CSV failure may quote one), so that the log of a run always saves and reads back
// as the grid shows it.
QString shiftJisSafeText(const QString &text);

// The lines of a log: the header, then one line per entry (numbered from 1). Line breaks inside
// a status are removed so that each entry stays on one line; every value is made Shift_JIS-safe.
QStringList runLogLines(const QString &runStart, const QString &runEnd,
                        const std::vector<RunLogEntry> &entries);

// Where a log went and the notice that says why, when it is not the log folder.
struct RunLogWritten {
    QString path;
    QString notice; // empty when the log went to the log folder
};

// Writes a log named after the time of writing ("yyyy_mm_dd_HH_NN_SS.log") into logDir; when
// that folder does not exist, into installDir under the same name; when neither exists, as
// "KVRLog" + time + ".log" in the working folder. A name already taken gets "_2", "_3", ...
// before ".log" instead of replacing the other run's log. A failure to save gives
// "ログの出力に失敗しました。".
Result<RunLogWritten> writeRunLog(const QString &logDir, const QString &installDir,
                                  const QDateTime &writtenAt, const QStringList &lines);

// A log read back: eight cells per record and the viewer's counts.
struct RunLogContents {
    std::vector<QStringList> records;
    int total = 0;
    int completed = 0;   // status "正常終了"
    int failed = 0;      // any other status
    int unprocessed = 0; // status "未処理"
};

// Reads a log: the header line is skipped; fields are split at "@/" and each cell is the text
// between the first "「" and "」" of its piece; a record ends at "@/;" and may continue over
// several lines. Records without a file name are not classed; when the classes do not add up to
// the records, all four counts are 0. Any failure gives "ログファイルの読み込みに失敗しました。".
Result<RunLogContents> readRunLog(const QString &path);

} // namespace kelvoran

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

// A status as the log writes it: every character Shift_JIS cannot hold (an emoji or "€" quoted
// by a database message) becomes "?", so that one status never costs the whole log. Adds the
// number of characters replaced to *replaced.
QString shiftJisStatusText(const QString &status, int *replaced);

// The lines of a log: the header, then one line per entry (numbered from 1). Line breaks inside
// a status are removed so that each entry stays on one line, and the status is made Shift_JIS-
// safe as above; *replacedCharacters (when given) gets the number of characters replaced. The
// other values are written as they are: a file name or path Shift_JIS cannot hold makes the
// save fail with the encoder's message.
QStringList runLogLines(const QString &runStart, const QString &runEnd,
                        const std::vector<RunLogEntry> &entries, int *replacedCharacters = nullptr);

// The notice for a log whose statuses had characters replaced by "?".
QString runLogReplacedNotice(int replacedCharacters);

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

// How an entry ended, by its status: "正常終了" completed it, "未処理" left it unprocessed, any
// other status is a failure.
enum class EntryOutcome { Completed, Failed, Unprocessed };
EntryOutcome entryOutcome(const QString &status);

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

// The schedule file (.kvs): one "file,folder,target" line per entry and a three-line trailer.
#pragma once

#include "core/result.h"
#include "schedule/scheduleentry.h"

namespace kelvoran {

// The trailer markers, exactly as written.
inline constexpr const char *kScheduleStartMarker =
    "/* ここから下はフォーマット設定です。変更しないでください。*/";
inline constexpr const char *kScheduleEndMarker =
    "/* ここから上はフォーマット設定です。変更しないでください。*/";

// Reads a schedule file. Every entry comes back Unchecked (no connection is stored); ERRCHECK
// "1" sets the error-stop flag, anything else clears it. A file without the start marker is
// not a schedule file and is an error.
Result<Schedule> readScheduleFile(const QString &path);

// The lines of a schedule file for the schedule's non-empty rows.
QStringList scheduleFileLines(const Schedule &schedule);

// Writes the schedule's non-empty rows (nothing, and no file, when there is none: returns
// false). A file name, folder or target containing "," is refused, because the format has no
// quoting and the row would read back split.
Result<bool> writeScheduleFile(const QString &path, const Schedule &schedule);

// The start-time fields: "年", "月", "日", "時", "分".
enum class StartField { Year, Month, Day, Hour, Minute };

// The warning for an empty start field ("開始時間「年」項目が未入力です。入力してください。").
QString startFieldMissingMessage(StartField field);
// Checks and normalises one start field: a valid one-digit month, day, hour or minute gets a
// leading "0". Invalid values give the field's message.
Result<QString> normaliseStartField(StartField field, const QString &text);

} // namespace kelvoran

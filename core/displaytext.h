// The one formatter that turns database values into the text the grid, CSV files and report
// cells receive, as a Japanese-locale desktop shows them.
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>

#include <optional>

namespace kelvoran {

// NULL: empty. Date: "yyyy/mm/dd". Date-time: "yyyy/mm/dd hh:nn:ss", or the date alone when the
// time is exactly midnight (the desktop's own rule); a fraction of a second follows the seconds
// as ".fff" without trailing zeros. Time: "hh:nn:ss", with its fraction the same way. Integers
// as they are; other numbers without grouping, in the shortest text that reads back to the same
// value, in fixed notation below 1E15. An ExactValue: its text (decimals as the database wrote
// them). Bytes: "(BLOB)". Everything else: its text.
QString displayText(const QVariant &value);

// A double in the display rule above.
QString displayNumber(double value);

// The display text of a date ("2024-01-05"), date-time ("2024-01-05 10:20:30.123456") or time
// ("23:59:59.5") in the ISO form servers write, digit for digit: the fraction keeps every
// digit but its trailing zeros, and nothing is rounded. False (out untouched) for any other
// form.
bool isoDisplayText(QByteArrayView iso, QString &out);
// The same into bytes (the text is ASCII), for writers that work on encoded lines.
bool isoDisplayText(QByteArrayView iso, QByteArray &out);

// The digits of the fraction of seconds in an ISO date-time or time without its trailing zeros
// (0 when there is none). More than 3 do not fit a QTime.
int isoFractionDigits(QByteArrayView iso);

// An ISO date-time or time with its fraction cut (never rounded) to milliseconds, for a QDateTime
// or QTime near the exact value. nullopt when it does not parse.
std::optional<QDateTime> isoDateTimeToMilliseconds(QByteArrayView iso);
std::optional<QTime> isoTimeToMilliseconds(QByteArrayView iso);

} // namespace kelvoran

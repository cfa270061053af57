// The one formatter that turns database values into the text the grid, CSV files and report
// cells receive, as a Japanese-locale desktop shows them.
#pragma once

#include <QString>
#include <QVariant>

namespace kelvoran {

// NULL: empty. Date: "yyyy/mm/dd". Date-time: "yyyy/mm/dd hh:nn:ss", or the date alone when the
// time is exactly midnight (the desktop's own rule). Time: "hh:nn:ss". Integers as they are;
// other numbers without grouping, in the shortest text that reads back to the same value, in
// fixed notation below 1E15. Bytes: "(BLOB)". Everything else: its text.
QString displayText(const QVariant &value);

// A double in the display rule above.
QString displayNumber(double value);

} // namespace kelvoran

// What the windows of a script run show: the error list of the failed statements (a heading
// row over one numbered row each), its headings fitted to the column widths, and the progress
// text of a running script.
#pragma once

#include "db/scriptrunner.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// The error list's columns: running number, executed SQL, error entry.
constexpr int kScriptErrorColumns = 3;

// The heading of a column (1 "実行SQL", 2 "エラーメッセージ"; the number column has none),
// before padding.
QString scriptErrorHeading(int column);

// A heading text right-aligned by blanks in a column of the width (pixels): trimmed, then, when
// six times its length in characters is below the width, (width - 6 * length) div 8 blanks in
// front.
QString scriptErrorPaddedHeading(const QString &text, int width);

// The rows below the heading: number, display text and error entry of each failed statement,
// in list order; one empty row when none failed (the list keeps a row under its heading).
std::vector<QStringList> scriptErrorGridRows(const std::vector<ScriptErrorRow> &errors);

// The status bar text while statement `current` of `total` runs.
QString scriptProgressText(int current, int total);

} // namespace kelvoran

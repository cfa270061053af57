// What the PL/SQL error windows show, without widgets: the error grid's cells and the column
// ruler that the error source viewer paints in its editor's top margin.
#pragma once

#include "db/errorsource.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// Caption of the error message window while it shows errors.
QString errorMessageCaption();

// Headings of the error grid's four columns (the fixed number column has none).
QStringList errorGridHeadings();

// The error grid's rows below the heading: number, LINE, POSITION and the text without line
// feeds. A unit without error rows still gets one empty row, as the grid keeps two rows.
std::vector<QStringList> errorGridRows(const ErrorSourceData &data);

// Ruler geometry in the top margin's pixels.
constexpr int RulerBaseY = 10;       // base line and lower end of every tick
constexpr int RulerShortTickTop = 4; // upper end of an ordinary tick
constexpr int RulerLabelEvery = 10;  // every tenth column is numbered with a long tick
constexpr int CaretMarkerWidth = 5;  // the caret marker bar
constexpr int CaretMarkerBottom = 8;

// One tick of the ruler: its text column (1-based), x, and upper end (0 for a numbered one).
struct RulerTick {
    int column = 0;
    int x = 0;
    int top = RulerShortTickTop;
    bool numbered() const { return column % RulerLabelEvery == 0; }
};

// The ticks over the visible text columns and the base line under them.
struct RulerMarks {
    std::vector<RulerTick> ticks;
    int baseLineLeft = 0;
    int baseLineRight = 0; // the last tick's x + 1; not right of baseLineLeft when no tick shows
};

// The ruler over text columns charWidth pixels wide (fractional widths do not drift). textLeft is
// the x of column 1 with no scrolling (left margin plus line-number gutter), scrollOffset the
// horizontal scroll, width the margin's width. Columns scrolled to the left of the text area get no
// tick.
RulerMarks rulerMarks(qreal charWidth, int textLeft, int scrollOffset, int width);

// The caret marker bar at the caret's x.
QRect caretMarkerRect(int caretX);

} // namespace kelvoran

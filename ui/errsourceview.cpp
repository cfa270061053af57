#include "ui/errsourceview.h"

namespace kelvoran {

QString errorMessageCaption() {
    return QStringLiteral("ＥｒｒＭｅｓｓａｇｅ");
}

QStringList errorGridHeadings() {
    return {QString(), QStringLiteral("行"), QStringLiteral("ポジション"),
            QString(48, u' ') + QStringLiteral("エラー内容")};
}

std::vector<QStringList> errorGridRows(const ErrorSourceData &data) {
    std::vector<QStringList> rows;
    int number = 0;
    for (const ErrorRow &e : data.errors)
        rows.push_back({QString::number(++number), e.line, e.position, e.text});
    if (rows.empty())
        rows.push_back({QString(), QString(), QString(), QString()});
    return rows;
}

RulerMarks rulerMarks(qreal charWidth, int textLeft, int scrollOffset, int width) {
    RulerMarks marks;
    marks.baseLineLeft = textLeft;
    marks.baseLineRight = textLeft;
    if (charWidth <= 0)
        return marks;
    for (int column = 1;; ++column) {
        const int x = qRound((column - 1) * charWidth) + textLeft - scrollOffset;
        if (x >= width)
            break;
        if (x < textLeft)
            continue;
        RulerTick tick;
        tick.column = column;
        tick.x = x;
        tick.top = tick.numbered() ? 0 : RulerShortTickTop;
        marks.ticks.push_back(tick);
        marks.baseLineRight = x + 1;
    }
    return marks;
}

QRect caretMarkerRect(int caretX) {
    return QRect(caretX, 0, CaretMarkerWidth, CaretMarkerBottom + 1);
}

} // namespace kelvoran

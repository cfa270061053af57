// The small sales source that the pivot table tests lay out.
#pragma once

#include "excel/engine/pivottable.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace kelvoran::test {

// Region, product, amount, note at (firstRow, firstCol) of the sheet "売上": two regions, three
// products, one blank amount. Items in display order: 大阪 東京; A B C; x y z (blank).
inline xlsx::PivotSource salesPivotSource(int firstRow, int firstCol) {
    xlsx::PivotSource s;
    s.sheetName = QStringLiteral("売上");
    s.firstRow = firstRow;
    s.firstCol = firstCol;
    s.fieldNames = {QStringLiteral("地域"), QStringLiteral("商品"), QStringLiteral("金額"),
                    QStringLiteral("備考")};
    auto rec = [](const char *region, const char *product, QVariant amount, const char *note) {
        return std::vector<QVariant>{QString::fromUtf8(region), QString::fromUtf8(product), amount,
                                     QString::fromUtf8(note)};
    };
    s.records = {rec("東京", "A", 100.0, "x"),      rec("大阪", "B", 50.0, ""),
                 rec("東京", "B", 25.0, "y"),       rec("東京", "A", 10.0, ""),
                 rec("大阪", "A", QVariant(), "z"), rec("大阪", "C", 5.5, "")};
    return s;
}

} // namespace kelvoran::test

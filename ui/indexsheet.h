// What the index list window shows of one index and what its Excel output writes: the detail
// memo lines and the cells of the index's sheet, built from the catalog's facts.
#pragma once

#include "db/indexlist.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// One cell of an index sheet, 1-based; every value is written as text.
struct IndexSheetCell {
    int row;
    int column;
    QString text;
};

// What choosing an index shows and writes.
struct IndexDetail {
    QString table;
    QString index;
    // The lines the detail memo receives, in order.
    QStringList memoLines;
    // The cells of the index's sheet, top to bottom.
    std::vector<IndexSheetCell> cells;
};

// The memo lines and sheet cells of an index: the table and index titles, one row per fact
// from row 3, the "Index Column" heading after the fact rows, then one row per column.
IndexDetail indexDetail(const db::IndexFacts &facts);

// The memo's column line: the name padded to 39 characters, then the type.
QString indexColumnLine(const QString &column, const QString &type);

} // namespace kelvoran

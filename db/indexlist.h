// Data of the index list window for ORACLE and MySQL tables: the index names of a table, and
// for one index the detail memo lines and the cells of its workbook sheet. The window shows
// these and the Excel output writes the cells; nothing here needs a window or a workbook.
#pragma once

#include "catalogquery.h"
#include "dberror.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran::db {

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

// The index list of an ORACLE table, in the order the catalog returns it.
DbResult<QStringList> oracleIndexNames(CatalogQuery &query, const QString &table);
// The details and columns of one ORACLE index.
DbResult<IndexDetail> oracleIndexDetail(CatalogQuery &query, const QString &table,
                                        const QString &index);

// The index list of a MySQL table: each key name once, in SHOW INDEX order.
DbResult<QStringList> mysqlIndexNames(CatalogQuery &query, const QString &table);
// The details and columns of one MySQL index, column types from SHOW FIELDS.
DbResult<IndexDetail> mysqlIndexDetail(CatalogQuery &query, const QString &table,
                                       const QString &index);

// The memo's column line: the name padded to 39 characters, then the type.
QString indexColumnLine(const QString &column, const QString &type);

} // namespace kelvoran::db

// Helpers of the catalog tests: readable QString output in failure messages, rows from texts.
#pragma once

#include "catalogquery.h"

#include <QString>
#include <QStringList>

#include <ostream>

// GoogleTest prints QString (and lists of it) as text.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kelvoran::test {

// Rows from texts; a null pointer stands for NULL.
inline db::CatalogRows rows(std::initializer_list<std::initializer_list<const char *>> data,
                            QStringList columns = {}) {
    std::vector<QVariantList> out;
    for (const auto &row : data) {
        QVariantList values;
        for (const char *v : row)
            values << (v ? QVariant(QString::fromUtf8(v)) : QVariant());
        out.push_back(values);
    }
    return db::CatalogRows(columns, out);
}

} // namespace kelvoran::test

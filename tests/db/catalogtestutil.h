// Helpers of the catalog tests: rows from texts, readable QString output in failure messages.
#pragma once

#include "db/catalogquery.h"
#include "tests/db/qstringprinter.h"

#include <QString>
#include <QStringList>

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

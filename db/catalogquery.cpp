#include "db/catalogquery.h"

#include "core/displaytext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kelvoran::db {

CatalogRows::CatalogRows(QStringList columns, std::vector<QVariantList> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {}

int CatalogRows::columnIndex(const QString &name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool CatalogRows::isNull(int row, int column) const {
    if (row < 0 || row >= count() || column < 0 || column >= m_rows[size_t(row)].size())
        return true;
    return m_rows[size_t(row)][column].isNull();
}

QString CatalogRows::text(int row, int column) const {
    if (isNull(row, column))
        return QString();
    const QVariant &value = m_rows[size_t(row)][column];
    // Some servers hand catalog texts back as binary strings; they are text all the same.
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return displayText(value);
}

CatalogQuery::CatalogQuery(QSqlDatabase database) : m_database(std::move(database)) {}

DbResult<CatalogRows> CatalogQuery::run(const QStringList &lines) {
    m_statements.push_back(lines);
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.exec(lines.join(QLatin1Char('\n')))) {
        return DbError::fromQuery(query);
    }
    QStringList columns;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    std::vector<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        return DbError::fromQuery(query);
    }
    return CatalogRows(std::move(columns), std::move(rows));
}

DbResult<QStringList> CatalogQuery::firstColumn(const QStringList &lines) {
    DbResult<CatalogRows> rows = run(lines);
    if (!rows)
        return rows.error();
    QStringList values;
    for (int r = 0; r < rows->count(); ++r)
        values << rows->text(r, 0);
    return values;
}

} // namespace kelvoran::db

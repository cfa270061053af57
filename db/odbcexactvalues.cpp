#include "db/odbcexactvalues.h"

#include "core/exactvalue.h"

#include <QSqlField>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>

namespace kelvoran {

void OdbcExactValues::prepare(QSqlQuery &query, const QSqlDatabase &db) {
    if (db.driverName() == u"QODBC")
        query.setNumericalPrecisionPolicy(QSql::HighPrecision);
}

OdbcExactValues::OdbcExactValues(const QSqlQuery &query, const QSqlDatabase &db) {
    if (db.driverName() != u"QODBC" || query.numericalPrecisionPolicy() != QSql::HighPrecision)
        return;
    const QSqlRecord record = query.record();
    bool any = false;
    std::vector<Kind> kinds(size_t(record.count()), Kind::AsIs);
    for (int c = 0; c < record.count(); ++c) {
        // The driver keeps the ODBC SQL type of each column.
        switch (record.field(c).typeID()) {
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            kinds[size_t(c)] = Kind::Decimal;
            any = true;
            break;
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DOUBLE:
            kinds[size_t(c)] = Kind::Floating;
            any = true;
            break;
        default:
            break;
        }
    }
    if (any)
        m_columns = std::move(kinds);
}

QVariant OdbcExactValues::apply(int column, const QVariant &value) const {
    if (column < 0 || size_t(column) >= m_columns.size() || value.isNull() ||
        value.typeId() != QMetaType::QString)
        return value;
    const QString text = value.toString().trimmed();
    bool ok = false;
    const double nearest = text.toDouble(&ok);
    if (!ok)
        return value;
    if (m_columns[size_t(column)] == Kind::Floating)
        return nearest;
    if (m_columns[size_t(column)] == Kind::Decimal)
        return exactValue(text, nearest);
    return value;
}

} // namespace kelvoran

#include "db/postgresexactvalues.h"

#include "core/displaytext.h"
#include "core/exactvalue.h"

#include <QSqlResult>

#include <libpq-fe.h>

namespace kelvoran {

namespace {

constexpr Oid kNumeric = 1700;
constexpr Oid kTimestamp = 1114;
constexpr Oid kTime = 1083;

} // namespace

PostgresExactValues::PostgresExactValues(const QSqlQuery &query) {
    const QSqlResult *result = query.result();
    if (!result || query.isForwardOnly())
        return;
    const QVariant handle = result->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGresult*") != 0 &&
                              qstrcmp(handle.typeName(), "pg_result*") != 0))
        return;
    const PGresult *res = *static_cast<PGresult *const *>(handle.constData());
    if (!res)
        return;
    m_result = res;
    const int columns = PQnfields(res);
    for (int c = 0; c < columns; ++c) {
        const Oid type = PQftype(res, c);
        if (type == kNumeric)
            m_columns.push_back({c, Kind::Numeric});
        else if (type == kTimestamp)
            m_columns.push_back({c, Kind::Timestamp});
        else if (type == kTime)
            m_columns.push_back({c, Kind::Time});
    }
}

PostgresExactValues::~PostgresExactValues() = default;

void PostgresExactValues::apply(int row, std::vector<QVariant> &values) const {
    const auto *res = static_cast<const PGresult *>(m_result);
    if (!res || row < 0 || row >= PQntuples(res))
        return;
    for (const Column &column : m_columns) {
        if (size_t(column.index) >= values.size() || PQgetisnull(res, row, column.index))
            continue;
        const QByteArrayView text(PQgetvalue(res, row, column.index),
                                  PQgetlength(res, row, column.index));
        QVariant &value = values[size_t(column.index)];
        if (column.kind == Kind::Numeric) {
            value = exactValue(QString::fromLatin1(text), value);
            continue;
        }
        QString display;
        if (isoFractionDigits(text) <= 3 || !isoDisplayText(text, display))
            continue;
        // The nearest value is cut to milliseconds, never rounded up into the next second.
        QVariant nearest;
        if (column.kind == Kind::Timestamp) {
            if (const std::optional<QDateTime> dt = isoDateTimeToMilliseconds(text))
                nearest = *dt;
        } else if (const std::optional<QTime> t = isoTimeToMilliseconds(text)) {
            nearest = *t;
        }
        value = exactValue(display, nearest);
    }
}

} // namespace kelvoran

// Exact values of PostgreSQL results read through the QPSQL driver: the driver reads a numeric
// as a double and a timestamp or time as a QDateTime or QTime (milliseconds), so a value with
// more digits than those hold is taken again from the server's text.
#pragma once

#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace kelvoran {

class PostgresExactValues {
public:
    // Looks at the result of query, an executed QPSQL query that holds its whole result (not
    // forward-only). Other queries are left alone by apply().
    explicit PostgresExactValues(const QSqlQuery &query);
    ~PostgresExactValues();
    PostgresExactValues(const PostgresExactValues &) = delete;
    PostgresExactValues &operator=(const PostgresExactValues &) = delete;

    // True when some column's values may need replacing.
    bool any() const { return !m_columns.empty(); }
    // Replaces the values of row (the query's at()) that the driver rounded: numerics by their
    // text (ExactValue), timestamps and times with more than 3 fractional digits by their
    // display text (ExactValue).
    void apply(int row, std::vector<QVariant> &values) const;

private:
    enum class Kind { Numeric, Timestamp, Time };
    struct Column {
        int index;
        Kind kind;
    };
    const void *m_result = nullptr; // PGresult*
    std::vector<Column> m_columns;
};

} // namespace kelvoran

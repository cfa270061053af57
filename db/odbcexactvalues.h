// Exact values of results read through the QODBC driver. The driver reads DECIMAL and NUMERIC
// columns as doubles, which round 265838.50 to 265838.5 and a 20-digit key to 15 digits. A query
// asked for high precision gets their text instead; this keeps that text as an ExactValue (as
// the PostgreSQL and MySQL reads do) and turns the text the driver then gives for
// floating-point columns back into the double it is.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <vector>

namespace kelvoran {

class OdbcExactValues {
public:
    // Asks a query not yet executed for the texts of decimal columns when it runs on a QODBC
    // connection; other queries are left alone.
    static void prepare(QSqlQuery &query, const QSqlDatabase &db);

    OdbcExactValues() = default;
    // Looks at the record of an executed query prepared as above.
    OdbcExactValues(const QSqlQuery &query, const QSqlDatabase &db);

    // The value of a column as the program keeps it.
    QVariant apply(int column, const QVariant &value) const;

private:
    enum class Kind : char { AsIs, Decimal, Floating };
    std::vector<Kind> m_columns;
};

} // namespace kelvoran

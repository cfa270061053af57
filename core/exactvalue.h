// A database value that a double or a QDateTime would round, kept as the text it has.
#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

namespace kelvoran {

// A decimal number as the database wrote it ("12345678901234567890.1234567890"), or a
// date-time or time with more fractional digits than milliseconds. text is its display text
// (what the grid and CSV files show); nearest is the closest ordinary value (a double, a
// QDateTime, a QTime) for readers that compute with it. A QVariant holding one converts to
// QString (the text) and to the types nearest converts to.
struct ExactValue {
    QString text;
    QVariant nearest;

    bool operator==(const ExactValue &other) const { return text == other.text; }
};

// A QVariant holding an ExactValue.
QVariant exactValue(const QString &text, const QVariant &nearest);

} // namespace kelvoran

Q_DECLARE_METATYPE(kelvoran::ExactValue)

#include "core/exactvalue.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace kelvoran {

namespace {

// The conversions that let readers of ordinary values (toDouble(), toDateTime(), toString())
// take an ExactValue as they took the value it replaces.
void registerConversions() {
    QMetaType::registerConverter<ExactValue, QString>([](const ExactValue &v) { return v.text; });
    QMetaType::registerConverter<ExactValue, double>(
        [](const ExactValue &v) { return v.nearest.toDouble(); });
    QMetaType::registerConverter<ExactValue, QDateTime>(
        [](const ExactValue &v) { return v.nearest.toDateTime(); });
    QMetaType::registerConverter<ExactValue, QDate>(
        [](const ExactValue &v) { return v.nearest.toDate(); });
    QMetaType::registerConverter<ExactValue, QTime>(
        [](const ExactValue &v) { return v.nearest.toTime(); });
}

} // namespace

QVariant exactValue(const QString &text, const QVariant &nearest) {
    static const bool registered = (registerConversions(), true);
    Q_UNUSED(registered);
    return QVariant::fromValue(ExactValue{text, nearest});
}

} // namespace kelvoran

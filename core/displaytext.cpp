#include "core/displaytext.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <cmath>

namespace kelvoran {

QString displayNumber(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    if (magnitude < 1e15 && magnitude >= 1e-4)
        return QString::number(value, 'f', QLocale::FloatingPointShortest);
    // Exponent form as the desktop writes it: "1.5E20", "1E-5".
    QString text = QString::number(value, 'e', QLocale::FloatingPointShortest).toUpper();
    const qsizetype e = text.indexOf(u'E');
    QString mantissa = text.left(e);
    QString exponent = text.mid(e + 1);
    const bool negative = exponent.startsWith(u'-');
    exponent.remove(0, 1);
    while (exponent.size() > 1 && exponent.startsWith(u'0'))
        exponent.remove(0, 1);
    return mantissa + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
}

QString displayText(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(QStringLiteral("yyyy/MM/dd"));
        return dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    }
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return displayNumber(value.toDouble());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return QString::number(value.toInt());
    case QMetaType::LongLong:
    case QMetaType::Long:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return QString::number(value.toULongLong());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QByteArray:
        return QStringLiteral("(BLOB)");
    default:
        return value.toString();
    }
}

} // namespace kelvoran

#include "core/displaytext.h"

#include "core/exactvalue.h"

#include <QDate>
#include <QLocale>

#include <cmath>

namespace kelvoran {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool digitsAt(QByteArrayView text, std::initializer_list<int> positions) {
    for (int i : positions)
        if (i >= text.size() || !isDigit(text[i]))
            return false;
    return true;
}

// "hh:mm:ss" with an optional ".f..." fraction: the length of the fraction's significant
// digits (trailing zeros dropped), or -1 when text is not of that form.
int timeFraction(QByteArrayView text) {
    if (text.size() < 8 || text[2] != ':' || text[5] != ':' || !digitsAt(text, {0, 1, 3, 4, 6, 7}))
        return -1;
    if (text.size() == 8)
        return 0;
    if (text[8] != '.' || text.size() == 9)
        return -1;
    qsizetype last = 8;
    for (qsizetype i = 9; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            return -1;
        if (text[i] != '0')
            last = i;
    }
    return int(last - 8);
}

bool isIsoDate(QByteArrayView text) {
    return text.size() == 10 && text[4] == '-' && text[7] == '-' &&
           digitsAt(text, {0, 1, 2, 3, 5, 6, 8, 9});
}

// The time part of a date-time, or the whole text of a time: where the time starts.
qsizetype timeStart(QByteArrayView iso) {
    if (iso.size() > 11 && isIsoDate(iso.first(10)) && (iso[10] == ' ' || iso[10] == 'T'))
        return 11;
    return 0;
}

QString fractionText(int msec) {
    QString f = QStringLiteral(".%1").arg(msec, 3, 10, QLatin1Char('0'));
    while (f.endsWith(u'0'))
        f.chop(1);
    return f;
}

} // namespace

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

bool isoDisplayText(QByteArrayView iso, QByteArray &out) {
    if (isIsoDate(iso)) {
        out.resize(0);
        out.append(iso);
        out[4] = '/';
        out[7] = '/';
        return true;
    }
    const qsizetype t = timeStart(iso);
    const QByteArrayView time = iso.sliced(t);
    const int fraction = timeFraction(time);
    if (fraction < 0)
        return false;
    out.resize(0);
    if (t > 0) {
        out.append(iso.first(10));
        out[4] = '/';
        out[7] = '/';
        // Exactly midnight shows the date alone.
        if (fraction == 0 && time.first(8) == "00:00:00")
            return true;
        out += ' ';
    }
    out.append(time.first(fraction > 0 ? 9 + fraction : 8));
    return true;
}

bool isoDisplayText(QByteArrayView iso, QString &out) {
    QByteArray bytes;
    if (!isoDisplayText(iso, bytes))
        return false;
    out = QString::fromLatin1(bytes);
    return true;
}

int isoFractionDigits(QByteArrayView iso) {
    return std::max(0, timeFraction(iso.sliced(timeStart(iso))));
}

std::optional<QTime> isoTimeToMilliseconds(QByteArrayView iso) {
    const qsizetype t = timeStart(iso);
    const QByteArrayView time = iso.sliced(t);
    if (timeFraction(time) < 0)
        return std::nullopt;
    int msec = 0;
    for (qsizetype i = 9, scale = 100; i < time.size() && scale > 0; ++i, scale /= 10)
        msec += int(time[i] - '0') * int(scale);
    auto two = [&](int at) { return (time[at] - '0') * 10 + (time[at + 1] - '0'); };
    const QTime result(two(0), two(3), two(6), msec);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

std::optional<QDateTime> isoDateTimeToMilliseconds(QByteArrayView iso) {
    if (timeStart(iso) == 0)
        return std::nullopt;
    const QDate date = QDate::fromString(QLatin1StringView(iso.first(10)), Qt::ISODate);
    const std::optional<QTime> time = isoTimeToMilliseconds(iso);
    if (!date.isValid() || !time)
        return std::nullopt;
    // The wall-clock fields as they are: held as UTC so that no time zone moves them.
    return QDateTime(date, *time, Qt::UTC);
}

QString displayText(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        const QTime time = dt.time();
        if (time == QTime(0, 0))
            return dt.date().toString(QStringLiteral("yyyy/MM/dd"));
        const QString text = dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        return time.msec() ? text + fractionText(time.msec()) : text;
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        const QString text = time.toString(QStringLiteral("HH:mm:ss"));
        return time.msec() ? text + fractionText(time.msec()) : text;
    }
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
        if (value.metaType() == QMetaType::fromType<ExactValue>())
            return value.value<ExactValue>().text;
        return value.toString();
    }
}

} // namespace kelvoran

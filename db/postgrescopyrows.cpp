#include "db/postgrescopyrows.h"

#include "core/displaytext.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

#include <cmath>
#include <limits>

namespace kelvoran {

namespace {

// The column types read here, by type OID, and how their text turns into a display text.
enum class Conversion { Verbatim, Number, Date, DateTime, Time, Bool };

bool conversionOf(Oid type, Conversion &conversion) {
    switch (type) {
    case 20:   // int8
    case 21:   // int2
    case 23:   // int4
    case 26:   // oid
    case 25:   // text
    case 1043: // varchar
    case 1042: // bpchar
    case 19:   // name
    case 18:   // char
        // Integers print as they are and texts are texts, in the server's output and in
        // displayText() alike.
        conversion = Conversion::Verbatim;
        return true;
    case 1700: // numeric: its text is the exact value
        conversion = Conversion::Verbatim;
        return true;
    case 700: // float4
    case 701: // float8
        conversion = Conversion::Number;
        return true;
    case 1082:
        conversion = Conversion::Date;
        return true;
    case 1114: // timestamp without time zone
        conversion = Conversion::DateTime;
        return true;
    case 1083: // time without time zone
        conversion = Conversion::Time;
        return true;
    case 16:
        conversion = Conversion::Bool;
        return true;
    default:
        return false;
    }
}

// COPY text format: "\N" is NULL; backslash escapes for the rest.
QByteArray unescape(const char *from, const char *to) {
    QByteArray out;
    out.reserve(to - from);
    for (const char *p = from; p < to; ++p) {
        if (*p != '\\' || p + 1 >= to) {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'v':
            out += '\v';
            break;
        default:
            out += *p;
        }
    }
    return out;
}

double numberOf(const QByteArray &text) {
    if (text == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (text == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    if (text == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    // The same correctly rounded double as the text's QString::toDouble(), without its locale
    // handling.
    return text.toDouble();
}

// A timestamp without time zone as the wall-clock date and time it names. It is held as UTC
// only so that nothing consults the local time zone: the display text reads the same fields.
QDateTime dateTimeOf(const QByteArray &text) {
    const QString s = QString::fromLatin1(text);
    const QDate date = QDate::fromString(s.left(10), Qt::ISODate);
    const QTime time = s.size() > 11 ? QTime::fromString(s.mid(11), Qt::ISODateWithMs) : QTime();
    if (!date.isValid() || !time.isValid())
        return QDateTime::fromString(s, Qt::ISODate);
    return QDateTime(date, time, Qt::UTC);
}

bool isAscii(const QByteArray &bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Sets out to Latin-1 text, reusing its storage.
void setLatin1(QString &out, const char *text, qsizetype size) {
    out.resize(0);
    out.append(QLatin1String(text, size));
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The display text of a plain decimal text ("-12.50") without going through a double, when
// that gives the same text: at most 15 significant digits (so the double closest to it prints
// back as these digits, less the trailing zeros of the fraction) and a magnitude in the fixed
// notation range [1E-4, 1E15). False when the text is anything else.
bool plainDecimalText(const QByteArray &text, QString &out) {
    const char *p = text.constData();
    const char *end = p + text.size();
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    const char *intStart = p;
    while (p < end && isDigit(*p))
        ++p;
    const char *intEnd = p;
    const char *fracStart = p, *fracEnd = p;
    if (p < end && *p == '.') {
        fracStart = ++p;
        while (p < end && isDigit(*p))
            ++p;
        fracEnd = p;
    }
    if (p != end || (intStart == intEnd && fracStart == fracEnd))
        return false;
    while (intStart < intEnd - 1 && *intStart == '0')
        ++intStart; // leading zeros
    while (fracEnd > fracStart && fracEnd[-1] == '0')
        --fracEnd; // trailing zeros of the fraction
    const bool intZero = intEnd - intStart == 1 && *intStart == '0';
    if (intZero || intStart == intEnd) {
        if (fracStart == fracEnd) {
            out = QStringLiteral("0");
            return true;
        }
        const char *firstNonZero = fracStart;
        while (firstNonZero < fracEnd && *firstNonZero == '0')
            ++firstNonZero;
        if (firstNonZero - fracStart >= 4 || fracEnd - firstNonZero > 15)
            return false; // below 1E-4, or too many digits
    } else if ((intEnd - intStart) > 15 || (intEnd - intStart) + (fracEnd - fracStart) > 15) {
        return false;
    }
    QByteArray digits;
    digits.reserve(text.size());
    if (negative)
        digits += '-';
    if (intStart == intEnd)
        digits += '0';
    else
        digits.append(intStart, intEnd - intStart);
    if (fracEnd > fracStart) {
        digits += '.';
        digits.append(fracStart, fracEnd - fracStart);
    }
    setLatin1(out, digits.constData(), digits.size());
    return true;
}

} // namespace

struct PostgresCopyRows::Impl {
    PGconn *conn = nullptr;
    bool copying = false;
    std::vector<Conversion> conversions;
};

PostgresCopyRows::PostgresCopyRows() : m_impl(std::make_unique<Impl>()) {}

PostgresCopyRows::~PostgresCopyRows() {
    finish();
}

PostgresCopyRows::Opened PostgresCopyRows::open(const QSqlDatabase &db, const QString &sql) {
    if (db.driverName() != u"QPSQL" || !db.driver())
        return Opened::NotApplicable;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return Opened::NotApplicable;
    PGconn *conn = *static_cast<PGconn *const *>(handle.constData());
    m_impl->conn = conn;
    const QByteArray text = sql.toUtf8();

    // The column types, from the unnamed prepared statement.
    PGresult *prepared = PQprepare(conn, "", text.constData(), 0, nullptr);
    if (PQresultStatus(prepared) != PGRES_COMMAND_OK) {
        m_error = QString::fromUtf8(PQresultErrorMessage(prepared)).trimmed();
        PQclear(prepared);
        return Opened::Failed;
    }
    PQclear(prepared);
    PGresult *described = PQdescribePrepared(conn, "");
    if (PQresultStatus(described) != PGRES_COMMAND_OK) {
        m_error = QString::fromUtf8(PQresultErrorMessage(described)).trimmed();
        PQclear(described);
        return Opened::Failed;
    }
    const int columns = PQnfields(described);
    for (int c = 0; c < columns; ++c) {
        Conversion conversion;
        if (!conversionOf(PQftype(described, c), conversion)) {
            PQclear(described);
            return Opened::NotApplicable;
        }
        m_impl->conversions.push_back(conversion);
        m_names << QString::fromUtf8(PQfname(described, c));
    }
    PQclear(described);

    const QByteArray copy = "COPY (" + text + "\n) TO STDOUT";
    PGresult *started = PQexec(conn, copy.constData());
    if (PQresultStatus(started) != PGRES_COPY_OUT) {
        m_error = QString::fromUtf8(PQresultErrorMessage(started)).trimmed();
        PQclear(started);
        return Opened::Failed;
    }
    PQclear(started);
    m_impl->copying = true;
    return Opened::Ok;
}

bool PostgresCopyRows::next(QStringList &texts) {
    if (!m_impl->copying)
        return false;
    char *row = nullptr;
    const int length = PQgetCopyData(m_impl->conn, &row, 0);
    if (length < 0) {
        endCopy(length);
        return false;
    }
    const char *p = row;
    const char *end = row + length;
    if (end > p && end[-1] == '\n')
        --end;
    texts.resize(qsizetype(m_impl->conversions.size()));
    for (size_t c = 0; c < m_impl->conversions.size(); ++c) {
        const char *fieldEnd = p;
        while (fieldEnd < end && *fieldEnd != '\t')
            ++fieldEnd;
        QString &out = texts[qsizetype(c)];
        if (fieldEnd - p == 2 && p[0] == '\\' && p[1] == 'N') {
            out = displayText(QVariant());
        } else {
            const bool plain = std::find(p, fieldEnd, '\\') == fieldEnd;
            const QByteArray value =
                plain ? QByteArray::fromRawData(p, fieldEnd - p) : unescape(p, fieldEnd);
            switch (m_impl->conversions[c]) {
            case Conversion::Verbatim:
                if (isAscii(value))
                    setLatin1(out, value.constData(), value.size());
                else
                    out = QString::fromUtf8(value);
                break;
            // The plain forms give displayText()'s text directly; anything else goes through
            // the value the driver would have made.
            case Conversion::Number:
                if (!plainDecimalText(value, out))
                    out = displayText(QVariant(numberOf(value)));
                break;
            case Conversion::Date:
                if (!isoDisplayText(value, out))
                    out = displayText(
                        QVariant(QDate::fromString(QString::fromLatin1(value), Qt::ISODate)));
                break;
            case Conversion::DateTime:
                if (!isoDisplayText(value, out))
                    out = displayText(QVariant(dateTimeOf(value)));
                break;
            case Conversion::Time:
                if (!isoDisplayText(value, out))
                    out = displayText(QVariant(QString::fromLatin1(value)));
                break;
            case Conversion::Bool:
                out = displayText(QVariant(value == "t"));
                break;
            }
        }
        p = fieldEnd < end ? fieldEnd + 1 : end;
    }
    PQfreemem(row);
    return true;
}

bool PostgresCopyRows::finish() {
    if (!m_impl->copying)
        return m_error.isEmpty();
    char *row = nullptr;
    int length;
    while ((length = PQgetCopyData(m_impl->conn, &row, 0)) >= 0)
        PQfreemem(row);
    endCopy(length);
    return m_error.isEmpty();
}

void PostgresCopyRows::endCopy(int lastLength) {
    m_impl->copying = false;
    if (lastLength == -2)
        m_error = QString::fromUtf8(PQerrorMessage(m_impl->conn)).trimmed();
    while (PGresult *res = PQgetResult(m_impl->conn)) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK && m_error.isEmpty())
            m_error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
    }
}

} // namespace kelvoran

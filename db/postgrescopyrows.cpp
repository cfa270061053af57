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

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The display text of a plain decimal text ("-12.50") of a float without going through a
// double, when that gives the same text: at most maxDigits significant digits (15: the double
// closest to it prints back as these digits, less the trailing zeros of the fraction; 17 where
// the server writes the shortest text that reads back to the same double, which is what the
// display rule prints) and a magnitude in the fixed notation range [1E-4, 1E15). False when the
// text is anything else.
bool plainDecimalText(QByteArrayView text, QByteArray &out, int maxDigits) {
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
            out = "0";
            return true;
        }
        const char *firstNonZero = fracStart;
        while (firstNonZero < fracEnd && *firstNonZero == '0')
            ++firstNonZero;
        if (firstNonZero - fracStart >= 4 || fracEnd - firstNonZero > maxDigits)
            return false; // below 1E-4, or too many digits
    } else if ((intEnd - intStart) > 15 ||
               (intEnd - intStart) + (fracEnd - fracStart) > maxDigits) {
        return false;
    }
    out.resize(0);
    if (negative)
        out += '-';
    if (intStart == intEnd)
        out += '0';
    else
        out.append(intStart, intEnd - intStart);
    if (fracEnd > fracStart) {
        out += '.';
        out.append(fracStart, fracEnd - fracStart);
    }
    return true;
}

} // namespace

struct PostgresCopyRows::Impl {
    PGconn *conn = nullptr;
    bool copying = false;
    std::vector<Conversion> conversions;
    int floatDigits = 15;            // see plainDecimalText()
    char *row = nullptr;             // the row nextUtf8() handed out views into
    std::vector<QByteArray> scratch; // its converted fields

    void freeRow() {
        if (row)
            PQfreemem(row);
        row = nullptr;
    }
};

PostgresCopyRows::PostgresCopyRows() : m_impl(std::make_unique<Impl>()) {}

PostgresCopyRows::~PostgresCopyRows() {
    finish();
    m_impl->freeRow();
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
    // From version 12 the server writes a float in the shortest text that reads back to it.
    m_impl->floatDigits = PQserverVersion(conn) >= 120000 ? 17 : 15;
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
    std::vector<QByteArrayView> fields;
    if (!nextUtf8(fields))
        return false;
    texts.resize(qsizetype(fields.size()));
    for (size_t c = 0; c < fields.size(); ++c) {
        const QByteArrayView field = fields[c];
        QString &out = texts[qsizetype(c)];
        if (isAscii(field)) {
            out.resize(0); // keeps the storage
            out.append(QLatin1StringView(field));
        } else {
            out = QString::fromUtf8(field);
        }
    }
    return true;
}

bool PostgresCopyRows::nextUtf8(std::vector<QByteArrayView> &fields) {
    if (!m_impl->copying)
        return false;
    m_impl->freeRow();
    const int length = PQgetCopyData(m_impl->conn, &m_impl->row, 0);
    if (length < 0) {
        endCopy(length);
        return false;
    }
    const char *p = m_impl->row;
    const char *end = p + length;
    if (end > p && end[-1] == '\n')
        --end;
    const size_t columns = m_impl->conversions.size();
    fields.resize(columns);
    m_impl->scratch.resize(columns);
    for (size_t c = 0; c < columns; ++c) {
        const char *fieldEnd = p;
        while (fieldEnd < end && *fieldEnd != '\t')
            ++fieldEnd;
        QByteArray &out = m_impl->scratch[c];
        if (fieldEnd - p == 2 && p[0] == '\\' && p[1] == 'N') {
            fields[c] = QByteArrayView(); // NULL: an empty text
        } else {
            const bool plain = std::find(p, fieldEnd, '\\') == fieldEnd;
            const QByteArray unescaped = plain ? QByteArray() : unescape(p, fieldEnd);
            const QByteArrayView value = plain ? QByteArrayView(p, fieldEnd - p) : unescaped;
            QByteArrayView &field = fields[c];
            field = value;
            switch (m_impl->conversions[c]) {
            case Conversion::Verbatim:
                if (!plain) {
                    out = unescaped;
                    field = out;
                }
                break;
            // The plain forms give displayText()'s text directly; anything else goes through
            // the value the driver would have made.
            case Conversion::Number:
                if (!plainDecimalText(value, out, m_impl->floatDigits))
                    out = displayText(QVariant(numberOf(value.toByteArray()))).toLatin1();
                field = out;
                break;
            case Conversion::Date:
                if (!isoDisplayText(value, out))
                    out = displayText(
                              QVariant(QDate::fromString(QString::fromLatin1(value), Qt::ISODate)))
                              .toUtf8();
                field = out;
                break;
            case Conversion::DateTime:
                if (!isoDisplayText(value, out))
                    out = displayText(QVariant(dateTimeOf(value.toByteArray()))).toUtf8();
                field = out;
                break;
            case Conversion::Time:
                // Any other form stays as the server wrote it.
                if (!isoDisplayText(value, out))
                    out = value.toByteArray();
                field = out;
                break;
            case Conversion::Bool:
                field = value == "t" ? QByteArrayView("True") : QByteArrayView("False");
                break;
            }
        }
        p = fieldEnd < end ? fieldEnd + 1 : end;
    }
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
    m_impl->freeRow();
    if (lastLength == -2)
        m_error = QString::fromUtf8(PQerrorMessage(m_impl->conn)).trimmed();
    while (PGresult *res = PQgetResult(m_impl->conn)) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK && m_error.isEmpty())
            m_error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
    }
}

} // namespace kelvoran

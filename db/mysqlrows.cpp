#include "db/mysqlrows.h"

#include "core/displaytext.h"
#include "core/exactvalue.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QTime>

#include <mysql.h>

namespace kelvoran {

namespace {

// A date-time or time with more fractional digits than a QTime holds: its display text with
// every digit, and the value cut to milliseconds.
template <typename T>
QVariant exactTemporal(const QByteArray &iso, const std::optional<T> &nearest) {
    QString text;
    if (!isoDisplayText(iso, text) || !nearest)
        return QString::fromLatin1(iso);
    return exactValue(text, QVariant(*nearest));
}

} // namespace

QMetaType mySqlMetaType(const MYSQL_FIELD &field) {
    switch (field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
        return QMetaType((field.flags & UNSIGNED_FLAG) ? QMetaType::ULongLong
                                                       : QMetaType::LongLong);
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        // The server's decimal text, kept: a double would round it.
        return QMetaType::fromType<ExactValue>();
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return QMetaType(QMetaType::Double);
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return QMetaType(QMetaType::QDate);
    case MYSQL_TYPE_TIME:
        return QMetaType(QMetaType::QTime);
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return QMetaType(QMetaType::QDateTime);
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_GEOMETRY:
        return QMetaType(field.charsetnr == 63 ? QMetaType::QByteArray : QMetaType::QString);
    default:
        return QMetaType(field.charsetnr == 63 && field.type != MYSQL_TYPE_VAR_STRING &&
                                 field.type != MYSQL_TYPE_STRING
                             ? QMetaType::QByteArray
                             : QMetaType::QString);
    }
}

QVariant mySqlValue(const char *data, unsigned long length, QMetaType type) {
    if (!data)
        return QVariant(type);
    const QByteArray bytes(data, qsizetype(length));
    switch (type.id()) {
    case QMetaType::LongLong:
        return bytes.toLongLong();
    case QMetaType::ULongLong:
        return bytes.toULongLong();
    case QMetaType::Double:
        return bytes.toDouble();
    case QMetaType::QDate: {
        const QDate d = QDate::fromString(QString::fromLatin1(bytes), Qt::ISODate);
        return d.isValid() ? QVariant(d) : QVariant(type);
    }
    case QMetaType::QTime: {
        if (isoFractionDigits(bytes) > 3)
            return exactTemporal(bytes, isoTimeToMilliseconds(bytes));
        const QTime t = QTime::fromString(QString::fromLatin1(bytes), Qt::ISODateWithMs);
        return t.isValid() ? QVariant(t) : QVariant(QString::fromLatin1(bytes));
    }
    case QMetaType::QDateTime: {
        if (isoFractionDigits(bytes) > 3)
            return exactTemporal(bytes, isoDateTimeToMilliseconds(bytes));
        const QDateTime dt = QDateTime::fromString(QString::fromLatin1(bytes).replace(u' ', u'T'),
                                                   Qt::ISODateWithMs);
        return dt.isValid() ? QVariant(dt) : QVariant(type);
    }
    case QMetaType::QByteArray:
        return bytes;
    default:
        if (type == QMetaType::fromType<ExactValue>())
            return exactValue(QString::fromLatin1(bytes), bytes.toDouble());
        return QString::fromUtf8(bytes);
    }
}

QSqlError mySqlError(MYSQL *mysql, const QString &what) {
    return QSqlError(what, QString::fromUtf8(mysql_error(mysql)), QSqlError::StatementError,
                     QString::number(mysql_errno(mysql)));
}

// The MYSQL* of an open QMYSQL connection, or null.
MYSQL *mySqlHandle(const QSqlDatabase &db) {
    // The driver declares the handle as "MYSQL*"; the metatype system spells it "st_mysql*".
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "MYSQL*") != 0 && qstrcmp(handle.typeName(), "st_mysql*") != 0))
        return nullptr;
    return *static_cast<MYSQL *const *>(handle.constData());
}

} // namespace kelvoran

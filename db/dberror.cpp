#include "db/dberror.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace kelvoran {

namespace {

QString joinTexts(const QString &serverText, const QString &driverText) {
    const QString server = serverText.trimmed();
    const QString driver = driverText.trimmed();
    if (server.isEmpty())
        return driver;
    if (driver.isEmpty() || server.contains(driver))
        return server;
    return server + u' ' + driver;
}

bool isSqlStateText(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Z]{5}$"));
    return pattern.match(text).hasMatch();
}

} // namespace

DbErrorEntry DbErrorEntry::make(DbErrorCategory category, DbSubCode subCode, qint64 nativeError,
                                const QString &message) {
    DbErrorEntry entry;
    entry.category = static_cast<int>(category);
    entry.subCode = static_cast<int>(subCode);
    entry.errorCode = entry.category * 256 + entry.subCode;
    entry.nativeError = nativeError;
    entry.message = message;
    return entry;
}

QString DbErrorText(const DbErrorEntry &entry) {
    return QStringLiteral("Category    :") + QString::number(entry.category) +
           QStringLiteral("\r\nErrorCode   :") + QString::number(entry.errorCode) +
           QStringLiteral("\r\nSubCode     :") + QString::number(entry.subCode) +
           QStringLiteral("\r\nNativeError :") + QString::number(entry.nativeError) +
           QStringLiteral("\r\nMessage     :") + entry.message;
}

qint64 packSqlState(const QString &sqlState) {
    if (!isSqlStateText(sqlState))
        return 0;
    qint64 packed = 0;
    for (int i = 0; i < 5; ++i)
        packed |= static_cast<qint64>((sqlState[i].unicode() - u'0') & 0x3F) << (6 * i);
    return packed;
}

qint64 nativeErrorNumber(const QString &nativeCode, NativeCodeForm form) {
    // Some drivers list several codes ("1146;1064" or "42P01 ..."): the first one counts.
    const QString first =
        nativeCode.trimmed().section(QRegularExpression(QStringLiteral("[;,\\s]+")), 0, 0);
    if (form == NativeCodeForm::SqlState)
        return packSqlState(first);
    bool ok = false;
    const qint64 number = first.toLongLong(&ok);
    return ok ? number : 0;
}

NativeCodeForm nativeCodeFormOf(const QString &qtDriver) {
    return qtDriver == u"QPSQL" ? NativeCodeForm::SqlState : NativeCodeForm::Number;
}

NativeCodeForm nativeCodeFormOf(const QSqlDriver *driver) {
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL ? NativeCodeForm::SqlState
                                                                  : NativeCodeForm::Number;
}

DbError DbError::fromQuery(const QSqlQuery &query) {
    return fromSqlError(query.lastError(), nativeCodeFormOf(query.driver()));
}

DbError DbError::fromDatabase(const QSqlDatabase &db) {
    return fromSqlError(db.lastError(), nativeCodeFormOf(db.driver()));
}

DbError DbError::fromSqlError(const QSqlError &error, NativeCodeForm form) {
    DbErrorCategory category = DbErrorCategory::Unknown;
    switch (error.type()) {
    case QSqlError::ConnectionError:
        category = DbErrorCategory::Connection;
        break;
    case QSqlError::StatementError:
        category = DbErrorCategory::Statement;
        break;
    case QSqlError::TransactionError:
        category = DbErrorCategory::Transaction;
        break;
    default:
        break;
    }
    const QString code = error.nativeErrorCode().trimmed();
    QString message = joinTexts(error.databaseText(), error.driverText());
    if (form == NativeCodeForm::SqlState && isSqlStateText(code))
        message += QStringLiteral(" [SQLSTATE ") + code + u']';
    return DbError(
        DbErrorEntry::make(category, DbSubCode::Server, nativeErrorNumber(code, form), message));
}

QString sqlErrorText(const QSqlError &error) {
    return joinTexts(error.databaseText(), error.driverText());
}

DbErrorEntry DbError::fromOdbcDiagnostic(const QString &sqlState, qint64 nativeError,
                                         const QString &message) {
    const QString cls = sqlState.left(2);
    DbErrorCategory category = DbErrorCategory::Statement;
    if (cls == u"08" || cls == u"28")
        category = DbErrorCategory::Connection;
    else if (cls == u"25" || cls == u"40")
        category = DbErrorCategory::Transaction;
    else if (cls == u"IM")
        category = DbErrorCategory::Driver;
    QString text = message.trimmed();
    if (isSqlStateText(sqlState))
        text += QStringLiteral(" [SQLSTATE ") + sqlState + u']';
    return DbErrorEntry::make(category, DbSubCode::Server,
                              nativeError != 0 ? nativeError : packSqlState(sqlState), text);
}

QStringList DbError::texts() const {
    QStringList all;
    for (const DbErrorEntry &entry : m_entries)
        all << DbErrorText(entry);
    return all;
}

QString DbError::message() const {
    return m_entries.empty() ? QString() : m_entries.front().message;
}

Error DbError::toError(const QString &stepCode) const {
    return Error{m_entries.empty() ? QString() : DbErrorText(m_entries.front()), stepCode};
}

DbException::DbException(DbError error)
    : m_error(std::move(error)), m_what(m_error.message().toUtf8()) {}

} // namespace kelvoran

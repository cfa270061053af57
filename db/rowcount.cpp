#include "db/rowcount.h"

#include "db/mysqlrows.h"
#include "db/querytext.h"

#include <QSqlQuery>
#include <QVariant>

#include <mysql.h>

namespace kelvoran {

CountResult countQueryRows(const QSqlDatabase &db, const CountRequest &request,
                           const std::function<void(CountStage)> &stage) {
    const auto enter = [&](CountStage s) {
        if (stage)
            stage(s);
    };
    CountResult result;
    const QString itself = request.statementItself.isEmpty() ? statementText(request.statementLines)
                                                             : request.statementItself;
    if (request.kind == DbKind::MySql && !request.table) {
        enter(CountStage::Direct);
        result.count = countResultRows(db, itself, result.error);
        return result;
    }
    enter(CountStage::Wrapper);
    {
        const QStringList lines = request.table ? countTableLines(*request.table)
                                                : countStatementLines(request.statementLines,
                                                                      request.kind == DbKind::Oracle
                                                                          ? QString()
                                                                          : request.subqueryName);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.exec(statementText(lines)) && q.next()) {
            enter(CountStage::Counted);
            result.count = q.value(0).toLongLong();
            return result;
        }
        result.error = result.wrapperError = q.lastError();
    }
    if (request.table)
        return result;
    const bool open = db.isOpen();
    switch (request.fallback) {
    case CountFallback::Always:
        break;
    case CountFallback::WhileOpen:
        if (!open)
            return result;
        break;
    case CountFallback::WhileConnected:
        if (!open || result.error.type() == QSqlError::ConnectionError)
            return result;
        break;
    }
    enter(CountStage::Fallback);
    result.fellBack = true;
    result.error = QSqlError();
    result.count = countResultRows(db, itself, result.error);
    return result;
}

std::optional<qint64> countResultRows(const QSqlDatabase &db, const QString &sql,
                                      QSqlError &error) {
    const QString driver = db.driverName();
    if (driver == u"QPSQL") {
        // A cursor needs a transaction. Inside one the user opened on this connection the cursor
        // is declared in it and only closed afterwards; otherwise one is begun and committed
        // around it.
        const QString declare =
            QStringLiteral("DECLARE kelvoran_count NO SCROLL CURSOR FOR\n") + sql;
        QSqlQuery q(db);
        bool ownTransaction = false;
        if (!q.exec(declare)) {
            if (q.lastError().nativeErrorCode() != u"25P01") {
                error = q.lastError();
                return std::nullopt;
            }
            ownTransaction = true;
            if (!q.exec(QStringLiteral("BEGIN")) || !q.exec(declare)) {
                error = q.lastError();
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                return std::nullopt;
            }
        }
        std::optional<qint64> count;
        if (q.exec(QStringLiteral("MOVE FORWARD ALL IN kelvoran_count")))
            count = q.numRowsAffected();
        else
            error = q.lastError();
        QSqlQuery end(db);
        end.exec(ownTransaction ? QStringLiteral("COMMIT")
                                : QStringLiteral("CLOSE kelvoran_count"));
        return count;
    }
    if (MYSQL *mysql = driver == u"QMYSQL" ? mySqlHandle(db) : nullptr) {
        const QByteArray text = sql.toUtf8();
        if (mysql_real_query(mysql, text.constData(), static_cast<unsigned long>(text.size())) !=
            0) {
            error = mySqlError(mysql, QStringLiteral("Unable to execute query"));
            return std::nullopt;
        }
        MYSQL_RES *result = mysql_use_result(mysql);
        if (!result) {
            if (mysql_field_count(mysql) == 0)
                return 0;
            error = mySqlError(mysql, QStringLiteral("Unable to read the result"));
            return std::nullopt;
        }
        qint64 count = 0;
        while (mysql_fetch_row(result))
            ++count;
        const bool failed = mysql_errno(mysql) != 0;
        if (failed)
            error = mySqlError(mysql, QStringLiteral("Unable to fetch row"));
        mysql_free_result(result);
        return failed ? std::nullopt : std::optional<qint64>(count);
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        error = q.lastError();
        return std::nullopt;
    }
    qint64 count = q.size();
    if (count < 0) {
        count = 0;
        while (q.next())
            ++count;
        if (q.lastError().type() != QSqlError::NoError) {
            error = q.lastError();
            return std::nullopt;
        }
    }
    return count;
}

} // namespace kelvoran

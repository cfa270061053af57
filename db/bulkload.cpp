#include "db/bulkload.h"

#include "db/dberror.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>
#include <mysql.h>

#include <algorithm>
#include <cstring>

namespace kelvoran {

namespace {

// Prepared INSERTs in a transaction per range. A failing INSERT ends the range: the rows before
// it are committed (a failed statement leaves the earlier ones of its transaction in place on
// the engines this runs on; on a table without transactions they are stored anyway).
class InsertSink : public BulkLoader {
public:
    InsertSink(const QSqlDatabase &db, const QString &table, const QStringList &quotedColumns)
        : m_db(db), m_query(db), m_columns(int(quotedColumns.size())) {
        QString sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                      quotedColumns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (");
        for (int c = 0; c < m_columns; ++c)
            sql += c == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
        sql += QLatin1Char(')');
        m_sql = sql;
    }

    BulkStoreResult store(const BulkRecords &batch, size_t from, size_t to) override {
        BulkStoreResult r;
        if (!m_prepared) {
            if (!m_query.prepare(m_sql)) {
                r.failed = true;
                r.message = sqlErrorText(m_query.lastError());
                return r;
            }
            m_prepared = true;
        }
        const bool inTransaction = m_db.transaction();
        const QVariant null = QVariant(QMetaType::fromType<QString>());
        for (size_t i = from; i < to; ++i) {
            const std::vector<std::optional<QString>> values = batch.values(i);
            for (int c = 0; c < m_columns; ++c) {
                const std::optional<QString> &v = values[size_t(c)];
                m_query.bindValue(c, v ? QVariant(*v) : null);
            }
            if (!m_query.exec()) {
                r.failed = true;
                r.exact = true;
                r.stored = i - from;
                r.message = sqlErrorText(m_query.lastError());
                if (inTransaction && !m_db.commit()) {
                    m_db.rollback();
                    r.stored = 0;
                    r.exact = false;
                }
                return r;
            }
        }
        if (inTransaction && !m_db.commit()) {
            r.failed = true;
            r.message = sqlErrorText(m_db.lastError());
            m_db.rollback();
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    QSqlDatabase m_db;
    QSqlQuery m_query;
    int m_columns;
    QString m_sql;
    bool m_prepared = false;
};

// The native handle of a Qt driver, when it has the given C type.
template <class T> T *nativeHandle(const QSqlDatabase &db, const char *name, const char *alt) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), name) != 0 && qstrcmp(handle.typeName(), alt) != 0))
        return nullptr;
    return *static_cast<T *const *>(handle.constData());
}

// COPY ... FROM STDIN through libpq on the QPSQL driver's connection; one COPY per range, which
// the server stores all or nothing.
class PostgresCopySink : public BulkLoader {
public:
    PostgresCopySink(PGconn *conn, const QString &table, const QStringList &quotedColumns)
        : m_conn(conn) {
        m_copy = (QStringLiteral("COPY ") + table + QStringLiteral(" (") +
                  quotedColumns.join(QStringLiteral(", ")) + QStringLiteral(") FROM STDIN"))
                     .toUtf8();
    }

    BulkStoreResult store(const BulkRecords &batch, size_t from, size_t to) override {
        BulkStoreResult r;
        PGresult *res = PQexec(m_conn, m_copy.constData());
        if (PQresultStatus(res) != PGRES_COPY_IN) {
            r.failed = true;
            r.message = resultMessage(res);
            PQclear(res);
            return r;
        }
        PQclear(res);
        const QByteArrayView data = batch.bytes(from, to);
        bool sent = true;
        for (qsizetype at = 0; at < data.size() && sent; at += (1 << 20)) {
            const int n = int(std::min<qsizetype>(1 << 20, data.size() - at));
            sent = PQputCopyData(m_conn, data.constData() + at, n) == 1;
        }
        PQputCopyEnd(m_conn, sent ? nullptr : "client failed to send the data");
        bool ok = sent;
        QString message;
        while (PGresult *end = PQgetResult(m_conn)) {
            if (PQresultStatus(end) != PGRES_COMMAND_OK) {
                ok = false;
                if (message.isEmpty()) {
                    message = resultMessage(end);
                    // "COPY t, line 5, column a: ..." names the failing record.
                    static const QRegularExpression lineRe(QStringLiteral("line (\\d+)"));
                    const QRegularExpressionMatch m =
                        lineRe.match(QString::fromUtf8(PQresultErrorField(end, PG_DIAG_CONTEXT)));
                    if (m.hasMatch()) {
                        const size_t at = from + m.captured(1).toULongLong() - 1;
                        if (at >= from && at < to)
                            r.hint = at;
                    }
                }
            }
            PQclear(end);
        }
        if (!ok) {
            r.failed = true;
            r.message =
                message.isEmpty() ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : message;
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    static QString resultMessage(const PGresult *res) {
        const char *primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        if (primary)
            return QString::fromUtf8(primary);
        return QString::fromUtf8(res ? PQresultErrorMessage(res) : "").trimmed();
    }

    PGconn *m_conn;
    QByteArray m_copy;
};

// LOAD DATA LOCAL INFILE through libmariadb on the QMYSQL driver's connection, reading the
// range from memory, in a transaction. The server turns bad values and duplicate keys of a
// LOCAL load into warnings instead of errors, so a warning fails the range (it is rolled back);
// a single record goes through an INSERT, whose errors are the server's own.
class MySqlLoadSink : public BulkLoader {
public:
    MySqlLoadSink(MYSQL *mysql, const QSqlDatabase &db, const QString &table,
                  const QStringList &quotedColumns)
        : m_mysql(mysql), m_single(db, table, quotedColumns) {
        m_load =
            (QStringLiteral("LOAD DATA LOCAL INFILE 'kelvoran-csv-import' INTO TABLE ") + table +
             QStringLiteral(" CHARACTER SET utf8mb4 FIELDS TERMINATED BY '\\t' ESCAPED BY "
                            "'\\\\' LINES TERMINATED BY '\\n' (") +
             quotedColumns.join(QStringLiteral(", ")) + QLatin1Char(')'))
                .toUtf8();
    }

    BulkStoreResult store(const BulkRecords &batch, size_t from, size_t to) override {
        if (to - from == 1 || m_localRefused)
            return m_single.store(batch, from, to);
        BulkStoreResult r;
        m_data = batch.bytes(from, to);
        m_pos = 0;
        if (!query("START TRANSACTION")) {
            r.failed = true;
            r.message = errorText();
            return r;
        }
        mysql_set_local_infile_handler(m_mysql, &MySqlLoadSink::infileInit,
                                       &MySqlLoadSink::infileRead, &MySqlLoadSink::infileEnd,
                                       &MySqlLoadSink::infileError, this);
        const bool loaded = query(m_load.constData());
        mysql_set_local_infile_default(m_mysql);
        if (!loaded) {
            const unsigned int code = mysql_errno(m_mysql);
            r.failed = true;
            r.message = errorText();
            query("ROLLBACK");
            // 1148/4166: the server refuses LOCAL loads; 2068: the client does. The rows then go
            // through INSERTs.
            if (code == 1148 || code == 4166 || code == 2068) {
                m_localRefused = true;
                return m_single.store(batch, from, to);
            }
            return r;
        }
        const my_ulonglong affected = mysql_affected_rows(m_mysql);
        if (mysql_warning_count(m_mysql) > 0)
            readWarnings(from, to, r);
        if (!r.failed && affected != my_ulonglong(to - from)) {
            r.failed = true;
            r.message =
                QStringLiteral("%1件中%2件しか格納されませんでした。").arg(to - from).arg(affected);
        }
        if (r.failed) {
            query("ROLLBACK");
            return r;
        }
        if (!query("COMMIT")) {
            r.failed = true;
            r.message = errorText();
            query("ROLLBACK");
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    bool query(const char *sql) {
        return mysql_real_query(m_mysql, sql, static_cast<unsigned long>(qstrlen(sql))) == 0;
    }
    QString errorText() const { return QString::fromUtf8(mysql_error(m_mysql)); }

    // A "Warning" or "Error" fails the range ("Note"s do not); "at row n" names the record.
    void readWarnings(size_t from, size_t to, BulkStoreResult &r) {
        if (!query("SHOW WARNINGS"))
            return;
        MYSQL_RES *res = mysql_store_result(m_mysql);
        if (!res)
            return;
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            const QString level = QString::fromUtf8(row[0] ? row[0] : "");
            if (level == u"Note")
                continue;
            r.failed = true;
            r.message = QString::fromUtf8(row[2] ? row[2] : "");
            static const QRegularExpression rowRe(QStringLiteral("at row (\\d+)"));
            const QRegularExpressionMatch m = rowRe.match(r.message);
            if (m.hasMatch()) {
                const size_t at = from + m.captured(1).toULongLong() - 1;
                if (at >= from && at < to)
                    r.hint = at;
            }
            break;
        }
        mysql_free_result(res);
    }

    static int infileInit(void **ptr, const char *, void *userdata) {
        *ptr = userdata;
        return 0;
    }
    static int infileRead(void *ptr, char *buf, unsigned int length) {
        auto *self = static_cast<MySqlLoadSink *>(ptr);
        const qsizetype n =
            std::min<qsizetype>(qsizetype(length), self->m_data.size() - self->m_pos);
        memcpy(buf, self->m_data.constData() + self->m_pos, size_t(n));
        self->m_pos += n;
        return int(n);
    }
    static void infileEnd(void *) {}
    static int infileError(void *, char *, unsigned int) { return 0; }

    MYSQL *m_mysql;
    InsertSink m_single;
    QByteArray m_load;
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_localRefused = false;
};

// The LOAD DATA path rolls a failed range back, which only a transactional table can do; on
// any other table (MyISAM, Aria, a view) the rows go through INSERTs that stop at the failing
// one.
bool isInnoDbTable(const QSqlDatabase &db, const QString &table) {
    QString schema, name = table;
    const qsizetype dot = table.lastIndexOf(u'.');
    if (dot >= 0) {
        schema = table.left(dot);
        name = table.mid(dot + 1);
    }
    auto unquote = [](QString t) {
        t = t.trimmed();
        if (t.size() >= 2 && t.startsWith(u'`') && t.endsWith(u'`'))
            t = t.mid(1, t.size() - 2);
        return t;
    };
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = ") +
              (schema.isEmpty() ? QStringLiteral("DATABASE()") : QStringLiteral("?")) +
              QStringLiteral(" AND TABLE_NAME = ?"));
    if (!schema.isEmpty())
        q.addBindValue(unquote(schema));
    q.addBindValue(unquote(name));
    return q.exec() && q.next() &&
           q.value(0).toString().compare(QStringLiteral("InnoDB"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::unique_ptr<BulkLoader> BulkLoader::open(const QSqlDatabase &db, const QString &table,
                                             const QStringList &quotedColumns) {
    if (db.driverName() == u"QPSQL") {
        if (PGconn *conn = nativeHandle<PGconn>(db, "PGconn*", "pg_conn*"))
            return std::make_unique<PostgresCopySink>(conn, table, quotedColumns);
    } else if (db.driverName() == u"QMYSQL" && isInnoDbTable(db, table)) {
        if (MYSQL *mysql = nativeHandle<MYSQL>(db, "MYSQL*", "st_mysql*")) {
            unsigned int on = 1;
            mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &on);
            return std::make_unique<MySqlLoadSink>(mysql, db, table, quotedColumns);
        }
    }
    return std::make_unique<InsertSink>(db, table, quotedColumns);
}

} // namespace kelvoran

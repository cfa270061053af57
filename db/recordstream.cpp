#include "db/recordstream.h"

#include "db/mysqlrows.h"
#include "db/odbcexactvalues.h"
#include "db/postgresexactvalues.h"

#include <QSqlField>
#include <QSqlQuery>

#include <mysql.h>

#include <algorithm>
#include <atomic>

namespace kelvoran {

namespace {
std::atomic<int> g_cursorSerial{0};
} // namespace

RecordStream::ReadMode RecordStream::readModeFor(const QSqlDatabase &db, DbKind kind) {
    if (kind == DbKind::Postgre && db.driverName() == QStringLiteral("QPSQL"))
        return ReadMode::PostgresCursor;
    if (db.driverName() == QStringLiteral("QMYSQL") && mySqlHandle(db))
        return ReadMode::MySqlStream;
    return ReadMode::ForwardOnly;
}

RecordStream::RecordStream() = default;

RecordStream::~RecordStream() {
    close();
}

bool RecordStream::open(const QSqlDatabase &db, const QString &sql, DbKind kind) {
    return open(db, sql, readModeFor(db, kind));
}

bool RecordStream::open(const QSqlDatabase &db, const QString &sql, ReadMode mode) {
    close();
    m_record = QSqlRecord();
    m_error = QSqlError();
    m_db = db;
    m_mode = mode;
    m_atEnd = false;
    bool ok = false;
    switch (mode) {
    case ReadMode::PostgresCursor:
        ok = openCursor(sql);
        break;
    case ReadMode::MySqlStream:
        ok = openMySql(sql);
        break;
    case ReadMode::ForwardOnly:
        m_query = std::make_unique<QSqlQuery>(m_db);
        m_query->setForwardOnly(true);
        OdbcExactValues::prepare(*m_query, m_db);
        ok = m_query->exec(sql);
        if (ok) {
            m_record = m_query->record();
            m_odbcValues = OdbcExactValues(*m_query, m_db);
        } else {
            m_error = m_query->lastError();
            m_query.reset();
        }
        break;
    }
    if (!ok)
        close();
    return ok;
}

void RecordStream::adopt(std::unique_ptr<QSqlQuery> query) {
    close();
    m_record = query->record();
    m_error = QSqlError();
    m_db = QSqlDatabase();
    m_mode = ReadMode::ForwardOnly;
    m_atEnd = false;
    m_query = std::move(query);
}

bool RecordStream::openCursor(const QString &sql) {
    // A cursor lives in a transaction; the rows are fetched batch by batch with FETCH, so
    // neither the driver nor the server holds more than one batch for us.
    m_cursor = QStringLiteral("kelvoran_stream_%1").arg(++g_cursorSerial);
    QSqlQuery begin(m_db);
    if (!begin.exec(QStringLiteral("BEGIN"))) {
        m_error = begin.lastError();
        return false;
    }
    m_inTransaction = true;
    QSqlQuery declare(m_db);
    if (!declare.exec(QStringLiteral("DECLARE ") + m_cursor +
                      QStringLiteral(" NO SCROLL CURSOR FOR\n") + sql)) {
        m_error = declare.lastError();
        return false;
    }
    return fetch(m_batchSize, m_batch);
}

bool RecordStream::openMySql(const QString &sql) {
    // The driver's own queries store every result whole; the client library hands the rows
    // over one at a time when asked with mysql_use_result.
    MYSQL *mysql = mySqlHandle(m_db);
    if (!mysql) {
        m_error = QSqlError(QStringLiteral("MySQL connection handle not available"), QString(),
                            QSqlError::ConnectionError);
        return false;
    }
    m_myConnection = mysql;
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(mysql, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        m_error = mySqlError(mysql, QStringLiteral("Unable to execute query"));
        return false;
    }
    MYSQL_RES *result = mysql_use_result(mysql);
    if (!result) {
        if (mysql_field_count(mysql) == 0) {
            // A statement without a result set: no records.
            m_atEnd = true;
            return true;
        }
        m_error = mySqlError(mysql, QStringLiteral("Unable to read the result"));
        return false;
    }
    m_myResult = result;
    const unsigned int columns = mysql_num_fields(result);
    const MYSQL_FIELD *fields = mysql_fetch_fields(result);
    for (unsigned int c = 0; c < columns; ++c) {
        const QMetaType type = mySqlMetaType(fields[c]);
        m_record.append(QSqlField(QString::fromUtf8(fields[c].name), type));
        m_myTypes.push_back(type);
    }
    m_myRow.assign(columns, QVariant());
    return true;
}

bool RecordStream::fetch(int rows, std::vector<std::vector<QVariant>> &into) {
    // The batch is held whole (not forward-only), so that the server's text of the values the
    // driver rounds (numerics, fractional seconds) can be read again.
    QSqlQuery fetch(m_db);
    if (!fetch.exec(QStringLiteral("FETCH FORWARD %1 FROM ").arg(rows) + m_cursor)) {
        m_error = fetch.lastError();
        return false;
    }
    if (m_record.isEmpty())
        m_record = fetch.record();
    const PostgresExactValues exact(fetch);
    const int columns = m_record.count();
    int read = 0;
    while (fetch.next()) {
        std::vector<QVariant> row(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = fetch.value(c);
        if (exact.any())
            exact.apply(fetch.at(), row);
        into.push_back(std::move(row));
        ++read;
    }
    if (read < rows)
        m_cursorDone = true;
    return true;
}

bool RecordStream::next() {
    if (m_atEnd)
        return false;
    switch (m_mode) {
    case ReadMode::PostgresCursor:
        return nextCursorRow();
    case ReadMode::MySqlStream:
        return nextMySqlRow();
    case ReadMode::ForwardOnly:
        return nextQueryRow();
    }
    return false;
}

bool RecordStream::nextCursorRow() {
    if (m_next >= m_batch.size()) {
        m_batch.clear();
        m_next = 0;
        if (!m_cursorDone && !fetch(m_batchSize, m_batch)) {
            m_atEnd = true;
            return false;
        }
        if (m_batch.empty()) {
            finishRows();
            return false;
        }
    }
    m_current = m_next++;
    return true;
}

bool RecordStream::nextMySqlRow() {
    auto *result = static_cast<MYSQL_RES *>(m_myResult);
    MYSQL_ROW row = result ? mysql_fetch_row(result) : nullptr;
    if (!row) {
        auto *mysql = static_cast<MYSQL *>(m_myConnection);
        if (result && mysql_errno(mysql) != 0) {
            m_error = mySqlError(mysql, QStringLiteral("Unable to fetch row"));
            m_atEnd = true;
            return false;
        }
        finishRows();
        return false;
    }
    const unsigned long *lengths = mysql_fetch_lengths(result);
    for (size_t c = 0; c < m_myRow.size(); ++c)
        m_myRow[c] = mySqlValue(row[c], lengths[c], m_myTypes[c]);
    return true;
}

bool RecordStream::nextQueryRow() {
    if (m_query->next())
        return true;
    const QSqlError e = m_query->lastError();
    if (e.isValid() && e.type() != QSqlError::NoError) {
        m_error = e;
        m_atEnd = true;
        return false;
    }
    finishRows();
    return false;
}

QVariant RecordStream::value(int field) const {
    if (field < 0 || m_atEnd)
        return QVariant();
    switch (m_mode) {
    case ReadMode::PostgresCursor:
        return m_current < m_batch.size() && size_t(field) < m_batch[m_current].size()
                   ? m_batch[m_current][size_t(field)]
                   : QVariant();
    case ReadMode::MySqlStream:
        return size_t(field) < m_myRow.size() ? m_myRow[size_t(field)] : QVariant();
    case ReadMode::ForwardOnly:
        return m_query ? m_odbcValues.apply(field, m_query->value(field)) : QVariant();
    }
    return QVariant();
}

std::vector<QVariant> RecordStream::currentRow() const {
    if (m_mode == ReadMode::MySqlStream)
        return m_myRow;
    std::vector<QVariant> row(static_cast<size_t>(m_record.count()));
    for (int c = 0; c < m_record.count(); ++c)
        row[size_t(c)] = m_odbcValues.apply(c, m_query->value(c));
    return row;
}

bool RecordStream::readRows(int maxRows, std::vector<std::vector<QVariant>> &rows) {
    if (m_atEnd)
        return m_error.type() == QSqlError::NoError;
    if (m_mode == ReadMode::PostgresCursor) {
        if (m_next < m_batch.size()) {
            // The rows fetched before come first.
            const size_t take = std::min(m_batch.size() - m_next, size_t(std::max(maxRows, 0)));
            for (size_t i = 0; i < take; ++i)
                rows.push_back(std::move(m_batch[m_next++]));
        } else {
            m_batch.clear();
            m_next = 0;
            if (!m_cursorDone && !fetch(maxRows, rows)) {
                m_atEnd = true;
                return false;
            }
        }
        if (m_next >= m_batch.size() && m_cursorDone) {
            m_batch.clear();
            m_next = 0;
            finishRows();
        }
        return true;
    }
    for (int read = 0; read < maxRows; ++read) {
        if (!next())
            return m_error.type() == QSqlError::NoError;
        rows.push_back(currentRow());
    }
    return true;
}

qint64 RecordStream::streamingConnectionId() const {
    if (!m_myResult || m_atEnd || !m_myConnection)
        return 0;
    return qint64(mysql_thread_id(static_cast<MYSQL *>(m_myConnection)));
}

void RecordStream::finishRows() {
    m_atEnd = true;
    releaseServer();
}

void RecordStream::releaseServer() {
    if (m_query) {
        m_query->finish();
        m_query.reset();
    }
    if (m_myResult) {
        // Frees the result; the client library reads and drops the rows still on the way.
        mysql_free_result(static_cast<MYSQL_RES *>(m_myResult));
        m_myResult = nullptr;
    }
    if (m_inTransaction) {
        // The cursor goes with its transaction. COMMIT keeps what functions called by the
        // query may have done, as an autocommitted query would, also when the rest of the
        // rows was never read; after an error the server turns it into a rollback.
        QSqlQuery end(m_db);
        end.exec(QStringLiteral("COMMIT"));
        m_inTransaction = false;
    }
}

void RecordStream::close() {
    releaseServer();
    // A closed stream holds no handle of the connection, so the connection can be removed.
    m_db = QSqlDatabase();
    m_odbcValues = OdbcExactValues();
    m_atEnd = true;
    m_cursorDone = false;
    m_batch.clear();
    m_next = 0;
    m_current = 0;
    m_myConnection = nullptr;
    m_myTypes.clear();
    m_myRow.clear();
}

} // namespace kelvoran

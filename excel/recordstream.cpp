#include "recordstream.h"

#include "mysqlrows.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QTime>

#include <mysql.h>

namespace kelvoran {

namespace {
constexpr int kBatch = 2000;
int g_serial = 0;

} // namespace

RecordStream::RecordStream() = default;

RecordStream::~RecordStream() {
    close();
}

bool RecordStream::open(const QSqlDatabase &db, const QString &sql, DbKind kind) {
    close();
    m_record = QSqlRecord();
    m_db = db;
    m_error = QSqlError();
    m_usesCursor = kind == DbKind::Postgre && db.driverName() == QStringLiteral("QPSQL");
    if (m_usesCursor) {
        // The driver keeps a plain result whole in memory; a cursor holds one batch at a time.
        m_cursor = QStringLiteral("kelvoran_report_%1").arg(++g_serial);
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
            close();
            return false;
        }
        m_cursorDone = false;
        if (!fetchBatch()) {
            close();
            return false;
        }
        return true;
    }
    if (db.driverName() == QStringLiteral("QMYSQL")) {
        if (MYSQL *mysql = mySqlHandle(db))
            return openMySql(mysql, sql);
    }
    m_query = std::make_unique<QSqlQuery>(m_db);
    m_query->setForwardOnly(true);
    if (!m_query->exec(sql)) {
        m_error = m_query->lastError();
        m_query.reset();
        return false;
    }
    m_record = m_query->record();
    return true;
}

bool RecordStream::openMySql(void *handle, const QString &sql) {
    // The driver's own queries store every result whole; the client library hands the rows
    // over one at a time when asked with mysql_use_result.
    auto *mysql = static_cast<MYSQL *>(handle);
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(mysql, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        m_error = mySqlError(mysql, QStringLiteral("Unable to execute query"));
        return false;
    }
    MYSQL_RES *result = mysql_use_result(mysql);
    if (!result) {
        if (mysql_field_count(mysql) == 0)
            return true; // a statement without rows
        m_error = mySqlError(mysql, QStringLiteral("Unable to read the result"));
        return false;
    }
    m_myConnection = mysql;
    m_myResult = result;
    const unsigned int columns = mysql_num_fields(result);
    const MYSQL_FIELD *fields = mysql_fetch_fields(result);
    m_myTypes.clear();
    for (unsigned int c = 0; c < columns; ++c) {
        const QMetaType type = mySqlMetaType(fields[c]);
        m_record.append(QSqlField(QString::fromUtf8(fields[c].name), type));
        m_myTypes.push_back(type);
    }
    m_myRow.assign(columns, QVariant());
    return true;
}

bool RecordStream::fetchBatch() {
    m_batch.clear();
    m_pos = 0;
    if (m_cursorDone)
        return true;
    QSqlQuery fetch(m_db);
    fetch.setForwardOnly(true);
    if (!fetch.exec(QStringLiteral("FETCH FORWARD %1 FROM ").arg(kBatch) + m_cursor)) {
        m_error = fetch.lastError();
        return false;
    }
    if (m_record.isEmpty())
        m_record = fetch.record();
    const int columns = m_record.count();
    while (fetch.next()) {
        std::vector<QVariant> row(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = fetch.value(c);
        m_batch.push_back(std::move(row));
    }
    if (int(m_batch.size()) < kBatch)
        m_cursorDone = true;
    return true;
}

bool RecordStream::next() {
    if (m_usesCursor) {
        // The first call takes the first row of the batch fetched by open().
        if (!m_started) {
            m_started = true;
            m_pos = 0;
            return !m_batch.empty();
        }
        if (m_pos + 1 < m_batch.size()) {
            ++m_pos;
            return true;
        }
        if (m_cursorDone) {
            m_batch.clear();
            return false;
        }
        if (!fetchBatch())
            return false;
        return !m_batch.empty();
    }
    if (m_myResult) {
        auto *result = static_cast<MYSQL_RES *>(m_myResult);
        MYSQL_ROW row = mysql_fetch_row(result);
        if (!row) {
            auto *mysql = static_cast<MYSQL *>(m_myConnection);
            if (mysql_errno(mysql) != 0)
                m_error = mySqlError(mysql, QStringLiteral("Unable to fetch row"));
            return false;
        }
        const unsigned long *lengths = mysql_fetch_lengths(result);
        for (size_t c = 0; c < m_myRow.size(); ++c)
            m_myRow[c] = mySqlValue(row[c], lengths[c], m_myTypes[c]);
        return true;
    }
    if (!m_query)
        return false;
    if (m_query->next())
        return true;
    const QSqlError e = m_query->lastError();
    if (e.isValid() && e.type() != QSqlError::NoError)
        m_error = e;
    return false;
}

QVariant RecordStream::value(int field) const {
    if (m_myResult)
        return size_t(field) < m_myRow.size() ? m_myRow[size_t(field)] : QVariant();
    if (m_usesCursor)
        return m_pos < m_batch.size() ? m_batch[m_pos].at(size_t(field)) : QVariant();
    return m_query ? m_query->value(field) : QVariant();
}

void RecordStream::close() {
    m_query.reset();
    if (m_myResult) {
        // The client library reads and drops the rows still on the way.
        mysql_free_result(static_cast<MYSQL_RES *>(m_myResult));
        m_myResult = nullptr;
        m_myConnection = nullptr;
    }
    if (m_usesCursor && m_inTransaction && m_db.isOpen()) {
        QSqlQuery end(m_db);
        end.exec(QStringLiteral("CLOSE ") + m_cursor);
        end.exec(QStringLiteral("COMMIT"));
    }
    m_inTransaction = false;
    m_batch.clear();
    m_pos = 0;
    m_started = false;
    m_cursorDone = false;
}

} // namespace kelvoran

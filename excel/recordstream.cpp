#include "recordstream.h"

#include <QSqlQuery>

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
    if (m_usesCursor)
        return m_pos < m_batch.size() ? m_batch[m_pos].at(size_t(field)) : QVariant();
    return m_query ? m_query->value(field) : QVariant();
}

void RecordStream::close() {
    m_query.reset();
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

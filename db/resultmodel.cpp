#include "resultmodel.h"

#include "displaytext.h"
#include "mysqlrows.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlField>

#include <mysql.h>

#include <atomic>

namespace kelvoran {

namespace {
std::atomic<int> g_cursorSerial{0};
}

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) {}

ResultModel::~ResultModel() {
    releaseServer();
}

bool ResultModel::open(const QSqlDatabase &db, const QString &sql, ReadMode mode) {
    beginResetModel();
    releaseServer();
    m_rows.clear();
    m_record = QSqlRecord();
    m_titles.clear();
    m_lastError = QSqlError();
    m_open = false;
    m_atEnd = true;
    m_db = db;
    m_mode = mode;

    bool ok = true;
    if (mode == ReadMode::PostgresCursor) {
        // A cursor lives in a transaction; the rows are fetched batch by batch with FETCH, so
        // neither the driver nor the server holds more than one batch for us.
        m_cursorName = QStringLiteral("kelvoran_result_%1").arg(++g_cursorSerial);
        QSqlQuery begin(m_db);
        if (!begin.exec(QStringLiteral("BEGIN"))) {
            m_lastError = begin.lastError();
            ok = false;
        } else {
            m_inTransaction = true;
            QSqlQuery declare(m_db);
            if (!declare.exec(QStringLiteral("DECLARE ") + m_cursorName +
                              QStringLiteral(" NO SCROLL CURSOR FOR\n") + sql)) {
                m_lastError = declare.lastError();
                ok = false;
            }
        }
    } else if (mode == ReadMode::MySqlStream) {
        ok = openMySqlStream(sql);
    } else {
        m_query = std::make_unique<QSqlQuery>(m_db);
        m_query->setForwardOnly(true);
        if (!m_query->exec(sql)) {
            m_lastError = m_query->lastError();
            ok = false;
        } else {
            m_record = m_query->record();
        }
    }
    m_atEnd = false;
    if (ok)
        ok = readBatch(m_batchSize, m_rows);
    if (!ok) {
        releaseServer();
        m_rows.clear();
        m_atEnd = true;
    } else {
        m_open = true;
    }
    m_titles.clear();
    for (int c = 0; c < m_record.count(); ++c)
        m_titles << m_record.fieldName(c);
    endResetModel();
    return ok;
}

bool ResultModel::readBatch(int maxRows, std::vector<std::vector<QVariant>> &rows) {
    if (m_atEnd)
        return true;
    if (m_mode == ReadMode::PostgresCursor) {
        QSqlQuery fetch(m_db);
        fetch.setForwardOnly(true);
        if (!fetch.exec(QStringLiteral("FETCH FORWARD %1 FROM ").arg(maxRows) + m_cursorName)) {
            m_lastError = fetch.lastError();
            return false;
        }
        if (m_record.isEmpty())
            m_record = fetch.record();
        const int columns = m_record.count();
        int read = 0;
        while (fetch.next()) {
            std::vector<QVariant> row(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c)
                row[size_t(c)] = fetch.value(c);
            rows.push_back(std::move(row));
            ++read;
        }
        if (read < maxRows) {
            m_atEnd = true;
            releaseServer();
        }
        return true;
    }
    if (m_mode == ReadMode::MySqlStream)
        return readMySqlBatch(maxRows, rows);
    const int columns = m_record.count();
    for (int read = 0; read < maxRows; ++read) {
        if (!m_query->next()) {
            m_atEnd = true;
            const QSqlError error = m_query->lastError();
            if (error.isValid() && error.type() != QSqlError::NoError) {
                m_lastError = error;
                return false;
            }
            releaseServer();
            return true;
        }
        std::vector<QVariant> row(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = m_query->value(c);
        rows.push_back(std::move(row));
    }
    return true;
}

void ResultModel::releaseServer() {
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

bool ResultModel::openMySqlStream(const QString &sql) {
    MYSQL *mysql = mySqlHandle(m_db);
    if (!mysql) {
        m_lastError = QSqlError(QStringLiteral("MySQL connection handle not available"), QString(),
                                QSqlError::ConnectionError);
        return false;
    }
    m_myConnection = mysql;
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(mysql, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        m_lastError = mySqlError(mysql, QStringLiteral("Unable to execute query"));
        return false;
    }
    MYSQL_RES *result = mysql_use_result(mysql);
    if (!result) {
        if (mysql_field_count(mysql) == 0) {
            // A statement without a result set: an empty result.
            m_atEnd = true;
            return true;
        }
        m_lastError = mySqlError(mysql, QStringLiteral("Unable to read the result"));
        return false;
    }
    m_myResult = result;
    const unsigned int columns = mysql_num_fields(result);
    const MYSQL_FIELD *fields = mysql_fetch_fields(result);
    for (unsigned int c = 0; c < columns; ++c)
        m_record.append(QSqlField(QString::fromUtf8(fields[c].name), mySqlMetaType(fields[c])));
    return true;
}

bool ResultModel::readMySqlBatch(int maxRows, std::vector<std::vector<QVariant>> &rows) {
    auto *result = static_cast<MYSQL_RES *>(m_myResult);
    if (!result) {
        m_atEnd = true;
        return true;
    }
    const int columns = m_record.count();
    std::vector<QMetaType> types;
    for (int c = 0; c < columns; ++c)
        types.push_back(m_record.field(c).metaType());
    for (int read = 0; read < maxRows; ++read) {
        MYSQL_ROW row = mysql_fetch_row(result);
        if (!row) {
            m_atEnd = true;
            auto *mysql = static_cast<MYSQL *>(m_myConnection);
            if (mysql_errno(mysql) != 0) {
                m_lastError = mySqlError(mysql, QStringLiteral("Unable to fetch row"));
                return false;
            }
            releaseServer();
            return true;
        }
        const unsigned long *lengths = mysql_fetch_lengths(result);
        std::vector<QVariant> values(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            values[size_t(c)] = mySqlValue(row[c], lengths[c], types[size_t(c)]);
        rows.push_back(std::move(values));
    }
    return true;
}

bool ResultModel::fetchAll() {
    while (m_open && !m_atEnd)
        if (!appendBatch(m_batchSize * 10))
            return false;
    return true;
}

bool ResultModel::appendBatch(int maxRows) {
    std::vector<std::vector<QVariant>> batch;
    const bool ok = readBatch(maxRows, batch);
    if (!batch.empty()) {
        const int before = int(m_rows.size());
        beginInsertRows(QModelIndex(), before, before + int(batch.size()) - 1);
        for (auto &row : batch)
            m_rows.push_back(std::move(row));
        endInsertRows();
    }
    if (!ok) {
        m_atEnd = true;
        releaseServer();
        emit fetchFailed(m_lastError);
    }
    return ok;
}

bool ResultModel::readRows(int maxRows, std::vector<std::vector<QVariant>> &rows) {
    if (!m_open || m_atEnd)
        return m_open;
    if (!readBatch(maxRows, rows)) {
        m_atEnd = true;
        releaseServer();
        return false;
    }
    return true;
}

void ResultModel::close() {
    beginResetModel();
    releaseServer();
    m_rows.clear();
    m_record = QSqlRecord();
    m_titles.clear();
    m_open = false;
    m_atEnd = true;
    endResetModel();
}

qint64 ResultModel::streamingConnectionId() const {
    if (m_mode != ReadMode::MySqlStream || !m_myResult || m_atEnd || !m_myConnection)
        return 0;
    return qint64(mysql_thread_id(static_cast<MYSQL *>(m_myConnection)));
}

QStringList ResultModel::fieldNames() const {
    QStringList names;
    for (int c = 0; c < m_record.count(); ++c)
        names << m_record.fieldName(c);
    return names;
}

void ResultModel::setColumnTitle(int column, const QString &title) {
    if (column < 0 || column >= m_titles.size())
        return;
    m_titles[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QVariant ResultModel::value(int row, int column) const {
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= m_record.count())
        return QVariant();
    return m_rows[size_t(row)][size_t(column)];
}

int ResultModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_record.count();
}

QVariant ResultModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return displayText(value(index.row(), index.column()));
    if (role == Qt::EditRole)
        return value(index.row(), index.column());
    return QVariant();
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? QVariant(m_titles[section]) : QVariant();
    return section + 1;
}

bool ResultModel::canFetchMore(const QModelIndex &parent) const {
    return !parent.isValid() && m_open && !m_atEnd;
}

void ResultModel::fetchMore(const QModelIndex &parent) {
    if (canFetchMore(parent))
        appendBatch(m_batchSize);
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

#include "resultmodel.h"

#include "displaytext.h"

#include <atomic>

namespace kelvoran {

namespace {
std::atomic<int> g_cursorSerial{0};
}

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) {}

ResultModel::~ResultModel() {
    releaseServer(false);
}

bool ResultModel::open(const QSqlDatabase &db, const QString &sql, ReadMode mode) {
    beginResetModel();
    releaseServer(false);
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
        releaseServer(false);
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
            releaseServer(true);
        }
        return true;
    }
    const int columns = m_record.count();
    for (int read = 0; read < maxRows; ++read) {
        if (!m_query->next()) {
            m_atEnd = true;
            const QSqlError error = m_query->lastError();
            if (error.isValid() && error.type() != QSqlError::NoError) {
                m_lastError = error;
                return false;
            }
            releaseServer(true);
            return true;
        }
        std::vector<QVariant> row(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = m_query->value(c);
        rows.push_back(std::move(row));
    }
    return true;
}

void ResultModel::releaseServer(bool success) {
    if (m_query) {
        m_query->finish();
        m_query.reset();
    }
    if (m_inTransaction) {
        // The cursor goes with its transaction. COMMIT keeps what functions called by the
        // query may have done, as an autocommitted query would.
        QSqlQuery end(m_db);
        end.exec(success ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
        m_inTransaction = false;
    }
}

bool ResultModel::fetchAll() {
    while (m_open && !m_atEnd) {
        const int before = int(m_rows.size());
        std::vector<std::vector<QVariant>> batch;
        const bool ok = readBatch(m_batchSize * 10, batch);
        if (!batch.empty()) {
            beginInsertRows(QModelIndex(), before, before + int(batch.size()) - 1);
            for (auto &row : batch)
                m_rows.push_back(std::move(row));
            endInsertRows();
        }
        if (!ok) {
            m_atEnd = true;
            releaseServer(false);
            emit fetchFailed(m_lastError);
            return false;
        }
    }
    return true;
}

void ResultModel::close() {
    beginResetModel();
    releaseServer(false);
    m_rows.clear();
    m_record = QSqlRecord();
    m_titles.clear();
    m_open = false;
    m_atEnd = true;
    endResetModel();
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
    if (!canFetchMore(parent))
        return;
    std::vector<std::vector<QVariant>> batch;
    const bool ok = readBatch(m_batchSize, batch);
    if (!batch.empty()) {
        const int before = int(m_rows.size());
        beginInsertRows(QModelIndex(), before, before + int(batch.size()) - 1);
        for (auto &row : batch)
            m_rows.push_back(std::move(row));
        endInsertRows();
    }
    if (!ok) {
        m_atEnd = true;
        releaseServer(false);
        emit fetchFailed(m_lastError);
    }
}

} // namespace kelvoran

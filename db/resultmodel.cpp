#include "db/resultmodel.h"

#include "core/displaytext.h"

namespace kelvoran {

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) {}

ResultModel::~ResultModel() {
    releaseServer();
}

bool ResultModel::open(const QSqlDatabase &db, const QString &sql, ReadMode mode) {
    return start([&] {
        m_stream.setBatchSize(m_batchSize);
        return m_stream.open(db, sql, mode);
    });
}

bool ResultModel::adopt(std::unique_ptr<QSqlQuery> query) {
    return start([&] {
        m_stream.adopt(std::move(query));
        return true;
    });
}

bool ResultModel::start(const std::function<bool()> &openStream) {
    beginResetModel();
    releaseServer();
    m_rows.clear();
    m_record = QSqlRecord();
    m_titles.clear();
    m_lastError = QSqlError();
    m_open = false;
    m_atEnd = true;

    bool ok = openStream();
    if (!ok)
        m_lastError = m_stream.error();
    m_record = m_stream.record();
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
    if (!m_stream.readRows(maxRows, rows)) {
        m_atEnd = true;
        m_lastError = m_stream.error();
        return false;
    }
    if (m_stream.atEnd())
        m_atEnd = true;
    return true;
}

void ResultModel::releaseServer() {
    m_stream.close();
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
    return m_atEnd ? 0 : m_stream.streamingConnectionId();
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

} // namespace kelvoran

// The rows of a query as a Qt item model that reads them from the server only as a view asks.
#pragma once

#include "core/result.h"
#include "db/recordstream.h"

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace kelvoran {

// A query result read forward only, in batches, into the model's own cache. rowCount() is the
// number of rows read so far; canFetchMore()/fetchMore() read the next batch, so a result of a
// million rows opens after its first batch. The rows come through a RecordStream (recordstream.h):
// on PostgreSQL a server-side cursor (a scrollable or plain query there would hold the whole
// result in memory); on MySQL and MariaDB row by row from the client library under the QMYSQL
// driver (whose own queries read every result whole, even forward-only ones); elsewhere a
// forward-only query. Either way the connection given to open() is busy until the result is read
// to its end or closed: give the model a connection of its own. UI thread only.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // How the rows are read from the server.
    using ReadMode = RecordStream::ReadMode;

    static constexpr int DefaultBatchSize = 1000;

    explicit ResultModel(QObject *parent = nullptr);
    ~ResultModel() override;

    // Runs the query and reads its first batch. A failure leaves the model closed and returns
    // the database error (also kept as lastError()).
    bool open(const QSqlDatabase &db, const QString &sql, ReadMode mode);
    // Takes the result of a statement already executed (forward only) and reads its first
    // batch; a failure as for open(). The statement's connection is busy as for open().
    bool adopt(std::unique_ptr<QSqlQuery> query);
    // Reads every remaining row into the cache and lets go of the server side (cursor,
    // transaction, pending rows), so the connection is free again.
    bool fetchAll();
    // Drops the rows and the server side.
    void close();
    // Reads up to maxRows further rows into rows without keeping them in the model, for readers
    // that walk a result once (an export): memory stays at one batch. The rows read by open()
    // are in the model already. Returns false on failure (lastError()); at the end it returns
    // true with no rows added and atEnd() set.
    bool readRows(int maxRows, std::vector<std::vector<QVariant>> &rows);

    bool isOpen() const { return m_open; }
    // True once the last row has been read.
    bool atEnd() const { return m_atEnd; }
    int batchSize() const { return m_batchSize; }
    void setBatchSize(int rows) { m_batchSize = rows > 0 ? rows : DefaultBatchSize; }
    // The error of the last open or fetch, invalid when it succeeded.
    const QSqlError &lastError() const { return m_lastError; }
    // The result's columns as the driver describes them.
    const QSqlRecord &record() const { return m_record; }
    QStringList fieldNames() const;
    // A column title other than the field name (the alias of the select item).
    void setColumnTitle(int column, const QString &title);
    // The server's id of the connection a MySQL/MariaDB result still streams on (for KILL QUERY
    // from another connection, so that closing it need not read the rest), else 0.
    qint64 streamingConnectionId() const;
    // The value of a cell read so far.
    QVariant value(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex &parent = QModelIndex()) override;

signals:
    // A batch after the first failed; the rows read so far stay.
    void fetchFailed(const QSqlError &error);

private:
    // Opens the stream with openStream and reads the first batch.
    bool start(const std::function<bool()> &openStream);
    // Reads up to maxRows rows into rows; sets m_atEnd at the end. Returns false on failure.
    bool readBatch(int maxRows, std::vector<std::vector<QVariant>> &rows);
    // Reads up to maxRows more rows into the model; on failure ends the result and tells
    // fetchFailed.
    bool appendBatch(int maxRows);
    // Ends the statement on the server (the stream's close()).
    void releaseServer();

    RecordStream m_stream;
    bool m_open = false;
    bool m_atEnd = true;
    int m_batchSize = DefaultBatchSize;
    QSqlRecord m_record;
    QStringList m_titles;
    QSqlError m_lastError;
    std::vector<std::vector<QVariant>> m_rows;
};

} // namespace kelvoran

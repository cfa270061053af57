// The records of a query read forward without keeping earlier ones: a forward-only query where
// the driver steps through its result (SQLite and most drivers), a server-side cursor fetched in
// batches on PostgreSQL (the QPSQL driver would hold a plain result whole in memory), the client
// library's row-by-row reading on MySQL/MariaDB (whose Qt driver stores every result whole, even
// forward-only ones). The report writers walk it record by record (next()), the result grid's
// model batch by batch (readRows()).
//
// The connection given to open() is busy until the result is read to its end or closed. At the
// end the stream lets go of the server side by itself (the cursor's transaction is committed,
// the client library's result freed, the query finished), so the connection is free again.
#pragma once

#include "db/dbkind.h"
#include "db/odbcexactvalues.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class QSqlQuery;

namespace kelvoran {

class RecordStream {
public:
    // How the rows are read from the server.
    enum class ReadMode { ForwardOnly, PostgresCursor, MySqlStream };

    // Rows per FETCH from a cursor unless setBatchSize() says otherwise.
    static constexpr int DefaultBatchSize = 2000;

    // The mode a report reads with: a cursor on PostgreSQL through QPSQL, the client library on
    // an open QMYSQL connection, forward-only elsewhere.
    static ReadMode readModeFor(const QSqlDatabase &db, DbKind kind);

    RecordStream();
    ~RecordStream();
    RecordStream(const RecordStream &) = delete;
    RecordStream &operator=(const RecordStream &) = delete;

    // Runs the statement, read as readModeFor() says; false on failure (error()).
    bool open(const QSqlDatabase &db, const QString &sql, DbKind kind);
    // Reads, forward only, the result of a statement already executed on its connection.
    void adopt(std::unique_ptr<QSqlQuery> query);
    // Runs the statement, read as mode says. A cursor's first batch is fetched here, so that an
    // error of its first rows fails the open. MySqlStream needs an open QMYSQL connection. A
    // failure leaves the stream closed (a cursor's transaction ended) with error() set.
    bool open(const QSqlDatabase &db, const QString &sql, ReadMode mode);
    // Rows per FETCH of a cursor, for open() and next(); set it before open().
    void setBatchSize(int rows) { m_batchSize = rows > 0 ? rows : DefaultBatchSize; }

    // Moves to the next record; false at the end or on failure (error() is then valid).
    bool next();
    // A field of the current record.
    QVariant value(int field) const;
    // Reads up to maxRows further records into rows, first those a cursor fetched in open()
    // (every field of each). False on failure (error()); at the end true with no rows added and
    // atEnd() set. A cursor fetches up to maxRows at a time here.
    bool readRows(int maxRows, std::vector<std::vector<QVariant>> &rows);
    // True once the last record has been read (or after a failure).
    bool atEnd() const { return m_atEnd; }

    int fieldCount() const { return m_record.count(); }
    QString fieldName(int field) const { return m_record.fieldName(field); }
    // The result's fields as the driver describes them.
    const QSqlRecord &record() const { return m_record; }
    const QSqlError &error() const { return m_error; }
    // The server's id of the connection a MySQL/MariaDB result still streams on (for KILL QUERY
    // from another connection, so that closing need not read the rest), else 0.
    qint64 streamingConnectionId() const;
    // Ends the statement: the rest of the rows is dropped, a cursor's transaction committed.
    void close();

private:
    bool openCursor(const QString &sql);
    bool openMySql(const QString &sql);
    // FETCHes up to rows rows of the cursor into into.
    bool fetch(int rows, std::vector<std::vector<QVariant>> &into);
    bool nextCursorRow();
    bool nextMySqlRow();
    bool nextQueryRow();
    // The current record's fields.
    std::vector<QVariant> currentRow() const;
    // Reached the end: the server side goes.
    void finishRows();
    void releaseServer();

    QSqlDatabase m_db;
    ReadMode m_mode = ReadMode::ForwardOnly;
    int m_batchSize = DefaultBatchSize;
    bool m_atEnd = true;
    // ForwardOnly
    std::unique_ptr<QSqlQuery> m_query;
    OdbcExactValues m_odbcValues;
    // PostgresCursor: the rows fetched and not yet handed over start at m_next.
    QString m_cursor;
    bool m_inTransaction = false;
    bool m_cursorDone = false;
    std::vector<std::vector<QVariant>> m_batch;
    size_t m_next = 0;
    size_t m_current = 0;
    // MySqlStream
    void *m_myConnection = nullptr; // MYSQL* of the QMYSQL driver
    void *m_myResult = nullptr;     // MYSQL_RES* being read
    std::vector<QMetaType> m_myTypes;
    std::vector<QVariant> m_myRow;

    QSqlRecord m_record;
    QSqlError m_error;
};

} // namespace kelvoran

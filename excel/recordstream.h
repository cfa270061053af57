// The records of a report's query, read forward one at a time without keeping earlier ones: a
// forward-only query where the driver steps through its result (SQLite and most drivers), a
// server-side cursor fetched in batches on PostgreSQL, the client library's row-by-row reading
// on MySQL/MariaDB (whose Qt driver would store the whole result).
#pragma once

#include "dbkind.h"

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
    RecordStream();
    ~RecordStream();
    RecordStream(const RecordStream &) = delete;
    RecordStream &operator=(const RecordStream &) = delete;

    // Runs the statement; false on failure (error()).
    bool open(const QSqlDatabase &db, const QString &sql, DbKind kind);
    // Moves to the next record; false at the end or on failure (error() is then valid).
    bool next();
    // A field of the current record.
    QVariant value(int field) const;
    int fieldCount() const { return m_record.count(); }
    QString fieldName(int field) const { return m_record.fieldName(field); }
    const QSqlError &error() const { return m_error; }
    // Ends the statement (closes the cursor and its transaction).
    void close();

private:
    bool fetchBatch();
    bool openMySql(void *mysql, const QString &sql);

    QSqlDatabase m_db;
    std::unique_ptr<QSqlQuery> m_query;
    QString m_cursor;
    bool m_inTransaction = false;
    bool m_cursorDone = false;
    std::vector<std::vector<QVariant>> m_batch;
    size_t m_pos = 0;
    bool m_usesCursor = false;
    bool m_started = false;
    void *m_myConnection = nullptr; // MYSQL* of the QMYSQL driver
    void *m_myResult = nullptr;     // MYSQL_RES* being read
    std::vector<QMetaType> m_myTypes;
    std::vector<QVariant> m_myRow;
    QSqlRecord m_record;
    QSqlError m_error;
};

} // namespace kelvoran

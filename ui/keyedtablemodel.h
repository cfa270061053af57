// KeyedTableModel: the rows of one table for the editable grid, written back only through the
// table's row key and only one row per statement.
//
// 1. open() finds the row key: the primary key, else the first unique key without expressions or
//    a condition (catalogs of SQLite, PostgreSQL and MySQL/MariaDB; other drivers report their
//    primary key only). A table without a key opens read-only, except a table of an Oracle
//    alias (one the dictionary lists as a table, so not a view): it is written through its
//    ROWID, selected as a hidden last column.
// 2. An edit of a stored row runs UPDATE ... WHERE <key = the stored values> in a transaction
//    and commits only when exactly one row was touched. The row is then read back, so the grid
//    shows what the database holds. A refused edit leaves the stored value in the grid.
// 3. Rows added by insertRows() stay pending (row header "*") until postPendingRows() inserts all
//    of them in one transaction; cancelPendingRows() drops them.
// 4. deleteRow() runs DELETE ... WHERE <key> under the same one-row rule.
// Every refused write is kept as lastFailure() and announced by writeFailed().
// UI thread only.
#pragma once

#include "db/dberror.h"
#include "db/dbkind.h"

#include <QHash>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStringList>
#include <QVariantList>

namespace kelvoran {

// Why a write was refused: the database's error, or this program's reason.
struct TableWriteFailure {
    DbError error;   // the database refused a statement (empty otherwise)
    QString message; // the one-row rule refused it (empty otherwise)
};

// The columns of a table's row key, primary key first (empty: none found).
QStringList findRowKey(const QSqlDatabase &db, const QString &table);

class KeyedTableModel : public QSqlTableModel {
    Q_OBJECT
public:
    // The kind decides whether a table without a key can be written through its ROWID.
    KeyedTableModel(const QSqlDatabase &db, DbKind kind, QObject *parent = nullptr);

    // The note shown for a table opened read-only.
    static QString readOnlyNote();

    // Finds the table's row key and selects its rows; false (lastError()) when the select fails.
    bool open(const QString &table);
    // No row key and no ROWID: nothing can be written.
    bool isReadOnly() const { return m_key.isEmpty() && !m_byRowId; }
    const QStringList &keyColumns() const { return m_key; }
    // Rows are found by the ROWID the select read with them (Oracle tables without a key).
    bool writesByRowId() const { return m_byRowId; }

    // The table's fields as the grid shows them: never the hidden ROWID.
    QSqlRecord record() const;
    QSqlRecord record(int row) const;

    // Rows added and not yet inserted into the table.
    bool hasPendingRows() const;
    bool isPendingRow(int row) const;
    // Inserts every pending row in one transaction; on failure none stays inserted and the
    // pending rows are kept.
    bool postPendingRows();
    // Drops the pending rows.
    void cancelPendingRows();
    // Deletes a stored row (a pending row is dropped).
    bool deleteRow(int row);
    // Selects the rows again (pending rows are dropped).
    bool refresh();

    // The last refused write.
    const TableWriteFailure &lastFailure() const { return m_failure; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

signals:
    // A write was refused (see lastFailure()).
    void writeFailed();

protected:
    QString selectStatement() const override;

private:
    enum class WriteKind { Update, Delete, Insert };
    struct Statement {
        QString sql;
        QVariantList values;
        WriteKind kind = WriteKind::Update;
        QSqlRecord keyRow; // the stored row the statement aims at (update, delete)
    };

    // The values the grid shows for a stored row (with its ROWID when written by it).
    QSqlRecord storedRow(int row) const;
    // The table's columns, then ROWID when written by it.
    QString selectList() const;
    QString quotedTable() const;
    QString quotedField(const QString &name) const;
    // "k1 = ? AND k2 IS NULL" for the key values of a row, with the values to bind.
    QString keyCondition(const QSqlRecord &row, QVariantList &values) const;
    Statement updateStatement(const QSqlRecord &stored, int column, const QVariant &value) const;
    Statement insertStatement(const QSqlRecord &row) const;
    // Runs the statements in one transaction, each touching exactly one row, and commits.
    bool writeRows(const std::vector<Statement> &statements);
    // Counts the rows a key condition matches (inside the running transaction).
    qint64 countMatching(const QSqlRecord &row);
    bool refuse(TableWriteFailure failure);
    // Reads a row back by its key after an update (the written values if it cannot be read).
    void readBack(int row, const QSqlRecord &written);

    DbKind m_kind;
    QStringList m_key;
    bool m_byRowId = false;
    QSqlRecord m_tableFields;          // the table's own columns; the ROWID follows them
    QHash<int, QSqlRecord> m_readBack; // stored rows read again after an update, by row
    TableWriteFailure m_failure;
};

} // namespace kelvoran

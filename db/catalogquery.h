// Runs catalog statements on one connection and hands back their rows as values, so the text
// builders work on plain data and can be tested without a database.
#pragma once

#include "db/dberror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace kelvoran::db {

// The rows of one catalog statement: column names and values by position.
class CatalogRows {
public:
    CatalogRows() = default;
    CatalogRows(QStringList columns, std::vector<QVariantList> rows);

    int count() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    const QStringList &columns() const { return m_columns; }
    // Column position by name, ignoring case; -1 when absent.
    int columnIndex(const QString &name) const;
    // A value as text, as the access layer renders it; NULL or a missing column read as "".
    QString text(int row, int column) const;
    // True when the value is NULL (or the column is missing).
    bool isNull(int row, int column) const;

private:
    QStringList m_columns;
    std::vector<QVariantList> m_rows;
};

// The catalog query of one connection: runs statements given as lines; a failure comes back as
// the database error stack shown to the user.
class CatalogQuery {
public:
    explicit CatalogQuery(QSqlDatabase database);

    // Sends the lines joined by line feeds and reads every row.
    DbResult<CatalogRows> run(const QStringList &lines);
    // The first column of every row of run(lines), in the order read.
    DbResult<QStringList> firstColumn(const QStringList &lines);
    // Every statement run so far, in order, as the line lists given.
    const std::vector<QStringList> &statements() const { return m_statements; }
    // The connection statements run on.
    const QSqlDatabase &database() const { return m_database; }

private:
    QSqlDatabase m_database;
    std::vector<QStringList> m_statements;
};

} // namespace kelvoran::db

// The rows of a PostgreSQL query read as COPY (query) TO STDOUT through libpq on the QPSQL
// driver's connection: the server's fastest way out, one text row per call, without a result
// object per row. Each value becomes the text displayText() gives for the value a RecordStream
// reads for it (numerics as the server wrote them, fractions of seconds to the digit).
#pragma once

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace kelvoran {

class PostgresCopyRows {
public:
    enum class Opened { Ok, NotApplicable, Failed };

    PostgresCopyRows();
    ~PostgresCopyRows();
    PostgresCopyRows(const PostgresCopyRows &) = delete;
    PostgresCopyRows &operator=(const PostgresCopyRows &) = delete;

    // Starts the copy of sql. NotApplicable: the connection is not a QPSQL one, or a column has a
    // type whose display text is not rebuilt here (the caller reads the rows the ordinary way).
    // Failed: the database refused the statement (error()).
    Opened open(const QSqlDatabase &db, const QString &sql);
    // The column names.
    const QStringList &fieldNames() const { return m_names; }
    // Reads the next row into texts (one display text per column). False at the end or on an
    // error (error() not empty).
    bool next(QStringList &texts);
    // The same as UTF-8 bytes, one per column (ASCII for everything but texts), without
    // decoding: for writers that work on encoded lines. The views hold until the next call.
    bool nextUtf8(std::vector<QByteArrayView> &fields);
    // Reads and drops the rows still coming and ends the copy; false on an error.
    bool finish();
    const QString &error() const { return m_error; }

private:
    // Ends the copy after PQgetCopyData returned lastLength (-1 done, -2 failed).
    void endCopy(int lastLength);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    QStringList m_names;
    QString m_error;
};

} // namespace kelvoran

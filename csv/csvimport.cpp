#include "csvimport.h"

#include "textfile.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <libpq-fe.h>
#include <mysql.h>

#include <memory>
#include <optional>
#include <vector>

namespace kelvoran {

namespace {

// Lines sent to the database in one bulk statement.
constexpr size_t kBatchLines = 10000;

// The records of one batch, each held as one line of the tab-separated bulk text that COPY
// (text format) and LOAD DATA (ESCAPED BY '\\') take as they are: UTF-8, "\N" for NULL, and
// backslash, tab, line feed and carriage return escaped with a backslash.
class ImportBatch {
public:
    void clear() {
        m_data.resize(0);
        m_starts.clear();
        m_lines.clear();
    }
    size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    qint64 line(size_t i) const { return m_lines[i]; }

    void beginRecord(qint64 line) {
        m_starts.push_back(m_data.size());
        m_lines.push_back(line);
        m_first = true;
    }
    void addNull() {
        separate();
        m_data += "\\N";
    }
    void addText(QStringView text) {
        separate();
        for (QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u >= 0x80) {
                appendUtf8(text.toUtf8());
                return;
            }
            appendByte(char(u));
        }
    }
    void endRecord() { m_data += '\n'; }

    // The records [from, to) as bulk text.
    QByteArrayView bytes(size_t from, size_t to) const {
        const qsizetype begin = m_starts[from];
        const qsizetype end = to < m_starts.size() ? m_starts[to] : m_data.size();
        return QByteArrayView(m_data.constData() + begin, end - begin);
    }

    // Record i's values again (nullopt for NULL), for the INSERT path.
    std::vector<std::optional<QString>> values(size_t i) const {
        std::vector<std::optional<QString>> out;
        const QByteArrayView record = bytes(i, i + 1);
        QByteArray field;
        bool isNull = false;
        auto push = [&] {
            out.push_back(isNull
                              ? std::nullopt
                              : std::optional<QString>(field.isEmpty() ? QStringLiteral("")
                                                                       : QString::fromUtf8(field)));
            field.resize(0);
            isNull = false;
        };
        for (qsizetype k = 0; k < record.size(); ++k) {
            const char c = record[k];
            if (c == '\t' || c == '\n') {
                push();
                continue;
            }
            if (c != '\\' || k + 1 >= record.size()) {
                field += c;
                continue;
            }
            const char e = record[++k];
            switch (e) {
            case 'N':
                isNull = true;
                break;
            case 't':
                field += '\t';
                break;
            case 'n':
                field += '\n';
                break;
            case 'r':
                field += '\r';
                break;
            default:
                field += e;
            }
        }
        return out;
    }

private:
    void separate() {
        if (!m_first)
            m_data += '\t';
        m_first = false;
        m_fieldStart = m_data.size();
    }
    void appendByte(char c) {
        switch (c) {
        case '\\':
            m_data += "\\\\";
            break;
        case '\t':
            m_data += "\\t";
            break;
        case '\n':
            m_data += "\\n";
            break;
        case '\r':
            m_data += "\\r";
            break;
        default:
            m_data += c;
        }
    }
    void appendUtf8(const QByteArray &utf8) {
        // Called from addText() at the first non-ASCII character: the field starts over.
        m_data.truncate(m_fieldStart);
        for (char c : utf8)
            appendByte(c);
    }

    QByteArray m_data;
    std::vector<qsizetype> m_starts;
    std::vector<qint64> m_lines;
    bool m_first = true;
    qsizetype m_fieldStart = 0;
};

// The destination table's columns in table order.
struct TableColumns {
    QStringList names;        // as the driver reports them
    QStringList quotedNames;  // escaped for statements
    std::vector<bool> isText; // text (and byte) columns keep an empty text; others get NULL
};

// What one attempt to store records [from, to) did. Records [from, from + stored) are stored
// for good. When failed, the record at from + stored failed (exact) or some record in the rest
// failed (not exact; hint: the database's guess, an index into the records).
struct StoreResult {
    size_t stored = 0;
    bool failed = false;
    bool exact = false;
    QString message;
    std::optional<size_t> hint;
};

QString sqlErrorText(const QSqlError &error) {
    const QString db = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (db.isEmpty())
        return driver;
    if (driver.isEmpty() || db.contains(driver))
        return db;
    return db + QLatin1Char(' ') + driver;
}

// Stores records; the bulk paths store a range all or nothing.
class ImportSink {
public:
    virtual ~ImportSink() = default;
    virtual StoreResult store(const ImportBatch &batch, size_t from, size_t to) = 0;
};

// Prepared INSERTs in a transaction per range. A failing INSERT ends the range: the rows before
// it are committed (a failed statement leaves the earlier ones of its transaction in place on
// the engines this runs on; on a table without transactions they are stored anyway).
class InsertSink : public ImportSink {
public:
    InsertSink(const QSqlDatabase &db, const QString &table, const TableColumns &columns)
        : m_db(db), m_query(db), m_columns(int(columns.names.size())) {
        QString sql = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                      columns.quotedNames.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (");
        for (int c = 0; c < m_columns; ++c)
            sql += c == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
        sql += QLatin1Char(')');
        m_sql = sql;
    }

    StoreResult store(const ImportBatch &batch, size_t from, size_t to) override {
        StoreResult r;
        if (!m_prepared) {
            if (!m_query.prepare(m_sql)) {
                r.failed = true;
                r.message = sqlErrorText(m_query.lastError());
                return r;
            }
            m_prepared = true;
        }
        const bool inTransaction = m_db.transaction();
        const QVariant null = QVariant(QMetaType::fromType<QString>());
        for (size_t i = from; i < to; ++i) {
            const std::vector<std::optional<QString>> values = batch.values(i);
            for (int c = 0; c < m_columns; ++c) {
                const std::optional<QString> &v = values[size_t(c)];
                m_query.bindValue(c, v ? QVariant(*v) : null);
            }
            if (!m_query.exec()) {
                r.failed = true;
                r.exact = true;
                r.stored = i - from;
                r.message = sqlErrorText(m_query.lastError());
                if (inTransaction && !m_db.commit()) {
                    m_db.rollback();
                    r.stored = 0;
                    r.exact = false;
                }
                return r;
            }
        }
        if (inTransaction && !m_db.commit()) {
            r.failed = true;
            r.message = sqlErrorText(m_db.lastError());
            m_db.rollback();
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    QSqlDatabase m_db;
    QSqlQuery m_query;
    int m_columns;
    QString m_sql;
    bool m_prepared = false;
};

// The native handle of a Qt driver, when it has the given C type.
template <class T> T *nativeHandle(const QSqlDatabase &db, const char *name, const char *alt) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), name) != 0 && qstrcmp(handle.typeName(), alt) != 0))
        return nullptr;
    return *static_cast<T *const *>(handle.constData());
}

// COPY ... FROM STDIN through libpq on the QPSQL driver's connection; one COPY per range, which
// the server stores all or nothing.
class PostgresCopySink : public ImportSink {
public:
    PostgresCopySink(PGconn *conn, const QString &table, const TableColumns &columns)
        : m_conn(conn) {
        m_copy = (QStringLiteral("COPY ") + table + QStringLiteral(" (") +
                  columns.quotedNames.join(QStringLiteral(", ")) + QStringLiteral(") FROM STDIN"))
                     .toUtf8();
    }

    StoreResult store(const ImportBatch &batch, size_t from, size_t to) override {
        StoreResult r;
        PGresult *res = PQexec(m_conn, m_copy.constData());
        if (PQresultStatus(res) != PGRES_COPY_IN) {
            r.failed = true;
            r.message = resultMessage(res);
            PQclear(res);
            return r;
        }
        PQclear(res);
        const QByteArrayView data = batch.bytes(from, to);
        bool sent = true;
        for (qsizetype at = 0; at < data.size() && sent; at += (1 << 20)) {
            const int n = int(std::min<qsizetype>(1 << 20, data.size() - at));
            sent = PQputCopyData(m_conn, data.constData() + at, n) == 1;
        }
        PQputCopyEnd(m_conn, sent ? nullptr : "client failed to send the data");
        bool ok = sent;
        QString message;
        while (PGresult *end = PQgetResult(m_conn)) {
            if (PQresultStatus(end) != PGRES_COMMAND_OK) {
                ok = false;
                if (message.isEmpty()) {
                    message = resultMessage(end);
                    // "COPY t, line 5, column a: ..." names the failing record.
                    static const QRegularExpression lineRe(QStringLiteral("line (\\d+)"));
                    const QRegularExpressionMatch m =
                        lineRe.match(QString::fromUtf8(PQresultErrorField(end, PG_DIAG_CONTEXT)));
                    if (m.hasMatch()) {
                        const size_t at = from + m.captured(1).toULongLong() - 1;
                        if (at >= from && at < to)
                            r.hint = at;
                    }
                }
            }
            PQclear(end);
        }
        if (!ok) {
            r.failed = true;
            r.message =
                message.isEmpty() ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : message;
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    static QString resultMessage(const PGresult *res) {
        const char *primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        if (primary)
            return QString::fromUtf8(primary);
        return QString::fromUtf8(res ? PQresultErrorMessage(res) : "").trimmed();
    }

    PGconn *m_conn;
    QByteArray m_copy;
};

// LOAD DATA LOCAL INFILE through libmariadb on the QMYSQL driver's connection, reading the
// range from memory, in a transaction. The server turns bad values and duplicate keys of a
// LOCAL load into warnings instead of errors, so a warning fails the range (it is rolled back);
// a single record goes through an INSERT, whose errors are the server's own.
class MySqlLoadSink : public ImportSink {
public:
    MySqlLoadSink(MYSQL *mysql, const QSqlDatabase &db, const QString &table,
                  const TableColumns &columns)
        : m_mysql(mysql), m_single(db, table, columns) {
        m_load =
            (QStringLiteral("LOAD DATA LOCAL INFILE 'kelvoran-csv-import' INTO TABLE ") + table +
             QStringLiteral(" CHARACTER SET utf8mb4 FIELDS TERMINATED BY '\\t' ESCAPED BY "
                            "'\\\\' LINES TERMINATED BY '\\n' (") +
             columns.quotedNames.join(QStringLiteral(", ")) + QLatin1Char(')'))
                .toUtf8();
    }

    StoreResult store(const ImportBatch &batch, size_t from, size_t to) override {
        if (to - from == 1 || m_localRefused)
            return m_single.store(batch, from, to);
        StoreResult r;
        m_data = batch.bytes(from, to);
        m_pos = 0;
        if (!query("START TRANSACTION")) {
            r.failed = true;
            r.message = errorText();
            return r;
        }
        mysql_set_local_infile_handler(m_mysql, &MySqlLoadSink::infileInit,
                                       &MySqlLoadSink::infileRead, &MySqlLoadSink::infileEnd,
                                       &MySqlLoadSink::infileError, this);
        const bool loaded = query(m_load.constData());
        mysql_set_local_infile_default(m_mysql);
        if (!loaded) {
            const unsigned int code = mysql_errno(m_mysql);
            r.failed = true;
            r.message = errorText();
            query("ROLLBACK");
            // 1148/4166: the server refuses LOCAL loads; 2068: the client does. The rows then go
            // through INSERTs.
            if (code == 1148 || code == 4166 || code == 2068) {
                m_localRefused = true;
                return m_single.store(batch, from, to);
            }
            return r;
        }
        const my_ulonglong affected = mysql_affected_rows(m_mysql);
        if (mysql_warning_count(m_mysql) > 0)
            readWarnings(from, to, r);
        if (!r.failed && affected != my_ulonglong(to - from)) {
            r.failed = true;
            r.message =
                QStringLiteral("%1件中%2件しか格納されませんでした。").arg(to - from).arg(affected);
        }
        if (r.failed) {
            query("ROLLBACK");
            return r;
        }
        if (!query("COMMIT")) {
            r.failed = true;
            r.message = errorText();
            query("ROLLBACK");
            return r;
        }
        r.stored = to - from;
        return r;
    }

private:
    bool query(const char *sql) {
        return mysql_real_query(m_mysql, sql, static_cast<unsigned long>(qstrlen(sql))) == 0;
    }
    QString errorText() const { return QString::fromUtf8(mysql_error(m_mysql)); }

    // A "Warning" or "Error" fails the range ("Note"s do not); "at row n" names the record.
    void readWarnings(size_t from, size_t to, StoreResult &r) {
        if (!query("SHOW WARNINGS"))
            return;
        MYSQL_RES *res = mysql_store_result(m_mysql);
        if (!res)
            return;
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            const QString level = QString::fromUtf8(row[0] ? row[0] : "");
            if (level == u"Note")
                continue;
            r.failed = true;
            r.message = QString::fromUtf8(row[2] ? row[2] : "");
            static const QRegularExpression rowRe(QStringLiteral("at row (\\d+)"));
            const QRegularExpressionMatch m = rowRe.match(r.message);
            if (m.hasMatch()) {
                const size_t at = from + m.captured(1).toULongLong() - 1;
                if (at >= from && at < to)
                    r.hint = at;
            }
            break;
        }
        mysql_free_result(res);
    }

    static int infileInit(void **ptr, const char *, void *userdata) {
        *ptr = userdata;
        return 0;
    }
    static int infileRead(void *ptr, char *buf, unsigned int length) {
        auto *self = static_cast<MySqlLoadSink *>(ptr);
        const qsizetype n =
            std::min<qsizetype>(qsizetype(length), self->m_data.size() - self->m_pos);
        memcpy(buf, self->m_data.constData() + self->m_pos, size_t(n));
        self->m_pos += n;
        return int(n);
    }
    static void infileEnd(void *) {}
    static int infileError(void *, char *, unsigned int) { return 0; }

    MYSQL *m_mysql;
    InsertSink m_single;
    QByteArray m_load;
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_localRefused = false;
};

// SQLite decides by the declared type's affinity: only INTEGER, REAL and NUMERIC affinities
// convert texts, the others store them as they are.
bool isSqliteTextType(const QString &declared) {
    const QString t = declared.toUpper();
    if (t.contains(QStringLiteral("INT")))
        return false;
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT")) || t.contains(QStringLiteral("BLOB")) || t.isEmpty())
        return true;
    return false; // REAL, FLOA, DOUB and everything else (NUMERIC affinity)
}

// The LOAD DATA path rolls a failed range back, which only a transactional table can do; on
// any other table (MyISAM, Aria, a view) the rows go through INSERTs that stop at the failing
// one.
bool isInnoDbTable(const QSqlDatabase &db, const QString &table) {
    QString schema, name = table;
    const qsizetype dot = table.lastIndexOf(u'.');
    if (dot >= 0) {
        schema = table.left(dot);
        name = table.mid(dot + 1);
    }
    auto unquote = [](QString t) {
        t = t.trimmed();
        if (t.size() >= 2 && t.startsWith(u'`') && t.endsWith(u'`'))
            t = t.mid(1, t.size() - 2);
        return t;
    };
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = ") +
              (schema.isEmpty() ? QStringLiteral("DATABASE()") : QStringLiteral("?")) +
              QStringLiteral(" AND TABLE_NAME = ?"));
    if (!schema.isEmpty())
        q.addBindValue(unquote(schema));
    q.addBindValue(unquote(name));
    return q.exec() && q.next() &&
           q.value(0).toString().compare(QStringLiteral("InnoDB"), Qt::CaseInsensitive) == 0;
}

bool isTextType(const QSqlField &field) {
    const int id = field.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::Char ||
           id == QMetaType::UnknownType;
}

// Stores records and, when a range fails, finds its first failing record: the records before
// it stay stored, the records after it are not. Returns the index of the failing record with
// the database's message, or nothing when everything was stored.
struct FirstFailure {
    size_t index;
    QString message;
};

constexpr size_t kNoHint = size_t(-1);

std::optional<FirstFailure> storeAll(ImportSink &sink, const ImportBatch &records) {
    size_t lo = 0;
    const size_t end = records.size();
    while (lo < end) {
        StoreResult r = sink.store(records, lo, end);
        if (!r.failed)
            return std::nullopt;
        lo += r.stored;
        if (r.exact)
            return FirstFailure{lo, r.message};
        // [lo, hi) holds a failing record; narrow it down, storing the good part before it.
        size_t hi = end;
        size_t failedFrom = lo, failedTo = hi; // the range the message belongs to
        QString message = r.message;
        size_t hint = r.hint.value_or(kNoHint);
        bool resumed = false;
        while (!resumed) {
            if (hi - lo == 1) {
                if (failedFrom == lo && failedTo == hi)
                    return FirstFailure{lo, message};
                const StoreResult single = sink.store(records, lo, hi);
                if (single.failed && single.stored == 0)
                    return FirstFailure{lo, single.message};
                // The record went in alone: the failure was not its own. Go on after it.
                lo = hi;
                resumed = true;
                break;
            }
            size_t mid = lo + (hi - lo) / 2;
            if (hint != kNoHint && hint > lo && hint < hi)
                mid = hint;
            else if (hint == lo)
                mid = lo + 1;
            hint = kNoHint;
            const StoreResult part = sink.store(records, lo, mid);
            if (!part.failed) {
                lo = mid;
            } else {
                lo += part.stored;
                if (part.exact)
                    return FirstFailure{lo, part.message};
                hi = mid;
                failedFrom = lo;
                failedTo = hi;
                message = part.message;
                hint = part.hint.value_or(kNoHint);
            }
        }
    }
    return std::nullopt;
}

Error lineError(qint64 line, const QString &message, const StepCode &step) {
    return Error{QStringLiteral("%1行目: %2").arg(line).arg(message), step.text()};
}

} // namespace

Result<CsvImportResult> importCsv(const QSqlDatabase &db, const CsvOptions &options,
                                  const QString &table, const QString &path, StepCode &step,
                                  const CsvProgress &progress) {
    step.set("IC_350004");
    const QString tableName = table.trimmed();
    const QSqlRecord record = tableName.isEmpty() ? QSqlRecord() : db.record(tableName);
    if (record.isEmpty())
        return Error{QStringLiteral("テーブル「%1」を開けません。").arg(table), step.text()};
    TableColumns columns;
    for (int c = 0; c < record.count(); ++c) {
        const QSqlField field = record.field(c);
        columns.names << field.name();
        columns.quotedNames << db.driver()->escapeIdentifier(field.name(), QSqlDriver::FieldName);
        columns.isText.push_back(isTextType(field));
    }
    if (db.driverName() == u"QSQLITE") {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info(") + tableName + QLatin1Char(')'))) {
            for (int c = 0; info.next() && c < int(columns.isText.size()); ++c)
                columns.isText[size_t(c)] = isSqliteTextType(info.value(2).toString());
        }
    }
    const size_t columnCount = size_t(columns.names.size());

    std::unique_ptr<ImportSink> sink;
    if (db.driverName() == u"QPSQL") {
        if (PGconn *conn = nativeHandle<PGconn>(db, "PGconn*", "pg_conn*"))
            sink = std::make_unique<PostgresCopySink>(conn, tableName, columns);
    } else if (db.driverName() == u"QMYSQL" && isInnoDbTable(db, tableName)) {
        if (MYSQL *mysql = nativeHandle<MYSQL>(db, "MYSQL*", "st_mysql*")) {
            unsigned int on = 1;
            mysql_options(mysql, MYSQL_OPT_LOCAL_INFILE, &on);
            sink = std::make_unique<MySqlLoadSink>(mysql, db, tableName, columns);
        }
    }
    if (!sink)
        sink = std::make_unique<InsertSink>(db, tableName, columns);

    step.set("IC_350005");
    TextFileReader reader(path);
    if (Status st = reader.open(); !st)
        return Error{st.error().message, step.text()};

    CsvImportResult result;
    const QString separator = options.effectiveSeparator();
    const BlankRule rule = options.rule();
    ImportBatch pending;

    auto flush = [&]() -> std::optional<Error> {
        if (pending.empty())
            return std::nullopt;
        step.set("IC_350008", {int(pending.line(0))});
        const std::optional<FirstFailure> failure = storeAll(*sink, pending);
        if (failure) {
            const qint64 failedLine = pending.line(failure->index);
            step.set("IC_350008", {int(failedLine)});
            result.recordsInserted += qint64(failure->index);
            pending.clear();
            return lineError(failedLine, failure->message, step);
        }
        result.recordsInserted += qint64(pending.size());
        pending.clear();
        return std::nullopt;
    };

    QString line;
    if (options.headingLine) {
        step.set("IC_350006");
        reader.readLine(line);
    }
    std::vector<QStringView> fields;
    std::vector<std::optional<QStringView>> values;
    while (reader.readLine(line)) {
        const qint64 lineNumber = reader.lineNumber();
        ++result.linesProcessed;
        if (progress)
            progress(lineNumber, 0);
        splitCsvLineViews(line, separator, fields);
        if (fields.size() > columnCount) {
            if (std::optional<Error> e = flush())
                return *e;
            step.set("IC_350007", {int(lineNumber)});
            return lineError(
                lineNumber,
                QStringLiteral("項目数（%1）がテーブル「%2」の列数（%3）を超えています。")
                    .arg(fields.size())
                    .arg(tableName)
                    .arg(columnCount),
                step);
        }
        values.clear();
        bool anySet = false;
        for (QStringView f : fields) {
            values.push_back(blankRuleView(f, rule));
            anySet = anySet || values.back().has_value();
        }
        // A record with nothing set (an empty line under rule 0) is not stored.
        if (!anySet)
            continue;
        pending.beginRecord(lineNumber);
        for (size_t c = 0; c < columnCount; ++c) {
            const std::optional<QStringView> v = c < values.size() ? values[c] : std::nullopt;
            // An empty text is NULL to a column that is not text, and stays text otherwise.
            if (!v || (v->isEmpty() && !columns.isText[c]))
                pending.addNull();
            else
                pending.addText(*v);
        }
        pending.endRecord();
        if (pending.size() >= kBatchLines)
            if (std::optional<Error> e = flush())
                return *e;
    }
    if (reader.error()) {
        if (std::optional<Error> e = flush())
            return *e;
        step.set("IC_350007", {reader.lineNumber()});
        return Error{reader.error()->message, step.text()};
    }
    if (std::optional<Error> e = flush())
        return *e;
    step.set("IC_350010");
    return result;
}

QString csvImportProgressText(qint64 line) {
    return QStringLiteral("CSVデータImport中… [%1]").arg(line);
}

QString csvImportDoneText(qint64 lines) {
    return QStringLiteral("CSVデータImport [%1]").arg(lines);
}

} // namespace kelvoran

// Appending records to a table in bulk, through the client libraries under the Qt drivers'
// handles where they have a bulk path: COPY ... FROM STDIN through libpq on PostgreSQL, LOAD DATA
// LOCAL INFILE through libmariadb on MariaDB/MySQL (InnoDB tables), prepared INSERTs in a
// transaction elsewhere.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

namespace kelvoran {

// The records of one batch, each held as one line of the tab-separated bulk text that COPY
// (text format) and LOAD DATA (ESCAPED BY '\\') take as they are: UTF-8, "\N" for NULL, and
// backslash, tab, line feed and carriage return escaped with a backslash.
class BulkRecords {
public:
    void clear() {
        m_data.resize(0);
        m_starts.clear();
        m_lines.clear();
    }
    size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    // The line number record i was given (where it came from, for messages).
    qint64 line(size_t i) const { return m_lines[i]; }

    // A record is begun with its line number, given its fields in column order and ended.
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

// What one attempt to store records [from, to) did. Records [from, from + stored) are stored
// for good. When failed, the record at from + stored failed (exact) or some record in the rest
// failed (not exact; hint: the database's guess, an index into the records).
struct BulkStoreResult {
    size_t stored = 0;
    bool failed = false;
    bool exact = false;
    QString message;
    std::optional<size_t> hint;
};

// Stores records into one table; the bulk paths store a range all or nothing.
class BulkLoader {
public:
    virtual ~BulkLoader() = default;
    // Stores records [from, to) of records.
    virtual BulkStoreResult store(const BulkRecords &records, size_t from, size_t to) = 0;

    // The loader for table on db, whose columns (in table order, escaped for statements) every
    // record fills: COPY on a QPSQL connection, LOAD DATA LOCAL on a QMYSQL connection to an
    // InnoDB table (other tables cannot roll a failed range back), INSERTs otherwise.
    static std::unique_ptr<BulkLoader> open(const QSqlDatabase &db, const QString &table,
                                            const QStringList &quotedColumns);
};

} // namespace kelvoran

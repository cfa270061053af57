#include "csv/csvimport.h"

#include "core/textfile.h"
#include "db/bulkload.h"

#include <QFile>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>
#include <optional>
#include <vector>

namespace kelvoran {

namespace {

// Lines sent to the database in one bulk statement.
constexpr size_t kBatchLines = 10000;

// The destination table's columns in table order.
struct TableColumns {
    QStringList names;        // as the driver reports them
    QStringList quotedNames;  // escaped for statements
    std::vector<bool> isText; // text (and byte) columns keep an empty text; others get NULL
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

std::optional<FirstFailure> storeAll(BulkLoader &sink, const BulkRecords &records) {
    size_t lo = 0;
    const size_t end = records.size();
    while (lo < end) {
        BulkStoreResult r = sink.store(records, lo, end);
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
                const BulkStoreResult single = sink.store(records, lo, hi);
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
            const BulkStoreResult part = sink.store(records, lo, mid);
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

// A UTF-8 byte-order mark decodes as Shift_JIS into a kanji and a katakana without any error,
// so a UTF-8 file would be stored as garbled text instead of being refused.
bool startsWithUtf8Bom(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(3) == QByteArrayLiteral("\xEF\xBB\xBF");
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

    const std::unique_ptr<BulkLoader> sink = BulkLoader::open(db, tableName, columns.quotedNames);

    step.set("IC_350005");
    TextFileReader reader(path);
    if (Status st = reader.open(); !st)
        return Error{st.error().message, step.text()};
    if (startsWithUtf8Bom(path))
        return Error{QStringLiteral("ファイル「%1」は UTF-8（BOM付き）で保存されています。"
                                    "Shift_JIS で保存したファイルを指定してください。")
                         .arg(path),
                     step.text()};

    CsvImportResult result;
    const QString separator = options.effectiveSeparator();
    const BlankRule rule = options.rule();
    BulkRecords pending;

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

    // One record: a line, or several when a quoted value holds line breaks (joined with the
    // line ends the file has). 1 a record, 0 the end or a read failure, -1 a record that cannot
    // be split (recordFault).
    QString line, recordText;
    std::vector<QStringView> fields;
    std::vector<QString> unquoted;
    QString recordFault;
    qint64 recordLine = 0;
    // A NUL byte would cut the value short in the database (or be stored where no tool shows
    // it): the line holding one is a bad line.
    auto holdsNul = [&](const QString &text) {
        if (!text.contains(QChar(u'\0')))
            return false;
        recordLine = reader.lineNumber();
        recordFault = QStringLiteral("NUL 文字（0x00）が含まれています。");
        return true;
    };
    auto readRecord = [&]() -> int {
        if (!reader.readLine(recordText))
            return 0;
        recordLine = reader.lineNumber();
        if (holdsNul(recordText))
            return -1;
        unquoted.clear();
        for (;;) {
            const CsvRecordState state =
                splitCsvRecordViews(recordText, separator, fields, unquoted);
            if (state == CsvRecordState::Complete)
                return 1;
            if (state == CsvRecordState::Malformed) {
                recordFault =
                    QStringLiteral("引用符（\"）で囲まれた項目の後に区切り文字がありません。");
                return -1;
            }
            const QString lineEnd = reader.lastLineEnd();
            if (lineEnd.isEmpty() || !reader.readLine(line)) {
                if (reader.error())
                    return 0;
                recordFault = QStringLiteral(
                    "引用符（\"）で始まる項目がファイルの終わりまで閉じていません。");
                return -1;
            }
            if (holdsNul(line))
                return -1;
            recordText += lineEnd;
            recordText += line;
            unquoted.clear();
        }
    };

    if (options.headingLine) {
        step.set("IC_350006");
        if (readRecord() < 0)
            return lineError(recordLine, recordFault, step);
    }
    std::vector<std::optional<QStringView>> values;
    for (;;) {
        const int got = readRecord();
        if (got == 0)
            break;
        const qint64 lineNumber = recordLine;
        if (got < 0) {
            if (std::optional<Error> e = flush())
                return *e;
            step.set("IC_350007", {int(lineNumber)});
            return lineError(lineNumber, recordFault, step);
        }
        ++result.linesProcessed;
        if (progress)
            progress(lineNumber, 0);
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

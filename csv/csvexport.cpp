#include "csv/csvexport.h"

#include "core/displaytext.h"
#include "core/textfile.h"
#include "db/dberror.h"
#include "db/postgrescopyrows.h"
#include "db/querytext.h"
#include "db/resultmodel.h"
#include "db/rowcount.h"

#include <QFileInfo>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>

namespace kelvoran {

namespace {

// Rows read from the server per round trip; memory holds one batch.
constexpr int kReadBatch = 5000;
// The name of the counted statement where a subquery in FROM needs one.
const QString kCountName = QStringLiteral("kelvoran_count");

Error failure(const QString &message, const StepCode &step) {
    return Error{message, step.text()};
}

// The rows of the statement: COUNT(*) over it (over the table), on MySQL by running the
// statement itself; a failed COUNT wrapper on an open connection falls back to running the
// statement.
Result<qint64> countRows(const QSqlDatabase &db, DbKind kind, const QStringList &statement,
                         const QString &table, StepCode &step) {
    CountRequest request;
    request.kind = kind;
    if (table.isEmpty())
        request.statementLines = statement;
    else
        request.table = table;
    request.subqueryName = kCountName;
    request.fallback = CountFallback::WhileOpen;
    const CountResult counted = countQueryRows(db, request, [&step](CountStage stage) {
        if (stage == CountStage::Wrapper)
            step.set("EC_360004");
        else if (stage != CountStage::Counted)
            step.set("EC_360005");
    });
    if (counted.count)
        return *counted.count;
    return failure(sqlErrorText(counted.error), step);
}

ResultModel::ReadMode readModeOf(const QSqlDatabase &db) {
    if (db.driverName() == u"QPSQL")
        return ResultModel::ReadMode::PostgresCursor;
    if (db.driverName() == u"QMYSQL")
        return ResultModel::ReadMode::MySqlStream;
    return ResultModel::ReadMode::ForwardOnly;
}

// Why a line could not be written, named by its row and column: a character that Shift_JIS
// cannot hold. Empty when no single value is to blame.
QString valueFault(const QString &path, const QStringList &texts, const QStringList &names,
                   qint64 row, qint64 line) {
    for (int c = 0; c < texts.size(); ++c) {
        const QString &t = texts[c];
        const QString where = QStringLiteral("%1 の %2行目（データ%3行目）の項目「%4」")
                                  .arg(QFileInfo(path).fileName())
                                  .arg(line)
                                  .arg(row)
                                  .arg(names.value(c));
        if (encodeShiftJis(t))
            continue;
        // The first character (code point) that does not encode.
        const QList<uint> points = t.toUcs4();
        for (uint cp : points) {
            const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&cp), 1);
            if (!encodeShiftJis(ch))
                return where +
                       QStringLiteral("に Shift_JIS で表せない文字「%1」(U+%2) があります。")
                           .arg(ch, QString::number(cp, 16).toUpper().rightJustified(
                                        4, QLatin1Char('0')));
        }
        return where + QStringLiteral("を Shift_JIS で表せません。");
    }
    return QString();
}

} // namespace

Result<CsvExportResult> exportCsv(const QSqlDatabase &db, DbKind kind,
                                  const CsvExportSource &source, const CsvOptions &options,
                                  const QString &path, StepCode &step,
                                  const CsvProgress &progress) {
    step.set("EC_360003");
    const QString separator = options.effectiveSeparator();
    const bool ofTable = source.statementLines.isEmpty();
    if (ofTable && source.tableName.trimmed().isEmpty())
        return failure(QStringLiteral("出力するSQLまたはテーブルがありません。"), step);
    const QStringList statement =
        ofTable ? QStringList{QStringLiteral("SELECT * FROM ") + source.tableName}
                : source.statementLines;

    const Result<qint64> counted =
        countRows(db, kind, statement, ofTable ? source.tableName : QString(), step);
    if (!counted)
        return counted.error();
    const qint64 count = *counted;

    step.set("EC_360006");
    // PostgreSQL: the rows come as COPY output where every column has a type whose display
    // text is rebuilt from the server's text; otherwise (and for other databases) through the
    // result model's streaming reader.
    const QString sql = statementText(statement);
    PostgresCopyRows copyRows;
    const PostgresCopyRows::Opened copyOpened = copyRows.open(db, sql);
    if (copyOpened == PostgresCopyRows::Opened::Failed)
        return failure(copyRows.error(), step);
    const bool copying = copyOpened == PostgresCopyRows::Opened::Ok;
    ResultModel model;
    model.setBatchSize(kReadBatch);
    if (!copying && !model.open(db, sql, readModeOf(db)))
        return failure(sqlErrorText(model.lastError()), step);
    const QStringList names = copying ? copyRows.fieldNames() : model.fieldNames();
    const int columns = int(names.size());

    // The next row's display texts: 1 a row, 0 the end, -1 a read error (readError).
    std::vector<std::vector<QVariant>> batch;
    size_t next = 0;
    const int cached = copying ? 0 : model.rowCount(); // the first batch, read by open()
    int cacheRow = 0;
    QString readError;
    auto nextRow = [&](QStringList &texts) -> int {
        if (copying) {
            if (copyRows.next(texts))
                return 1;
            readError = copyRows.error();
            return readError.isEmpty() ? 0 : -1;
        }
        texts.resize(columns);
        if (cacheRow < cached) {
            for (int c = 0; c < columns; ++c)
                texts[c] = displayText(model.value(cacheRow, c));
            ++cacheRow;
            return 1;
        }
        if (next >= batch.size()) {
            batch.clear();
            next = 0;
            if (!model.readRows(kReadBatch, batch)) {
                readError = sqlErrorText(model.lastError());
                return -1;
            }
            if (batch.empty())
                return 0;
        }
        const std::vector<QVariant> &row = batch[next++];
        for (int c = 0; c < columns; ++c)
            texts[c] = displayText(row[size_t(c)]);
        return 1;
    };

    step.set("EC_360007");
    TextFileWriter writer(path);
    if (Status st = writer.open(); !st)
        return failure(st.error().message, step);

    CsvExportResult result;
    result.path = path;
    result.countedRows = count;
    result.headingLine = options.headingLine;
    const qint64 total = count + (options.headingLine ? 1 : 0);
    qint64 line = 0;
    if (options.headingLine) {
        step.set("EC_360008");
        ++line;
        if (progress)
            progress(line, total);
        if (Status st = writer.writeLine(joinCsvFields(names, separator),
                                         TextFileWriter::InnerBreaks::Allowed);
            !st)
            return failure(st.error().message, step);
    }

    // COPY rows with an ASCII separator are assembled as bytes: numbers, dates and ASCII texts
    // are the same in UTF-8 and Shift_JIS, so only a row with other characters is decoded and
    // encoded again.
    const QByteArray asciiSeparator = separator.toLatin1();
    const bool bytePath =
        copying && !separator.isEmpty() &&
        std::all_of(separator.begin(), separator.end(), [](QChar c) { return c.unicode() < 0x80; });
    std::vector<QByteArrayView> utf8;
    QByteArray encoded;

    // The loop is driven by the count taken before it; when the data end earlier, it stops
    // with what was written.
    QStringList texts;
    QString text;
    while (result.dataRows < count) {
        int got;
        if (bytePath) {
            got = copyRows.nextUtf8(utf8) ? 1 : 0;
            readError = copyRows.error();
            if (!got && !readError.isEmpty())
                got = -1;
        } else {
            got = nextRow(texts);
        }
        if (got < 0) {
            step.set("EC_360009", {int(result.dataRows + 1)});
            return failure(readError, step);
        }
        if (got == 0)
            break; // fewer rows than counted
        ++line;
        if (progress)
            progress(line, total);
        bool ascii = false;
        if (bytePath) {
            // Room for every field quoted with each byte doubled, written in place.
            qsizetype room = columns * (asciiSeparator.size() + 2);
            for (QByteArrayView f : utf8)
                room += 2 * f.size();
            encoded.resize(room); // keeps the storage of the last line
            char *out = encoded.data();
            for (int c = 0; c < columns && out; ++c) {
                if (c > 0) {
                    std::memcpy(out, asciiSeparator.constData(), size_t(asciiSeparator.size()));
                    out += asciiSeparator.size();
                }
                out = writeAsciiCsvField(out, utf8[size_t(c)], asciiSeparator);
            }
            ascii = out != nullptr;
            if (ascii) {
                encoded.resize(out - encoded.constData());
            } else {
                texts.resize(columns);
                for (int c = 0; c < columns; ++c)
                    texts[c] = QString::fromUtf8(utf8[size_t(c)]);
            }
        }
        ++result.dataRows;
        Status st;
        if (ascii) {
            st = writer.writeEncodedLine(encoded);
        } else {
            text.resize(0); // keeps the storage of the last line
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    text += separator;
                appendCsvField(text, texts[c], separator);
            }
            st = writer.writeLine(text, TextFileWriter::InnerBreaks::Allowed);
        }
        if (!st) {
            step.set("EC_360010", {int(result.dataRows)});
            const QString fault =
                ascii ? QString() : valueFault(path, texts, names, result.dataRows, line);
            return failure(fault.isEmpty() ? st.error().message : fault, step);
        }
    }
    if (copying && !copyRows.finish()) {
        step.set("EC_360009", {int(result.dataRows + 1)});
        return failure(copyRows.error(), step);
    }
    model.close();

    step.set("EC_360011");
    if (Status st = writer.commit(); !st)
        return failure(st.error().message, step);
    return result;
}

QString csvExportProgressText(qint64 line) {
    return QStringLiteral("CSVExportﾃﾞｰﾀ作成中… [%1]").arg(line);
}

QString csvExportDoneText(qint64 dataRows) {
    return QStringLiteral("CSVExportﾃﾞｰﾀ作成 [%1]").arg(dataRows);
}

} // namespace kelvoran

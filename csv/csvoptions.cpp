#include "csv/csvoptions.h"

#include <cstring>

namespace kelvoran {

QString separatorFromSetting(const QString &stored) {
    if (stored == u"#9")
        return QStringLiteral("\t");
    if (stored == u"#8")
        return QStringLiteral(" ");
    return stored;
}

QString CsvOptions::effectiveSeparator() const {
    return separatorFromSetting(separator);
}

BlankRule CsvOptions::rule() const {
    switch (blankRule) {
    case 1:
        return BlankRule::TrimInsert;
    case 2:
        return BlankRule::AsIs;
    default:
        return BlankRule::NullInsert;
    }
}

void splitCsvLineViews(QStringView line, QStringView separator, std::vector<QStringView> &fields) {
    fields.clear();
    if (separator.isEmpty()) {
        fields.push_back(line);
        return;
    }
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = line.indexOf(separator, from);
        if (at < 0)
            break;
        fields.push_back(line.mid(from, at - from));
        from = at + separator.size();
    }
    fields.push_back(line.mid(from));
}

std::optional<QStringView> blankRuleView(QStringView field, BlankRule rule) {
    switch (rule) {
    case BlankRule::NullInsert:
        if (field.trimmed().isEmpty())
            return std::nullopt;
        return field;
    case BlankRule::TrimInsert:
        return field.trimmed();
    case BlankRule::AsIs:
        break;
    }
    return field;
}

QStringList splitCsvLine(const QString &line, const QString &separator) {
    const QString sep = separatorFromSetting(separator);
    std::vector<QStringView> views;
    splitCsvLineViews(line, sep, views);
    QStringList fields;
    fields.reserve(qsizetype(views.size()));
    for (QStringView v : views)
        fields << v.toString();
    return fields;
}

std::vector<std::optional<QString>> applyBlankRule(const QStringList &fields, BlankRule rule) {
    std::vector<std::optional<QString>> values;
    values.reserve(static_cast<size_t>(fields.size()));
    for (const QString &f : fields) {
        const std::optional<QStringView> v = blankRuleView(f, rule);
        values.push_back(v ? std::optional<QString>(v->toString()) : std::nullopt);
    }
    return values;
}

void appendCsvField(QString &line, QStringView field, QStringView separator) {
    bool quote = false;
    if (separator.size() == 1) {
        const QChar sep = separator.front();
        for (QChar c : field) {
            if (c == sep || c == u'"' || c == u'\n' || c == u'\r') {
                quote = true;
                break;
            }
        }
    } else {
        for (QChar c : field) {
            if (c == u'"' || c == u'\n' || c == u'\r') {
                quote = true;
                break;
            }
        }
        quote = quote || (!separator.isEmpty() && field.contains(separator));
    }
    if (!quote) {
        line += field;
        return;
    }
    line += u'"';
    for (QChar c : field) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

char *writeAsciiCsvField(char *out, QByteArrayView field, QByteArrayView separator) {
    bool quote = false;
    const char sep = separator.size() == 1 ? separator.front() : '"';
    for (char c : field) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return nullptr;
        quote = quote || c == sep || c == '"' || c == '\n' || c == '\r';
    }
    if (!quote && separator.size() > 1)
        quote = field.indexOf(separator) >= 0;
    if (!quote) {
        if (!field.isEmpty())
            std::memcpy(out, field.data(), size_t(field.size()));
        return out + field.size();
    }
    *out++ = '"';
    for (char c : field) {
        if (c == '"')
            *out++ = '"';
        *out++ = c;
    }
    *out++ = '"';
    return out;
}

bool appendAsciiCsvField(QByteArray &line, QByteArrayView field, QByteArrayView separator) {
    const qsizetype start = line.size();
    line.resize(start + 2 * field.size() + 2);
    char *end = writeAsciiCsvField(line.data() + start, field, separator);
    line.resize(end ? end - line.constData() : start);
    return end != nullptr;
}

QString joinCsvFields(const QStringList &fields, const QString &separator) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += separator;
        appendCsvField(line, fields[i], separator);
    }
    return line;
}

CsvRecordState splitCsvRecordViews(QStringView record, QStringView separator,
                                   std::vector<QStringView> &fields,
                                   std::vector<QString> &storage) {
    if (!record.contains(u'"') || separator.isEmpty()) {
        splitCsvLineViews(record, separator, fields);
        return CsvRecordState::Complete;
    }
    fields.clear();
    qsizetype from = 0;
    for (;;) {
        if (from < record.size() && record[from] == u'"') {
            // A quoted field: up to the double quote that is not doubled.
            qsizetype at = from + 1;
            bool doubled = false;
            for (;;) {
                const qsizetype q = record.indexOf(u'"', at);
                if (q < 0)
                    return CsvRecordState::OpenQuote;
                if (q + 1 < record.size() && record[q + 1] == u'"') {
                    doubled = true;
                    at = q + 2;
                    continue;
                }
                at = q;
                break;
            }
            const QStringView inside = record.mid(from + 1, at - from - 1);
            if (doubled) {
                QString value = inside.toString();
                value.replace(QStringLiteral("\"\""), QStringLiteral("\""));
                storage.push_back(std::move(value));
                fields.push_back(storage.back());
            } else {
                fields.push_back(inside);
            }
            const qsizetype after = at + 1;
            if (after == record.size())
                return CsvRecordState::Complete;
            if (!record.mid(after).startsWith(separator))
                return CsvRecordState::Malformed;
            from = after + separator.size();
            continue;
        }
        const qsizetype at = record.indexOf(separator, from);
        if (at < 0) {
            fields.push_back(record.mid(from));
            return CsvRecordState::Complete;
        }
        fields.push_back(record.mid(from, at - from));
        from = at + separator.size();
    }
}

CsvRecordFields splitCsvRecord(const QString &record, const QString &separator) {
    const QString sep = separatorFromSetting(separator);
    std::vector<QStringView> views;
    std::vector<QString> storage;
    CsvRecordFields out;
    out.state = splitCsvRecordViews(record, sep, views, storage);
    if (out.state == CsvRecordState::Complete)
        for (QStringView v : views)
            out.fields << v.toString();
    return out;
}

} // namespace kelvoran

#include "csv/csvoptions.h"

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

} // namespace kelvoran

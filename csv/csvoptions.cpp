#include "csvoptions.h"

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

QStringList splitCsvLine(const QString &line, const QString &separator) {
    const QString sep = separatorFromSetting(separator);
    if (sep.isEmpty())
        return {line};
    QStringList fields;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = line.indexOf(sep, from);
        if (at < 0)
            break;
        fields << line.mid(from, at - from);
        from = at + sep.size();
    }
    fields << line.mid(from);
    return fields;
}

std::vector<std::optional<QString>> applyBlankRule(const QStringList &fields, BlankRule rule) {
    std::vector<std::optional<QString>> values;
    values.reserve(static_cast<size_t>(fields.size()));
    for (const QString &f : fields) {
        const bool blank = f.trimmed().isEmpty();
        switch (rule) {
        case BlankRule::NullInsert:
            values.push_back(blank ? std::nullopt : std::optional<QString>(f));
            break;
        case BlankRule::TrimInsert:
            values.push_back(f.trimmed());
            break;
        case BlankRule::AsIs:
            values.push_back(f);
            break;
        }
    }
    return values;
}

} // namespace kelvoran

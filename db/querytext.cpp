#include "db/querytext.h"

namespace kelvoran {

QStringList rebuiltQueryLines(const QueryParts &parts, bool withAliases) {
    QStringList lines;
    lines << parts.selectHead + QLatin1Char(' ');
    bool first = true;
    for (const QueryItem &item : parts.items) {
        QString line = first ? QStringLiteral(" ") : QStringLiteral(" ,");
        line += item.expression + QLatin1Char(' ');
        if (withAliases)
            line += item.alias + QLatin1Char(' ');
        lines << line;
        first = false;
    }
    for (const QString &from : parts.fromLines)
        lines << QLatin1Char(' ') + from.trimmed() + QLatin1Char(' ');
    for (const QString &where : parts.whereLines)
        lines << QLatin1Char(' ') + where.trimmed() + QLatin1Char(' ');
    return lines;
}

QStringList countStatementLines(const QStringList &statementLines,
                                const QString &derivedTableName) {
    QStringList lines{QStringLiteral(" SELECT COUNT(*)          "),
                      QStringLiteral("        FROM  (")};
    for (const QString &line : statementLines)
        lines << QLatin1Char(' ') + line + QLatin1Char(' ');
    lines << (derivedTableName.isEmpty() ? QStringLiteral(" )")
                                         : QStringLiteral(" ) ") + derivedTableName);
    return lines;
}

QStringList countTableLines(const QString &tableName) {
    return {QStringLiteral(" SELECT COUNT(*)          "),
            QStringLiteral("        FROM ") + tableName + QLatin1Char(' ')};
}

QString joinWithSeparator(const QStringList &lines, const QString &separator) {
    QString text;
    for (const QString &line : lines)
        text += line + separator;
    return text;
}

QString statementText(const QStringList &lines) {
    return lines.join(QLatin1Char('\n'));
}

QString lineSeparatorForEnKey(int enKey) {
    return enKey == 1 ? QStringLiteral("\r") : QStringLiteral("\n");
}

} // namespace kelvoran

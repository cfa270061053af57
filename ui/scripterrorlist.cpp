#include "ui/scripterrorlist.h"

namespace kelvoran {

QString scriptErrorHeading(int column) {
    switch (column) {
    case 1:
        return QStringLiteral("実行SQL");
    case 2:
        return QStringLiteral("エラーメッセージ");
    default:
        return QString();
    }
}

QString scriptErrorPaddedHeading(const QString &text, int width) {
    const QString trimmed = text.trimmed();
    const int length = int(trimmed.size());
    const int blanks = 6 * length < width ? (width - 6 * length) / 8 : 0;
    return QString(blanks, u' ') + trimmed;
}

std::vector<QStringList> scriptErrorGridRows(const std::vector<ScriptErrorRow> &errors) {
    std::vector<QStringList> rows;
    for (const ScriptErrorRow &e : errors)
        rows.push_back({QString::number(e.number), e.displayText, e.errorEntry});
    if (rows.empty())
        rows.push_back(QStringList(kScriptErrorColumns, QString()));
    return rows;
}

QString scriptProgressText(int current, int total) {
    return QStringLiteral("SQLファイル実行中 ") + QString::number(current) + u'/' +
           QString::number(total);
}

} // namespace kelvoran

// The statement texts the SQL runner sends: the rebuilt SELECT, the row-count wrapper and the
// editor text joined with the configured line separator.
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace kelvoran {

// One select item: the expression and its alias (empty when none).
struct QueryItem {
    QString expression;
    QString alias;
};

// The parts of a scanned query that the rebuilt text is made from.
struct QueryParts {
    QString selectHead;
    std::vector<QueryItem> items;
    QStringList fromLines;
    QStringList whereLines;
};

// The rebuilt SELECT, line by line: the head and a blank; one line per item (" " or " ,"
// before the expression, the alias only when withAliases); the FROM and WHERE lines trimmed and
// framed by one blank each side.
QStringList rebuiltQueryLines(const QueryParts &parts, bool withAliases);

// The COUNT(*) wrapper around a statement. derivedTableName, when not empty, names the
// wrapped statement (needed where a subquery in FROM must have a name).
QStringList countStatementLines(const QStringList &statementLines,
                                const QString &derivedTableName = QString());
// The COUNT(*) of a table.
QStringList countTableLines(const QString &tableName);

// Each line followed by the separator: how editor text "as typed" is sent.
QString joinWithSeparator(const QStringList &lines, const QString &separator);
// Statement lines joined for the database (line feed between lines).
QString statementText(const QStringList &lines);

// The EnKey setting as a separator: 1 gives CR, any other value LF.
QString lineSeparatorForEnKey(int enKey);

} // namespace kelvoran

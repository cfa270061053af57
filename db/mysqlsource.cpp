#include "db/mysqlsource.h"

#include "db/catalogsql.h"

#include <QRegularExpression>

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

// A default that is the current time (CURRENT_TIMESTAMP, current_timestamp(), NOW(6), ...):
// an expression, not a text to quote.
bool currentTimeDefault(const QString &value) {
    static const QRegularExpression currentTime(
        QStringLiteral("^(current_timestamp|now|localtime|localtimestamp|current_date|"
                       "current_time|curdate|curtime)(\\(\\d*\\))?$"),
        QRegularExpression::CaseInsensitiveOption);
    return currentTime.match(value.trimmed()).hasMatch();
}

QString trimmedRight(QString text) {
    int end = int(text.size());
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    text.truncate(end);
    return text;
}
} // namespace

std::vector<MySqlIndex> mysqlIndexes(const CatalogRows &rows) {
    std::vector<MySqlIndex> indexes;
    for (int r = 0; r < rows.count(); ++r) {
        const QString key = rows.text(r, 2);
        if (indexes.empty() || indexes.back().keyName != key)
            indexes.push_back({key, rows.text(r, 0), rows.text(r, 1), {}});
        indexes.back().columns << rows.text(r, 4);
    }
    return indexes;
}

QString mysqlColumnLine(const CatalogRows &fields, int row) {
    const QString type = fields.text(row, 1);
    const QString nullFlag = fields.text(row, 2);
    const QString value = fields.isNull(row, 4) ? s(" NULL") : fields.text(row, 4);
    const QString extra = fields.text(row, 5);
    // Current servers answer "NO" for a NOT NULL column where very old ones left the flag
    // empty; both mean NOT NULL.
    const bool notNull = nullFlag.isEmpty() || nullFlag.compare(u"NO", Qt::CaseInsensitive) == 0;
    QString defaultPart;
    QString extraPart;
    if (extra.toUpper().contains(u"AUTO_INCREMENT")) {
        extraPart = s(" ") + extra.toUpper();
    } else {
        // Today's servers also list "on update ..." and (MySQL 8) "DEFAULT_GENERATED" here: the
        // first is column text and needs its blank, the second is a marker and no SQL at all.
        QString extraText = extra;
        extraText.remove(QStringLiteral("DEFAULT_GENERATED"), Qt::CaseInsensitive);
        extraText = extraText.trimmed();
        if (!extraText.isEmpty())
            extraPart = s(" ") + extraText;
        const QString upperType = type.toUpper();
        bool quotedType = false;
        for (const char *word : {"DATE", "TIME", "YEAR", "TEXT", "CHAR"})
            quotedType = quotedType || upperType.contains(QLatin1String(word));
        // Current servers report no default of a NOT NULL column as NULL, where old ones gave
        // the implicit default; "NOT NULL DEFAULT NULL" would not even be valid, so such a
        // column gets no default part.
        if (notNull && fields.isNull(row, 4))
            defaultPart.clear();
        else if (quotedType && value.trimmed() != u"NULL" && !currentTimeDefault(value))
            defaultPart = s(" DEFAULT '") + value + s("'");
        else
            defaultPart = s(" DEFAULT ") + value;
    }
    return trimmedRight(alignedName(fields.text(row, 0)) + type +
                        (notNull ? s(" NOT NULL") : QString()) + defaultPart + extraPart) +
           s(",");
}

QString mysqlIndexLine(const MySqlIndex &index) {
    const QString columns = index.columns.join(QLatin1Char(','));
    if (index.keyName == u"PRIMARY")
        return s("PRIMARY KEY(") + columns + s(")");
    if (index.nonUnique == u"0")
        return s("UNIQUE INDEX ") + index.keyName + s("(") + columns + s(")");
    return s("INDEX ") + index.keyName + s("(") + columns + s(")");
}

void SourceTab_MySqlTable(ViewLines &source, const QString &name, const CatalogRows &fields,
                          const CatalogRows &indexes) {
    for (int r = 0; r < fields.count(); ++r) {
        if (r == 0)
            source.setFirstLine(s("CREATE TABLE ") + name + s("("));
        source.appendLine(mysqlColumnLine(fields, r));
    }
    const std::vector<MySqlIndex> list = mysqlIndexes(indexes);
    if (list.empty())
        source.chopLastLine();
    for (size_t i = 0; i < list.size(); ++i)
        source.appendLine(mysqlIndexLine(list[i]) + (i + 1 < list.size() ? s(",") : QString()));
    source.appendClosingLine();
}

void DefinitionTab_Mysql_Table(ViewLines &definition, const QString &name,
                               const CatalogRows &status) {
    int engine = status.columnIndex(s("Engine"));
    if (engine < 0)
        engine = status.columnIndex(s("Type"));
    const int created = status.columnIndex(s("Create_time"));
    const int updated = status.columnIndex(s("Update_time"));
    const int rowCount = status.columnIndex(s("Rows"));
    const int nameColumn = status.columnIndex(s("Name"));

    // LIKE treats "_" and "%" in the name as wildcards: only the row of this very table counts
    // (an exact match, else one differing in letter case only).
    std::vector<int> matching;
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (int r = 0; r < status.count(); ++r)
            if (nameColumn < 0 || status.text(r, nameColumn).compare(name, cs) == 0)
                matching.push_back(r);
        if (!matching.empty())
            break;
    }
    for (int r : matching) {
        definition.setFirstLine(definitionLabel(s("Object Name")) + name);
        definition.appendLine(definitionLabel(s("Type")) + status.text(r, engine));
        definition.appendLine(definitionLabel(s("Create")) + status.text(r, created));
        definition.appendLine(definitionLabel(s("Modified")) + status.text(r, updated));
        definition.appendLine(definitionLabel(s("Rows")) + status.text(r, rowCount));
    }
    definition.appendLine(QString());
}

DescribeResult describeMySqlTable(CatalogQuery &query, const QString &name) {
    namespace sql = catalogsql;
    DescribeResult result;
    const auto fail = [&](const DbError &error) {
        result.error = error;
        return result;
    };
    DbResult<CatalogRows> fields = query.run(sql::mysqlFields(name, false));
    if (!fields)
        return fail(fields.error());
    DbResult<CatalogRows> indexes = query.run(sql::mysqlIndexes(name));
    if (!indexes) {
        // The column lines are in the view before the index builder runs.
        for (int r = 0; r < fields->count(); ++r) {
            if (r == 0)
                result.source.setFirstLine(s("CREATE TABLE ") + name + s("("));
            result.source.appendLine(mysqlColumnLine(*fields, r));
        }
        return fail(indexes.error());
    }
    SourceTab_MySqlTable(result.source, name, *fields, *indexes);
    DbResult<CatalogRows> status = query.run(sql::mysqlTableStatus(name));
    if (!status)
        return fail(status.error());
    DefinitionTab_Mysql_Table(result.definition, name, *status);
    return result;
}

} // namespace kelvoran::db

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

QString identifier(const QString &name) {
    return catalogsql::mysqlIdentifier(name);
}

// A MySQL string literal.
QString literal(const QString &text) {
    return s("'") + catalogsql::mysqlQuoted(text) + s("'");
}

// The position of a column read by name, or the given position when the rows carry no names.
int columnAt(const CatalogRows &rows, const char *name, int position) {
    if (rows.columns().isEmpty())
        return position;
    return rows.columnIndex(s(name));
}

// The default part of a column whose catalog gives its default as a plain value (SHOW FIELDS,
// and COLUMN_DEFAULT of MySQL and of older MariaDB): an expression the server marks as such goes
// in parentheses (the current time as it is), a number of a numeric column and a bit value of a
// bit column stay as they are, and any other value is a quoted text ("007" of a text column
// would otherwise turn into "7").
QString plainValueDefault(const QString &value, const QString &type, const QString &extra) {
    static const QRegularExpression number(
        QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?$"));
    static const QRegularExpression numericType(
        QStringLiteral("^(tinyint|smallint|mediumint|int|integer|bigint|decimal|dec|numeric|"
                       "fixed|float|double|real|bool|boolean)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bitValue(QStringLiteral("^b'[01]*'$"));
    if (currentTimeDefault(value))
        return s(" DEFAULT ") + value;
    if (extra.contains(u"DEFAULT_GENERATED", Qt::CaseInsensitive))
        return s(" DEFAULT (") + value + s(")");
    if ((number.match(value).hasMatch() && numericType.match(type).hasMatch()) ||
        (type.startsWith(u"bit", Qt::CaseInsensitive) && bitValue.match(value).hasMatch()))
        return s(" DEFAULT ") + value;
    return s(" DEFAULT ") + literal(value);
}
} // namespace

bool MySqlServer::atLeast(int wantMajor, int wantMinor, int wantPatch) const {
    if (major != wantMajor)
        return major > wantMajor;
    if (minor != wantMinor)
        return minor > wantMinor;
    return patch >= wantPatch;
}

bool MySqlServer::defaultsAreSql() const {
    return mariaDb && atLeast(10, 2, 7);
}

bool MySqlServer::hasGenerationExpression() const {
    return mariaDb ? atLeast(10, 2, 5) : atLeast(5, 7, 6);
}

bool MySqlServer::hasCheckConstraints() const {
    return mariaDb ? atLeast(10, 2, 22) : atLeast(8, 0, 16);
}

bool MySqlServer::hasCheckLevel() const {
    return mariaDb && atLeast(10, 5, 10);
}

MySqlServer mysqlServer(const QString &versionText) {
    MySqlServer server;
    server.mariaDb = versionText.contains(u"MariaDB", Qt::CaseInsensitive);
    // MariaDB 10 once answered "5.5.5-10.x.y-MariaDB": its own version is the one before the
    // word. Otherwise the version leads the text ("8.0.36-0ubuntu0.22.04.1").
    static const QRegularExpression mariaDbVersion(
        QStringLiteral("(\\d+)\\.(\\d+)\\.(\\d+)-MariaDB"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression leadingVersion(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)"));
    QRegularExpressionMatch match = mariaDbVersion.match(versionText);
    if (!match.hasMatch())
        match = leadingVersion.match(versionText);
    if (match.hasMatch()) {
        server.major = match.captured(1).toInt();
        server.minor = match.captured(2).toInt();
        server.patch = match.captured(3).toInt();
    }
    return server;
}

MySqlTableDetails mysqlTableDetails(const MySqlServer &server, const CatalogRows &columns,
                                    const CatalogRows &foreignKeys, const CatalogRows &checks) {
    MySqlTableDetails details;
    details.defaultsAreSql = server.defaultsAreSql();
    for (int r = 0; r < columns.count(); ++r) {
        MySqlColumnDetail column;
        column.defaultIsNull = columns.isNull(r, 1);
        column.defaultText = columns.text(r, 1);
        column.generation = columns.text(r, 2);
        column.charset = columns.text(r, 3);
        column.collation = columns.text(r, 4);
        column.comment = columns.text(r, 5);
        column.extra = columns.text(r, 6);
        details.columns.insert(columns.text(r, 0), column);
        details.known = true;
        details.engine = columns.text(r, 7);
        details.collation = columns.text(r, 8);
        details.comment = columns.text(r, 9);
        details.partitioned =
            columns.text(r, 10).split(u' ').contains(QStringLiteral("partitioned"));
    }
    for (int r = 0; r < foreignKeys.count(); ++r) {
        const QString name = foreignKeys.text(r, 0);
        if (details.foreignKeys.empty() || details.foreignKeys.back().name != name) {
            MySqlForeignKey key;
            key.name = name;
            if (foreignKeys.text(r, 2) != foreignKeys.text(r, 7))
                key.referencedSchema = foreignKeys.text(r, 2);
            key.referencedTable = foreignKeys.text(r, 3);
            key.deleteRule = foreignKeys.text(r, 5);
            key.updateRule = foreignKeys.text(r, 6);
            details.foreignKeys.push_back(key);
        }
        details.foreignKeys.back().columns << foreignKeys.text(r, 1);
        details.foreignKeys.back().referencedColumns << foreignKeys.text(r, 4);
    }
    for (int r = 0; r < checks.count(); ++r) {
        const QString name = checks.text(r, 0);
        const QString clause = checks.text(r, 1);
        const auto column = details.columns.find(name);
        if (checks.text(r, 2).compare(u"Column", Qt::CaseInsensitive) == 0 &&
            column != details.columns.end())
            column->checks << clause;
        else
            details.checks.push_back({name, clause});
    }
    return details;
}

std::vector<MySqlIndex> mysqlIndexes(const CatalogRows &rows) {
    const int collationColumn = columnAt(rows, "Collation", 5);
    const int subPartColumn = columnAt(rows, "Sub_part", 7);
    const int typeColumn = columnAt(rows, "Index_type", 10);
    const int commentColumn = columnAt(rows, "Index_comment", 12);
    const int expressionColumn = rows.columnIndex(s("Expression"));
    const int ignoredColumn = rows.columnIndex(s("Ignored"));
    const int visibleColumn = rows.columnIndex(s("Visible"));
    std::vector<MySqlIndex> indexes;
    for (int r = 0; r < rows.count(); ++r) {
        const QString key = rows.text(r, 2);
        if (indexes.empty() || indexes.back().keyName != key)
            indexes.push_back({key,
                               rows.text(r, 0),
                               rows.text(r, 1),
                               {},
                               {},
                               rows.text(r, typeColumn),
                               rows.text(r, commentColumn),
                               {}});
        MySqlIndex &index = indexes.back();
        // An index the optimizer is told to leave alone (MariaDB IGNORED, MySQL INVISIBLE).
        if (rows.text(r, ignoredColumn) == u"YES")
            index.hiddenWord = s("IGNORED");
        else if (rows.text(r, visibleColumn) == u"NO")
            index.hiddenWord = s("INVISIBLE");
        const QString column = rows.text(r, 4);
        index.columns << column;
        // A functional key part (MySQL 8) has no column, only its expression.
        QString part = rows.isNull(r, 4) && !rows.isNull(r, expressionColumn)
                           ? s("(") + rows.text(r, expressionColumn) + s(")")
                           : identifier(column);
        // A spatial index reports a prefix length of its own on some servers; none can be given.
        if (!rows.isNull(r, subPartColumn) && index.indexType.compare(u"SPATIAL") != 0)
            part += s("(") + rows.text(r, subPartColumn) + s(")");
        if (rows.text(r, collationColumn) == u"D")
            part += s(" DESC");
        index.parts << part;
    }
    return indexes;
}

QString mysqlColumnLine(const CatalogRows &fields, int row, const MySqlTableDetails &details) {
    const QString type = fields.text(row, 1);
    const QString nullFlag = fields.text(row, 2);
    const QString extra = fields.text(row, 5);
    const auto found = details.columns.constFind(fields.text(row, 0));
    const MySqlColumnDetail *detail = found == details.columns.cend() ? nullptr : &*found;
    // Current servers answer "NO" for a NOT NULL column where very old ones left the flag
    // empty; both mean NOT NULL.
    const bool notNull = nullFlag.isEmpty() || nullFlag.compare(u"NO", Qt::CaseInsensitive) == 0;

    QString typePart = type;
    // A character set of its own, where the column does not take the table's.
    if (detail && !detail->collation.isEmpty() && detail->collation != details.collation)
        typePart += s(" CHARACTER SET ") + detail->charset + s(" COLLATE ") + detail->collation;

    QString defaultPart;
    QString extraPart;
    const bool generated = detail && !detail->generation.isEmpty();
    if (generated) {
        typePart += s(" GENERATED ALWAYS AS (") + detail->generation + s(") ") +
                    (extra.contains(u"STORED", Qt::CaseInsensitive) ||
                             extra.contains(u"PERSISTENT", Qt::CaseInsensitive)
                         ? s("STORED")
                         : s("VIRTUAL"));
    } else if (extra.toUpper().contains(u"AUTO_INCREMENT")) {
        extraPart = s(" ") + extra.toUpper();
    } else {
        // Today's servers also list "on update ..." and (MySQL 8) "DEFAULT_GENERATED" here: the
        // first is column text and needs its blank, the second is a marker and no SQL at all.
        QString extraText = extra;
        extraText.remove(QStringLiteral("DEFAULT_GENERATED"), Qt::CaseInsensitive);
        extraText = extraText.trimmed();
        if (!extraText.isEmpty())
            extraPart = s(" ") + extraText;
        const bool noDefault = detail ? detail->defaultIsNull : fields.isNull(row, 4);
        const QString value = detail ? detail->defaultText : fields.text(row, 4);
        // Current servers report no default of a NOT NULL column as NULL, where old ones gave
        // the implicit default; "NOT NULL DEFAULT NULL" would not even be valid, so such a
        // column gets no default part.
        if (noDefault && notNull)
            defaultPart.clear();
        else if (noDefault || (detail && details.defaultsAreSql && value == u"NULL"))
            defaultPart = s(" DEFAULT  NULL");
        else if (detail && details.defaultsAreSql)
            defaultPart = s(" DEFAULT ") + value;
        else
            defaultPart =
                plainValueDefault(value, type, detail ? detail->extra + u' ' + extra : extra);
    }
    QString tail;
    if (detail && !detail->comment.isEmpty())
        tail += s(" COMMENT ") + literal(detail->comment);
    if (detail)
        for (const QString &check : detail->checks)
            tail += s(" CHECK (") + check + s(")");
    return trimmedRight(alignedName(identifier(fields.text(row, 0))) + typePart +
                        (notNull ? s(" NOT NULL") : QString()) + defaultPart + extraPart + tail) +
           s(",");
}

QString mysqlIndexLine(const MySqlIndex &index) {
    const QString columns = index.parts.isEmpty() ? index.columns.join(QLatin1Char(','))
                                                  : index.parts.join(QLatin1Char(','));
    QString options;
    if (!index.comment.isEmpty())
        options += s(" COMMENT ") + literal(index.comment);
    if (!index.hiddenWord.isEmpty())
        options += u' ' + index.hiddenWord;
    const QString name = identifier(index.keyName);
    if (index.keyName == u"PRIMARY")
        return s("PRIMARY KEY(") + columns + s(")") + options;
    if (index.indexType == u"FULLTEXT" || index.indexType == u"SPATIAL")
        return index.indexType + s(" INDEX ") + name + s("(") + columns + s(")") + options;
    if (index.nonUnique == u"0")
        return s("UNIQUE INDEX ") + name + s("(") + columns + s(")") + options;
    return s("INDEX ") + name + s("(") + columns + s(")") + options;
}

QString mysqlForeignKeyLine(const MySqlForeignKey &key) {
    QStringList columns;
    for (const QString &column : key.columns)
        columns << identifier(column);
    QStringList referenced;
    for (const QString &column : key.referencedColumns)
        referenced << identifier(column);
    const QString table =
        (key.referencedSchema.isEmpty() ? QString() : identifier(key.referencedSchema) + u'.') +
        identifier(key.referencedTable);
    // Both rules are written even when they are the server's default, since MySQL and MariaDB
    // disagree on what that default is called.
    return s("CONSTRAINT ") + identifier(key.name) + s(" FOREIGN KEY(") + columns.join(u',') +
           s(") REFERENCES ") + table + s("(") + referenced.join(u',') + s(") ON DELETE ") +
           key.deleteRule + s(" ON UPDATE ") + key.updateRule;
}

QString mysqlCheckLine(const MySqlCheck &check) {
    return s("CONSTRAINT ") + identifier(check.name) + s(" CHECK (") + check.clause + s(")");
}

void SourceTab_MySqlTable(ViewLines &source, const QString &name, const CatalogRows &fields,
                          const CatalogRows &indexes, const MySqlTableDetails &details) {
    for (int r = 0; r < fields.count(); ++r) {
        if (r == 0)
            source.setFirstLine(s("CREATE TABLE ") + identifier(name) + s("("));
        source.appendLine(mysqlColumnLine(fields, r, details));
    }
    QStringList after;
    for (const MySqlIndex &index : mysqlIndexes(indexes))
        after << mysqlIndexLine(index);
    for (const MySqlForeignKey &key : details.foreignKeys)
        after << mysqlForeignKeyLine(key);
    for (const MySqlCheck &check : details.checks)
        after << mysqlCheckLine(check);
    if (after.isEmpty())
        source.chopLastLine();
    for (int i = 0; i < after.size(); ++i)
        source.appendLine(after[i] + (i + 1 < after.size() ? s(",") : QString()));
    if (!details.known) {
        source.appendClosingLine();
        return;
    }
    // The table's own engine and collation: the columns without a character set of their own
    // take the table's, which a database of another default would change.
    QString options;
    if (!details.engine.isEmpty())
        options += s(" ENGINE=") + details.engine;
    if (!details.collation.isEmpty())
        options += s(" COLLATE=") + details.collation;
    if (!details.comment.isEmpty())
        options += s(" COMMENT=") + literal(details.comment);
    source.appendLine(s(")") + options);
    for (const QString &line : details.partitionLines)
        source.appendLine(line);
}

QStringList mysqlPartitionClause(const QString &createTable) {
    QString text = createTable;
    text.replace(s("\r\n"), s("\n"));
    // The clause follows the table options, on the lines after the closing ")" of the column
    // list; a column's comment or default cannot hold it there.
    const qsizetype closing = text.indexOf(s("\n)"));
    if (closing < 0)
        return {};
    const qsizetype start = text.indexOf(s("PARTITION BY"), closing);
    if (start < 0)
        return {};
    QString clause = text.mid(start).trimmed();
    if (text.mid(0, start).endsWith(s("/*!50100 ")) && clause.endsWith(s("*/")))
        clause = clause.chopped(2).trimmed();
    return clause.split(u'\n');
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
    DbResult<CatalogRows> fields = query.run(sql::mysqlFields(name, false));
    if (!fields) {
        result.error = fields.error();
        return result;
    }
    // The column lines are in the view before the index builder runs.
    const auto fail = [&](const DbError &error) {
        for (int r = 0; r < fields->count(); ++r) {
            if (r == 0)
                result.source.setFirstLine(s("CREATE TABLE ") + sql::mysqlIdentifier(name) +
                                           s("("));
            result.source.appendLine(mysqlColumnLine(*fields, r));
        }
        result.error = error;
        return result;
    };
    DbResult<CatalogRows> indexes = query.run(sql::mysqlIndexes(name));
    if (!indexes)
        return fail(indexes.error());
    DbResult<CatalogRows> version = query.run(sql::mysqlServerVersion());
    if (!version)
        return fail(version.error());
    const MySqlServer server = mysqlServer(version->text(0, 0));
    DbResult<CatalogRows> columns =
        query.run(sql::mysqlColumnDetails(name, server.hasGenerationExpression()));
    if (!columns)
        return fail(columns.error());
    DbResult<CatalogRows> foreignKeys = query.run(sql::mysqlForeignKeys(name));
    if (!foreignKeys)
        return fail(foreignKeys.error());
    // A server without check constraints has none to lose.
    DbResult<CatalogRows> checks = CatalogRows();
    if (server.hasCheckConstraints())
        checks = query.run(server.mariaDb ? sql::mysqlChecksMariaDb(name, server.hasCheckLevel())
                                          : sql::mysqlChecksMySql(name));
    if (!checks)
        return fail(checks.error());
    MySqlTableDetails details = mysqlTableDetails(server, *columns, *foreignKeys, *checks);
    if (details.partitioned) {
        // The partitions as the server prints them: their bounds and options are many, and
        // the server's own text is the one that recreates them.
        DbResult<CatalogRows> create = query.run(sql::mysqlShowCreate(s("TABLE"), name));
        if (!create)
            return fail(create.error());
        if (!create->isEmpty())
            details.partitionLines = mysqlPartitionClause(create->text(0, 1));
    }
    SourceTab_MySqlTable(result.source, name, *fields, *indexes, details);
    DbResult<CatalogRows> status = query.run(sql::mysqlTableStatus(name));
    if (!status) {
        result.error = status.error();
        return result;
    }
    DefinitionTab_Mysql_Table(result.definition, name, *status);
    return result;
}

} // namespace kelvoran::db

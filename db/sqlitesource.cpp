#include "db/sqlitesource.h"

#include "db/catalogsql.h"

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

QString label(const char *word) {
    return definitionLabel(s(word));
}

// Runs one statement; a failure ends the description with its error.
bool run(CatalogQuery &query, DescribeResult &result, const QStringList &statement,
         CatalogRows &rows) {
    DbResult<CatalogRows> read = query.run(statement);
    if (!read) {
        result.error = read.error();
        return false;
    }
    rows = *read;
    return true;
}
} // namespace

void SourceTab_SqliteObject(ViewLines &source, const CatalogRows &object) {
    if (object.isEmpty() || object.isNull(0, 0))
        return;
    source.setStatement(object.text(0, 0));
}

QString sqliteColumnLine(const CatalogRows &columns, int row) {
    QString line = alignedName(columns.text(row, 0)) + columns.text(row, 1);
    if (columns.text(row, 2) == u"1")
        line += s(" NOT NULL");
    if (!columns.isNull(row, 3))
        line += s(" DEFAULT ") + columns.text(row, 3);
    const QString pk = columns.text(row, 4);
    if (!pk.isEmpty() && pk != u"0")
        line += s(" PRIMARY KEY(") + pk + u')';
    const QString hidden = columns.text(row, 5);
    if (hidden == u"2")
        line += s(" GENERATED VIRTUAL");
    else if (hidden == u"3")
        line += s(" GENERATED STORED");
    else if (hidden == u"1")
        line += s(" HIDDEN");
    return line.trimmed();
}

QString sqliteIndexLine(const CatalogRows &indexes, int row) {
    const QString origin = indexes.text(row, 2);
    QString madeBy = s("CREATE INDEX");
    if (origin == u"pk")
        madeBy = s("PRIMARY KEY");
    else if (origin == u"u")
        madeBy = s("UNIQUE");
    QString line = indexes.text(row, 0) + s(" (") +
                   (indexes.text(row, 1) == u"1" ? s("UNIQUE") : s("NONUNIQUE")) + s(", ") + madeBy;
    if (indexes.text(row, 3) == u"1")
        line += s(", PARTIAL");
    return line + u')';
}

QStringList sqliteForeignKeyLines(const CatalogRows &foreignKeys) {
    QStringList lines;
    for (int r = 0; r < foreignKeys.count();) {
        const QString id = foreignKeys.text(r, 0);
        QStringList from;
        QStringList to;
        const int first = r;
        for (; r < foreignKeys.count() && foreignKeys.text(r, 0) == id; ++r) {
            from << foreignKeys.text(r, 3);
            if (!foreignKeys.isNull(r, 4))
                to << foreignKeys.text(r, 4);
        }
        // Without named columns the key refers to the primary key of its table.
        lines << s("(") + from.join(u',') + s(") REFERENCES ") + foreignKeys.text(first, 2) +
                     (to.isEmpty() ? QString() : u'(' + to.join(u',') + u')') + s(" ON UPDATE ") +
                     foreignKeys.text(first, 5) + s(" ON DELETE ") + foreignKeys.text(first, 6);
    }
    return lines;
}

DescribeResult describeSqliteObject(CatalogQuery &query, const ObjectKind &folder,
                                    const QString &name) {
    namespace sql = catalogsql;
    DescribeResult result;
    CatalogRows object;
    if (!run(query, result, sql::sqliteObject(folder.typeWord, name), object))
        return result;
    SourceTab_SqliteObject(result.source, object);
    ViewLines &def = result.definition;
    if (object.isEmpty()) {
        def.appendLine(QString());
        return result;
    }
    def.setFirstLine(label("Object Name") + name);
    def.appendLine(label("Type") + folder.typeWord);
    const QString table = object.text(0, 1);
    if (folder.id == ObjectKindId::Table || folder.id == ObjectKindId::View) {
        CatalogRows columns;
        if (!run(query, result, sql::sqliteColumns(name), columns))
            return result;
        for (int r = 0; r < columns.count(); ++r)
            def.appendLine(label("Column") + sqliteColumnLine(columns, r));
    } else {
        def.appendLine(label("Table Name") + table);
    }
    if (folder.id == ObjectKindId::Table) {
        CatalogRows indexes;
        CatalogRows foreignKeys;
        if (!run(query, result, sql::sqliteIndexList(name), indexes))
            return result;
        for (int r = 0; r < indexes.count(); ++r)
            def.appendLine(label("Index") + sqliteIndexLine(indexes, r));
        if (!run(query, result, sql::sqliteForeignKeys(name), foreignKeys))
            return result;
        for (const QString &line : sqliteForeignKeyLines(foreignKeys))
            def.appendLine(label("Foreign Key") + line);
    } else if (folder.id == ObjectKindId::Index) {
        CatalogRows indexes;
        CatalogRows columns;
        if (!run(query, result, sql::sqliteIndexList(table), indexes))
            return result;
        for (int r = 0; r < indexes.count(); ++r)
            if (indexes.text(r, 0) == name)
                def.appendLine(label("Uniqueness") +
                               (indexes.text(r, 1) == u"1" ? s("UNIQUE") : s("NONUNIQUE")));
        if (!run(query, result, sql::sqliteIndexColumns(name), columns))
            return result;
        for (int r = 0; r < columns.count(); ++r)
            def.appendLine(label("Index Column") +
                           (columns.isNull(r, 0) ? s("<expression>") : columns.text(r, 0)) +
                           (columns.text(r, 1) == u"1" ? s(" DESC") : QString()));
    }
    def.appendLine(QString());
    return result;
}

} // namespace kelvoran::db

#include "db/definitionbuilder.h"

#include "db/catalogsql.h"

#include <QRegularExpression>

#include <functional>

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

// Calls add(firstRow, lastRow) for each run of consecutive rows with the same text in column.
void forEachRun(const CatalogRows &rows, int column, const std::vector<bool> &skipped,
                const std::function<void(const std::vector<int> &)> &add) {
    std::vector<int> run;
    QString current;
    for (int r = 0; r < rows.count(); ++r) {
        if (!skipped.empty() && skipped[size_t(r)])
            continue;
        const QString key = rows.text(r, column);
        if (!run.empty() && key != current) {
            add(run);
            run.clear();
        }
        current = key;
        run.push_back(r);
    }
    if (!run.empty())
        add(run);
}

QString joined(const CatalogRows &rows, const std::vector<int> &run, int column) {
    QStringList parts;
    for (int r : run)
        parts << rows.text(r, column);
    return parts.join(QLatin1Char(','));
}

// Appends a line, or sets the first line for the first row of a step.
void putLine(ViewLines &view, bool first, const QString &line) {
    if (first)
        view.setFirstLine(line);
    else
        view.appendLine(line);
}
} // namespace

QString alignedName(const QString &name) {
    return name.leftJustified(NameColumnWidth, u' ');
}

QString definitionLabel(const QString &word) {
    return word.leftJustified(19, u' ') + s(": ");
}

QString cutTimestamp(const QString &typeText) {
    const QString upper = typeText.toUpper();
    if (!upper.contains(u"TIMESTAMP") || !typeText.contains(u')'))
        return typeText;
    // The statement appends "(" + DATA_LENGTH + ")" to every type; a TIMESTAMP type already
    // carries its precision, so that suffix is taken off again.
    static const QRegularExpression lengthSuffix(QStringLiteral("\\(\\d*\\)$"));
    const QRegularExpressionMatch m = lengthSuffix.match(typeText);
    if (m.hasMatch() && typeText.indexOf(u')') < m.capturedStart())
        return typeText.left(m.capturedStart());
    return typeText.left(typeText.indexOf(u')') + 1);
}

QStringList splitViewText(const QString &text) {
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList splitTriggerBody(const QString &text) {
    return text.split(u'\n', Qt::SkipEmptyParts);
}

void SourceTab_Table(ViewLines &source, const QString &name, const CatalogRows &columns) {
    for (int r = 0; r < columns.count(); ++r) {
        QString line = alignedName(columns.text(r, 0)) + cutTimestamp(columns.text(r, 1));
        const QString defaultText = columns.text(r, 2);
        if (!defaultText.isEmpty())
            line += s(" DEFAULT ") + defaultText;
        line += columns.text(r, 3) + s(",");
        if (r == 0)
            source.setFirstLine(s("CREATE TABLE ") + name + s("("));
        source.appendLine(line);
    }
    source.chopLastLine();
    source.appendClosingLine();
}

void SourceTab_Table_Primary(ViewLines &source, const CatalogRows &rows) {
    if (!rows.isEmpty()) {
        std::vector<int> all;
        for (int r = 0; r < rows.count(); ++r)
            all.push_back(r);
        source.addLineBeforeClosing(s("CONSTRAINT ") + rows.text(0, 0) + s(" PRIMARY KEY(") +
                                    joined(rows, all, 1) + s(")"));
    }
    source.restoreClosingLine();
}

void SourceTab_Table_Foreign(ViewLines &source, const CatalogRows &rows) {
    forEachRun(rows, 0, {}, [&](const std::vector<int> &run) {
        const int first = run.front();
        source.addLineBeforeClosing(s("CONSTRAINT ") + rows.text(first, 0) + s(" FOREIGN KEY(") +
                                    joined(rows, run, 1) + s(") REFERENCES ") +
                                    rows.text(first, 2) + s("(") + joined(rows, run, 3) + s(")") +
                                    rows.text(first, 4));
    });
    source.restoreClosingLine();
}

void SourceTab_Table_Check(ViewLines &source, const CatalogRows &rows) {
    std::vector<bool> skipped(size_t(rows.count()), false);
    for (int r = 0; r < rows.count(); ++r) {
        const QString condition = rows.text(r, 1).toUpper();
        const QString column = rows.text(r, 2);
        const QString quotedColumn = QLatin1Char('"') + column + QLatin1Char('"');
        for (const QString &name : {column, quotedColumn})
            if (condition.contains(name + s(" IS NOT NULL")) ||
                condition.contains(name + s(" IS NULL")))
                skipped[size_t(r)] = true;
    }
    // A check on several columns comes once per column; it is written once.
    forEachRun(rows, 0, skipped, [&](const std::vector<int> &run) {
        const int first = run.front();
        source.addLineBeforeClosing(s("CONSTRAINT ") + rows.text(first, 0) + s(" CHECK (") +
                                    rows.text(first, 1) + s(")"));
    });
    source.restoreClosingLine();
}

void SourceTab_Table_Unique(ViewLines &source, const CatalogRows &rows) {
    std::vector<bool> skipped(size_t(rows.count()), false);
    for (int r = 0; r < rows.count(); ++r)
        skipped[size_t(r)] = rows.text(r, 1).contains(u'"');
    forEachRun(rows, 0, skipped, [&](const std::vector<int> &run) {
        source.addLineBeforeClosing(s("CONSTRAINT ") + rows.text(run.front(), 0) + s(" UNIQUE (") +
                                    joined(rows, run, 1) + s(")"));
    });
    source.restoreClosingLine();
}

void SourceTab_View(ViewLines &source, const QString &name, const CatalogRows &columns) {
    for (int r = 0; r < columns.count(); ++r) {
        if (r == 0)
            source.setFirstLine(s("CREATE OR REPLACE VIEW ") + name + s("("));
        source.appendLine(alignedName(columns.text(r, 0)) + s(" /* ") + columns.text(r, 1) +
                          s(" */ ,"));
    }
    source.chopLastLine();
    source.appendClosingLine();
}

void SourceTab_View_Origin(ViewLines &source, const CatalogRows &rows) {
    source.releaseClosingLine();
    source.appendLine(s("AS "));
    for (int r = 0; r < rows.count(); ++r)
        for (const QString &line : splitViewText(rows.text(r, 0)))
            source.appendLine(line);
    source.appendLine(QString());
}

void SourceTab_StoredSource(ViewLines &source, const CatalogRows &rows) {
    for (int r = 0; r < rows.count(); ++r) {
        QString text = rows.text(r, 0);
        // Each stored line ends with its line feed; a last line stored without one (as the
        // final "END;" often is) keeps all of its characters.
        if (text.endsWith(u'\n'))
            text.chop(1);
        putLine(source, r == 0, text);
    }
    source.appendLine(QString());
}

void SourceTab_Synonym(ViewLines &source, const CatalogRows &rows) {
    for (int r = 0; r < rows.count(); ++r)
        putLine(source, r == 0, rows.text(r, 0));
    source.appendLine(QString());
}

void SourceTab_Trigger(ViewLines &source, const CatalogRows &rows) {
    bool first = true;
    for (int r = 0; r < rows.count(); ++r)
        for (const QString &piece : splitTriggerBody(rows.text(r, 0))) {
            putLine(source, first, piece);
            first = false;
        }
    source.appendLine(QString());
}

void SourceTab_Index(ViewLines &source, const CatalogRows &rows) {
    for (int r = 0; r < rows.count(); ++r)
        putLine(source, r == 0, alignedName(rows.text(r, 0)) + rows.text(r, 1));
    source.appendLine(QString());
}

void DefinitionTab_Object(ViewLines &definition, const QString &name, const CatalogRows &rows) {
    for (int r = 0; r < rows.count(); ++r) {
        definition.setFirstLine(definitionLabel(s("Object Name")) + name);
        definition.appendLine(definitionLabel(s("Valid")) + rows.text(r, 3));
        definition.appendLine(definitionLabel(s("Create")) + rows.text(r, 1));
        definition.appendLine(definitionLabel(s("Modified")) + rows.text(r, 2));
    }
    definition.appendLine(QString());
}

namespace {
// The kind-facts steps: the first label replaces the closing empty line, the others follow.
void addFacts(ViewLines &definition, const CatalogRows &rows,
              const std::vector<std::pair<const char *, int>> &labels) {
    for (int r = 0; r < rows.count(); ++r) {
        bool first = true;
        for (const auto &[word, column] : labels) {
            const QString line = definitionLabel(s(word)) + rows.text(r, column);
            if (first)
                definition.replaceLastLine(line);
            else
                definition.appendLine(line);
            first = false;
        }
    }
    definition.appendLine(QString());
}
} // namespace

void DefinitionTabAddInfo_Synonym(ViewLines &definition, const CatalogRows &rows) {
    addFacts(definition, rows, {{"Table Owner", 0}, {"Table Name", 1}, {"DBLink", 2}});
}

void DefinitionTabAddInfo_Trigger(ViewLines &definition, const CatalogRows &rows) {
    addFacts(definition, rows,
             {{"Trigger Type", 0}, {"Triggering_Event", 1}, {"Table Owner", 2}, {"Table Name", 3}});
}

void DefinitionTabAddInfo_Index(ViewLines &definition, const CatalogRows &rows) {
    addFacts(definition, rows,
             {{"Index Type", 1},
              {"Table Owner", 2},
              {"Table Name", 3},
              {"Table Type", 4},
              {"Uniqueness", 5},
              {"TableSpace Name", 6}});
}

void DefinitionTabAddInfo_DB_Link(ViewLines &definition, const CatalogRows &rows) {
    addFacts(definition, rows, {{"User Name", 0}, {"Password", 1}, {"Host", 2}});
}

namespace {
// Runs one statement and its step; false (with the error kept) when the statement failed.
bool runStep(CatalogQuery &query, DescribeResult &result, const QStringList &statement,
             const std::function<void(const CatalogRows &)> &step) {
    DbResult<CatalogRows> rows = query.run(statement);
    if (!rows) {
        result.error = rows.error();
        return false;
    }
    step(*rows);
    return true;
}
} // namespace

DescribeResult describeOracleObject(CatalogQuery &query, ObjectKindId kind, const QString &name) {
    namespace sql = catalogsql;
    DescribeResult result;
    ViewLines &src = result.source;
    ViewLines &def = result.definition;
    const auto summary = [&](const QString &typeWord) {
        return runStep(query, result, sql::objectSummary(name, typeWord),
                       [&](const CatalogRows &rows) { DefinitionTab_Object(def, name, rows); });
    };
    const auto storedSource = [&](const QString &typeWord) {
        return runStep(query, result, sql::storedSource(name, typeWord),
                       [&](const CatalogRows &rows) { SourceTab_StoredSource(src, rows); }) &&
               summary(typeWord);
    };

    switch (kind) {
    case ObjectKindId::Table:
        runStep(query, result, sql::tableColumns(name),
                [&](const CatalogRows &rows) { SourceTab_Table(src, name, rows); }) &&
            runStep(query, result, sql::primaryKey(name),
                    [&](const CatalogRows &rows) { SourceTab_Table_Primary(src, rows); }) &&
            runStep(query, result, sql::foreignKeys(name),
                    [&](const CatalogRows &rows) { SourceTab_Table_Foreign(src, rows); }) &&
            runStep(query, result, sql::checkConstraints(name),
                    [&](const CatalogRows &rows) { SourceTab_Table_Check(src, rows); }) &&
            runStep(query, result, sql::uniqueConstraints(name),
                    [&](const CatalogRows &rows) { SourceTab_Table_Unique(src, rows); }) &&
            summary(s("TABLE"));
        break;
    case ObjectKindId::View:
        runStep(query, result, sql::viewColumns(name),
                [&](const CatalogRows &rows) { SourceTab_View(src, name, rows); }) &&
            runStep(query, result, sql::viewText(name),
                    [&](const CatalogRows &rows) { SourceTab_View_Origin(src, rows); }) &&
            summary(QString());
        break;
    case ObjectKindId::Procedure:
        storedSource(s("PROCEDURE"));
        break;
    case ObjectKindId::Function:
        storedSource(s("FUNCTION"));
        break;
    case ObjectKindId::Package:
        storedSource(s("PACKAGE"));
        break;
    case ObjectKindId::PackageBody:
        storedSource(s("PACKAGE BODY"));
        break;
    case ObjectKindId::Type:
        storedSource(s("TYPE"));
        break;
    case ObjectKindId::Synonym:
        runStep(query, result, sql::synonymStatement(name),
                [&](const CatalogRows &rows) { SourceTab_Synonym(src, rows); }) &&
            summary(s("SYNONYM")) &&
            runStep(query, result, sql::synonymFacts(name),
                    [&](const CatalogRows &rows) { DefinitionTabAddInfo_Synonym(def, rows); });
        break;
    case ObjectKindId::Trigger:
        runStep(query, result, sql::triggerBody(name),
                [&](const CatalogRows &rows) { SourceTab_Trigger(src, rows); }) &&
            summary(s("TRIGGER")) &&
            runStep(query, result, sql::triggerFacts(name),
                    [&](const CatalogRows &rows) { DefinitionTabAddInfo_Trigger(def, rows); });
        break;
    case ObjectKindId::Index:
        if (runStep(query, result, sql::indexColumns(name),
                    [&](const CatalogRows &rows) { SourceTab_Index(src, rows); }) &&
            summary(s("INDEX"))) {
            // Catalogs without INDEX_TYPE fail the first form; that failure is not reported.
            DbResult<CatalogRows> facts = query.run(sql::indexFacts(name, false));
            if (facts)
                DefinitionTabAddInfo_Index(def, *facts);
            else
                runStep(query, result, sql::indexFacts(name, true),
                        [&](const CatalogRows &rows) { DefinitionTabAddInfo_Index(def, rows); });
        }
        break;
    case ObjectKindId::DbLink:
        summary(s("DATABASE LINK")) &&
            runStep(query, result, sql::dbLinkFacts(name),
                    [&](const CatalogRows &rows) { DefinitionTabAddInfo_DB_Link(def, rows); });
        break;
    case ObjectKindId::MaterializedView:
    case ObjectKindId::Sequence:
    case ObjectKindId::Event:
        // No ORACLE folder holds these kinds.
        break;
    }
    return result;
}

} // namespace kelvoran::db

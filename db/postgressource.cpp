#include "db/postgressource.h"

#include "db/postgrescatalog.h"

#include <functional>

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

// Columns of relationFacts.
enum Fact {
    FactOid,
    FactQualified,
    FactKind,
    FactPersistence,
    FactPartitionKey,
    FactParent,
    FactBound,
    FactOptions,
    FactComment,
    FactOwner,
    FactRows,
    FactSize,
    FactPopulated,
    FactQuery,
    FactParentDisplay,
    FactOwnName,
    FactInherits
};

// Columns of relationColumns.
enum Column {
    ColName,
    ColQuoted,
    ColType,
    ColNotNull,
    ColDefault,
    ColIdentity,
    ColGenerated,
    ColCollation,
    ColComment,
    ColLocal,
    ColSeqDependency,
    ColSeqQualified,
    ColSeqName,
    ColSeqType,
    ColSeqStart,
    ColSeqIncrement,
    ColSeqMin,
    ColSeqMax,
    ColSeqCache,
    ColSeqCycle,
    ColSeqQuoted
};

QString commentLine(const QString &what, const QString &target, const QString &comment) {
    return s("COMMENT ON ") + what + u' ' + target + s(" IS ") + pgsql::literal(comment) + u';';
}

// Appends a multi-line text (a server-printed definition), each line as one view line.
void appendText(ViewLines &view, const QString &text) {
    for (const QString &line : splitViewText(text))
        view.appendLine(line);
}

// The text without trailing blanks and one trailing ";".
QString withoutSemicolon(QString text) {
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    if (text.endsWith(u';'))
        text.chop(1);
    return text;
}

// A definition label line; a comment's line feeds become blanks so it stays one line.
QString labelled(const char *word, const QString &value) {
    QString oneLine = value;
    oneLine.replace(u'\n', u' ');
    return definitionLabel(s(word)) + oneLine;
}

// The largest value of a serial column's type, which a serial sequence takes as its maximum.
QString serialTypeFor(const QString &type, QString &maximum) {
    if (type == u"integer") {
        maximum = s("2147483647");
        return s("serial");
    }
    if (type == u"bigint") {
        maximum = s("9223372036854775807");
        return s("bigserial");
    }
    if (type == u"smallint") {
        maximum = s("32767");
        return s("smallserial");
    }
    return QString();
}

// The serial type when the column owns the sequence its serial type would create (named
// table_column_seq) and its default takes values from that sequence; otherwise empty.
QString serialType(const CatalogRows &columns, int r, const QString &table) {
    if (columns.text(r, ColSeqDependency) != u"a" || !postgresTrue(columns.text(r, ColNotNull)))
        return QString();
    QString maximum;
    const QString serial = serialTypeFor(columns.text(r, ColType), maximum);
    const QString fallback = table + u'_' + columns.text(r, ColName) + s("_seq");
    // The server names the sequence with its schema unless the schema is on the search path.
    const QString defaultText = columns.text(r, ColDefault);
    const bool fromSequence =
        defaultText ==
            s("nextval(") + pgsql::literal(columns.text(r, ColSeqQualified)) + s("::regclass)") ||
        defaultText ==
            s("nextval(") + pgsql::literal(columns.text(r, ColSeqQuoted)) + s("::regclass)");
    return !serial.isEmpty() && columns.text(r, ColSeqName) == fallback && fromSequence ? serial
                                                                                        : QString();
}

QString sequenceOptions(const QString &start, const QString &increment, const QString &minimum,
                        const QString &maximum, const QString &cache, bool cycle) {
    return s("START WITH ") + start + s(" INCREMENT BY ") + increment + s(" MINVALUE ") + minimum +
           s(" MAXVALUE ") + maximum + s(" CACHE ") + cache +
           (cycle ? s(" CYCLE") : s(" NO CYCLE"));
}

// The ALTER SEQUENCE statement that gives a serial column's sequence the options it has when
// they are not those the serial type gives it (the column's type, from 1 by 1, cache 1, no
// cycle); otherwise empty.
QString serialSequenceChange(const CatalogRows &columns, int r, const QString &table) {
    if (serialType(columns, r, table).isEmpty())
        return QString();
    QString maximum;
    serialTypeFor(columns.text(r, ColType), maximum);
    const bool asCreated =
        columns.text(r, ColSeqType) == columns.text(r, ColType) &&
        columns.text(r, ColSeqStart) == u"1" && columns.text(r, ColSeqIncrement) == u"1" &&
        columns.text(r, ColSeqMin) == u"1" && columns.text(r, ColSeqMax) == maximum &&
        columns.text(r, ColSeqCache) == u"1" && !postgresTrue(columns.text(r, ColSeqCycle));
    if (asCreated)
        return QString();
    return s("ALTER SEQUENCE ") + columns.text(r, ColSeqQualified) + s(" AS ") +
           columns.text(r, ColSeqType) + u' ' +
           sequenceOptions(columns.text(r, ColSeqStart), columns.text(r, ColSeqIncrement),
                           columns.text(r, ColSeqMin), columns.text(r, ColSeqMax),
                           columns.text(r, ColSeqCache),
                           postgresTrue(columns.text(r, ColSeqCycle))) +
           u';';
}

// Comments of the relation and its columns.
void appendComments(ViewLines &source, const QString &what, const CatalogRows &facts,
                    const CatalogRows &columns) {
    const QString qualified = facts.text(0, FactQualified);
    if (!facts.isNull(0, FactComment))
        source.appendLine(commentLine(what, qualified, facts.text(0, FactComment)));
    for (int r = 0; r < columns.count(); ++r)
        if (!columns.isNull(r, ColComment))
            source.appendLine(commentLine(s("COLUMN"),
                                          qualified + u'.' + columns.text(r, ColQuoted),
                                          columns.text(r, ColComment)));
}

// The CREATE INDEX lines of the indexes that no constraint creates, then the index comments.
void appendIndexes(ViewLines &source, const CatalogRows &indexes) {
    for (int r = 0; r < indexes.count(); ++r)
        if (!postgresTrue(indexes.text(r, 2)))
            source.appendLine(indexes.text(r, 1) + u';');
    for (int r = 0; r < indexes.count(); ++r)
        if (!indexes.isNull(r, 3))
            source.appendLine(commentLine(s("INDEX"), indexes.text(r, 4), indexes.text(r, 3)));
}

// The statement that puts a trigger in the state its enabled letter tells, or empty for a
// trigger that fires as a new one does ("O").
QString triggerStateLine(const QString &table, const QString &trigger, const QString &enabled) {
    const char *state = enabled == u"D"   ? "DISABLE"
                        : enabled == u"R" ? "ENABLE REPLICA"
                        : enabled == u"A" ? "ENABLE ALWAYS"
                                          : nullptr;
    if (!state)
        return QString();
    return s("ALTER TABLE ") + table + u' ' + s(state) + s(" TRIGGER ") + trigger + u';';
}

// " WITH (options)" of a view, or nothing.
QString withOptions(const QString &options) {
    return options.isEmpty() ? QString() : s(" WITH (") + options + u')';
}

// "UNIQUE btree (a, b)" from "CREATE UNIQUE INDEX x ON t USING btree (a, b)".
QString indexSummary(const QString &definition, bool backsConstraint) {
    const int using_ = int(definition.indexOf(s(" USING ")));
    QString summary = using_ < 0 ? definition : definition.mid(using_ + 7);
    if (definition.startsWith(u"CREATE UNIQUE INDEX"))
        summary = s("UNIQUE ") + summary;
    if (backsConstraint)
        summary += s(" (constraint)");
    return summary;
}

QString relationType(const CatalogRows &facts) {
    const QString kind = facts.text(0, FactKind);
    QString type = kind == u"v"   ? s("View")
                   : kind == u"m" ? s("Materialized View")
                   : kind == u"p" ? s("Partitioned Table")
                                  : s("Table");
    if (!facts.isNull(0, FactParent))
        type = s("Partition (") + type + u')';
    if (facts.text(0, FactPersistence) == u"u")
        type = s("Unlogged ") + type;
    return type;
}

void section(ViewLines &definition, const char *heading) {
    definition.appendLine(QString());
    definition.appendLine(s(heading));
}
} // namespace

bool postgresTrue(const QString &value) {
    return value.compare(u"true", Qt::CaseInsensitive) == 0 ||
           value.compare(u"t", Qt::CaseInsensitive) == 0 || value == u"1";
}

QString postgresColumnDefinition(const CatalogRows &columns, int r, const QString &table) {
    const QString serial = serialType(columns, r, table);
    QString text = serial.isEmpty() ? columns.text(r, ColType) : serial;
    if (!columns.isNull(r, ColCollation))
        text += s(" COLLATE ") + columns.text(r, ColCollation);
    const QString identity = columns.text(r, ColIdentity);
    if (identity == u"a" || identity == u"d") {
        text += identity == u"a" ? s(" GENERATED ALWAYS AS IDENTITY (")
                                 : s(" GENERATED BY DEFAULT AS IDENTITY (");
        text += s("SEQUENCE NAME ") + columns.text(r, ColSeqQualified) + u' ' +
                sequenceOptions(columns.text(r, ColSeqStart), columns.text(r, ColSeqIncrement),
                                columns.text(r, ColSeqMin), columns.text(r, ColSeqMax),
                                columns.text(r, ColSeqCache),
                                postgresTrue(columns.text(r, ColSeqCycle))) +
                u')';
    } else if (columns.text(r, ColGenerated) == u"s") {
        text += s(" GENERATED ALWAYS AS (") + columns.text(r, ColDefault) + s(") STORED");
    } else if (serial.isEmpty() && !columns.isNull(r, ColDefault)) {
        text += s(" DEFAULT ") + columns.text(r, ColDefault);
    }
    if (serial.isEmpty() && postgresTrue(columns.text(r, ColNotNull)))
        text += s(" NOT NULL");
    return text;
}

void SourceTab_PgTable(ViewLines &source, const CatalogRows &facts, const CatalogRows &columns,
                       const CatalogRows &constraints, const CatalogRows &indexes,
                       const CatalogRows &triggers) {
    if (facts.isEmpty())
        return;
    const QString qualified = facts.text(0, FactQualified);
    const bool partition = !facts.isNull(0, FactParent);
    const QString create =
        facts.text(0, FactPersistence) == u"u" ? s("CREATE UNLOGGED TABLE ") : s("CREATE TABLE ");
    const QString inherits = facts.text(0, FactInherits);
    QStringList body;
    // A partition takes its columns from its parent, and a child table those it does not
    // declare itself from the tables it inherits from; only its own constraints are listed.
    if (!partition)
        for (int r = 0; r < columns.count(); ++r)
            if (inherits.isEmpty() || postgresTrue(columns.text(r, ColLocal)))
                body << alignedName(columns.text(r, ColQuoted)) +
                            postgresColumnDefinition(columns, r, facts.text(0, FactOwnName));
    for (int r = 0; r < constraints.count(); ++r)
        body << s("CONSTRAINT ") + constraints.text(r, 0) + u' ' + constraints.text(r, 3);

    // What follows the column list, in the order CREATE TABLE takes it.
    QStringList tail;
    if (partition) {
        source.setFirstLine(create + qualified + s(" PARTITION OF ") + facts.text(0, FactParent) +
                            (body.isEmpty() ? QString() : s(" (")));
        tail << facts.text(0, FactBound);
    } else {
        source.setFirstLine(create + qualified + s(" ("));
    }
    if (!inherits.isEmpty())
        tail << s("INHERITS (") + inherits + u')';
    if (!facts.isNull(0, FactPartitionKey))
        tail << s("PARTITION BY ") + facts.text(0, FactPartitionKey);
    if (!facts.text(0, FactOptions).isEmpty())
        tail << s("WITH (") + facts.text(0, FactOptions) + u')';
    for (int i = 0; i < body.size(); ++i)
        source.appendLine(body[i] + (i + 1 < body.size() ? s(",") : QString()));
    if (partition && body.isEmpty())
        source.appendLine(tail.join(u' ') + u';');
    else
        source.appendLine((QStringList{s(")")} + tail).join(u' ') + u';');

    if (!partition)
        for (int r = 0; r < columns.count(); ++r) {
            const QString change = serialSequenceChange(columns, r, facts.text(0, FactOwnName));
            if (!change.isEmpty())
                source.appendLine(change);
        }
    appendIndexes(source, indexes);
    for (int r = 0; r < triggers.count(); ++r) {
        source.appendLine(triggers.text(r, 1) + u';');
        const QString state = triggerStateLine(qualified, triggers.text(r, 2), triggers.text(r, 4));
        if (!state.isEmpty())
            source.appendLine(state);
    }
    appendComments(source, s("TABLE"), facts, columns);
    for (int r = 0; r < triggers.count(); ++r)
        if (!triggers.isNull(r, 3))
            source.appendLine(commentLine(s("TRIGGER"), triggers.text(r, 2) + s(" ON ") + qualified,
                                          triggers.text(r, 3)));
}

void SourceTab_PgView(ViewLines &source, const CatalogRows &facts, const CatalogRows &columns,
                      const CatalogRows &indexes) {
    if (facts.isEmpty())
        return;
    const bool materialized = facts.text(0, FactKind) == u"m";
    const QString qualified = facts.text(0, FactQualified);
    source.setFirstLine(
        (materialized ? s("CREATE MATERIALIZED VIEW ") : s("CREATE OR REPLACE VIEW ")) + qualified +
        withOptions(facts.text(0, FactOptions)) + s(" AS"));
    appendText(source, withoutSemicolon(facts.text(0, FactQuery)));
    if (materialized) {
        source.appendLine(postgresTrue(facts.text(0, FactPopulated)) ? s("WITH DATA;")
                                                                     : s("WITH NO DATA;"));
        appendIndexes(source, indexes);
    } else {
        source.replaceLastLine(source.lastLine() + u';');
    }
    appendComments(source, materialized ? s("MATERIALIZED VIEW") : s("VIEW"), facts, columns);
}

void DefinitionTab_PgRelation(ViewLines &definition, const QString &name, const CatalogRows &facts,
                              const CatalogRows &columns, const CatalogRows &constraints,
                              const CatalogRows &indexes) {
    if (facts.isEmpty())
        return;
    const QString kind = facts.text(0, FactKind);
    const bool stored = kind != u"v";
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Type", relationType(facts)));
    if (!facts.isNull(0, FactParent)) {
        definition.appendLine(labelled("Partition Of", facts.text(0, FactParentDisplay)));
        definition.appendLine(labelled("Partition Bound", facts.text(0, FactBound)));
    }
    if (!facts.isNull(0, FactPartitionKey))
        definition.appendLine(labelled("Partition Key", facts.text(0, FactPartitionKey)));
    definition.appendLine(labelled("Owner", facts.text(0, FactOwner)));
    definition.appendLine(labelled("Comment", facts.text(0, FactComment)));
    if (stored) {
        // A relation never analysed stores -1 (0 before version 14) as its estimate.
        const QString rows = facts.text(0, FactRows);
        definition.appendLine(
            labelled("Estimated Rows", rows.startsWith(u'-') ? s("unknown (not analysed)") : rows));
        definition.appendLine(labelled("Size", facts.text(0, FactSize)));
    }
    if (kind == u"m")
        definition.appendLine(
            labelled("Populated", postgresTrue(facts.text(0, FactPopulated)) ? s("YES") : s("NO")));

    section(definition, "Columns");
    for (int r = 0; r < columns.count(); ++r) {
        QString line = alignedName(columns.text(r, ColName)) + columns.text(r, ColType);
        if (postgresTrue(columns.text(r, ColNotNull)))
            line += s(" NOT NULL");
        const QString identity = columns.text(r, ColIdentity);
        if (identity == u"a" || identity == u"d")
            line += identity == u"a" ? s(" GENERATED ALWAYS AS IDENTITY")
                                     : s(" GENERATED BY DEFAULT AS IDENTITY");
        else if (columns.text(r, ColGenerated) == u"s")
            line += s(" GENERATED ALWAYS AS (") + columns.text(r, ColDefault) + s(") STORED");
        else if (!columns.isNull(r, ColDefault))
            line += s(" DEFAULT ") + columns.text(r, ColDefault);
        definition.appendLine(line);
    }
    if (kind != u"v" && kind != u"m") {
        section(definition, "Constraints");
        for (int r = 0; r < constraints.count(); ++r)
            definition.appendLine(alignedName(constraints.text(r, 1)) + constraints.text(r, 3));
    }
    if (stored) {
        section(definition, "Indexes");
        for (int r = 0; r < indexes.count(); ++r)
            definition.appendLine(
                alignedName(indexes.text(r, 0)) +
                indexSummary(indexes.text(r, 1), postgresTrue(indexes.text(r, 2))));
    }
    definition.appendLine(QString());
}

void SourceTab_PgIndex(ViewLines &source, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    // An index a constraint creates is recreated by adding the constraint.
    if (!facts.isNull(0, 7))
        source.setFirstLine(s("ALTER TABLE ") + facts.text(0, 9) + s(" ADD CONSTRAINT ") +
                            facts.text(0, 7) + u' ' + facts.text(0, 8) + u';');
    else
        source.setFirstLine(facts.text(0, 1) + u';');
    if (!facts.isNull(0, 10))
        source.appendLine(commentLine(s("INDEX"), facts.text(0, 11), facts.text(0, 10)));
}

void DefinitionTab_PgIndex(ViewLines &definition, const QString &name, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Table Name", facts.text(0, 2)));
    definition.appendLine(labelled("Index Type", facts.text(0, 3)));
    definition.appendLine(
        labelled("Uniqueness", postgresTrue(facts.text(0, 4)) ? s("UNIQUE") : s("NONUNIQUE")));
    definition.appendLine(
        labelled("Primary Key", postgresTrue(facts.text(0, 5)) ? s("YES") : s("NO")));
    definition.appendLine(labelled("Constraint", facts.text(0, 7)));
    definition.appendLine(labelled("Size", facts.text(0, 6)));
    definition.appendLine(labelled("Comment", facts.text(0, 10)));
    definition.appendLine(QString());
}

void SourceTab_PgSequence(ViewLines &source, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    const QString qualified = facts.text(0, 1);
    source.setFirstLine(
        (postgresTrue(facts.text(0, 12)) ? s("CREATE UNLOGGED SEQUENCE ") : s("CREATE SEQUENCE ")) +
        qualified);
    source.appendLine(s("    AS ") + facts.text(0, 2));
    source.appendLine(s("    ") +
                      sequenceOptions(facts.text(0, 3), facts.text(0, 4), facts.text(0, 5),
                                      facts.text(0, 6), facts.text(0, 7),
                                      postgresTrue(facts.text(0, 8))) +
                      u';');
    if (!facts.isNull(0, 11))
        source.appendLine(s("ALTER SEQUENCE ") + qualified + s(" OWNED BY ") + facts.text(0, 11) +
                          u';');
    if (!facts.isNull(0, 10))
        source.appendLine(commentLine(s("SEQUENCE"), qualified, facts.text(0, 10)));
}

void DefinitionTab_PgSequence(ViewLines &definition, const QString &name,
                              const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Owner", facts.text(0, 9)));
    definition.appendLine(labelled("Data Type", facts.text(0, 2)));
    definition.appendLine(labelled("Start", facts.text(0, 3)));
    definition.appendLine(labelled("Increment", facts.text(0, 4)));
    definition.appendLine(labelled("Min Value", facts.text(0, 5)));
    definition.appendLine(labelled("Max Value", facts.text(0, 6)));
    definition.appendLine(labelled("Cache", facts.text(0, 7)));
    definition.appendLine(labelled("Cycle", postgresTrue(facts.text(0, 8)) ? s("YES") : s("NO")));
    definition.appendLine(labelled("Owned By", facts.text(0, 11)));
    definition.appendLine(labelled("Comment", facts.text(0, 10)));
    definition.appendLine(QString());
}

void SourceTab_PgRoutine(ViewLines &source, const CatalogRows &facts, bool procedure) {
    if (facts.isEmpty())
        return;
    const QStringList lines = splitViewText(withoutSemicolon(facts.text(0, 1)));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i] + (i + 1 == lines.size() ? s(";") : QString());
        if (i == 0)
            source.setFirstLine(line);
        else
            source.appendLine(line);
    }
    if (!facts.isNull(0, 3))
        source.appendLine(commentLine(procedure ? s("PROCEDURE") : s("FUNCTION"), facts.text(0, 2),
                                      facts.text(0, 3)));
}

void DefinitionTab_PgRoutine(ViewLines &definition, const QString &name, const CatalogRows &facts,
                             bool procedure) {
    if (facts.isEmpty())
        return;
    const QString volatility = facts.text(0, 8);
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Type", procedure ? s("Procedure") : s("Function")));
    definition.appendLine(labelled("Owner", facts.text(0, 4)));
    definition.appendLine(labelled("Arguments", facts.text(0, 5)));
    if (!procedure)
        definition.appendLine(labelled("Returns", facts.text(0, 6)));
    definition.appendLine(labelled("Language", facts.text(0, 7)));
    if (!procedure)
        definition.appendLine(labelled("Volatility", volatility == u"i"   ? s("IMMUTABLE")
                                                     : volatility == u"s" ? s("STABLE")
                                                                          : s("VOLATILE")));
    definition.appendLine(labelled("Comment", facts.text(0, 3)));
    definition.appendLine(QString());
}

void SourceTab_PgTrigger(ViewLines &source, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    source.setFirstLine(facts.text(0, 1) + u';');
    const QString state = triggerStateLine(facts.text(0, 7), facts.text(0, 8), facts.text(0, 6));
    if (!state.isEmpty())
        source.appendLine(state);
    if (!facts.isNull(0, 3))
        source.appendLine(commentLine(s("TRIGGER"), facts.text(0, 2), facts.text(0, 3)));
}

void DefinitionTab_PgTrigger(ViewLines &definition, const QString &name, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    const QString enabled = facts.text(0, 6);
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Table Name", facts.text(0, 4)));
    definition.appendLine(labelled("Function", facts.text(0, 5)));
    definition.appendLine(labelled("Status", enabled == u"D"   ? s("DISABLED")
                                             : enabled == u"R" ? s("ENABLED REPLICA")
                                             : enabled == u"A" ? s("ENABLED ALWAYS")
                                                               : s("ENABLED")));
    definition.appendLine(labelled("Comment", facts.text(0, 3)));
    definition.appendLine(QString());
}

void SourceTab_PgType(ViewLines &source, const CatalogRows &facts, const CatalogRows &members) {
    if (facts.isEmpty())
        return;
    const QString qualified = facts.text(0, 1);
    const QString kind = facts.text(0, 2);
    if (kind == u"d") {
        QString head = s("CREATE DOMAIN ") + qualified + s(" AS ") + facts.text(0, 5);
        if (!facts.isNull(0, 8))
            head += s(" COLLATE ") + facts.text(0, 8);
        if (!facts.isNull(0, 6))
            head += s(" DEFAULT ") + facts.text(0, 6);
        if (postgresTrue(facts.text(0, 7)))
            head += s(" NOT NULL");
        source.setFirstLine(head);
        for (int r = 0; r < members.count(); ++r)
            source.appendLine(s("    CONSTRAINT ") + members.text(r, 0) + u' ' +
                              members.text(r, 1));
        source.replaceLastLine(source.lastLine() + u';');
    } else {
        source.setFirstLine(s("CREATE TYPE ") + qualified +
                            (kind == u"e" ? s(" AS ENUM (") : s(" AS (")));
        for (int r = 0; r < members.count(); ++r) {
            const QString item =
                kind == u"e" ? s("    ") + pgsql::literal(members.text(r, 0))
                             : alignedName(members.text(r, ColQuoted)) + members.text(r, ColType) +
                                   (members.isNull(r, ColCollation)
                                        ? QString()
                                        : s(" COLLATE ") + members.text(r, ColCollation));
            source.appendLine(item + (r + 1 < members.count() ? s(",") : QString()));
        }
        source.appendLine(s(");"));
    }
    if (!facts.isNull(0, 4))
        source.appendLine(
            commentLine(kind == u"d" ? s("DOMAIN") : s("TYPE"), qualified, facts.text(0, 4)));
}

void DefinitionTab_PgType(ViewLines &definition, const QString &name, const CatalogRows &facts) {
    if (facts.isEmpty())
        return;
    const QString kind = facts.text(0, 2);
    definition.setFirstLine(labelled("Object Name", name));
    definition.appendLine(labelled("Type", kind == u"e"   ? s("Enum")
                                           : kind == u"d" ? s("Domain")
                                                          : s("Composite")));
    definition.appendLine(labelled("Owner", facts.text(0, 3)));
    if (kind == u"d") {
        definition.appendLine(labelled("Base Type", facts.text(0, 5)));
        definition.appendLine(labelled("Default", facts.text(0, 6)));
        definition.appendLine(
            labelled("Not Null", postgresTrue(facts.text(0, 7)) ? s("YES") : s("NO")));
    }
    definition.appendLine(labelled("Comment", facts.text(0, 4)));
    definition.appendLine(QString());
}

DescribeResult describePostgresObject(CatalogQuery &query, ObjectKindId kind, const QString &name) {
    DescribeResult result;
    // Runs a statement; a failure ends the description with its error.
    const auto run = [&](const QStringList &statement, CatalogRows &rows) {
        DbResult<CatalogRows> got = query.run(statement);
        if (!got) {
            result.error = got.error();
            return false;
        }
        rows = *got;
        return true;
    };
    CatalogRows facts, columns, constraints, indexes, triggers, members;
    switch (kind) {
    case ObjectKindId::Table:
    case ObjectKindId::View:
    case ObjectKindId::MaterializedView: {
        if (!run(pgsql::relationFacts(kind, name), facts) || facts.isEmpty())
            return result;
        const QString oid = facts.text(0, FactOid);
        if (!run(pgsql::relationColumns(oid), columns))
            return result;
        const bool table = kind == ObjectKindId::Table;
        if (table && !run(pgsql::tableConstraints(oid), constraints))
            return result;
        if (kind != ObjectKindId::View && !run(pgsql::relationIndexes(oid), indexes))
            return result;
        if (table && !run(pgsql::tableTriggers(oid), triggers))
            return result;
        if (table)
            SourceTab_PgTable(result.source, facts, columns, constraints, indexes, triggers);
        else
            SourceTab_PgView(result.source, facts, columns, indexes);
        DefinitionTab_PgRelation(result.definition, name, facts, columns, constraints, indexes);
        break;
    }
    case ObjectKindId::Index:
        if (!run(pgsql::indexFacts(name), facts))
            return result;
        SourceTab_PgIndex(result.source, facts);
        DefinitionTab_PgIndex(result.definition, name, facts);
        break;
    case ObjectKindId::Sequence:
        if (!run(pgsql::sequenceFacts(name), facts))
            return result;
        SourceTab_PgSequence(result.source, facts);
        DefinitionTab_PgSequence(result.definition, name, facts);
        break;
    case ObjectKindId::Function:
    case ObjectKindId::Procedure: {
        const bool procedure = kind == ObjectKindId::Procedure;
        if (!run(pgsql::routineFacts(kind, name), facts))
            return result;
        SourceTab_PgRoutine(result.source, facts, procedure);
        DefinitionTab_PgRoutine(result.definition, name, facts, procedure);
        break;
    }
    case ObjectKindId::Trigger:
        if (!run(pgsql::triggerFacts(name), facts))
            return result;
        SourceTab_PgTrigger(result.source, facts);
        DefinitionTab_PgTrigger(result.definition, name, facts);
        break;
    case ObjectKindId::Type: {
        if (!run(pgsql::typeFacts(name), facts) || facts.isEmpty())
            return result;
        const QString typeKind = facts.text(0, 2);
        const QStringList membersStatement = typeKind == u"e" ? pgsql::enumLabels(facts.text(0, 0))
                                             : typeKind == u"d"
                                                 ? pgsql::domainConstraints(facts.text(0, 0))
                                                 : pgsql::relationColumns(facts.text(0, 9));
        if (!run(membersStatement, members))
            return result;
        SourceTab_PgType(result.source, facts, members);
        DefinitionTab_PgType(result.definition, name, facts);
        break;
    }
    default:
        break;
    }
    return result;
}

} // namespace kelvoran::db

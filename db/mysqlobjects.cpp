#include "db/mysqlobjects.h"

#include "db/catalogsql.h"

#include <utility>
#include <vector>

namespace kelvoran::db {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

using Facts = std::vector<std::pair<const char *, const char *>>; // label, column

// What the summary of each type word shows, in order.
const Facts &factsOf(const QString &typeWord) {
    static const Facts view{{"Definer", "DEFINER"},
                            {"Security", "SECURITY_TYPE"},
                            {"Check Option", "CHECK_OPTION"},
                            {"Updatable", "IS_UPDATABLE"},
                            {"Character Set", "CHARACTER_SET_CLIENT"},
                            {"Collation", "COLLATION_CONNECTION"}};
    static const Facts procedure{{"Type", "ROUTINE_TYPE"},
                                 {"Definer", "DEFINER"},
                                 {"Security", "SECURITY_TYPE"},
                                 {"Deterministic", "IS_DETERMINISTIC"},
                                 {"Data Access", "SQL_DATA_ACCESS"},
                                 {"Create", "CREATED"},
                                 {"Modified", "LAST_ALTERED"},
                                 {"SQL Mode", "SQL_MODE"},
                                 {"Character Set", "CHARACTER_SET_CLIENT"},
                                 {"Comment", "ROUTINE_COMMENT"}};
    static const Facts function = [] {
        Facts facts = procedure;
        facts.insert(facts.begin() + 1, {"Returns", "DTD_IDENTIFIER"});
        return facts;
    }();
    static const Facts trigger{{"Table Name", "EVENT_OBJECT_TABLE"},
                               {"Timing", "ACTION_TIMING"},
                               {"Triggering_Event", "EVENT_MANIPULATION"},
                               {"Order", "ACTION_ORDER"},
                               {"Definer", "DEFINER"},
                               {"Create", "CREATED"},
                               {"SQL Mode", "SQL_MODE"},
                               {"Character Set", "CHARACTER_SET_CLIENT"}};
    static const Facts event{{"Type", "EVENT_TYPE"},
                             {"Definer", "DEFINER"},
                             {"Execute At", "EXECUTE_AT"},
                             {"Interval Value", "INTERVAL_VALUE"},
                             {"Interval Field", "INTERVAL_FIELD"},
                             {"Starts", "STARTS"},
                             {"Ends", "ENDS"},
                             {"Status", "STATUS"},
                             {"On Completion", "ON_COMPLETION"},
                             {"Create", "CREATED"},
                             {"Modified", "LAST_ALTERED"},
                             {"Last Executed", "LAST_EXECUTED"},
                             {"Comment", "EVENT_COMMENT"}};
    if (typeWord == u"VIEW")
        return view;
    if (typeWord == u"FUNCTION")
        return function;
    if (typeWord == u"TRIGGER")
        return trigger;
    if (typeWord == u"EVENT")
        return event;
    return procedure;
}

// The SHOW CREATE column that holds the statement.
QString statementColumn(const QString &typeWord) {
    if (typeWord == u"TRIGGER")
        return s("SQL Original Statement");
    QString word = typeWord.toLower();
    word[0] = word[0].toUpper();
    return s("Create ") + word;
}
} // namespace

void SourceTab_MySqlObject(ViewLines &source, const QString &typeWord, const CatalogRows &rows) {
    const int column = rows.columnIndex(statementColumn(typeWord));
    if (rows.isEmpty() || rows.isNull(0, column))
        return;
    source.setStatement(rows.text(0, column));
}

void DefinitionTab_MySqlObject(ViewLines &definition, const QString &typeWord, const QString &name,
                               const CatalogRows &rows) {
    if (!rows.isEmpty()) {
        definition.setFirstLine(definitionLabel(s("Object Name")) + name);
        const Facts &facts = factsOf(typeWord);
        for (size_t i = 0; i < facts.size(); ++i)
            definition.appendLine(definitionLabel(s(facts[i].first)) + rows.text(0, int(i)));
    }
    definition.appendLine(QString());
}

DescribeResult describeMySqlObject(CatalogQuery &query, const ObjectKind &folder,
                                   const QString &name) {
    DescribeResult result;
    const QString &typeWord = folder.typeWord;
    DbResult<CatalogRows> created = query.run(catalogsql::mysqlShowCreate(typeWord, name));
    if (!created) {
        result.error = created.error();
        return result;
    }
    SourceTab_MySqlObject(result.source, typeWord, *created);
    QStringList columns;
    for (const auto &fact : factsOf(typeWord))
        columns << s(fact.second);
    DbResult<CatalogRows> facts = query.run(catalogsql::mysqlObjectFacts(typeWord, name, columns));
    if (!facts) {
        result.error = facts.error();
        return result;
    }
    DefinitionTab_MySqlObject(result.definition, typeWord, name, *facts);
    return result;
}

} // namespace kelvoran::db

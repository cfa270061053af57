#include "db/catalogsql.h"

#include <QRegularExpression>
#include <QSet>

namespace kelvoran::db::catalogsql {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

// "... '" + name + "' " lines: the prefix, the quoted name and the suffix.
QString withName(const char *prefix, const QString &name, const char *suffix) {
    return s(prefix) + quoted(name) + s(suffix);
}

const char *const tableColumnList =
    "COLUMN_NAME,DATA_TYPE||DECODE(DATA_TYPE,'DATE',NULL,'NUMBER',(DECODE(DATA_PRECISION,'','('||"
    "DATA_LENGTH||')',NULL,'('||DATA_LENGTH||')',(DECODE(DATA_SCALE,'','('||DATA_PRECISION||')',"
    "NULL,'('||DATA_PRECISION||')',"
    "0,'('||DATA_PRECISION||')','('||DATA_PRECISION||','||DATA_SCALE||')')))),'('||DATA_LENGTH||"
    "')') DATA_TYPE,DATA_DEFAULT,DECODE(NULLABLE,'N',' NOT NULL','') NULLABLE ";

const char *const viewColumnList =
    "COLUMN_NAME,DATA_TYPE||DECODE(DATA_TYPE,'DATE',NULL,'('||DATA_LENGTH||')'||DECODE(NULLABLE,"
    "'N',' NOT NULL',''))";

QStringList columnStatement(const char *columnList, const QString &name) {
    return {s(" SELECT ") + s(columnList) + s(" "), s("   FROM USER_TAB_COLUMNS "),
            withName("  WHERE TABLE_NAME = '", name, "' "), s("  ORDER BY  COLUMN_ID ")};
}

// The seven lines shared by the check and unique statements.
QStringList constraintHead(const char *columns, const QString &name) {
    return {s("   SELECT ") + s(columns) + s(" "),
            s("     FROM USER_CONSTRAINTS A, "),
            s("          USER_CONS_COLUMNS B "),
            withName("    WHERE B.TABLE_NAME      = '", name, "' "),
            s("      AND A.OWNER           = B.OWNER "),
            s("      AND A.TABLE_NAME      = B.TABLE_NAME "),
            s("      AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME ")};
}
} // namespace

QString quoted(const QString &name) {
    QString out = name;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

QString mysqlQuoted(const QString &name) {
    QString out = name;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

bool mysqlReservedWord(const QString &word) {
    // The reserved words of current MySQL and MariaDB servers together: a name that is one of
    // them on either server is taken for a keyword there.
    static const QSet<QString> reserved = [] {
        QSet<QString> set;
        // clang-format off
        for (const char *w : {
                 "ACCESSIBLE", "ADD", "ALL", "ALTER", "ANALYZE", "AND", "AS", "ASC", "ASENSITIVE",
                 "BEFORE", "BETWEEN", "BIGINT", "BINARY", "BLOB", "BOTH", "BY", "CALL", "CASCADE",
                 "CASE", "CHANGE", "CHAR", "CHARACTER", "CHECK", "COLLATE", "COLUMN", "CONDITION",
                 "CONSTRAINT", "CONTINUE", "CONVERT", "CREATE", "CROSS", "CUBE", "CUME_DIST",
                 "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
                 "CURRENT_USER", "CURSOR", "DATABASE", "DATABASES", "DAY_HOUR", "DAY_MICROSECOND",
                 "DAY_MINUTE", "DAY_SECOND", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DELAYED",
                 "DELETE", "DELETE_DOMAIN_ID", "DENSE_RANK", "DESC", "DESCRIBE", "DETERMINISTIC",
                 "DISTINCT", "DISTINCTROW", "DIV", "DO_DOMAIN_IDS", "DOUBLE", "DROP", "DUAL",
                 "EACH", "ELSE", "ELSEIF", "EMPTY", "ENCLOSED", "ESCAPED", "EXCEPT", "EXISTS",
                 "EXIT", "EXPLAIN", "FALSE", "FETCH", "FIRST_VALUE", "FLOAT", "FLOAT4", "FLOAT8",
                 "FOR", "FORCE", "FOREIGN", "FROM", "FULLTEXT", "FUNCTION", "GENERAL",
                 "GENERATED", "GET", "GRANT", "GROUP", "GROUPING", "GROUPS", "HAVING",
                 "HIGH_PRIORITY", "HOUR_MICROSECOND", "HOUR_MINUTE", "HOUR_SECOND", "IF",
                 "IGNORE", "IGNORE_DOMAIN_IDS", "IGNORE_SERVER_IDS", "IN", "INDEX", "INFILE",
                 "INNER", "INOUT", "INSENSITIVE", "INSERT", "INT", "INT1", "INT2", "INT3", "INT4",
                 "INT8", "INTEGER", "INTERSECT", "INTERVAL", "INTO", "IO_AFTER_GTIDS",
                 "IO_BEFORE_GTIDS", "IS", "ITERATE", "JOIN", "JSON_TABLE", "KEY", "KEYS", "KILL",
                 "LAG", "LAST_VALUE", "LATERAL", "LEAD", "LEADING", "LEAVE", "LEFT", "LIKE",
                 "LIMIT", "LINEAR", "LINES", "LOAD", "LOCALTIME", "LOCALTIMESTAMP", "LOCK",
                 "LONG", "LONGBLOB", "LONGTEXT", "LOOP", "LOW_PRIORITY", "MASTER_BIND",
                 "MASTER_HEARTBEAT_PERIOD", "MASTER_SSL_VERIFY_SERVER_CERT", "MATCH", "MAXVALUE",
                 "MEDIUMBLOB", "MEDIUMINT", "MEDIUMTEXT", "MIDDLEINT", "MINUTE_MICROSECOND",
                 "MINUTE_SECOND", "MOD", "MODIFIES", "NATURAL", "NOT", "NO_WRITE_TO_BINLOG",
                 "NTH_VALUE", "NTILE", "NULL", "NUMERIC", "OF", "OFFSET", "ON", "OPTIMIZE",
                 "OPTIMIZER_COSTS", "OPTION", "OPTIONALLY", "OR", "ORDER", "OUT", "OUTER",
                 "OUTFILE", "OVER", "PAGE_CHECKSUM", "PARSE_VCOL_EXPR", "PARTITION",
                 "PERCENT_RANK", "POSITION", "PRECISION", "PRIMARY", "PROCEDURE", "PURGE",
                 "RANGE", "RANK", "READ", "READS", "READ_WRITE", "REAL", "RECURSIVE",
                 "REF_SYSTEM_ID", "REFERENCES", "REGEXP", "RELEASE", "RENAME", "REPEAT",
                 "REPLACE", "REQUIRE", "RESIGNAL", "RESTRICT", "RETURN", "RETURNING", "REVOKE",
                 "RIGHT", "RLIKE", "ROW", "ROWS", "ROW_NUMBER", "SCHEMA", "SCHEMAS",
                 "SECOND_MICROSECOND", "SELECT", "SENSITIVE", "SEPARATOR", "SET", "SHOW",
                 "SIGNAL", "SLOW", "SMALLINT", "SPATIAL", "SPECIFIC", "SQL", "SQLEXCEPTION",
                 "SQLSTATE", "SQLWARNING", "SQL_BIG_RESULT", "SQL_CALC_FOUND_ROWS",
                 "SQL_SMALL_RESULT", "SSL", "STARTING", "STATS_AUTO_RECALC", "STATS_PERSISTENT",
                 "STATS_SAMPLE_PAGES", "STORED", "STRAIGHT_JOIN", "SYSTEM", "TABLE", "TERMINATED",
                 "THEN", "TINYBLOB", "TINYINT", "TINYTEXT", "TO", "TRAILING", "TRIGGER", "TRUE",
                 "UNDO", "UNION", "UNIQUE", "UNLOCK", "UNSIGNED", "UPDATE", "USAGE", "USE",
                 "USING", "UTC_DATE", "UTC_TIME", "UTC_TIMESTAMP", "VALUES", "VARBINARY",
                 "VARCHAR", "VARCHARACTER", "VARYING", "VIRTUAL", "WHEN", "WHERE", "WHILE",
                 "WINDOW", "WITH", "WRITE", "XOR", "YEAR_MONTH", "ZEROFILL"})
            // clang-format on
            set.insert(QString::fromLatin1(w));
        return set;
    }();
    return reserved.contains(word.toUpper());
}

QString mysqlIdentifier(const QString &name) {
    static const QRegularExpression plain(
        QStringLiteral("^[A-Za-z0-9_$]*[A-Za-z_$][A-Za-z0-9_$]*$"));
    if (plain.match(name).hasMatch() && !mysqlReservedWord(name))
        return name;
    QString inner = name;
    inner.replace(QLatin1Char('`'), QStringLiteral("``"));
    return QLatin1Char('`') + inner + QLatin1Char('`');
}

QStringList objectList(const QString &typeWord) {
    return {s(" SELECT ") + s("OBJECT_NAME") + s(" "), s("   FROM USER_OBJECTS "),
            withName("  WHERE OBJECT_TYPE = '", typeWord, "' "),
            s("  ORDER BY  ") + s("OBJECT_NAME") + s(" ")};
}

QStringList tableColumns(const QString &name) {
    return columnStatement(tableColumnList, name);
}

QStringList viewColumns(const QString &name) {
    return columnStatement(viewColumnList, name);
}

QStringList primaryKey(const QString &name) {
    return {s(" SELECT B.CONSTRAINT_NAME,B.COLUMN_NAME "),
            s("   FROM USER_CONSTRAINTS  A, "),
            s("        USER_CONS_COLUMNS B "),
            s("  WHERE A.TABLE_NAME = B.TABLE_NAME "),
            s("    AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME "),
            s("    AND A.CONSTRAINT_TYPE = 'P' "),
            withName("    AND B.TABLE_NAME = '", name, "' "),
            s("  ORDER BY  B.POSITION ")};
}

QStringList foreignKeys(const QString &name) {
    return {
        s("   SELECT Y.CONSTRAINT_NAME,Y.COLUMN_NAME,Z.TABLE_NAME,Z.COLUMN_NAME REF_COLUMN_NAME,"
          "DECODE(Y.DELETE_RULE,'CASCADE',' ON DELETE CASCADE ','') "),
        s("     FROM "),
        s("         (SELECT B.CONSTRAINT_NAME, "),
        s("                 B.COLUMN_NAME, "),
        s("                 A.R_CONSTRAINT_NAME, "),
        s("                 B.POSITION, "),
        s("                 A.DELETE_RULE "),
        s("            FROM USER_CONSTRAINTS A, "),
        s("                 USER_CONS_COLUMNS B "),
        s("           WHERE A.OWNER = B.OWNER "),
        s("             AND A.TABLE_NAME = B.TABLE_NAME "),
        s("             AND A.CONSTRAINT_NAME = B.CONSTRAINT_NAME "),
        s("             AND A.CONSTRAINT_TYPE = 'R' "),
        withName("             AND B.TABLE_NAME = '", name, "' "),
        s("        /*ORDER BY B.CONSTRAINT_NAME,B.POSITION*/) Y, "),
        s("         (SELECT C.TABLE_NAME, "),
        s("                 C.CONSTRAINT_NAME, "),
        s("                 C.COLUMN_NAME     , "),
        s("                 C.POSITION "),
        s("            FROM USER_CONS_COLUMNS C, "),
        s("                 (SELECT DISTINCT(D.R_CONSTRAINT_NAME) "),
        s("                    FROM USER_CONSTRAINTS  D, "),
        s("                         USER_CONS_COLUMNS E "),
        s("                   WHERE D.OWNER           = E.OWNER "),
        s("                     AND D.TABLE_NAME      = E.TABLE_NAME "),
        s("                     AND D.CONSTRAINT_NAME = E.CONSTRAINT_NAME "),
        s("                     AND D.CONSTRAINT_TYPE = 'R' "),
        withName("                     AND E.TABLE_NAME      = '", name, "' ) F "),
        s("           WHERE C.CONSTRAINT_NAME = F.R_CONSTRAINT_NAME "),
        s("          /*ORDER BY F.R_CONSTRAINT_NAME,C.POSITION*/) Z "),
        s("      WHERE Y.R_CONSTRAINT_NAME = Z.CONSTRAINT_NAME "),
        s("        AND Y.POSITION          = Z.POSITION "),
        s("   ORDER BY  Y.CONSTRAINT_NAME,Y.POSITION ")};
}

QStringList checkConstraints(const QString &name) {
    QStringList lines = constraintHead("A.CONSTRAINT_NAME,A.SEARCH_CONDITION,B.COLUMN_NAME", name);
    lines << s("      AND A.CONSTRAINT_TYPE = 'C' ") << s(" ORDER BY  A.CONSTRAINT_NAME ");
    return lines;
}

QStringList uniqueConstraints(const QString &name) {
    QStringList lines = constraintHead("A.CONSTRAINT_NAME,B.COLUMN_NAME", name);
    lines << s("      AND A.CONSTRAINT_TYPE = 'U' ")
          << s(" ORDER BY  A.CONSTRAINT_NAME ,B.POSITION");
    return lines;
}

QStringList viewText(const QString &name) {
    return {s("   SELECT TEXT "), s("     FROM USER_VIEWS "),
            withName("    WHERE VIEW_NAME  = '", name, "' ")};
}

QStringList storedSource(const QString &name, const QString &typeWord) {
    return {s(" SELECT TEXT,LINE "), s("   FROM USER_SOURCE "),
            withName("  WHERE NAME = '", name, "' "), s("  AND TYPE = '") + typeWord + s("' "),
            s("  ORDER BY  LINE ")};
}

QStringList synonymStatement(const QString &name) {
    return {s(" SELECT 'CREATE SYNONYM '||SYNONYM_NAME||' FOR '||TABLE_OWNER||'.'||TABLE_NAME "),
            s("   FROM USER_SYNONYMS "), withName("  WHERE SYNONYM_NAME = '", name, "' ")};
}

QStringList triggerBody(const QString &name) {
    return {s(" SELECT TRIGGER_BODY "), s("   FROM USER_TRIGGERS "),
            withName("  WHERE TRIGGER_NAME = '", name, "' ")};
}

QStringList indexColumns(const QString &name) {
    return {
        s(" SELECT STC.COLUMN_NAME,STC.DATA_TYPE||'('||STC.DATA_LENGTH||')',UIC.COLUMN_POSITION "),
        s("   FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC"),
        s("  WHERE STC.TABLE_NAME  = UIC.TABLE_NAME"),
        s("    AND STC.COLUMN_NAME = UIC.COLUMN_NAME"),
        s("    AND ") +
            withName(" UIC.INDEX_NAME  = '", name, "' AND UIC.COLUMN_NAME IN(UIC.COLUMN_NAME)") +
            s(" "),
        s("  ORDER BY  UIC.COLUMN_POSITION  ")};
}

QStringList objectSummary(const QString &name, const QString &typeWord) {
    QStringList lines{s(" SELECT OBJECT_TYPE,CREATED,LAST_DDL_TIME,STATUS "),
                      s("   FROM USER_OBJECTS "), withName("  WHERE OBJECT_NAME = '", name, "' ")};
    if (typeWord == u"DATABASE LINK" || typeWord == u"DB LINK")
        lines << s("  AND ((OBJECT_TYPE = 'DB LINK') OR (OBJECT_TYPE = 'DATABASE LINK')) ");
    else if (!typeWord.isEmpty())
        lines << s("  AND OBJECT_TYPE = '") + typeWord + s("' ");
    return lines;
}

QStringList synonymFacts(const QString &name) {
    return {s(" SELECT TABLE_OWNER,TABLE_NAME,DB_LINK "), s("   FROM USER_SYNONYMS "),
            withName("  WHERE SYNONYM_NAME = '", name, "' ")};
}

QStringList triggerFacts(const QString &name) {
    return {s(" SELECT TRIGGER_TYPE,TRIGGERING_EVENT,TABLE_OWNER,TABLE_NAME,STATUS "),
            s("   FROM USER_TRIGGERS "), withName("  WHERE TRIGGER_NAME = '", name, "' ")};
}

QStringList dbLinkFacts(const QString &name) {
    return {s(" SELECT USERNAME,PASSWORD,HOST "), s("   FROM USER_DB_LINKS "),
            withName("  WHERE DB_LINK = '", name, "' ")};
}

QStringList indexFacts(const QString &name, bool fallback) {
    const char *columns =
        fallback
            ? "INDEX_NAME,' ',TABLE_OWNER,TABLE_NAME,TABLE_TYPE,UNIQUENESS,TABLESPACE_NAME"
            : "INDEX_NAME,INDEX_TYPE,TABLE_OWNER,TABLE_NAME,TABLE_TYPE,UNIQUENESS,TABLESPACE_NAME";
    return {s(" SELECT ") + s(columns) + s(" "), s("   FROM USER_INDEXES "),
            withName("  WHERE INDEX_NAME = '", name, "' ")};
}

QStringList mysqlFields(const QString &table, bool trailingBlank) {
    return {s("SHOW FIELDS FROM ") + mysqlIdentifier(table) + (trailingBlank ? s(" ") : QString())};
}

QStringList mysqlIndexes(const QString &table) {
    return {s("SHOW INDEX FROM ") + mysqlIdentifier(table) + s(" ")};
}

QStringList mysqlTableStatus(const QString &table) {
    return {s("SHOW TABLE STATUS LIKE '") + mysqlQuoted(table) + s("'")};
}

QStringList mysqlServerVersion() {
    return {s("SELECT VERSION()")};
}

QStringList mysqlColumnDetails(const QString &table, bool withGeneration) {
    return {s("SELECT C.COLUMN_NAME,C.COLUMN_DEFAULT,") +
                s(withGeneration ? "C.GENERATION_EXPRESSION" : "NULL") +
                s(",C.CHARACTER_SET_NAME,C.COLLATION_NAME,C.COLUMN_COMMENT,C.EXTRA,"
                  "T.ENGINE,T.TABLE_COLLATION,T.TABLE_COMMENT,T.CREATE_OPTIONS "),
            s("  FROM information_schema.COLUMNS C "),
            s("  JOIN information_schema.TABLES T "),
            s("    ON T.TABLE_SCHEMA = C.TABLE_SCHEMA AND T.TABLE_NAME = C.TABLE_NAME "),
            s(" WHERE C.TABLE_SCHEMA = DATABASE() "),
            s("   AND C.TABLE_NAME = '") + mysqlQuoted(table) + s("' "),
            s(" ORDER BY C.ORDINAL_POSITION")};
}

QStringList mysqlForeignKeys(const QString &table) {
    return {s("SELECT K.CONSTRAINT_NAME,K.COLUMN_NAME,K.REFERENCED_TABLE_SCHEMA,"
              "K.REFERENCED_TABLE_NAME,K.REFERENCED_COLUMN_NAME,R.DELETE_RULE,R.UPDATE_RULE,"
              "K.TABLE_SCHEMA "),
            s("  FROM information_schema.KEY_COLUMN_USAGE K "),
            s("  JOIN information_schema.REFERENTIAL_CONSTRAINTS R "),
            s("    ON R.CONSTRAINT_SCHEMA = K.CONSTRAINT_SCHEMA AND R.TABLE_NAME = K.TABLE_NAME "),
            s("   AND R.CONSTRAINT_NAME = K.CONSTRAINT_NAME "),
            s(" WHERE K.TABLE_SCHEMA = DATABASE() "),
            s("   AND K.TABLE_NAME = '") + mysqlQuoted(table) + s("' "),
            s("   AND K.REFERENCED_TABLE_NAME IS NOT NULL "),
            s(" ORDER BY K.CONSTRAINT_NAME,K.ORDINAL_POSITION")};
}

QStringList mysqlChecksMariaDb(const QString &table, bool withLevel) {
    return {s("SELECT CONSTRAINT_NAME,CHECK_CLAUSE,") + s(withLevel ? "LEVEL " : "'Table' "),
            s("  FROM information_schema.CHECK_CONSTRAINTS "),
            s(" WHERE CONSTRAINT_SCHEMA = DATABASE() "),
            s("   AND TABLE_NAME = '") + mysqlQuoted(table) + s("' "),
            s(" ORDER BY CONSTRAINT_NAME")};
}

QStringList mysqlChecksMySql(const QString &table) {
    return {s("SELECT C.CONSTRAINT_NAME,C.CHECK_CLAUSE,'Table' "),
            s("  FROM information_schema.TABLE_CONSTRAINTS T "),
            s("  JOIN information_schema.CHECK_CONSTRAINTS C "),
            s("    ON C.CONSTRAINT_SCHEMA = T.CONSTRAINT_SCHEMA "),
            s("   AND C.CONSTRAINT_NAME = T.CONSTRAINT_NAME "),
            s(" WHERE T.TABLE_SCHEMA = DATABASE() "),
            s("   AND T.TABLE_NAME = '") + mysqlQuoted(table) + s("' "),
            s("   AND T.CONSTRAINT_TYPE = 'CHECK' "),
            s(" ORDER BY C.CONSTRAINT_NAME")};
}

QStringList mysqlObjectList(const QString &typeWord) {
    if (typeWord == u"BASE TABLE")
        return {s("SELECT TABLE_NAME FROM information_schema.TABLES "),
                s(" WHERE TABLE_SCHEMA = DATABASE() "),
                s("   AND TABLE_TYPE IN ('BASE TABLE','SYSTEM VERSIONED')")};
    if (typeWord == u"VIEW")
        return {s("SELECT TABLE_NAME FROM information_schema.VIEWS "),
                s(" WHERE TABLE_SCHEMA = DATABASE()")};
    if (typeWord == u"TRIGGER")
        return {s("SELECT TRIGGER_NAME FROM information_schema.TRIGGERS "),
                s(" WHERE TRIGGER_SCHEMA = DATABASE()")};
    if (typeWord == u"EVENT")
        return {s("SELECT EVENT_NAME FROM information_schema.EVENTS "),
                s(" WHERE EVENT_SCHEMA = DATABASE()")};
    return {s("SELECT ROUTINE_NAME FROM information_schema.ROUTINES "),
            s(" WHERE ROUTINE_SCHEMA = DATABASE() "),
            s("   AND ROUTINE_TYPE = '") + mysqlQuoted(typeWord) + s("'")};
}

QStringList mysqlShowCreate(const QString &typeWord, const QString &name) {
    return {s("SHOW CREATE ") + typeWord + u' ' + mysqlIdentifier(name)};
}

QStringList mysqlObjectFacts(const QString &typeWord, const QString &name,
                             const QStringList &columns) {
    QString from;
    QString where;
    if (typeWord == u"VIEW") {
        from = s("VIEWS");
        where = s("TABLE_SCHEMA = DATABASE() AND TABLE_NAME");
    } else if (typeWord == u"TRIGGER") {
        from = s("TRIGGERS");
        where = s("TRIGGER_SCHEMA = DATABASE() AND TRIGGER_NAME");
    } else if (typeWord == u"EVENT") {
        from = s("EVENTS");
        where = s("EVENT_SCHEMA = DATABASE() AND EVENT_NAME");
    } else {
        from = s("ROUTINES");
        where = s("ROUTINE_SCHEMA = DATABASE() AND ROUTINE_TYPE = '") + mysqlQuoted(typeWord) +
                s("' AND ROUTINE_NAME");
    }
    return {s("SELECT ") + columns.join(u',') + u' ', s("  FROM information_schema.") + from + u' ',
            s(" WHERE ") + where + s(" = '") + mysqlQuoted(name) + u'\''};
}

QStringList sqliteObjectList(const QString &typeWord) {
    return {s("SELECT name FROM sqlite_schema "), withName(" WHERE type = '", typeWord, "' "),
            s("   AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "), s("   AND sql IS NOT NULL")};
}

QStringList sqliteObject(const QString &typeWord, const QString &name) {
    return {s("SELECT sql,tbl_name FROM sqlite_schema "),
            withName(" WHERE type = '", typeWord, "' "), withName("   AND name = '", name, "'")};
}

QStringList sqliteColumns(const QString &table) {
    return {s("SELECT name,type,\"notnull\",dflt_value,pk,hidden "),
            withName("  FROM pragma_table_xinfo('", table, "') "), s(" ORDER BY cid")};
}

QStringList sqliteIndexList(const QString &table) {
    return {s("SELECT name,\"unique\",origin,partial "),
            withName("  FROM pragma_index_list('", table, "') "), s(" ORDER BY name")};
}

QStringList sqliteForeignKeys(const QString &table) {
    return {s("SELECT id,seq,\"table\",\"from\",\"to\",on_update,on_delete "),
            withName("  FROM pragma_foreign_key_list('", table, "') "), s(" ORDER BY id,seq")};
}

QStringList sqliteIndexColumns(const QString &index) {
    return {s("SELECT name,\"desc\" "), withName("  FROM pragma_index_xinfo('", index, "') "),
            s(" WHERE \"key\" = 1 ORDER BY seqno")};
}

namespace {
// An index and its table, the table named as the tree names it; `joins` adds further tables.
QStringList postgresIndexOf(const QString &select, const QString &table, const QStringList &joins) {
    return QStringList{select, s("  FROM pg_catalog.pg_index X "),
                       s("  JOIN pg_catalog.pg_class I ON I.oid = X.indexrelid "),
                       s("  JOIN pg_catalog.pg_class T ON T.oid = X.indrelid "),
                       s("  JOIN pg_catalog.pg_namespace N ON N.oid = T.relnamespace ")} +
           joins + QStringList{withName(" WHERE N.nspname||'.'||T.relname = '", table, "' ")};
}
} // namespace

QStringList postgresIndexNames(const QString &table) {
    return postgresIndexOf(s("SELECT I.relname "), table, {}) +
           QStringList{s(" ORDER BY I.relname")};
}

QStringList postgresIndexFacts(const QString &table, const QString &index) {
    return postgresIndexOf(s("SELECT N.nspname||'.'||T.relname,A.amname,"
                             "CASE WHEN X.indisunique THEN 'UNIQUE' ELSE 'NONUNIQUE' END,"
                             "CASE WHEN X.indisprimary THEN 'YES' ELSE 'NO' END,"
                             "CASE WHEN X.indisvalid THEN 'VALID' ELSE 'INVALID' END,"
                             "pg_catalog.pg_get_indexdef(X.indexrelid) "),
                           table, {s("  JOIN pg_catalog.pg_am A ON A.oid = I.relam ")}) +
           QStringList{withName("   AND I.relname = '", index, "'")};
}

QStringList postgresIndexColumns(const QString &table, const QString &index) {
    // indkey counts from 0; an expression key has attribute number 0 and no column type.
    return postgresIndexOf(
               s("SELECT pg_catalog.pg_get_indexdef(X.indexrelid,K.n,true),"
                 "COALESCE(pg_catalog.format_type(C.atttypid,C.atttypmod),'') "),
               table,
               {s("  CROSS JOIN LATERAL pg_catalog.generate_series(1,X.indnkeyatts) AS K(n) "),
                s("  LEFT JOIN pg_catalog.pg_attribute C "),
                s("    ON C.attrelid = X.indrelid AND C.attnum = X.indkey[K.n - 1] ")}) +
           QStringList{withName("   AND I.relname = '", index, "' "), s(" ORDER BY K.n")};
}

QStringList indexNames(const QString &table) {
    return {s("SELECT DISTINCT UIC.INDEX_NAME "),
            s("  FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC "),
            s(" WHERE STC.TABLE_NAME  = UIC.TABLE_NAME "),
            s("   AND STC.COLUMN_NAME = UIC.COLUMN_NAME "),
            withName("   AND UIC.TABLE_NAME  = '", table, "' ")};
}

QStringList indexDetails(const QString &index) {
    return {s("SELECT UO.OBJECT_TYPE,UO.CREATED,UO.LAST_DDL_TIME,UO.STATUS,UI.INDEX_NAME,"
              "UI.INDEX_TYPE,UI.TABLE_OWNER,UI.TABLE_NAME,UI.TABLE_TYPE,UI.UNIQUENESS,"
              "UI.TABLESPACE_NAME"),
            s("  FROM USER_OBJECTS UO,USER_INDEXES UI "),
            withName(" WHERE UO.OBJECT_NAME = '", index, "' "),
            withName("   AND UI.INDEX_NAME  = '", index, "' "),
            s("   AND UO.OBJECT_TYPE = 'INDEX' "),
            s("   AND UO.OBJECT_NAME = UI.INDEX_NAME")};
}

QStringList indexDetailColumns(const QString &index, const QString &table) {
    return {s("SELECT STC.COLUMN_NAME,STC.DATA_TYPE||DECODE(STC.DATA_TYPE,'DATE',NULL,'NUMBER',"
              "(DECODE(STC.DATA_PRECISION,'','('||STC.DATA_LENGTH||')',NULL,'('||STC.DATA_LENGTH||"
              "')',(DECODE(STC.DATA_SCALE,'','('||STC.DATA_PRECISION||')',NULL,") +
                s("'('||DATA_PRECISION||')',0,'('||DATA_PRECISION||')','('||DATA_PRECISION||','||"
                  "DATA_SCALE||')')))),'('||DATA_LENGTH||')') DATA_TYPE"),
            s("  FROM USER_TAB_COLUMNS STC,USER_IND_COLUMNS UIC "),
            s(" WHERE STC.TABLE_NAME  = UIC.TABLE_NAME "),
            s("   AND STC.COLUMN_NAME = UIC.COLUMN_NAME "),
            withName("   AND UIC.INDEX_NAME  = '", index, "' "),
            withName("   AND UIC.TABLE_NAME  = '", table, "' ")};
}

} // namespace kelvoran::db::catalogsql

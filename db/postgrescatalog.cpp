#include "db/postgrescatalog.h"

namespace kelvoran::db::pgsql {

namespace {
QString s(const char *text) {
    return QString::fromLatin1(text);
}

// The schemas the browser shows: everything but the system's own.
const char *const userSchema =
    "n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname !~ '^pg_(toast|temp)'";

// Not a member of an extension (those come with CREATE EXTENSION, not with their own text).
QString notFromExtension(const char *catalog, const char *oidColumn) {
    return s("NOT EXISTS (SELECT 1 FROM pg_catalog.pg_depend e WHERE e.classid = "
             "'pg_catalog.") +
           s(catalog) + s("'::pg_catalog.regclass AND e.objid = ") + s(oidColumn) +
           s(" AND e.deptype = 'e')");
}

// How a folder's objects are found: the display text, the FROM part and the WHERE condition.
struct FolderQuery {
    QString display;
    QString from;
    QString where;
};

QString relkindCondition(ObjectKindId folder) {
    switch (folder) {
    case ObjectKindId::View:
        return s("c.relkind = 'v'");
    case ObjectKindId::MaterializedView:
        return s("c.relkind = 'm'");
    case ObjectKindId::Index:
        return s("c.relkind IN ('i', 'I') AND NOT c.relispartition");
    case ObjectKindId::Sequence:
        // Identity sequences belong to their column and are recreated with it.
        return s("c.relkind = 'S' AND NOT EXISTS (SELECT 1 FROM pg_catalog.pg_depend i WHERE "
                 "i.classid = 'pg_catalog.pg_class'::pg_catalog.regclass AND i.objid = c.oid "
                 "AND i.deptype = 'i')");
    default:
        return s("c.relkind IN ('r', 'p')");
    }
}

FolderQuery folderQuery(ObjectKindId folder) {
    switch (folder) {
    case ObjectKindId::Function:
    case ObjectKindId::Procedure:
        return {s("n.nspname||'.'||p.proname||'('||"
                  "pg_catalog.pg_get_function_identity_arguments(p.oid)||')'"),
                s("pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace"),
                s(folder == ObjectKindId::Function ? "p.prokind = 'f'" : "p.prokind = 'p'") +
                    s(" AND ") + s(userSchema) + s(" AND ") + notFromExtension("pg_proc", "p.oid")};
    case ObjectKindId::Trigger:
        return {s("n.nspname||'.'||c.relname||'.'||t.tgname"),
                s("pg_catalog.pg_trigger t JOIN pg_catalog.pg_class c ON c.oid = t.tgrelid "
                  "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"),
                s("NOT t.tgisinternal AND t.tgparentid = 0 AND ") + s(userSchema)};
    case ObjectKindId::Type:
        return {s("n.nspname||'.'||t.typname"),
                s("pg_catalog.pg_type t JOIN pg_catalog.pg_namespace n ON n.oid = "
                  "t.typnamespace LEFT JOIN pg_catalog.pg_class c ON c.oid = t.typrelid"),
                s("(t.typtype IN ('e', 'd') OR (t.typtype = 'c' AND c.relkind = 'c')) AND ") +
                    s(userSchema) + s(" AND ") + notFromExtension("pg_type", "t.oid")};
    default:
        return {s("n.nspname||'.'||c.relname"),
                s("pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
                  "c.relnamespace"),
                relkindCondition(folder) + s(" AND ") + s(userSchema) + s(" AND ") +
                    notFromExtension("pg_class", "c.oid")};
    }
}

// SELECT columns FROM the folder's tables (and the joins) WHERE its condition and the display
// text is `name`.
QStringList lookup(ObjectKindId folder, const QString &columns, const QString &name,
                   const QString &joins = QString()) {
    const FolderQuery q = folderQuery(folder);
    QStringList lines{s("SELECT ") + columns, s("  FROM ") + q.from};
    if (!joins.isEmpty())
        lines << s("  ") + joins;
    lines << s(" WHERE ") + q.where << s("   AND ") + q.display + s(" = ") + literal(name);
    return lines;
}

// An oid as it goes into a statement: digits only, anything else matches nothing.
QString oidText(const QString &oid) {
    for (QChar c : oid)
        if (!c.isDigit())
            return s("0");
    return oid.isEmpty() ? s("0") : oid;
}
} // namespace

QString literal(const QString &text) {
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (!inner.contains(QLatin1Char('\\')))
        return QLatin1Char('\'') + inner + QLatin1Char('\'');
    inner.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QStringLiteral("E'") + inner + QLatin1Char('\'');
}

QStringList objectList(ObjectKindId folder) {
    const FolderQuery q = folderQuery(folder);
    return {s("SELECT ") + q.display, s("  FROM ") + q.from, s(" WHERE ") + q.where};
}

QStringList relationFacts(ObjectKindId folder, const QString &name) {
    return lookup(
        folder,
        s("c.oid, pg_catalog.format('%I.%I', n.nspname, c.relname), c.relkind, "
          "c.relpersistence, CASE WHEN c.relkind = 'p' THEN "
          "pg_catalog.pg_get_partkeydef(c.oid) END, "
          "(SELECT pg_catalog.format('%I.%I', pn.nspname, pc.relname) FROM pg_catalog.pg_inherits "
          "h JOIN pg_catalog.pg_class pc ON pc.oid = h.inhparent JOIN pg_catalog.pg_namespace pn "
          "ON pn.oid = pc.relnamespace WHERE h.inhrelid = c.oid AND c.relispartition), "
          "CASE WHEN c.relispartition THEN pg_catalog.pg_get_expr(c.relpartbound, c.oid) END, "
          "pg_catalog.array_to_string(c.reloptions, ', '), "
          "pg_catalog.obj_description(c.oid, 'pg_class'), "
          "pg_catalog.pg_get_userbyid(c.relowner), c.reltuples::bigint, "
          "pg_catalog.pg_size_pretty(pg_catalog.pg_total_relation_size(c.oid)), "
          "c.relispopulated, CASE WHEN c.relkind IN ('v', 'm') THEN "
          "pg_catalog.pg_get_viewdef(c.oid) END, "
          "(SELECT pn.nspname||'.'||pc.relname FROM pg_catalog.pg_inherits h JOIN "
          "pg_catalog.pg_class pc ON pc.oid = h.inhparent JOIN pg_catalog.pg_namespace pn ON "
          "pn.oid = pc.relnamespace WHERE h.inhrelid = c.oid AND c.relispartition), c.relname, "
          "(SELECT pg_catalog.string_agg(pg_catalog.format('%I.%I', pn.nspname, pc.relname), ', ' "
          "ORDER BY h.inhseqno) FROM pg_catalog.pg_inherits h JOIN pg_catalog.pg_class pc ON "
          "pc.oid = h.inhparent JOIN pg_catalog.pg_namespace pn ON pn.oid = pc.relnamespace "
          "WHERE h.inhrelid = c.oid AND NOT c.relispartition)"),
        name);
}

QStringList relationColumns(const QString &oid) {
    return {
        s("SELECT a.attname, pg_catalog.quote_ident(a.attname), "
          "pg_catalog.format_type(a.atttypid, a.atttypmod), a.attnotnull, "
          "pg_catalog.pg_get_expr(ad.adbin, ad.adrelid), a.attidentity, a.attgenerated, "
          "CASE WHEN a.attcollation <> t.typcollation THEN (SELECT "
          "pg_catalog.format('%I.%I', cn.nspname, co.collname) FROM pg_catalog.pg_collation co "
          "JOIN pg_catalog.pg_namespace cn ON cn.oid = co.collnamespace WHERE co.oid = "
          "a.attcollation) END, pg_catalog.col_description(a.attrelid, a.attnum), a.attislocal, "
          "d.deptype, CASE WHEN d.oid IS NOT NULL THEN pg_catalog.format('%I.%I', sn.nspname, "
          "d.relname) END, d.relname, "
          "pg_catalog.format_type(q.seqtypid, NULL), q.seqstart, q.seqincrement, q.seqmin, "
          "q.seqmax, q.seqcache, q.seqcycle, pg_catalog.quote_ident(d.relname)"),
        s("  FROM pg_catalog.pg_attribute a"),
        s("  JOIN pg_catalog.pg_type t ON t.oid = a.atttypid"),
        s("  LEFT JOIN pg_catalog.pg_attrdef ad ON ad.adrelid = a.attrelid AND ad.adnum = "
          "a.attnum"),
        // The sequence a serial or identity column owns (other objects depend on columns too).
        s("  LEFT JOIN (SELECT dep.refobjid, dep.refobjsubid, dep.deptype, sc.oid, sc.relname, "
          "sc.relnamespace FROM pg_catalog.pg_depend dep JOIN pg_catalog.pg_class sc ON sc.oid = "
          "dep.objid AND sc.relkind = 'S' WHERE dep.classid = "
          "'pg_catalog.pg_class'::pg_catalog.regclass AND dep.refclassid = "
          "'pg_catalog.pg_class'::pg_catalog.regclass AND dep.deptype IN ('a', 'i')) d"),
        s("    ON d.refobjid = a.attrelid AND d.refobjsubid = a.attnum"),
        s("  LEFT JOIN pg_catalog.pg_namespace sn ON sn.oid = d.relnamespace"),
        s("  LEFT JOIN pg_catalog.pg_sequence q ON q.seqrelid = d.oid"),
        s(" WHERE a.attrelid = ") + oidText(oid) + s(" AND a.attnum > 0 AND NOT a.attisdropped"),
        s(" ORDER BY a.attnum")};
}

QStringList tableConstraints(const QString &oid) {
    return {s("SELECT pg_catalog.quote_ident(k.conname), k.conname, k.contype, "
              "pg_catalog.pg_get_constraintdef(k.oid)"),
            s("  FROM pg_catalog.pg_constraint k"),
            s(" WHERE k.conrelid = ") + oidText(oid) +
                s(" AND k.conislocal AND k.conparentid = 0 AND k.contype IN ('p', 'u', 'c', 'x', "
                  "'f')"),
            s(" ORDER BY pg_catalog.strpos('pucxf', k.contype::text), k.conname")};
}

QStringList relationIndexes(const QString &oid) {
    return {s("SELECT ic.relname, pg_catalog.pg_get_indexdef(i.indexrelid), EXISTS (SELECT 1 "
              "FROM pg_catalog.pg_constraint k WHERE k.conindid = i.indexrelid AND k.conrelid = "
              "i.indrelid AND k.contype IN ('p', 'u', 'x')), "
              "pg_catalog.obj_description(i.indexrelid, 'pg_class'), "
              "pg_catalog.format('%I.%I', n.nspname, ic.relname)"),
            s("  FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid"),
            s("  JOIN pg_catalog.pg_namespace n ON n.oid = ic.relnamespace"),
            s(" WHERE i.indrelid = ") + oidText(oid) + s(" AND NOT ic.relispartition"),
            s(" ORDER BY ic.relname")};
}

QStringList tableTriggers(const QString &oid) {
    return {s("SELECT t.tgname, pg_catalog.pg_get_triggerdef(t.oid), "
              "pg_catalog.quote_ident(t.tgname), pg_catalog.obj_description(t.oid, 'pg_trigger'), "
              "t.tgenabled"),
            s("  FROM pg_catalog.pg_trigger t"),
            s(" WHERE t.tgrelid = ") + oidText(oid) +
                s(" AND NOT t.tgisinternal AND t.tgparentid = 0"),
            s(" ORDER BY t.tgname")};
}

QStringList indexFacts(const QString &name) {
    return lookup(ObjectKindId::Index,
                  s("c.oid, pg_catalog.pg_get_indexdef(c.oid), tn.nspname||'.'||tc.relname, "
                    "am.amname, x.indisunique, x.indisprimary, "
                    "pg_catalog.pg_size_pretty(pg_catalog.pg_relation_size(c.oid)), "
                    "pg_catalog.quote_ident(k.conname), pg_catalog.pg_get_constraintdef(k.oid), "
                    "pg_catalog.format('%I.%I', tn.nspname, tc.relname), "
                    "pg_catalog.obj_description(c.oid, 'pg_class'), "
                    "pg_catalog.format('%I.%I', n.nspname, c.relname)"),
                  name,
                  s("JOIN pg_catalog.pg_index x ON x.indexrelid = c.oid "
                    "JOIN pg_catalog.pg_class tc ON tc.oid = x.indrelid "
                    "JOIN pg_catalog.pg_namespace tn ON tn.oid = tc.relnamespace "
                    "JOIN pg_catalog.pg_am am ON am.oid = c.relam "
                    "LEFT JOIN pg_catalog.pg_constraint k ON k.conindid = c.oid AND k.conrelid = "
                    "x.indrelid AND k.contype IN ('p', 'u', 'x')"));
}

QStringList sequenceFacts(const QString &name) {
    return lookup(
        ObjectKindId::Sequence,
        s("c.oid, pg_catalog.format('%I.%I', n.nspname, c.relname), "
          "pg_catalog.format_type(q.seqtypid, NULL), q.seqstart, q.seqincrement, q.seqmin, "
          "q.seqmax, q.seqcache, q.seqcycle, pg_catalog.pg_get_userbyid(c.relowner), "
          "pg_catalog.obj_description(c.oid, 'pg_class'), "
          "(SELECT pg_catalog.format('%I.%I.%I', tn.nspname, tc.relname, ta.attname) FROM "
          "pg_catalog.pg_depend o JOIN pg_catalog.pg_class tc ON tc.oid = o.refobjid JOIN "
          "pg_catalog.pg_namespace tn ON tn.oid = tc.relnamespace JOIN pg_catalog.pg_attribute ta "
          "ON ta.attrelid = o.refobjid AND ta.attnum = o.refobjsubid WHERE o.classid = "
          "'pg_catalog.pg_class'::pg_catalog.regclass AND o.objid = c.oid AND o.refclassid = "
          "'pg_catalog.pg_class'::pg_catalog.regclass AND o.deptype = 'a' AND o.refobjsubid > "
          "0), c.relpersistence = 'u'"),
        name, s("JOIN pg_catalog.pg_sequence q ON q.seqrelid = c.oid"));
}

QStringList routineFacts(ObjectKindId folder, const QString &name) {
    return lookup(folder,
                  s("p.oid, pg_catalog.pg_get_functiondef(p.oid), "
                    "pg_catalog.format('%I.%I(%s)', n.nspname, p.proname, "
                    "pg_catalog.pg_get_function_identity_arguments(p.oid)), "
                    "pg_catalog.obj_description(p.oid, 'pg_proc'), "
                    "pg_catalog.pg_get_userbyid(p.proowner), "
                    "pg_catalog.pg_get_function_arguments(p.oid), "
                    "pg_catalog.pg_get_function_result(p.oid), (SELECT l.lanname FROM "
                    "pg_catalog.pg_language l WHERE l.oid = p.prolang), p.provolatile"),
                  name);
}

QStringList triggerFacts(const QString &name) {
    return lookup(ObjectKindId::Trigger,
                  s("t.oid, pg_catalog.pg_get_triggerdef(t.oid), "
                    "pg_catalog.format('%I ON %I.%I', t.tgname, n.nspname, c.relname), "
                    "pg_catalog.obj_description(t.oid, 'pg_trigger'), n.nspname||'.'||c.relname, "
                    "t.tgfoid::pg_catalog.regprocedure::text, t.tgenabled, "
                    "pg_catalog.format('%I.%I', n.nspname, c.relname), "
                    "pg_catalog.quote_ident(t.tgname)"),
                  name);
}

QStringList typeFacts(const QString &name) {
    return lookup(
        ObjectKindId::Type,
        s("t.oid, pg_catalog.format('%I.%I', n.nspname, t.typname), t.typtype, "
          "pg_catalog.pg_get_userbyid(t.typowner), pg_catalog.obj_description(t.oid, 'pg_type'), "
          "CASE WHEN t.typtype = 'd' THEN pg_catalog.format_type(t.typbasetype, t.typtypmod) END, "
          "t.typdefault, t.typnotnull, CASE WHEN t.typtype = 'd' AND t.typcollation <> "
          "(SELECT b.typcollation FROM pg_catalog.pg_type b WHERE b.oid = t.typbasetype) THEN "
          "(SELECT pg_catalog.format('%I.%I', cn.nspname, co.collname) FROM "
          "pg_catalog.pg_collation co JOIN pg_catalog.pg_namespace cn ON cn.oid = "
          "co.collnamespace WHERE co.oid = t.typcollation) END, t.typrelid"),
        name);
}

QStringList enumLabels(const QString &oid) {
    return {s("SELECT e.enumlabel FROM pg_catalog.pg_enum e WHERE e.enumtypid = ") + oidText(oid) +
            s(" ORDER BY e.enumsortorder")};
}

QStringList domainConstraints(const QString &oid) {
    return {s("SELECT pg_catalog.quote_ident(k.conname), pg_catalog.pg_get_constraintdef(k.oid) "
              "FROM pg_catalog.pg_constraint k WHERE k.contypid = ") +
            oidText(oid) + s(" ORDER BY k.conname")};
}

} // namespace kelvoran::db::pgsql

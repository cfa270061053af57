#include "db/procedurecall.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace kelvoran {

namespace {

bool isBlankChar(QChar c) {
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

// The first word of the lines and where the text after it starts.
struct FirstWord {
    QString word;
    int line = -1;
    int end = 0;
};

FirstWord firstWord(const QStringList &lines) {
    FirstWord found;
    for (int l = 0; l < lines.size(); ++l) {
        const QString &text = lines[l];
        int i = 0;
        while (i < text.size() && isBlankChar(text[i]))
            ++i;
        if (i == text.size())
            continue;
        int j = i;
        while (j < text.size() && !isBlankChar(text[j]) && text[j] != u'(' && text[j] != u';')
            ++j;
        found.word = text.mid(i, j - i);
        found.line = l;
        found.end = j;
        return found;
    }
    return found;
}

} // namespace

std::optional<ProcedureCall> parseProcedureCall(const QStringList &lines) {
    const FirstWord first = firstWord(lines);
    const QString upper = first.word.toUpper();
    if (first.line < 0 || !(upper == u"EXEC" || upper.startsWith(QStringLiteral("EXECUTE"))))
        return std::nullopt;

    ProcedureCall call;
    int depth = 0;
    bool inQuote = false;
    bool closed = false;
    QString parameter;
    for (int l = first.line; l < lines.size() && !closed; ++l) {
        const QString &text = lines[l];
        for (int i = l == first.line ? first.end : 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (depth == 0) {
                if (c == u'(') {
                    depth = 1;
                } else if (!isBlankChar(c) && c != u';') {
                    call.name += c;
                }
                continue;
            }
            if (inQuote) {
                parameter += c;
                if (c == u'\'')
                    inQuote = false;
                continue;
            }
            if (c == u';')
                continue;
            if (c == u'\'') {
                inQuote = true;
                parameter += c;
            } else if (c == u'(') {
                ++depth;
                parameter += c;
            } else if (c == u')') {
                if (--depth == 0) {
                    closed = true;
                    break;
                }
                parameter += c;
            } else if (c == u',' && depth == 1) {
                call.parameters << parameter.trimmed();
                parameter.clear();
            } else {
                parameter += c;
            }
        }
        if (depth == 0 && !call.name.isEmpty() && l == first.line) {
            // No parenthesis on the EXEC line: a call without parameters.
            bool opensLater = false;
            for (int k = l + 1; k < lines.size(); ++k) {
                const QString t = lines[k].trimmed();
                if (t.isEmpty())
                    continue;
                opensLater = t.startsWith(u'(');
                break;
            }
            if (!opensLater)
                break;
        }
        if (depth > 0)
            parameter += QLatin1Char(' ');
    }
    if (closed || depth > 0) {
        const QString last = parameter.trimmed();
        if (!last.isEmpty() || !call.parameters.isEmpty())
            call.parameters << last;
    }
    return call;
}

namespace {

QString placeholders(int count) {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

// Splits "A.B" into qualifier and name; a name without a dot has an empty qualifier.
std::pair<QString, QString> splitQualified(const QString &name) {
    const int dot = int(name.lastIndexOf(u'.'));
    if (dot < 0)
        return {QString(), name};
    return {name.left(dot), name.mid(dot + 1)};
}

// PostgreSQL folds unquoted names to lower case; a quoted name keeps its case.
QString pgName(const QString &part) {
    if (part.size() >= 2 && part.startsWith(u'"') && part.endsWith(u'"'))
        return part.mid(1, part.size() - 2);
    return part.toLower();
}

} // namespace

DbResult<std::optional<ProcedureDeclaration>>
findProcedure(const QSqlDatabase &db, DbKind kind, NativeCodeForm form, const QString &name) {
    const auto [qualifier, object] = splitQualified(name);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    ProcedureDeclaration declaration;
    switch (kind) {
    case DbKind::Oracle: {
        // Arguments of a stand-alone procedure or of a packaged one; position 0 is a
        // function's return value.
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM USER_ARGUMENTS WHERE OBJECT_NAME = ? "
                                 "AND NVL(PACKAGE_NAME, ' ') = NVL(?, ' ') AND DATA_LEVEL = 0 "
                                 "AND POSITION > 0"));
        q.addBindValue(object.toUpper());
        q.addBindValue(qualifier.toUpper());
        if (!q.exec())
            return DbError::fromSqlError(q.lastError(), form);
        const int count = q.next() ? q.value(0).toInt() : 0;
        QSqlQuery exists(db);
        exists.prepare(QStringLiteral("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_NAME = ? "
                                      "AND OBJECT_TYPE IN ('PROCEDURE', 'PACKAGE')"));
        exists.addBindValue(qualifier.isEmpty() ? object.toUpper() : qualifier.toUpper());
        if (!exists.exec())
            return DbError::fromSqlError(exists.lastError(), form);
        if (!exists.next() || exists.value(0).toInt() == 0)
            return std::optional<ProcedureDeclaration>();
        declaration.parameterCount = count;
        declaration.callText = QStringLiteral("BEGIN ") + name + QLatin1Char('(') +
                               placeholders(count) + QStringLiteral("); END;");
        return std::optional<ProcedureDeclaration>(declaration);
    }
    case DbKind::Postgre: {
        q.prepare(QStringLiteral(
            "SELECT p.prokind, p.pronargs FROM pg_catalog.pg_proc p "
            "JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
            "WHERE p.proname = ? AND (CASE WHEN ? = '' THEN "
            "pg_catalog.pg_function_is_visible(p.oid) "
            "ELSE n.nspname = ? END) AND p.prokind IN ('p', 'f') ORDER BY p.prokind DESC, p.oid"));
        q.addBindValue(pgName(object));
        q.addBindValue(qualifier.isEmpty() ? QString(QLatin1String("")) : pgName(qualifier));
        q.addBindValue(pgName(qualifier));
        if (!q.exec())
            return DbError::fromSqlError(q.lastError(), form);
        if (!q.next())
            return std::optional<ProcedureDeclaration>();
        const bool isProcedure = q.value(0).toString() == u"p";
        declaration.parameterCount = q.value(1).toInt();
        declaration.callText = (isProcedure ? QStringLiteral("CALL ") : QStringLiteral("SELECT ")) +
                               name + QLatin1Char('(') + placeholders(declaration.parameterCount) +
                               QLatin1Char(')');
        return std::optional<ProcedureDeclaration>(declaration);
    }
    case DbKind::MySql: {
        q.prepare(QStringLiteral(
            "SELECT COUNT(p.ORDINAL_POSITION) FROM information_schema.ROUTINES r "
            "LEFT JOIN information_schema.PARAMETERS p ON p.SPECIFIC_SCHEMA = r.ROUTINE_SCHEMA "
            "AND p.SPECIFIC_NAME = r.ROUTINE_NAME AND p.ORDINAL_POSITION > 0 "
            "WHERE r.ROUTINE_TYPE = 'PROCEDURE' AND r.ROUTINE_NAME = ? "
            "AND r.ROUTINE_SCHEMA = (CASE WHEN ? = '' THEN DATABASE() ELSE ? END) "
            "GROUP BY r.ROUTINE_NAME"));
        q.addBindValue(object);
        q.addBindValue(qualifier.isEmpty() ? QString(QLatin1String("")) : qualifier);
        q.addBindValue(qualifier);
        if (!q.exec())
            return DbError::fromSqlError(q.lastError(), form);
        if (!q.next())
            return std::optional<ProcedureDeclaration>();
        declaration.parameterCount = q.value(0).toInt();
        declaration.callText = QStringLiteral("CALL ") + name + QLatin1Char('(') +
                               placeholders(declaration.parameterCount) + QLatin1Char(')');
        return std::optional<ProcedureDeclaration>(declaration);
    }
    default:
        return std::optional<ProcedureDeclaration>();
    }
}

CallStatement procedureCallStatement(const QSqlDatabase &db, DbKind kind, NativeCodeForm form,
                                     const ProcedureCall &call) {
    CallStatement out;
    out.givenParameters = int(call.parameters.size());
    const auto found =
        call.name.isEmpty()
            ? DbResult<std::optional<ProcedureDeclaration>>(std::optional<ProcedureDeclaration>())
            : findProcedure(db, kind, form, call.name);
    if (!found || !found->has_value()) {
        out.failure = CallStatementFailure::NotFound;
        return out;
    }
    const ProcedureDeclaration &declaration = **found;
    out.declaredParameters = declaration.parameterCount;
    if (!call.parameters.isEmpty() && call.parameters.size() < declaration.parameterCount) {
        out.failure = CallStatementFailure::TooFewParameters;
        return out;
    }
    QString text = declaration.callText;
    const QSqlDriver *driver = db.driver();
    for (int i = 0; i < declaration.parameterCount; ++i) {
        QSqlField field(QStringLiteral("p"), QMetaType(QMetaType::QString));
        if (i < call.parameters.size())
            field.setValue(call.parameters[i]);
        const QString literal =
            i < call.parameters.size() ? driver->formatValue(field) : QStringLiteral("NULL");
        const int mark = int(text.indexOf(u'?'));
        text.replace(mark, 1, literal);
    }
    out.text = text;
    return out;
}

} // namespace kelvoran

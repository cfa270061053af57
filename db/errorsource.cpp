#include "db/errorsource.h"

#include "db/querytext.h"

#include <QSqlQuery>

namespace kelvoran {

namespace ErrorSourceSql {

QString typeLine(const QString &folderText) {
    if (folderText == u"Procedure")
        return QStringLiteral("  AND TYPE = 'PROCEDURE' ");
    if (folderText == u"Function")
        return QStringLiteral("  AND TYPE = 'FUNCTION' ");
    if (folderText == u"Package")
        return QStringLiteral("  AND TYPE = 'PACKAGE' ");
    if (folderText == u"Package Body")
        return QStringLiteral("  AND TYPE = 'PACKAGE BODY' ");
    return QString();
}

bool hasErrors(const QString &folderText) {
    return !typeLine(folderText).isEmpty();
}

QStringList errorCount(const QString &name, const QString &folderText) {
    return {QStringLiteral(" SELECT COUNT(*)          "),
            QStringLiteral("        FROM USER_ERRORS "),
            QStringLiteral("       WHERE NAME = '") + name + QStringLiteral("' "),
            typeLine(folderText)};
}

QStringList errorMessages(const QString &name, const QString &folderText) {
    return {QStringLiteral(" SELECT TEXT,LINE,POSITION "),
            QStringLiteral("        FROM USER_ERRORS "),
            QStringLiteral("       WHERE NAME = '") + name + QStringLiteral("' "),
            typeLine(folderText)};
}

QStringList errorRows(const QString &name, const QString &folderText) {
    return {
        QStringLiteral("   SELECT LINE,POSITION,TEXT "), QStringLiteral("     FROM USER_ERRORS "),
        QStringLiteral("    WHERE NAME = '") + name + QStringLiteral("' "), typeLine(folderText)};
}

QStringList source(const QString &name, const QString &folderText) {
    return {QStringLiteral(" SELECT TEXT,LINE "), QStringLiteral("   FROM USER_SOURCE "),
            QStringLiteral("  WHERE NAME = '") + name + QStringLiteral("' "), typeLine(folderText),
            QStringLiteral("  ORDER BY  LINE ")};
}

} // namespace ErrorSourceSql

QStringList errorMessageLines(const QStringList &texts) {
    QStringList lines;
    for (const QString &text : texts) {
        QString pending;
        for (const QChar c : text) {
            if (c == u'\n') {
                lines << pending;
                pending.clear();
            } else {
                pending += c;
            }
        }
        if (!pending.isEmpty())
            lines << pending;
    }
    return lines;
}

namespace {

// Runs the statement on a forward-only query; the query's error when it fails.
std::optional<DbError> runQuery(QSqlQuery &query, const QStringList &lines) {
    query.setForwardOnly(true);
    if (!query.exec(statementText(lines)))
        return DbError::fromQuery(query);
    return std::nullopt;
}

} // namespace

DbResult<int> loadErrorCount(const QSqlDatabase &db, const QString &name,
                             const QString &folderText) {
    QSqlQuery q(db);
    if (auto failed = runQuery(q, ErrorSourceSql::errorCount(name, folderText)))
        return *failed;
    return q.next() ? q.value(0).toInt() : 0;
}

DbResult<QStringList> loadErrorMessages(const QSqlDatabase &db, const QString &name,
                                        const QString &folderText) {
    QSqlQuery q(db);
    if (auto failed = runQuery(q, ErrorSourceSql::errorMessages(name, folderText)))
        return *failed;
    QStringList texts;
    while (q.next())
        texts << q.value(0).toString();
    return errorMessageLines(texts);
}

DbResult<ErrorSourceData> loadErrorSource(const QSqlDatabase &db, const QString &name,
                                          const QString &folderText) {
    ErrorSourceData data;
    data.objectName = name;
    QSqlQuery s(db);
    if (auto failed = runQuery(s, ErrorSourceSql::source(name, folderText)))
        return *failed;
    while (s.next()) {
        QString text = s.value(0).toString();
        // Stored source lines end with their line feed. The last line of a unit may lack it;
        // only a line end is cut off, never a character of the source.
        if (text.endsWith(u'\n'))
            text.chop(1);
        if (text.endsWith(u'\r'))
            text.chop(1);
        data.sourceLines << text;
    }
    if (data.sourceLines.isEmpty())
        data.sourceLines << QString();
    data.sourceLines << QString();

    QSqlQuery e(db);
    if (auto failed = runQuery(e, ErrorSourceSql::errorRows(name, folderText)))
        return *failed;
    while (e.next()) {
        ErrorRow row;
        row.line = e.value(0).toString();
        row.position = e.value(1).toString();
        row.text = e.value(2).toString().remove(QLatin1Char('\n'));
        data.errors.push_back(row);
    }
    return data;
}

ErrorStepper::ErrorStepper(std::vector<ErrorRow> errors, int visibleRows)
    : m_errors(std::move(errors)), m_visibleRows(visibleRows) {}

void ErrorStepper::choose(int row) {
    if (row >= 1 && row < gridRowCount())
        m_current = row;
}

bool ErrorStepper::next() {
    const int last = gridRowCount() - 1;
    const auto wrap = [this] {
        m_current = 1;
        m_top = 1;
    };
    if (last - m_top < FitRows) {
        if (m_current < last)
            ++m_current;
        else
            wrap();
    } else if (m_current >= last) {
        wrap();
    } else {
        ++m_current;
        m_top = m_current;
    }
    return true;
}

bool ErrorStepper::previous() {
    const int rowCount = gridRowCount();
    if (m_current > 1) {
        const int before = m_current;
        --m_current;
        if (m_top > 1 && rowCount - before >= FitRows)
            m_top = m_current;
        return true;
    }
    if (m_current == 1 && m_top == 1) {
        m_current = rowCount - 1;
        m_top = std::max(1, rowCount - m_visibleRows);
        return true;
    }
    return false;
}

std::optional<CaretTarget> ErrorStepper::caretTarget() const {
    if (m_current < 1 || m_current > int(m_errors.size()))
        return std::nullopt;
    const ErrorRow &row = m_errors[size_t(m_current - 1)];
    if (row.line.isEmpty())
        return std::nullopt;
    bool lineOk = false;
    bool columnOk = false;
    const int line = row.line.trimmed().toInt(&lineOk);
    const int column = row.position.trimmed().toInt(&columnOk);
    if (!lineOk || !columnOk)
        return std::nullopt;
    return CaretTarget{line, column};
}

} // namespace kelvoran

#include "db/sqlrunner.h"

#include "core/stepcode.h"
#include "db/procedurecall.h"
#include "db/rowcount.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace kelvoran {

const QString SqlRunner::SqlDoneMessage = QStringLiteral("SQLを実行しました。");
const QString SqlRunner::ProcedureDoneMessage = QStringLiteral("プロシージャを実行しました。");
const QString SqlRunner::ProcedureNotFoundMessage =
    QStringLiteral("Message     :接続DBまたはプロシージャ名が間違っています。確認してください。");

namespace {

const QString kMessagePrefix = QStringLiteral("Message     :");
// Name given to the wrapped statement of a count where a subquery in FROM must have a name.
const QString kCountTableName = QStringLiteral("KVR_COUNT");

bool isConnectionLost(const QSqlDatabase &db, const QSqlError &error) {
    return !db.isOpen() || error.type() == QSqlError::ConnectionError;
}

QStringList framed(const QStringList &lines) {
    QStringList out;
    for (const QString &line : lines)
        out << QLatin1Char(' ') + line + QLatin1Char(' ');
    return out;
}

} // namespace

StatementClass statementClassOf(int statementKind) {
    switch (statementKind) {
    case 1:
        return StatementClass::Query;
    case 2:
        return StatementClass::Procedure;
    case 4:
        return StatementClass::Show;
    default:
        return StatementClass::Plain;
    }
}

SqlRunInput makeSqlRunInput(const QString &alias, const QStringList &editorLines,
                            const SelectAnalysis &analysis, bool tableOpen) {
    SqlRunInput input;
    input.alias = alias;
    input.editorLines = editorLines;
    input.statementKind = int(analysis.statementKind);
    input.parts.selectHead = analysis.selectHead;
    for (const SelectItem &item : analysis.items)
        input.parts.items.push_back({item.physicalName, item.alias});
    input.parts.fromLines = analysis.fromLines;
    input.parts.whereLines = analysis.whereLines;
    input.tableOpen = tableOpen;
    return input;
}

SqlRunner::SqlRunner(DbSession &session) : m_session(session) {}

SqlRunner::~SqlRunner() {
    closeResult();
    for (const auto &[alias, name] : m_resultConnections) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

SqlRunResult SqlRunner::run(const SqlRunInput &input) {
    SqlRunResult outcome;
    outcome.statementClass = statementClassOf(input.statementKind);
    const std::optional<AliasInfo> alias = m_session.aliases().find(input.alias);
    if (!alias)
        return outcome;
    outcome.ran = true;
    m_resultState = 0;

    switch (outcome.statementClass) {
    case StatementClass::Query:
        runQuery(input, *alias, outcome);
        if (m_resultState == 1)
            outcome.rowCount = -1;
        outcome.failed = outcome.failed || m_resultState == 2;
        break;
    case StatementClass::Procedure:
        runProcedure(input, *alias, outcome);
        break;
    case StatementClass::Plain:
        runPlain(input, *alias, outcome);
        break;
    case StatementClass::Show:
        runShow(input, *alias, outcome);
        break;
    }
    outcome.resultState = m_resultState;
    outcome.resultOpen = m_model.isOpen();
    outcome.rowCounting = m_rowCounting;
    outcome.lastRowCount = m_rowCount;
    return outcome;
}

void SqlRunner::runQuery(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome) {
    const QStringList lines = rebuiltQueryLines(input.parts, alias.kind() == DbKind::Oracle);
    outcome.sentText = statementText(lines);
    outcome.rowCount = -1;
    m_rowCount = -1;

    if (m_rowCounting) {
        const RowCount count = countRows(alias.name, lines, true);
        outcome.messages += count.messages;
        if (count.ok) {
            outcome.rowCount = count.count;
        } else {
            m_resultState = 1;
        }
    }
    if (m_resultState != 1) {
        const DbResult<bool> opened = openResult(alias, outcome.sentText, true);
        if (!opened) {
            const DbError &error = opened.error();
            const bool loginCancelled = !error.isEmpty() && error.entries().front().subCode ==
                                                                int(DbSubCode::LoginCancelled);
            if (loginCancelled) {
                m_resultState = 1;
            } else {
                outcome.rowCount = -1;
                m_rowCount = -1;
                outcome.messages += error.texts();
                m_resultState = 2;
            }
        }
    }
    if (m_model.isOpen() && alias.kind() != DbKind::Oracle) {
        for (int c = 0; c < int(input.parts.items.size()) && c < m_model.columnCount(); ++c) {
            const QString &title = input.parts.items[size_t(c)].alias;
            if (!title.isEmpty())
                m_model.setColumnTitle(c, title);
        }
    }
}

void SqlRunner::runShow(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome) {
    outcome.sentText = joinWithSeparator(input.editorLines, m_separator);
    const DbResult<bool> opened = openResult(alias, outcome.sentText, false);
    if (!opened) {
        outcome.messages << kMessagePrefix + opened.error().message();
        outcome.failed = true;
    }
}

void SqlRunner::runProcedure(const SqlRunInput &input, const AliasInfo &alias,
                             SqlRunResult &outcome) {
    const std::optional<ProcedureCall> call = parseProcedureCall(input.editorLines);
    const DbResult<QSqlDatabase> db = m_session.connection(alias.name);
    if (!db) {
        outcome.messages << kMessagePrefix + db.error().message();
        outcome.failed = true;
        return;
    }
    settleResult(alias.name);
    const NativeCodeForm form = nativeCodeFormOf(alias.driver);
    const CallStatement statement =
        call ? procedureCallStatement(*db, alias.kind(), form, *call)
             : CallStatement{QString(), CallStatementFailure::NotFound, 0, 0};
    if (statement.failure == CallStatementFailure::NotFound) {
        outcome.messages << ProcedureNotFoundMessage;
        outcome.failed = true;
        return;
    }
    if (statement.failure == CallStatementFailure::TooFewParameters) {
        outcome.messages << kMessagePrefix +
                                QStringLiteral("パラメータの数が足りません。（宣言%1個、指定%2個）")
                                    .arg(statement.declaredParameters)
                                    .arg(statement.givenParameters);
        outcome.failed = true;
        return;
    }
    const QString text = statement.text;
    outcome.sentText = text;
    QSqlQuery q(*db);
    if (!q.exec(text)) {
        outcome.messages << kMessagePrefix + DbError::fromSqlError(q.lastError(), form).message();
        outcome.failed = true;
        return;
    }
    outcome.messages << ProcedureDoneMessage;
}

void SqlRunner::runPlain(const SqlRunInput &input, const AliasInfo &alias, SqlRunResult &outcome) {
    outcome.sentText = joinWithSeparator(input.editorLines, m_separator);
    DbResult<std::unique_ptr<QSqlQuery>> done = executeOnSession(alias.name, outcome.sentText);
    if (!done) {
        outcome.messages << kMessagePrefix + done.error().message();
        outcome.failed = true;
        return;
    }
    std::unique_ptr<QSqlQuery> query = std::move(done.value());
    if (!query->isSelect()) {
        outcome.messages << SqlDoneMessage;
        return;
    }
    // The rows are read whole: the session connection serves the counts and statements that
    // follow, and a half-read statement could keep what it changed locked (RETURNING).
    closeResult();
    m_modelAlias = alias.name;
    m_resultText.clear();
    const bool read = m_model.adopt(std::move(query)) && m_model.fetchAll();
    outcome.returnedRows = true;
    if (!read) {
        outcome.messages << kMessagePrefix + DbError::fromSqlError(m_model.lastError(),
                                                                   nativeCodeFormOf(alias.driver))
                                                 .message();
        outcome.failed = true;
    }
    m_rowCount = m_rowCounting && read ? m_model.rowCount() : -1;
    outcome.rowCount = m_rowCount;
}

DbResult<std::unique_ptr<QSqlQuery>> SqlRunner::executeOnSession(const QString &alias,
                                                                 const QString &text) {
    const DbResult<QSqlDatabase> db = m_session.connection(alias);
    if (!db)
        return db.error();
    settleResult(alias);
    const std::optional<AliasInfo> info = m_session.aliases().find(alias);
    auto q = std::make_unique<QSqlQuery>(*db);
    q->setForwardOnly(true);
    // exec() with a text sends it as it is: no ":name" placeholder recognition.
    if (!q->exec(text))
        return DbError::fromSqlError(q->lastError(),
                                     nativeCodeFormOf(info ? info->driver : QString()));
    DbResult<std::unique_ptr<QSqlQuery>> executed(std::move(q));
    return executed;
}

DbResult<bool> SqlRunner::execute(const QString &alias, const QString &text) {
    const DbResult<std::unique_ptr<QSqlQuery>> done = executeOnSession(alias, text);
    if (!done)
        return done.error();
    return true;
}

RowCount SqlRunner::countRows(const QString &alias, const QStringList &lines, bool countStatement) {
    RowCount result;
    StepCode step(u'P');
    step.set("DS_120001");
    const std::optional<AliasInfo> info = m_session.aliases().find(alias);
    const DbResult<QSqlDatabase> opened = m_session.connection(alias);
    if (!info || !opened) {
        if (!opened)
            for (const QString &text : opened.error().texts())
                result.messages << text + QStringLiteral("\r\n") + step.text();
        m_rowCount = -1;
        return result;
    }
    const QSqlDatabase db = *opened;
    const NativeCodeForm form = nativeCodeFormOf(info->driver);
    const bool statement =
        countStatement ||
        (!lines.isEmpty() && lines.first().contains(QStringLiteral("SELECT"), Qt::CaseInsensitive));
    const QString statementItself = statementText(framed(lines));

    CountRequest request;
    request.kind = info->kind();
    if (statement) {
        request.statementLines = lines;
        request.statementItself = statementItself;
    } else {
        request.table = lines.value(0);
    }
    request.subqueryName = kCountTableName;
    request.fallback = CountFallback::WhileConnected;
    step.set("DS_120002");
    const CountResult counted = countQueryRows(db, request, [&step](CountStage stage) {
        switch (stage) {
        case CountStage::Direct:
            step.set("DS_120003");
            break;
        case CountStage::Wrapper:
            step.set("DS_120004");
            break;
        case CountStage::Counted:
            step.set("DS_120005");
            break;
        case CountStage::Fallback:
            // The wrapper failed on an open connection: count by opening the statement itself.
            step.set("DS_120010");
            break;
        }
    });
    if (!counted.count) {
        const QSqlError &error = counted.error;
        if (!counted.fellBack && isConnectionLost(db, error)) {
            for (const QString &text : DbError::fromSqlError(error, form).texts())
                result.messages << text + QStringLiteral("\r\n") + step.text();
            m_rowCount = -1;
            return result;
        }
        step.set("DS_120011");
        if (isConnectionLost(db, error)) {
            for (const QString &text : DbError::fromSqlError(error, form).texts())
                result.messages << text + QStringLiteral("\r\n") + step.text();
        } else {
            result.messages << kMessagePrefix + DbError::fromSqlError(error, form).message() +
                                   QLatin1Char(' ') + step.text();
        }
        m_rowCount = -1;
        return result;
    }
    step.set("DS_120020");
    result.ok = true;
    result.count = *counted.count;
    m_rowCount = *counted.count;
    return result;
}

DbResult<QSqlDatabase> SqlRunner::resultConnection(const AliasInfo &alias,
                                                   const QSqlDatabase &session) {
    const auto it = m_resultConnections.find(alias.name);
    if (it != m_resultConnections.end()) {
        QSqlDatabase db = QSqlDatabase::database(it->second, false);
        if (db.isOpen())
            return db;
    }
    const QString name = m_session.connectionName(alias.name) + QStringLiteral("#result");
    DbError failure;
    {
        QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                       : QSqlDatabase::cloneDatabase(session, name);
        if (db.open()) {
            m_resultConnections[alias.name] = name;
            return db;
        }
        failure = DbError::fromSqlError(db.lastError(), nativeCodeFormOf(alias.driver));
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

DbResult<bool> SqlRunner::openResult(const AliasInfo &alias, const QString &text,
                                     bool allowCursor) {
    const DbResult<QSqlDatabase> session = m_session.connection(alias.name);
    if (!session) {
        closeResult();
        return session.error();
    }
    QSqlDatabase db = *session;
    ResultModel::ReadMode mode = ResultModel::ReadMode::ForwardOnly;
    if (alias.driver != u"QSQLITE") {
        // A result read as the grid scrolls keeps its connection busy: it gets its own.
        closeResult();
        const DbResult<QSqlDatabase> own = resultConnection(alias, *session);
        if (!own)
            return own.error();
        db = *own;
        if (alias.driver == u"QPSQL" && allowCursor)
            mode = ResultModel::ReadMode::PostgresCursor;
        else if (alias.driver == u"QMYSQL")
            mode = ResultModel::ReadMode::MySqlStream;
    }
    m_modelAlias = alias.name;
    m_resultText = text;
    if (!m_model.open(db, text, mode))
        return DbError::fromSqlError(m_model.lastError(), nativeCodeFormOf(alias.driver));
    return true;
}

void SqlRunner::closeResult() {
    // A MySQL/MariaDB result still streaming would be read to its end by the client library
    // before its connection could be used again: the session connection stops the statement.
    const qint64 streaming = m_model.streamingConnectionId();
    if (streaming > 0) {
        if (const auto db = m_session.findConnection(m_modelAlias)) {
            QSqlQuery kill(*db);
            kill.exec(QStringLiteral("KILL QUERY %1").arg(streaming));
        }
    }
    m_model.close();
}

void SqlRunner::settleResult(const QString &alias) {
    if (m_modelAlias != alias || !m_model.canFetchMore())
        return;
    const std::optional<AliasInfo> info = m_session.aliases().find(alias);
    if (info && info->driver != u"QSQLITE")
        m_model.fetchAll();
}

void SqlRunner::closeAlias(const QString &alias) {
    if (m_modelAlias == alias) {
        closeResult();
        m_modelAlias.clear();
    }
    const auto it = m_resultConnections.find(alias);
    if (it == m_resultConnections.end())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(it->second, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(it->second);
    m_resultConnections.erase(it);
}

} // namespace kelvoran

#include "db/dbsession.h"

#include "db/odbccatalog.h"
#include "db/sqlitefunctions.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>

namespace kelvoran {

namespace {

QString nextInstanceTag() {
    static QAtomicInt counter;
    return QString::number(counter.fetchAndAddRelaxed(1) + 1);
}

DbError unknownAliasError(const QString &alias) {
    return DbError(
        DbErrorEntry::make(DbErrorCategory::Connection, DbSubCode::UnknownAlias, 0,
                           QStringLiteral("エイリアス \"%1\" は登録されていません").arg(alias)));
}

// Closes and forgets a Qt connection. The QSqlDatabase handle must be gone from this scope
// before removeDatabase, hence the inner block.
void dropConnection(const QString &connectionName) {
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

} // namespace

DbResult<QSqlDatabase> openAliasConnection(const AliasInfo &alias, const QString &connectionName,
                                           const QString &user, const QString &password) {
    if (!QSqlDatabase::isDriverAvailable(alias.driver))
        return DbError(DbErrorEntry::make(
            DbErrorCategory::Driver, DbSubCode::DriverMissing, 0,
            QStringLiteral("エイリアス \"%1\" のドライバ %2 がインストールされていません")
                .arg(alias.name, alias.driver)));
    const bool sqlite = alias.driver == u"QSQLITE";
    if (sqlite && alias.database != u":memory:" && !QFileInfo(alias.database).isFile())
        return DbError(DbErrorEntry::make(
            DbErrorCategory::Connection, DbSubCode::DatabaseMissing, 0,
            QStringLiteral("データベースファイル %1 がありません").arg(alias.database)));
    DbError failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(alias.driver, connectionName);
        db.setDatabaseName(alias.database);
        if (!alias.host.isEmpty())
            db.setHostName(alias.host);
        if (alias.port > 0)
            db.setPort(alias.port);
        if (!sqlite) {
            db.setUserName(user);
            db.setPassword(password);
        }
        if (!alias.options.isEmpty())
            db.setConnectOptions(alias.options);
        if (db.open()) {
            if (!sqlite)
                return db;
            const Status registered = registerOracleFunctions(db);
            if (registered)
                return db;
            failure = DbError(DbErrorEntry::make(DbErrorCategory::Driver, DbSubCode::Server, 0,
                                                 registered.error().message));
        } else {
            failure = DbError::fromSqlError(db.lastError(), nativeCodeFormOf(alias.driver));
        }
    }
    dropConnection(connectionName);
    return failure;
}

// ---- DbSession ----

DbSession::DbSession(const QString &name, AliasList aliases, LoginPrompt *prompt)
    : m_name(name), m_prefix(QStringLiteral("kelvoran:%1#%2:").arg(name, nextInstanceTag())),
      m_aliases(std::move(aliases)), m_prompt(prompt) {}

DbSession::~DbSession() {
    closeAll();
}

QString DbSession::connectionName(const QString &alias) const {
    return m_prefix + alias;
}

DbResult<QSqlDatabase> DbSession::connection(const QString &alias) {
    if (std::optional<QSqlDatabase> open = findConnection(alias))
        return *open;
    // A connection that was opened and then lost (closed behind our back) is opened afresh.
    if (m_open.count(alias)) {
        dropConnection(m_open[alias]);
        m_open.erase(alias);
    }
    const std::optional<AliasInfo> info = m_aliases.find(alias);
    if (!info)
        return unknownAliasError(alias);
    QString user = info->user;
    QString password;
    if (info->loginRequired) {
        std::optional<LoginPrompt::Credentials> login;
        if (m_prompt)
            login = m_prompt->askLogin(alias, info->user);
        if (!login)
            return DbError(DbErrorEntry::make(DbErrorCategory::Connection,
                                              DbSubCode::LoginCancelled, 0,
                                              QStringLiteral("ログインがキャンセルされました")));
        user = login->user;
        password = login->password;
    }
    DbResult<QSqlDatabase> opened =
        openAliasConnection(*info, connectionName(alias), user, password);
    if (opened)
        m_open[alias] = connectionName(alias);
    return opened;
}

std::optional<QSqlDatabase> DbSession::findConnection(const QString &alias) const {
    const auto it = m_open.find(alias);
    if (it == m_open.end())
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(it->second, false);
    if (!db.isValid() || !db.isOpen())
        return std::nullopt;
    return db;
}

bool DbSession::isConnected(const QString &alias) const {
    return findConnection(alias).has_value();
}

void DbSession::closeConnection(const QString &alias) {
    const auto it = m_open.find(alias);
    if (it == m_open.end())
        return;
    dropConnection(it->second);
    m_open.erase(it);
}

void DbSession::closeAll() {
    for (const auto &entry : m_open)
        dropConnection(entry.second);
    m_open.clear();
}

DbResult<QStringList> DbSession::tableNames(const QString &alias) {
    DbResult<QSqlDatabase> db = connection(alias);
    if (!db)
        return db.error();
    if (std::optional<QStringList> catalogTables = odbcCurrentCatalogTables(*db))
        return *catalogTables;
    QStringList names = db->tables(QSql::TableType(QSql::Tables | QSql::Views));
    if (names.isEmpty() && db->lastError().isValid())
        return DbError::fromDatabase(*db);
    return names;
}

// ---- SchedulerConnection ----

SchedulerConnection::SchedulerConnection(AliasList aliases)
    : m_aliases(std::move(aliases)),
      m_connectionName(QStringLiteral("kelvoran:Default#") + nextInstanceTag()) {}

SchedulerConnection::~SchedulerConnection() {
    close();
}

bool SchedulerConnection::isOpen() const {
    return connection().has_value();
}

std::optional<QSqlDatabase> SchedulerConnection::connection() const {
    if (!m_open)
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isValid() || !db.isOpen())
        return std::nullopt;
    return db;
}

void SchedulerConnection::close() {
    if (!m_open)
        return;
    if (m_beforeClose)
        m_beforeClose();
    dropConnection(m_connectionName);
    m_open = false;
    m_alias.clear();
    m_user.clear();
    m_password.clear();
}

DbResult<QSqlDatabase> SchedulerConnection::open(const QString &alias, const QString &user,
                                                 const QString &password, bool forceReconnect) {
    if (!forceReconnect && m_open && alias == m_alias && user == m_user && password == m_password) {
        if (std::optional<QSqlDatabase> db = connection())
            return *db;
    }
    close();
    const std::optional<AliasInfo> info = m_aliases.find(alias);
    if (!info)
        return unknownAliasError(alias);
    DbResult<QSqlDatabase> opened = openAliasConnection(*info, m_connectionName, user, password);
    if (opened) {
        m_open = true;
        m_alias = alias;
        m_user = user;
        m_password = password;
    }
    return opened;
}

} // namespace kelvoran

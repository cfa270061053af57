// Sessions over the aliases: the interactive session with one connection per alias, and the
// scheduler's single connection "Default". The two never share a connection.
//
// UI thread only: a QSqlDatabase connection may be used only from the thread that opened it.
#pragma once

#include "db/aliases.h"
#include "db/dberror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>

namespace kelvoran {

// Asks the user for a login when a connection of the interactive session needs one. The
// windows show the login dialog; batch runs and tests answer without asking.
class LoginPrompt {
public:
    struct Credentials {
        QString user;
        QString password;
    };
    virtual ~LoginPrompt() = default;
    // The user name and password for the alias (the stored user name pre-filled), or none
    // when the user cancels.
    virtual std::optional<Credentials> askLogin(const QString &aliasName,
                                                const QString &storedUser) = 0;
};

// Opens a connection of an alias under a Qt connection name, with explicit credentials.
// SQLite connections get DECODE and NVL (sqlitefunctions.h). A SQLite file that does not
// exist is an error instead of a new empty database. On failure the connection name is
// removed again.
DbResult<QSqlDatabase> openAliasConnection(const AliasInfo &alias, const QString &connectionName,
                                           const QString &user, const QString &password);

// The interactive session (SessionDB): at most one connection per alias, opened by the first
// operation that names the alias, with the login prompt when the alias requires a login; open
// until closed or until the session ends.
class DbSession {
public:
    // name: the session's name ("SessionDB"); prompt may be null, then an alias that requires
    // a login fails as if the prompt were cancelled.
    DbSession(const QString &name, AliasList aliases, LoginPrompt *prompt = nullptr);
    // Closes every connection of the session.
    ~DbSession();
    DbSession(const DbSession &) = delete;
    DbSession &operator=(const DbSession &) = delete;

    const QString &name() const { return m_name; }
    const AliasList &aliases() const { return m_aliases; }
    // Replaces the alias list (after the alias file changed); open connections stay.
    void setAliases(AliasList aliases) { m_aliases = std::move(aliases); }
    void setLoginPrompt(LoginPrompt *prompt) { m_prompt = prompt; }

    // The alias names in list order.
    QStringList aliasNames() const { return m_aliases.names(); }
    // The driver name of an alias, re-read from the alias list.
    Result<QString> driverName(const QString &alias) const { return m_aliases.driverName(alias); }

    // The connection of the alias, opened now (with the login prompt) when it is not open.
    // Fails with the database error of the refused login, the cancelled prompt or an unknown
    // alias.
    DbResult<QSqlDatabase> connection(const QString &alias);
    // The open connection of the alias, or none; never opens one.
    std::optional<QSqlDatabase> findConnection(const QString &alias) const;
    // True when the alias has an open connection.
    bool isConnected(const QString &alias) const;
    // Closes the alias's connection; nothing happens when it has none. Queries on it become
    // unusable.
    void closeConnection(const QString &alias);
    // Closes every connection.
    void closeAll();

    // The access layer's table list of the alias (tables and views, no system tables), opening
    // the connection first. The catalog queries of Oracle and PostgreSQL aliases are built on
    // top of the session, not here.
    DbResult<QStringList> tableNames(const QString &alias);

    // The Qt connection name this session uses for an alias (unique per session and alias).
    QString connectionName(const QString &alias) const;

private:
    QString m_name;
    QString m_prefix;
    AliasList m_aliases;
    LoginPrompt *m_prompt;
    std::map<QString, QString> m_open; // alias -> Qt connection name
};

// The scheduler's connection "Default": one explicit connection that passes the user name and
// password it is given and never prompts. It is reused while alias, user and password stay the
// same, and closed and reopened when they change or a reconnect is forced.
class SchedulerConnection {
public:
    explicit SchedulerConnection(AliasList aliases);
    ~SchedulerConnection();
    SchedulerConnection(const SchedulerConnection &) = delete;
    SchedulerConnection &operator=(const SchedulerConnection &) = delete;

    // The local name of the connection.
    static QString localName() { return QStringLiteral("Default"); }

    const AliasList &aliases() const { return m_aliases; }
    void setAliases(AliasList aliases) { m_aliases = std::move(aliases); }
    // Called before the connection is closed (to close the scheduler's queries on it).
    void setBeforeClose(std::function<void()> beforeClose) {
        m_beforeClose = std::move(beforeClose);
    }

    // The connection for (alias, user, password): the open one when all three equal those it
    // was opened with and no reconnect is forced, else the old one is closed and a new one
    // opened.
    DbResult<QSqlDatabase> open(const QString &alias, const QString &user, const QString &password,
                                bool forceReconnect = false);
    // Closes the connection (nothing when it is closed).
    void close();
    bool isOpen() const;
    // The open connection, or none.
    std::optional<QSqlDatabase> connection() const;
    // The alias and user it was last opened with (empty when closed).
    const QString &alias() const { return m_alias; }
    const QString &user() const { return m_user; }
    // The Qt connection name (unique per instance; its local name is "Default").
    const QString &connectionName() const { return m_connectionName; }

private:
    AliasList m_aliases;
    QString m_connectionName;
    QString m_alias;
    QString m_user;
    QString m_password;
    bool m_open = false;
    std::function<void()> m_beforeClose;
};

} // namespace kelvoran

#include "db/aliases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <set>

namespace kelvoran {

namespace {

QString defaultDriverName(const QString &driver) {
    if (driver == u"QSQLITE")
        return QStringLiteral("SQLITE");
    if (driver == u"QPSQL")
        return QStringLiteral("POSTGRESQL");
    if (driver == u"QMYSQL")
        return QStringLiteral("MYSQL");
    if (driver == u"QOCI")
        return QStringLiteral("ORACLE");
    return QString();
}

// The driver name of a QODBC alias: the description of its data source, or the DRIVER={...}
// of a connection string.
QString odbcDriverName(const QString &database, const std::vector<OdbcDataSource> &sources) {
    for (const OdbcDataSource &source : sources)
        if (source.name.compare(database, Qt::CaseInsensitive) == 0)
            return source.description;
    static const QRegularExpression driverPart(
        QStringLiteral("(?:^|;)\\s*DRIVER\\s*=\\s*\\{?([^};]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = driverPart.match(database);
    if (m.hasMatch() && !m.captured(1).trimmed().isEmpty())
        return m.captured(1).trimmed();
    return QStringLiteral("ODBC");
}

// The value of a key=value line: a quoted value is taken between its quotes; otherwise a
// ";" or "#" after white space starts a comment ("port=5432   ; default port"), while one
// inside the value stays ("options=connect_timeout=5;sslmode=disable").
QString valueText(const QString &raw) {
    const QString value = raw.trimmed();
    if (value.startsWith(u'"')) {
        const qsizetype close = value.indexOf(u'"', 1);
        if (close > 0)
            return value.mid(1, close - 1);
    }
    static const QRegularExpression comment(QStringLiteral("(^|\\s)[;#]"));
    const QRegularExpressionMatch m = comment.match(value);
    return m.hasMatch() ? value.left(m.capturedStart()).trimmed() : value;
}

bool parseFlag(const QString &value, bool *ok) {
    const QString v = value.trimmed().toLower();
    *ok = true;
    if (v == u"true" || v == u"yes" || v == u"1" || v == u"on")
        return true;
    if (v == u"false" || v == u"no" || v == u"0" || v == u"off" || v.isEmpty())
        return false;
    *ok = false;
    return false;
}

Error lineError(const QString &fileName, int line, const QString &what) {
    return Error{
        QStringLiteral("エイリアスファイル %1 の %2 行目: %3").arg(fileName).arg(line).arg(what),
        QString()};
}

} // namespace

QString AliasList::defaultAliasFilePath() {
    const QString env = qEnvironmentVariable("KELVORAN_ALIASES");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kelvoran/aliases.ini");
}

QStringList AliasList::knownDrivers() {
    return {QStringLiteral("QSQLITE"), QStringLiteral("QPSQL"), QStringLiteral("QMYSQL"),
            QStringLiteral("QODBC"), QStringLiteral("QOCI")};
}

Result<std::vector<AliasInfo>>
AliasList::parseAliasText(const QString &text, const QString &fileName,
                          const std::vector<OdbcDataSource> &odbcSources) {
    std::vector<AliasInfo> aliases;
    std::vector<int> groupLines;
    std::set<QString> seen;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines[i].trimmed();
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return lineError(fileName, lineNo,
                                 QStringLiteral("グループ名が \"]\" で閉じられていません"));
            AliasInfo alias;
            alias.name = line.mid(1, line.size() - 2).trimmed();
            if (alias.name.isEmpty())
                return lineError(fileName, lineNo, QStringLiteral("エイリアス名が空です"));
            if (!seen.insert(alias.name).second)
                return lineError(
                    fileName, lineNo,
                    QStringLiteral("エイリアス \"%1\" が重複しています").arg(alias.name));
            aliases.push_back(alias);
            groupLines.push_back(lineNo);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            return lineError(fileName, lineNo, QStringLiteral("\"キー=値\" の形ではありません"));
        if (aliases.empty())
            return lineError(fileName, lineNo, QStringLiteral("グループより前にキーがあります"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = valueText(line.mid(eq + 1));
        AliasInfo &alias = aliases.back();
        if (key == u"driver") {
            alias.driver = value.toUpper();
        } else if (key == u"drivername") {
            alias.driverName = value;
        } else if (key == u"database") {
            alias.database = value;
        } else if (key == u"host") {
            alias.host = value;
        } else if (key == u"port") {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!value.isEmpty() && (!ok || port <= 0 || port > 65535))
                return lineError(fileName, lineNo,
                                 QStringLiteral("ポート番号 \"%1\" が正しくありません").arg(value));
            alias.port = value.isEmpty() ? -1 : port;
        } else if (key == u"user") {
            alias.user = value;
        } else if (key == u"options") {
            alias.options = value;
        } else if (key == u"login") {
            bool ok = false;
            alias.loginRequired = parseFlag(value, &ok);
            if (!ok)
                return lineError(fileName, lineNo,
                                 QStringLiteral("login の値 \"%1\" が正しくありません").arg(value));
        }
        // Other keys are left for later versions and ignored.
    }
    for (size_t i = 0; i < aliases.size(); ++i) {
        AliasInfo &alias = aliases[i];
        if (!knownDrivers().contains(alias.driver))
            return lineError(fileName, groupLines[i],
                             QStringLiteral("エイリアス \"%1\" のドライバ \"%2\" は使えません")
                                 .arg(alias.name, alias.driver));
        if (alias.driverName.isEmpty())
            alias.driverName = alias.driver == u"QODBC"
                                   ? odbcDriverName(alias.database, odbcSources)
                                   : defaultDriverName(alias.driver);
    }
    return aliases;
}

Result<std::vector<AliasInfo>>
AliasList::readAliasFile(const QString &path, const std::vector<OdbcDataSource> &odbcSources) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{
            QStringLiteral("エイリアスファイル %1 を開けません: %2").arg(path, file.errorString()),
            QString()};
    const QByteArray bytes = file.readAll();
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        return Error{QStringLiteral("エイリアスファイル %1 は UTF-8 ではありません").arg(path),
                     QString()};
    return parseAliasText(text, path, odbcSources);
}

std::vector<OdbcDataSource> AliasList::odbcDataSources() {
    std::vector<OdbcDataSource> sources;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return sources;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1];
    SQLCHAR description[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        const SQLRETURN rc = SQLDataSources(env, direction, name, sizeof name, &nameLength,
                                            description, sizeof description, &descriptionLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        sources.push_back({QString::fromUtf8(reinterpret_cast<const char *>(name)),
                           QString::fromUtf8(reinterpret_cast<const char *>(description))});
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return sources;
}

AliasList AliasList::combine(std::vector<AliasInfo> fileAliases,
                             const std::vector<OdbcDataSource> &odbcSources) {
    std::set<QString> named;
    for (const AliasInfo &alias : fileAliases)
        named.insert(alias.name);
    for (const OdbcDataSource &source : odbcSources) {
        if (!named.insert(source.name).second)
            continue;
        AliasInfo alias;
        alias.name = source.name;
        alias.driver = QStringLiteral("QODBC");
        alias.driverName = source.description;
        alias.database = source.name;
        alias.loginRequired = true;
        alias.fromOdbc = true;
        fileAliases.push_back(alias);
    }
    return AliasList(std::move(fileAliases));
}

Result<AliasList> AliasList::load(const QString &aliasFilePath) {
    const bool explicitFile =
        !aliasFilePath.isEmpty() || !qEnvironmentVariable("KELVORAN_ALIASES").isEmpty();
    const QString path = aliasFilePath.isEmpty() ? defaultAliasFilePath() : aliasFilePath;
    const std::vector<OdbcDataSource> sources = odbcDataSources();
    std::vector<AliasInfo> fileAliases;
    if (explicitFile || QFileInfo::exists(path)) {
        Result<std::vector<AliasInfo>> read = readAliasFile(path, sources);
        if (!read)
            return read.error();
        fileAliases = std::move(read.value());
    }
    return combine(std::move(fileAliases), sources);
}

QStringList AliasList::names() const {
    QStringList all;
    for (const AliasInfo &alias : m_aliases)
        all << alias.name;
    return all;
}

std::optional<AliasInfo> AliasList::find(const QString &name) const {
    for (const AliasInfo &alias : m_aliases)
        if (alias.name == name)
            return alias;
    return std::nullopt;
}

Result<QString> AliasList::driverName(const QString &name) const {
    if (const std::optional<AliasInfo> alias = find(name))
        return alias->driverName;
    return Error{QStringLiteral("エイリアス \"%1\" は登録されていません").arg(name), QString()};
}

} // namespace kelvoran

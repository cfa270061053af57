#include "db/driverlibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>

#include <sql.h>
#include <sqlext.h>

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace kelvoran {

namespace {

// The folder of the driver manager library: drivers registered by file name alone live in its
// "odbc" subfolder (/usr/lib/x86_64-linux-gnu/odbc on Debian).
QString driverManagerDriverFolder() {
#ifndef _WIN32
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&SQLAllocHandle), &info) && info.dli_fname)
        return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath() +
               QStringLiteral("/odbc");
#endif
    return QString();
}

// The file of a Qt SQL driver plugin ("QOCI" -> ".../sqldrivers/libqsqloci.so"), or empty.
QString qtDriverPluginFile(const QString &driver) {
    const QString stem = driver == u"QSQLITE" ? QStringLiteral("sqlite") : driver.mid(1).toLower();
    for (const QString &folder : QCoreApplication::libraryPaths()) {
        const QDir dir(folder + QStringLiteral("/sqldrivers"));
        const QStringList files = dir.entryList(
            {QStringLiteral("libqsql%1.*").arg(stem), QStringLiteral("qsql%1.dll").arg(stem)},
            QDir::Files);
        if (!files.isEmpty())
            return dir.filePath(files.first());
    }
    return QString();
}

#ifndef _WIN32
// dlopen's message for a file it could not find: "NAME: cannot open shared object file: ...".
QString missingFileOf(const QString &message) {
    static const QRegularExpression notFound(
        QStringLiteral("^(.*): cannot open shared object file: No such file or directory"));
    const QRegularExpressionMatch m = notFound.match(message);
    return m.hasMatch() ? m.captured(1) : QString();
}

// Loads and unloads a file; dlerror's message when it does not load.
QString tryLoad(const QString &path) {
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_LOCAL);
    if (handle) {
        dlclose(handle);
        return QString();
    }
    const char *message = dlerror();
    return message ? QString::fromLocal8Bit(message) : QStringLiteral("?");
}
#endif

} // namespace

QString odbcDriverLibrary(const QString &driverName) {
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return QString();
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR description[1024];
    SQLCHAR attributes[8192];
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    QString library;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDrivers(env, direction, description, sizeof description,
                                    &descriptionLength, attributes, sizeof attributes,
                                    &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        if (QString::fromUtf8(reinterpret_cast<const char *>(description))
                .compare(driverName, Qt::CaseInsensitive) != 0)
            continue;
        // The attributes are "key=value" texts, each ended by a NUL, the list by a second NUL.
        const char *at = reinterpret_cast<const char *>(attributes);
        const char *end = at + qMin<int>(attributesLength, sizeof attributes - 1);
        while (at < end && *at) {
            const QString pair = QString::fromUtf8(at);
            at += qstrlen(at) + 1;
            const qsizetype eq = pair.indexOf(u'=');
            if (eq > 0 && pair.left(eq).trimmed().compare(u"Driver", Qt::CaseInsensitive) == 0)
                library = pair.mid(eq + 1).trimmed();
        }
        break;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return library;
}

QString odbcDriverOfAlias(const AliasInfo &alias, const std::vector<OdbcDataSource> &sources) {
    if (alias.driver != u"QODBC")
        return QString();
    for (const OdbcDataSource &source : sources)
        if (source.name.compare(alias.database, Qt::CaseInsensitive) == 0)
            return source.description;
    static const QRegularExpression driverPart(
        QStringLiteral("(?:^|;)\\s*DRIVER\\s*=\\s*\\{?([^};]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = driverPart.match(alias.database);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

QString libraryLoadProblem(const QString &library) {
#ifdef _WIN32
    Q_UNUSED(library);
    return QString();
#else
    QString path = library;
    QString message = tryLoad(path);
    if (!message.isEmpty() && !library.contains(u'/') && missingFileOf(message) == library) {
        const QString folder = driverManagerDriverFolder();
        if (!folder.isEmpty() && QFileInfo::exists(folder + u'/' + library)) {
            path = folder + u'/' + library;
            message = tryLoad(path);
        }
    }
    if (message.isEmpty())
        return QString();
    const QString missing = missingFileOf(message);
    if (missing == path || missing == library)
        return QStringLiteral("ライブラリ %1 がありません").arg(library);
    if (!missing.isEmpty())
        return QStringLiteral("ライブラリ %1 が必要とするライブラリ %2 が見つかりません"
                              "(インストールするか、その場所を LD_LIBRARY_PATH に加えてください)")
            .arg(path, missing);
    return QStringLiteral("ライブラリ %1 を読み込めません: %2").arg(path, message);
#endif
}

QString aliasDriverProblem(const AliasInfo &alias, const std::vector<OdbcDataSource> &sources) {
    if (!QSqlDatabase::isDriverAvailable(alias.driver))
        return QStringLiteral("Qt のデータベースドライバ %1 がインストールされていません")
            .arg(alias.driver);
    const QString plugin = qtDriverPluginFile(alias.driver);
    if (!plugin.isEmpty()) {
        const QString problem = libraryLoadProblem(plugin);
        if (!problem.isEmpty())
            return QStringLiteral("Qt のデータベースドライバ %1 を読み込めません: %2")
                .arg(alias.driver, problem);
    }
    if (alias.driver != u"QODBC")
        return QString();
    const QString driver = odbcDriverOfAlias(alias, sources);
    if (driver.isEmpty())
        return alias.database.contains(u'=')
                   ? QString()
                   : QStringLiteral("ODBC データソース \"%1\" がありません").arg(alias.database);
    QString library = odbcDriverLibrary(driver);
    // A data source may name the driver's file instead of a registered driver.
    if (library.isEmpty() && driver.contains(u'/'))
        library = driver;
    if (library.isEmpty())
        return QStringLiteral("ODBC ドライバ \"%1\" が odbcinst.ini に登録されていません")
            .arg(driver);
    const QString problem = libraryLoadProblem(library);
    if (problem.isEmpty())
        return QString();
    return QStringLiteral("ODBC ドライバ \"%1\" を読み込めません: %2").arg(driver, problem);
}

} // namespace kelvoran

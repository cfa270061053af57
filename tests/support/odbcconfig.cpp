#include "tests/support/odbcconfig.h"

#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kelvoran::test {

QString odbcDriverLibrary(const QString &fileName) {
    // Debian installs drivers into the driver manager's folder under the multiarch library path.
    QStringList folders{QStringLiteral("/usr/lib/odbc")};
    const QDir lib(QStringLiteral("/usr/lib"));
    for (const QString &arch : lib.entryList({QStringLiteral("*-linux-gnu*")}, QDir::Dirs))
        folders.prepend(lib.filePath(arch + QStringLiteral("/odbc")));
    for (const QString &folder : folders) {
        const QString candidate = folder + u'/' + fileName;
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

QString sameDateForm(QString text, bool dropTime) {
    static const QRegularExpression isoDate(QStringLiteral("\\b(\\d{4})-(\\d{2})-(\\d{2})\\b"));
    static const QRegularExpression timeAfterDate(
        QStringLiteral("(\\d{4}/\\d{2}/\\d{2}) \\d{2}:\\d{2}:\\d{2}"));
    text.replace(isoDate, QStringLiteral("\\1/\\2/\\3"));
    if (dropTime)
        text.replace(timeAfterDate, QStringLiteral("\\1"));
    return text;
}

QString sqliteOracleExtensionPath() {
    return QStringLiteral(KELVORAN_SQLITE_ORACLE_EXTENSION);
}

OdbcTestConfig::OdbcTestConfig() = default;

OdbcTestConfig::~OdbcTestConfig() {
    if (!m_applied)
        return;
    for (const auto &[name, value] : m_saved) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
}

void OdbcTestConfig::addDriver(const QString &name, const QString &library) {
    m_drivers.emplace_back(name, library);
}

void OdbcTestConfig::addDataSource(const QString &name, const QString &driver,
                                   const std::vector<std::pair<QString, QString>> &keys) {
    std::vector<std::pair<QString, QString>> all{{QStringLiteral("Driver"), driver}};
    all.insert(all.end(), keys.begin(), keys.end());
    m_sources.emplace_back(name, all);
}

bool OdbcTestConfig::has(const QString &name) const {
    for (const auto &source : m_sources)
        if (source.first == name)
            return true;
    return false;
}

QStringList OdbcTestConfig::addStandardSources() {
    using S = OdbcTestSources;
    QStringList leftOut;
    const QString sqlite = odbcDriverLibrary(QStringLiteral("libsqlite3odbc.so"));
    if (sqlite.isEmpty()) {
        leftOut << QStringLiteral("ODBC driver for SQLite not installed (libsqliteodbc)");
    } else {
        const QString demo = path(QStringLiteral("demo.sqlite"));
        const QString dictionary = path(QStringLiteral("oracle_dictionary.sqlite"));
        QFile::remove(demo);
        QFile::remove(dictionary);
        QFile::copy(demoDatabasePath(), demo);
        QFile::copy(oracleFixturePath(), dictionary);
        addDriver(QString::fromLatin1(S::sqliteDriver), sqlite);
        addDriver(QString::fromLatin1(S::oracleDriver), sqlite);
        // NoCreat: a mistyped file name fails instead of creating an empty database.
        addDataSource(
            QString::fromLatin1(S::sqlite), QString::fromLatin1(S::sqliteDriver),
            {{QStringLiteral("Database"), demo}, {QStringLiteral("NoCreat"), QStringLiteral("1")}});
        addDataSource(QString::fromLatin1(S::oracle), QString::fromLatin1(S::oracleDriver),
                      {{QStringLiteral("Database"), dictionary},
                       {QStringLiteral("NoCreat"), QStringLiteral("1")},
                       {QStringLiteral("LoadExt"), sqliteOracleExtensionPath()}});
    }
    const QString postgres = odbcDriverLibrary(QStringLiteral("psqlodbcw.so"));
    if (postgres.isEmpty()) {
        leftOut << QStringLiteral("ODBC driver for PostgreSQL not installed (odbc-postgresql)");
    } else if (!serversStarted()) {
        leftOut << QStringLiteral("test servers not started: no PostgreSQL data source");
    } else {
        addDriver(QString::fromLatin1(S::postgresDriver), postgres);
        addDataSource(QString::fromLatin1(S::postgres), QString::fromLatin1(S::postgresDriver),
                      {{QStringLiteral("Servername"), QStringLiteral("127.0.0.1")},
                       {QStringLiteral("Port"), qEnvironmentVariable("KELVORAN_TEST_PG_PORT")},
                       {QStringLiteral("Database"), QStringLiteral("kelvoran")}});
    }
    const QString mariadb = odbcDriverLibrary(QStringLiteral("libmaodbc.so"));
    if (mariadb.isEmpty()) {
        leftOut << QStringLiteral("ODBC driver for MariaDB not installed (odbc-mariadb)");
    } else if (!serversStarted()) {
        leftOut << QStringLiteral("test servers not started: no MariaDB data source");
    } else {
        addDriver(QString::fromLatin1(S::mariadbDriver), mariadb);
        addDataSource(QString::fromLatin1(S::mariadb), QString::fromLatin1(S::mariadbDriver),
                      {{QStringLiteral("Server"), QStringLiteral("127.0.0.1")},
                       {QStringLiteral("Port"), qEnvironmentVariable("KELVORAN_TEST_MY_PORT")},
                       {QStringLiteral("Database"), QStringLiteral("kelvoran")}});
    }
    return leftOut;
}

bool OdbcTestConfig::apply() {
    if (!m_dir.isValid())
        return false;
    QByteArray drivers;
    for (const auto &[name, library] : m_drivers)
        drivers += '[' + name.toUtf8() + "]\nDriver=" + library.toUtf8() + "\n\n";
    QByteArray sources;
    for (const auto &[name, keys] : m_sources) {
        sources += '[' + name.toUtf8() + "]\n";
        for (const auto &[key, value] : keys)
            sources += key.toUtf8() + '=' + value.toUtf8() + '\n';
        sources += '\n';
    }
    // The data sources are the system ones; the user file stays empty.
    for (const auto &[file, text] : {std::pair{QStringLiteral("odbcinst.ini"), drivers},
                                     std::pair{QStringLiteral("odbc.ini"), sources},
                                     std::pair{QStringLiteral("user-odbc.ini"), QByteArray()}}) {
        QFile f(path(file));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            return false;
    }
    if (!m_applied) {
        for (const char *name : {"ODBCSYSINI", "ODBCINI"})
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                           ? std::optional<QByteArray>(qgetenv(name))
                                           : std::nullopt);
        m_applied = true;
    }
    qputenv("ODBCSYSINI", QFile::encodeName(m_dir.path()));
    qputenv("ODBCINI", QFile::encodeName(path(QStringLiteral("user-odbc.ini"))));
    return true;
}

} // namespace kelvoran::test

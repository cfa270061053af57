// A private ODBC configuration for tests: odbcinst.ini and odbc.ini written into a temporary
// folder and named by ODBCSYSINI and ODBCINI for this process and the programs it starts, so
// the machine's own drivers and data sources never enter a test. The drivers are the real ones
// of the Debian packages odbc-postgresql, odbc-mariadb and libsqliteodbc.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

namespace kelvoran::test {

// The installed file of an ODBC driver library ("psqlodbcw.so") in the driver manager's driver
// folder, or empty when the package that brings it is not installed.
QString odbcDriverLibrary(const QString &fileName);

// SQLite keeps dates as the text they were written in ("2024-04-01 09:00:00"), which the
// program's own SQLite connection shows as it is, while the SQLite ODBC driver hands them over
// typed by the column's declared type: DATETIME as a date-time, DATE as a date alone (Oracle's
// own driver hands DATE over as a timestamp, so a real Oracle keeps the time). Texts are compared
// with dates in one form and, when dropTime is set, without the time after a date.
QString sameDateForm(QString text, bool dropTime);

// The DECODE/NVL SQLite extension built by the project.
QString sqliteOracleExtensionPath();

// The data sources the tests use over the real drivers, with the driver names they are
// registered under. The MariaDB driver's name holds MYSQL and the dictionary fixture's ORACLE,
// since the database kind follows the driver name.
struct OdbcTestSources {
    static constexpr const char *sqlite = "LITEODBC"; // demo database copy, "SQLite3 ODBC"
    static constexpr const char *oracle = "ORAODBC";  // dictionary fixture copy
    static constexpr const char *postgres = "PGODBC"; // the loopback PostgreSQL server
    static constexpr const char *mariadb = "MYODBC";  // the loopback MariaDB server
    static constexpr const char *sqliteDriver = "SQLite3 ODBC";
    static constexpr const char *oracleDriver = "ORACLE dictionary (SQLite3 ODBC)";
    static constexpr const char *postgresDriver = "PostgreSQL Unicode";
    static constexpr const char *mariadbDriver = "MySQL protocol: MariaDB Unicode";
};

class OdbcTestConfig {
public:
    // Writes nothing yet; the environment is changed by apply() and restored on destruction.
    OdbcTestConfig();
    ~OdbcTestConfig();
    OdbcTestConfig(const OdbcTestConfig &) = delete;
    OdbcTestConfig &operator=(const OdbcTestConfig &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Registers a driver under a name with its library path.
    void addDriver(const QString &name, const QString &library);
    // Adds a data source of a registered driver with its connection keys.
    void addDataSource(const QString &name, const QString &driver,
                       const std::vector<std::pair<QString, QString>> &keys = {});

    // The usual set: LITEODBC and ORAODBC over copies of the demo database and the dictionary
    // fixture (when libsqliteodbc is installed), PGODBC and MYODBC over the loopback servers
    // (when their drivers are installed and the servers run). Returns what was left out and why,
    // one line each.
    QStringList addStandardSources();
    // Whether a data source of that name was added.
    bool has(const QString &name) const;

    // Writes both files and points ODBCSYSINI and ODBCINI at them.
    bool apply();

private:
    QTemporaryDir m_dir;
    std::vector<std::pair<QString, QString>> m_drivers;
    std::vector<std::pair<QString, std::vector<std::pair<QString, QString>>>> m_sources;
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
    bool m_applied = false;
};

} // namespace kelvoran::test

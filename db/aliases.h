// Aliases: the named data sources of the program, from the alias file and the machine's ODBC
// data sources.
//
// The alias file is found in the environment variable KELVORAN_ALIASES, else it is
// "<GenericConfigLocation>/Kelvoran/aliases.ini" (on Linux ~/.config/Kelvoran/aliases.ini), the
// folder that also holds the program's settings. It is a UTF-8 INI file, one group per alias:
//
//   [DEMO]                     ; the alias name, as the tree shows it
//   driver=QSQLITE             ; Qt driver: QSQLITE, QPSQL, QMYSQL, QODBC or QOCI
//   drivername=SQLITE          ; the driver name the database kind is derived from
//   database=/data/demo.sqlite ; file, database, ODBC data source name or connection string
//   host=127.0.0.1
//   port=5432
//   user=scott                 ; the stored user name the login prompt shows
//   options=connect_timeout=5  ; Qt connect options
//   login=true                 ; a login (user name and password) is required
//
// Keys are case-insensitive; lines starting with ";" or "#" are comments, and so is the rest of
// a line from a ";" or "#" that follows white space; a value may be put in double quotes.
// `drivername` defaults to "SQLITE", "POSTGRESQL", "MYSQL", "ORACLE" by driver, and for QODBC to
// the description of the ODBC data source named in `database` (or the DRIVER of a connection
// string, else "ODBC"). The file is read by its own small parser rather than QSettings so that the
// aliases keep the order of the file (QSettings sorts groups) and values with commas stay single
// texts.
//
// The alias list is the file's groups in file order, then the ODBC data sources (user and
// system) whose names the file does not already use, in the order the driver manager lists
// them. An ODBC data source alias uses QODBC on the data source name, takes the data source's
// driver description as its driver name and requires a login.
#pragma once

#include "core/result.h"
#include "db/dbkind.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kelvoran {

// One configured alias.
struct AliasInfo {
    QString name;
    QString driver;     // Qt driver: QSQLITE, QPSQL, QMYSQL, QODBC, QOCI
    QString driverName; // what DbKind is derived from
    QString database;
    QString host;
    int port = -1; // -1: the driver's default
    QString user;
    QString options;
    bool loginRequired = false;
    bool fromOdbc = false; // an ODBC data source of the machine, not a group of the alias file

    // The database family of this alias.
    DbKind kind() const { return dbKindFromDriverName(driverName); }
};

// One ODBC data source as the driver manager lists it.
struct OdbcDataSource {
    QString name;
    QString description; // the ODBC driver's description, e.g. "PostgreSQL Unicode"
};

// The aliases known to the program, in list order.
class AliasList {
public:
    AliasList() = default;
    explicit AliasList(std::vector<AliasInfo> aliases) : m_aliases(std::move(aliases)) {}

    // The alias file named by KELVORAN_ALIASES, else aliases.ini in the user's config folder.
    static QString defaultAliasFilePath();
    // The Qt drivers an alias may name.
    static QStringList knownDrivers();

    // Reads an alias file. A missing file is an error; so is a line that is neither a group,
    // a key=value pair nor a comment, a key outside a group, a repeated group or an unknown
    // driver. odbcSources resolve the driver names of QODBC aliases.
    static Result<std::vector<AliasInfo>>
    readAliasFile(const QString &path, const std::vector<OdbcDataSource> &odbcSources = {});
    // The same from text already read; fileName only names the file in messages.
    static Result<std::vector<AliasInfo>>
    parseAliasText(const QString &text, const QString &fileName,
                   const std::vector<OdbcDataSource> &odbcSources = {});

    // The user and system data sources of the ODBC driver manager (empty when there are none
    // or the driver manager cannot be used).
    static std::vector<OdbcDataSource> odbcDataSources();

    // File aliases followed by the data sources whose names the file does not use.
    static AliasList combine(std::vector<AliasInfo> fileAliases,
                             const std::vector<OdbcDataSource> &odbcSources);

    // The aliases of the machine: the alias file at aliasFilePath (a missing file at the
    // default path just means no file aliases; a missing file named by KELVORAN_ALIASES or
    // passed explicitly is an error) and the ODBC data sources.
    static Result<AliasList> load(const QString &aliasFilePath = QString());

    const std::vector<AliasInfo> &aliases() const { return m_aliases; }
    // The alias names in list order.
    QStringList names() const;
    // The alias of that name (exact match), or none.
    std::optional<AliasInfo> find(const QString &name) const;
    // The driver name of an alias; an unknown alias is an error.
    Result<QString> driverName(const QString &name) const;

private:
    std::vector<AliasInfo> m_aliases;
};

} // namespace kelvoran

#include "db/aliases.h"
#include "tests/db/qstringprinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

void writeFile(const QString &path, const QByteArray &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Sets an environment variable for the lifetime of the object.
class EnvOverride {
public:
    EnvOverride(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvOverride() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(AliasFileTest, GroupsKeepFileOrderAndGetDriverDefaults) {
    const QString text =
        QStringLiteral("; aliases of the sales team\n"
                       "[ZETA]\r\n"
                       "driver=QSQLITE\r\n"
                       "database=/data/zeta.sqlite\r\n"
                       "\n"
                       "[alpha]\n"
                       "Driver = qpsql\n"
                       "HOST=127.0.0.1\n"
                       "port=5433\n"
                       "database=kelvoran\n"
                       "user=scott\n"
                       "login=true\n"
                       "options=\"connect_timeout=5;sslmode=disable\"\n"
                       "[My Sales]\n"
                       "driver=QMYSQL\n"
                       "login=no\n"
                       "[ORA]\n"
                       "driver=QOCI\n"
                       "[DSN1]\n"
                       "driver=QODBC\n"
                       "database=orcl_dsn\n"
                       "[DSN2]\n"
                       "driver=QODBC\n"
                       "database=DRIVER={MySQL ODBC 8.0 Unicode Driver};SERVER=h\n"
                       "[DSN3]\n"
                       "driver=QODBC\n"
                       "database=nowhere\n"
                       "[FIX]\n"
                       "driver=QSQLITE\n"
                       "drivername=Oracle dictionary copy\n"
                       "future_key=ignored\n"
                       "[SALES]\n"
                       "driver=QPSQL              ; QSQLITE, QPSQL, QMYSQL, QODBC or QOCI\n"
                       "drivername=POSTGRESQL     ; decides the database kind\n"
                       "database=sales\n"
                       "port=5432 # the default\n"
                       "options=\n"
                       "user=\"report ; #1\"   ; quoted\n"
                       "login=true                ; ask for user name and password\n");
    const std::vector<OdbcDataSource> odbc{
        {QStringLiteral("ORCL_DSN"), QStringLiteral("Oracle in OraClient11g")}};
    Result<std::vector<AliasInfo>> parsed =
        AliasList::parseAliasText(text, QStringLiteral("aliases.ini"), odbc);
    ASSERT_TRUE(parsed.isOk()) << parsed.error().message.toStdString();
    const std::vector<AliasInfo> &a = parsed.value();

    struct Expect {
        const char *name;
        const char *driver;
        const char *driverName;
        DbKind kind;
        bool login;
    };
    const Expect expected[] = {
        {"ZETA", "QSQLITE", "SQLITE", DbKind::Sqlite, false},
        {"alpha", "QPSQL", "POSTGRESQL", DbKind::Postgre, true},
        {"My Sales", "QMYSQL", "MYSQL", DbKind::MySql, false},
        {"ORA", "QOCI", "ORACLE", DbKind::Oracle, false},
        {"DSN1", "QODBC", "Oracle in OraClient11g", DbKind::Oracle, false},
        {"DSN2", "QODBC", "MySQL ODBC 8.0 Unicode Driver", DbKind::MySql, false},
        {"DSN3", "QODBC", "ODBC", DbKind::Other, false},
        {"FIX", "QSQLITE", "Oracle dictionary copy", DbKind::Oracle, false},
        {"SALES", "QPSQL", "POSTGRESQL", DbKind::Postgre, true},
    };
    ASSERT_EQ(a.size(), std::size(expected));
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, QString::fromLatin1(expected[i].name)) << i;
        EXPECT_EQ(a[i].driver, QString::fromLatin1(expected[i].driver)) << i;
        EXPECT_EQ(a[i].driverName, QString::fromLatin1(expected[i].driverName)) << i;
        EXPECT_EQ(a[i].kind(), expected[i].kind) << i;
        EXPECT_EQ(a[i].loginRequired, expected[i].login) << i;
        EXPECT_FALSE(a[i].fromOdbc);
    }
    EXPECT_EQ(a[0].database, QStringLiteral("/data/zeta.sqlite"));
    EXPECT_EQ(a[0].port, -1);
    EXPECT_EQ(a[1].host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(a[1].port, 5433);
    EXPECT_EQ(a[1].user, QStringLiteral("scott"));
    EXPECT_EQ(a[1].options, QStringLiteral("connect_timeout=5;sslmode=disable"));
    EXPECT_EQ(a[5].database, QStringLiteral("DRIVER={MySQL ODBC 8.0 Unicode Driver};SERVER=h"));
    EXPECT_EQ(a[8].port, 5432);
    EXPECT_EQ(a[8].options, QString());
    EXPECT_EQ(a[8].user, QStringLiteral("report ; #1"));
}

TEST(AliasFileTest, BadLinesNameFileAndLine) {
    struct Case {
        const char *text;
        const char *needle;
    };
    const Case cases[] = {
        {"driver=QSQLITE\n", "1 行目"},                           // key before any group
        {"[A]\ndriver=QSQLITE\n[A]\ndriver=QSQLITE\n", "3 行目"}, // repeated group
        {"[A]\ndriver=QSQLITE\njust words\n", "3 行目"},          // neither group nor key
        {"[A]\ndriver=QDB2\n", "QDB2"},                           // unknown driver
        {"[A]\n", "1 行目"},                                      // no driver at all
        {"[A]\ndriver=QPSQL\nport=54x\n", "3 行目"},
        {"[A]\ndriver=QPSQL\nlogin=maybe\n", "3 行目"},
        {"[A\n", "1 行目"},
    };
    for (const Case &c : cases) {
        Result<std::vector<AliasInfo>> parsed =
            AliasList::parseAliasText(QString::fromUtf8(c.text), QStringLiteral("x.ini"));
        ASSERT_FALSE(parsed.isOk()) << c.text;
        EXPECT_TRUE(parsed.error().message.contains(QStringLiteral("x.ini"))) << c.text;
        EXPECT_TRUE(parsed.error().message.contains(QString::fromUtf8(c.needle)))
            << c.text << " -> " << parsed.error().message.toStdString();
    }
}

TEST(AliasListTest, FileAliasesFirstThenUnnamedOdbcSources) {
    std::vector<AliasInfo> file(2);
    file[0].name = QStringLiteral("B");
    file[0].driver = QStringLiteral("QSQLITE");
    file[0].driverName = QStringLiteral("SQLITE");
    file[1].name = QStringLiteral("SALES");
    file[1].driver = QStringLiteral("QPSQL");
    file[1].driverName = QStringLiteral("POSTGRESQL");
    const std::vector<OdbcDataSource> odbc{
        {QStringLiteral("ORCL"), QStringLiteral("Oracle in OraClient11g")},
        {QStringLiteral("SALES"), QStringLiteral("MySQL ODBC 8.0 Unicode Driver")},
        {QStringLiteral("ACC"), QStringLiteral("Microsoft Access Driver (*.mdb)")},
    };
    const AliasList list = AliasList::combine(file, odbc);
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("B"), QStringLiteral("SALES"),
                                         QStringLiteral("ORCL"), QStringLiteral("ACC")}));
    EXPECT_EQ(list.driverName(QStringLiteral("SALES")).value(), QStringLiteral("POSTGRESQL"));
    const AliasInfo orcl = *list.find(QStringLiteral("ORCL"));
    EXPECT_TRUE(orcl.fromOdbc);
    EXPECT_EQ(orcl.driver, QStringLiteral("QODBC"));
    EXPECT_EQ(orcl.database, QStringLiteral("ORCL"));
    EXPECT_TRUE(orcl.loginRequired);
    EXPECT_EQ(orcl.kind(), DbKind::Oracle);
    EXPECT_FALSE(list.driverName(QStringLiteral("orcl")).isOk()); // names match exactly
    EXPECT_FALSE(list.find(QStringLiteral("nope")).has_value());
}

TEST(AliasListTest, LoadReadsTheFileAndTheMachinesOdbcSources) {
    QTemporaryDir dir;
    // A private ODBC configuration: a driver and two system data sources.
    writeFile(dir.filePath(QStringLiteral("odbcinst.ini")),
              "[Oracle in OraClient11g]\nDriver=/nonexistent/libsqora.so\n"
              "[PostgreSQL Unicode]\nDriver=/nonexistent/psqlodbcw.so\n");
    writeFile(dir.filePath(QStringLiteral("odbc.ini")), "[ORCL]\nDriver=Oracle in OraClient11g\n"
                                                        "[PGDSN]\nDriver=PostgreSQL Unicode\n");
    writeFile(dir.filePath(QStringLiteral("user.ini")), "");
    const QString aliasFile = dir.filePath(QStringLiteral("aliases.ini"));
    writeFile(aliasFile, "[LOCAL]\ndriver=QSQLITE\ndatabase=/tmp/x.sqlite\n"
                         "[PGDSN]\ndriver=QODBC\ndatabase=PGDSN\nuser=u1\n"
                         "[VIADSN]\ndriver=QODBC\ndatabase=orcl\n");
    EnvOverride sysIni("ODBCSYSINI", QFile::encodeName(dir.path()));
    EnvOverride userIni("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("user.ini"))));

    const std::vector<OdbcDataSource> sources = AliasList::odbcDataSources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].name, QStringLiteral("ORCL"));
    EXPECT_EQ(sources[0].description, QStringLiteral("Oracle in OraClient11g"));

    Result<AliasList> loaded = AliasList::load(aliasFile);
    ASSERT_TRUE(loaded.isOk()) << loaded.error().message.toStdString();
    EXPECT_EQ(loaded->names(), (QStringList{QStringLiteral("LOCAL"), QStringLiteral("PGDSN"),
                                            QStringLiteral("VIADSN"), QStringLiteral("ORCL")}));
    EXPECT_EQ(loaded->driverName(QStringLiteral("PGDSN")).value(),
              QStringLiteral("PostgreSQL Unicode"));
    EXPECT_EQ(loaded->find(QStringLiteral("PGDSN"))->user, QStringLiteral("u1"));
    EXPECT_EQ(loaded->driverName(QStringLiteral("VIADSN")).value(),
              QStringLiteral("Oracle in OraClient11g"));

    // A file named explicitly or by KELVORAN_ALIASES must exist.
    EXPECT_FALSE(AliasList::load(dir.filePath(QStringLiteral("missing.ini"))).isOk());
    {
        EnvOverride aliases("KELVORAN_ALIASES",
                            QFile::encodeName(dir.filePath(QStringLiteral("missing.ini"))));
        EXPECT_FALSE(AliasList::load().isOk());
    }
    {
        EnvOverride aliases("KELVORAN_ALIASES", QFile::encodeName(aliasFile));
        EXPECT_EQ(AliasList::defaultAliasFilePath(), aliasFile);
        ASSERT_TRUE(AliasList::load().isOk());
    }
}

#include "db/dbkind.h"
#include "tests/db/qstringprinter.h"

#include <gtest/gtest.h>

using namespace kelvoran;

TEST(DbKindTest, DriverNameTable) {
    struct Case {
        const char *driverName;
        DbKind kind;
        const char *text;
    };
    const Case cases[] = {
        {"ORACLE", DbKind::Oracle, "ORACLE"},
        {"Oracle in OraClient11g_home1", DbKind::Oracle, "ORACLE"},
        {"oracle", DbKind::Oracle, "ORACLE"},
        {"POSTGRESQL", DbKind::Postgre, "POSTGRE"},
        {"PostgreSQL Unicode", DbKind::Postgre, "POSTGRE"},
        {"MYSQL", DbKind::MySql, "MYSQL"},
        {"MySQL ODBC 8.0 Unicode Driver", DbKind::MySql, "MYSQL"},
        {"mysql", DbKind::MySql, "MYSQL"},
        {"mYsQl", DbKind::MySql, "MYSQL"},
        {"MySQL for ORACLE bridge", DbKind::Oracle, "ORACLE"}, // ORACLE is tested first
        {"Postgres over MySQL", DbKind::Postgre, "POSTGRE"},   // POSTGRE before MYSQL
        {"Microsoft Access Driver (*.mdb, *.accdb)", DbKind::Access, "ACCESS"},
        {"Microsoft Excel Driver (*.xls)", DbKind::Excel, "EXCEL"},
        {"Excel via Access", DbKind::Access, "ACCESS"}, // ACCESS before EXCEL
        {"SQLITE", DbKind::Sqlite, "SQLITE"},
        {"SQLite3 ODBC Driver", DbKind::Sqlite, "SQLITE"},
        {"Excel over SQLite", DbKind::Excel, "EXCEL"},       // EXCEL before SQLITE
        {"MariaDB ODBC 3.1 Driver", DbKind::Other, "OTHER"}, // no MYSQL in the name
        {"POSTGR", DbKind::Other, "OTHER"},                  // a cut word is no match
        {"", DbKind::Other, "OTHER"},                        // failed driver-name read
    };
    for (const Case &c : cases) {
        const DbKind kind = dbKindFromDriverName(QString::fromUtf8(c.driverName));
        EXPECT_EQ(kind, c.kind) << c.driverName;
        EXPECT_EQ(dbKindText(kind), QString::fromLatin1(c.text)) << c.driverName;
    }
}

// kelvoran-batch over aliases from ODBC data sources on the real drivers, configured in a private
// odbcinst.ini/odbc.ini: the alias list with its kinds and the drivers that cannot load, the
// ORACLE route over the dictionary fixture, and the SQL, report and CSV jobs, each compared with
// the same job on the native driver of the same database.
#include "core/textfile.h"
#include "tests/cli/batchrun.h"
#include "tests/support/odbcconfig.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

using S = OdbcTestSources;

QString latin(const char *text) {
    return QString::fromLatin1(text);
}

class OdbcBatch : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_odbc.isValid());
        m_leftOut = m_odbc.addStandardSources();
        // The native aliases of the same databases: the demo copy, the fixture, the servers.
        QByteArray aliases = "[DEMO]\ndriver=QSQLITE\ndatabase=" +
                             m_odbc.path(QStringLiteral("demo.sqlite")).toUtf8() +
                             "\n[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (fixture)\ndatabase=" +
                             oracleFixturePath().toUtf8() + "\n";
        if (serversStarted()) {
            QFile server(testAliasFile());
            ASSERT_TRUE(server.open(QIODevice::ReadOnly));
            for (const QByteArray &line : server.readAll().split('\n'))
                if (!line.startsWith("[DEMO]") && !line.startsWith("[ORAFIX]"))
                    aliases += line + '\n';
        }
        // Only the server groups are wanted from the test alias file.
        aliases.replace(
            "[DEMO]\ndriver=QSQLITE\ndatabase=" +
                QFile::encodeName(binaryDir() + QStringLiteral("/fixtures/demo.sqlite")),
            "");
        m_aliasFile = m_odbc.path(QStringLiteral("aliases.ini"));
        QFile f(m_aliasFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(aliases);
    }

    bool has(const char *source) const { return m_odbc.has(latin(source)); }
    std::string why() const { return m_leftOut.join(QStringLiteral("; ")).toStdString(); }

    BatchRun batch(const QStringList &args) {
        return runBatch(
            args, m_aliasFile,
            {{QStringLiteral("KELVORAN_PASSWORD"), qEnvironmentVariable("KELVORAN_TEST_PASSWORD")},
             {QStringLiteral("KELVORAN_SETTINGS"), m_odbc.path(QStringLiteral("none.ini"))}});
    }

    OdbcTestConfig m_odbc;
    QStringList m_leftOut;
    QString m_aliasFile;
};

TEST_F(OdbcBatch, AliasesListsDataSourcesWithKindsAndNamesWhatCannotLoad) {
    m_odbc.addDriver(QStringLiteral("Oracle 21 ODBC driver"),
                     QStringLiteral("/nonexistent/instantclient/libsqora.so.21.1"));
    m_odbc.addDriver(QStringLiteral("ORACLE stub needing a library"),
                     QStringLiteral(KELVORAN_STUB_DRIVER));
    m_odbc.addDataSource(QStringLiteral("ORAGONE"), QStringLiteral("Oracle 21 ODBC driver"));
    m_odbc.addDataSource(QStringLiteral("ORASTUB"),
                         QStringLiteral("ORACLE stub needing a library"));
    m_odbc.addDataSource(QStringLiteral("UNREGISTERED"), QStringLiteral("No Such Driver"));
    ASSERT_TRUE(m_odbc.apply());
    const BatchRun r = batch({QStringLiteral("aliases")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    struct Case {
        const char *source;
        const char *line;
        const char *problem; // empty: the source's drivers load
    };
    const Case cases[] = {
        {S::sqlite, "LITEODBC\tSQLite3 ODBC\tOTHER", ""},
        {S::oracle, "ORAODBC\tORACLE dictionary (SQLite3 ODBC)\tORACLE", ""},
        {S::postgres, "PGODBC\tPostgreSQL Unicode\tPOSTGRE", ""},
        {S::mariadb, "MYODBC\tMySQL protocol: MariaDB Unicode\tMYSQL", ""},
        {"ORAGONE", "ORAGONE\tOracle 21 ODBC driver\tORACLE",
         "エイリアス \"ORAGONE\": ODBC ドライバ \"Oracle 21 ODBC driver\" を読み込めません: "
         "ライブラリ /nonexistent/instantclient/libsqora.so.21.1 がありません"},
        {"ORASTUB", "ORASTUB\tORACLE stub needing a library\tORACLE",
         "が必要とするライブラリ " KELVORAN_ABSENT_DEPENDENCY " が見つかりません"},
        {"UNREGISTERED", "UNREGISTERED\tNo Such Driver\tOTHER",
         "エイリアス \"UNREGISTERED\": ODBC ドライバ \"No Such Driver\" が odbcinst.ini に"
         "登録されていません"},
    };
    const QStringList out = r.out.split(u'\n');
    const QStringList err = r.err.split(u'\n', Qt::SkipEmptyParts);
    for (const Case &c : cases) {
        if (!m_odbc.has(QString::fromUtf8(c.source)))
            continue;
        EXPECT_TRUE(out.contains(QString::fromUtf8(c.line))) << c.source << " in:\n"
                                                             << r.out.toStdString();
        const QString prefix =
            QStringLiteral("エイリアス \"%1\": ").arg(QString::fromUtf8(c.source));
        const QStringList reported = err.filter(prefix);
        if (*c.problem == 0) {
            EXPECT_TRUE(reported.isEmpty()) << reported.join(u'\n').toStdString();
        } else {
            ASSERT_EQ(reported.size(), 1) << c.source << ":\n" << r.err.toStdString();
            EXPECT_TRUE(reported.first().contains(QString::fromUtf8(c.problem)))
                << reported.first().toStdString();
        }
    }
    // The aliases of the alias file whose drivers load are not mentioned.
    EXPECT_TRUE(err.filter(QStringLiteral("\"DEMO\"")).isEmpty()) << r.err.toStdString();
}

// describe over the ODBC data source prints what it prints over the program's own connection to
// the same dictionary, for an object of each folder that builds texts.
TEST_F(OdbcBatch, DescribeOverTheOracleDataSourceMatchesTheDirectConnection) {
    ASSERT_TRUE(m_odbc.apply());
    if (!has(S::oracle))
        GTEST_SKIP() << why();
    struct Case {
        const char *folder;
        const char *name;
    };
    const Case cases[] = {{"Table", "EMP"}, {"View", "V_EMP_DEPT"}, {"Package Body", "PAYROLL"}};
    for (const Case &c : cases) {
        const QStringList tail{QStringLiteral("--folder"), latin(c.folder), latin(c.name)};
        const BatchRun want =
            batch(QStringList{QStringLiteral("describe"), QStringLiteral("--alias"),
                              QStringLiteral("ORAFIX")} +
                  tail);
        const BatchRun got = batch(
            QStringList{QStringLiteral("describe"), QStringLiteral("--alias"), latin(S::oracle),
                        QStringLiteral("--user"), QStringLiteral("kelvoran")} +
            tail);
        EXPECT_EQ(got.exitCode, want.exitCode) << c.name << ": " << got.err.toStdString();
        EXPECT_EQ(sameDateForm(got.out, true).toStdString(),
                  sameDateForm(want.out, true).toStdString())
            << c.name;
        EXPECT_EQ(got.err.toStdString(), want.err.toStdString()) << c.name;
    }
}

} // namespace

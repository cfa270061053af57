#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran::test;

namespace {

// Runs `kelvoran-batch aliases` with its own alias file and a private ODBC configuration, so
// the machine's data sources do not enter the output.
class AliasesCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        write(QStringLiteral("odbcinst.ini"), "[Microsoft Access Driver (*.mdb)]\nDriver=/x.so\n");
        write(QStringLiteral("odbc.ini"), "[ACCDSN]\nDriver=Microsoft Access Driver (*.mdb)\n"
                                          "[営業DB]\nDriver=Microsoft Access Driver (*.mdb)\n");
        write(QStringLiteral("user-odbc.ini"), "");
        m_saved = {{"KELVORAN_ALIASES", qgetenv("KELVORAN_ALIASES")},
                   {"ODBCSYSINI", qgetenv("ODBCSYSINI")},
                   {"ODBCINI", qgetenv("ODBCINI")}};
        qputenv("ODBCSYSINI", QFile::encodeName(m_dir.path()));
        qputenv("ODBCINI", QFile::encodeName(m_dir.filePath(QStringLiteral("user-odbc.ini"))));
    }
    void TearDown() override {
        for (const auto &[name, value] : m_saved) {
            if (value.isEmpty())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    void write(const QString &name, const QByteArray &text) {
        QFile f(m_dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    ProcessResult run(const QStringList &args, const QString &aliasFile) {
        qputenv("KELVORAN_ALIASES", QFile::encodeName(aliasFile));
        return runProcess(QStringLiteral(KELVORAN_BATCH),
                          QStringList{QStringLiteral("aliases")} + args);
    }

    QTemporaryDir m_dir;
    std::vector<std::pair<const char *, QByteArray>> m_saved;
};

} // namespace

TEST_F(AliasesCommandTest, OneLinePerAliasInListOrder) {
    write(QStringLiteral("aliases.ini"),
          "[DEMO]\ndriver=QSQLITE\ndatabase=/tmp/demo.sqlite\n"
          "[ORAFIX]\ndriver=QSQLITE\ndrivername=ORACLE (dictionary fixture)\n"
          "[ORCL]\ndriver=QODBC\ndrivername=Oracle in OraClient11g\ndatabase=orcl\nlogin=true\n"
          "[PG]\ndriver=QPSQL\nhost=127.0.0.1\n"
          "[MY]\ndriver=QMYSQL\n"
          "[MARIA]\ndriver=QMYSQL\ndrivername=MariaDB\n"
          "[ACCDSN]\ndriver=QODBC\ndatabase=ACCDSN\n");
    const ProcessResult r = run({}, m_dir.filePath(QStringLiteral("aliases.ini")));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The aliases that cannot connect are named with the reason; the list stays whole.
    EXPECT_EQ(
        r.err.toStdString(),
        QStringLiteral("エイリアス \"ORCL\": ODBC データソース \"orcl\" がありません\n"
                       "エイリアス \"ACCDSN\": ODBC ドライバ \"Microsoft Access Driver (*.mdb)\" "
                       "を読み込めません: ライブラリ /x.so がありません\n"
                       "エイリアス \"営業DB\": ODBC ドライバ \"Microsoft Access Driver (*.mdb)\" "
                       "を読み込めません: ライブラリ /x.so がありません\n")
            .toStdString());
    EXPECT_EQ(r.out, QStringLiteral("DEMO\tSQLITE\tSQLITE\n"
                                    "ORAFIX\tORACLE (dictionary fixture)\tORACLE\n"
                                    "ORCL\tOracle in OraClient11g\tORACLE\n"
                                    "PG\tPOSTGRESQL\tPOSTGRE\n"
                                    "MY\tMYSQL\tMYSQL\n"
                                    "MARIA\tMariaDB\tOTHER\n"
                                    "ACCDSN\tMicrosoft Access Driver (*.mdb)\tACCESS\n"
                                    "営業DB\tMicrosoft Access Driver (*.mdb)\tACCESS\n"));
}

TEST_F(AliasesCommandTest, ExitCodes) {
    write(QStringLiteral("bad.ini"), "[X]\ndriver=QNOSUCH\n");
    write(QStringLiteral("ok.ini"), "[X]\ndriver=QSQLITE\n");
    struct Case {
        const char *what;
        QStringList args;
        const char *file;
        int exitCode;
        const char *inOut;
        const char *inErr;
    };
    const Case cases[] = {
        {"help", {QStringLiteral("--help")}, "ok.ini", 0, "usage: kelvoran-batch aliases", ""},
        {"extra argument", {QStringLiteral("more")}, "ok.ini", 2, "", "unexpected argument"},
        {"unknown option", {QStringLiteral("--all")}, "ok.ini", 2, "", "--all"},
        {"missing alias file", {}, "missing.ini", 1, "", "missing.ini"},
        {"unknown driver", {}, "bad.ini", 1, "", "QNOSUCH"},
    };
    for (const Case &c : cases) {
        const ProcessResult r = run(c.args, m_dir.filePath(QString::fromLatin1(c.file)));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.inOut))) << c.what;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.inErr)))
            << c.what << ": " << r.err.toStdString();
        if (c.exitCode != 0) {
            EXPECT_EQ(r.out, QString()) << c.what;
        }
    }
}

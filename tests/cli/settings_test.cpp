// kelvoran-batch settings show / set-passwords, run as a user would.
#include "core/textfile.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "tests/cli/batchrun.h"

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Runs kelvoran-batch with an alias file of its own and the given extra environment.
BatchRun batch(const QStringList &args, const QString &aliasFile,
               const std::map<QString, QString> &env = {}) {
    return runBatch(args, aliasFile, env, QString(), 60000);
}

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The key names of the "keys" object in the order the text has them.
QStringList keyOrder(const QString &json) {
    const qsizetype start = json.indexOf(QStringLiteral("\"keys\": {"));
    const qsizetype end = json.indexOf(u'}', start);
    QStringList names;
    static const QRegularExpression key(QStringLiteral("\"([A-Z_]+)\": \""));
    auto it = key.globalMatch(json.mid(start + 9, end - start - 9));
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

class SettingsCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_aliases = m_dir.filePath(QStringLiteral("aliases.ini"));
        QFile f(m_aliases);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[DEMO]\ndriver=QSQLITE\ndatabase=/nonexistent/demo.sqlite\n"
                "[SALES]\ndriver=QSQLITE\ndatabase=/nonexistent/sales.sqlite\n");
    }
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
    QString m_aliases;
};

// A settings file written by hand from the layout: SQL, four blank lines, the begin marker,
// key lines, SETTING, column setting lines, MAKEDATE, VERSION and the end marker, but no
// packed passwords.
QStringList handWritten() {
    return {QStringLiteral("SELECT REGION AS \"地域\", "),
            QStringLiteral("       AMOUNT "),
            QStringLiteral(" FROM SALES "),
            QStringLiteral(" WHERE AMOUNT > 0 "),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "),
            QStringLiteral(" /* PROCFLG= 1 "),
            QStringLiteral(" /* DATABASE= SQLITE "),
            QStringLiteral(" /* DBNAME= SALES "),
            QStringLiteral(" /* USER_NAME= u "),
            QStringLiteral(" /* CSVCOLNAME= FALSE "),
            QStringLiteral(" /* DATAFASTCOL= 2 "),
            QStringLiteral(" /* DATAFASTROW= 4 "),
            QStringLiteral(" /* TITLEFLG= TRUE "),
            QStringLiteral(" /* TITLE= 売上 "),
            QStringLiteral(" /* TITLECOL= 1 "),
            QStringLiteral(" /* TITLEROW= 2 "),
            QStringLiteral(" /* TITLEBACKCOLOR= 15 "),
            QStringLiteral(" /* TITLEFONTCOLOR= 1 "),
            QStringLiteral(" /* TITLEBOLD= TRUE "),
            QStringLiteral(" /* SETTING= 0 "),
            QStringLiteral(" /*  10@〔中央出力〕@002/   /   /   /,@@@@@@    */ "),
            QStringLiteral(" /*  12@@@@@@@@    */ "),
            QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 "),
            QStringLiteral(" /* VERSION= 2.2.0.0 "),
            QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ")};
}

} // namespace

TEST_F(SettingsCommand, HandWrittenFileSealedWithSetPasswordsLoads) {
    const QString file = path("hand.kvr");
    ASSERT_TRUE(writeTextLines(file, handWritten()));

    // Unsealed, the reader refuses the missing copies.
    const BatchRun before =
        batch({QStringLiteral("settings"), QStringLiteral("show"), file}, m_aliases);
    EXPECT_EQ(before.exitCode, 1);
    EXPECT_TRUE(before.err.contains(QStringLiteral("CDD_300"))) << before.err.toStdString();

    const BatchRun seal =
        batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), file}, m_aliases,
              {{QStringLiteral("KELVORAN_PASSWORD"), QStringLiteral("db-Pass1")},
               {QStringLiteral("KELVORAN_OUTPUT_READ_PASSWORD"), QStringLiteral("r1")}});
    ASSERT_EQ(seal.exitCode, 0) << seal.err.toStdString();

    // Only key lines of the block changed; the copies were added after CSVCOLNAME.
    const QStringList sealed = *readTextLines(file);
    const QStringList original = handWritten();
    QStringList notKeys;
    for (const QString &l : sealed)
        if (!l.contains(QStringLiteral("WORD= ")) && !l.contains(QStringLiteral("MAKEDATE= ")) &&
            !l.contains(QStringLiteral("VERSION= ")))
            notKeys << l;
    QStringList originalNotKeys;
    for (const QString &l : original)
        if (!l.contains(QStringLiteral("MAKEDATE= ")) && !l.contains(QStringLiteral("VERSION= ")))
            originalNotKeys << l;
    EXPECT_EQ(notKeys, originalNotKeys);
    EXPECT_EQ(sealed.size(), original.size() + 4);
    EXPECT_TRUE(bytesOf(file).endsWith("\r\n"));

    const BatchRun show =
        batch({QStringLiteral("settings"), QStringLiteral("show"), file}, m_aliases);
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(show.out.toUtf8(), &parseError);
    ASSERT_EQ(parseError.error, QJsonParseError::NoError) << show.out.toStdString();
    const QJsonObject root = doc.object();
    const QJsonObject passwords = root[QStringLiteral("passwords")].toObject();
    EXPECT_TRUE(passwords[QStringLiteral("DB")].toBool());
    EXPECT_FALSE(passwords[QStringLiteral("T")].toBool());
    EXPECT_TRUE(passwords[QStringLiteral("R")].toBool());
    EXPECT_FALSE(passwords[QStringLiteral("W")].toBool());

    const QJsonObject keys = root[QStringLiteral("keys")].toObject();
    EXPECT_EQ(keys[QStringLiteral("PROCFLG")].toString(), QStringLiteral("1"));
    EXPECT_EQ(keys[QStringLiteral("TITLE")].toString(), QStringLiteral("売上"));
    EXPECT_EQ(keys[QStringLiteral("VERSION")].toString(), QStringLiteral("2.2.0.0"));
    EXPECT_EQ(keys[QStringLiteral("MAKEDATE")].toString().size(), 19);
    EXPECT_NE(keys[QStringLiteral("MAKEDATE")].toString(), QStringLiteral("2024/04/01 09:00:04"));
    // Missing keys read as the designer shows them: the creation time is on, the sheet name off.
    EXPECT_EQ(keys[QStringLiteral("MAKEDATEFLG")].toString(), QStringLiteral("TRUE"));
    EXPECT_EQ(keys[QStringLiteral("SHEETFLG")].toString(), QStringLiteral("FALSE"));
    for (const char *hidden : {"DATABASE", "PASSWORD", "KWORD", "QWORD", "TWORD"})
        EXPECT_FALSE(keys.contains(QString::fromLatin1(hidden))) << hidden;

    // Key order is the writer's, with SETTING, MAKEDATE, VERSION last.
    const QStringList order = keyOrder(show.out);
    ASSERT_GE(order.size(), 6);
    EXPECT_EQ(order.first(), QStringLiteral("PROCFLG"));
    EXPECT_EQ(order.mid(order.size() - 3),
              (QStringList{QStringLiteral("SETTING"), QStringLiteral("MAKEDATE"),
                           QStringLiteral("VERSION")}));
    EXPECT_LT(order.indexOf(QStringLiteral("DBNAME")), order.indexOf(QStringLiteral("USER_NAME")));
    EXPECT_LT(order.indexOf(QStringLiteral("TITLE")), order.indexOf(QStringLiteral("TITLEFLG")));
    EXPECT_LT(order.indexOf(QStringLiteral("PTTITLEFLG")),
              order.indexOf(QStringLiteral("KOTEIFLG")));
    EXPECT_LT(order.indexOf(QStringLiteral("KOTEIHINACELL")),
              order.indexOf(QStringLiteral("PTTITLE")));
    EXPECT_EQ(order.size(), keys.size());

    const QJsonArray columns = root[QStringLiteral("columns")].toArray();
    ASSERT_EQ(columns.size(), 2);
    EXPECT_EQ(columns[0].toObject()[QStringLiteral("PhysicalName")].toString(),
              QStringLiteral("REGION"));
    EXPECT_EQ(columns[0].toObject()[QStringLiteral("Alias")].toString(), QStringLiteral("地域"));
    EXPECT_EQ(columns[0].toObject()[QStringLiteral("FormatCodes")].toString(),
              QStringLiteral("002/   /   /   /,"));
    EXPECT_EQ(columns[1].toObject()[QStringLiteral("PhysicalName")].toString(),
              QStringLiteral("AMOUNT"));
    EXPECT_EQ(columns[1].toObject()[QStringLiteral("WidthOrCell")].toString(),
              QStringLiteral("12"));

    const QJsonObject analysis = root[QStringLiteral("analysis")].toObject();
    EXPECT_EQ(analysis[QStringLiteral("StatementKind")].toInt(), 1);
    EXPECT_EQ(analysis[QStringLiteral("SelectHead")].toString(), QStringLiteral("SELECT "));
    EXPECT_EQ(analysis[QStringLiteral("FromLines")].toArray().first().toString(),
              QStringLiteral("FROM SALES"));
    EXPECT_EQ(analysis[QStringLiteral("WhereLines")].toArray().first().toString(),
              QStringLiteral("WHERE AMOUNT > 0"));
    const QJsonArray items = analysis[QStringLiteral("items")].toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toArray()[0].toString(), QStringLiteral("REGION"));
    EXPECT_EQ(items[0].toArray()[1].toString(), QStringLiteral("地域")) << "quotes stripped";
    EXPECT_EQ(items[1].toArray()[1].toString(), QString());
    EXPECT_TRUE(root[QStringLiteral("sql")].toString().startsWith(
        QStringLiteral("SELECT REGION AS \"地域\", \r\n       AMOUNT ")));
}

TEST_F(SettingsCommand, SetPasswordsSealsAFileWhoseCopiesWereTampered) {
    const QString file = path("t.kvr");
    ASSERT_TRUE(QFile::copy(testPath(QStringLiteral("data/settings/tamper_r/input.kvr")), file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    const BatchRun refused =
        batch({QStringLiteral("settings"), QStringLiteral("show"), file}, m_aliases);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("CDD_300178"))) << refused.err.toStdString();

    ASSERT_EQ(batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), file}, m_aliases,
                    {{QStringLiteral("KELVORAN_OUTPUT_WRITE_PASSWORD"), QStringLiteral("w")}})
                  .exitCode,
              0);
    const BatchRun show =
        batch({QStringLiteral("settings"), QStringLiteral("show"), file}, m_aliases);
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QJsonObject passwords =
        QJsonDocument::fromJson(show.out.toUtf8()).object()[QStringLiteral("passwords")].toObject();
    EXPECT_FALSE(passwords[QStringLiteral("DB")].toBool());
    EXPECT_FALSE(passwords[QStringLiteral("R")].toBool());
    EXPECT_TRUE(passwords[QStringLiteral("W")].toBool());
}

TEST_F(SettingsCommand, FailuresAndUsage) {
    const QString sealed = testPath(QStringLiteral("data/settings/valid_excel/input.kvr"));
    struct Case {
        const char *name;
        QStringList args;
        std::map<QString, QString> env;
        int exitCode;
        const char *stderrHas;
    };
    const QString unknownVersion =
        testPath(QStringLiteral("data/settings/version_unknown/input.kvr"));
    const std::vector<Case> cases = {
        {"reader error with its code",
         {QStringLiteral("show"),
          testPath(QStringLiteral("data/settings/pst_10001_procflg_missing/input.kvr"))},
         {},
         1,
         "設定ファイル読み出し中にエラーが発生しました。設定ファイルにエラーがある可能性があります"
         "。CST_10001"},
        {"unknown version names its step",
         {QStringLiteral("show"), unknownVersion},
         {},
         1,
         "CGD_290031"},
        {"missing file", {QStringLiteral("show"), path("nothing.kvr")}, {}, 1, "nothing.kvr"},
        {"no file", {QStringLiteral("show")}, {}, 2, "usage"},
        {"unknown subcommand", {QStringLiteral("drop"), sealed}, {}, 2, "drop"},
        {"unknown option",
         {QStringLiteral("show"), sealed, QStringLiteral("--pasword=x")},
         {},
         2,
         "pasword"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{QStringLiteral("settings")};
        args += c.args;
        const BatchRun r = batch(args, m_aliases, c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.stderrHas))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }

    // A password the code tables cannot hold fails and leaves the file as it was.
    const QString file = path("keep.kvr");
    ASSERT_TRUE(QFile::copy(sealed, file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray before = bytesOf(file);
    const BatchRun bad =
        batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), file}, m_aliases,
              {{QStringLiteral("KELVORAN_PASSWORD"), QStringLiteral("パスワード")}});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(bad.err.isEmpty());
    EXPECT_EQ(bytesOf(file), before);

    const BatchRun help = batch({QStringLiteral("settings"), QStringLiteral("--help")}, m_aliases);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("set-passwords")));
}

TEST_F(SettingsCommand, AliasChoiceDecidesWhetherTheFileLoads) {
    // DBNAME of this file is SALES; an alias file without SALES leaves the first alias current,
    // --alias names one, and no alias at all is the reader's missing-alias error.
    const QString file = testPath(QStringLiteral("data/settings/valid_excel/input.kvr"));
    const QString other = path("other.ini");
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[DEMO]\ndriver=QSQLITE\ndatabase=/nonexistent/demo.sqlite\n");
    }
    const QString none = path("none.ini");
    {
        QFile f(none);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("; no aliases\n");
    }
    EXPECT_EQ(batch({QStringLiteral("settings"), QStringLiteral("show"), file}, other).exitCode, 0);
    EXPECT_EQ(batch({QStringLiteral("settings"), QStringLiteral("show"), file,
                     QStringLiteral("--alias"), QStringLiteral("X")},
                    none)
                  .exitCode,
              0);
    const BatchRun noAlias =
        batch({QStringLiteral("settings"), QStringLiteral("show"), file}, none);
    EXPECT_EQ(noAlias.exitCode, 1);
    EXPECT_TRUE(noAlias.err.contains(QStringLiteral("CST_10003"))) << noAlias.err.toStdString();
}

TEST_F(SettingsCommand, OracleAliasKeepsTheHintInTheSelectHead) {
    const QString aliases = path("oracle.ini");
    {
        QFile f(aliases);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[ORA]\ndriver=QSQLITE\ndrivername=ORACLE\ndatabase=/nonexistent/o.sqlite\n"
                "[PLAIN]\ndriver=QSQLITE\ndatabase=/nonexistent/p.sqlite\n");
    }
    for (const char *alias : {"ORA", "PLAIN"}) {
        SCOPED_TRACE(alias);
        const QString file = path("hint.kvr");
        QFile::remove(file);
        ASSERT_TRUE(writeTextLines(
            file,
            {QStringLiteral("SELECT /*+ FULL(T) */ A FROM T"), QStringLiteral(" "),
             QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "),
             QStringLiteral(" /* PROCFLG= 1 "),
             QStringLiteral(" /* DBNAME= ") + QString::fromLatin1(alias) + u' ',
             QStringLiteral(" /* TITLEBACKCOLOR= 15 "), QStringLiteral(" /* TITLEFONTCOLOR= 1 "),
             QStringLiteral(" /* SETTING= 0 "), QStringLiteral(" /*  7@@@@@@@@    */ "),
             QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ")}));
        ASSERT_EQ(
            batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), file}, aliases)
                .exitCode,
            0);
        const BatchRun show =
            batch({QStringLiteral("settings"), QStringLiteral("show"), file}, aliases);
        ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
        const QJsonObject root = QJsonDocument::fromJson(show.out.toUtf8()).object();
        const QString head =
            root[QStringLiteral("analysis")].toObject()[QStringLiteral("SelectHead")].toString();
        if (QByteArray(alias) == "ORA")
            EXPECT_TRUE(head.contains(QStringLiteral("FULL(T)"))) << head.toStdString();
        else
            EXPECT_EQ(head, QStringLiteral("SELECT "));
        const QJsonArray columns = root[QStringLiteral("columns")].toArray();
        ASSERT_EQ(columns.size(), 1);
        EXPECT_EQ(columns[0].toObject()[QStringLiteral("PhysicalName")].toString(),
                  QStringLiteral("A"));
        EXPECT_EQ(columns[0].toObject()[QStringLiteral("WidthOrCell")].toString(),
                  QStringLiteral("7"));
    }
}

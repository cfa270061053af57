// kelvoran-batch schedule, run as a user would: a schedule of settings files on a copy of the
// demo database, a credentials file, the printed lines, the run log and the exit codes.
#include "core/textfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/cli/batchrun.h"

#include <gtest/gtest.h>

#include <iostream>

#include <sys/stat.h>
#include <unistd.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

class ScheduleCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db = path("demo.sqlite");
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
        m_aliases = path("aliases.ini");
        QFile a(m_aliases);
        ASSERT_TRUE(a.open(QIODevice::WriteOnly));
        // OTHER asks for no login and has no credentials group; LOCKED asks for one.
        a.write(QStringLiteral("[DEMO]\ndriver=QSQLITE\ndatabase=%1\n"
                               "[OTHER]\ndriver=QSQLITE\ndatabase=%1\n"
                               "[LOCKED]\ndriver=QSQLITE\ndatabase=%1\nlogin=true\n")
                    .arg(m_db)
                    .toUtf8());
        a.close();
        m_credentials = path("creds.ini");
        writeCredentials(m_credentials, "[DEMO]\nuser=kelvoran\npassword=p;w#1\n");
        m_logDir = path("logs");
        QDir().mkpath(m_logDir);

        settingsFile("raise.kvr", "DEMO",
                     {QStringLiteral("UPDATE products SET unit_price = unit_price + 1"),
                      QStringLiteral(" WHERE product_code = '00012'")});
        settingsFile("select.kvr", "DEMO", {QStringLiteral("SELECT product_code FROM products")});
        settingsFile("bad.kvr", "DEMO", {QStringLiteral("UPDATE no_such_table SET x = 1")});
        settingsFile("other.kvr", "OTHER",
                     {QStringLiteral("DELETE FROM products WHERE product_code = '00012'")});
        settingsFile("locked.kvr", "LOCKED", {QStringLiteral("DELETE FROM products")});
    }

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // The rows of the demo database's products table, read by an independent reader.
    QString productCount() const {
        const ProcessResult r = runPython(QStringLiteral(R"PY(
import sys, sqlite3
print(sqlite3.connect(sys.argv[1]).execute("SELECT COUNT(*) FROM products").fetchone()[0])
)PY"),
                                          {m_db});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return r.out.trimmed();
    }

    static void writeCredentials(const QString &file, const char *text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }

    // A settings file with PROCFLG 0, sealed by "kelvoran-batch settings set-passwords".
    void settingsFile(const char *name, const char *alias, const QStringList &sql,
                      const QStringList &keyLines = {QStringLiteral("PROCFLG= 0")}) {
        QStringList lines = sql;
        lines << QStringLiteral(" ") << QStringLiteral(" ") << QStringLiteral(" ")
              << QStringLiteral(" ");
        lines << QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ");
        for (const QString &key : keyLines)
            lines << QStringLiteral(" /* ") + QString(key).replace(u'=', QStringLiteral("= ")) +
                         u' ';
        lines << QStringLiteral(" /* DBNAME= %1 ").arg(QString::fromLatin1(alias));
        for (const char *key : {"PASSWORD", "QWORD", "KWORD", "TWORD"})
            lines << QStringLiteral(" /* %1=  ").arg(QString::fromLatin1(key));
        lines << QStringLiteral(" /* SETTING= 0 ")
              << QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 ")
              << QStringLiteral(" /* VERSION= 2.2.0.0 ");
        lines << QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");
        ASSERT_TRUE(writeTextLines(path(name), lines));
        const BatchRun sealed =
            batch({QStringLiteral("settings"), QStringLiteral("set-passwords"), path(name)});
        ASSERT_EQ(sealed.exitCode, 0) << sealed.err.toStdString();
    }

    // A schedule file of the given settings files (in the test folder) and ERRCHECK; targets
    // for the first entries.
    QString scheduleFile(const QStringList &names, bool errorStop,
                         const QStringList &targets = {}) {
        QStringList lines;
        for (int i = 0; i < names.size(); ++i)
            lines << names[i] + u',' + m_dir.path() + QStringLiteral("/,") + targets.value(i);
        lines << QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ");
        lines << (errorStop ? QStringLiteral(" /* ERRCHECK= 1")
                            : QStringLiteral(" /* ERRCHECK= 0"));
        lines << QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");
        const QString file = path("run.kvs");
        EXPECT_TRUE(writeTextLines(file, lines));
        return file;
    }

    BatchRun batch(const QStringList &args) const {
        return runBatch(args, m_aliases,
                        {{QStringLiteral("KELVORAN_SETTINGS"), path("no_settings.ini")}},
                        m_dir.path(), 60000);
    }

    BatchRun runSchedule(const QString &file, const QStringList &extra = {}) const {
        return batch(QStringList{QStringLiteral("schedule"), file, QStringLiteral("--credentials"),
                                 m_credentials, QStringLiteral("--log-dir"), m_logDir} +
                     extra);
    }

    QTemporaryDir m_dir;
    QString m_db;
    QString m_aliases;
    QString m_credentials;
    QString m_logDir;
};

TEST_F(ScheduleCommand, PrintsOneLinePerEntryAndWritesTheLog) {
    const QString unchecked =
        QStringLiteral("ユーザー名・パスワード未チェックのため実行できません CES_270004");
    struct Case {
        const char *name;
        bool errorStop;
        int exitCode;
        std::vector<QString> statuses; // prefixes
        QString products;              // rows left: OTHER's DELETE ran, LOCKED's did not
    };
    const std::vector<Case> cases{
        {"error stop off",
         false,
         1,
         {"正常終了", "正常終了", "SQL実行時エラー CES_270012 ", "正常終了", unchecked, "正常終了"},
         QStringLiteral("11")},
        {"error stop on",
         true,
         1,
         {"正常終了", "正常終了", "SQL実行時エラー CES_270012 ", "未処理", "未処理", "未処理"},
         QStringLiteral("12")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_logDir).removeRecursively();
        QDir().mkpath(m_logDir);
        QFile::remove(m_db);
        ASSERT_TRUE(QFile::copy(demoDatabasePath(), m_db));
        QFile::setPermissions(m_db, QFile::ReadOwner | QFile::WriteOwner);
        const QStringList names{"raise.kvr", "select.kvr", "bad.kvr",
                                "other.kvr", "locked.kvr", "raise.kvr"};
        const BatchRun r =
            runSchedule(scheduleFile(names, c.errorStop),
                        {QStringLiteral("--at"), QStringLiteral("2000/01/01 00:00")});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 7) << r.out.toStdString();
        for (int i = 0; i < 6; ++i) {
            const QStringList f = lines[i].split(u'\t');
            ASSERT_EQ(f.size(), 7) << lines[i].toStdString();
            EXPECT_EQ(f[0], QString::number(i + 1));
            EXPECT_EQ(f[1], names[i]);
            EXPECT_EQ(f[2], QString()); // Sql entries have no target
            EXPECT_EQ(f[3].size(), 19) << f[3].toStdString();
            EXPECT_TRUE(f[6].startsWith(c.statuses[size_t(i)]))
                << i + 1 << ": " << f[6].toStdString();
            if (f[6] == u"正常終了") {
                EXPECT_EQ(f[5], QStringLiteral("0"));
            }
        }
        EXPECT_EQ(productCount(), c.products);
        ASSERT_TRUE(lines[6].startsWith(QStringLiteral("log: "))) << lines[6].toStdString();
        const QString logPath = lines[6].mid(5);
        EXPECT_EQ(QFileInfo(logPath).absolutePath(), QFileInfo(m_logDir).absoluteFilePath());
        const Result<QStringList> log = readTextLines(logPath);
        ASSERT_TRUE(log) << logPath.toStdString();
        ASSERT_EQ(log->size(), 7);
        EXPECT_TRUE(log->first().startsWith(QStringLiteral("スケジュール開始時間:「")));
        for (int i = 0; i < 6; ++i) {
            const QString status = lines[i].split(u'\t')[6];
            EXPECT_TRUE(log->at(i + 1).contains(QStringLiteral("@/ステータス：「") + status +
                                                QStringLiteral("」@/;")))
                << log->at(i + 1).toStdString();
        }
    }
}

TEST_F(ScheduleCommand, AllEntriesCompletedExitsZero) {
    const BatchRun r = runSchedule(scheduleFile({"raise.kvr", "select.kvr"}, true));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_EQ(r.out.count(QStringLiteral("\t正常終了\n")), 2) << r.out.toStdString();
}

TEST_F(ScheduleCommand, CsvAndExcelEntriesShowTheFilesReallyWritten) {
    settingsFile(
        "export.kvr", "DEMO",
        {QStringLiteral("SELECT product_code ,product_name"), QStringLiteral(" FROM products")},
        {QStringLiteral("PROCFLG=2"), QStringLiteral("CSVSEPCHAR=,"), QStringLiteral("CSVTREAT=0"),
         QStringLiteral("CSVCOLNAME=TRUE")});
    // The bundled list report on the demo alias.
    ASSERT_TRUE(
        QFile::copy(kelvoran::test::sourceDir() + QStringLiteral("/examples/sales_list.kvr"),
                    path("report.kvr")));
    const BatchRun r = runSchedule(
        scheduleFile({"export.kvr", "report.kvr"}, false, {path("products"), path("book.xls")}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    const QStringList csv = lines[0].split(u'\t');
    ASSERT_EQ(csv.size(), 7);
    EXPECT_EQ(csv[2], path("products.csv"));
    EXPECT_EQ(csv[5], QStringLiteral("13")); // heading line and twelve rows
    EXPECT_EQ(csv[6], QStringLiteral("正常終了"));
    const Result<QStringList> written = readTextLines(path("products.csv"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->size(), 13);
    // The report asked for "book.xls" and was written as "book.xlsx", which every line names.
    const QStringList excel = lines[1].split(u'\t');
    ASSERT_EQ(excel.size(), 7);
    EXPECT_EQ(excel[2], path("book.xlsx"));
    EXPECT_EQ(excel[6], QStringLiteral("正常終了"));
    EXPECT_TRUE(QFile::exists(path("book.xlsx")));
    EXPECT_FALSE(QFile::exists(path("book.xls")));
    const Result<QStringList> log = readTextLines(lines[2].mid(5));
    ASSERT_TRUE(log);
    ASSERT_EQ(log->size(), 3);
    EXPECT_TRUE(log->at(1).contains(QStringLiteral("@/保存場所：「") + path("products.csv")));
    EXPECT_TRUE(log->at(2).contains(QStringLiteral("@/保存場所：「") + path("book.xlsx")));
}

// A report entry's notices follow its line on stderr, marked with its number; its status, on
// stdout and in the log, stays "正常終了".
TEST_F(ScheduleCommand, ReportNoticesFollowTheEntryOnStderrAndStayOutOfTheLog) {
    const QString examples = kelvoran::test::sourceDir() + QStringLiteral("/examples/");
    const ProcessResult made = runPython(QStringLiteral(R"PY(
import sys, openpyxl
from openpyxl.comments import Comment
wb = openpyxl.load_workbook(sys.argv[1])
wb.worksheets[0]["A1"].comment = Comment("確認欄", "作成者")
wb.save(sys.argv[2])
)PY"),
                                         {examples + QStringLiteral("branch_card_template.xlsx"),
                                          path("branch_card_template.xlsx")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ASSERT_TRUE(QFile::copy(examples + QStringLiteral("branch_cards.kvr"), path("cards.kvr")));
    const BatchRun r =
        runSchedule(scheduleFile({"select.kvr", "cards.kvr"}, true, {QString(), path("cards")}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_EQ(lines[1].split(u'\t').value(6), QStringLiteral("正常終了"));
    const QStringList notes = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(notes.isEmpty());
    for (const QString &n : notes)
        EXPECT_TRUE(n.startsWith(QStringLiteral("2\t"))) << n.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("コメント"))) << r.err.toStdString();
    const Result<QStringList> log = readTextLines(lines[2].mid(5));
    ASSERT_TRUE(log);
    ASSERT_EQ(log->size(), 3);
    EXPECT_TRUE(log->at(2).contains(QStringLiteral("@/ステータス：「正常終了」@/;")))
        << log->at(2).toStdString();
}

// An entry that writes a file an earlier entry of the run wrote further up replaces it and still
// completes; stderr says which entries lost their output. Entries that write one workbook
// together are no replacement.
TEST_F(ScheduleCommand, ReplacingAnEarlierEntrysFileCompletesWithAWarning) {
    settingsFile(
        "export.kvr", "DEMO",
        {QStringLiteral("SELECT product_code ,product_name"), QStringLiteral(" FROM products")},
        {QStringLiteral("PROCFLG=2"), QStringLiteral("CSVSEPCHAR=,"), QStringLiteral("CSVTREAT=0"),
         QStringLiteral("CSVCOLNAME=TRUE")});
    for (const auto &[example, name] :
         {std::pair{"sales_list.kvr", "report.kvr"}, std::pair{"sales_pivot.kvr", "pivot.kvr"}})
        ASSERT_TRUE(QFile::copy(kelvoran::test::sourceDir() + QStringLiteral("/examples/") +
                                    QString::fromLatin1(example),
                                path(name)));
    struct Case {
        const char *name;
        QStringList names;
        QStringList targets;
        QStringList warnings; // "rows|file|earlier rows"
    };
    const std::vector<Case> cases{
        {"csv further down",
         {"export.kvr", "raise.kvr", "export.kvr"},
         {"out", "", "out.csv"},
         {"3|out.csv|1"}},
        {"workbook further down",
         {"report.kvr", "pivot.kvr", "export.kvr", "report.kvr"},
         {"book.xls", "book.xls", "out", "book.xlsx"},
         {"4|book.xlsx|1〜2"}},
        {"one shared workbook", {"report.kvr", "pivot.kvr"}, {"book.xls", "book.xls"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList targets;
        for (const QString &t : c.targets)
            targets << (t.isEmpty() ? QString() : m_dir.filePath(t));
        const BatchRun r = runSchedule(scheduleFile(c.names, true, targets));
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
        EXPECT_EQ(r.out.count(QStringLiteral("\t正常終了\n")), c.names.size())
            << r.out.toStdString();
        QString expectedErr;
        for (const QString &w : c.warnings) {
            const QStringList f = w.split(u'|');
            expectedErr +=
                QStringLiteral("警告: スケジュール番号%1の出力ファイル「%2」は、同じ実行"
                               "でスケジュール番号%3が出力したファイルを上書きしました。\n")
                    .arg(f[0], m_dir.filePath(f[1]), f[2]);
        }
        EXPECT_EQ(r.err, expectedErr);
    }
}

// The credentials file holds passwords in plain text: only its owner, the user running the
// command, may read it, so another owner (even for root) or any group, other or execute bit is
// refused with exit 1 and the reason, before anything runs. A real leap day is a start like any.
TEST_F(ScheduleCommand, CredentialsFileMustBePrivateToTheUserRunningIt) {
    const QString schedule = scheduleFile({"raise.kvr"}, true);
    struct Case {
        const char *name;
        QFile::Permissions mode;
        bool otherOwner; // chowned to another user id (root only)
        int exitCode;
        const char *message; // part of stderr; empty: the run happened
    };
    const QFile::Permissions rw = QFile::ReadOwner | QFile::WriteOwner;
    const std::vector<Case> cases{
        {"0600", rw, false, 0, ""},
        {"0400", QFile::ReadOwner, false, 0, ""},
        {"0640", rw | QFile::ReadGroup, false, 1, "has mode 0640"},
        {"0604", rw | QFile::ReadOther, false, 1, "has mode 0604"},
        {"0610", rw | QFile::ExeGroup, false, 1, "has mode 0610"},
        {"0601", rw | QFile::ExeOther, false, 1, "has mode 0601"},
        {"0700", rw | QFile::ExeOwner, false, 1, "has mode 0700"},
        {"0620", rw | QFile::WriteGroup, false, 1, "has mode 0620"},
        {"0600 owned by another user", rw, true, 1, "belongs to user id 65534"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.otherOwner && ::geteuid() != 0) {
            std::cout << "skipped \"" << c.name << "\": chown needs root\n";
            continue;
        }
        QDir(m_logDir).removeRecursively();
        QDir().mkpath(m_logDir);
        const QString creds = path("creds-case.ini");
        QFile::remove(creds);
        writeCredentials(creds, "[DEMO]\nuser=u\npassword=p\n");
        ASSERT_TRUE(QFile::setPermissions(creds, c.mode));
        if (c.otherOwner) {
            ASSERT_EQ(::chown(QFile::encodeName(creds).constData(), 65534, 65534), 0);
        }
        const BatchRun r =
            batch({QStringLiteral("schedule"), schedule, QStringLiteral("--credentials"), creds,
                   QStringLiteral("--log-dir"), m_logDir, QStringLiteral("--at"),
                   QStringLiteral("2000/02/29 00:00")});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        if (c.exitCode == 0) {
            EXPECT_TRUE(r.out.contains(QStringLiteral("\t正常終了\n"))) << r.out.toStdString();
            EXPECT_EQ(QDir(m_logDir).entryList(QDir::Files).size(), 1);
        } else {
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains(QStringLiteral("usage:"))) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
            EXPECT_TRUE(QDir(m_logDir).entryList(QDir::Files).isEmpty());
        }
    }
}

// A failing entry whose status holds a character Shift_JIS cannot hold still gets its log: the
// printed status keeps the character, the log has "?" in its place and no extra line, and
// stderr says how many characters were replaced.
TEST_F(ScheduleCommand, StatusOutsideShiftJisStillWritesTheLog) {
    settingsFile("emoji.kvr", "DEMO",
                 {QStringLiteral("SELECT product_code || char(128512) || char(8364) AS v"),
                  QStringLiteral(" FROM products")},
                 {QStringLiteral("PROCFLG=2"), QStringLiteral("CSVSEPCHAR=,"),
                  QStringLiteral("CSVTREAT=0"), QStringLiteral("CSVCOLNAME=TRUE")});
    const BatchRun r =
        runSchedule(scheduleFile({"raise.kvr", "emoji.kvr", "select.kvr"}, false,
                                 {QString(), m_dir.filePath(QStringLiteral("out.csv"))}));
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    const QString status = lines[1].split(u'\t').value(6);
    EXPECT_TRUE(status.contains(QStringLiteral("「\U0001F600」(U+1F600)"))) << status.toStdString();
    ASSERT_TRUE(lines[3].startsWith(QStringLiteral("log: "))) << lines[3].toStdString();
    const Result<QStringList> log = readTextLines(lines[3].mid(5));
    ASSERT_TRUE(log) << r.err.toStdString();
    ASSERT_EQ(log->size(), 4);
    QString logged = status;
    logged.replace(QStringLiteral("\U0001F600"), QStringLiteral("?"));
    EXPECT_TRUE(
        log->at(2).endsWith(QStringLiteral("@/ステータス：「") + logged + QStringLiteral("」@/;")))
        << log->at(2).toStdString();
    EXPECT_FALSE(log->at(2).contains(QStringLiteral("\U0001F600")));
    EXPECT_TRUE(log->at(1).endsWith(QStringLiteral("「正常終了」@/;")));
    EXPECT_TRUE(log->at(3).endsWith(QStringLiteral("「正常終了」@/;")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("ログのステータスに Shift_JIS で表せない文字が 1 "
                                              "文字あったため、「?」に置き換えて保存しました。")))
        << r.err.toStdString();
}

TEST_F(ScheduleCommand, UsageErrors) {
    const QString schedule = scheduleFile({"raise.kvr"}, true);
    struct Case {
        const char *name;
        QStringList args;
        const char *message; // part of stderr
    };
    const QString creds = m_credentials;
    const std::vector<Case> cases{
        {"malformed --at",
         {"schedule", schedule, "--credentials", creds, "--at", "2024-06-01 10:00"},
         "yyyy/mm/dd HH:NN"},
        {"month out of range",
         {"schedule", schedule, "--credentials", creds, "--at", "2024/13/01 10:00"},
         "入力された「月」が不正です。"},
        {"day the month does not have",
         {"schedule", schedule, "--credentials", creds, "--at", "2000/02/30 00:00"},
         "日付「2000/2/30」は存在しません。"},
        {"no leap day in 2100",
         {"schedule", schedule, "--credentials", creds, "--at", "2100/02/29 00:00"},
         "は存在しません。"},
        {"trailing garbage",
         {"schedule", schedule, "--credentials", creds, "--at", "2000/01/01 00:00x"},
         "yyyy/mm/dd HH:NN"},
        {"trailing line break",
         {"schedule", schedule, "--credentials", creds, "--at", "2000/01/01 00:00\n"},
         "yyyy/mm/dd HH:NN"},
        {"full-width digits",
         {"schedule", schedule, "--credentials", creds, "--at", "２０００/01/01 00:00"},
         "yyyy/mm/dd HH:NN"},
        {"missing schedule",
         {"schedule", path("none.kvs"), "--credentials", creds},
         "does not exist"},
        {"missing credentials",
         {"schedule", schedule, "--credentials", path("none.ini")},
         "does not exist"},
        {"no credentials option", {"schedule", schedule}, "--credentials is required"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const BatchRun r = batch(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    // Nothing ran: no log was written.
    EXPECT_TRUE(QDir(m_logDir).entryList(QDir::Files).isEmpty());
}

} // namespace

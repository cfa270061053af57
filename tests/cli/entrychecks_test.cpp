// The entry checks of the batch commands that run one settings file: report, csv-export and
// csv-import fail a file exactly as a scheduled entry records it (text, blank, step code).
#include "core/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/cli/batchrun.h"

#include <gtest/gtest.h>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// A CSV export settings file as the program writes it, before the passwords are sealed.
QStringList settingsLines() {
    return {QStringLiteral("SELECT 1 AS one"),
            QStringLiteral(" "),
            QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "),
            QStringLiteral(" /* PROCFLG= 2 "),
            QStringLiteral(" /* DBNAME= LITE "),
            QStringLiteral(" /* CSVSEPCHAR= , "),
            QStringLiteral(" /* CSVTREAT= 0 "),
            QStringLiteral(" /* CSVCOLNAME= FALSE "),
            QStringLiteral(" /* SETTING= 0 "),
            QStringLiteral(" /* MAKEDATE= 2024/04/01 09:00:04 "),
            QStringLiteral(" /* VERSION= 2.2.0.0 "),
            QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ")};
}

// The lines with the line starting (trimmed) with from replaced by to, or dropped when to is
// empty.
QStringList replaced(const QString &from, const QString &to) {
    QStringList lines;
    for (const QString &line : settingsLines()) {
        if (!line.trimmed().startsWith(from))
            lines << line;
        else if (!to.isEmpty())
            lines << to;
    }
    return lines;
}

TEST(BatchEntryChecks, EveryCommandFailsAFileAsTheScheduleRunDoes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString aliases = dir.filePath(QStringLiteral("aliases.ini"));
    {
        QFile f(aliases);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[LITE]\ndriver=QSQLITE\ndatabase=" +
                dir.filePath(QStringLiteral("lite.sqlite")).toUtf8() + "\n");
    }
    struct Case {
        const char *name;
        QString file; // the settings file given (written from lines when they are given)
        QStringList lines;
        QString expected; // stderr
    };
    const QString folder = dir.path() + u'/';
    QDir(folder).mkdir(QStringLiteral("folder.kvr"));
    const std::vector<Case> cases{
        {"folder missing",
         folder + QStringLiteral("none/a.kvr"),
         {},
         QStringLiteral("パスが存在しません。確認してください。 CES_270005\n")},
        // report used to fail a folder at the reading step ("データロードエラー CES_270007").
        {"a folder in place of the file",
         folder + QStringLiteral("folder.kvr"),
         {},
         QStringLiteral("ファイルが存在しません。確認してください。 CES_270006\n")},
        {"reader's own code", folder + QStringLiteral("nodate.kvr"),
         replaced(QStringLiteral("/* MAKEDATE="), QString()),
         QStringLiteral("データ解析エラー CST_10019 CES_270008\n")},
        // The commands used to call this a load error ("データロードエラー CES_270007").
        {"format block without its end marker", folder + QStringLiteral("noend.kvr"),
         replaced(QStringLiteral("/* ここから上は"), QStringLiteral(" ")),
         QStringLiteral("データ解析エラー CLA_280003\n")},
        // The commands used to give the entry's step ("データ解析エラー CES_270008").
        {"reader's step", folder + QStringLiteral("version.kvr"),
         replaced(QStringLiteral("/* VERSION="), QStringLiteral(" /* VERSION= 1.3.0.0 ")),
         QStringLiteral("データ解析エラー CGD_290031\n")},
        // csv-export and csv-import used to read such a file as one of another kind.
        {"no format block",
         folder + QStringLiteral("plain.kvr"),
         {QStringLiteral("SELECT 1 AS one")},
         QStringLiteral("データ解析エラー CES_270008\n")},
    };
    const QString out = dir.filePath(QStringLiteral("out"));
    const std::vector<QStringList> commands{
        {QStringLiteral("report"), QStringLiteral("--output"), out},
        {QStringLiteral("csv-export"), QStringLiteral("--output"), out},
        {QStringLiteral("csv-import")}};
    for (const Case &c : cases) {
        if (!c.lines.isEmpty()) {
            ASSERT_TRUE(writeTextLines(c.file, c.lines)) << c.name;
        }
        for (const QStringList &command : commands) {
            const BatchRun r = runBatch(QStringList{command.first(), c.file} + command.mid(1),
                                        aliases, {{QStringLiteral("KELVORAN_PASSWORD"), "x"}});
            const std::string what = std::string(c.name) + " / " + command.first().toStdString();
            EXPECT_EQ(r.exitCode, 1) << what;
            // As text, so that a failure shows the two statuses readably.
            EXPECT_EQ(r.err.toStdString(), c.expected.toStdString()) << what;
            EXPECT_TRUE(r.out.isEmpty()) << what;
        }
    }
}

} // namespace

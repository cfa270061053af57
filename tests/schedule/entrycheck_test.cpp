// The entry checks shared by the run, the schedule window's editing commands and the batch
// commands: each failure with the exact text and step code a run records.
#include "tests/schedule/scheduletestutil.h"

#include "core/textfile.h"
#include "schedule/entrycheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

class EntryCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path() + u'/';
        EntryFile file;
        file.sql = {QStringLiteral("DELETE FROM products")};
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("good.kvr"), file));
        m_good = readTextLines(m_folder + QStringLiteral("good.kvr")).value();
    }
    // A copy of the good file with every line that starts (trimmed) with from replaced by to;
    // an empty to drops the line.
    QString variant(const QString &name, const QString &from, const QString &to) {
        QStringList lines;
        for (const QString &line : m_good) {
            if (!line.trimmed().startsWith(from))
                lines << line;
            else if (!to.isEmpty())
                lines << to;
        }
        EXPECT_TRUE(writeTextLines(m_folder + name, lines));
        return name;
    }
    AliasList aliases() const {
        return AliasList({sqliteAlias(QStringLiteral("DEMO"), m_folder + QStringLiteral("x.db"))});
    }

    QTemporaryDir m_dir;
    QString m_folder;
    QStringList m_good;
};

TEST_F(EntryCheckTest, GoodFileGivesItsSettings) {
    const Result<CheckedEntry> checked =
        checkEntry(readyEntry(m_folder, QStringLiteral("good.kvr")), aliases());
    ASSERT_TRUE(checked) << checked.error().text().toStdString();
    EXPECT_EQ(checked->kind(), EntryKind::Sql);
    EXPECT_EQ(checked->definition.sqlLines.value(0), QStringLiteral("DELETE FROM products"));
    EXPECT_EQ(checked->fileAlias, QStringLiteral("DEMO"));
    EXPECT_EQ(checked->lines, m_good);
    EXPECT_FALSE(checked->lastStep.isEmpty());
}

TEST_F(EntryCheckTest, FailuresWithTheirTextAndStep) {
    struct Case {
        const char *name;
        std::function<ScheduleEntry()> entry;
        EntryCheckStage stage;
        QString message;
        QString step;
        QString readerText; // Parse failures only
    };
    auto entryFor = [this](const QString &name) { return readyEntry(m_folder, name); };
    const std::vector<Case> cases{
        {"unconfirmed connection",
         [&] {
             ScheduleEntry e = entryFor(QStringLiteral("good.kvr"));
             e.mark = EntryMark::Unchecked;
             return e;
         },
         EntryCheckStage::Connection,
         QStringLiteral("ユーザー名・パスワード未チェックのため実行できません"),
         QStringLiteral("CES_270004"), QString()},
        {"folder missing",
         [&] { return readyEntry(m_folder + QStringLiteral("none/"), QStringLiteral("good.kvr")); },
         EntryCheckStage::Folder, QStringLiteral("パスが存在しません。確認してください。"),
         QStringLiteral("CES_270005"), QString()},
        {"file missing", [&] { return entryFor(QStringLiteral("none.kvr")); },
         EntryCheckStage::File, QStringLiteral("ファイルが存在しません。確認してください。"),
         QStringLiteral("CES_270006"), QString()},
        {"a folder in place of the file",
         [&] {
             QDir(m_folder).mkdir(QStringLiteral("dir.kvr"));
             return entryFor(QStringLiteral("dir.kvr"));
         },
         EntryCheckStage::File, QStringLiteral("ファイルが存在しません。確認してください。"),
         QStringLiteral("CES_270006"), QString()},
        {"bytes that are not Shift_JIS",
         [&] {
             QFile f(m_folder + QStringLiteral("bytes.kvr"));
             EXPECT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("SELECT \x81\x20\xa0\r\n");
             return entryFor(QStringLiteral("bytes.kvr"));
         },
         EntryCheckStage::Load, QStringLiteral("データロードエラー"), QStringLiteral("CES_270007"),
         QString()},
        {"no format block",
         [&] {
             EXPECT_TRUE(writeTextLines(m_folder + QStringLiteral("plain.kvr"),
                                        {QStringLiteral("DELETE FROM products")}));
             return entryFor(QStringLiteral("plain.kvr"));
         },
         EntryCheckStage::Parse, QStringLiteral("データ解析エラー"), QStringLiteral("CES_270008"),
         QStringLiteral("データ解析エラー")},
        {"reader's own code",
         [&] {
             return entryFor(
                 variant(QStringLiteral("nodate.kvr"), QStringLiteral("/* MAKEDATE="), QString()));
         },
         EntryCheckStage::Parse, QStringLiteral("データ解析エラー CST_10019"),
         QStringLiteral("CES_270008"), QStringLiteral("CST_10019")},
        {"reader's step: no end marker",
         [&] {
             return entryFor(variant(QStringLiteral("noend.kvr"), QStringLiteral("/* ここから上は"),
                                     QStringLiteral(" ")));
         },
         EntryCheckStage::Parse, QStringLiteral("データ解析エラー"), QStringLiteral("CLA_280003"),
         QStringLiteral("CLA_280003")},
        {"reader's step: unknown version",
         [&] {
             return entryFor(variant(QStringLiteral("version.kvr"), QStringLiteral("/* VERSION="),
                                     QStringLiteral(" /* VERSION= 1.3.0.0 ")));
         },
         EntryCheckStage::Parse, QStringLiteral("データ解析エラー"), QStringLiteral("CGD_290031"),
         QStringLiteral("CGD_290031")},
    };
    for (const Case &c : cases) {
        const Result<CheckedEntry> checked = checkEntry(c.entry(), aliases());
        ASSERT_FALSE(checked) << c.name;
        EXPECT_EQ(checked.error().message, c.message) << c.name;
        EXPECT_EQ(checked.error().stepCode, c.step) << c.name;
        EXPECT_EQ(failedStage(checked.error()), c.stage) << c.name;
        if (c.stage == EntryCheckStage::Parse) {
            EXPECT_EQ(readerText(checked.error()), c.readerText) << c.name;
        }
    }
}

// The schedule window checks the files of rows whose connection is not confirmed yet.
TEST_F(EntryCheckTest, UnconfirmedConnectionPassesWhenNotRequired) {
    ScheduleEntry e = readyEntry(m_folder, QStringLiteral("good.kvr"));
    e.mark = EntryMark::Unchecked;
    EntryCheckOptions options;
    options.requireConfirmedConnection = false;
    EXPECT_TRUE(checkEntry(e, aliases(), options));
}

TEST(EntryKindOfSettings, ProcFlagZeroToThreeOnly) {
    const std::vector<std::pair<const char *, std::optional<EntryKind>>> cases{
        {"0", EntryKind::Sql},       {"1", EntryKind::ExcelReport}, {"2", EntryKind::CsvExport},
        {"3", EntryKind::CsvImport}, {"4", std::nullopt},           {"", std::nullopt},
        {"01", std::nullopt}};
    for (const auto &[flag, kind] : cases) {
        CheckedEntry checked;
        checked.definition.setValue(QStringLiteral("PROCFLG"), QString::fromLatin1(flag));
        EXPECT_EQ(checked.kind(), kind) << flag;
    }
}

TEST(OutputPasswordRule, ComparesOnlyAWorkbookSharedWithTheEntryAbove) {
    const QString differ =
        QStringLiteral("Excelﾊﾟｽﾜｰﾄﾞが前ｽｹｼﾞｭｰﾙのﾊﾟｽﾜｰﾄﾞと異なるため処理を中止しました。 ");
    struct Case {
        const char *name;
        bool chainValid;
        const char *procFlag;
        const char *target;
        std::optional<QString> above;
        const char *read; // the entry's output read password; the chain holds "r"/"w"
        bool passes;
    };
    const QString book = QStringLiteral("/tmp/book.xls");
    const std::vector<Case> cases{
        {"same workbook, same passwords", true, "1", "/tmp/book.xls", book, "r", true},
        {"same workbook, other passwords", true, "1", "/tmp/book.xls", book, "x", false},
        {"chain not valid", false, "1", "/tmp/book.xls", book, "x", true},
        {"other workbook", true, "1", "/tmp/other.xls", book, "x", true},
        {"first row", true, "1", "/tmp/book.xls", std::nullopt, "x", true},
        {"no target on either", true, "1", "", QString(), "x", true},
        {"not an Excel report", true, "2", "/tmp/book.xls", book, "x", true},
    };
    for (const Case &c : cases) {
        CheckedEntry checked;
        checked.definition.setValue(QStringLiteral("PROCFLG"), QString::fromLatin1(c.procFlag));
        checked.definition.outputReadPassword = QString::fromLatin1(c.read);
        checked.definition.outputWritePassword = QStringLiteral("w");
        ScheduleEntry e;
        e.targetPath = QString::fromLatin1(c.target);
        PasswordChainRecord chain;
        chain.valid = c.chainValid;
        chain.outputRead = QStringLiteral("r");
        chain.outputWrite = QStringLiteral("w");
        const Status rule = checkOutputPasswords(checked, e, c.above, chain);
        EXPECT_EQ(bool(rule), c.passes) << c.name;
        if (c.passes) {
            // The chain goes on with this entry's passwords.
            EXPECT_TRUE(chain.valid) << c.name;
            EXPECT_EQ(chain.outputRead, QString::fromLatin1(c.read)) << c.name;
        } else {
            EXPECT_EQ(rule.error().message, differ) << c.name;
            EXPECT_EQ(rule.error().stepCode, QStringLiteral("CES_270016")) << c.name;
            EXPECT_FALSE(chain.valid) << c.name;
        }
    }
}

TEST(EntryTargetCheck, TextAndStepByKind) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + u'/';
    ASSERT_TRUE(writeTextLines(folder + QStringLiteral("job.kvr"), {QStringLiteral("x")}));
    const QString missingFolder = folder + QStringLiteral("none/out.csv");
    struct Case {
        const char *name;
        EntryKind kind;
        QString target;
        const char *settingsFile;
        QString message; // empty: passes
        const char *step;
    };
    const std::vector<Case> cases{
        {"excel without target", EntryKind::ExcelReport, QString(), "job.kvr",
         QStringLiteral("保存先エラー"), "CES_270013"},
        {"excel target of blanks", EntryKind::ExcelReport, QStringLiteral("  "), "job.kvr",
         QStringLiteral("保存パスが不正です。確認してください。"), "CES_270013"},
        {"excel settings file gone", EntryKind::ExcelReport, folder + QStringLiteral("a.xls"),
         "gone.kvr", QStringLiteral("保存パスが不正です。確認してください。"), "CES_270013"},
        {"excel", EntryKind::ExcelReport, folder + QStringLiteral("a.xls"), "job.kvr", QString(),
         ""},
        {"export without target", EntryKind::CsvExport, QString(), "job.kvr",
         QStringLiteral("セーブファイルが指定されていません。確認してください。"), "CES_270014"},
        {"export into a missing folder", EntryKind::CsvExport, missingFolder, "job.kvr",
         QStringLiteral("パスが存在しません。確認してください。"), "CES_270014"},
        {"export name without folder", EntryKind::CsvExport, QStringLiteral("out.csv"), "job.kvr",
         QStringLiteral("パスが存在しません。確認してください。"), "CES_270014"},
        {"export", EntryKind::CsvExport, folder + QStringLiteral("out.csv"), "job.kvr", QString(),
         ""},
        {"import from CSVFILENAME", EntryKind::CsvImport, QString(), "job.kvr", QString(), ""},
        {"import from a missing folder", EntryKind::CsvImport, missingFolder, "job.kvr",
         QStringLiteral("パスが存在しません。確認してください。"), "CES_270015"},
        {"sql", EntryKind::Sql, QString(), "gone.kvr", QString(), ""},
    };
    for (const Case &c : cases) {
        ScheduleEntry e = readyEntry(folder, QString::fromLatin1(c.settingsFile), c.target);
        const Status checked = checkEntryTarget(c.kind, e);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(checked) << c.name;
            continue;
        }
        ASSERT_FALSE(checked) << c.name;
        EXPECT_EQ(checked.error().message, c.message) << c.name;
        EXPECT_EQ(checked.error().stepCode, QString::fromLatin1(c.step)) << c.name;
    }
}

} // namespace

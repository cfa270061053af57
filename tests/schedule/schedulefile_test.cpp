#include "core/textfile.h"
#include "schedule/schedulefile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {
ScheduleEntry entry(const char *file, const char *folder, const char *target) {
    ScheduleEntry e;
    e.fileName = QString::fromUtf8(file);
    e.folder = QString::fromUtf8(folder);
    e.targetPath = QString::fromUtf8(target);
    e.alias = QStringLiteral("DEMO");
    e.password = QStringLiteral("secret");
    e.status = QStringLiteral("正常終了");
    return e;
}
} // namespace

TEST(ScheduleFile, WrittenFileIsExactAndReadsBackUnchecked) {
    QTemporaryDir dir;
    Schedule s;
    s.entries = {entry("売上.kvr", "/data/設定/", "/out/売上.xlsx"), ScheduleEntry{},
                 entry("sql.kvr", "/data/", "")};
    s.errorStop = false;
    const QString path = dir.filePath(QStringLiteral("run.kvs"));
    Result<bool> written = writeScheduleFile(path, s);
    ASSERT_TRUE(written);
    EXPECT_TRUE(*written);
    Result<QStringList> lines = readTextLines(path);
    ASSERT_TRUE(lines);
    EXPECT_EQ(
        *lines,
        (QStringList{
            QStringLiteral("売上.kvr,/data/設定/,/out/売上.xlsx"),
            QStringLiteral("sql.kvr,/data/,"),
            QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  "),
            QStringLiteral(" /* ERRCHECK= 0"),
            QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  "),
        }));
    // Passwords never reach the file.
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_FALSE(raw.readAll().contains("secret"));

    Result<Schedule> back = readScheduleFile(path);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->entries.size(), 2u);
    EXPECT_FALSE(back->errorStop);
    EXPECT_EQ(back->entries[0].fileName, QStringLiteral("売上.kvr"));
    EXPECT_EQ(back->entries[0].folder, QStringLiteral("/data/設定/"));
    EXPECT_EQ(back->entries[0].targetPath, QStringLiteral("/out/売上.xlsx"));
    EXPECT_EQ(back->entries[1].targetPath, QString());
    for (const ScheduleEntry &e : back->entries) {
        EXPECT_EQ(e.mark, EntryMark::Unchecked);
        EXPECT_TRUE(e.password.isEmpty());
        EXPECT_TRUE(e.status.isEmpty());
    }
}

TEST(ScheduleFile, ErrorStopFlagAndRejectedFiles) {
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QStringList lines;
        bool ok;
        bool errorStop;
    };
    const QString start =
        QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ");
    const QString end =
        QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");
    const std::vector<Case> cases{
        {"on", {"a.kvr,/d/,", start, " /* ERRCHECK= 1", end}, true, true},
        {"other value clears", {"a.kvr,/d/,", start, " /* ERRCHECK= yes", end}, true, false},
        {"no markers", {"a.kvr,/d/,", "b.kvr,/d/,", "c.kvr,/d/,"}, false, false},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("f.kvs"));
        ASSERT_TRUE(writeTextLines(path, c.lines));
        Result<Schedule> s = readScheduleFile(path);
        EXPECT_EQ(s.isOk(), c.ok) << c.name;
        if (s) {
            EXPECT_EQ(s->errorStop, c.errorStop) << c.name;
        }
    }
}

TEST(ScheduleFile, NothingToSaveAndCommaInAPathAreRefused) {
    QTemporaryDir dir;
    Schedule empty;
    empty.entries = {ScheduleEntry{}};
    const QString path = dir.filePath(QStringLiteral("e.kvs"));
    Result<bool> none = writeScheduleFile(path, empty);
    ASSERT_TRUE(none);
    EXPECT_FALSE(*none);
    EXPECT_FALSE(QFile::exists(path));

    Schedule comma;
    comma.entries = {entry("a.kvr", "/d/", "/out/a,b.xlsx")};
    Result<bool> refused = writeScheduleFile(path, comma);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().message.contains(QStringLiteral("/out/a,b.xlsx")));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ScheduleStartFields, ValidationAndPadding) {
    struct Case {
        StartField field;
        const char *text;
        const char *expected; // nullptr: invalid
    };
    const std::vector<Case> cases{
        {StartField::Year, "2024", "2024"},  {StartField::Year, "1899", nullptr},
        {StartField::Year, "3001", nullptr}, {StartField::Month, "3", "03"},
        {StartField::Month, "13", nullptr},  {StartField::Day, "31", "31"},
        {StartField::Day, "0", nullptr},     {StartField::Hour, "0", "00"},
        {StartField::Hour, "24", nullptr},   {StartField::Minute, "59", "59"},
        {StartField::Minute, "5x", nullptr}, {StartField::Minute, "", nullptr},
    };
    for (const Case &c : cases) {
        Result<QString> r = normaliseStartField(c.field, QString::fromLatin1(c.text));
        if (c.expected) {
            ASSERT_TRUE(r) << c.text;
            EXPECT_EQ(*r, QString::fromLatin1(c.expected));
        } else {
            EXPECT_FALSE(r) << c.text;
        }
    }
    EXPECT_EQ(normaliseStartField(StartField::Hour, QStringLiteral("99")).error().message,
              QStringLiteral("入力された「時間」が不正です。確認してください。"));
    EXPECT_EQ(startFieldMissingMessage(StartField::Month),
              QStringLiteral("開始時間「月」項目が未入力です。入力してください。"));
    EXPECT_EQ(formatDataCount(120), QStringLiteral("    120"));
}

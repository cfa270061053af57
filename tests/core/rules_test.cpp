#include "core/clock.h"
#include "core/displaytext.h"
#include "core/openpaths.h"
#include "core/pathrules.h"
#include "core/stepcode.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace kelvoran;

TEST(ExtensionTest, Table) {
    struct Case {
        const char *kind;
        const char *path;
        const char *expected;
    };
    const std::vector<Case> cases{
        {"SQL", "a.SqLx", "Y"}, // only the first three characters count
        {"SQL", "a.sql", "Y"},
        {"KVR", "/home/u/report.KVR", "Y"},
        {"KVS", "/home/u/report.kvr", "N"},
        {"XLS", "out.xlsx", "Y"},
        {"XLS", "out.xl", "N"},      // shorter than three characters
        {"SQL", "/dir.x/file", "?"}, // the dot belongs to a folder
        {"SQL", "abc", "?"},
        {"SQL", "", "?"},
        {"TXT", "a.b.txt", "Y"}, // the last dot decides
        {"CSV", "name.", "N"},   // an empty extension is still an extension
    };
    for (const Case &c : cases)
        EXPECT_EQ(extensionTest(QString::fromLatin1(c.kind), QString::fromLatin1(c.path)),
                  QString::fromLatin1(c.expected))
            << c.kind << " " << c.path;
}

TEST(PathParts, FolderAndName) {
    EXPECT_EQ(folderPart(QStringLiteral("/a/b/c.kvr")), QStringLiteral("/a/b/"));
    EXPECT_EQ(fileNamePart(QStringLiteral("/a/b/c.kvr")), QStringLiteral("c.kvr"));
    EXPECT_EQ(folderPart(QStringLiteral("c.kvr")), QString());
    EXPECT_EQ(fileNamePart(QStringLiteral("/a/b/")), QString());
}

TEST(DisplayText, Table) {
    struct Case {
        QVariant value;
        const char *expected;
    };
    const std::vector<Case> cases{
        {QVariant(), ""},
        {QVariant(QMetaType(QMetaType::QString)), ""}, // typed NULL
        {QDate(2024, 1, 2), "2024/01/02"},
        {QDateTime(QDate(2024, 1, 2), QTime(13, 5, 6)), "2024/01/02 13:05:06"},
        {QDateTime(QDate(2024, 1, 2), QTime(0, 0)), "2024/01/02"},
        {QTime(9, 8, 7), "09:08:07"},
        {1234567, "1234567"}, // no grouping
        {qlonglong(-9007199254740993LL), "-9007199254740993"},
        {547192.82, "547192.82"}, // shortest text that reads back
        {0.1 + 0.2, "0.30000000000000004"},
        {1e20, "1E20"},
        {-2.5e-7, "-2.5E-7"},
        {0.0, "0"},
        {QByteArray("\x01\x02"), "(BLOB)"},
        {QStringLiteral("テキスト"), "テキスト"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(displayText(c.value), QString::fromUtf8(c.expected))
            << c.value.typeName() << " " << c.expected;
}

TEST(StepCodes, PrefixAndLoopNumbers) {
    StepCode interactive(u'P'), scheduled(u'C');
    interactive.set("ME_140012");
    scheduled.set("ME_140012");
    EXPECT_EQ(interactive.text(), QStringLiteral("PME_140012"));
    EXPECT_EQ(scheduled.text(), QStringLiteral("CME_140012"));
    scheduled.set("ME_140020", {3, 1});
    EXPECT_EQ(scheduled.text(), QStringLiteral("CME_140020_3_1"));
    EXPECT_TRUE(scheduled.isScheduled());
}

TEST(ManualClockSeam, FiresDueTicksInOrderAndStopsWithHandle) {
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0)));
    QStringList fired;
    auto slow = clock.startTimer(
        1000, [&] { fired.push_back(clock.now().toString(QStringLiteral("ss.zzz"))); });
    auto fast = clock.startTimer(400, [&] {
        fired.push_back(QStringLiteral("f") + clock.now().toString(QStringLiteral("ss.zzz")));
    });
    clock.advance(1000);
    EXPECT_EQ(fired, (QStringList{"f00.400", "f00.800", "01.000"}));
    fast.reset();
    fired.clear();
    clock.advance(1500);
    EXPECT_EQ(fired, (QStringList{"02.000"}));
    EXPECT_EQ(clock.now(), QDateTime(QDate(2024, 4, 1), QTime(9, 0, 2, 500)));
    EXPECT_EQ(clock.runningTimers(), 1);
}

TEST(ManualClockSeam, TickMayStopItsOwnTimer) {
    ManualClock clock(QDateTime(QDate(2024, 4, 1), QTime(9, 0)));
    int ticks = 0;
    std::unique_ptr<TimerHandle> timer;
    timer = clock.startTimer(100, [&] {
        ++ticks;
        timer.reset();
    });
    clock.advance(1000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(clock.runningTimers(), 0);
}

TEST(OpenPathRules, KindsAndPreselection) {
    struct Case {
        const char *path;
        OpenKind open;
        OpenKind handOff;
    };
    const std::vector<Case> cases{
        {"/r/report.KVR", OpenKind::SettingsFile, OpenKind::SettingsFile},
        {"/r/run.kvs", OpenKind::ScheduleFile, OpenKind::ScheduleFile},
        {"/r/q.sql", OpenKind::SqlText, OpenKind::None}, // a .sql parameter opens nothing
        {"/r/notes.TXT", OpenKind::SqlText, OpenKind::None},
        {"/r/book.xls", OpenKind::None, OpenKind::None},
        {"/r.d/noext", OpenKind::None, OpenKind::None},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(openKindOf(QString::fromLatin1(c.path)), c.open) << c.path;
        EXPECT_EQ(handOffKindOf(QString::fromLatin1(c.path)), c.handOff) << c.path;
    }
    EXPECT_EQ(startupPath({"a.kvr", "b.kvs"}), QStringLiteral("b.kvs"));
    EXPECT_EQ(handOffPath({"a.kvr", "b.kvs"}), QStringLiteral("a.kvr"));
    EXPECT_EQ(startupPath({}), QString());
}

TEST(OpenPathRules, PreselectNeedsExtensionAndExistingFile) {
    QTemporaryDir dir;
    const QString kvr = dir.filePath(QStringLiteral("a.kvr"));
    QFile f(kvr);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(canPreselect(kvr, {"SQL", "TXT", "KVR", "KVS"}));
    EXPECT_FALSE(canPreselect(kvr, {"TXT"}));
    EXPECT_FALSE(canPreselect(dir.filePath(QStringLiteral("missing.kvr")), {"KVR"}));
    EXPECT_FALSE(canPreselect(dir.filePath(QStringLiteral("gone/a.kvr")), {"KVR"}));
    EXPECT_FALSE(canPreselect(QString(), {"KVR"}));
}

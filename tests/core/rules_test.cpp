#include "core/clock.h"
#include "core/displaytext.h"
#include "core/exactvalue.h"
#include "core/openpaths.h"
#include "core/pathrules.h"
#include "core/stepcode.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
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
        // A fraction of a second follows the seconds without trailing zeros.
        {QDateTime(QDate(2024, 1, 2), QTime(13, 5, 6, 500)), "2024/01/02 13:05:06.5"},
        {QDateTime(QDate(2024, 1, 2), QTime(0, 0, 0, 1)), "2024/01/02 00:00:00.001"},
        {QTime(23, 59, 59, 990), "23:59:59.99"},
        // Exact values show their text: decimals as the database wrote them.
        {exactValue(QStringLiteral("12345678901234567890.1234567890"), 1.2345678901234567e19),
         "12345678901234567890.1234567890"},
        {exactValue(QStringLiteral("0.00001"), 1e-5), "0.00001"},
        {exactValue(QStringLiteral("2022/12/31 23:59:59.9999"),
                    QDateTime(QDate(2022, 12, 31), QTime(23, 59, 59, 999))),
         "2022/12/31 23:59:59.9999"},
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

// Readers that compute with values (pivot sums, dates) take an exact value as the value it
// stands for.
TEST(DisplayText, ExactValuesConvertToTheirNearestValue) {
    const QVariant decimal = exactValue(QStringLiteral("9999999999999999.99"), 1e16);
    EXPECT_TRUE(decimal.canConvert<double>());
    EXPECT_EQ(decimal.toDouble(), 1e16);
    EXPECT_EQ(decimal.toString(), QStringLiteral("9999999999999999.99"));
    const QDateTime nearest(QDate(2022, 12, 31), QTime(23, 59, 59, 999));
    EXPECT_EQ(exactValue(QStringLiteral("2022/12/31 23:59:59.9999"), nearest).toDateTime(),
              nearest);
    EXPECT_TRUE(QVariant::fromValue(ExactValue{}).isValid());
}

// Server texts of dates and times become display texts digit for digit: nothing rounded up.
TEST(DisplayText, IsoTextsOfServers) {
    struct Case {
        const char *iso;
        const char *expected; // nullptr: not an ISO form read here
        int fractionDigits;
    };
    const std::vector<Case> cases{
        {"2024-01-05", "2024/01/05", 0},
        {"2024-01-05 10:20:30", "2024/01/05 10:20:30", 0},
        {"2024-01-05 00:00:00", "2024/01/05", 0}, // midnight: the date alone
        {"2024-01-05 00:00:00.000000", "2024/01/05", 0},
        {"2024-01-05 00:00:00.5", "2024/01/05 00:00:00.5", 1},
        {"2022-12-31 23:59:59.9999", "2022/12/31 23:59:59.9999", 4},
        {"2022-12-31 23:59:59.999900", "2022/12/31 23:59:59.9999", 4},
        {"2024-01-05T10:20:30.123456", "2024/01/05 10:20:30.123456", 6},
        {"23:59:59.999999", "23:59:59.999999", 6},
        {"10:20:30.120", "10:20:30.12", 2},
        {"08:00:00", "08:00:00", 0},
        {"838:59:59", nullptr, 0},
        {"-01:00:00", nullptr, 0},
        {"2024-01-05 10:20:30+09", nullptr, 0},
        {"2024-01-05 10:20", nullptr, 0},
        {"infinity", nullptr, 0},
        {"10:20:30.", nullptr, 0},
    };
    for (const Case &c : cases) {
        QString out = QStringLiteral("untouched");
        const bool ok = isoDisplayText(QByteArrayView(c.iso), out);
        EXPECT_EQ(ok, c.expected != nullptr) << c.iso;
        EXPECT_EQ(out, c.expected ? QString::fromLatin1(c.expected) : QStringLiteral("untouched"))
            << c.iso;
        EXPECT_EQ(isoFractionDigits(QByteArrayView(c.iso)), c.fractionDigits) << c.iso;
    }
}

// The nearest QDateTime/QTime of a value with more digits is cut, never rounded into the next
// second (or year).
TEST(DisplayText, NearestValuesAreCutToMilliseconds) {
    EXPECT_EQ(isoDateTimeToMilliseconds("2022-12-31 23:59:59.9999"),
              QDateTime(QDate(2022, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
    EXPECT_EQ(isoTimeToMilliseconds("23:59:59.999999"), QTime(23, 59, 59, 999));
    EXPECT_EQ(isoTimeToMilliseconds("10:20:30.05"), QTime(10, 20, 30, 50));
    EXPECT_EQ(isoTimeToMilliseconds("25:00:00"), std::nullopt);
    EXPECT_EQ(isoDateTimeToMilliseconds("23:59:59"), std::nullopt);
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
    // The handed-over path is made absolute here: the instance that takes it runs elsewhere.
    EXPECT_EQ(handOffPath({"a.kvr", "b.kvs"}), QDir::currentPath() + QStringLiteral("/a.kvr"));
    EXPECT_EQ(handOffPath({"/r/a b.kvs"}), QStringLiteral("/r/a b.kvs"));
    EXPECT_EQ(handOffPath({}), QString());
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

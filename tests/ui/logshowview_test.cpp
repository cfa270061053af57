// The log viewer's rows, counts, red rows and file rules.
#include "ui/logshowview.h"

#include "core/textfile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

RunLogEntry entry(const QString &file, const QString &status) {
    return {file,
            QStringLiteral("/data/reports/"),
            QStringLiteral("/data/out/") + file + QStringLiteral(".xlsx"),
            QStringLiteral("2026/12/10 09:00:00"),
            QStringLiteral("2026/12/10 09:00:05"),
            QStringLiteral("     12"),
            status};
}

// Writes the lines as a log and reads it back the way the viewer does.
LogShowContents shownLog(const QStringList &lines) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.log"));
    EXPECT_TRUE(writeTextLines(path, lines).isOk());
    Result<RunLogContents> read = readRunLog(path);
    EXPECT_TRUE(read.isOk());
    return read ? logShowContents(*read) : LogShowContents{};
}

} // namespace

TEST(LogShowView, RunOfThreeWithOneFailureShowsItsRowsCountsAndOneRedRow) {
    const QString failure =
        QStringLiteral("Message     :ORA-00942: table or view does not exist\r\n"
                       "  CME_140012");
    const LogShowContents shown = shownLog(
        runLogLines(QStringLiteral("2026/12/10 09:00:00"), QStringLiteral("2026/12/10 09:00:20"),
                    {entry(QStringLiteral("a.kvr"), QStringLiteral("正常終了")),
                     entry(QStringLiteral("b.kvr"), failure),
                     entry(QStringLiteral("c.kvr"), QStringLiteral("正常終了"))}));
    ASSERT_EQ(shown.rows.size(), 3u);
    // The header is not a row: the first row is entry 1.
    EXPECT_EQ(shown.rows[0][0], QStringLiteral("1"));
    EXPECT_EQ(shown.rows[1][1], QStringLiteral("b.kvr"));
    EXPECT_EQ(shown.rows[1][6], QStringLiteral("12"));
    // The status's line breaks are gone: one cell holds both of its lines.
    EXPECT_EQ(shown.rows[1][7],
              QStringLiteral("Message     :ORA-00942: table or view does not exist  CME_140012"));
    EXPECT_EQ(shown.total, QStringLiteral("3"));
    EXPECT_EQ(shown.completed, QStringLiteral("2"));
    EXPECT_EQ(shown.failed, QStringLiteral("1"));
    EXPECT_EQ(shown.unprocessed, QStringLiteral("0"));
    EXPECT_FALSE(isRedLogRow(shown.rows[0]));
    EXPECT_TRUE(isRedLogRow(shown.rows[1]));
    EXPECT_FALSE(isRedLogRow(shown.rows[2]));
}

TEST(LogShowView, ErrorStopLeavesTheRestUnprocessedAndRed) {
    const LogShowContents shown = shownLog(
        runLogLines(QStringLiteral("2026/12/10 09:00:00"), QStringLiteral("2026/12/10 09:00:02"),
                    {entry(QStringLiteral("a.kvr"), QStringLiteral("Message     :boom")),
                     entry(QStringLiteral("b.kvr"), QStringLiteral("未処理")),
                     entry(QStringLiteral("c.kvr"), QStringLiteral("未処理"))}));
    ASSERT_EQ(shown.rows.size(), 3u);
    EXPECT_EQ(shown.failed, QStringLiteral("1"));
    EXPECT_EQ(shown.unprocessed, QStringLiteral("2"));
    for (const QStringList &row : shown.rows)
        EXPECT_TRUE(isRedLogRow(row)) << row.join(u'|').toStdString();
}

TEST(LogShowView, ARecordWithoutFileNameZeroesEveryCountAndATrailingEmptyRecordIsDropped) {
    QStringList lines =
        runLogLines(QStringLiteral("2026/12/10 09:00:00"), QStringLiteral("2026/12/10 09:00:02"),
                    {entry(QStringLiteral("a.kvr"), QStringLiteral("正常終了")),
                     entry(QString(), QStringLiteral("正常終了"))});
    lines << QStringLiteral("@/@/@/@/@/@/@/@/;");
    const LogShowContents shown = shownLog(lines);
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[1][0], QStringLiteral("2"));
    for (const QString &c : {shown.total, shown.completed, shown.failed, shown.unprocessed})
        EXPECT_EQ(c, QStringLiteral("0"));
}

TEST(LogShowView, ARowIsRedOnlyForAStatusOtherThanCompleted) {
    const struct {
        const char *status;
        bool red;
    } cases[] = {{"", false}, {"正常終了", false}, {"未処理", true}, {"Message     :x", true}};
    for (const auto &c : cases) {
        QStringList row(8, QStringLiteral("x"));
        row[7] = QString::fromUtf8(c.status);
        EXPECT_EQ(isRedLogRow(row), c.red) << c.status;
    }
    EXPECT_FALSE(isRedLogRow({QStringLiteral("1")}));
}

TEST(LogShowView, ScheduleEntriesAreNumberedAndEmptyRowsLeftOut) {
    Schedule schedule;
    ScheduleEntry a;
    a.fileName = QStringLiteral("list.kvr");
    a.folder = QStringLiteral("/r/");
    ScheduleEntry blank;
    ScheduleEntry b;
    b.fileName = QStringLiteral("export.kvr");
    b.folder = QStringLiteral("/e/");
    schedule.entries = {a, blank, b};
    const LogShowContents shown = scheduleShowContents(schedule);
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[0], (QStringList{"1", "list.kvr", "/r/"}));
    EXPECT_EQ(shown.rows[1], (QStringList{"2", "export.kvr", "/e/"}));
    EXPECT_EQ(shown.total, QStringLiteral("2"));
    EXPECT_EQ(shown.completed, QStringLiteral("0"));
    EXPECT_EQ(scheduleShowContents(Schedule{}).total, QStringLiteral("0"));
}

TEST(LogShowView, FileRules) {
    const struct {
        LogShowMode mode;
        const char *path;
        bool accepted;
    } chosen[] = {{LogShowMode::Log, "/l/2026_12_10_09_00_00.log", true},
                  {LogShowMode::Log, "/l/RUN.LOG", true},
                  {LogShowMode::Log, "/l/run.kvs", false},
                  {LogShowMode::Log, "/l/run", false},
                  {LogShowMode::Schedule, "/s/night.kvs", true},
                  {LogShowMode::Schedule, "/s/night.log", false}};
    for (const auto &c : chosen)
        EXPECT_EQ(acceptsLogShowFile(c.mode, QString::fromUtf8(c.path)), c.accepted) << c.path;

    EXPECT_EQ(settingsFileOfRow(QStringLiteral("/r/"), QStringLiteral("list.kvr")),
              QStringLiteral("/r/list.kvr"));
    EXPECT_EQ(settingsFileOfRow(QStringLiteral("/r/"), QStringLiteral("LIST.KVR")),
              QStringLiteral("/r/LIST.KVR"));
    EXPECT_TRUE(settingsFileOfRow(QStringLiteral("/r/"), QStringLiteral("out.xlsx")).isEmpty());
    EXPECT_TRUE(settingsFileOfRow(QStringLiteral("/r.kvr/"), QString()).isEmpty());
}

TEST(LogShowView, LayoutFollowsTheMode) {
    const LogShowLayout xga = logShowLayout(0);
    EXPECT_EQ((std::array<int, 4>{xga.top, xga.left, xga.height, xga.width}),
              (std::array<int, 4>{15, 54, 640, 1000}));
    EXPECT_EQ(xga.scheduleWidths, (std::array<int, 3>{157, 164, 214}));
    const LogShowLayout svga = logShowLayout(1);
    EXPECT_EQ((std::array<int, 4>{svga.top, svga.left, svga.height, svga.width}),
              (std::array<int, 4>{6, 9, 556, 760}));
    EXPECT_EQ(svga.scheduleWidths, (std::array<int, 3>{110, 110, 122}));
    EXPECT_EQ(scheduleGridHeadings(false)[1], QStringLiteral("ファイル名"));
    EXPECT_EQ(scheduleGridHeadings(true)[1], QStringLiteral("スケジュールデータ"));
}

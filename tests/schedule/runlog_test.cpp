#include "core/textfile.h"
#include "report/messagetable.h"
#include "schedule/runlog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

std::vector<RunLogEntry> threeEntries() {
    return {
        {QStringLiteral("a.kvr"), QStringLiteral("/r/"), QStringLiteral("/out/a.xlsx"),
         QStringLiteral("2024/04/01 09:00:00"), QStringLiteral("2024/04/01 09:00:03"),
         QStringLiteral("    120"), QStringLiteral("正常終了")},
        {QStringLiteral("b.kvr"), QStringLiteral("/r/"), QString(),
         QStringLiteral("2024/04/01 09:00:03"), QStringLiteral("2024/04/01 09:00:04"),
         QStringLiteral("      0"),
         QStringLiteral("Category    :1\r\nMessage     :ORA-00942  CES_270010")},
        {QStringLiteral("c.kvr"), QStringLiteral("/r/"), QStringLiteral("/out/c.csv"),
         QStringLiteral("2024/04/01 09:00:04"), QStringLiteral("2024/04/01 09:00:09"),
         QStringLiteral("   5000"), QStringLiteral("正常終了")},
    };
}

} // namespace

TEST(RunLog, LinesAreExact) {
    const QStringList lines =
        runLogLines(QStringLiteral("2024/04/01 09:00:00"), QStringLiteral("2024/04/01 09:00:09"),
                    {threeEntries()[1]});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0],
              QStringLiteral(
                  "スケジュール開始時間:「2024/04/01 09:00:00」@/スケジュール終了時間:「2024/04/01 "
                  "09:00:09」@/Version:「Kelvoran 2.2.0.0」@/;"));
    EXPECT_EQ(
        lines[1],
        QStringLiteral(
            "スケジュール番号:「1」@/ファイル名：「b.kvr」@/ファイルパス：「/r/」@/保存場所：「」@/"
            "開始時間：「2024/04/01 09:00:03」@/終了時間：「2024/04/01 "
            "09:00:04」@/レコード数：「0」@/"
            "ステータス：「Category    :1Message     :ORA-00942  CES_270010」@/;"));
}

TEST(RunLog, WrittenLogReadsBackWithCounts) {
    QTemporaryDir dir;
    const QDateTime at(QDate(2024, 4, 1), QTime(9, 0, 9));
    std::vector<RunLogEntry> entries = threeEntries();
    entries.push_back({QStringLiteral("d.kvr"), QStringLiteral("/r/"), QString(),
                       QStringLiteral("2024/04/01 09:00:09"), QStringLiteral("2024/04/01 09:00:09"),
                       QString(), QStringLiteral("未処理")});
    Result<RunLogWritten> w = writeRunLog(
        dir.path(), QString(), at, runLogLines(QStringLiteral("s"), QStringLiteral("e"), entries));
    ASSERT_TRUE(w) << w.error().message.toStdString();
    EXPECT_EQ(w->path, dir.filePath(QStringLiteral("2024_04_01_09_00_09.log")));
    EXPECT_TRUE(w->notice.isEmpty());
    Result<RunLogContents> log = readRunLog(w->path);
    ASSERT_TRUE(log);
    ASSERT_EQ(log->records.size(), 4u);
    EXPECT_EQ(log->records[0][0], QStringLiteral("1"));
    EXPECT_EQ(log->records[0][6], QStringLiteral("120"));
    EXPECT_EQ(log->records[1][7],
              QStringLiteral("Category    :1Message     :ORA-00942  CES_270010"));
    EXPECT_EQ(log->total, 4);
    EXPECT_EQ(log->completed, 2);
    EXPECT_EQ(log->failed, 1);
    EXPECT_EQ(log->unprocessed, 1);
}

TEST(RunLog, FallsBackWhenTheLogFolderIsMissing) {
    QTemporaryDir install, work;
    const QDateTime at(QDate(2024, 4, 1), QTime(9, 0, 9));
    const QStringList lines = runLogLines(QStringLiteral("s"), QStringLiteral("e"), {});
    Result<RunLogWritten> w =
        writeRunLog(install.filePath(QStringLiteral("missing")), install.path(), at, lines);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->path, install.path() + QStringLiteral("/2024_04_01_09_00_09.log"));
    EXPECT_TRUE(w->notice.contains(install.path()));
    EXPECT_TRUE(QFile::exists(w->path));

    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    Result<RunLogWritten> w2 =
        writeRunLog(QStringLiteral("/nonexistent/a"), QStringLiteral("/nonexistent/b"), at, lines);
    QDir::setCurrent(cwd);
    ASSERT_TRUE(w2);
    EXPECT_EQ(QFileInfo(w2->path).fileName(), QStringLiteral("KVRLog2024_04_01_09_00_09.log"));
    EXPECT_TRUE(QFile::exists(work.filePath(QStringLiteral("KVRLog2024_04_01_09_00_09.log"))));
    EXPECT_FALSE(w2->notice.isEmpty());
}

TEST(RunLog, SecondLogOfTheSameSecondKeepsTheFirst) {
    QTemporaryDir dir;
    const QDateTime at(QDate(2024, 4, 1), QTime(9, 0, 9));
    QStringList paths;
    for (const char *run : {"first", "second", "third"}) {
        const Result<RunLogWritten> w =
            writeRunLog(dir.path(), QString(), at,
                        runLogLines(QString::fromLatin1(run), QString::fromLatin1(run), {}));
        ASSERT_TRUE(w);
        paths << QFileInfo(w->path).fileName();
        EXPECT_TRUE(w->notice.isEmpty());
    }
    EXPECT_EQ(paths, QStringList({"2024_04_01_09_00_09.log", "2024_04_01_09_00_09_2.log",
                                  "2024_04_01_09_00_09_3.log"}));
    const Result<QStringList> first = readTextLines(dir.filePath(paths[0]));
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->first().contains(QStringLiteral("「first」")));
}

TEST(RunLog, ReadingRules) {
    struct Case {
        const char *name;
        QStringList body; // lines after the header
        int records, completed, failed, unprocessed;
    };
    const std::vector<Case> cases{
        // A record split over two lines is one record.
        {"continued",
         {"番号:「1」@/ファイル名：「a.kvr」@/x：「」@/x：「」@/x：「」@/x：「」@/x：「1」@/"
          "ステータス：「エラー",
          "続き」@/;"},
         1,
         0,
         1,
         0},
        // A record without a file name cannot be classed: every count shows 0.
        {"unclassed",
         {"番号:「1」@/ファイル名：「」@/x：「」@/x：「」@/x：「」@/x：「」@/x：「」@/"
          "ステータス：「正常終了」@/;"},
         0,
         0,
         0,
         0},
        {"headerOnly", {}, 0, 0, 0, 0},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".log"));
        ASSERT_TRUE(writeTextLines(path, QStringList{QStringLiteral("header@/;")} + c.body));
        Result<RunLogContents> log = readRunLog(path);
        ASSERT_TRUE(log) << c.name;
        EXPECT_EQ(log->total, c.records) << c.name;
        EXPECT_EQ(log->completed, c.completed) << c.name;
        EXPECT_EQ(log->failed, c.failed) << c.name;
        EXPECT_EQ(log->unprocessed, c.unprocessed) << c.name;
    }
    Result<RunLogContents> missing = readRunLog(dir.filePath(QStringLiteral("none.log")));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, QStringLiteral("ログファイルの読み込みに失敗しました。"));
}

// Every kind of status a run records, and values with the log's own marks in them, read back
// cell for cell as they were written.
TEST(RunLog, StatusesAndValuesReadBackExactly) {
    struct Case {
        const char *name;
        QString folder;
        QString fileName;
        QString status;
        QString readBack; // the status as the log keeps it (no line breaks)
    };
    const QString csvDetail =
        QStringLiteral("CSVファイル出力エラー CEC_360012 film.csv の 3行目（データ2行目）の項目"
                       "「title」の値に改行文字が含まれています。");
    const std::vector<Case> cases{
        {"completed", "/r/", "a.kvr", EntryText::completed(), EntryText::completed()},
        {"unprocessed", "/r/", "a.kvr", EntryText::unprocessed(), EntryText::unprocessed()},
        {"discarded workbook", "/r/", "a.kvr", EntryText::workbookDiscarded(3),
         EntryText::workbookDiscarded(3)},
        {"unchecked", "/r/", "a.kvr", EntryText::unchecked() + QStringLiteral(" CES_270004"),
         EntryText::unchecked() + QStringLiteral(" CES_270004")},
        {"password rule ends in two blanks", "/r/", "a.kvr",
         EntryText::passwordsDiffer() + QStringLiteral(" CES_270016"),
         EntryText::passwordsDiffer() + QStringLiteral(" CES_270016")},
        {"csv failure naming its item", "/r/", "a.kvr", csvDetail, csvDetail},
        {"csv import naming its table", "/r/", "a.kvr",
         QStringLiteral("CSVファイルインポートエラー CIC_350012 テーブル「film」を開けません。"),
         QStringLiteral("CSVファイルインポートエラー CIC_350012 テーブル「film」を開けません。")},
        {"value ending in a bracket", "/r/", "a.kvr", QStringLiteral("SQLエラー 「a」「b」"),
         QStringLiteral("SQLエラー 「a」「b」")},
        {"separator inside a value", "/r/", "a.kvr",
         QStringLiteral("SQL実行時エラー CES_270012 near \"@/\": syntax error"),
         QStringLiteral("SQL実行時エラー CES_270012 near \"@/\": syntax error")},
        {"database message over lines", "/r/", "a.kvr",
         QStringLiteral("Category    :1\r\nMessage     :ORA-00942\n CES_270010"),
         QStringLiteral("Category    :1Message     :ORA-00942 CES_270010")},
        {"brackets in folder and file", "/r/「月次」@/", "「売上」.kvr", EntryText::completed(),
         EntryText::completed()},
        {"empty status", "/r/", "a.kvr", QString(), QString()},
    };
    QTemporaryDir dir;
    std::vector<RunLogEntry> entries;
    for (const Case &c : cases)
        entries.push_back({c.fileName, c.folder, c.folder + QStringLiteral("out.xlsx"),
                           QStringLiteral("2024/04/01 09:00:00"),
                           QStringLiteral("2024/04/01 09:00:01"), QStringLiteral("     12"),
                           c.status});
    const Result<RunLogWritten> w =
        writeRunLog(dir.path(), QString(), QDateTime(QDate(2024, 4, 1), QTime(9, 0, 1)),
                    runLogLines(QStringLiteral("2024/04/01 09:00:00"),
                                QStringLiteral("2024/04/01 09:00:01"), entries));
    ASSERT_TRUE(w) << w.error().message.toStdString();
    const Result<RunLogContents> log = readRunLog(w->path);
    ASSERT_TRUE(log);
    ASSERT_EQ(log->records.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.name);
        const QStringList want{QString::number(i + 1),
                               c.fileName,
                               c.folder,
                               c.folder + QStringLiteral("out.xlsx"),
                               QStringLiteral("2024/04/01 09:00:00"),
                               QStringLiteral("2024/04/01 09:00:01"),
                               QStringLiteral("12"),
                               c.readBack};
        EXPECT_EQ(log->records[i], want);
    }
}

// A status with characters Shift_JIS cannot hold (a database message quoting an emoji or "€")
// neither loses the log nor adds a line to it: each such character is written as "?", and the
// count of them is reported.
TEST(RunLog, StatusCharactersOutsideShiftJisBecomeQuestionMarks) {
    struct Case {
        const char *name;
        QString status;
        QString logged;
        int replaced;
    };
    const std::vector<Case> cases{
        {"latin letter quoted by a CSV failure",
         QStringLiteral("項目「title」に Shift_JIS で表せない文字「é」(U+00E9) があります。"),
         QStringLiteral("項目「title」に Shift_JIS で表せない文字「?」(U+00E9) があります。"), 1},
        {"emoji is one character", QStringLiteral("a\U0001F600b"), QStringLiteral("a?b"), 1},
        {"several over lines", QStringLiteral("ORA-20001: 1€\r\n2€ \U0001F600"),
         QStringLiteral("ORA-20001: 1?2? ?"), 3},
        {"NEC special characters are Shift_JIS", QStringLiteral("ボールペン 黒 ①"),
         QStringLiteral("ボールペン 黒 ①"), 0},
        {"plain question mark stays", QStringLiteral("why?"), QStringLiteral("why?"), 0},
    };
    QTemporaryDir dir;
    std::vector<RunLogEntry> entries;
    int expectedReplaced = 0;
    for (const Case &c : cases) {
        entries.push_back({QStringLiteral("a.kvr"), QStringLiteral("/r/"), QString(), QString(),
                           QString(), QString(), c.status});
        expectedReplaced += c.replaced;
    }
    int replaced = -1;
    const QStringList lines =
        runLogLines(QStringLiteral("s"), QStringLiteral("e"), entries, &replaced);
    EXPECT_EQ(replaced, expectedReplaced);
    ASSERT_EQ(lines.size(), qsizetype(cases.size() + 1));
    const Result<RunLogWritten> w =
        writeRunLog(dir.path(), QString(), QDateTime(QDate(2024, 4, 1), QTime(9, 0, 1)), lines);
    ASSERT_TRUE(w) << w.error().message.toStdString();
    const Result<QStringList> raw = readTextLines(w->path);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->size(), qsizetype(cases.size() + 1));
    const Result<RunLogContents> log = readRunLog(w->path);
    ASSERT_TRUE(log);
    ASSERT_EQ(log->records.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(log->records[i][7], cases[i].logged);
        int one = 0;
        shiftJisStatusText(cases[i].status, &one);
        EXPECT_EQ(one, cases[i].replaced);
    }
}

// Only statuses are made safe: a file name Shift_JIS cannot hold is refused with the encoder's
// message, and no file is left behind.
TEST(RunLog, OtherValuesOutsideShiftJisAreRefused) {
    QTemporaryDir dir;
    const std::vector<RunLogEntry> entries{{QStringLiteral("\U0001F600.kvr"), QStringLiteral("/r/"),
                                            QString(), QString(), QString(), QString(),
                                            QStringLiteral("正常終了")}};
    int replaced = -1;
    const Result<RunLogWritten> w =
        writeRunLog(dir.path(), QString(), QDateTime(QDate(2024, 4, 1), QTime(9, 0, 1)),
                    runLogLines(QStringLiteral("s"), QStringLiteral("e"), entries, &replaced));
    EXPECT_EQ(replaced, 0);
    ASSERT_FALSE(w);
    EXPECT_TRUE(w.error().message.startsWith(QStringLiteral("ログの出力に失敗しました。")))
        << w.error().message.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

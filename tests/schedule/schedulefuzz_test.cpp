// Mutated schedule files: reading one ends quickly with a schedule that saves and reads back the
// same, or with a message naming the file. A schedule that loads goes on through the entry
// checks and arming, which end in a defined failure or succeed, and never crash.
#include "tests/schedule/scheduletestutil.h"

#include "core/clock.h"
#include "core/textfile.h"
#include "db/dbsession.h"
#include "schedule/entrycheck.h"
#include "schedule/schedulefile.h"
#include "schedule/schedulerunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Each case saves a file, and every save is synced to the disk; a folder in memory, where one
// exists, keeps thousands of them fast.
QString scratchFolderTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString base = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return base + QStringLiteral("/kelvoran-fuzz-XXXXXX");
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a fresh file: truncating the last one makes the file system flush it first.
bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile::remove(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Pieces that matter to the reader: separators, line ends, the markers' characters, the key,
// Shift_JIS lead and trail bytes, bytes no Shift_JIS character uses.
QList<QByteArray> interestingPieces() {
    QList<QByteArray> pieces = {",",
                                "\r",
                                "\n",
                                "\r\n",
                                "=",
                                " ",
                                "\t",
                                "/*",
                                "*/",
                                "ERRCHECK",
                                " /* ERRCHECK= 1",
                                "0",
                                "1",
                                "..",
                                "/",
                                QByteArray(1, '\0'),
                                "\x81",
                                "\x40",
                                "\x82",
                                "\xA0",
                                "\xFF",
                                "\x80",
                                "\xFD",
                                "\x82\xA0"};
    // The markers as written, so that a mutation can move or repeat them.
    const Result<QByteArray> start = encodeShiftJis(QString::fromUtf8(kScheduleStartMarker));
    const Result<QByteArray> end = encodeShiftJis(QString::fromUtf8(kScheduleEndMarker));
    if (start && end)
        pieces << *start << *end;
    return pieces;
}

// One to four byte-level mutations: insert a piece, remove or overwrite bytes, cut the file,
// repeat a run of bytes, or swap two lines.
QByteArray mutate(QByteArray bytes, const QList<QByteArray> &pieces, std::mt19937 &rng) {
    for (int n = 1 + int(rng() % 4); n > 0; --n) {
        const qsizetype at = qsizetype(rng() % quint32(bytes.size() + 1));
        switch (rng() % 6) {
        case 0:
            bytes.insert(at, pieces[qsizetype(rng() % quint32(pieces.size()))]);
            break;
        case 1:
            bytes.remove(at, 1 + qsizetype(rng() % 8));
            break;
        case 2:
            if (at < bytes.size())
                bytes[at] = pieces[qsizetype(rng() % quint32(pieces.size()))].front();
            break;
        case 3:
            bytes.truncate(at);
            break;
        case 4:
            bytes.insert(at, bytes.mid(at, 1 + qsizetype(rng() % 60)));
            break;
        default: {
            QList<QByteArray> lines = bytes.split('\n');
            if (lines.size() > 1)
                lines.swapItemsAt(qsizetype(rng() % quint32(lines.size())),
                                  qsizetype(rng() % quint32(lines.size())));
            bytes = lines.join('\n');
        }
        }
    }
    return bytes;
}

class ScheduleFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // Settings files of three kinds in a folder with a Japanese name.
        m_folder = m_dir.filePath(QStringLiteral("設定")) + u'/';
        ASSERT_TRUE(QDir().mkpath(m_folder));
        EntryFile sql;
        sql.sql = {QStringLiteral("DELETE FROM products")};
        EntryFile report;
        report.procFlag = QStringLiteral("1");
        report.sql = {QStringLiteral("SELECT seq, name FROM products")};
        EntryFile csv = report;
        csv.procFlag = QStringLiteral("2");
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("sql.kvr"), sql));
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("売上.kvr"), report));
        ASSERT_TRUE(writeEntryFile(m_folder + QStringLiteral("export.kvr"), csv));
        const auto entry = [this](const char *file, const QString &target) {
            ScheduleEntry e;
            e.fileName = QString::fromUtf8(file);
            e.folder = m_folder;
            e.targetPath = target;
            return e;
        };
        Schedule s;
        s.entries = {entry("sql.kvr", QString()),
                     entry("売上.kvr", m_dir.filePath(QStringLiteral("売上.xlsx"))),
                     entry("売上.kvr", m_dir.filePath(QStringLiteral("売上.xlsx"))),
                     entry("export.kvr", m_dir.filePath(QStringLiteral("out.csv")))};
        s.errorStop = true;
        const QString base = m_dir.filePath(QStringLiteral("base.kvs"));
        ASSERT_TRUE(writeScheduleFile(base, s));
        m_base = fileBytes(base);
        ASSERT_FALSE(m_base.isEmpty());
    }

    AliasList aliases() const {
        return AliasList(
            {sqliteAlias(QStringLiteral("DEMO"), m_dir.filePath(QStringLiteral("x.db")))});
    }

    QTemporaryDir m_dir{scratchFolderTemplate()};
    QString m_folder;
    QByteArray m_base;
};

// What a loaded schedule must be: rows with a file name, no connection, no results, Unchecked.
void expectLoadedShape(const Schedule &s, const std::string &round) {
    for (const ScheduleEntry &e : s.entries) {
        EXPECT_FALSE(e.isEmpty()) << round;
        EXPECT_EQ(e.mark, EntryMark::Unchecked) << round;
        EXPECT_TRUE(e.alias.isEmpty() && e.userName.isEmpty() && e.password.isEmpty()) << round;
        EXPECT_TRUE(e.status.isEmpty() && e.startTime.isEmpty() && e.dataCount.isEmpty()) << round;
    }
}

// Saved again, the schedule reads back the same.
void expectSavesAndReadsBack(const Schedule &s, const QString &path, const std::string &round) {
    const Result<bool> saved = writeScheduleFile(path, s);
    ASSERT_TRUE(saved) << round << ": " << saved.error().message.toStdString();
    ASSERT_EQ(*saved, !s.entries.empty()) << round;
    if (!*saved)
        return;
    const Result<Schedule> back = readScheduleFile(path);
    ASSERT_TRUE(back) << round << ": " << back.error().message.toStdString();
    EXPECT_EQ(back->errorStop, s.errorStop) << round;
    ASSERT_EQ(back->entries.size(), s.entries.size()) << round;
    for (size_t i = 0; i < s.entries.size(); ++i) {
        EXPECT_EQ(back->entries[i].fileName, s.entries[i].fileName) << round;
        EXPECT_EQ(back->entries[i].folder, s.entries[i].folder) << round;
        EXPECT_EQ(back->entries[i].targetPath, s.entries[i].targetPath) << round;
    }
}

// The checks a run makes before connecting, then arming and disarming on a clock that never
// moves: each check ends in its settings or a failure with a text and a step code. Returns
// the number of entries whose settings file passed.
int expectChecksAndArming(Schedule s, const AliasList &aliases, const std::string &round) {
    int passed = 0;
    EntryCheckOptions options;
    options.requireConfirmedConnection = false;
    std::optional<QString> targetAbove;
    PasswordChainRecord chain;
    for (const ScheduleEntry &e : s.entries) {
        const Result<CheckedEntry> checked = checkEntry(e, aliases, options);
        if (!checked) {
            EXPECT_FALSE(checked.error().message.isEmpty()) << round;
            EXPECT_FALSE(checked.error().stepCode.isEmpty()) << round;
            EXPECT_NE(failedStage(checked.error()), EntryCheckStage::Connection) << round;
            targetAbove.reset();
            continue;
        }
        ++passed;
        EXPECT_FALSE(checked->lines.isEmpty()) << round;
        if (Status st = checkOutputPasswords(*checked, e, targetAbove, chain); !st) {
            EXPECT_FALSE(st.error().message.isEmpty()) << round;
        }
        if (const std::optional<EntryKind> kind = checked->kind()) {
            if (Status st = checkEntryTarget(*kind, e); !st) {
                EXPECT_FALSE(st.error().message.isEmpty()) << round;
                EXPECT_FALSE(st.error().stepCode.isEmpty()) << round;
            }
        }
        targetAbove = e.targetPath;
    }

    const size_t rows = s.entries.size();
    SchedulerConnection connection(aliases);
    ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0, 0)));
    ScheduleRunner runner(s, connection, clock);
    const ScheduleState armed = runner.toggleArmed({2026, 12, 10, 10, 0});
    EXPECT_EQ(armed, rows ? ScheduleState::Armed : ScheduleState::Idle) << round;
    EXPECT_EQ(s.entries.size(), rows) << round; // nothing a loaded schedule holds is dropped
    if (armed == ScheduleState::Armed) {
        EXPECT_EQ(runner.toggleArmed({2026, 12, 10, 10, 0}), ScheduleState::Idle) << round;
    }
    EXPECT_EQ(clock.runningTimers(), 0) << round;
    return passed;
}

TEST_F(ScheduleFuzz, MutatedFilesLoadSoundlyOrNameTheFile) {
    const QList<QByteArray> pieces = interestingPieces();
    const QString path = m_dir.filePath(QStringLiteral("fuzz.kvs"));
    const QString again = m_dir.filePath(QStringLiteral("again.kvs"));
    const AliasList list = aliases();
    std::mt19937 rng(20261210u);
    QElapsedTimer total;
    total.start();
    int loaded = 0, refused = 0, checked = 0, passed = 0;
    for (int round = 0; round < 8000 && !HasFailure(); ++round) {
        const QByteArray bytes = mutate(m_base, pieces, rng);
        const std::string name =
            "round " + std::to_string(round) + " " + bytes.toHex().toStdString();
        ASSERT_TRUE(writeBytes(path, bytes));
        QElapsedTimer one;
        one.start();
        const Result<Schedule> s = readScheduleFile(path);
        EXPECT_LT(one.elapsed(), 2000) << name;
        if (!s) {
            ++refused;
            EXPECT_TRUE(s.error().message.contains(QFileInfo(path).fileName()))
                << name << ": " << s.error().message.toStdString();
            continue;
        }
        ++loaded;
        expectLoadedShape(*s, name);
        // Whatever loaded can be encoded for saving; every tenth loaded schedule is saved
        // and read back (each save is synced to the disk), checked and armed.
        const Result<QByteArray> encoded = encodeShiftJis(scheduleFileLines(*s).join(u'\n'));
        EXPECT_TRUE(encoded) << name << ": " << encoded.error().message.toStdString();
        if (loaded % 10 == 0) {
            ++checked;
            expectSavesAndReadsBack(*s, again, name);
            passed += expectChecksAndArming(*s, list, name);
        }
    }
    EXPECT_GT(loaded, 1000);
    EXPECT_GT(refused, 1000);
    EXPECT_GT(checked, 100);
    EXPECT_GT(passed, 100); // the checks reach past the files' folders
    EXPECT_LT(total.elapsed(), 60000);
}

} // namespace

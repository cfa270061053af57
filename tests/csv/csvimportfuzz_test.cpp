// Mutated CSV files: every import must end quickly, and a failed one must name its line and keep
// no record from that line on.
#include "csv/csvimport.h"

#include "core/stepcode.h"
#include "db/aliases.h"
#include "db/dbsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace kelvoran;

namespace {

// A file of the shapes an import meets: quoted fields with separators, doubled quotes and line
// breaks, Japanese text, blanks and empty fields.
const QByteArray kBase = "1,abc,x\r\n"
                         "2,\"a,b\",\"say \"\"hi\"\"\"\r\n"
                         "3,\"two\r\nlines\",\r\n"
                         "4,\x93\xfa\x96\x7b,  inner  blank \r\n"
                         "\r\n"
                         "5,,\"\"\r\n";

// Bytes that matter to the reader: separators, quotes, line ends, NUL, Shift_JIS lead and trail
// bytes, bytes no Shift_JIS character uses.
const char kBytes[] = {',',    '"',    '\r',   '\n',   '\0', '\x81',
                       '\x40', '\x82', '\xA0', '\xFF', 'a',  ' '};

QByteArray mutate(QByteArray bytes, std::mt19937 &rng) {
    std::uniform_int_distribution<int> times(1, 4);
    std::uniform_int_distribution<int> what(0, 4);
    std::uniform_int_distribution<int> byte(0, int(sizeof kBytes) - 1);
    for (int n = times(rng); n > 0; --n) {
        std::uniform_int_distribution<qsizetype> at(0, bytes.size());
        const qsizetype i = at(rng);
        switch (what(rng)) {
        case 0:
            bytes.insert(i, kBytes[byte(rng)]);
            break;
        case 1:
            if (i < bytes.size())
                bytes.remove(i, 1);
            break;
        case 2:
            if (i < bytes.size())
                bytes[i] = kBytes[byte(rng)];
            break;
        case 3:
            bytes.truncate(i);
            break;
        default: {
            std::uniform_int_distribution<qsizetype> len(0, 12);
            bytes.insert(i, bytes.mid(i, len(rng)));
        }
        }
    }
    return bytes;
}

TEST(CsvImportFuzz, MutatedFilesEndWithRowsOrANamedLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("fuzz.sqlite"));
    QFile touch(file);
    ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    touch.close();
    AliasInfo alias;
    alias.name = QStringLiteral("LITE");
    alias.driver = QStringLiteral("QSQLITE");
    alias.driverName = QStringLiteral("SQLITE");
    alias.database = file;
    const QString connection = QStringLiteral("csv-fuzz");
    {
        const DbResult<QSqlDatabase> db = openAliasConnection(alias, connection, {}, {});
        ASSERT_TRUE(db) << db.error().message().toStdString();
        QSqlQuery(*db).exec(QStringLiteral("CREATE TABLE t (id INTEGER, name TEXT, note TEXT)"));
        const QString path = dir.filePath(QStringLiteral("in.csv"));
        const QRegularExpression lineOf(QStringLiteral("(\\d+)行目"));
        std::mt19937 rng(20261210);
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < 1500; ++round) {
            const QByteArray bytes = mutate(kBase, rng);
            SCOPED_TRACE(round);
            QSqlQuery(*db).exec(QStringLiteral("DELETE FROM t"));
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            CsvOptions options;
            options.separator = QStringLiteral(",");
            options.blankRule = 0;
            StepCode step(u'C');
            const Result<CsvImportResult> r =
                importCsv(*db, options, QStringLiteral("t"), path, step);
            QSqlQuery q(*db);
            ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM t")) && q.next());
            const qint64 stored = q.value(0).toLongLong();
            if (r) {
                EXPECT_EQ(stored, r->recordsInserted) << bytes.toHex().toStdString();
                EXPECT_LE(r->recordsInserted, r->linesProcessed);
                continue;
            }
            const QString message = r.error().message;
            const QRegularExpressionMatch line = lineOf.match(message);
            if (line.hasMatch()) {
                // Only records that begin before the named line can have been stored.
                EXPECT_LT(stored, line.captured(1).toLongLong())
                    << message.toStdString() << " " << bytes.toHex().toStdString();
            } else {
                EXPECT_EQ(stored, 0) << message.toStdString();
                EXPECT_TRUE(message.contains(path)) << message.toStdString();
            }
        }
        EXPECT_LT(clock.elapsed(), 60000);
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

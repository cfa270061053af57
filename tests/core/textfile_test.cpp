#include "core/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

QByteArray readBytes(const QString &path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(ShiftJisFile, JapaneseTextRoundTripsWithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.kvr"));
    const QStringList lines{QStringLiteral("SELECT 地域 AS \"売上①\" FROM 表"), QString(),
                            QStringLiteral("-- ～－ ﾃﾞｰﾀ 髙"), QStringLiteral("ascii only")};
    ASSERT_TRUE(writeTextLines(path, lines));
    const QByteArray bytes = readBytes(path);
    // CP932 bytes: 地 = 0x926E, ① = 0x8740, ～ = 0x8160 (not U+301C's 0x8160 twin), half-width ﾃ =
    // 0xC3.
    EXPECT_TRUE(bytes.contains(QByteArray("\x92\x6E", 2)));
    EXPECT_TRUE(bytes.contains(QByteArray("\x87\x40", 2)));
    EXPECT_TRUE(bytes.contains(QByteArray("\x81\x60", 2)));
    EXPECT_TRUE(bytes.contains(QByteArray("\xC3", 1)));
    EXPECT_TRUE(bytes.endsWith("ascii only\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 4);
    Result<QStringList> back = readTextLines(path);
    ASSERT_TRUE(back) << back.error().message.toStdString();
    EXPECT_EQ(*back, lines);
}

TEST(ShiftJisFile, CharacterOutsideShiftJisFailsNamingFileAndLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    ASSERT_TRUE(writeTextLines(path, {QStringLiteral("old content")}));
    const QStringList lines{QStringLiteral("一行目"), QStringLiteral("二行目 😀 です")};
    Status st = writeTextLines(path, lines);
    ASSERT_FALSE(st);
    const QString msg = st.error().message;
    EXPECT_TRUE(msg.contains(QStringLiteral("out.csv"))) << msg.toStdString();
    EXPECT_TRUE(msg.contains(QStringLiteral("2行目"))) << msg.toStdString();
    EXPECT_TRUE(msg.contains(QStringLiteral("U+1F600"))) << msg.toStdString();
    // The failed write left the previous file untouched and no temporary files behind.
    EXPECT_EQ(readBytes(path), QByteArray("old content\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(ShiftJisFile, InvalidBytesFailNamingTheLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.kvs"));
    // Line 3 holds a lead byte followed by a byte that cannot trail it.
    writeBytes(path, QByteArray("ok\r\n\x93\xfa\x96\x7b\r\nx\x81\x20y\r\n"));
    Result<QStringList> r = readTextLines(path);
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.error().message.contains(QStringLiteral("bad.kvs")));
    EXPECT_TRUE(r.error().message.contains(QStringLiteral("3行目")))
        << r.error().message.toStdString();
}

struct LineEndCase {
    const char *name;
    QByteArray bytes;
    QStringList lines;
    QStringList ends; // the line end after each line, as the streaming reader tells it
};

void PrintTo(const LineEndCase &c, std::ostream *os) {
    *os << c.name;
}

class ShiftJisLineEnds : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(ShiftJisLineEnds, WholeAndStreamingReadersAgree) {
    const LineEndCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeBytes(path, c.bytes);
    Result<QStringList> whole = readTextLines(path);
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, c.lines);

    TextFileReader reader(path);
    ASSERT_TRUE(reader.open());
    QStringList streamed, ends;
    QString line;
    while (reader.readLine(line)) {
        streamed << line;
        ends << reader.lastLineEnd();
    }
    EXPECT_FALSE(reader.error().has_value());
    EXPECT_EQ(streamed, c.lines);
    EXPECT_EQ(ends, c.ends);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShiftJisLineEnds,
    ::testing::Values(
        LineEndCase{"CrLf", QByteArray("a\r\nb\r\n"), {"a", "b"}, {"\r\n", "\r\n"}},
        LineEndCase{"Lf", QByteArray("a\nb\n"), {"a", "b"}, {"\n", "\n"}},
        LineEndCase{"Cr", QByteArray("a\rb\r"), {"a", "b"}, {"\r", "\r"}},
        LineEndCase{
            "Mixed", QByteArray("a\r\nb\nc\rd"), {"a", "b", "c", "d"}, {"\r\n", "\n", "\r", ""}},
        LineEndCase{"BlankLinesKept",
                    QByteArray("a\r\n\r\n\r\nb"),
                    {"a", "", "", "b"},
                    {"\r\n", "\r\n", "\r\n", ""}},
        LineEndCase{"Empty", QByteArray(), {}, {}},
        LineEndCase{
            "Japanese", QByteArray("\x93\xfa\x96\x7b\r\n\x8c\xea"), {"日本", "語"}, {"\r\n", ""}}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(ShiftJisFile, StreamingReaderHandlesLinesAcrossBufferBoundaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    TextFileWriter writer(path);
    ASSERT_TRUE(writer.open());
    const int count = 200000; // more than one read buffer
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(writer.writeLine(QStringLiteral("%1,名前%1,\"x\"").arg(i)));
    ASSERT_TRUE(writer.commit());
    TextFileReader reader(path);
    ASSERT_TRUE(reader.open());
    QString line;
    int n = 0;
    while (reader.readLine(line)) {
        ASSERT_EQ(line, QStringLiteral("%1,名前%1,\"x\"").arg(n));
        ++n;
    }
    EXPECT_EQ(n, count);
}

// Line ends and double-byte characters that fall on the edge of the reader's 1 MiB buffer: the
// first read ends with a CR or a lead byte whose partner comes with the next read.
TEST(ShiftJisFile, StreamingReaderJoinsWhatTheBufferEdgeSplits) {
    constexpr qsizetype kBuffer = 1 << 20;
    struct Case {
        const char *name;
        QByteArray atEdge; // bytes from kBuffer - 1 on
        QString lastLine;  // the line that ends just before the edge bytes
        const char *lastEnd;
        QStringList after; // the lines from the edge on
        QStringList endsAfter;
    };
    const std::vector<Case> cases{
        {"CR LF split", QByteArray("\r\nnext\r\n"), QString(), "\r\n", {"next"}, {"\r\n"}},
        {"lone CR before text", QByteArray("\rnext"), QString(), "\r", {"next"}, {""}},
        {"lone CR at the end of the file", QByteArray("\r"), QString(), "\r", {}, {}},
        {"double-byte character split",
         QByteArray("\x93\xfa\r\n"),
         QStringLiteral("日"),
         "\r\n",
         {},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("edge.csv"));
        // Full lines of 100 bytes, then one line that fills the buffer up to the edge bytes.
        QByteArray bytes;
        const QByteArray line = QByteArray(98, 'x') + "\r\n";
        while (bytes.size() + line.size() < kBuffer - 1)
            bytes += line;
        const qsizetype fullLines = bytes.size() / line.size();
        const QByteArray filler(kBuffer - 1 - bytes.size(), 'y');
        bytes += filler + c.atEdge;
        ASSERT_EQ(bytes.mid(kBuffer - 1, 2), c.atEdge.left(2));
        writeBytes(path, bytes);

        TextFileReader reader(path);
        ASSERT_TRUE(reader.open());
        QStringList lines, ends;
        QString text;
        while (reader.readLine(text)) {
            lines << text;
            ends << reader.lastLineEnd();
        }
        ASSERT_FALSE(reader.error().has_value()) << reader.error()->message.toStdString();
        ASSERT_EQ(lines.size(), fullLines + 1 + c.after.size());
        EXPECT_EQ(lines.at(fullLines), QString::fromLatin1(filler) + c.lastLine);
        EXPECT_EQ(ends.at(fullLines), QString::fromLatin1(c.lastEnd));
        EXPECT_EQ(lines.mid(fullLines + 1), c.after);
        EXPECT_EQ(ends.mid(fullLines + 1), c.endsAfter);
        // The whole-file reader agrees.
        Result<QStringList> whole = readTextLines(path);
        ASSERT_TRUE(whole);
        EXPECT_EQ(*whole, lines);
    }
}

// The line named for a byte that is not Shift_JIS counts every kind of line end once.
TEST(ShiftJisFile, InvalidByteNamesItsLineWhateverTheLineEnds) {
    struct Case {
        const char *name;
        QByteArray bytes;
        int line;
    };
    const std::vector<Case> cases{
        {"CR", QByteArray("ok\rx\x81\x20y\r"), 2},
        {"LF", QByteArray("ok\nx\x81\x20y\n"), 2},
        {"CR LF", QByteArray("ok\r\nx\x81\x20y\r\n"), 2},
        {"blank CR lines", QByteArray("ok\r\r\rx\x81\x20y\r"), 4},
        {"blank CR LF lines", QByteArray("ok\r\n\r\n\x93\xfa\r\nx\x81\x20y"), 4},
        {"mixed", QByteArray("a\rb\nc\r\nd\n\re\x81\x20"), 6},
        {"first line", QByteArray("\x81\x20\rok\r"), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.kvs"));
        writeBytes(path, c.bytes);
        const QString where = QStringLiteral("bad.kvs の %1行目").arg(c.line);
        Result<QStringList> whole = readTextLines(path);
        ASSERT_FALSE(whole);
        EXPECT_TRUE(whole.error().message.contains(where)) << whole.error().message.toStdString();

        TextFileReader reader(path);
        ASSERT_TRUE(reader.open());
        QString text;
        int read = 0;
        while (reader.readLine(text))
            ++read;
        ASSERT_TRUE(reader.error().has_value());
        EXPECT_TRUE(reader.error()->message.contains(where))
            << reader.error()->message.toStdString();
        EXPECT_EQ(read, c.line - 1);
    }
}

TEST(ShiftJisFile, WriterWithoutCommitLeavesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("never.csv"));
    {
        TextFileWriter writer(path);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.writeLine(QStringLiteral("x")));
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(ShiftJisFile, LineBreakInsideALineIsRefused) {
    QTemporaryDir dir;
    Status st = writeTextLines(dir.filePath(QStringLiteral("x.log")), {QStringLiteral("a\r\nb")});
    EXPECT_FALSE(st);
}

// A writer that allows them keeps the line breaks inside a line as they are (quoted CSV values).
TEST(ShiftJisFile, LineBreaksInsideALineWhenAllowed) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.csv"));
    TextFileWriter writer(path);
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(
        writer.writeLine(QStringLiteral("\"改\n行\r\n\",x"), TextFileWriter::InnerBreaks::Allowed));
    ASSERT_FALSE(writer.writeLine(QStringLiteral("a\nb")));
    ASSERT_TRUE(writer.commit());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\"\x89\xfc\n\x8d\x73\r\n\",x\r\n"));
}

TEST(ShiftJisFile, MissingFileIsAnError) {
    Result<QStringList> r = readTextLines(QStringLiteral("/nonexistent/dir/file.kvr"));
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.error().message.contains(QStringLiteral("file.kvr")));
}

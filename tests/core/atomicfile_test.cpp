#include "core/atomicfile.h"
#include "core/textfile.h"

#include "tests/support/filesizelimit.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace kelvoran;
using kelvoran::test::fileBytes;
using kelvoran::test::filesIn;
using kelvoran::test::ScopedFileSizeLimit;

namespace {

const QByteArray kOldContent("old content\r\n");

QString writeOldFile(const QTemporaryDir &dir) {
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(kOldContent);
    return path;
}

// Whole-list writes flush at commit; streamed writes flush every megabyte on the way.
Status writeWhole(const QString &path, int lineCount) {
    return writeTextLines(path, QStringList(lineCount, QStringLiteral("売上,1234567890")));
}
Status writeStreamed(const QString &path, int lineCount) {
    TextFileWriter writer(path);
    if (Status st = writer.open(); !st)
        return st;
    for (int i = 0; i < lineCount; ++i)
        if (Status st = writer.writeLine(QStringLiteral("売上,1234567890")); !st)
            return st;
    return writer.commit();
}

struct FailedWriteCase {
    const char *name;
    Status (*write)(const QString &, int);
    int lineCount;
};

class FailedTextWrite : public ::testing::TestWithParam<FailedWriteCase> {};

TEST_P(FailedTextWrite, KeepsThePreviousFileAndNamesTheCause) {
    QTemporaryDir dir;
    const QString path = writeOldFile(dir);
    Status written;
    {
        ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        written = GetParam().write(path, GetParam().lineCount);
    }
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(path)) << written.error().message.toStdString();
    EXPECT_TRUE(
        written.error().message.contains(QStringLiteral("ファイルの大きさが上限を超えました")))
        << written.error().message.toStdString();
    EXPECT_EQ(fileBytes(path), kOldContent);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("out.csv")});
}

INSTANTIATE_TEST_SUITE_P(
    AtomicSave, FailedTextWrite,
    ::testing::Values(FailedWriteCase{"WholeListFailingAtCommit", writeWhole, 4000},
                      FailedWriteCase{"StreamedFailingMidway", writeStreamed, 100000}),
    [](const ::testing::TestParamInfo<FailedWriteCase> &param) { return param.param.name; });

TEST(AtomicSave, ReadOnlyFolderKeepsThePreviousFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    QTemporaryDir dir;
    const QString path = writeOldFile(dir);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    const Status written = writeWhole(path, 10);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(QStringLiteral("書き込む権限がありません")))
        << written.error().message.toStdString();
    EXPECT_EQ(fileBytes(path), kOldContent);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("out.csv")});
}

TEST(AtomicSave, ReplacingKeepsTheModeAndTheLink) {
    QTemporaryDir dir;
    const QString path = writeOldFile(dir);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QString link = dir.filePath(QStringLiteral("link.csv"));
    ASSERT_TRUE(QFile::link(path, link));

    ASSERT_TRUE(writeWhole(link, 1));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(fileBytes(path), QByteArray("\x94\x84\x8f\xe3,1234567890\r\n"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(filesIn(dir.path()),
              (QStringList{QStringLiteral("link.csv"), QStringLiteral("out.csv")}));
}

TEST(AtomicSave, DiscardedWriterLeavesTheTargetAlone) {
    QTemporaryDir dir;
    const QString path = writeOldFile(dir);
    {
        AtomicFileWriter writer(path);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write("new", 3));
        EXPECT_EQ(filesIn(dir.path()).size(), 2); // the temporary file sits beside the target
    }
    EXPECT_EQ(fileBytes(path), kOldContent);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("out.csv")});
}

TEST(AtomicSave, MissingFolderIsNamedAsSuch) {
    QTemporaryDir dir;
    const Status written = writeWhole(dir.filePath(QStringLiteral("no/such/out.csv")), 1);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(QStringLiteral("フォルダーがありません")))
        << written.error().message.toStdString();
}

} // namespace

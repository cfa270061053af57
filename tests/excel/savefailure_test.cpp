// Saves that fail for real (a file-size limit, a full device) keep the previous workbook and say
// why in the program's words.
#include "excel/excelsession.h"
#include "tests/support/filesizelimit.h"

#include "core/atomicfile.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

using namespace kelvoran;
using kelvoran::test::fileBytes;
using kelvoran::test::filesIn;
using kelvoran::test::ScopedFileSizeLimit;

namespace {

const QByteArray kOldWorkbook("the previous report");

struct SaveCase {
    const char *name;
    const char *openPassword; // empty: the package is streamed; set: built in memory and encrypted
};

class FailedWorkbookSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(FailedWorkbookSave, KeepsThePreviousFileByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.xlsx"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(kOldWorkbook);
    }
    ExcelSession xl;
    const int book = xl.addWorkbook();
    for (int row = 1; row <= 2000; ++row)
        xl.sheet(book, 1)
            .range(QStringLiteral("A%1").arg(row))
            .value()
            .setValue(QStringLiteral("売上の行 %1").arg(row));
    Result<QString> saved = QString();
    {
        ScopedFileSizeLimit limit(2048);
        ASSERT_TRUE(limit.active());
        saved = xl.saveAs(book, path, QString::fromUtf8(GetParam().openPassword));
    }
    ASSERT_FALSE(saved.isOk());
    const QString message = saved.error().message;
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("ファイルの大きさが上限を超えました")))
        << message.toStdString();
    EXPECT_EQ(fileBytes(path), kOldWorkbook);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("report.xlsx")});

    // Without the limit the same save replaces the old file.
    saved = xl.saveAs(book, path, QString::fromUtf8(GetParam().openPassword));
    ASSERT_TRUE(saved.isOk()) << saved.error().message.toStdString();
    EXPECT_NE(fileBytes(path), kOldWorkbook);
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("report.xlsx")});
}

INSTANTIATE_TEST_SUITE_P(SaveFailure, FailedWorkbookSave,
                         ::testing::Values(SaveCase{"Streamed", ""}, SaveCase{"Encrypted", "pw"}),
                         [](const ::testing::TestParamInfo<SaveCase> &param) {
                             return param.param.name;
                         });

// The package is written by a worker thread, whose errno the caller never sees: the sink keeps
// the cause so a full disk is reported as such.
TEST(SaveFailure, FullDeviceIsReportedAsAFullDisk) {
    std::FILE *full = std::fopen("/dev/full", "wb");
    if (!full)
        GTEST_SKIP() << "no /dev/full";
    xlsx::Workbook book;
    book.insertSheet(0);
    xlsx::FileSink sink(full);
    std::string error;
    const bool written = xlsx::PackageWriter::write(book, sink, error) && std::fflush(full) == 0;
    std::fclose(full);
    ASSERT_FALSE(written);
    EXPECT_EQ(sink.systemError(), ENOSPC) << error;
    EXPECT_TRUE(fileWriteFailureReason(sink.systemError())
                    .contains(QStringLiteral("ディスクの空き容量が足りません")));
}

} // namespace

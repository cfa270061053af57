#include "ui/aboutinfo.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kelvoran;

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct DriverCase {
    const char *name;
    QStringList drivers;
    QStringList shown;
};

// Test names show the case, not its bytes.
void PrintTo(const DriverCase &c, std::ostream *out) {
    *out << c.name;
}

class DriverNames : public testing::TestWithParam<DriverCase> {};

TEST_P(DriverNames, OlderSpellingsOfAListedDriverAreLeftOut) {
    EXPECT_EQ(distinctDriverNames(GetParam().drivers), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DriverNames,
    testing::Values(
        DriverCase{"QtSixPlugins",
                   {"QSQLITE", "QMYSQL", "QMYSQL3", "QODBC", "QODBC3", "QPSQL", "QPSQL7"},
                   {"QMYSQL", "QODBC", "QPSQL", "QSQLITE"}},
        // A numbered name whose plain name is missing is a driver of its own.
        DriverCase{"NumberedAlone", {"QPSQL7", "QOCI"}, {"QOCI", "QPSQL7"}},
        DriverCase{"Duplicates", {"QSQLITE", "QSQLITE"}, {"QSQLITE"}}, DriverCase{"None", {}, {}}),
    [](const testing::TestParamInfo<DriverCase> &row) { return std::string(row.param.name); });

TEST(AboutInfo, LinesNameVersionsDriversAndLibraries) {
    AboutInfo info;
    info.programVersion = QStringLiteral("1.2.3");
    info.qtVersion = QStringLiteral("6.4.2");
    info.sqlDrivers = QStringList({"QPSQL", "QSQLITE"});
    info.clientLibraries = {{QStringLiteral("libpq"), QStringLiteral("15.18")},
                            {QStringLiteral("SQLite"), QStringLiteral("3.40.1")}};
    EXPECT_EQ(info.versionLine(), QStringLiteral("バージョン 1.2.3"));
    EXPECT_EQ(info.qtLine(), QStringLiteral("Qt 6.4.2"));
    EXPECT_EQ(info.driversLine(), QStringLiteral("QPSQL, QSQLITE"));
    EXPECT_EQ(info.clientLibrariesLine(), QStringLiteral("libpq 15.18, SQLite 3.40.1"));
    info.sqlDrivers.clear();
    EXPECT_EQ(info.driversLine(), QStringLiteral("（見つかりません）"));
}

TEST(AboutInfo, CollectedFromTheRunningProcess) {
    const AboutInfo info = collectAboutInfo(QStringLiteral("0.9"), QString());
    EXPECT_EQ(info.programVersion, QStringLiteral("0.9"));
    EXPECT_EQ(info.qtVersion, QString::fromLatin1(qVersion()));
    // The SQLite driver is built into every Qt SQL installation the program supports.
    EXPECT_TRUE(info.sqlDrivers.contains(QStringLiteral("QSQLITE")));
    EXPECT_EQ(info.clientLibraries.size(), size_t(3));
    EXPECT_TRUE(info.licenceText.isEmpty());
}

TEST(Licence, FirstLicenceFileOfTheFolderIsShown) {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    EXPECT_TRUE(licenceFileText(dir.path()).isEmpty());
    // A file of another name is not a licence; an empty licence file counts as none.
    writeFile(folder.filePath(QStringLiteral("NOTICE")), "not this");
    writeFile(folder.filePath(QStringLiteral("LICENSE")), "  \n");
    EXPECT_TRUE(licenceFileText(dir.path()).isEmpty());
    writeFile(folder.filePath(QStringLiteral("COPYING")), "Copying terms\n");
    EXPECT_EQ(licenceFileText(dir.path()), QStringLiteral("Copying terms"));
    writeFile(folder.filePath(QStringLiteral("LICENSE.md")), "© 2026 Terms\n");
    EXPECT_EQ(licenceFileText(dir.path()), QStringLiteral("© 2026 Terms"));
    EXPECT_EQ(collectAboutInfo(QStringLiteral("1"), dir.path()).licenceText,
              QStringLiteral("© 2026 Terms"));
    EXPECT_TRUE(licenceFileText(folder.filePath(QStringLiteral("missing"))).isEmpty());
}

} // namespace

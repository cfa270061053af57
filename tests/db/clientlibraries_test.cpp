#include "db/clientlibraries.h"

#include "tests/db/qstringprinter.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QRegularExpression>

using namespace kelvoran;

namespace {

struct LibpqCase {
    int number;
    const char *text;
};

// Test names show the case, not its bytes.
void PrintTo(const LibpqCase &c, std::ostream *out) {
    *out << c.number;
}

class LibpqVersion : public testing::TestWithParam<LibpqCase> {};

TEST_P(LibpqVersion, NumberBecomesTheReleaseName) {
    EXPECT_EQ(libpqVersionText(GetParam().number), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Numbers, LibpqVersion,
                         testing::Values(LibpqCase{150018, "15.18"}, LibpqCase{100000, "10.0"},
                                         LibpqCase{160002, "16.2"}, LibpqCase{90624, "9.6.24"},
                                         LibpqCase{80400, "8.4.0"}, LibpqCase{0, "?"},
                                         LibpqCase{-1, "?"}),
                         [](const testing::TestParamInfo<LibpqCase> &p) {
                             return p.param.number < 0 ? std::string("negative")
                                                       : "n" + std::to_string(p.param.number);
                         });

TEST(ClientLibraries, EachLibraryReportsAVersionNumber) {
    const std::vector<ClientLibraryVersion> libraries = clientLibraryVersions();
    QStringList names;
    const QRegularExpression release(QStringLiteral("^\\d+\\.\\d+"));
    for (const ClientLibraryVersion &library : libraries) {
        names << library.name;
        EXPECT_TRUE(release.match(library.version).hasMatch())
            << library.name.toStdString() << " " << library.version.toStdString();
    }
    EXPECT_EQ(names, QStringList({"libpq", "MariaDB Connector/C", "SQLite"}));
}

} // namespace

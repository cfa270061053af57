// Helpers shared by the test executables: paths, the test servers, independent readers.
#pragma once

#include <QString>
#include <QStringList>

namespace kelvoran::test {

// True in the AddressSanitizer build, where each case runs about ten times slower and peak
// memory figures mean nothing.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif

// The source tree's root and the build tree's root.
QString sourceDir();
QString binaryDir();
// A file under tests/ of the source tree, e.g. testPath("data/core/sjis.txt").
QString testPath(const QString &relative);
// The path of the shared corpus of Excel-made workbooks, or empty when it is not beside the tree.
QString corpusDir();

// The SQLite fixtures built from their scripts at build time: the Oracle data-dictionary fixture
// (tests/fixtures/oracle_dictionary.sql) and the demo database (examples/demo.sql).
QString oracleFixturePath();
QString demoDatabasePath();

// True when ./test.sh started the loopback database servers (KELVORAN_TEST_SERVERS=1).
// Tests that need a server call GTEST_SKIP() without them, so a bare ctest still runs the rest;
// under ./test.sh they always run.
bool serversStarted();
// The alias file that ./test.sh writes for the test servers and fixtures (KELVORAN_ALIASES).
QString testAliasFile();

// Result of a child process.
struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};
// Runs a program with arguments and waits (at most timeoutMs); output decoded as UTF-8.
ProcessResult runProcess(const QString &program, const QStringList &args,
                         const QByteArray &input = QByteArray(), int timeoutMs = 120000);
// Runs the system's python3 (the one with openpyxl and msoffcrypto-tool) on a script text.
ProcessResult runPython(const QString &script, const QStringList &args = {},
                        int timeoutMs = 120000);

} // namespace kelvoran::test

#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace kelvoran::test {

QString sourceDir() {
    return QStringLiteral(KELVORAN_SOURCE_DIR);
}
QString binaryDir() {
    return QStringLiteral(KELVORAN_BINARY_DIR);
}
QString testPath(const QString &relative) {
    return sourceDir() + QStringLiteral("/tests/") + relative;
}

QString corpusDir() {
    const QString env = qEnvironmentVariable("KELVORAN_CORPUS_DIR");
    if (!env.isEmpty())
        return env;
    const QString beside =
        QDir(sourceDir() + QStringLiteral("/../shared/corpus/excel-made")).absolutePath();
    return QFileInfo::exists(beside) ? beside : QString();
}

QString oracleFixturePath() {
    return binaryDir() + QStringLiteral("/fixtures/oracle_dictionary.sqlite");
}
QString demoDatabasePath() {
    return binaryDir() + QStringLiteral("/fixtures/demo.sqlite");
}

bool serversStarted() {
    return qEnvironmentVariable("KELVORAN_TEST_SERVERS") == u"1";
}

QString testAliasFile() {
    return qEnvironmentVariable("KELVORAN_ALIASES");
}

ProcessResult runProcess(const QString &program, const QStringList &args, const QByteArray &input,
                         int timeoutMs) {
    QProcess p;
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForStarted()) {
        r.err = QStringLiteral("cannot start ") + program;
        return r;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out: ") + program;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ProcessResult runPython(const QString &script, const QStringList &args, int timeoutMs) {
    // The system interpreter: Debian's python3-openpyxl and python3-msoffcrypto-tool live there.
    QStringList all{QStringLiteral("-c"), script};
    all += args;
    return runProcess(QStringLiteral("/usr/bin/python3"), all, QByteArray(), timeoutMs);
}

} // namespace kelvoran::test

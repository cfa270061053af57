#include "tests/cli/batchrun.h"

#include <QProcess>

namespace kelvoran::test {

BatchRun runBatch(const QStringList &args, const QString &aliasFile,
                  const std::map<QString, QString> &env, const QString &workingDirectory,
                  int timeoutMs) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char *k : {"KELVORAN_PASSWORD", "KELVORAN_TEMPLATE_PASSWORD",
                          "KELVORAN_OUTPUT_READ_PASSWORD", "KELVORAN_OUTPUT_WRITE_PASSWORD"})
        e.remove(QString::fromLatin1(k));
    e.insert(QStringLiteral("KELVORAN_ALIASES"), aliasFile);
    for (const auto &[k, v] : env)
        e.insert(k, v);
    p.setProcessEnvironment(e);
    if (!workingDirectory.isEmpty())
        p.setWorkingDirectory(workingDirectory);
    p.start(QStringLiteral(KELVORAN_BATCH), args);
    BatchRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace kelvoran::test

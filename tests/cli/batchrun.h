// Running the kelvoran-batch binary from the command tests.
#pragma once

#include <QString>
#include <QStringList>

#include <map>

namespace kelvoran::test {

// What a run printed and how it ended (exitCode -1: it did not finish or crashed).
struct BatchRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs kelvoran-batch with the alias file aliasFile. The password variables of the calling
// environment are removed so a test sees only the ones it gives in env; env is added on top.
BatchRun runBatch(const QStringList &args, const QString &aliasFile,
                  const std::map<QString, QString> &env = {},
                  const QString &workingDirectory = QString(), int timeoutMs = 120000);

} // namespace kelvoran::test

#include "tests/excel/xlsxtesthelpers.h"

#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

namespace kelvoran::test {

QJsonObject readBack(const QString &script, const QString &path, int timeoutMs) {
    const ProcessResult r = runPython(script, {path}, timeoutMs);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(u'\n');
    const QJsonDocument doc =
        QJsonDocument::fromJson(lines.isEmpty() ? QByteArray() : lines.last().toUtf8());
    EXPECT_TRUE(doc.isObject()) << r.out.toStdString() << r.err.toStdString();
    return doc.object();
}

} // namespace kelvoran::test

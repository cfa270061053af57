// Helpers of the workbook tests: reading a saved file back with openpyxl.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace kelvoran::test {

// Runs a python script that prints one JSON object on its last line; the workbook path is
// sys.argv[1]. Fails the current test and returns an empty object when python fails.
QJsonObject readBack(const QString &script, const QString &path, int timeoutMs = 120000);

} // namespace kelvoran::test

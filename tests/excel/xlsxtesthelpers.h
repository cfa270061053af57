// Helpers of the workbook tests: small packages built by hand, and reading a saved file back
// with openpyxl.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace kelvoran::test {

// Runs a python script that prints one JSON object on its last line; the workbook path is
// sys.argv[1]. Fails the current test and returns an empty object when python fails.
QJsonObject readBack(const QString &script, const QString &path, int timeoutMs = 120000);

// Zips the parts (name -> content) into a package.
std::string packageOf(const std::map<std::string, std::string> &parts);
// The parts of a one-sheet workbook ("S") whose sheetData holds the given rows.
std::map<std::string, std::string> minimalParts(const std::string &sheetData);

} // namespace kelvoran::test

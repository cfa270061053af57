// File-name rules: the extension test and the platform's path separators.
#pragma once

#include <QString>

namespace kelvoran {

// True for a character that separates folders in a path on this platform: "/" everywhere,
// "\" and ":" too on Windows.
bool isPathSeparator(QChar c);

// The extension test: "Y" when the first three characters after the name's last "." equal
// kindWord ("SQL", "TXT", "XLS", "KVR", "KVS", "CSV", "LOG") ignoring case, "N" when they do not,
// "?" when the name has no extension (no ".", or a separator after the last one). Characters
// after the third are not compared, so "a.SqLx" is an SQL name.
QString extensionTest(const QString &kindWord, const QString &path);

// The same as a truth value: extensionTest() == "Y".
bool hasExtension(const QString &kindWord, const QString &path);

// The folder part of a path including its final separator, or empty when there is none.
QString folderPart(const QString &path);

// The name after the last separator.
QString fileNamePart(const QString &path);

} // namespace kelvoran

// The feature overview's text: the HTML kept with the program, filled with this user's places
// (settings file, alias file, log folder) when the window opens, and its links into the README,
// which name a README heading by its anchor ("README.md#where-settings-live").
#pragma once

#include <QString>

namespace kelvoran {

// The places the overview names; an empty one is shown as "（未設定）".
struct ManualPlaces {
    QString settingsFile; // the INI file (or registry key) of AppSettings
    QString aliasFile;    // the alias file
    QString logFolder;    // LogFileDir
    QString installDir;   // INSTALLDIR, where logs go when LogFileDir does not exist
    QString readmeFile;   // the README found on this machine
};

// The overview's HTML with each marker {{SETTINGS_FILE}}, {{ALIAS_FILE}}, {{LOG_FOLDER}},
// {{INSTALL_DIR}} and {{README_FILE}} replaced by its place, HTML-escaped.
QString manualHtml(const QString &templateHtml, const ManualPlaces &places);

// The README file a link names and its anchor: "README.md#csv-files" gives "README.md" and
// "csv-files"; a link without "#" gives an empty anchor.
struct ReadmeLink {
    QString file;
    QString anchor;
};
ReadmeLink splitReadmeLink(const QString &href);

// True for a link into the README ("README.md" or "README.md#...").
bool isReadmeLink(const QString &href);

// The anchor a heading gets: lower case, every character but letters, digits, "-", "_" and
// blanks dropped, each blank a "-" ("Set-up" -> "set-up", "CSV files" -> "csv-files").
QString headingAnchor(const QString &heading);

// The text of the Markdown heading whose anchor is anchor (empty when there is none). Lines
// inside ``` fences and indented code are not headings.
QString markdownHeadingForAnchor(const QString &markdown, const QString &anchor);

} // namespace kelvoran

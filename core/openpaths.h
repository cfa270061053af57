// The main window's file paths: the file about to be opened without a dialog, the last file
// used, and the rules that decide what a path opens into.
#pragma once

#include <QString>
#include <QStringList>

namespace kelvoran {

// What a path opens into.
enum class OpenKind {
    None,         // any other extension, or none: nothing is opened
    SettingsFile, // ".kvr": SQL editor and report designer
    ScheduleFile, // ".kvs": schedule window
    SqlText,      // ".sql" or ".txt": SQL editor only (dialog open only, never handed over)
};

// The kind by the extension test (first three letters after the last dot, any case).
OpenKind openKindOf(const QString &path);

// A handed-over or command-line path opens only a settings or a schedule file.
OpenKind handOffKindOf(const QString &path);

// True when a dialog may pre-select path: it has one of the dialog's extensions (kind words such
// as "SQL", "KVR") and both the file and its folder exist.
bool canPreselect(const QString &path, const QStringList &kindWords);

// The path a starting instance opens (the last argument) and the one a second instance hands
// over (the first argument, made absolute against the working folder, since the instance that
// takes it runs elsewhere); empty without arguments.
QString startupPath(const QStringList &arguments);
QString handOffPath(const QStringList &arguments);

// PendingOpenPath and LastFilePath: process-wide, UI thread only.
struct OpenPaths {
    // The file about to be opened without a file dialog; empty at rest, cleared after each use.
    QString pendingOpenPath;
    // The last file opened or saved through the main window's dialogs (saved as KelvoranDataDir).
    QString lastFilePath;

    // Takes the pending path and clears it.
    QString takePending() {
        QString p = pendingOpenPath;
        pendingOpenPath.clear();
        return p;
    }
};

} // namespace kelvoran

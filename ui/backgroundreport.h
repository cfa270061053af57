// An interactive report run off the UI thread. The report driver runs on a worker thread with
// a connection of its own, while the calling thread keeps handling every event but discards
// user input: windows repaint and nothing the user does starts a second command, neither while
// the report runs nor after it (input is not kept for later). The driver's
// questions and messages come back to the calling thread, which answers them (with dialogs)
// while the worker waits; its progress text reaches the calling thread at a bounded rate.
#pragma once

#include "db/aliases.h"
#include "excel/extractionquery.h"
#include "excel/reportdriver.h"
#include "report/reportdefinition.h"

#include <QObject>
#include <QString>

#include <functional>

namespace kelvoran {

class UserInteraction;

// What the worker needs: the report, its source, the alias with the user name and password
// of the session's connection (the worker opens its own connection with them).
struct BackgroundReportJob {
    ReportDefinition definition;
    ReportSource source;
    AliasInfo alias;
    QString user;
    QString password;
    QString settingsFilePath;     // a relative PATTERNFILE is taken from this file's folder
    const Clock *clock = nullptr; // start, end and creation times; the system clock when null
};

// Receives the driver's status text on the calling thread.
using ProgressTextSink = std::function<void(const QString &statusText)>;

// Says whether user input to receiver goes through while a report runs: true for the windows
// the run itself opens (its questions and the save dialog). Empty: all user input is discarded.
using RunInputGate = std::function<bool(const QObject *receiver)>;

// Runs the job with the stage prefix "P" and returns when the driver is done. ui is called on
// the calling thread only. progress gets the first and last record's text and, in between, at
// most one text per progressIntervalMs. While the worker runs, the calling thread processes
// every event; user input (mouse buttons, wheel, keys, shortcuts, context menus, touch, close
// requests) is discarded unless gate lets it through. A connection that cannot be opened shows its
// error texts through ui and fails the run. Call from a thread with an event loop (the UI thread).
ReportRunResult runReportInBackground(const BackgroundReportJob &job, UserInteraction &ui,
                                      const ProgressTextSink &progress,
                                      const RunInputGate &gate = {}, int progressIntervalMs = 50);

} // namespace kelvoran

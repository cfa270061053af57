// A schedule run off the UI thread: the run loop works on a copy of the schedule on a worker
// thread with a connection of its own, while the window goes on repainting. What the run shows
// (the rows at each repaint point, the status bar's texts, the end) comes back to the thread of
// a context object through queued calls, in the order the run produced it.
#pragma once

#include "db/aliases.h"
#include "schedule/scheduleentry.h"
#include "schedule/schedulerunner.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace kelvoran {

class Clock;
class ExcelReportJob;

// What the worker takes at the start; it touches nothing of the window's afterwards.
struct ScheduleRunSetup {
    Schedule schedule;
    AliasList aliases;
    // Times of the run; now() is called on the worker. Must outlive the run.
    Clock *clock = nullptr;
    QString logDir;
    QString installDir;
    // Replaces the Excel report driver (tests); must outlive the run.
    ExcelReportJob *excelJob = nullptr;
};

// The rows as they stand at one of the run's repaint points, and the entry being run.
struct ScheduleRunSnapshot {
    std::vector<ScheduleEntry> entries;
    int runCursor = 0;
};

struct ScheduleRunListeners {
    std::function<void(const ScheduleRunSnapshot &)> repaint;
    std::function<void(const QString &)> status;
    // The schedule as the run left it and how the run ended; the last call of a run.
    std::function<void(const Schedule &, const RunSummary &)> finished;
};

class BackgroundScheduleRun {
public:
    // Listeners are called on context's thread.
    explicit BackgroundScheduleRun(QObject *context);
    ~BackgroundScheduleRun(); // waits for a run still going
    BackgroundScheduleRun(const BackgroundScheduleRun &) = delete;
    BackgroundScheduleRun &operator=(const BackgroundScheduleRun &) = delete;

    // Starts a run; false (and nothing happens) while one runs.
    bool start(ScheduleRunSetup setup, ScheduleRunListeners listeners);
    // From the start until the finished listener has been called.
    bool isRunning() const { return m_running; }
    // Asks the run to stop after the entry in progress (see ScheduleRunner::requestStop()).
    void requestStop() { m_stop = true; }
    // Waits until the run is over and its listeners have been called (when the program quits).
    void waitForEnd();

    // The progress texts of the run reach the status bar at most once per this interval (the
    // last one of an entry and the run's own texts always do).
    void setProgressIntervalMs(int ms) { m_progressIntervalMs = ms; }

private:
    void post(std::function<void()> call);

    QObject *m_context;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
    bool m_running = false;
    int m_progressIntervalMs = 50;
};

} // namespace kelvoran

#include "ui/backgroundschedulerun.h"

#include "db/dbsession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace kelvoran {

BackgroundScheduleRun::BackgroundScheduleRun(QObject *context) : m_context(context) {}

BackgroundScheduleRun::~BackgroundScheduleRun() {
    if (m_thread)
        m_thread->wait();
}

void BackgroundScheduleRun::post(std::function<void()> call) {
    QMetaObject::invokeMethod(m_context, std::move(call), Qt::QueuedConnection);
}

bool BackgroundScheduleRun::start(ScheduleRunSetup setup, ScheduleRunListeners listeners) {
    if (m_running)
        return false;
    if (m_thread)
        m_thread->wait();
    m_running = true;
    m_stop = false;
    auto shared = std::make_shared<ScheduleRunListeners>(std::move(listeners));

    auto body = [this, setup = std::move(setup), shared]() mutable {
        Schedule schedule = std::move(setup.schedule);
        RunSummary summary;
        {
            SchedulerConnection connection(setup.aliases);
            ScheduleRunner runner(schedule, connection, *setup.clock);
            runner.setLogFolders(setup.logDir, setup.installDir);
            if (setup.excelJob)
                runner.setExcelReportJob(setup.excelJob);
            QElapsedTimer sinceShown;
            runner.setStatusListener([this, shared, &sinceShown](const QString &text) {
                if (sinceShown.isValid() && sinceShown.elapsed() < m_progressIntervalMs)
                    return;
                sinceShown.start();
                post([shared, text] {
                    if (shared->status)
                        shared->status(text);
                });
            });
            runner.setRepaintListener([this, shared, &schedule, &runner, &sinceShown] {
                // A stop asked for from the window is handed on at the entry's end.
                if (m_stop)
                    runner.requestStop();
                sinceShown.invalidate();
                ScheduleRunSnapshot snapshot{schedule.entries, runner.runCursor()};
                post([shared, snapshot] {
                    if (shared->repaint)
                        shared->repaint(snapshot);
                });
            });
            summary = runner.runAll();
            connection.close();
        }
        post([this, shared, schedule, summary] {
            m_running = false;
            if (shared->finished)
                shared->finished(schedule, summary);
        });
    };
    m_thread.reset(QThread::create(std::move(body)));
    m_thread->start();
    return true;
}

void BackgroundScheduleRun::waitForEnd() {
    if (m_thread)
        m_thread->wait();
    // The worker's last calls are queued on the context: deliver them now.
    QCoreApplication::sendPostedEvents(m_context, QEvent::MetaCall);
}

} // namespace kelvoran

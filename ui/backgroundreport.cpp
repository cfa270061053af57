#include "ui/backgroundreport.h"

#include "core/clock.h"
#include "db/dbsession.h"
#include "report/userinteraction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QSqlDatabase>
#include <QThread>

#include <atomic>
#include <memory>

namespace kelvoran {

namespace {

// The worker's side of the user's answers: every call runs on the thread of context, and the
// worker waits for its answer.
class CallingThreadInteraction : public UserInteraction {
public:
    CallingThreadInteraction(QObject &context, UserInteraction &inner)
        : m_context(context), m_inner(inner) {}

    void inform(MessageIcon icon, const QString &text) override {
        call([&] { m_inner.inform(icon, text); });
    }
    bool confirm(const QString &text) override {
        bool answer = false;
        call([&] { answer = m_inner.confirm(text); });
        return answer;
    }
    bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice) override {
        bool chosen = false;
        call([&] { chosen = m_inner.chooseConnection(presetAlias, choice); });
        return chosen;
    }
    QString chooseOpenFile(const QString &title, const QString &filter) override {
        QString path;
        call([&] { path = m_inner.chooseOpenFile(title, filter); });
        return path;
    }
    QString chooseSaveFile(const QString &title, const QString &filter) override {
        QString path;
        call([&] { path = m_inner.chooseSaveFile(title, filter); });
        return path;
    }

private:
    void call(const std::function<void()> &body) {
        QMetaObject::invokeMethod(&m_context, body, Qt::BlockingQueuedConnection);
    }

    QObject &m_context;
    UserInteraction &m_inner;
};

// Discards user input while installed on the application, except what the gate lets through.
// Input is dropped rather than deferred: a click made during a run must not act after it.
class UserInputDiscarder : public QObject {
public:
    explicit UserInputDiscarder(RunInputGate gate) : m_gate(std::move(gate)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~UserInputDiscarder() override { QCoreApplication::instance()->removeEventFilter(this); }
    UserInputDiscarder(const UserInputDiscarder &) = delete;
    UserInputDiscarder &operator=(const UserInputDiscarder &) = delete;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override {
        if (!isUserInput(event->type()) || (m_gate && m_gate(receiver)))
            return false;
        // An ignored close keeps the window open; accepted input is not passed on to parents.
        if (event->type() == QEvent::Close)
            event->ignore();
        else
            event->accept();
        return true;
    }

private:
    static bool isUserInput(QEvent::Type type) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

    RunInputGate m_gate;
};

// Each run's connection gets a name of its own, so that runs never share one.
QString workerConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("ExcelReportWorker#%1").arg(++counter);
}

QString timeText(const Clock *clock) {
    SystemClock systemClock;
    const Clock &c = clock ? *clock : static_cast<const Clock &>(systemClock);
    return c.now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

} // namespace

ReportRunResult runReportInBackground(const BackgroundReportJob &job, UserInteraction &ui,
                                      const ProgressTextSink &progress, const RunInputGate &gate,
                                      int progressIntervalMs) {
    QObject context; // lives on the calling thread: the worker's calls are run there
    CallingThreadInteraction answers(context, ui);
    ReportRunResult result;
    std::atomic<bool> done{false};

    auto body = [&] {
        const QString name = workerConnectionName();
        {
            const DbResult<QSqlDatabase> db =
                openAliasConnection(job.alias, name, job.user, job.password);
            if (!db) {
                result.startTime = timeText(job.clock);
                for (const QString &text : db.error().texts())
                    answers.inform(MessageIcon::Error, text);
                result.outcome = ReportRunResult::Outcome::Failed;
                result.failureDetail = db.error().message();
                result.endTime = timeText(job.clock);
            } else {
                QElapsedTimer sinceShown;
                ReportRunOptions options;
                options.prefix = u'P';
                options.database = *db;
                options.kind = job.alias.kind();
                options.clock = job.clock;
                options.settingsFilePath = job.settingsFilePath;
                options.progress = [&](const QString &text, qint64 record, qint64 total, bool) {
                    if (sinceShown.isValid() && record != total &&
                        sinceShown.elapsed() < progressIntervalMs)
                        return;
                    sinceShown.start();
                    QMetaObject::invokeMethod(
                        &context,
                        [&progress, text] {
                            if (progress)
                                progress(text);
                        },
                        Qt::QueuedConnection);
                };
                result = runExcelReport(job.definition, job.source, options, answers);
            }
        }
        if (QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
        done = true;
        // Wakes the calling thread's wait for events.
        QMetaObject::invokeMethod(
            &context, [] {}, Qt::QueuedConnection);
    };

    std::unique_ptr<QThread> worker(QThread::create(body));
    {
        const UserInputDiscarder discarder(gate);
        worker->start();
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        worker->wait();
        // Input that arrived as the run ended is discarded too, not delivered after it.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    // Progress texts still queued are shown in their order before the result is returned.
    QCoreApplication::sendPostedEvents(&context, QEvent::MetaCall);
    return result;
}

} // namespace kelvoran

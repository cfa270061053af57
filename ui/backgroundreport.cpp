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
                                      const ProgressTextSink &progress, int progressIntervalMs) {
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
    worker->start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    worker->wait();
    // Progress texts still queued are shown in their order before the result is returned.
    QCoreApplication::sendPostedEvents(&context, QEvent::MetaCall);
    return result;
}

} // namespace kelvoran

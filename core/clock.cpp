#include "core/clock.h"

#include <QTimer>

namespace kelvoran {

TimerHandle::~TimerHandle() = default;
Clock::~Clock() = default;

namespace {
class QtTimerHandle : public TimerHandle {
public:
    QtTimerHandle(int intervalMs, std::function<void()> onTick) : m_timer(new QTimer) {
        m_timer->setInterval(intervalMs);
        QObject::connect(m_timer, &QTimer::timeout, std::move(onTick));
        m_timer->start();
    }
    // The handle may be dropped from inside its own tick: stop now, delete later.
    ~QtTimerHandle() override {
        m_timer->stop();
        m_timer->deleteLater();
    }

private:
    QTimer *m_timer;
};
} // namespace

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

std::unique_ptr<TimerHandle> SystemClock::startTimer(int intervalMs, std::function<void()> onTick) {
    return std::make_unique<QtTimerHandle>(intervalMs, std::move(onTick));
}

struct ManualClock::ManualTimer : TimerHandle {
    ManualTimer(ManualClock *clock, int id) : m_clock(clock), m_id(id), m_alive(clock->m_alive) {}
    ~ManualTimer() override {
        if (*m_alive)
            m_clock->m_timers.erase(m_id);
    }
    ManualClock *m_clock;
    int m_id;
    std::shared_ptr<bool> m_alive;
};

ManualClock::ManualClock(QDateTime start)
    : m_now(std::move(start)), m_alive(std::make_shared<bool>(true)) {}

ManualClock::~ManualClock() {
    *m_alive = false;
}

std::unique_ptr<TimerHandle> ManualClock::startTimer(int intervalMs, std::function<void()> onTick) {
    const int id = m_nextId++;
    const qint64 interval = intervalMs > 0 ? intervalMs : 1;
    m_timers[id] = Entry{interval, m_now.addMSecs(interval), std::move(onTick)};
    return std::make_unique<ManualTimer>(this, id);
}

void ManualClock::advance(qint64 ms) {
    const QDateTime target = m_now.addMSecs(ms);
    for (;;) {
        // The earliest due timer at or before the target; ties go to the older timer.
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
            if (it->second.due <= target &&
                (next == m_timers.end() || it->second.due < next->second.due))
                next = it;
        if (next == m_timers.end())
            break;
        m_now = next->second.due;
        next->second.due = m_now.addMSecs(next->second.intervalMs);
        // The callback may stop (erase) this timer or start others: copy it first.
        std::function<void()> tick = next->second.onTick;
        tick();
    }
    m_now = target;
}

} // namespace kelvoran

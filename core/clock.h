// Time seam: the wall clock and repeating timers, replaceable in tests so that time-dependent
// code runs without waiting.
#pragma once

#include <QDateTime>

#include <functional>
#include <map>
#include <memory>

namespace kelvoran {

// A running timer; destroying the handle stops it.
class TimerHandle {
public:
    virtual ~TimerHandle();
};

// Where time-dependent code gets "now" and its timers. UI thread only.
class Clock {
public:
    virtual ~Clock();
    virtual QDateTime now() const = 0;
    // Calls onTick every intervalMs milliseconds until the handle is destroyed.
    virtual std::unique_ptr<TimerHandle> startTimer(int intervalMs,
                                                    std::function<void()> onTick) = 0;
};

// The real clock; its timers need a running Qt event loop.
class SystemClock : public Clock {
public:
    QDateTime now() const override;
    std::unique_ptr<TimerHandle> startTimer(int intervalMs, std::function<void()> onTick) override;
};

// A clock that moves only when told to; advance() fires due timers in time order.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start);
    ~ManualClock() override;

    QDateTime now() const override { return m_now; }
    std::unique_ptr<TimerHandle> startTimer(int intervalMs, std::function<void()> onTick) override;

    // Moves time forward by ms milliseconds, firing every tick that falls due on the way.
    void advance(qint64 ms);
    // Sets the time directly (may move backwards); no timer fires.
    void setNow(const QDateTime &now) { m_now = now; }
    // Number of timers currently running.
    int runningTimers() const { return static_cast<int>(m_timers.size()); }

private:
    struct ManualTimer;
    friend struct ManualTimer;
    struct Entry {
        qint64 intervalMs;
        QDateTime due;
        std::function<void()> onTick;
    };
    QDateTime m_now;
    int m_nextId = 1;
    std::map<int, Entry> m_timers;
    std::shared_ptr<bool> m_alive;
};

} // namespace kelvoran

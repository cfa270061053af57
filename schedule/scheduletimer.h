// The armed schedule's timer: polls the clock and starts the run when the start minute has come.
#pragma once

#include "core/clock.h"

#include <functional>
#include <memory>

namespace kelvoran {

// The start fields of a schedule as integers (year, month, day, hour, minute).
struct ScheduleStart {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// What one tick decides: run now, or poll again after waitMs.
struct TickDecision {
    bool runNow = false;
    int waitMs = 0;
};

// Compares the start with now field by field, seconds ignored. A start at or before now runs;
// a later start waits by the first field that differs: year or month 24 hours, day 1 hour,
// hour 10 minutes, minute 1 second. The wait is not shortened to the time left, so a start in a
// later hour is noticed up to 10 minutes late, a later day up to an hour late.
TickDecision decideTick(const QDateTime &now, const ScheduleStart &start);

// Arms a schedule: the first tick comes 500 ms after arming, later ones after the waits of
// decideTick(). When the start is due the timer stops and onDue runs once. UI thread only.
class ScheduleTimer {
public:
    explicit ScheduleTimer(Clock &clock);
    ~ScheduleTimer();

    void arm(const ScheduleStart &start, std::function<void()> onDue);
    void disarm();
    bool isArmed() const { return m_armed; }
    // The interval the timer polls at now (0 when stopped).
    int intervalMs() const { return m_interval; }

private:
    void restart(int intervalMs);
    void tick();

    Clock &m_clock;
    ScheduleStart m_start;
    std::function<void()> m_onDue;
    std::unique_ptr<TimerHandle> m_timer;
    int m_interval = 0;
    bool m_armed = false;
};

} // namespace kelvoran

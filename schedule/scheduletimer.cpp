#include "schedule/scheduletimer.h"

namespace kelvoran {

namespace {
constexpr int kFirstTickMs = 500;
constexpr int kDayMs = 86'400'000;
constexpr int kHourMs = 3'600'000;
constexpr int kTenMinutesMs = 600'000;
constexpr int kSecondMs = 1'000;
} // namespace

TickDecision decideTick(const QDateTime &now, const ScheduleStart &start) {
    const QDate d = now.date();
    const QTime t = now.time();
    const int nowFields[] = {d.year(), d.month(), d.day(), t.hour(), t.minute()};
    const int startFields[] = {start.year, start.month, start.day, start.hour, start.minute};
    const int waits[] = {kDayMs, kDayMs, kHourMs, kTenMinutesMs, kSecondMs};
    for (int i = 0; i < 5; ++i) {
        if (startFields[i] < nowFields[i])
            return {true, 0};
        if (startFields[i] > nowFields[i])
            return {false, waits[i]};
    }
    return {true, 0};
}

ScheduleTimer::ScheduleTimer(Clock &clock) : m_clock(clock) {}
ScheduleTimer::~ScheduleTimer() = default;

void ScheduleTimer::arm(const ScheduleStart &start, std::function<void()> onDue) {
    m_start = start;
    m_onDue = std::move(onDue);
    m_armed = true;
    restart(kFirstTickMs);
}

void ScheduleTimer::disarm() {
    m_armed = false;
    m_timer.reset();
    m_interval = 0;
}

void ScheduleTimer::restart(int intervalMs) {
    m_interval = intervalMs;
    m_timer = m_clock.startTimer(intervalMs, [this] { tick(); });
}

void ScheduleTimer::tick() {
    if (!m_armed) {
        disarm();
        return;
    }
    const TickDecision decision = decideTick(m_clock.now(), m_start);
    if (!decision.runNow) {
        if (decision.waitMs != m_interval)
            restart(decision.waitMs);
        return;
    }
    // Stopped for the whole run, so a tick can never start a second one.
    disarm();
    std::function<void()> onDue = std::move(m_onDue);
    if (onDue)
        onDue();
}

} // namespace kelvoran

#include "schedule/scheduletimer.h"

#include <gtest/gtest.h>

using namespace kelvoran;

TEST(ScheduleTimerRule, WaitsByTheFirstFieldThatDiffers) {
    const QDateTime now(QDate(2024, 6, 15), QTime(9, 55, 30));
    struct Case {
        ScheduleStart start;
        bool runNow;
        int waitMs;
    };
    const std::vector<Case> cases{
        {{2024, 6, 15, 9, 55}, true, 0},         // same minute, seconds ignored
        {{2024, 6, 15, 9, 54}, true, 0},         // in the past
        {{2023, 12, 31, 23, 59}, true, 0},       // earlier year beats later fields
        {{2025, 1, 1, 0, 0}, false, 86'400'000}, // later year
        {{2024, 7, 1, 0, 0}, false, 86'400'000}, // later month
        {{2024, 6, 16, 0, 0}, false, 3'600'000}, // later day
        {{2024, 6, 15, 10, 0}, false, 600'000},  // later hour
        {{2024, 6, 15, 9, 56}, false, 1'000},    // later minute
        {{2024, 6, 14, 23, 59}, true, 0},        // earlier day
    };
    for (const Case &c : cases) {
        const TickDecision d = decideTick(now, c.start);
        EXPECT_EQ(d.runNow, c.runNow)
            << c.start.month << "/" << c.start.day << " " << c.start.hour << ":" << c.start.minute;
        EXPECT_EQ(d.waitMs, c.waitMs)
            << c.start.month << "/" << c.start.day << " " << c.start.hour << ":" << c.start.minute;
    }
}

TEST(ScheduleTimerRule, StartInALaterHourRunsUpToTenMinutesLate) {
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(9, 55, 0)));
    ScheduleTimer timer(clock);
    QDateTime ranAt;
    int runs = 0;
    timer.arm({2024, 6, 15, 10, 0}, [&] {
        ++runs;
        ranAt = clock.now();
    });
    clock.advance(60LL * 60 * 1000);
    EXPECT_EQ(runs, 1);
    // First tick at 09:55:00.5 sees the hour differ and waits ten minutes.
    EXPECT_EQ(ranAt, QDateTime(QDate(2024, 6, 15), QTime(10, 5, 0, 500)));
    EXPECT_FALSE(timer.isArmed());
    EXPECT_EQ(clock.runningTimers(), 0);
}

TEST(ScheduleTimerRule, SameMinuteRunsAtTheFirstTickAndDisarmStops) {
    ManualClock clock(QDateTime(QDate(2024, 6, 15), QTime(9, 55, 10)));
    ScheduleTimer timer(clock);
    int runs = 0;
    timer.arm({2024, 6, 15, 9, 55}, [&] { ++runs; });
    clock.advance(499);
    EXPECT_EQ(runs, 0);
    clock.advance(1);
    EXPECT_EQ(runs, 1);

    ScheduleTimer later(clock);
    later.arm({2024, 6, 15, 9, 57}, [&] { ++runs; });
    clock.advance(1000);
    EXPECT_EQ(later.intervalMs(), 1000);
    later.disarm();
    clock.advance(10LL * 60 * 1000);
    EXPECT_EQ(runs, 1);
}

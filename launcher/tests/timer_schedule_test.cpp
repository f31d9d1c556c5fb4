// The timers' schedule: ticks keep their slots however late the thread gets to them.
#include "timer_schedule.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;

TEST(TimerSchedule, StoppedUntilSetAndAfterSettingZero) {
    TimerSchedule s;
    EXPECT_FALSE(s.Due(TimerId::Timer1));
    EXPECT_FALSE(s.BeginTick(TimerId::Timer1, 5s));
    s.Set(TimerId::Timer1, 1000, 0s);
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{1s});
    s.Set(TimerId::Timer1, 0, 0s);
    EXPECT_FALSE(s.Due(TimerId::Timer1));
    EXPECT_FALSE(s.BeginTick(TimerId::Timer1, 5s));
}

TEST(TimerSchedule, AnIdThatIsNoneOfTheTimersIsNoTimer) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    // A tick handled first: the schedule is as the window has it once the sequence runs.
    ASSERT_TRUE(s.BeginTick(TimerId::Timer1, 1s));
    s.EndTick();
    s.TakeChanged();
    // A WM_TIMER's id is whatever the program that posted it chose.
    for (const UINT_PTR win32 : {UINT_PTR{0}, UINT_PTR{2}, UINT_PTR{7}, ~UINT_PTR{0}}) {
        const auto id = static_cast<TimerId>(win32);
        EXPECT_EQ(s.Interval(id), 0u) << win32;
        EXPECT_FALSE(s.Due(id)) << win32;
        EXPECT_FALSE(s.BeginTick(id, 1h)) << win32;
        s.Set(id, 1000, 1s);
        EXPECT_FALSE(s.Due(id)) << win32;
    }
    EXPECT_TRUE(s.TakeChanged().empty());
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{2s});
    EXPECT_TRUE(s.BeginTick(TimerId::Timer1, 2s));
    s.EndTick();
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{3s});
}

TEST(TimerSchedule, OnlyTheWindowsOwnTimerIdsAreTimers) {
    for (const TimerId id : kAllTimers) {
        EXPECT_EQ(ToTimerId(static_cast<UINT_PTR>(id)), std::optional<TimerId>(id));
    }
    for (const UINT_PTR win32 : {UINT_PTR{0}, UINT_PTR{2}, UINT_PTR{7}, ~UINT_PTR{0}}) {
        EXPECT_EQ(ToTimerId(win32), std::nullopt) << win32;
    }
}

TEST(TimerSchedule, EarlyTickIsNotHandled) {
    TimerSchedule s;
    s.Set(TimerId::Timer5, 200, 0s);
    EXPECT_FALSE(s.BeginTick(TimerId::Timer5, 150ms));
    EXPECT_EQ(s.DelayMs(TimerId::Timer5, 150ms), 50u);
    // Within a millisecond counts as on time.
    EXPECT_TRUE(s.BeginTick(TimerId::Timer5, 199'500us));
    s.EndTick();
}

TEST(TimerSchedule, LateTickDoesNotPushTheNextOneBack) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    ASSERT_TRUE(s.BeginTick(TimerId::Timer1, 1015ms));
    s.EndTick();
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{2s});
    EXPECT_EQ(s.DelayMs(TimerId::Timer1, 1015ms), 985u);
}

TEST(TimerSchedule, NoDriftOverFiftyLateTicks) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    for (int k = 1; k <= 50; ++k) {
        // Every tick runs up to 16 ms late, as on a system with the default 15.6 ms clock.
        const Micros late{(k * 7919) % 16000};
        ASSERT_TRUE(s.BeginTick(TimerId::Timer1, Micros{k * 1'000'000} + late));
        s.EndTick();
    }
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{51s});
}

TEST(TimerSchedule, TicksMissedWhileBusyAreDroppedNotBunched) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    ASSERT_TRUE(s.BeginTick(TimerId::Timer1, 4300ms));
    s.EndTick();
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{5s});
}

TEST(TimerSchedule, TimerArmedInAnotherTimersTickCountsFromThatTicksSlot) {
    TimerSchedule s;
    s.Set(TimerId::Timer3, 1000, 0s);
    ASSERT_TRUE(s.BeginTick(TimerId::Timer3, 1012ms));
    s.Set(TimerId::Timer3, 0, 1012ms);
    s.Set(TimerId::Timer1, 1000, 1012ms);
    s.EndTick();
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{2s});
    // Outside a tick (a click) the period counts from now.
    s.Set(TimerId::Timer1, 1000, 2500ms);
    EXPECT_EQ(s.Due(TimerId::Timer1), Micros{3500ms});
}

TEST(TimerSchedule, NestedTicksAnchorToTheInnermost) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    s.Set(TimerId::Timer5, 200, 0s);
    ASSERT_TRUE(s.BeginTick(TimerId::Timer1, 1001ms));
    ASSERT_TRUE(s.BeginTick(TimerId::Timer5, 1300ms));  // inside a box opened by the first
    s.Set(TimerId::Timer4, 6000, 1300ms);
    s.EndTick();
    s.Set(TimerId::Timer6, 150, 1400ms);
    s.EndTick();
    EXPECT_EQ(s.Due(TimerId::Timer4), Micros{7200ms});  // from Timer5's slot at 1.2 s
    EXPECT_EQ(s.Due(TimerId::Timer6), Micros{1150ms});  // from Timer1's slot at 1 s
}

TEST(TimerSchedule, ChangedTimersAreReportedOnce) {
    TimerSchedule s;
    s.Set(TimerId::Timer5, 200, 0s);
    s.Set(TimerId::Timer6, 150, 0s);
    EXPECT_EQ(s.TakeChanged(), (std::vector<TimerId>{TimerId::Timer5, TimerId::Timer6}));
    EXPECT_TRUE(s.TakeChanged().empty());
    ASSERT_TRUE(s.BeginTick(TimerId::Timer6, 150ms));
    s.EndTick();
    EXPECT_EQ(s.TakeChanged(), std::vector<TimerId>{TimerId::Timer6});
}

TEST(TimerSchedule, DelayIsRoundedUpAndNeverZero) {
    TimerSchedule s;
    s.Set(TimerId::Timer1, 1000, 0s);
    EXPECT_EQ(s.DelayMs(TimerId::Timer1, 400'500us), 600u);
    EXPECT_EQ(s.DelayMs(TimerId::Timer1, 999'999us), 1u);
    EXPECT_EQ(s.DelayMs(TimerId::Timer1, 3s), 1u);
}

}  // namespace
}  // namespace tarnwick::testing

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

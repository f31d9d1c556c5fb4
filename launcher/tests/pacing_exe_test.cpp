// "Wait until the computer is idle" on the real Tarnwick.exe: a program that keeps every processor
// busy while it loads holds the next start back with the option on, and not with it off.
#include "launcher_exe_harness.h"

#include "sequencer.h"
#include "settings_store.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

class PacingExeTest : public LauncherFixture {
  protected:
    // Milliseconds from the heavy program's start to the next one's.
    double GapAfterAHeavyProgram(const wchar_t* waitIdle) {
        SetMisc(L"WaitIdle", waitIdle);
        Hold(HKEY_CURRENT_USER, L"Heavy", Sample(L"Heavy", L"--hidden --busy 4000"));
        Hold(HKEY_CURRENT_USER, L"Next", Sample(L"Next"));
        StoreWrite(SystemOs(), kPrioritySection, L"Heavy", L"0");
        StoreWrite(SystemOs(), kPrioritySection, L"Next", L"1");
        StartLauncher();
        // A computer that others keep busy may hold each of the two programs back for the most
        // the launcher waits, counted in load samples that come late on such a computer.
        constexpr Millis kMostHeldBack{2 * kMostWaitPerProgramMs * 3 / 2};
        EXPECT_TRUE(Eventually([&] { return Starts().size() == 2; }, kMostHeldBack + 10s));
        EXPECT_TRUE(launcher_->Wait(10s));
        const auto starts = Starts();
        if (starts.size() != 2 || starts[0].name != L"Heavy") {
            ADD_FAILURE() << "the two programs did not start in order";
            return 0;
        }
        return MsBetween(starts[0].created, starts[1].created);
    }
};

TEST_F(PacingExeTest, OffTheNextProgramStartsOneDelayLater) {
    EXPECT_NEAR(GapAfterAHeavyProgram(L"False"), 1000, 300);
}

TEST_F(PacingExeTest, OnTheNextProgramWaitsUntilTheComputerHasRoom) {
    // Every processor busy for 4 s: no room until that is over.
    EXPECT_GT(GapAfterAHeavyProgram(L"True"), 4000);
}

}  // namespace
}  // namespace tarnwick::testing

// Group Policy on the real Tarnwick.exe: the delays and the window's showing that an administrator
// sets hold at log-on over the user's own options, which stay in the store as they were; a policy
// value of another type or out of range changes nothing.
#include "launcher_exe_harness.h"

#include "policy.h"
#include "settings_store.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

// From the slot a start is due in to the program's own note of its creation, on a loaded machine.
constexpr double kPolicySlotMs = 250;

class StartupPolicyExeTest : public LauncherFixture {
  protected:
    StartupPolicyExeTest() {
        // The user's own: 1 s before the first program and 1 s between two, the window shown.
        SetMisc(L"initTimeDelay", L"10");
        SetMisc(L"TimeDelay", L"10");
        SetMisc(L"Visible", L"1");
        for (int k = 0; k < 3; ++k) {
            const std::wstring name = L"Program " + std::to_wstring(k);
            Hold(HKEY_CURRENT_USER, name, Sample(name));
            StoreWrite(SystemOs(), kPrioritySection, name, std::to_wstring(k));
        }
    }
    // The three programs start at the delays given, in milliseconds, and the store still holds
    // the user's own options.
    void ExpectStartsAt(double initialMs, double programMs) {
        EXPECT_TRUE(Eventually([&] { return Starts().size() == 3; }, 30s));
        EXPECT_TRUE(launcher_->Wait(10s));
        std::vector<double> times;
        for (const SampleStart& start : Starts())
            times.push_back(MsBetween(readyAt_, start.created));
        ASSERT_EQ(times.size(), 3u);
        // The first program's slot is one loading delay after the initial delay.
        EXPECT_NEAR(times[0], initialMs + programMs, kPolicySlotMs);
        EXPECT_NEAR(times[1] - times[0], programMs, kPolicySlotMs);
        EXPECT_NEAR(times[2] - times[1], programMs, kPolicySlotMs);
        EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
        EXPECT_EQ(Misc(L"TimeDelay"), L"10");
        EXPECT_EQ(Misc(L"Visible"), L"1");
    }

    PolicyGuard policies_;
};

TEST_F(StartupPolicyExeTest, APolicysDelaysAndHiddenWindowHoldAndTheStoreKeepsTheUsersOwn) {
    // The computer's policy wins over the user's; the user's holds where the computer sets none.
    SetPolicies({{HKEY_LOCAL_MACHINE, L"initTimeDelay", 3},
                 {HKEY_LOCAL_MACHINE, L"TimeDelay", 2},
                 {HKEY_CURRENT_USER, L"TimeDelay", 5},
                 {HKEY_CURRENT_USER, L"Visible", 0}});
    StartLauncher(false);
    EXPECT_FALSE(::IsWindowVisible(form_)) << "Visible = 0 by policy, and the window shows";
    ExpectStartsAt(3000, 2000);
}

TEST_F(StartupPolicyExeTest, OddPolicyValuesChangeNothing) {
    // Text instead of a number, and numbers beyond what a policy may set, read as no policy.
    SetSz(HKEY_LOCAL_MACHINE, kPolicyKey, L"initTimeDelay", L"3");
    SetPolicies({{HKEY_LOCAL_MACHINE, L"TimeDelay", 0},
                 {HKEY_CURRENT_USER, L"TimeDelay", 51},
                 {HKEY_CURRENT_USER, L"Visible", 2}});
    StartLauncher(true);
    ExpectStartsAt(1000, 1000);
}

}  // namespace
}  // namespace tarnwick::testing

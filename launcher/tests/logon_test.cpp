// A whole sequence of the real Tarnwick.exe: sample programs held from both Run keys and the
// StartUp folder are started one program delay apart in the launch order, and recorded starting
// on their slots; the launcher then ends. (Log-ons through Wine's own log-on processing, with the
// capture, are the logon_cycle scenario.)
#include "launcher_exe_harness.h"

#include "registry.h"
#include "settings_store.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

namespace fs = std::filesystem;

// Starts measured against the end of the launcher's start-up, from which their slots count; the
// tolerance covers the polling and a loaded machine, the benchmark gives the exact figures.
constexpr double kToleranceMs = 250;

class LogOnTest : public LauncherFixture {
  protected:
    void Seed() {
        alpha_ = Sample(L"Alpha", L"--hidden /switch \"two words\"");
        Hold(HKEY_LOCAL_MACHINE, L"Alpha", alpha_);
        Hold(HKEY_CURRENT_USER, L"Bravo", Sample(L"Bravo"));
        fs::create_directories(RealHeldFolder());
        MakeShortcut(RealHeldFolder() / L"Charlie.lnk", SampleExe(),
                     L"Charlie \"" + logs_.wstring() + L"\" --hidden");
    }
    // Runs one log-on and gives the starts in time order with their offsets from the end of the
    // launcher's start-up, in milliseconds.
    std::vector<std::pair<std::wstring, double>> LogOn(size_t expectedStarts,
                                                       double expectedEndMs) {
        fs::remove_all(logs_);
        fs::create_directories(logs_);
        StartLauncher();
        const long long ready = readyAt_;
        // While the sequence runs: two of three started.
        Eventually([&] { return Starts().size() >= 2; }, 10s);
        SaveScreenshot(ShotPath(L"launcher-running"), WindowRect(form_));
        const auto code = launcher_->Wait(20s);
        const double endedAfter = MsBetween(ready, NowTicks());
        EXPECT_TRUE(code);
        EXPECT_EQ(code.value_or(99), 0u);
        EXPECT_NEAR(endedAfter, expectedEndMs, kToleranceMs + 50)
            << "the launcher ends one program delay after the last start";
        EXPECT_TRUE(Eventually([&] { return Starts().size() >= expectedStarts; }, 5s));
        std::vector<std::pair<std::wstring, double>> starts;
        for (const SampleStart& s : Starts())
            starts.emplace_back(s.name, MsBetween(ready, s.created));
        return starts;
    }
    // The starts came in `order`, the first `firstMs` after the start-up and each next one
    // `stepMs` later.
    static void ExpectSchedule(const std::vector<std::pair<std::wstring, double>>& starts,
                               const std::vector<std::wstring>& order, double firstMs,
                               double stepMs) {
        ASSERT_EQ(starts.size(), order.size());
        for (size_t k = 0; k < order.size(); ++k) {
            EXPECT_EQ(starts[k].first, order[k]);
            EXPECT_NEAR(starts[k].second, firstMs + stepMs * static_cast<double>(k), kToleranceMs)
                << starts[k].first.c_str();
        }
    }
    std::wstring alpha_;
};

TEST_F(LogOnTest, HeldProgramsStartOnTheirSlotsInTheLaunchOrder) {
    Seed();
    // The initial delay (1 s), then one program a second: machine Run key, user Run key, StartUp.
    ExpectSchedule(LogOn(3, 5000), {L"Alpha", L"Bravo", L"Charlie"}, 2000, 1000);
    // The command line went whole, as it stood in the Run key.
    const auto recorded = Starts();
    EXPECT_EQ(recorded[0].commandLine, alpha_);

    // Still in Tarnwick's keeping, and the launcher registered nothing itself.
    EXPECT_TRUE(Registry::EnumValues(SystemOs(), HKEY_LOCAL_MACHINE, kRunKey).empty());
    EXPECT_TRUE(fs::exists(RealHeldFolder() / L"Charlie.lnk"));
    EXPECT_EQ(StoreRead(SystemOs(), kMachineSection, L"Alpha", L""), alpha_);
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Bravo", L""), Sample(L"Bravo"));
    EXPECT_EQ(Misc(L"TimeDelay"), L"10");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
}

TEST_F(LogOnTest, NextLogOnStartsThemAgainInTheSavedOrder) {
    Seed();
    LogOn(3, 5000);
    // The user put the shortcut first in the settings program.
    StoreWrite(SystemOs(), kPrioritySection, L"Charlie", L"0");
    StoreWrite(SystemOs(), kPrioritySection, L"Alpha", L"1");
    StoreWrite(SystemOs(), kPrioritySection, L"Bravo", L"2");
    SetMisc(L"TimeDelay", L"20");
    // One second of initial delay, then one program every two seconds.
    ExpectSchedule(LogOn(3, 9000), {L"Charlie", L"Alpha", L"Bravo"}, 3000, 2000);
}

}  // namespace
}  // namespace tarnwick::testing

// What each program costs the log-on, measured by the real Tarnwick.exe under Wine: stand-ins that
// keep the processors busy themselves or through a process of their own, an idle one with a
// window and one that ends at once, and the record written once, at the end.
#include "launcher_exe_harness.h"

#include "logon_costs.h"
#include "settings_store.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

class ImpactExeTest : public LauncherFixture {
  protected:
    // The whole minute, unless a test says otherwise.
    ImpactExeTest() { ::SetEnvironmentVariableW(L"TARNWICK_MEASURE_MS", nullptr); }

    void InOrder(const std::vector<std::pair<std::wstring, std::wstring>>& programs) {
        int position = 0;
        for (const auto& [name, extra] : programs) {
            Hold(HKEY_CURRENT_USER, name, Sample(name, extra));
            StoreWrite(SystemOs(), kPrioritySection, name, std::to_wstring(position++));
        }
    }
    static std::vector<ProgramCost> Costs(const std::wstring& name) {
        const auto all = ReadCosts(SystemOs());
        const auto it = all.find(name);
        return it == all.end() ? std::vector<ProgramCost>{} : it->second;
    }
};

// Measured over their first minute, but a program whose processes have all ended needs no more:
// the launcher ends soon after the last of them.
TEST_F(ImpactExeTest, EachProgramCostsWhatItAndEveryProcessItStartsUsed) {
    // The heavy ones use a set amount of processor time, however long that takes on a computer
    // that other tests keep busy, and stay a while after it, as a program that has loaded does.
    InOrder({{L"Heavy", L"--hidden --cpu 1500 --stay 3000"},
             {L"Idle", L"--stay 2500"},
             {L"Brief", L"--hidden"},
             {L"Parent", L"--hidden --child-cpu 1500"}});
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 4; }, 20s));
    // Well within the minute they are measured over, even on a computer so busy that the heavy
    // ones take many times their processor time to use it.
    ASSERT_TRUE(launcher_->Wait(40s)) << "the launcher stayed after every program had ended";

    const auto heavy = Costs(L"Heavy");
    const auto idle = Costs(L"Idle");
    const auto brief = Costs(L"Brief");
    const auto parent = Costs(L"Parent");
    ASSERT_EQ(heavy.size(), 1u);
    ASSERT_EQ(idle.size(), 1u);
    ASSERT_EQ(brief.size(), 1u) << "a program that ends at once is measured too";
    ASSERT_EQ(parent.size(), 1u);
    EXPECT_EQ(MedianImpact(heavy), Impact::High) << heavy[0].cpuMs << " ms";
    EXPECT_GE(heavy[0].cpuMs, 1400u) << "all of what it used while it ran";
    EXPECT_EQ(MedianImpact(parent), Impact::High) << "its child's time counts: " << parent[0].cpuMs;
    EXPECT_GE(parent[0].cpuMs, 1400u);
    EXPECT_EQ(MedianImpact(idle), Impact::Low) << idle[0].cpuMs << " ms";
    EXPECT_EQ(MedianImpact(brief), Impact::Low) << brief[0].cpuMs << " ms";
    ASSERT_TRUE(idle[0].firstWindowMs.has_value()) << "its window was shown";
    EXPECT_LT(*idle[0].firstWindowMs, 3000u);
    EXPECT_FALSE(heavy[0].firstWindowMs.has_value()) << "it showed none";

    const std::optional<LogOnRecord> logOn = ReadLastLogOn(SystemOs());
    ASSERT_TRUE(logOn.has_value());
    ASSERT_EQ(logOn->programs.size(), 4u);
    const wchar_t* order[] = {L"Heavy", L"Idle", L"Brief", L"Parent"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(logOn->programs[i].name, order[i]);
    EXPECT_EQ(logOn->spanMs, logOn->programs[3].startMs);
    EXPECT_NEAR(logOn->programs[3].startMs - logOn->programs[0].startMs, 3000, 500);
    // The heavy one's seconds add up to its time, and once it had used its time and ended it used
    // nothing more in its minute.
    const std::vector<uint32_t>& seconds = logOn->programs[0].cpuPerSecond;
    ASSERT_EQ(seconds.size(), kMeasuredMs / 1000);
    uint64_t sum = 0;
    for (const uint32_t ms : seconds) sum += ms;
    EXPECT_NEAR(static_cast<double>(sum), static_cast<double>(heavy[0].cpuMs), 60.0);
    EXPECT_GT(seconds[0], 0u);
    EXPECT_EQ(seconds.back(), 0u);
}

// The record is written once, when the last measurement is taken: a launcher ended before that
// leaves the earlier log-ons as they were, and the programs it started run on.
TEST_F(ImpactExeTest, TheRecordIsWrittenOnceAtTheEndAndAnEndedLauncherEndsNoProgram) {
    const std::wstring earlier = L"10,0,0,-,0;20,0,0,-,0;30,0,0,-,0;40,0,0,-,0;50,0,0,-,0";
    StoreWrite(SystemOs(), kImpactSection, L"Stayer", earlier);
    ::SetEnvironmentVariableW(L"TARNWICK_MEASURE_MS", L"4000");
    InOrder({{L"Stayer", L"--stay 30000"}});
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 1; }, 10s));
    // Measuring: nothing written yet.
    ::Sleep(1000);
    EXPECT_EQ(StoreRead(SystemOs(), kImpactSection, L"Stayer", L""), earlier);
    launcher_.reset();
    EXPECT_EQ(StoreRead(SystemOs(), kImpactSection, L"Stayer", L""), earlier);
    EXPECT_FALSE(ReadLastLogOn(SystemOs()).has_value());
    UniqueHandle stayer(::OpenProcess(SYNCHRONIZE, FALSE, Starts()[0].pid));
    ASSERT_TRUE(stayer);
    EXPECT_EQ(::WaitForSingleObject(stayer.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program ended with the launcher";

    // The next log-on, to its end: the stretch is over while the program still runs.
    EndSamples(Starts());
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 2; }, 10s));
    const long long started = NowTicks();
    ASSERT_TRUE(launcher_->Wait(10s));
    EXPECT_LT(MsBetween(started, NowTicks()), 7000) << "measured longer than the stretch";
    const auto costs = Costs(L"Stayer");
    ASSERT_EQ(costs.size(), kKeptLogOns);
    EXPECT_LT(costs[0].cpuMs, 300u) << "the new log-on first";
    EXPECT_EQ(costs[1].cpuMs, 10u);
    EXPECT_EQ(costs[4].cpuMs, 40u) << "the oldest dropped";
    const std::optional<LogOnRecord> logOn = ReadLastLogOn(SystemOs());
    ASSERT_TRUE(logOn.has_value());
    ASSERT_EQ(logOn->programs.size(), 1u);
    EXPECT_EQ(logOn->programs[0].cpuPerSecond.size(), 4u);
}

}  // namespace
}  // namespace tarnwick::testing

// Each program's own wait on the real Tarnwick.exe: a program that waits seconds of its own, one
// that waits for the one before it to end and one the same as the others start where their waits
// say, as the programs themselves note it; Stop and fast-forward act during either wait, and a
// stored wait that cannot be read leaves the pace of today.
#include "launcher_exe_harness.h"

#include "own_wait.h"
#include "registry.h"
#include "resource.h"
#include "sequencer.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace tarnwick::testing {
namespace {

// As for the log-on of programs that are the same as the others: from the slot the start is due
// to the program's own note of its creation, on a loaded machine.
constexpr double kSlotToleranceMs = 250;
// A program waited for is seen to have ended at the next load-sample tick after its end.
constexpr double kEndSeenMs = kLoadSampleMs + kSlotToleranceMs;

class OwnWaitExeTest : public LauncherFixture {
  protected:
    // Held in the user's Run key, started in the order given.
    void HoldInOrder(const std::vector<std::pair<std::wstring, std::wstring>>& programs) {
        for (size_t k = 0; k < programs.size(); ++k) {
            const auto& [name, extra] = programs[k];
            Hold(HKEY_CURRENT_USER, name, Sample(name, extra));
            StoreWrite(SystemOs(), kPrioritySection, name, std::to_wstring(k));
        }
    }
    void SetWait(const std::wstring& name, const std::wstring& text) {
        StoreWrite(SystemOs(), kWaitSection, name, text);
    }
    // The marquee shows `line`, scrolled any way round.
    bool Shows(const std::wstring& line) {
        return Eventually(
            [&] {
                const std::wstring text = WindowText(Control(IDC_LABEL4));
                return text.size() == line.size() && (line + line).find(text) != std::wstring::npos;
            },
            3s);
    }
    // Starts the launcher and presses `button` while the second program waits `wait` after the
    // first, which runs for 20 s; a third program waits `thirdWait`.
    void PressDuringTheWait(const std::wstring& wait, const std::wstring& thirdWait, int button) {
        HoldInOrder({{L"First", L"--hidden --stay 20000"},
                     {L"Second", L"--hidden"},
                     {L"Third", L"--hidden"}});
        SetWait(L"Second", wait);
        SetWait(L"Third", thirdWait);
        StartLauncher();
        ASSERT_TRUE(Eventually([&] { return Starts().size() == 1; }, 10s));
        // Long enough for the second one to start were it not waiting.
        std::this_thread::sleep_for(1500ms);
        ASSERT_EQ(Starts().size(), 1u) << "the second program did not wait";
        pressedAt_ = NowTicks();
        ::SendMessageW(Control(button), BM_CLICK, 0, 0);
        ASSERT_TRUE(launcher_->Wait(10s));
    }
    long long pressedAt_ = 0;
};

TEST_F(OwnWaitExeTest, EachProgramStartsWhereItsOwnWaitSays) {
    HoldInOrder({{L"Mount", L"--hidden --stay 3000"},
                 {L"Drive", L"--hidden"},
                 {L"Sync", L"--hidden"},
                 {L"Chat", L"--hidden"}});
    SetWait(L"Drive", L"ended");
    SetWait(L"Sync", L"4");
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 1; }, 10s));
    EXPECT_TRUE(Shows(L"  Loading: Drive when Mount has ended.....        "));
    SaveScreenshot(ShotPath(L"launcher-until-ended"), WindowRect(form_));
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 2; }, 10s));
    EXPECT_TRUE(Shows(L"  Loading: Sync 4 s after Drive.....        "));
    SaveScreenshot(ShotPath(L"launcher-own-seconds"), WindowRect(form_));
    ASSERT_TRUE(launcher_->Wait(30s));
    const double endedAfter = MsBetween(readyAt_, NowTicks());
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 4; }, 5s));

    const auto starts = Starts();
    std::vector<std::wstring> order;
    for (const SampleStart& s : starts) order.push_back(s.name);
    ASSERT_EQ(order, (std::vector<std::wstring>{L"Mount", L"Drive", L"Sync", L"Chat"}));
    const auto gap = [&](size_t k) { return MsBetween(starts[k - 1].created, starts[k].created); };
    EXPECT_NEAR(MsBetween(readyAt_, starts[0].created), 2000, kSlotToleranceMs);
    // Mount runs 3 s from its own start, which a busy machine puts well after its creation: its
    // end is counted from there.
    const double afterMountsOwnStart = MsBetween(starts[0].entered, starts[1].created);
    EXPECT_GE(afterMountsOwnStart, 3000) << "Drive started before Mount had ended";
    EXPECT_LE(afterMountsOwnStart, 3000 + kEndSeenMs + kSlotToleranceMs);
    EXPECT_NEAR(gap(2), 4000, kSlotToleranceMs) << "Sync's own 4 s";
    EXPECT_NEAR(gap(3), 1000, kSlotToleranceMs) << "Chat, one program delay";
    EXPECT_NEAR(endedAfter - MsBetween(readyAt_, starts[3].created), 1000, kSlotToleranceMs + 50)
        << "the launcher ends one program delay after the last start";
}

TEST_F(OwnWaitExeTest, StopDuringAWaitOfSecondsStartsNothingMore) {
    PressDuringTheWait(L"30", L"", IDC_COMMAND3);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Starts().size(), 1u);
}

TEST_F(OwnWaitExeTest, StopWhileWaitingForTheEndStartsNothingMore) {
    PressDuringTheWait(L"ended", L"", IDC_COMMAND3);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Starts().size(), 1u);
}

TEST_F(OwnWaitExeTest, FastForwardDuringAWaitOfSecondsStartsTheRestWhateverTheyWaitFor) {
    // The third would wait for the second, which runs 4 s.
    PressDuringTheWait(L"30", L"ended", IDC_COMMAND2);
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 3; }, 5s));
    EXPECT_LT(MsBetween(pressedAt_, Starts().back().created), 1500);
}

TEST_F(OwnWaitExeTest, FastForwardWhileWaitingForTheEndStartsTheRestWhateverTheyWaitFor) {
    PressDuringTheWait(L"ended", L"30", IDC_COMMAND2);
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 3; }, 5s));
    EXPECT_LT(MsBetween(pressedAt_, Starts().back().created), 1500);
}

TEST_F(OwnWaitExeTest, StoredWaitsThatCannotBeReadLeaveTodaysPace) {
    HoldInOrder({{L"Alpha", L"--hidden"},
                 {L"Bravo", L"--hidden"},
                 {L"Charlie", L"--hidden"},
                 {L"Delta", L"--hidden"},
                 {L"Echo", L"--hidden"}});
    SetWait(L"Alpha", L"-5");
    SetWait(L"Bravo", L"99999999999999999999");
    SetWait(L"Charlie", L"soon");
    SetWait(L"Echo", L"2.5");
    // A number of the wrong type: as a text it would be a wait of 5 s.
    const DWORD five = 5;
    const auto* bytes = reinterpret_cast<const BYTE*>(&five);
    ASSERT_EQ(SystemOs().SetValue(HKEY_CURRENT_USER, StoreSectionKey(kWaitSection), L"Delta",
                                  RegValue{REG_DWORD, {bytes, bytes + sizeof five}}),
              ERROR_SUCCESS);
    StartLauncher();
    ASSERT_TRUE(launcher_->Wait(20s));
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 5; }, 5s));
    const auto starts = Starts();
    for (size_t k = 0; k < starts.size(); ++k) {
        EXPECT_NEAR(MsBetween(readyAt_, starts[k].created), 2000 + 1000 * static_cast<double>(k),
                    kSlotToleranceMs)
            << starts[k].name.c_str();
    }
    // Left as they are in the store.
    EXPECT_EQ(StoreRead(SystemOs(), kWaitSection, L"Alpha", L""), L"-5");
    RegValue delta;
    EXPECT_EQ(
        SystemOs().QueryValue(HKEY_CURRENT_USER, StoreSectionKey(kWaitSection), L"Delta", delta),
        ERROR_SUCCESS);
    EXPECT_EQ(delta.type, static_cast<DWORD>(REG_DWORD));
}

}  // namespace
}  // namespace tarnwick::testing

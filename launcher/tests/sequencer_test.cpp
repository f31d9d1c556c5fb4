// The launch sequence driven tick by tick on a simulated clock: when each entry starts, what the
// window shows, the user's pause / fast-forward / stop, and what a failed start does.
#include "sequencer.h"

#include "folder_path.h"
#include "product.h"
#include "registry.h"
#include "sandbox.h"
#include "scripted_os.h"
#include "settings_store.h"
#include "sim_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

namespace tarnwick::testing {
namespace {

constexpr double kWidth = 2175;

class SequencerTest : public ::testing::Test {
  protected:
    void Add(const std::wstring& name, const std::wstring& command) {
        list.names.Append(name);
        list.commands.Append(command);
    }
    // Entries "P0".."Pn-1" that run C:\apps\pK.exe.
    void AddPrograms(int n) {
        for (int k = 0; k < n; ++k) {
            Add(L"P" + std::to_wstring(k), L"C:\\apps\\p" + std::to_wstring(k) + L".exe");
        }
    }
    void Begin(Delays delays = {1, 1}, LoadMeter* load = nullptr) {
        os.onStart = [this](const StartCall&) { startTimes.push_back(window.now); };
        sequencer.emplace(ctx, list, delays, kWidth, window, waits, watch, load);
        window.sequencer = &*sequencer;
        sequencer->Begin();
    }
    // A shortcut file held in the program folder; its full path, which is its command.
    std::wstring HeldShortcut(const std::wstring& file) const {
        const std::wstring path = sandbox.ProgramFolder() + L"\\" + file;
        WriteFile(path);
        return path;
    }
    std::vector<std::wstring> Started() const {
        std::vector<std::wstring> files;
        for (const auto& s : os.starts) files.push_back(s.file);
        return files;
    }

    Sandbox sandbox;
    ScriptedOs os{SystemOs()};
    StoreContext ctx{os, sandbox.ProgramFolder(), reinterpret_cast<HWND>(0x1234)};
    LaunchList list;
    SimWindow window;
    OwnWaits waits;
    ProgramWatch* watch = nullptr;
    std::optional<Sequencer> sequencer;
    std::vector<Micros> startTimes;
};

// ---- the pace

TEST_F(SequencerTest, EmptyListEndsAtTheFirstTickWithoutStartingAnything) {
    Begin();
    window.RunFor(10s);
    ASSERT_TRUE(window.endedAt);
    EXPECT_EQ(*window.endedAt, 2s);  // initial delay, then one program delay
    EXPECT_TRUE(os.starts.empty());
    EXPECT_TRUE(window.progress.empty());
}

TEST_F(SequencerTest, ThreeEntriesStartOneDelayApartAfterTheInitialDelay) {
    AddPrograms(3);
    Begin({1, 1});
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 3s, 4s}));
    ASSERT_TRUE(window.endedAt);
    EXPECT_EQ(*window.endedAt, 5s);
    EXPECT_EQ(Started(), (std::vector<std::wstring>{L"C:\\apps\\p0.exe", L"C:\\apps\\p1.exe",
                                                    L"C:\\apps\\p2.exe"}));
}

TEST_F(SequencerTest, LongerDelaysKeepTheirSlots) {
    AddPrograms(3);
    Begin({3, 2});
    window.RunFor(60s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{5s, 7s, 9s}));
    EXPECT_EQ(*window.endedAt, 11s);
}

TEST_F(SequencerTest, InitialDelayFiresOnceAndHandsOverToTheProgramTimer) {
    AddPrograms(1);
    Begin({2, 3});
    EXPECT_EQ(sequencer->Timer3Interval(), 2000u);
    EXPECT_EQ(sequencer->Timer1Interval(), 0u);
    window.RunFor(2s);
    EXPECT_EQ(sequencer->Timer3Interval(), 0u);
    EXPECT_EQ(sequencer->Timer1Interval(), 3000u);
    EXPECT_FALSE(window.schedule.Due(TimerId::Timer3));
}

// ---- what the window shows

TEST_F(SequencerTest, BarAndPercentageAfterEachStartOfFour) {
    AddPrograms(4);
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(window.progress.size(), 1u);
    EXPECT_DOUBLE_EQ(window.progress[0].width, kWidth / 4);
    EXPECT_EQ(window.progress[0].percent, L"25%");
    window.RunFor(2s);
    ASSERT_EQ(window.progress.size(), 3u);
    EXPECT_DOUBLE_EQ(window.progress[2].width, kWidth * 3 / 4);
    EXPECT_EQ(window.progress[2].percent, L"75%");
}

TEST_F(SequencerTest, LastOfThreeReadsOneHundredPercent) {
    AddPrograms(3);
    Begin();
    window.RunFor(4s);
    ASSERT_EQ(window.progress.size(), 3u);
    EXPECT_EQ(window.progress[0].percent, L"33%");
    EXPECT_EQ(window.progress[1].percent, L"66%");
    EXPECT_EQ(window.progress[2].percent, L"100%");
    EXPECT_DOUBLE_EQ(window.progress[2].width, kWidth);
}

TEST_F(SequencerTest, PercentageIsExactWhereAFloatingProductFallsShort) {
    // 29 / 100 * 100 is 28.999... in floating point.
    AddPrograms(100);
    Begin();
    window.RunFor(30s);
    ASSERT_GE(window.progress.size(), 29u);
    EXPECT_EQ(window.progress[28].percent, L"29%");
}

TEST_F(SequencerTest, LoadingLineNamesTheNextEntryAndIsBareAfterTheLast) {
    AddPrograms(2);
    Begin();
    window.RunFor(2s);
    EXPECT_EQ(window.marquee, L"  Loading: P1.....        ");
    window.RunFor(1s);
    EXPECT_EQ(window.marquee, L"  Loading: .....        ");
    EXPECT_EQ(window.marquee.size(), 24u);
}

// ---- how an entry is started

TEST_F(SequencerTest, ShortcutOpensQuietlyThroughTheShellWithTheWindowAsOwner) {
    const std::wstring held = HeldShortcut(L"Upper.LNK");
    Add(L"Upper", held);
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Shortcut);
    EXPECT_EQ(os.starts[0].file, held);
    EXPECT_EQ(os.starts[0].owner, ctx.owner);
}

TEST_F(SequencerTest, HeldShortcutWithSpacesAroundAndInsideIsOpenedAsAShortcut) {
    const std::wstring held = HeldShortcut(L"Mail Notifier.lnk");
    Add(L"Mail Notifier", L"  " + held + L" ");
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Shortcut);
    EXPECT_EQ(os.starts[0].file, held);
}

TEST_F(SequencerTest, AHeldShortcutGivenBackMeanwhileStartsFromTheStartUpFolderNeverAsACommand) {
    // Switched off while the log-on ran: the shortcut went back into the StartUp folder.
    const std::wstring back = HeldShortcut(L"Back Up.lnk");
    const std::wstring startUp = StartUpFolder(os, nullptr);
    ASSERT_TRUE(::MoveFileW(back.c_str(), JoinPath(startUp, L"Back Up.lnk").c_str()));
    Add(L"Back Up", back);
    // Gone from both places: nothing starts, and above all not "C:\Program.exe" through an
    // unquoted path with spaces.
    Add(L"Gone", sandbox.ProgramFolder() + L"\\Gone For Good.lnk");
    Begin();
    window.RunFor(5s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Shortcut);
    EXPECT_EQ(os.starts[0].file, JoinPath(startUp, L"Back Up.lnk"));
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(SequencerTest, CommandEndingInAShortcutArgumentRunsAsACommandLine) {
    const std::wstring command = L"C:\\Tools\\notes.exe " + HeldShortcut(L"Notes.lnk");
    Add(L"Notes", command);
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Process);
    EXPECT_EQ(os.starts[0].file, command);
}

TEST_F(SequencerTest, QuotedPathWithASwitchIsPassedWhole) {
    const std::wstring command = L"\"C:\\Program Files\\Tool\\tool.exe\" /background -x \"a b\"";
    Add(L"Tool", command);
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Process);
    EXPECT_EQ(os.starts[0].file, command);
}

TEST_F(SequencerTest, BlankCommandStartsNothingButTakesItsSlot) {
    Add(L"Blank", L"   ");
    AddPrograms(1);
    Begin();
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{3s}));
    EXPECT_EQ(*window.endedAt, 4s);
}

// ---- failed starts

class FailedStartTest : public SequencerTest {
  protected:
    void SetUp() override {
        StoreWrite(os, kMachineSection, L"Gone", kGone);
        StoreWrite(os, kUserSection, L"GoneToo", kGone);
        StoreWrite(os, kUserSection, L"Kept", L"C:\\apps\\kept.exe");
        StoreWrite(os, kUserSection, L"OtherCase", L"c:\\apps\\GONE.exe");
        StoreWrite(os, kPrioritySection, L"Gone", L"0");
        StoreWrite(os, kPrioritySection, L"GoneToo", L"1");
        StoreWrite(os, kPrioritySection, L"Kept", L"2");
        Add(L"Gone", kGone);
        Add(L"Kept", L"C:\\apps\\kept.exe");
    }
    static std::vector<std::wstring> Keys(std::wstring_view section, Os& os) {
        std::vector<std::wstring> keys;
        for (const auto& [key, value] : StoreReadSection(os, section)) keys.push_back(key);
        std::sort(keys.begin(), keys.end());
        return keys;
    }
    static constexpr wchar_t kGone[] = L"C:\\apps\\gone.exe";
};

TEST_F(FailedStartTest, MissingProgramLeavesBothSectionsAndTheLaunchOrder) {
    os.processResult = [](const std::wstring& cmd) {
        return cmd == kGone ? DWORD{ERROR_FILE_NOT_FOUND} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(20s);
    EXPECT_TRUE(Keys(kMachineSection, os).empty());
    // Only the exact command line goes; the same path in other letter case is another value.
    EXPECT_EQ(Keys(kUserSection, os), (std::vector<std::wstring>{L"Kept", L"OtherCase"}));
    EXPECT_EQ(Keys(kPrioritySection, os), (std::vector<std::wstring>{L"Kept"}));
    // No box, the next entry at its normal time, and the launch list itself untouched.
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 3s}));
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(window.progress[0].percent, L"50%");
}

TEST_F(FailedStartTest, PathNotFoundCountsAsMissingToo) {
    os.processResult = [](const std::wstring& cmd) {
        return cmd == kGone ? DWORD{ERROR_PATH_NOT_FOUND} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(3s);
    EXPECT_TRUE(Keys(kMachineSection, os).empty());
}

TEST_F(FailedStartTest, ProgramOnANetworkPathThatDoesNotAnswerKeepsItsEntry) {
    list = {};
    const std::wstring share = L"\\\\server\\share\\tool.exe";
    StoreWrite(os, kMachineSection, L"Net", share);
    Add(L"Net", share);
    AddPrograms(1);
    os.processResult = [&](const std::wstring& cmd) {
        return cmd == share ? DWORD{ERROR_BAD_NETPATH} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(20s);
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Net", L""), share);
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 3s}));
}

TEST_F(FailedStartTest, ProgramOnADriveThatIsNotReadyKeepsItsEntry) {
    // A removed stick: the program reads as not found, and so does the drive's root.
    list = {};
    const std::wstring stick = L"\"E:\\Portable\\tool.exe\" /tray";
    StoreWrite(os, kUserSection, L"Stick", stick);
    Add(L"Stick", stick);
    os.processResult = [](const std::wstring&) { return DWORD{ERROR_PATH_NOT_FOUND}; };
    os.attributes = [](const std::wstring& path) -> std::optional<DWORD> {
        if (path == L"E:\\") return INVALID_FILE_ATTRIBUTES;
        return std::nullopt;
    };
    Begin();
    window.RunFor(3s);
    EXPECT_EQ(StoreRead(os, kUserSection, L"Stick", L""), stick);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(FailedStartTest, DriveWithoutItsMediumKeepsTheEntry) {
    os.processResult = [](const std::wstring& cmd) {
        return cmd == kGone ? DWORD{ERROR_NOT_READY} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(3s);
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Gone", L""), kGone);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(FailedStartTest, ProgramThatNeedsElevationGoesThroughTheShell) {
    list = {};
    Add(L"Admin", L"\"C:\\Program Files\\Admin Tool\\admin.exe\" --quiet --tray");
    os.processResult = [](const std::wstring&) { return DWORD{740}; };
    Begin();
    window.RunFor(3s);
    ASSERT_EQ(os.starts.size(), 2u);
    EXPECT_EQ(os.starts[1].kind, StartCall::Kind::Shell);
    EXPECT_EQ(os.starts[1].file, L"C:\\Program Files\\Admin Tool\\admin.exe");
    EXPECT_EQ(os.starts[1].parameters, L"--quiet --tray");
    EXPECT_EQ(os.starts[1].owner, ctx.owner);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(FailedStartTest, DecliningTheElevationPromptIsNoError) {
    os.processResult = [](const std::wstring&) { return DWORD{740}; };
    os.shellResult = [](const std::wstring&) { return DWORD{ERROR_CANCELLED}; };
    Begin();
    window.RunFor(20s);
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Gone", L""), kGone);
}

TEST_F(FailedStartTest, OtherErrorShowsTheBoxAndTheLineMovesOn) {
    os.processResult = [](const std::wstring& cmd) {
        return cmd == kGone ? DWORD{ERROR_ACCESS_DENIED} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(2s);
    ASSERT_EQ(window.boxes.size(), 1u);
    const std::wstring& text = window.boxes[0].text;
    EXPECT_TRUE(text.starts_with(L"There was an error:")) << text;
    EXPECT_GT(text.size(), std::wstring(L"There was an error:").size()) << text;
    EXPECT_NE(text.back(), L'\n') << text;
    EXPECT_EQ(window.boxes[0].title,
              L"Error, please inform Mereval Software at, " + std::wstring(kMakerWebAddress));
    // The failed start still moves the "Loading" line on, and the entry stays in the store.
    EXPECT_EQ(window.marquee, L"  Loading: Kept.....        ");
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Gone", L""), kGone);
    window.RunFor(20s);
    EXPECT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 3s}));
}

TEST_F(FailedStartTest, ShortcutResultIsIgnored) {
    list = {};
    Add(L"Broken", HeldShortcut(L"Broken.lnk"));
    os.shellResult = [](const std::wstring&) { return DWORD{ERROR_FILE_NOT_FOUND}; };
    Begin();
    window.RunFor(20s);
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_EQ(*window.endedAt, 3s);
}

// What counts as a missing program: CreateProcess answering "not found" is not enough, the
// program file must be verifiably absent.
class MissingProgramTest : public SequencerTest {
  protected:
    void Entry(const std::wstring& name, const std::wstring& command) {
        StoreWrite(os, kUserSection, name, command);
        Add(name, command);
    }
    std::wstring Stored(const std::wstring& name) {
        return StoreRead(os, kUserSection, name, L"<gone>");
    }
};

TEST_F(MissingProgramTest, LeadingSpacesAreTrimmedBeforeTheStartAndTheEntryStays) {
    const std::wstring stored = L"   C:\\Tools\\sync.exe /tray ";
    Entry(L"Sync", stored);
    // As CreateProcess answers a command that begins with a space.
    os.processResult = [](const std::wstring& cmd) {
        return cmd.starts_with(L' ') ? DWORD{ERROR_FILE_NOT_FOUND} : DWORD{ERROR_SUCCESS};
    };
    Begin();
    window.RunFor(3s);
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].kind, StartCall::Kind::Process);
    EXPECT_EQ(os.starts[0].file, L"C:\\Tools\\sync.exe /tray");
    EXPECT_EQ(Stored(L"Sync"), stored);
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(MissingProgramTest, NotFoundWhileAProgramCandidateIsThereKeepsTheEntry) {
    // Unquoted with spaces: CreateProcess would try "C:\Program", "C:\Program Files\Sync" and
    // "C:\Program Files\Sync Tool\sync", each with ".exe"; the last one is there.
    const std::wstring unquoted = L"C:\\Program Files\\Sync Tool\\sync --tray";
    // No path: found along the search path, in the system folder.
    const std::wstring bare = L"notepad /background";
    Entry(L"Sync", unquoted);
    Entry(L"Pad", bare);
    os.processResult = [](const std::wstring&) { return DWORD{ERROR_FILE_NOT_FOUND}; };
    os.attributes = [](const std::wstring& path) -> std::optional<DWORD> {
        if (path == L"C:\\Program Files\\Sync Tool\\sync.exe") return FILE_ATTRIBUTE_NORMAL;
        return std::nullopt;
    };
    Begin();
    window.RunFor(3s);
    EXPECT_EQ(Stored(L"Sync"), unquoted);
    EXPECT_EQ(Stored(L"Pad"), bare);
    // The start did fail: the user is told, as for any other error.
    EXPECT_EQ(window.boxes.size(), 2u);
}

TEST_F(MissingProgramTest, ProgramThatIsTrulyAbsentGoesByItsStoredText) {
    const std::wstring spaced = L"  C:\\Program Files\\Gone Tool\\gone -x ";
    const std::wstring bare = L"tarnwick-no-such-tool /x";
    const std::wstring quoted = L"\"C:\\Gone Tool\\gone\" -y";
    Entry(L"Spaced", spaced);
    Entry(L"Bare", bare);
    Entry(L"Quoted", quoted);
    StoreWrite(os, kPrioritySection, L"Spaced", L"0");
    // Held from the machine's 32-bit view: its row, and its launch position, carry the suffix.
    StoreWrite(os, kMachine32Section, L"Old", L"C:\\x86\\old.exe");
    StoreWrite(os, kPrioritySection, L"Old (32-bit)", L"1");
    Add(L"Old (32-bit)", L"C:\\x86\\old.exe");
    os.processResult = [](const std::wstring&) { return DWORD{ERROR_FILE_NOT_FOUND}; };
    Begin();
    window.RunFor(6s);
    EXPECT_EQ(StoreRead(os, kMachine32Section, L"Old", L"<gone>"), L"<gone>");
    EXPECT_EQ(StoreRead(os, kPrioritySection, L"Old (32-bit)", L"<gone>"), L"<gone>");
    EXPECT_EQ(Stored(L"Spaced"), L"<gone>");
    EXPECT_EQ(StoreRead(os, kPrioritySection, L"Spaced", L"<gone>"), L"<gone>");
    EXPECT_EQ(Stored(L"Bare"), L"<gone>");
    EXPECT_EQ(Stored(L"Quoted"), L"<gone>");
    EXPECT_TRUE(window.boxes.empty());
}

TEST_F(FailedStartTest, NoTickStartsAnythingWhileTheErrorBoxIsOpen) {
    list = {};
    Add(L"Denied", L"C:\\apps\\denied.exe");
    AddPrograms(3);
    os.processResult = [](const std::wstring& cmd) {
        return cmd == L"C:\\apps\\denied.exe" ? DWORD{ERROR_ACCESS_DENIED} : DWORD{ERROR_SUCCESS};
    };
    size_t startsWhileOpen = 0;
    // The user reads the box for five seconds while the timers keep firing.
    window.whileBoxOpen = [&] {
        const size_t before = os.starts.size();
        window.RunFor(5s);
        startsWhileOpen = os.starts.size() - before;
    };
    Begin();
    window.RunFor(60s);
    EXPECT_EQ(startsWhileOpen, 0u);
    EXPECT_EQ(window.boxes.size(), 1u);
    // The box was closed at 7 s: the rest follow on the same second grid.
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 8s, 9s, 10s}));
    EXPECT_EQ(sequencer->Started(), 5);
    EXPECT_EQ(*window.endedAt, 11s);
}

// ---- the user's controls

TEST_F(SequencerTest, PauseWaitResumeStartsTheNextOneFullDelayAfterTheResume) {
    AddPrograms(3);
    Begin();
    window.RunUntil(2500ms);
    sequencer->TogglePause();
    EXPECT_TRUE(window.pausedFace);
    EXPECT_EQ(sequencer->Timer1Interval(), 0u);
    window.RunUntil(10'200ms);
    EXPECT_EQ(startTimes.size(), 1u);
    sequencer->TogglePause();
    EXPECT_FALSE(window.pausedFace);
    EXPECT_EQ(sequencer->Timer1Interval(), 1000u);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 11'200ms, 12'200ms}));
}

TEST_F(SequencerTest, PressingPauseTwiceGivesBackTheSameInterval) {
    AddPrograms(3);
    Begin({1, 4});
    window.RunUntil(1500ms);
    sequencer->TogglePause();
    sequencer->TogglePause();
    EXPECT_FALSE(window.pausedFace);
    EXPECT_EQ(sequencer->Timer1Interval(), 4000u);
}

TEST_F(SequencerTest, ResumingAPauseMadeDuringTheInitialDelayArmsTheProgramTimer) {
    AddPrograms(2);
    Begin({5, 1});
    window.RunUntil(500ms);
    sequencer->TogglePause();
    EXPECT_EQ(sequencer->Timer3Interval(), 0u);
    window.RunUntil(3s);
    sequencer->TogglePause();
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{4s, 5s}));
    EXPECT_EQ(*window.endedAt, 6s);
}

TEST_F(SequencerTest, StopWhilePausedEndsAbout100msLaterWithoutAnotherStart) {
    AddPrograms(3);
    Begin();
    window.RunUntil(2500ms);
    sequencer->TogglePause();
    window.RunUntil(4s);
    sequencer->Stop();
    EXPECT_TRUE(window.hidden);
    EXPECT_FALSE(sequencer->Paused());
    window.RunFor(10s);
    ASSERT_TRUE(window.endedAt);
    EXPECT_EQ(*window.endedAt, 4100ms);
    EXPECT_EQ(startTimes.size(), 1u);
}

TEST_F(SequencerTest, StopDuringTheInitialDelayStartsNothing) {
    AddPrograms(3);
    Begin({5, 1});
    window.RunUntil(1s);
    sequencer->Stop();
    window.RunFor(20s);
    EXPECT_EQ(*window.endedAt, 1100ms);
    EXPECT_TRUE(os.starts.empty());
}

TEST_F(SequencerTest, FastForwardWhilePausedHasNoLastingEffect) {
    AddPrograms(4);
    Begin();
    window.RunUntil(2500ms);
    sequencer->TogglePause();
    sequencer->FastForward();
    window.RunUntil(6s);
    EXPECT_EQ(startTimes.size(), 1u);
    sequencer->TogglePause();
    EXPECT_EQ(sequencer->Timer1Interval(), 1000u);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 7s, 8s, 9s}));
}

TEST_F(SequencerTest, FastForwardStartsTheRestTenMillisecondsApart) {
    AddPrograms(4);
    Begin({1, 5});
    window.RunUntil(6s);
    sequencer->FastForward();
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{6s, 6010ms, 6020ms, 6030ms}));
    EXPECT_EQ(*window.endedAt, 6040ms);
}

TEST_F(SequencerTest, FastForwardDuringTheInitialDelayIsSlowedAgainWhenItEnds) {
    // The initial delay is not cancelled: when it ends it sets the program pace back.
    AddPrograms(20);
    Begin({1, 2});
    window.RunUntil(900ms);
    sequencer->FastForward();
    window.RunUntil(1s);
    EXPECT_EQ(startTimes.size(), 9u);
    EXPECT_EQ(sequencer->Timer1Interval(), 2000u);
    window.RunUntil(3s);
    EXPECT_EQ(startTimes.size(), 10u);
    EXPECT_EQ(startTimes.back(), 3s);
}

TEST_F(SequencerTest, QuitEndsAtOnce) {
    AddPrograms(2);
    Begin();
    window.RunUntil(2500ms);
    sequencer->Quit();
    EXPECT_EQ(*window.endedAt, 2500ms);
    window.RunFor(10s);
    EXPECT_EQ(startTimes.size(), 1u);
}

TEST_F(SequencerTest, NothingHappensAfterTheEnd) {
    Begin();
    window.RunFor(3s);
    ASSERT_TRUE(window.endedAt);
    sequencer->TogglePause();
    sequencer->FastForward();
    sequencer->Stop();
    EXPECT_FALSE(window.pausedFace);
    EXPECT_FALSE(window.hidden);
}

// ---- pacing by the computer's load ("Wait until the computer is idle")

// A computer of a given number of processors whose busy share follows a script on the simulated
// clock. It counts busy and idle time as GetSystemTimes does and judges it through the launcher's
// own window of counters.
class SimulatedComputer final : public LoadMeter {
  public:
    SimulatedComputer(const SimWindow& window, unsigned processors)
        : window_(window), processors_(processors), counters_(processors) {}
    // How many processors' worth of work runs at a moment.
    std::function<double(Micros)> busy = [](Micros) { return 0.0; };
    std::vector<Micros> samples;
    void Sample() override {
        samples.push_back(window_.now);
        // 1 ms of every processor is 10'000 units of 100 ns; idle time counts as kernel time.
        for (; counted_ < window_.now; counted_ += 1ms) {
            const double idle = processors_ - std::min(busy(counted_), double(processors_));
            totals_.kernel += processors_ * 10'000ull;
            totals_.idle += static_cast<uint64_t>(idle * 10'000);
        }
        counters_.Add(totals_);
    }
    void Clear() override { counters_.Clear(); }
    bool HasRoom() const override { return counters_.HasRoom(); }

  private:
    const SimWindow& window_;
    const unsigned processors_;
    LoadWindow counters_;
    LoadCounters totals_;
    Micros counted_{0};
};

class PacingTest : public SequencerTest {
  protected:
    SimulatedComputer load{window, 2};
};

TEST_F(PacingTest, AnIdleComputerKeepsTodaysScheduleAndTheDelayIsTheLeastTime) {
    AddPrograms(3);
    Begin({1, 1}, &load);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 3s, 4s}));
    EXPECT_EQ(*window.endedAt, 5s);
}

TEST_F(PacingTest, TheLoadIsSampledOnlyOverTheStretchBeforeEachStart) {
    AddPrograms(2);
    Begin({1, 4}, &load);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{5s, 9s}));
    // Three samples make the 400 ms that a start judges; none after the last start.
    EXPECT_EQ(load.samples, (std::vector<Micros>{4600ms, 4800ms, 5s, 8600ms, 8800ms, 9s}));
}

TEST_F(PacingTest, AWaitingStartIsSampledOnEveryTick) {
    AddPrograms(2);
    load.busy = [](Micros t) { return t < 3s ? 2.0 : 0.0; };
    Begin({1, 1}, &load);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{3400ms, 4400ms}));
    EXPECT_EQ(load.samples, (std::vector<Micros>{1600ms, 1800ms, 2s, 2200ms, 2400ms, 2600ms, 2800ms,
                                                 3s, 3200ms, 3400ms, 4s, 4200ms, 4400ms}));
}

TEST_F(PacingTest, AStartWaitsWhileTheComputerIsBusyAndTheNextDelayCountsFromIt) {
    AddPrograms(3);
    // The first program keeps one of the two processors busy until 5.3 s.
    load.busy = [](Micros t) { return t >= 2s && t < 5300ms ? 1.0 : 0.0; };
    Begin({1, 1}, &load);
    window.RunUntil(3s);
    EXPECT_TRUE(sequencer->Waiting());
    EXPECT_EQ(window.marquee, L"  Waiting: P1.....        ");
    window.RunFor(20s);
    // The last 400 ms hold a quarter of a processor's work at the sample of 5.6 s, not before.
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 5600ms, 6600ms}));
    EXPECT_EQ(*window.endedAt, 7600ms);
}

// Other work keeps some processors busy from the first start for ten seconds: the second program
// starts at its delay if it leaves a processor free for the user once it runs, or else once that
// work is over.
struct RoomCase {
    unsigned processors;
    double busy;
    bool room;
    friend void PrintTo(const RoomCase& c, std::ostream* os) {
        *os << c.busy << " of " << c.processors << " processors busy";
    }
};

class RoomTest : public SequencerTest, public ::testing::WithParamInterface<RoomCase> {};

TEST_P(RoomTest, TheNextProgramStartsWhileItLeavesAProcessorFree) {
    const RoomCase c = GetParam();
    SimulatedComputer computer{window, c.processors};
    computer.busy = [&](Micros t) { return t >= 2s && t < 12s ? c.busy : 0.0; };
    AddPrograms(2);
    Begin({1, 1}, &computer);
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, c.room ? 3s : 12200ms}));
}

INSTANTIATE_TEST_SUITE_P(Processors, RoomTest,
                         ::testing::Values(RoomCase{1, 0.45, true}, RoomCase{1, 0.5, false},
                                           RoomCase{2, 0.5, true}, RoomCase{2, 0.6, false},
                                           RoomCase{2, 1.0, false}, RoomCase{8, 6.0, true},
                                           RoomCase{8, 6.5, true}, RoomCase{8, 6.6, false},
                                           RoomCase{8, 7.0, false}));

TEST_F(PacingTest, ABusyComputerHoldsOneProgramAMinuteAndTheSequenceThreeAtMost) {
    AddPrograms(5);
    load.busy = [](Micros) { return 2.0; };
    Begin({1, 1}, &load);
    window.RunFor(400s);
    // 60 s for each of the first three, then the three minutes are used up.
    EXPECT_EQ(startTimes, (std::vector<Micros>{62s, 123s, 184s, 185s, 186s}));
}

TEST_F(PacingTest, PauseHoldsTheWaitAndResumingGoesOnWaiting) {
    AddPrograms(2);
    load.busy = [](Micros t) { return t < 30s ? 2.0 : 0.0; };
    Begin({1, 1}, &load);
    window.RunUntil(10s);
    sequencer->TogglePause();
    // Settled while paused: nothing starts until the resume.
    window.RunUntil(40s);
    EXPECT_TRUE(startTimes.empty());
    sequencer->TogglePause();
    EXPECT_TRUE(sequencer->Waiting());
    window.RunFor(10s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{40200ms, 41200ms}));
}

TEST_F(PacingTest, PausedTimeDoesNotCountAgainstTheMinute) {
    AddPrograms(1);
    load.busy = [](Micros) { return 2.0; };
    Begin({1, 1}, &load);
    window.RunUntil(12s);  // 10 s of waiting
    sequencer->TogglePause();
    window.RunUntil(112s);
    sequencer->TogglePause();
    window.RunFor(200s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{162s}));
}

TEST_F(PacingTest, FastForwardStartsTheRestAtOnceIdleOrNot) {
    AddPrograms(3);
    load.busy = [](Micros) { return 2.0; };
    Begin({1, 1}, &load);
    window.RunUntil(5s);
    ASSERT_TRUE(sequencer->Waiting());
    sequencer->FastForward();
    window.RunFor(1s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{5010ms, 5020ms, 5030ms}));
}

TEST_F(PacingTest, StopWhileWaitingEndsWithoutStarting) {
    AddPrograms(3);
    load.busy = [](Micros) { return 2.0; };
    Begin({1, 1}, &load);
    window.RunUntil(5s);
    sequencer->Stop();
    window.RunFor(100s);
    EXPECT_EQ(*window.endedAt, 5100ms);
    EXPECT_TRUE(startTimes.empty());
}

// ---- a wait of each program's own

// Knows which started entries still run; the test ends them.
class FakeWatch final : public ProgramWatch {
  public:
    std::vector<std::wstring> started;
    std::set<size_t> running;
    void Started(size_t index, std::wstring_view name, StartedProcess) override {
        started.emplace_back(name);
        running.insert(index);
    }
    bool Ended(size_t index) const override { return !running.contains(index); }
};

class OwnWaitTest : public PacingTest {
  protected:
    void Wait(const std::wstring& name, OwnWait wait) { waits[name] = wait; }
    static OwnWait Seconds(int s) { return {OwnWait::Kind::Seconds, s}; }
    static constexpr OwnWait kUntilEnded{OwnWait::Kind::UntilEnded, 0};
    FakeWatch fakeWatch;
};

TEST_F(OwnWaitTest, SecondsCountFromThePreviousStartAndNoughtStartsWithIt) {
    AddPrograms(5);
    Wait(L"P0", Seconds(3));   // from the end of the initial delay
    Wait(L"p1", Seconds(90));  // names as the registry compares them
    Wait(L"P2", Seconds(0));
    Wait(L"P4", Seconds(3600));  // longer than a 16-bit timer holds
    Begin({1, 1});
    EXPECT_EQ(window.marquee, L"  Loading: P0 3 s after the initial delay.....        ");
    window.RunUntil(4s);
    EXPECT_EQ(window.marquee, L"  Loading: P1 1 min 30 s after P0.....        ");
    window.RunFor(2h);
    EXPECT_EQ(startTimes, (std::vector<Micros>{4s, 94s, 94s, 95s, 3695s}));
    EXPECT_EQ(*window.endedAt, 3696s);
    EXPECT_EQ(OwnWaitLine(L"S", Seconds(120), L"M"), L"  Loading: S 2 min after M.....        ");
}

TEST_F(OwnWaitTest, AnOwnWaitIsNotHeldBackByTheLoadNorSampledForIt) {
    AddPrograms(3);
    Wait(L"P1", Seconds(2));
    load.busy = [](Micros) { return 2.0; };
    Begin({1, 1}, &load);
    window.RunUntil(100s);
    // P0 and P2 wait for room; P1 starts on its second, the computer as busy as it is.
    ASSERT_EQ(startTimes.size(), 2u);
    EXPECT_EQ(startTimes[1] - startTimes[0], 2s);
    EXPECT_TRUE(std::none_of(load.samples.begin(), load.samples.end(),
                             [&](Micros t) { return t > startTimes[0] && t <= startTimes[1]; }));
}

TEST_F(OwnWaitTest, UntilEndedStartsAtTheCheckAfterTheEndOrAfterTenMinutes) {
    AddPrograms(4);
    Wait(L"P1", kUntilEnded);
    Wait(L"P2", kUntilEnded);
    watch = &fakeWatch;
    Begin({1, 1});
    window.RunUntil(5100ms);
    EXPECT_EQ(window.marquee, L"  Loading: P1 when P0 has ended.....        ");
    fakeWatch.running.erase(0);
    window.RunFor(1h);
    // P1 never ends; P3 is the same as the others.
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 5200ms, 605200ms, 606200ms}));
    EXPECT_EQ(fakeWatch.started, (std::vector<std::wstring>{L"P0", L"P1", L"P2", L"P3"}));

    // Nothing tells an end without a watch.
    startTimes.clear();
    window = {};
    watch = nullptr;
    Begin({1, 1});
    window.RunFor(20s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 2200ms, 2400ms, 3400ms}));
}

TEST_F(OwnWaitTest, PauseHoldsAnOwnWaitAndResumingGoesOnWithWhatWasLeft) {
    AddPrograms(3);
    Wait(L"P1", Seconds(10));
    Wait(L"P2", kUntilEnded);
    watch = &fakeWatch;
    Begin({1, 1});
    window.RunUntil(5s);  // 3 s of P1's 10
    sequencer->TogglePause();
    window.RunUntil(20s);
    sequencer->TogglePause();
    window.RunUntil(40s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 27s}));
    // P1 ends while the wait for it is paused, past its ten minutes: P2 starts only after the
    // resume, at the next check.
    sequencer->TogglePause();
    fakeWatch.running.erase(1);
    window.RunUntil(700s);
    EXPECT_EQ(startTimes.size(), 2u);
    sequencer->TogglePause();
    window.RunFor(1s);
    EXPECT_EQ(startTimes.back(), 700200ms);
}

TEST_F(OwnWaitTest, FastForwardStartsTheRestTenMillisecondsApartWhateverTheyWaitFor) {
    AddPrograms(4);
    Wait(L"P1", Seconds(600));
    Wait(L"P2", kUntilEnded);
    Wait(L"P3", Seconds(0));
    watch = &fakeWatch;
    Begin({1, 1});
    window.RunUntil(30s);
    sequencer->FastForward();
    EXPECT_EQ(window.marquee, LoadingText(L"P1"));
    window.RunFor(1s);
    EXPECT_EQ(startTimes, (std::vector<Micros>{2s, 30010ms, 30020ms, 30030ms}));
}

TEST(LoadWindowTest, BusyCoresAndDiskShareOverTheLast400Ms) {
    LoadWindow w(2);
    // 100 ns units summed over 2 processors: one 200 ms sample is 4'000'000 units in all.
    LoadCounters c;
    w.Add(c);
    c.kernel += 4'000'000;  // kernel time includes idle time
    c.idle += 4'000'000;
    w.Add(c);
    // Idle, but over less than the whole stretch: no room yet.
    EXPECT_DOUBLE_EQ(w.BusyCores(), 0.0);
    EXPECT_FALSE(w.HasRoom());
    c.kernel += 4'000'000;
    c.idle += 2'000'000;  // one core busy, one idle
    w.Add(c);
    EXPECT_DOUBLE_EQ(w.BusyCores(), 0.5);
    EXPECT_TRUE(w.HasRoom());
    c.kernel += 4'000'000;
    c.idle += 3'920'000;
    w.Add(c);
    EXPECT_NEAR(w.BusyCores(), 0.52, 1e-9);
    EXPECT_FALSE(w.HasRoom());
    c.kernel += 4'000'000;
    c.idle += 3'920'000;
    w.Add(c);
    // The busy sample has left the window.
    EXPECT_NEAR(w.BusyCores(), 0.04, 1e-9);
    EXPECT_TRUE(w.HasRoom());
    EXPECT_FALSE(w.DiskShare());
    w.Clear();
    EXPECT_FALSE(w.HasRoom());

    LoadWindow disk(2);
    LoadCounters d;
    d.diskIdle = 0;
    d.diskQuery = 0;
    disk.Add(d);
    // Idle processors, and the disk busy for a share of each sample.
    const auto sample = [&](uint64_t diskIdle) {
        d.kernel += 4'000'000;
        d.idle += 4'000'000;
        d.diskQuery = *d.diskQuery + 2'000'000;
        d.diskIdle = *d.diskIdle + diskIdle;
        disk.Add(d);
    };
    sample(800'000);  // busy 60 % of the time
    sample(800'000);
    EXPECT_DOUBLE_EQ(*disk.DiskShare(), 0.6);
    EXPECT_FALSE(disk.HasRoom());
    sample(1'600'000);  // busy 20 %
    sample(1'600'000);
    EXPECT_NEAR(*disk.DiskShare(), 0.2, 1e-9);
    EXPECT_TRUE(disk.HasRoom());
}

}  // namespace
}  // namespace tarnwick::testing

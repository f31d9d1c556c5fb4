// The restore, on its own and as the inverse of the capture, with faults injected through the seam.
#include "restore.h"

#include "capture.h"
#include "launch_list.h"
#include "reasons.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <map>
#include <fstream>
#include <random>

namespace tarnwick {
namespace {

using Values = std::map<std::wstring, std::wstring>;
using testing::Call;
using testing::Op;

Values RunValues(HKEY root) {
    Values values;
    for (const auto& v : testing::DumpKey(root, kRunKey)) values[v.name] = DecodeRegString(v.data);
    return values;
}

class RestoreTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    Os& os = SystemOs();
    StoreContext ctx{os, box.ProgramFolder()};

    void Held(std::wstring_view file, std::string_view content = "held") {
        std::filesystem::create_directories(box.folders.held);
        testing::WriteFile(box.folders.held / file, content);
    }
    std::vector<std::wstring> StoreTree() {
        return testing::DumpTree(HKEY_CURRENT_USER, L"Software\\Veltane");
    }
};

TEST_F(RestoreTest, GivesBackEachSectionToItsKeyAndUnregistersTheLauncher) {
    StoreWrite(os, kMachineSection, L"M", L"C:\\m.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"C:\\P\\Tarnwick");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Veltane", L"C:\\user-own.exe");
    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(result.everythingBack);
    EXPECT_TRUE(result.held.empty());

    // No user section: nothing written there; the user's own "Veltane" is not the launcher's.
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"M", L"C:\\m.exe"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Veltane", L"C:\\user-own.exe"}}));
    const auto written = testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_EQ(written.at(0).type, static_cast<DWORD>(REG_SZ));
}

// A program wrote its value again while Tarnwick held the old one (an updater with a new path, an
// expandable value that stays with Windows): the user keeps the newer one, and the held copy is
// released as given back.
TEST_F(RestoreTest, AValueWrittenAgainMeanwhileStaysAsItIs) {
    StoreWrite(os, kMachineSection, L"M", L"C:\\m.exe");
    StoreWrite(os, kUserSection, L"Sync", L"C:\\old\\sync.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"M", L"C:\\m-newer.exe");
    const std::wstring expandable = L"%LOCALAPPDATA%\\sync.exe";
    testing::SetRaw(HKEY_CURRENT_USER, kRunKey, L"Sync", REG_EXPAND_SZ, expandable.c_str(),
                    static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(result.everythingBack);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"M", L"C:\\m-newer.exe"}}));
    const auto user = testing::DumpKey(HKEY_CURRENT_USER, kRunKey);
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(user[0].type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(DecodeRegString(user[0].data), expandable);
    EXPECT_TRUE(StoreReadSection(os, kMachineSection).empty());
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
}

TEST_F(RestoreTest, UserSectionAloneAndRestoringTwice) {
    StoreWrite(os, kUserSection, L"U", L"C:\\u.exe");
    Held(L"Mail.lnk");
    EXPECT_TRUE(RestoreStartupEntries(ctx, false).everythingBack);
    EXPECT_TRUE(RestoreStartupEntries(ctx, false).everythingBack);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"U", L"C:\\u.exe"}}));
    EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"Mail.lnk"});
    // What was given back is no longer held.
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
}

// The user turns a given-back program off (its own option removes its Run value): no later
// restore, nor the next capture, brings it back from a stale copy.
TEST_F(RestoreTest, WhatWasGivenBackIsNoLongerHeld) {
    StoreWrite(os, kMachineSection, L"M", L"C:\\m.exe");
    StoreWrite(os, kUserSection, L"Chat", L"C:\\chat.exe");
    EXPECT_TRUE(RestoreStartupEntries(ctx, true).everythingBack);
    EXPECT_TRUE(StoreReadSection(os, kMachineSection).empty());
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());

    ASSERT_EQ(Registry::DeleteValue(os, HKEY_CURRENT_USER, kRunKey, L"Chat"), ERROR_SUCCESS);
    EXPECT_TRUE(RestoreStartupEntries(ctx, false).everythingBack);
    EXPECT_TRUE(RunValues(HKEY_CURRENT_USER).empty());
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
    EXPECT_EQ(StoreRead(os, kMachineSection, L"M", L""), L"C:\\m.exe");
}

// A store written by hand or by another program holds values of other types. None is dropped: an
// expandable command is started expanded and goes back with its type; any other stays held, named.
TEST_F(RestoreTest, HeldValuesOfOtherTypesAreStartedOrKeptNeverDropped) {
    const std::wstring section = StoreSectionKey(kUserSection);
    const std::wstring sync = L"%SystemRoot%\\sync.exe";
    testing::SetRaw(HKEY_CURRENT_USER, section, L"Sync", REG_EXPAND_SZ, sync.c_str(),
                    static_cast<DWORD>((sync.size() + 1) * sizeof(wchar_t)));
    const DWORD one = 1;
    testing::SetRaw(HKEY_CURRENT_USER, section, L"Odd", REG_DWORD, &one, sizeof one);
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(ctx.programFolder));

    LaunchList list;
    listt(ctx, list);
    EXPECT_EQ(list.names.Items(), std::vector<std::wstring>{L"Sync"});
    EXPECT_EQ(list.commands.Items(), std::vector<std::wstring>{sync});

    const RestoreResult result = RestoreStartupEntries(ctx, false);
    const std::vector<testing::RawValue> run = testing::DumpKey(HKEY_CURRENT_USER, kRunKey);
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0].name, L"Sync");
    EXPECT_EQ(run[0].type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(DecodeRegString(run[0].data), sync);
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].name, L"Odd");
    EXPECT_EQ(result.held[0].error, static_cast<DWORD>(ERROR_UNSUPPORTED_TYPE));
    EXPECT_FALSE(result.everythingBack);
    const std::vector<testing::RawValue> kept = testing::DumpKey(HKEY_CURRENT_USER, section);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(RestoreTest, MovesOnlyPlainShortcutsAndNeverReplaces) {
    Held(L"Free.lnk");
    Held(L"Taken.lnk", "held copy");
    testing::WriteFile(box.folders.startUp / L"Taken.lnk", "startup copy");
    Held(L"Hidden.lnk");
    ::SetFileAttributesW((box.folders.held / L"Hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::filesystem::create_directory(box.folders.held / L"sub");
    testing::WriteFile(box.folders.held / L"sub" / L"Deep.lnk");
    Held(L"Tarnwick.exe");
    // The same name already in the StartUp folder: either copy may be the one the program wants,
    // so the held one stays held and is named, and the launcher stays to start it.
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(ctx.programFolder));
    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_FALSE(result.everythingBack);
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].name, L"Taken");
    EXPECT_EQ(result.held[0].error, static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_NE(FailureReason(result.held[0].error).find(L"a shortcut of that name is there"),
              std::wstring::npos);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane"), 1u);

    EXPECT_EQ(testing::FileNames(box.folders.startUp),
              (std::vector<std::wstring>{L"Free.lnk", L"Taken.lnk"}));
    EXPECT_EQ(testing::FileNames(box.folders.held),
              (std::vector<std::wstring>{L"Hidden.lnk", L"Taken.lnk", L"Tarnwick.exe", L"sub"}));
    std::ifstream kept(box.folders.startUp / L"Taken.lnk");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "startup copy");
}

TEST_F(RestoreTest, LaunchOrderIsForgottenOnlyInTheSettingsFormAndOnlyWithShortcuts) {
    StoreWrite(os, kPrioritySection, L"A", L"0");
    RestoreStartupEntries(ctx, true);
    EXPECT_EQ(StoreReadSection(os, kPrioritySection).size(), 1u) << "no shortcut: order kept";

    Held(L"Blocked.lnk");
    testing::FaultyOs faulty(os);
    faulty.rule = [](const Call& c) -> DWORD {
        return c.op == Op::MoveFile ? ERROR_SHARING_VIOLATION : 0;
    };
    RestoreStartupEntries({faulty, box.ProgramFolder()}, true);
    EXPECT_TRUE(StoreReadSection(os, kPrioritySection).empty())
        << "handled, even though the move failed";
}

TEST_F(RestoreTest, TheUninstallersFormKeepsOptionsAndLaunchOrder) {
    StoreWrite(os, kMachineSection, L"M", L"C:\\m.exe");
    StoreWrite(os, kUserSection, L"U", L"C:\\u.exe");
    StoreWrite(os, kPrioritySection, L"M", L"0");
    StoreWrite(os, kMiscSection, L"TimeDelay", L"40");
    Held(L"S.lnk");
    const auto priority = StoreReadSection(os, kPrioritySection);
    const auto misc = StoreReadSection(os, kMiscSection);
    RestoreStartupEntries(ctx, false);
    EXPECT_EQ(StoreReadSection(os, kPrioritySection), priority);
    EXPECT_EQ(StoreReadSection(os, kMiscSection), misc);
    EXPECT_TRUE(StoreReadSection(os, kMachineSection).empty());
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
}

TEST_F(RestoreTest, WhatCannotBeHandedBackKeepsTheLauncherRegistered) {
    StoreWrite(os, kMachineSection, L"M", L"C:\\m.exe");
    StoreWrite(os, kUserSection, L"U", L"C:\\u.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"C:\\P\\Tarnwick");
    testing::FaultyOs faulty(os);
    // A standard user: the machine's Run key is read-only.
    faulty.rule = [](const Call& c) -> DWORD {
        return c.Changes() && c.root == HKEY_LOCAL_MACHINE ? ERROR_ACCESS_DENIED : 0;
    };
    const RestoreResult result = RestoreStartupEntries({faulty, box.ProgramFolder()}, true);
    EXPECT_FALSE(result.everythingBack);
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].kind, EntryKind::RunValue);
    EXPECT_EQ(result.held[0].name, L"M");
    EXPECT_EQ(result.held[0].section, kMachineSection);
    EXPECT_EQ(result.held[0].error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", L"C:\\P\\Tarnwick"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"U", L"C:\\u.exe"}}));
    // Only what went back left the store.
    EXPECT_EQ(StoreReadSection(os, kMachineSection),
              (std::vector<StorePair>{{L"M", L"C:\\m.exe"}}));
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());

    // Folders that cannot be resolved keep the held shortcuts, so the launcher must stay too.
    faulty.rule = [](const Call& c) -> DWORD { return c.op == Op::ShellFolder ? 1 : 0; };
    Held(L"S.lnk");
    EXPECT_FALSE(RestoreStartupEntries({faulty, box.ProgramFolder()}, false).everythingBack);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane"), 1u);
    EXPECT_TRUE(RestoreStartupEntries(ctx, false).everythingBack);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane"), 0u);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"M"), 1u);
}

TEST_F(RestoreTest, AShortcutInUseIsReportedByName) {
    Held(L"Mail Client.lnk");
    Held(L"Free.lnk");
    testing::FaultyOs faulty(os);
    faulty.rule = [](const Call& c) -> DWORD {
        return c.op == Op::MoveFile && c.a.ends_with(L"Mail Client.lnk") ? ERROR_SHARING_VIOLATION
                                                                         : 0;
    };
    const RestoreResult result = RestoreStartupEntries({faulty, box.ProgramFolder()}, false);
    EXPECT_FALSE(result.everythingBack);
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].kind, EntryKind::Shortcut);
    EXPECT_EQ(result.held[0].name, L"Mail Client");
    EXPECT_EQ(FailureReason(result.held[0].error), L"the file is in use by another program");
    EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"Free.lnk"});
}

// A start-up world before the capture, kept for comparison after the round trip.
struct World {
    std::vector<testing::RawValue> machine, user;
    std::vector<std::wstring> startUp;
};

World Snapshot(const testing::Sandbox& box) {
    return {testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey),
            testing::DumpKey(HKEY_CURRENT_USER, kRunKey), testing::FileNames(box.folders.startUp)};
}

// Fills both Run keys and the StartUp folder with a generated mix of everything a real machine has.
void Generate(std::mt19937& rng, testing::Sandbox& box) {
    const std::wstring alphabets[] = {L"abcXYZ09 _-.", L"\u00E9\u00DF\u00F8\u0416\u0444",
                                      L"\u4E2D\u6587\u65E5\u672C", L"\u0627\u0644\u0639\u0631",
                                      L"\U0001F600\U0001F680"};
    auto text = [&](size_t maxLen) {
        const std::wstring& a = alphabets[rng() % std::size(alphabets)];
        std::wstring s;
        const size_t len = 1 + rng() % maxLen;
        while (s.size() < len) s += a[rng() % a.size()];
        return s;
    };
    const size_t count = 1 + rng() % 12;
    for (size_t i = 0; i < count; ++i) {
        const HKEY root = rng() % 2 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        std::wstring name = L"P" + std::to_wstring(i) + L" " + text(10);
        std::wstring command = L"\"C:\\" + text(12) + L"\\app.exe\" /" + text(6);
        switch (rng() % 8) {
            case 0:
                command = L"RunDll32.exe " + text(5) + L".dll,Entry";
                break;
            case 1:
                name = L"taskbar display controls";
                break;
            case 2:
                testing::SetSz(root == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                               kRunKey, name, L"C:\\twin.exe");
                break;
            case 3: {
                const BYTE off[12] = {0x03};
                testing::SetRaw(root, kApprovedRunKey, name, REG_BINARY, off, sizeof off);
                break;
            }
            default:
                break;
        }
        testing::SetSz(root, kRunKey, name, command);
    }
    const size_t shortcuts = rng() % 4;
    for (size_t i = 0; i < shortcuts; ++i)
        testing::WriteFile(box.folders.startUp / (L"S" + std::to_wstring(i) + text(6) + L".lnk"));
}

TEST_F(RestoreTest, TheThirtyTwoBitViewGetsBackWhatCameFromIt) {
    const auto view32 = [] {
        Values values;
        for (const auto& v : testing::DumpKey(HKEY_LOCAL_MACHINE, kRun32Key))
            values[v.name] = DecodeRegString(v.data);
        return values;
    };
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Shared", L"C:\\x86\\shared.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Updater", L"C:\\x86\\updater.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Shared", L"C:\\x64\\shared.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    ASSERT_TRUE(view32().empty());

    EXPECT_TRUE(RestoreStartupEntries(ctx, true).everythingBack);
    EXPECT_EQ(view32(),
              (Values{{L"Shared", L"C:\\x86\\shared.exe"}, {L"Updater", L"C:\\x86\\updater.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Shared", L"C:\\x64\\shared.exe"}}));
    EXPECT_TRUE(StoreReadSection(os, kMachine32Section).empty());
}

TEST(RoundTripTest, CaptureThenRestoreGivesBackWhatWindowsHad) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        testing::Sandbox box;
        std::mt19937 rng(seed);
        Generate(rng, box);
        const World original = Snapshot(box);
        const StoreContext ctx{SystemOs(), box.ProgramFolder()};

        CaptureStartupEntries(ctx, Registration::Write);
        const auto firstStore = testing::DumpTree(HKEY_CURRENT_USER, L"Software\\Veltane");
        EXPECT_TRUE(RestoreStartupEntries(ctx, false).everythingBack) << "seed " << seed;
        const World back = Snapshot(box);
        EXPECT_EQ(back.machine, original.machine) << "seed " << seed;
        EXPECT_EQ(back.user, original.user) << "seed " << seed;
        EXPECT_EQ(back.startUp, original.startUp) << "seed " << seed;

        CaptureStartupEntries(ctx, Registration::Write);
        EXPECT_EQ(testing::DumpTree(HKEY_CURRENT_USER, L"Software\\Veltane"), firstStore)
            << "seed " << seed;
    }
}

// Any single failing call of the restore leaves every entry somewhere it starts from: back with
// Windows, or still held with the launcher still registered.
TEST(RestoreFaultTest, EverySingleFailureLeavesEveryEntryStartable) {
    auto seed = [](testing::Sandbox& box) {
        StoreWrite(SystemOs(), kMachineSection, L"M1", L"C:\\m1.exe");
        StoreWrite(SystemOs(), kMachineSection, L"Both", L"C:\\both-m.exe");
        StoreWrite(SystemOs(), kUserSection, L"Both", L"C:\\both-u.exe");
        StoreWrite(SystemOs(), kUserSection, L"U1", L"C:\\u1.exe");
        StoreWrite(SystemOs(), kPrioritySection, L"M1", L"0");
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane",
                       box.ProgramFolder() + L"\\Tarnwick");
        // S1 where Tarnwick holds shortcuts now, S2 where an earlier version held them.
        std::filesystem::create_directories(box.folders.held);
        testing::WriteFile(box.folders.held / L"S1.lnk");
        testing::WriteFile(box.folders.program / L"S2.lnk");
    };
    size_t calls = 0;
    {
        testing::Sandbox box;
        seed(box);
        testing::FaultyOs counting(SystemOs());
        counting.rule = [&](const Call&) -> DWORD { return ++calls, 0; };
        RestoreStartupEntries({counting, box.ProgramFolder()}, true);
    }
    ASSERT_GT(calls, 10u);

    for (size_t failing = 0; failing < calls; ++failing) {
        testing::Sandbox box;
        seed(box);
        testing::FaultyOs faulty(SystemOs());
        size_t n = 0;
        faulty.rule = [&](const Call&) -> DWORD {
            return n++ == failing ? ERROR_ACCESS_DENIED : 0;
        };
        RestoreStartupEntries({faulty, box.ProgramFolder()}, true);

        const bool launcher = RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane") == 1;
        const std::pair<HKEY, std::wstring> values[] = {{HKEY_LOCAL_MACHINE, L"M1"},
                                                        {HKEY_LOCAL_MACHINE, L"Both"},
                                                        {HKEY_CURRENT_USER, L"Both"},
                                                        {HKEY_CURRENT_USER, L"U1"}};
        for (const auto& [root, name] : values) {
            const bool back = RunValues(root).count(name) == 1;
            const bool held =
                StoreRead(SystemOs(), root == HKEY_LOCAL_MACHINE ? kMachineSection : kUserSection,
                          name, L"") != L"";
            EXPECT_TRUE(back || (held && launcher)) << "failing call " << failing << ": " << name;
        }
        for (const wchar_t* s : {L"S1.lnk", L"S2.lnk"}) {
            const bool back = std::filesystem::exists(box.folders.startUp / s);
            const bool held = std::filesystem::exists(box.folders.held / s) ||
                              std::filesystem::exists(box.folders.program / s);
            EXPECT_TRUE(back || (held && launcher)) << "failing call " << failing << ": " << s;
        }
    }
}

}  // namespace
}  // namespace tarnwick

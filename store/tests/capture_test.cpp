// Capture of start-up entries against Wine's real registry and folders, with faults injected
// through the OS seam.
#include "capture.h"

#include "registry.h"
#include "reports.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <fstream>

#include <map>

namespace tarnwick {
namespace {

using testing::Call;
using testing::Op;

const std::wstring kApprovedRun(kApprovedRunKey);

class CaptureTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    StoreContext ctx{SystemOs(), box.ProgramFolder()};

    static void Run(HKEY root, std::wstring_view name, std::wstring_view command) {
        testing::SetSz(root, kRunKey, name, command);
    }
    static std::map<std::wstring, std::wstring> RunValues(HKEY root) {
        std::map<std::wstring, std::wstring> values;
        for (const auto& v : testing::DumpKey(root, kRunKey)) {
            values[v.name] = v.type == REG_SZ ? DecodeRegString(v.data)
                                              : L"<type " + std::to_wstring(v.type) + L">";
        }
        return values;
    }
    std::map<std::wstring, std::wstring> Section(std::wstring_view section) {
        std::map<std::wstring, std::wstring> pairs;
        for (auto& [k, v] : StoreReadSection(SystemOs(), section)) pairs[k] = v;
        return pairs;
    }
    std::wstring Launcher() const { return LauncherCommand(box.ProgramFolder()); }
    static void Disable(HKEY root, std::wstring_view key, std::wstring_view name, BYTE first) {
        const BYTE data[12] = {first};
        testing::SetRaw(root, key, name, REG_BINARY, data, sizeof data);
    }
};

using Values = std::map<std::wstring, std::wstring>;

TEST_F(CaptureTest, MovesRunValuesIntoTheStoreAndRegistersTheLauncher) {
    Run(HKEY_LOCAL_MACHINE, L"Alpha", L"\"C:\\Program Files\\Alpha\\alpha.exe\" /tray");
    Run(HKEY_LOCAL_MACHINE, L"Beta", L"C:\\beta.exe");
    Run(HKEY_CURRENT_USER, L"Gamma", L"C:\\gamma.exe -min");
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(Section(kMachineSection),
              (Values{{L"Alpha", L"\"C:\\Program Files\\Alpha\\alpha.exe\" /tray"},
                      {L"Beta", L"C:\\beta.exe"}}));
    EXPECT_EQ(Section(kUserSection), (Values{{L"Gamma", L"C:\\gamma.exe -min"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), Values{});
}

TEST_F(CaptureTest, FilteredValuesStayWithWindows) {
    Run(HKEY_LOCAL_MACHINE, L"Veltane", L"C:\\elsewhere\\Tarnwick");
    Run(HKEY_LOCAL_MACHINE, L"TASKBAR Display Controls", L"C:\\tdc.exe");
    Run(HKEY_LOCAL_MACHINE, L"Dll", L"RUNDLL32.EXE shell32.dll,Control_RunDLL");
    Run(HKEY_CURRENT_USER, L"Dll2", L"rUnDlL32 x.dll,Entry");
    Run(HKEY_CURRENT_USER, L"Veltane", L"C:\\user\\own.exe");
    // Six characters taken before trimming: a space in front lets this one be captured.
    Run(HKEY_CURRENT_USER, L"Spaced", L" rundll32 y.dll,Entry");
    Run(HKEY_CURRENT_USER, L"veltane", L"C:\\lower.exe");
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"Veltane", Launcher()},
                      {L"TASKBAR Display Controls", L"C:\\tdc.exe"},
                      {L"Dll", L"RUNDLL32.EXE shell32.dll,Control_RunDLL"}}));
    // Wine names are case-insensitive: "Veltane" and "veltane" are one value; whichever name
    // the registry kept decides. Either way nothing is lost.
    const Values user = RunValues(HKEY_CURRENT_USER);
    EXPECT_EQ(user.count(L"Dll2"), 1u);
    EXPECT_EQ(user.count(L"Spaced"), 0u);
    EXPECT_EQ(Section(kUserSection).count(L"Spaced"), 1u);
    EXPECT_TRUE(Section(kMachineSection).empty());
}

TEST_F(CaptureTest, FilterRules) {
    const std::wstring folder = L"C:\\Program Files\\Tarnwick";
    const auto accepted = [&](std::wstring_view name, std::wstring_view command) {
        return IsAcceptedEntry(SystemOs(), name, command, folder);
    };
    EXPECT_FALSE(accepted(L"Veltane", L"x"));
    // Registry names ignore letter case: "VELTANE" is the launcher's own value.
    EXPECT_FALSE(accepted(L"VELTANE", L"x"));
    EXPECT_FALSE(accepted(L"Taskbar Display Controls", L"x"));
    EXPECT_FALSE(accepted(L"a", L"RunDll32.exe"));
    EXPECT_FALSE(accepted(L"a", L"rundll"));
    EXPECT_TRUE(accepted(L"a", L" rundll32"));
    EXPECT_TRUE(accepted(L"a", L"rundl"));
    EXPECT_TRUE(accepted(L"a", L""));
    // No list can show or start a row without a name.
    EXPECT_FALSE(accepted(L" ", L"C:\\x.exe"));
    // Another value that starts this folder's launcher, in any of its spellings, would make
    // launchers start each other.
    EXPECT_FALSE(accepted(L"Again", L"\"C:\\Program Files\\Tarnwick\\Tarnwick.exe\""));
    EXPECT_FALSE(accepted(L"Again", L"  c:\\program files\\tarnwick\\TARNWICK.EXE /x"));
    EXPECT_FALSE(accepted(L"Again", L"C:\\Program Files\\Tarnwick\\Tarnwick"));
    EXPECT_TRUE(accepted(L"Other", L"C:\\Program Files\\Tarnwick\\TarnwickSettings.exe"));
    EXPECT_TRUE(accepted(L"Other", L"C:\\Elsewhere\\Tarnwick.exe"));
}

// Windows names one file by many paths. A value that names the launcher by its short 8.3 path or
// by another spelling is the launcher, told by the file it names: left with Windows by the
// take-over, never started or dropped by the launcher.
TEST_F(CaptureTest, TheLauncherIsKnownByItsFileWhateverPathNamesIt) {
    testing::WriteFile(box.folders.program / L"Tarnwick.exe", "launcher");
    testing::WriteFile(box.folders.program / L"TarnwickSettings.exe", "settings");
    wchar_t shortFolder[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameW(box.ProgramFolder().c_str(), shortFolder, MAX_PATH), 0u);
    wchar_t shortLauncher[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameW((box.folders.program / L"Tarnwick.exe").c_str(), shortLauncher,
                                  MAX_PATH),
              0u);
    const std::wstring viaShortFolder = std::wstring(shortFolder) + L"\\Tarnwick.exe";
    ASSERT_NE(viaShortFolder, (box.folders.program / L"Tarnwick.exe").wstring())
        << "the sandbox's folder has no short name of its own";
    Run(HKEY_CURRENT_USER, L"Short", viaShortFolder + L" /x");
    Run(HKEY_CURRENT_USER, L"Shorter", L"\"" + std::wstring(shortLauncher) + L"\"");
    Run(HKEY_CURRENT_USER, L"Settings", std::wstring(shortFolder) + L"\\TarnwickSettings.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER),
              (Values{{L"Short", viaShortFolder + L" /x"},
                      {L"Shorter", L"\"" + std::wstring(shortLauncher) + L"\""}}));
    EXPECT_EQ(Section(kUserSection).count(L"Settings"), 1u);
}

TEST_F(CaptureTest, SameNameUnderBothRootsAndDefaultValues) {
    Run(HKEY_LOCAL_MACHINE, L"Shared", L"C:\\machine.exe");
    Run(HKEY_CURRENT_USER, L"Shared", L"C:\\user.exe");
    Run(HKEY_LOCAL_MACHINE, L"", L"C:\\default-m.exe");
    Run(HKEY_CURRENT_USER, L"", L"C:\\default-u.exe");
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(Section(kMachineSection), (Values{{L"Shared", L"C:\\machine.exe"}}));
    EXPECT_EQ(Section(kUserSection), (Values{{L"Shared", L"C:\\user.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"", L"C:\\default-m.exe"}, {L"Veltane", Launcher()}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"", L"C:\\default-u.exe"}}));
}

TEST_F(CaptureTest, ValuesThatCannotBeReadAsPlainTextStayWithWindows) {
    const wchar_t expand[] = L"%ProgramFiles%\\x.exe";
    testing::SetRaw(HKEY_CURRENT_USER, kRunKey, L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
    const DWORD number = 1;
    testing::SetRaw(HKEY_CURRENT_USER, kRunKey, L"Number", REG_DWORD, &number, sizeof number);
    Run(HKEY_CURRENT_USER, L"Fine", L"C:\\fine.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(Section(kUserSection), (Values{{L"Fine", L"C:\\fine.exe"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER),
              (Values{{L"Expand", L"<type 2>"}, {L"Number", L"<type 4>"}}));

    // A key that cannot be read is left alone; the other key is still captured.
    Run(HKEY_CURRENT_USER, L"Unread", L"C:\\unread.exe");
    Run(HKEY_LOCAL_MACHINE, L"Machine", L"C:\\machine.exe");
    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::EnumValues && c.root == HKEY_CURRENT_USER && c.a == kRunKey
                   ? ERROR_ACCESS_DENIED
                   : 0;
    };
    CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER).count(L"Unread"), 1u);
    EXPECT_EQ(Section(kUserSection).count(L"Unread"), 0u);
    EXPECT_EQ(Section(kMachineSection), (Values{{L"Machine", L"C:\\machine.exe"}}));

    // A store section that cannot be read gives no way to undo: that origin waits.
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::EnumValues && c.a == StoreSectionKey(kUserSection) ? ERROR_ACCESS_DENIED
                                                                              : 0;
    };
    CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER).count(L"Unread"), 1u);
}

TEST_F(CaptureTest, LongNamesAndDataAndTextOutsideTheCodePage) {
    const std::wstring longName(300, L'L');
    const std::wstring longCommand = L"C:\\long.exe " + std::wstring(5000, L'a');
    const std::wstring wideName = L"\u4E2D\u6587\u7A0B\u5E8F";
    const std::wstring wideCommand = L"\"C:\\\u0424\u0430\u0439\u043B\\\u7A0B\u5E8F.exe\" -\u00FC";
    Run(HKEY_CURRENT_USER, L"A first", L"C:\\a.exe");
    Run(HKEY_CURRENT_USER, longName, L"C:\\l.exe");
    Run(HKEY_CURRENT_USER, L"Big", longCommand);
    Run(HKEY_CURRENT_USER, wideName, wideCommand);
    Run(HKEY_CURRENT_USER, L"zz last", L"C:\\z.exe");
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(Section(kUserSection), (Values{{L"A first", L"C:\\a.exe"},
                                             {longName, L"C:\\l.exe"},
                                             {L"Big", longCommand},
                                             {wideName, wideCommand},
                                             {L"zz last", L"C:\\z.exe"}}));
    EXPECT_TRUE(RunValues(HKEY_CURRENT_USER).empty());
}

TEST_F(CaptureTest, EntriesTheUserSwitchedOffStayWithWindows) {
    Run(HKEY_CURRENT_USER, L"Off", L"C:\\off.exe");
    Run(HKEY_CURRENT_USER, L"On", L"C:\\on.exe");
    Run(HKEY_LOCAL_MACHINE, L"MachineOff", L"C:\\moff.exe");
    Disable(HKEY_CURRENT_USER, kApprovedRun, L"Off", 0x03);
    Disable(HKEY_CURRENT_USER, kApprovedRun, L"On", 0x02);
    Disable(HKEY_LOCAL_MACHINE, kApprovedRun, L"MachineOff", 0x03);
    testing::WriteFile(box.folders.startUp / L"off.lnk");
    testing::WriteFile(box.folders.startUp / L"on.lnk");
    Disable(HKEY_CURRENT_USER, kApprovedStartupFolderKey, L"off.lnk", 0x03);
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(Section(kUserSection), (Values{{L"On", L"C:\\on.exe"}}));
    EXPECT_TRUE(Section(kMachineSection).empty());
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Off", L"C:\\off.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"MachineOff"), 1u);
    EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"off.lnk"});
}

// A program that writes its StartUp shortcut again each time it starts: the newest one replaces the
// held copy, so that the program is delayed at the next log-on instead of started by Windows.
TEST_F(CaptureTest, StartUpSweepMovesOnlyPlainShortcutsAndTheNewestCopyCounts) {
    testing::WriteFile(box.folders.startUp / L"Mail.lnk", "mail");
    testing::WriteFile(box.folders.startUp / L"Taken.lnk", "startup copy");
    std::filesystem::create_directories(box.folders.held);
    testing::WriteFile(box.folders.held / L"Taken.lnk", "held copy");
    testing::WriteFile(box.folders.startUp / L"notes.txt");
    testing::WriteFile(box.folders.startUp / L"odd.lnkx");
    testing::WriteFile(box.folders.startUp / L"Hidden.lnk");
    ::SetFileAttributesW((box.folders.startUp / L"Hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
    std::filesystem::create_directory(box.folders.startUp / L"Sub.lnk");
    EXPECT_EQ(CaptureStartupEntries(ctx, Registration::Write).startUp,
              box.folders.startUp.wstring());

    EXPECT_EQ(testing::FileNames(box.folders.held),
              (std::vector<std::wstring>{L"Mail.lnk", L"Taken.lnk"}));
    std::ifstream taken(box.folders.held / L"Taken.lnk");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(taken), {}), "startup copy");
    EXPECT_EQ(testing::FileNames(box.folders.program), std::vector<std::wstring>{L"Tarnwick.exe"});
    EXPECT_EQ(testing::FileNames(box.folders.startUp),
              (std::vector<std::wstring>{L"Hidden.lnk", L"Sub.lnk", L"notes.txt", L"odd.lnkx"}));
}

TEST_F(CaptureTest, SecondCallFindsNothingNewAndFreshTablesCarryNothingOver) {
    Run(HKEY_CURRENT_USER, L"A", L"C:\\a-old.exe");
    Run(HKEY_CURRENT_USER, L"B", L"C:\\b-old.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(Section(kUserSection), (Values{{L"A", L"C:\\a-old.exe"}, {L"B", L"C:\\b-old.exe"}}));

    // An updater puts B back with a new command. The next capture must take exactly that; an
    // entry left over from the earlier call would write B's old command over it.
    Run(HKEY_CURRENT_USER, L"B", L"C:\\b-new.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(Section(kUserSection), (Values{{L"A", L"C:\\a-old.exe"}, {L"B", L"C:\\b-new.exe"}}));
    EXPECT_TRUE(RunValues(HKEY_CURRENT_USER).empty());
}

TEST_F(CaptureTest, ValuesBeyondTheTableWaitForALaterCapture) {
    for (int i = 0; i < 510; ++i)
        Run(HKEY_CURRENT_USER, L"P" + std::to_wstring(1000 + i), L"C:\\p.exe");
    CaptureStartupEntries(ctx, Registration::Write);
    // No machine values: user value j takes slot j + 1, so 500 fit.
    EXPECT_EQ(Section(kUserSection).size(), 500u);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER).size(), 10u);
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(Section(kUserSection).size(), 510u);
    EXPECT_TRUE(RunValues(HKEY_CURRENT_USER).empty());
}

TEST_F(CaptureTest, AFailedStoreWriteLeavesTheValueInItsRunKey) {
    Run(HKEY_CURRENT_USER, L"Keep", L"C:\\keep.exe");
    Run(HKEY_CURRENT_USER, L"Move", L"C:\\move.exe");
    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::SetString && c.b == L"Keep" ? ERROR_ACCESS_DENIED : 0;
    };
    CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write);
    EXPECT_EQ(Section(kUserSection), (Values{{L"Move", L"C:\\move.exe"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Keep", L"C:\\keep.exe"}}));
}

TEST_F(CaptureTest, AFailedRunDeleteTakesTheStoreWriteBack) {
    // A standard user cannot change the machine's Run key: the program must stay started by
    // Windows alone, not twice.
    Run(HKEY_LOCAL_MACHINE, L"New", L"C:\\new.exe");
    Run(HKEY_LOCAL_MACHINE, L"Again", L"C:\\again-v2.exe");
    StoreWrite(SystemOs(), kMachineSection, L"Again", L"C:\\again-v1.exe");
    Run(HKEY_CURRENT_USER, L"User", L"C:\\user.exe");
    Run(HKEY_LOCAL_MACHINE, L"Veltane", Launcher());
    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return (c.op == Op::DeleteValue || c.op == Op::SetString) && c.root == HKEY_LOCAL_MACHINE
                   ? ERROR_ACCESS_DENIED
                   : 0;
    };
    const CaptureResult result =
        CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Require);

    EXPECT_EQ(Section(kMachineSection), (Values{{L"Again", L"C:\\again-v1.exe"}}));
    ASSERT_EQ(result.left.size(), 2u);
    EXPECT_EQ(result.left[0].section, kMachineSection);
    EXPECT_EQ(result.left[0].error, DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"New", L"C:\\new.exe"},
                                                     {L"Again", L"C:\\again-v2.exe"},
                                                     {L"Veltane", Launcher()}}));
    EXPECT_EQ(Section(kUserSection), (Values{{L"User", L"C:\\user.exe"}}));
}

TEST_F(CaptureTest, FailedMovesAndUnresolvableFoldersLeaveShortcutsWhereTheyAre) {
    testing::WriteFile(box.folders.startUp / L"Stuck.lnk");
    testing::WriteFile(box.folders.startUp / L"Free.lnk");
    Run(HKEY_CURRENT_USER, L"A", L"C:\\a.exe");
    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::MoveFileReplacing && c.a.ends_with(L"Stuck.lnk")
                   ? ERROR_SHARING_VIOLATION
                   : 0;
    };
    const auto left = CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write).left;
    EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"Stuck.lnk"});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, L"Stuck");
    EXPECT_EQ(left[0].error, DWORD{ERROR_SHARING_VIOLATION});

    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::ShellFolder && c.a == std::to_wstring(kCsidlRecent) ? 1 : 0;
    };
    Run(HKEY_CURRENT_USER, L"B", L"C:\\b.exe");
    EXPECT_EQ(CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write).startUp, L"");
    EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"Stuck.lnk"});
    // The Run values are still captured and the launcher registered.
    EXPECT_EQ(Section(kUserSection).size(), 2u);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));

    // A folder of held shortcuts that cannot be made: every shortcut stays, and each is reported.
    std::filesystem::remove_all(box.folders.held);
    testing::WriteFile(box.folders.startUp / L"Late.lnk");
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::CreateDirectory ? ERROR_ACCESS_DENIED : 0;
    };
    const CaptureResult taken =
        CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write);
    EXPECT_EQ(testing::FileNames(box.folders.startUp),
              (std::vector<std::wstring>{L"Late.lnk", L"Stuck.lnk"}));
    ASSERT_EQ(taken.left.size(), 2u);
    const std::wstring report = TakeOverReport(taken);
    EXPECT_NE(report.find(L"\"Late\""), std::wstring::npos) << report;
    EXPECT_NE(report.find(L"\"Stuck\""), std::wstring::npos) << report;
}

TEST_F(CaptureTest, NothingIsTakenUnlessTheLauncherIsRegisteredToStartIt) {
    Run(HKEY_CURRENT_USER, L"Mail", L"C:\\mail.exe");
    testing::WriteFile(box.folders.startUp / L"Notes.lnk");
    const auto untouched = [&] {
        EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Mail", L"C:\\mail.exe"}}));
        EXPECT_TRUE(Section(kUserSection).empty());
        EXPECT_EQ(testing::FileNames(box.folders.startUp), std::vector<std::wstring>{L"Notes.lnk"});
    };
    // The launcher at log-on and the settings window's opening never register it.
    EXPECT_FALSE(CaptureStartupEntries(ctx, Registration::Require).launcherInPlace);
    untouched();
    EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());

    // A standard user cannot write the machine's Run key: the switch to Enabled takes nothing.
    testing::FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::SetString && c.root == HKEY_LOCAL_MACHINE ? ERROR_ACCESS_DENIED : 0;
    };
    EXPECT_FALSE(
        CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write).launcherInPlace);
    untouched();

    // A value of that name that starts something else is no registration either.
    Run(HKEY_LOCAL_MACHINE, L"VELTANE", L"C:\\Program.exe");
    EXPECT_FALSE(CaptureStartupEntries(ctx, Registration::Require).launcherInPlace);
    untouched();
}

TEST_F(CaptureTest, APathNotFoundFromTheRegistryIsNothingThereAsOnWindows) {
    // Where Wine answers ERROR_FILE_NOT_FOUND, Windows may answer ERROR_PATH_NOT_FOUND.
    testing::FaultyOs os(SystemOs());
    os.rule = testing::MissingAsPathNotFound(SystemOs());
    bool complete = false;
    EXPECT_TRUE(StoreReadSection(os, kUserSection, &complete).empty());
    EXPECT_TRUE(complete) << "a missing section is read whole";

    Run(HKEY_LOCAL_MACHINE, L"Veltane", Launcher());
    Run(HKEY_CURRENT_USER, L"Mail", L"C:\\mail.exe");
    const CaptureResult result =
        CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Require);
    EXPECT_TRUE(result.launcherInPlace);
    EXPECT_TRUE(result.left.empty()) << result.left.size() << " left, the first for error "
                                     << (result.left.empty() ? 0 : result.left[0].error);
    // Taken into the sections, which did not exist before.
    EXPECT_EQ(Section(kUserSection), (Values{{L"Mail", L"C:\\mail.exe"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), Values{});
}

TEST_F(CaptureTest, AnEarlierUnquotedRegistrationCountsAndIsReplacedByTheNextWrite) {
    Run(HKEY_LOCAL_MACHINE, L"Veltane", box.ProgramFolder() + L"\\Tarnwick");
    Run(HKEY_CURRENT_USER, L"Mail", L"C:\\mail.exe");
    EXPECT_TRUE(CaptureStartupEntries(ctx, Registration::Require).launcherInPlace);
    EXPECT_EQ(Section(kUserSection), (Values{{L"Mail", L"C:\\mail.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"Veltane", box.ProgramFolder() + L"\\Tarnwick"}}));

    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(Launcher(), L"\"" + box.ProgramFolder() + L"\\Tarnwick.exe\"");
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
}

TEST_F(CaptureTest, TheMachinesThirtyTwoBitViewIsTakenIntoASectionOfItsOwn) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Updater", L"C:\\x86\\updater.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Shared", L"C:\\x86\\shared.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Off", L"C:\\x86\\off.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Dll", L"rundll32 x.dll,Entry");
    Run(HKEY_LOCAL_MACHINE, L"Shared", L"C:\\x64\\shared.exe");
    // Task Manager keeps the 32-bit view's flags under a key of their own; the same name's
    // flag under "Run" belongs to the 64-bit value.
    Disable(HKEY_LOCAL_MACHINE, kApprovedRun32Key, L"Off", 0x03);
    Disable(HKEY_LOCAL_MACHINE, kApprovedRun, L"Updater", 0x03);
    CaptureStartupEntries(ctx, Registration::Write);

    EXPECT_EQ(Section(kMachine32Section),
              (Values{{L"Updater", L"C:\\x86\\updater.exe"}, {L"Shared", L"C:\\x86\\shared.exe"}}));
    EXPECT_EQ(Section(kMachineSection), (Values{{L"Shared", L"C:\\x64\\shared.exe"}}));
    std::map<std::wstring, std::wstring> left32;
    for (const auto& v : testing::DumpKey(HKEY_LOCAL_MACHINE, kRun32Key))
        left32[v.name] = DecodeRegString(v.data);
    EXPECT_EQ(left32, (Values{{L"Off", L"C:\\x86\\off.exe"}, {L"Dll", L"rundll32 x.dll,Entry"}}));
    // The registration lives in the 64-bit view only.
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
}

TEST_F(CaptureTest, EntriesWithoutANameStayWithWindows) {
    Run(HKEY_CURRENT_USER, L" ", L"C:\\blank.exe");
    testing::WriteFile(box.folders.startUp / L".lnk");
    testing::WriteFile(box.folders.startUp / L"  .lnk");
    CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L" ", L"C:\\blank.exe"}}));
    EXPECT_TRUE(Section(kUserSection).empty());
    EXPECT_EQ(testing::FileNames(box.folders.startUp),
              (std::vector<std::wstring>{L"  .lnk", L".lnk"}));
}

// Every entry of a mixed set, cut off after each single change the capture makes, then captured
// again in full: nothing is lost at the cut, and afterwards each entry is in exactly one place.
TEST(CaptureCrashTest, CutOffAfterEveryStepLosesNothing) {
    struct Entry {
        HKEY root;
        std::wstring_view section, name, command;
    };
    const Entry entries[] = {{HKEY_LOCAL_MACHINE, kMachineSection, L"m1", L"C:\\m1.exe"},
                             {HKEY_LOCAL_MACHINE, kMachineSection, L"both", L"C:\\both-m.exe"},
                             {HKEY_CURRENT_USER, kUserSection, L"both", L"C:\\both-u.exe"},
                             {HKEY_CURRENT_USER, kUserSection, L"u1", L"C:\\u1-new.exe"}};
    const std::wstring_view shortcuts[] = {L"s1.lnk", L"s2.lnk"};

    size_t totalSteps = 0;
    for (size_t cut = 0;; ++cut) {
        testing::Sandbox box;
        for (const Entry& e : entries) testing::SetSz(e.root, kRunKey, e.name, e.command);
        StoreWrite(SystemOs(), kUserSection, L"u1", L"C:\\u1-old.exe");
        for (auto s : shortcuts) testing::WriteFile(box.folders.startUp / s);

        testing::FaultyOs os(SystemOs());
        os.CutAfter(cut);
        CaptureStartupEntries({os, box.ProgramFolder()}, Registration::Write);
        const size_t steps = os.changes.size();

        auto places = [&](const Entry& e) {
            const bool inRun =
                Registry::GetValue(SystemOs(), e.root, kRunKey, e.name, L"?") == e.command;
            const bool inStore = StoreRead(SystemOs(), e.section, e.name, L"?") == e.command;
            return int(inRun) + int(inStore);
        };
        auto shortcutPlaces = [&](std::wstring_view s) {
            return int(std::filesystem::exists(box.folders.startUp / s)) +
                   int(std::filesystem::exists(box.folders.held / s));
        };
        for (const Entry& e : entries)
            EXPECT_GE(places(e), 1) << "cut " << cut << ": lost " << std::wstring(e.name);
        for (auto s : shortcuts) EXPECT_EQ(shortcutPlaces(s), 1) << "cut " << cut;

        CaptureStartupEntries({SystemOs(), box.ProgramFolder()}, Registration::Write);
        for (const Entry& e : entries) {
            EXPECT_EQ(places(e), 1) << "cut " << cut << ": " << std::wstring(e.name);
            EXPECT_EQ(StoreRead(SystemOs(), e.section, e.name, L"?"), e.command) << "cut " << cut;
        }
        for (auto s : shortcuts)
            EXPECT_TRUE(std::filesystem::exists(box.folders.held / s)) << "cut " << cut;

        if (cut == 0) totalSteps = std::numeric_limits<size_t>::max();
        if (steps < cut || cut > 64) {
            totalSteps = steps;
            break;
        }
    }
    // Launcher registration + 4 entries x (store write + Run delete) + the two levels of the
    // account's folder + 2 moves.
    EXPECT_EQ(totalSteps, 13u);
}

}  // namespace
}  // namespace tarnwick

// Starting one entry on the real system (processes, the file system), and the removal of a
// program that is gone.
#include "entry_start.h"

#include "faulty_os.h"
#include "sandbox.h"
#include "scripted_os.h"
#include "settings_store.h"

#include <gtest/gtest.h>

namespace tarnwick::testing {
namespace {

TEST(ProgramRoot, DriveShareOrNothing) {
    EXPECT_EQ(ProgramRoot(L"C:\\Windows\\notepad.exe"), L"C:\\");
    EXPECT_EQ(ProgramRoot(L"\"D:\\Program Files\\a.exe\" /x"), L"D:\\");
    EXPECT_EQ(ProgramRoot(L"  e:\\tool.exe"), L"e:\\");
    EXPECT_EQ(ProgramRoot(L"\\\\server\\share\\dir\\a.exe -q"), L"\\\\server\\share\\");
    EXPECT_EQ(ProgramRoot(L"\"\\\\server\\share\" x"), L"\\\\server\\share\\");
    EXPECT_EQ(ProgramRoot(L"notepad.exe"), L"");
    EXPECT_EQ(ProgramRoot(L"\\\\server"), L"");
    EXPECT_EQ(ProgramRoot(L""), L"");
}

class SplitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(sandbox.folders.root / L"Program Files" /
                                            L"Admin Tool");
        WriteFile(sandbox.folders.root / L"Program Files" / L"Admin Tool" / L"admin.exe");
    }
    std::wstring Root() const { return sandbox.folders.root.wstring(); }
    Sandbox sandbox;
};

TEST_F(SplitTest, QuotedProgramAndItsArguments) {
    const CommandParts p = SplitCommandLine(SystemOs(), L"  \"C:\\A B\\x.exe\"   -a \"b c\"");
    EXPECT_EQ(p.file, L"C:\\A B\\x.exe");
    EXPECT_EQ(p.parameters, L"-a \"b c\"");
}

TEST_F(SplitTest, UnquotedPathWithSpacesIsFoundLikeCreateProcessFindsIt) {
    const CommandParts p =
        SplitCommandLine(SystemOs(), Root() + L"\\Program Files\\Admin Tool\\admin --tray now");
    EXPECT_EQ(p.file, Root() + L"\\Program Files\\Admin Tool\\admin");
    EXPECT_EQ(p.parameters, L"--tray now");
}

TEST_F(SplitTest, UnknownUnquotedProgramIsTheFirstWord) {
    const CommandParts p = SplitCommandLine(SystemOs(), L"tool.exe /min /x");
    EXPECT_EQ(p.file, L"tool.exe");
    EXPECT_EQ(p.parameters, L"/min /x");
}

TEST_F(SplitTest, ShortcutIsTheWholePathOfAnExistingLnkFileAndNothingElse) {
    const std::wstring held = sandbox.ProgramFolder() + L"\\Mail Notifier.LNK";
    WriteFile(held);
    Os& os = SystemOs();
    // Spaces inside the path belong to it; spaces around the command do not.
    EXPECT_TRUE(IsShortcutCommand(os, held));
    EXPECT_TRUE(IsShortcutCommand(os, L"  " + held + L" "));
    // A program with a shortcut as its last argument is a command line, even when that
    // shortcut exists.
    EXPECT_FALSE(IsShortcutCommand(os, Root() + L"\\Program Files\\Admin Tool\\admin " + held));
    EXPECT_FALSE(IsShortcutCommand(os, L"C:\\Tools\\notes.exe C:\\docs\\Notes.lnk"));
    EXPECT_FALSE(IsShortcutCommand(os, L"\"" + held + L"\""));
    EXPECT_FALSE(IsShortcutCommand(os, sandbox.ProgramFolder() + L"\\Gone.lnk"));
    EXPECT_FALSE(IsShortcutCommand(os, L""));
}

TEST_F(SplitTest, UnclosedQuoteTakesTheRest) {
    const CommandParts p = SplitCommandLine(SystemOs(), L"\"C:\\a b\\x.exe");
    EXPECT_EQ(p.file, L"C:\\a b\\x.exe");
    EXPECT_EQ(p.parameters, L"");
}

// The real CreateProcess behind the seam: what Windows (and Wine) answer for programs that are
// not there.
class RealStartTest : public ::testing::Test {
  protected:
    StoreContext Context() { return {SystemOs(), sandbox.ProgramFolder(), nullptr}; }
    Sandbox sandbox;
};

TEST_F(RealStartTest, MissingProgramOnAnExistingDriveIsMissing) {
    const std::wstring command = L"\"" + sandbox.ProgramFolder() + L"\\nothing.exe\" /x";
    const StartOutcome o = StartEntry(Context(), command);
    EXPECT_EQ(o.result, StartResult::Missing) << o.error;
    EXPECT_TRUE(o.error == ERROR_FILE_NOT_FOUND || o.error == ERROR_PATH_NOT_FOUND) << o.error;
}

TEST_F(RealStartTest, MissingProgramOnADriveThatIsNotThereIsUnreachable) {
    // Find a drive letter that does not exist at all, as a removed stick leaves it.
    const DWORD drives = ::GetLogicalDrives();
    wchar_t letter = 0;
    for (wchar_t c = L'Q'; c <= L'Y' && !letter; ++c) {
        if (!(drives & (1u << (c - L'A')))) letter = c;
    }
    ASSERT_NE(letter, 0);
    const std::wstring command = std::wstring(1, letter) + L":\\Portable\\tool.exe";
    const StartOutcome o = StartEntry(Context(), command);
    EXPECT_EQ(o.result, StartResult::Unreachable) << o.error;
}

// Held by an earlier version that did not know the spelling: a command that starts this launcher
// by its short path is neither started (a second launcher) nor taken for a missing program.
TEST_F(RealStartTest, TheLauncherByAnotherPathIsNeitherStartedNorDropped) {
    WriteFile(sandbox.folders.program / L"Tarnwick.exe", "launcher");
    wchar_t shortFolder[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameW(sandbox.ProgramFolder().c_str(), shortFolder, MAX_PATH), 0u);
    const std::wstring command = std::wstring(shortFolder) + L"\\TARNWICK.EXE";
    FaultyOs os(SystemOs());
    EXPECT_EQ(StartEntry({os, sandbox.ProgramFolder(), nullptr}, command).result,
              StartResult::Nothing);
    EXPECT_TRUE(os.changes.empty()) << "nothing was started";
}

// What a start leaves to watch: the program in a job of its own from its first instruction, which
// every process it starts joins too; the job ends nothing and limits nothing.
TEST_F(RealStartTest, AProgramAndWhatItStartsRunInAJobOfTheirOwn) {
    const StartOutcome o = StartEntry(Context(), L"cmd.exe /c cmd.exe /c exit 3");
    ASSERT_EQ(o.result, StartResult::Started) << o.error;
    ASSERT_TRUE(o.started.job && o.started.process);
    EXPECT_FALSE(o.started.joinedLate);
    BOOL inJob = FALSE;
    EXPECT_TRUE(::IsProcessInJob(o.started.process.get(), o.started.job.get(), &inJob));
    EXPECT_TRUE(inJob);
    ASSERT_EQ(::WaitForSingleObject(o.started.process.get(), 10'000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(o.started.process.get(), &code);
    EXPECT_EQ(code, 3u) << "the inner command ran to its end";
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION job{};
    ASSERT_TRUE(::QueryInformationJobObject(
        o.started.job.get(), JobObjectBasicAccountingInformation, &job, sizeof job, nullptr));
    EXPECT_EQ(job.TotalProcesses, 2u) << "the command and the one it started";
    EXPECT_EQ(job.ActiveProcesses, 0u);
}

TEST_F(RealStartTest, FolderAsProgramIsAnErrorForTheUser) {
    const StartOutcome o = StartEntry(Context(), L"\"" + sandbox.ProgramFolder() + L"\"");
    EXPECT_EQ(o.result, StartResult::Failed);
    EXPECT_NE(o.error, DWORD{ERROR_SUCCESS});
}

TEST_F(RealStartTest, BlankCommandStartsNothing) {
    EXPECT_EQ(StartEntry(Context(), L"   ").result, StartResult::Nothing);
}

// A plain string that names its program through the environment, as some installers write it:
// started expanded, and never taken for missing while the expanded program is there.
TEST_F(RealStartTest, EnvironmentStringsInAPlainCommandAreStartedExpanded) {
    WriteFile(sandbox.folders.program / L"sync.exe");
    ASSERT_TRUE(::SetEnvironmentVariableW(L"TARNWICK_TEST_HOME", sandbox.ProgramFolder().c_str()));
    ScriptedOs os(SystemOs());
    os.processResult = [](const std::wstring&) -> DWORD { return ERROR_FILE_NOT_FOUND; };
    const StartOutcome o =
        StartEntry({os, sandbox.ProgramFolder(), nullptr}, L"%TARNWICK_TEST_HOME%\\sync.exe /q");
    ASSERT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].file, sandbox.ProgramFolder() + L"\\sync.exe /q");
    EXPECT_NE(o.result, StartResult::Missing) << "its program is there";
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_HOME", nullptr);
}

class RemoveMissingTest : public ::testing::Test {
  protected:
    std::wstring Read(std::wstring_view section, const wchar_t* key) {
        return StoreRead(SystemOs(), section, key, L"<gone>");
    }
    Sandbox sandbox;
};

TEST_F(RemoveMissingTest, EveryValueWithExactlyThatCommandGoesWithItsPosition) {
    Os& os = SystemOs();
    StoreWrite(os, kMachineSection, L"A", L"C:\\gone.exe -x");
    StoreWrite(os, kMachineSection, L"B", L"C:\\kept.exe");
    StoreWrite(os, kUserSection, L"C", L"C:\\gone.exe -x");
    StoreWrite(os, kUserSection, L"D", L"C:\\gone.exe -x ");
    StoreWrite(os, kUserSection, L"E", L"c:\\GONE.exe -x");
    StoreWrite(os, kPrioritySection, L"A", L"0");
    StoreWrite(os, kPrioritySection, L"B", L"1");
    StoreWrite(os, kPrioritySection, L"C", L"2");
    StoreWrite(os, kPrioritySection, L"D", L"3");
    RemoveMissingProgram(os, L"C:\\gone.exe -x");
    EXPECT_EQ(Read(kMachineSection, L"A"), L"<gone>");
    EXPECT_EQ(Read(kMachineSection, L"B"), L"C:\\kept.exe");
    EXPECT_EQ(Read(kUserSection, L"C"), L"<gone>");
    EXPECT_EQ(Read(kUserSection, L"D"), L"C:\\gone.exe -x ");
    EXPECT_EQ(Read(kUserSection, L"E"), L"c:\\GONE.exe -x");
    EXPECT_EQ(Read(kPrioritySection, L"A"), L"<gone>");
    EXPECT_EQ(Read(kPrioritySection, L"B"), L"1");
    EXPECT_EQ(Read(kPrioritySection, L"C"), L"<gone>");
    EXPECT_EQ(Read(kPrioritySection, L"D"), L"3");
}

// A standard user's launcher never changes the machine's store: a machine-wide program found
// missing stays held, in its place in the order, until a run with administrator rights finds it
// missing too. What an earlier version kept of the machine's in this account's store is the
// account's to drop.
TEST_F(RemoveMissingTest, WithoutAdministratorRightsTheMachinesStoreStaysAsItIs) {
    StoreWrite(SystemOs(), kMachineSection, L"Tray", L"C:\\gone.exe");
    StoreWrite(SystemOs(), UserHive(), kMachineSection, L"Old", L"C:\\gone.exe");
    StoreWrite(SystemOs(), kUserSection, L"Mine", L"C:\\gone.exe");
    StoreWrite(SystemOs(), kPrioritySection, L"Tray", L"0");
    StoreWrite(SystemOs(), kPrioritySection, L"Mine", L"1");
    FaultyOs standardUser(SystemOs());
    standardUser.rule = StandardUserRights(sandbox.ProgramFolder());
    RemoveMissingProgram(standardUser, L"C:\\gone.exe");
    EXPECT_EQ(Read(kMachineSection, L"Tray"), L"C:\\gone.exe");
    EXPECT_EQ(Read(kPrioritySection, L"Tray"), L"0");
    EXPECT_TRUE(StoreReadSection(SystemOs(), UserHive(), kMachineSection).empty());
    EXPECT_EQ(Read(kUserSection, L"Mine"), L"<gone>");
    EXPECT_EQ(Read(kPrioritySection, L"Mine"), L"<gone>");

    RemoveMissingProgram(SystemOs(), L"C:\\gone.exe");
    EXPECT_EQ(Read(kMachineSection, L"Tray"), L"<gone>");
}

TEST_F(RemoveMissingTest, EmptyStoreIsLeftAlone) {
    RemoveMissingProgram(SystemOs(), L"C:\\gone.exe");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
}

}  // namespace
}  // namespace tarnwick::testing

// The uninstaller's logic in-process: which folder may be offered to the shell, how the path
// list is built, and the order of restore and deletion. The shell's deletion itself is stopped
// at the seam, so no confirmation window ever appears here.
#include "uninstall_run.h"

#include "capture.h"
#include "folder_access.h"
#include "options.h"
#include "own_file.h"
#include "product.h"
#include "product_folder.h"
#include "registry.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "exe_harness.h"
#include "other_program.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::Call;
using testing::FileNames;
using testing::Op;
using testing::WriteFile;
using Names = std::vector<std::wstring>;
using testing::RunValues;
using testing::Values;
using Paths = std::vector<std::wstring>;

std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

std::wstring ShortPath(const fs::path& path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

bool Holds(const std::vector<std::wstring>& list, std::wstring_view path) {
    for (const std::wstring& entry : list) {
        if (SamePath(entry, path)) return true;
    }
    return false;
}

TEST(JoinPath, OneBackslashBetweenWhateverTheFolderEndsIn) {
    EXPECT_EQ(JoinPath(L"C:", L"x.lnk"), L"C:\\x.lnk");
    EXPECT_EQ(JoinPath(L"C:\\Users\\ann\\\\", L"x.lnk"), L"C:\\Users\\ann\\x.lnk");
    EXPECT_EQ(ParentOf(L"C:\\Users\\ann"), L"C:\\Users");
    EXPECT_EQ(ParentOf(L"ann"), L"");
    EXPECT_EQ(LastPartOf(L"C:\\Users\\ann"), L"ann");
    EXPECT_EQ(LastPartOf(L"ann"), L"ann");
}

TEST(NormaliseFolder, OneSpellingForEveryWayOfWritingAFolder) {
    const std::wstring windows = WindowsFolder();
    EXPECT_EQ(NormaliseFolder(windows + L"\\"), windows);
    EXPECT_EQ(NormaliseFolder(windows + L"\\\\\\"), windows);
    EXPECT_EQ(NormaliseFolder(windows + L"\\system32\\..\\.\\"), windows);
    EXPECT_EQ(NormaliseFolder(L"\\\\?\\" + windows), windows);
    std::wstring slashes = windows;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    EXPECT_EQ(NormaliseFolder(slashes), windows);
    // A trailing dot is dropped by Win32 itself.
    EXPECT_EQ(NormaliseFolder(windows + L"."), windows);

    EXPECT_EQ(NormaliseFolder(L"C:\\"), L"C:");
    EXPECT_EQ(NormaliseFolder(L"C:\\.."), L"C:");
    EXPECT_EQ(NormaliseFolder(L"\\\\?\\UNC\\server\\share\\app\\"), L"\\\\server\\share\\app");
    EXPECT_EQ(NormaliseFolder(L""), L"");
    EXPECT_EQ(NormaliseFolder(L"\\\\.\\C:\\x"), L"");
    EXPECT_EQ(NormaliseFolder(std::wstring(L"C:\\a\0C:\\b", 10)), L"");
}

TEST(NormaliseFolder, ShortNamesBecomeLongNames) {
    testing::FolderSandbox folders;
    const fs::path deep = folders.root / L"A rather long folder name" / L"Another long one";
    fs::create_directories(deep);
    const std::wstring shortForm = ShortPath(deep);
    ASSERT_FALSE(shortForm.empty());
    ASSERT_NE(shortForm, deep.wstring());
    EXPECT_TRUE(SamePath(NormaliseFolder(shortForm), deep.wstring())) << NormaliseFolder(shortForm);
}

TEST(ProductFolderPaths, RootsAndContainment) {
    EXPECT_TRUE(IsRootFolder(L"C:"));
    EXPECT_TRUE(IsRootFolder(L"\\\\server\\share"));
    EXPECT_TRUE(IsRootFolder(L"\\\\server"));
    EXPECT_FALSE(IsRootFolder(L"C:\\x"));
    EXPECT_FALSE(IsRootFolder(L"\\\\server\\share\\x"));

    EXPECT_TRUE(SamePath(L"C:\\Program Files", L"c:\\PROGRAM FILES"));
    EXPECT_TRUE(ContainsPath(L"C:\\Users", L"c:\\users\\Ann\\Downloads"));
    EXPECT_TRUE(ContainsPath(L"C:\\Users", L"C:\\USERS"));
    EXPECT_TRUE(ContainsPath(L"C:", L"C:\\Windows"));
    EXPECT_FALSE(ContainsPath(L"C:\\Prog", L"C:\\Program Files"));
    EXPECT_FALSE(ContainsPath(L"C:\\Users\\Ann\\Downloads", L"C:\\Users\\Ann"));
    EXPECT_FALSE(ContainsPath(L"", L"C:\\x"));
}

TEST(ProductFolderPaths, ProtectedFoldersOfThisSystem) {
    const ProtectedFolders known = SystemProtectedFolders(SystemOs());
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    ASSERT_NE(profile, nullptr);
    for (const std::wstring& folder :
         {WindowsFolder(), std::wstring(system), std::wstring(profile),
          std::wstring(profile) + L"\\Downloads", std::wstring(profile) + L"\\Desktop",
          std::wstring(profile) + L"\\Documents",
          NormaliseFolder(fs::temp_directory_path().wstring()), std::wstring(L"C:\\Program Files"),
          std::wstring(L"C:\\Program Files (x86)"), std::wstring(L"C:\\ProgramData")}) {
        EXPECT_TRUE(Holds(known.folders, folder)) << folder;
    }
    EXPECT_TRUE(Holds(known.parents, fs::path(profile).parent_path().wstring()));
    for (const std::wstring& folder : known.folders) {
        EXPECT_EQ(NormaliseFolder(folder), folder);
    }
}

class CheckFolderTest : public ::testing::Test {
  protected:
    testing::FolderSandbox folders;
    testing::FaultyOs os{SystemOs()};
    fs::path product = folders.root / L"Apps" / L"Tarnwick";
    ProtectedFolders none;

    void SetUp() override { Fill(product); }
    static void Fill(const fs::path& folder) {
        fs::create_directories(folder);
        for (std::wstring_view program : kProductPrograms) WriteFile(folder / program);
    }
    FolderVerdict Verdict(const fs::path& folder, const ProtectedFolders& known) {
        return CheckProductFolder(os, folder.wstring(), known).verdict;
    }
};

TEST_F(CheckFolderTest, TheProductsFolderInAnySpelling) {
    const FolderCheck check = CheckProductFolder(os, product.wstring() + L"\\", none);
    EXPECT_EQ(check.verdict, FolderVerdict::Product);
    EXPECT_EQ(check.folder, product.wstring());
    std::wstring upper = product.wstring();
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_EQ(Verdict(upper, none), FolderVerdict::Product);
    EXPECT_EQ(Verdict(ShortPath(product), none), FolderVerdict::Product);
}

TEST_F(CheckFolderTest, EveryProgramMustBeThereAsAFile) {
    for (std::wstring_view program : kProductPrograms) {
        SCOPED_TRACE(std::wstring(program));
        fs::remove(product / program);
        EXPECT_EQ(Verdict(product, none), FolderVerdict::NotProduct);
        fs::create_directory(product / program);
        EXPECT_EQ(Verdict(product, none), FolderVerdict::NotProduct);
        fs::remove(product / program);
        WriteFile(product / program);
    }
    // A lone copy of the uninstaller.
    const fs::path alone = folders.root / L"Downloads";
    fs::create_directories(alone);
    WriteFile(alone / L"uninstall.exe");
    EXPECT_EQ(Verdict(alone, none), FolderVerdict::NotProduct);
    // The programs' files are looked at through the seam, and one that cannot be seen counts
    // as missing.
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::FileAttributes && c.a.ends_with(L"install.exe") ? ERROR_ACCESS_DENIED
                                                                           : 0;
    };
    EXPECT_EQ(Verdict(product, none), FolderVerdict::NotProduct);
}

TEST_F(CheckFolderTest, ProtectedFoldersAndWhatHoldsThemAreNeverTheProducts) {
    // The product's programs sit in the protected folder itself: a copy started from there.
    const ProtectedFolders known{{product.wstring()}, {}};
    EXPECT_EQ(Verdict(product, known), FolderVerdict::Protected);
    EXPECT_EQ(Verdict(ShortPath(product) + L"\\", known), FolderVerdict::Protected);
    // A folder that holds a protected one.
    const ProtectedFolders below{{(product / L"Documents").wstring()}, {}};
    EXPECT_EQ(Verdict(product, below), FolderVerdict::Protected);
    // Below a protected folder is fine: "C:\Program Files\Tarnwick".
    const ProtectedFolders above{{(folders.root / L"Apps").wstring()}, {}};
    EXPECT_EQ(Verdict(product, above), FolderVerdict::Product);
}

TEST_F(CheckFolderTest, EveryProfileOfTheProfilesFolderIsProtected) {
    const ProtectedFolders profiles{{}, {(folders.root / L"Apps").wstring()}};
    // "C:\Users\Bob" is somebody's profile; "C:\Users\Bob\Tools\Tarnwick" is an ordinary folder.
    EXPECT_EQ(Verdict(product, profiles), FolderVerdict::Protected);
    EXPECT_EQ(Verdict(folders.root / L"Apps", profiles), FolderVerdict::Protected);
    const fs::path deeper = product / L"Tools";
    Fill(deeper);
    EXPECT_EQ(Verdict(deeper, profiles), FolderVerdict::Product);
}

TEST_F(CheckFolderTest, RootsAndUnresolvableFolders) {
    EXPECT_EQ(Verdict(L"C:\\", none), FolderVerdict::Root);
    EXPECT_NE(Verdict(L"C:", none), FolderVerdict::Product);
    EXPECT_EQ(Verdict(L"\\\\server\\share\\", none), FolderVerdict::Root);
    EXPECT_EQ(Verdict(L"", none), FolderVerdict::Unresolvable);
    EXPECT_EQ(Verdict(L"\\\\.\\PhysicalDrive0", none), FolderVerdict::Unresolvable);
    // The real system's folders, with the product's programs or without.
    const ProtectedFolders known = SystemProtectedFolders(SystemOs());
    EXPECT_EQ(Verdict(WindowsFolder(), known), FolderVerdict::Protected);
    EXPECT_EQ(Verdict(_wgetenv(L"USERPROFILE"), known), FolderVerdict::Protected);
    EXPECT_EQ(Verdict(product, known), FolderVerdict::Product);
}

TEST(DeletablePath, ExactlyOneAbsoluteFolderBelowARoot) {
    EXPECT_EQ(DeletablePath({L"C:\\Program Files\\Tarnwick"}), L"C:\\Program Files\\Tarnwick");
    EXPECT_EQ(DeletablePath({L"C:\\Program Files\\Tarnwick\\\\"}), L"C:\\Program Files\\Tarnwick");
    EXPECT_EQ(DeletablePath({L"\\\\server\\share\\Tarnwick"}), L"\\\\server\\share\\Tarnwick");
    EXPECT_EQ(DeletablePath({L"D:\\T"}), L"D:\\T");

    const std::vector<Paths> refused = {
        {},
        {L"C:\\a", L"C:\\b"},
        {L""},
        {L"C:\\"},
        {L"C:"},
        {L"\\\\server\\share\\"},
        {L"Tarnwick"},
        {L"C:Tarnwick"},
        {L"\\Tarnwick"},
        {L"C:\\Program Files\\*"},
        {L"C:\\Program Files\\Tarn?ick"},
        {L"C:/Program Files/Tarnwick"},
        {L"C:\\Program Files\\\\Tarnwick"},
        {L"\\\\server\\\\Tarnwick"},
        {L"C:\\Program Files\\<Tarnwick"},
        {L"C:\\Program Files\\Tarn>ick"},
        {L"C:\\Program Files\\\"Tarnwick\""},
        {L"C:\\Program Files\\Tarn|wick"},
        {L"C:\\Program Files\\Tarnwick\\.."},
        {L"C:\\Program Files\\.\\Tarnwick"},
        {L"\\\\?\\C:\\Program Files\\Tarnwick"},
        {L"\\\\.\\C:\\Program Files\\Tarnwick"},
        {std::wstring(L"C:\\Program Files\\Tarnwick\0C:\\Windows", 36)},
    };
    for (const Paths& list : refused) {
        EXPECT_FALSE(DeletablePath(list).has_value())
            << (list.empty() ? L"(none)" : list.front()) << L" and " << list.size() << L" in all";
    }
}

class UninstallTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    testing::FaultyOs os{SystemOs()};
    // Every changing call in order, the shell's deletion included, which is stopped here.
    std::vector<Call> calls;

    void SetUp() override {
        os.rule = [this](const Call& c) -> DWORD {
            if (c.Changes()) calls.push_back(c);
            return c.op == Op::ShellDelete ? ERROR_CANCELLED : 0;
        };
    }
    void FillProduct() {
        for (std::wstring_view program : kProductPrograms) WriteFile(box.folders.program / program);
    }
    static bool IsMachineSwitch(const Call& c, Op op) {
        return c.op == op && c.root == HKEY_LOCAL_MACHINE && c.a == StoreSectionKey(kMiscSection) &&
               c.b == L"Enabled";
    }
    std::vector<Call> Deletions() const {
        std::vector<Call> found;
        for (const Call& c : calls) {
            if (c.op == Op::ShellDelete) found.push_back(c);
        }
        return found;
    }
};

TEST_F(UninstallTest, DeletePathsHandsTheShellOnePathOrNothing) {
    bool aborted = false;
    EXPECT_EQ(DeletePaths(os, {L"C:\\Program Files\\Tarnwick\\"}, aborted), ERROR_CANCELLED);
    ASSERT_EQ(Deletions().size(), 1u);
    EXPECT_EQ(Deletions()[0].a, L"C:\\Program Files\\Tarnwick");
    EXPECT_TRUE(aborted);
    for (const Paths& refused : {Paths{L"C:\\"}, Paths{L"C:\\a", L"C:\\b"}}) {
        aborted = false;
        EXPECT_EQ(DeletePaths(os, refused, aborted), ERROR_INVALID_PARAMETER);
        EXPECT_TRUE(aborted) << "a path the shell was never asked about counts as not deleted";
    }
    EXPECT_EQ(Deletions().size(), 1u);
}

TEST_F(UninstallTest, RestoresFirstThenOffersTheProgramFolder) {
    FillProduct();
    StoreWrite(SystemOs(), kMachineSection, L"Alpha", L"C:\\alpha.exe");
    StoreWrite(SystemOs(), kUserSection, L"Gamma", L"C:\\gamma.exe");
    StoreWrite(SystemOs(), kPrioritySection, L"Alpha", L"0");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"C:\\x\\Tarnwick");
    WriteFile(box.folders.program / L"Mail.lnk");

    const UninstallOutcome outcome =
        Uninstall({os, box.ProgramFolder()}, SystemProtectedFolders(SystemOs()), L"uninstall.exe");

    EXPECT_EQ(outcome.check.verdict, FolderVerdict::Product);
    EXPECT_EQ(outcome.message, L"");
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Alpha", L"C:\\alpha.exe"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Gamma", L"C:\\gamma.exe"}}));
    EXPECT_EQ(FileNames(box.folders.startUp), Names{L"Mail.lnk"});
    // Given back, no longer held; the launch order stays.
    EXPECT_TRUE(testing::StoreSection(kMachineSection).empty());
    EXPECT_TRUE(testing::StoreSection(kUserSection).empty());
    EXPECT_EQ(testing::StoreSection(kPrioritySection), (Values{{L"Alpha", L"0"}}));
    // The machine is switched off before anything goes back; the shell is asked once everything
    // is back; declined, the switch is put back as it was (there was none).
    ASSERT_GE(calls.size(), 3u);
    EXPECT_TRUE(IsMachineSwitch(calls.front(), Op::SetString)) << calls.front().a;
    EXPECT_EQ(calls.front().c, L"False");
    const auto shell = std::find_if(calls.begin(), calls.end(),
                                    [](const Call& c) { return c.op == Op::ShellDelete; });
    ASSERT_EQ(calls.end() - shell, 2);
    EXPECT_TRUE(IsMachineSwitch(calls.back(), Op::DeleteValue)) << calls.back().a;
    EXPECT_EQ(Registry::ReadString(SystemOs(), HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection),
                                   L"Enabled")
                  .status,
              ReadStatus::NotFound);
    ASSERT_EQ(Deletions().size(), 1u);
    EXPECT_EQ(Deletions()[0].a, box.ProgramFolder());
}

TEST_F(UninstallTest, NothingCapturedStillRemovesTheLauncherAndOffersTheFolder) {
    FillProduct();
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"C:\\x\\Tarnwick");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Veltane", L"C:\\user\\own.exe");
    Uninstall({os, box.ProgramFolder()}, SystemProtectedFolders(SystemOs()), L"uninstall.exe");

    EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Veltane", L"C:\\user\\own.exe"}}));
    // Nothing but the machine's switch, off for the uninstall.
    for (const Call& c : calls) {
        if (c.op == Op::SetString) {
            EXPECT_TRUE(IsMachineSwitch(c, Op::SetString)) << c.a;
        }
    }
    EXPECT_EQ(Deletions().size(), 1u);
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
}

TEST_F(UninstallTest, AForeignFolderGetsTheRunValuesBackButKeepsItsShortcutsAndItself) {
    // A copy of the uninstaller alone in a folder of the user's, beside the user's shortcuts.
    fs::remove(box.folders.program / L"Tarnwick.exe");
    WriteFile(box.folders.program / L"uninstall.exe");
    WriteFile(box.folders.program / L"Report.lnk");
    StoreWrite(SystemOs(), kUserSection, L"Gamma", L"C:\\gamma.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"C:\\x\\Tarnwick");

    const FolderCheck check =
        Uninstall({os, box.ProgramFolder()}, SystemProtectedFolders(SystemOs()), L"uninstall.exe")
            .check;

    EXPECT_EQ(check.verdict, FolderVerdict::NotProduct);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Gamma", L"C:\\gamma.exe"}}));
    EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());
    EXPECT_TRUE(FileNames(box.folders.startUp).empty());
    EXPECT_EQ(FileNames(box.folders.program), (Names{L"Report.lnk", L"uninstall.exe"}));
    EXPECT_TRUE(Deletions().empty());
}

TEST(FolderGoneButOwnFile, OnlyTheRunningUninstallersFileMayStay) {
    testing::FolderSandbox folders;
    testing::FaultyOs os{SystemOs()};
    const fs::path folder = folders.program;
    const std::wstring path = folder.wstring();
    EXPECT_TRUE(FolderGoneButOwnFile(os, path, L"uninstall.exe")) << "empty";
    WriteFile(folder / L"uninstall.exe");
    EXPECT_TRUE(FolderGoneButOwnFile(os, path, L"UNINSTALL.EXE")) << "names compare as files do";
    EXPECT_FALSE(FolderGoneButOwnFile(os, path, L"uninstall2.exe"));

    fs::create_directory(folder / L"skins");
    EXPECT_FALSE(FolderGoneButOwnFile(os, path, L"uninstall.exe")) << "an empty sub-folder";
    fs::remove(folder / L"skins");
    WriteFile(folder / L"desktop.ini");
    ::SetFileAttributesW((folder / L"desktop.ini").c_str(),
                         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_FALSE(FolderGoneButOwnFile(os, path, L"uninstall.exe")) << "a hidden system file";
    ::SetFileAttributesW((folder / L"desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(folder / L"desktop.ini");

    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::ListFolder ? ERROR_ACCESS_DENIED : 0;
    };
    EXPECT_FALSE(FolderGoneButOwnFile(os, path, L"uninstall.exe")) << "a folder nobody can list";
    os.rule = nullptr;

    fs::remove_all(folder);
    EXPECT_TRUE(FolderGoneButOwnFile(os, path, L"uninstall.exe")) << "gone";
    EXPECT_TRUE(FolderGoneButOwnFile(os, path + L"\\deeper", L"uninstall.exe"));
}

// The Apps & features entry goes after the shell deleted the program folder, and only then. The
// shell is played by the test: it deletes what the user's answer would have deleted.
class AppsEntryTest : public UninstallTest {
  protected:
    void SetUp() override {
        os.rule = [this](const Call& c) -> DWORD {
            if (c.Changes()) calls.push_back(c);
            return 0;
        };
        FillProduct();
        fs::create_directory(box.folders.program / L"skins");
        WriteFile(box.folders.program / L"skins" / L"skins.skn");
        Register(box.ProgramFolder());
    }
    static void Register(const std::wstring& location) {
        testing::SetSz(HKEY_LOCAL_MACHINE, kUninstallEntryKey, L"DisplayName", L"Tarnwick");
        testing::SetSz(HKEY_LOCAL_MACHINE, kUninstallEntryKey, L"InstallLocation", location);
    }
    // The shell deletes everything in the folder but `spared`, reports `result` and whether the
    // user declined or cancelled.
    void ShellAnswers(bool aborted, int result, Names spared = {L"uninstall.exe"}) {
        os.shellDelete = [=](std::wstring_view path, bool& userAborted) {
            for (const auto& entry : fs::directory_iterator(fs::path(path))) {
                if (std::find(spared.begin(), spared.end(), entry.path().filename().wstring()) ==
                    spared.end()) {
                    fs::remove_all(entry.path());
                }
            }
            userAborted = aborted;
            return result;
        };
    }
    UninstallOutcome Run(std::wstring_view ownFile = L"uninstall.exe") {
        return Uninstall({os, box.ProgramFolder()}, SystemProtectedFolders(SystemOs()), ownFile);
    }
    static bool EntryThere() { return testing::KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey); }
};

TEST_F(AppsEntryTest, GoesOnceTheFolderIsGoneButTheRunningUninstaller) {
    ShellAnswers(false, 0);
    EXPECT_TRUE(Run().ownFileLeft);
    EXPECT_EQ(FileNames(box.folders.program), Names{L"uninstall.exe"});
    EXPECT_FALSE(EntryThere());
    // Removed after the shell's deletion, as the last change.
    const auto shell = std::find_if(calls.begin(), calls.end(),
                                    [](const Call& c) { return c.op == Op::ShellDelete; });
    ASSERT_NE(shell, calls.end());
    EXPECT_EQ(calls.back().op, Op::DeleteKey);
    EXPECT_EQ(calls.back().root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(calls.back().a, kUninstallEntryKey);
}

// Once the folder is gone: the product's Start-menu entries and the stores go too, the user's own
// shortcut beside them stays, and so does the group that still holds it.
TEST_F(AppsEntryTest, WhatTheSetupMadeGoesWithTheFolderAndNothingOfTheUsers) {
    const fs::path group = box.folders.startMenu / L"Programs" / L"Tarnwick";
    fs::create_directories(group);
    for (const std::wstring_view file : kProductShortcuts) WriteFile(group / file);
    WriteFile(group / L"Notes.lnk");
    StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"40");
    WriteMachineSwitch(SystemOs(), true);
    fs::create_directories(box.folders.held);
    ShellAnswers(false, 0);
    Run();
    EXPECT_EQ(FileNames(group), Names{L"Notes.lnk"});
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
    EXPECT_FALSE(testing::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Veltane"));
    EXPECT_FALSE(fs::exists(box.folders.held.parent_path()));

    // Declined: everything stays for the next run.
    const fs::path again = box.folders.startMenu / L"Programs" / L"Tarnwick";
    StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"40");
    FillProduct();
    ShellAnswers(true, 0, FileNames(box.folders.program));
    EXPECT_FALSE(Run().ownFileLeft);
    EXPECT_TRUE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
    EXPECT_TRUE(fs::exists(again / L"Notes.lnk"));
}

// A launcher still at its capture took a program back while the shell asked: the store that holds
// it stays, so the program is never deleted with it.
TEST_F(AppsEntryTest, AStoreThatHoldsAProgramAgainIsNotRemoved) {
    ShellAnswers(false, 0);
    os.shellDelete = [inner = os.shellDelete](std::wstring_view path, bool& aborted) {
        StoreWrite(SystemOs(), kUserSection, L"Chat", L"C:\\chat.exe");
        return inner(path, aborted);
    };
    WriteMachineSwitch(SystemOs(), true);
    const UninstallOutcome outcome = Run();
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Chat", L""), L"C:\\chat.exe");
    EXPECT_FALSE(testing::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Veltane"));
    EXPECT_NE(outcome.message.find(L"one of its stores still holds start-up programs, which "
                                   L"nothing starts now"),
              std::wstring::npos)
        << "an uninstall that leaves a program held where nothing starts it is no success";
}

TEST_F(AppsEntryTest, GoesWhenTheShellReportsTheRunningFileAsAFailure) {
    // Windows will not delete a running program's file and says so in the result code.
    ShellAnswers(false, ERROR_SHARING_VIOLATION);
    Run();
    EXPECT_FALSE(EntryThere());
}

TEST_F(AppsEntryTest, GoesWhenTheFolderIsGoneWhole) {
    ShellAnswers(false, 0, {});
    os.shellDelete = [inner = os.shellDelete](std::wstring_view path, bool& aborted) {
        const int result = inner(path, aborted);
        fs::remove(fs::path(path));
        return result;
    };
    Run();
    EXPECT_FALSE(fs::exists(box.folders.program));
    EXPECT_FALSE(EntryThere());
}

TEST_F(AppsEntryTest, StaysWhenTheUserDeclinesOrCancels) {
    const Names everything = FileNames(box.folders.program);
    ShellAnswers(true, 0, everything);
    // The shell asks while the machine is switched off, so that no launcher of another session
    // takes a program back meanwhile; declined, the machine is switched on again as it was.
    WriteMachineSwitch(SystemOs(), true);
    os.shellDelete = [inner = os.shellDelete](std::wstring_view path, bool& aborted) {
        EXPECT_TRUE(MachineSwitchedOff(SystemOs())) << "asked while switched on";
        return inner(path, aborted);
    };
    EXPECT_EQ(Run().message, L"");
    EXPECT_TRUE(EntryThere()) << "declined";
    EXPECT_EQ(FileNames(box.folders.program), everything);
    EXPECT_EQ(Registry::GetValue(SystemOs(), HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection),
                                 L"Enabled"),
              L"True");
    // An administrator had switched the machine off: it stays off.
    WriteMachineSwitch(SystemOs(), false);
    Run();
    EXPECT_TRUE(MachineSwitchedOff(SystemOs()));

    // Cancelled while the shell was deleting: the user stopped the uninstall.
    ShellAnswers(true, 0);
    Run();
    EXPECT_TRUE(EntryThere()) << "cancelled";
}

// What the shell could not delete (a program of Tarnwick's still running, say) keeps Tarnwick
// installed, switched on as it was, and is named.
TEST_F(AppsEntryTest, StaysWhenSomethingElseIsLeftInTheFolder) {
    WriteMachineSwitch(SystemOs(), true);
    ShellAnswers(false, ERROR_ACCESS_DENIED, {L"uninstall.exe", L"skins"});
    EXPECT_EQ(Run().message,
              L"Tarnwick gave every start-up program back to Windows, but could not delete "
              L"everything in its program folder, so it is still installed. Still there:\n\n" +
                  box.ProgramFolder() +
                  L"\\skins\n\nClose every Tarnwick program, then run the uninstaller again to "
                  L"finish.");
    EXPECT_TRUE(EntryThere()) << "a sub-folder the shell could not delete";
    EXPECT_FALSE(MachineSwitchedOff(SystemOs()));

    FillProduct();
    ShellAnswers(false, 0);
    Run(L"uninstall (2).exe");
    EXPECT_TRUE(EntryThere()) << "the running copy has another name; uninstall.exe stayed";

    FillProduct();
    ShellAnswers(false, 0);
    os.rule = [this](const Call& c) -> DWORD {
        if (c.Changes()) calls.push_back(c);
        return c.op == Op::ListFolder ? ERROR_ACCESS_DENIED : 0;
    };
    Run();
    EXPECT_TRUE(EntryThere()) << "a folder that cannot be listed";
}

// An uninstall while the settings window of another installation of Tarnwick (a copy in a folder
// of its own, with its own launcher) presses Enabled, just before any one change of the
// uninstall: the Enabled waits and does nothing, and the uninstall ends with everything back with
// Windows and nothing of Tarnwick left. Without the lock the Enabled takes programs into stores
// that the uninstall then releases or removes.
TEST(UninstallRaceTest, AnotherInstallationsEnabledAtAnyStepOfAnUninstallChangesNothing) {
    testing::FolderSandbox elsewhere;
    WriteFile(elsewhere.program / L"Tarnwick.exe");
    std::vector<std::wstring> messages;
    std::vector<bool> storesLeft;
    const auto uninstall = [&](testing::FaultyOs& os, testing::StartUpWorld& world) {
        const fs::path folder = world.Box().folders.program;
        for (std::wstring_view program : kProductPrograms) WriteFile(folder / program);
        os.shellDelete = [folder](std::wstring_view, bool& aborted) {
            for (const auto& entry : fs::directory_iterator(folder)) {
                if (entry.path().filename() != L"uninstall.exe") fs::remove_all(entry.path());
            }
            aborted = false;
            return 0;
        };
        messages.push_back(
            Uninstall({os, world.Folder()}, SystemProtectedFolders(SystemOs()), L"uninstall.exe")
                .message);
        storesLeft.push_back(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane") ||
                             testing::KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Veltane"));
    };
    const auto enabled = [&](Os& os, testing::StartUpWorld&) {
        CaptureStartupEntries({os, elsewhere.program.wstring(), nullptr, testing::kNoWait},
                              Registration::Write);
    };
    const std::vector<testing::Places> locked =
        testing::AtEveryStep(true, uninstall, enabled, true);
    ASSERT_GE(locked.size(), 8u);
    for (size_t step = 0; step < locked.size(); ++step) {
        EXPECT_EQ(locked[step], testing::Everything(L"back", L"gone")) << "step " << step;
        EXPECT_EQ(messages[step], L"") << "step " << step;
        EXPECT_FALSE(storesLeft[step]) << "step " << step;
    }
    EXPECT_TRUE(testing::SomethingLost(testing::AtEveryStep(true, uninstall, enabled, false)))
        << "without the lock no interleaving loses a program: the test shows nothing";
}

TEST_F(AppsEntryTest, OnlyThisInstallationsEntryGoes) {
    Register(L"C:\\Program Files\\Tarnwick");
    ShellAnswers(false, 0);
    Run();
    EXPECT_TRUE(EntryThere()) << "the setup's installation elsewhere keeps its entry";

    // The recorded location in other spellings of this folder, the short one included, which
    // can only be resolved while the folder is still there.
    std::wstring upper = box.ProgramFolder() + L"\\";
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    for (const std::wstring& location : {upper, ShortPath(box.folders.program)}) {
        SCOPED_TRACE(location);
        ASSERT_FALSE(location.empty());
        FillProduct();
        Register(location);
        ShellAnswers(false, 0);
        Run();
        EXPECT_FALSE(EntryThere());
    }
}

TEST_F(AppsEntryTest, NoEntryOrNoLocationAndNothingIsRemoved) {
    ASSERT_EQ(::RegDeleteTreeW(HKEY_LOCAL_MACHINE, std::wstring(kUninstallEntryKey).c_str()),
              ERROR_SUCCESS);
    testing::SetSz(HKEY_LOCAL_MACHINE, kUninstallEntryKey, L"DisplayName", L"Tarnwick");
    ShellAnswers(false, 0);
    Run();
    EXPECT_TRUE(EntryThere()) << "an entry that says nothing of where it was installed";
    for (const Call& c : calls) {
        EXPECT_FALSE(c.op == Op::DeleteKey && c.a == kUninstallEntryKey) << c.a;
    }
}

// A held shortcut another program keeps open, and a Run value of the machine's key without
// administrator rights: nothing is offered for deletion, everything stays for the next run, and
// the user is told what and why. (The next run is played by the exe test.)
TEST_F(AppsEntryTest, WhatStaysHeldKeepsTheFolderAndTheEntryAndIsNamed) {
    ShellAnswers(false, 0);
    WriteFile(box.folders.program / L"Mail.lnk", "held");
    StoreWrite(SystemOs(), kMachineSection, L"Alpha", L"C:\\alpha.exe");
    StoreWrite(SystemOs(), kUserSection, L"Gamma", L"C:\\gamma.exe");
    os.rule = [this](const Call& c) -> DWORD {
        if (c.Changes()) calls.push_back(c);
        if (c.op == Op::MoveFile) return ERROR_SHARING_VIOLATION;
        return c.op == Op::SetString && c.root == HKEY_LOCAL_MACHINE ? ERROR_ACCESS_DENIED : 0;
    };
    const Names before = FileNames(box.folders.program);
    const UninstallOutcome outcome = Run();

    EXPECT_TRUE(Deletions().empty());
    EXPECT_TRUE(EntryThere());
    EXPECT_EQ(FileNames(box.folders.program), before);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Gamma", L"C:\\gamma.exe"}}));
    EXPECT_EQ(outcome.message,
              L"Tarnwick could not give these start-up programs back to Windows, so it is still "
              L"installed:\n\n"
              L"\"Alpha\" (starts for all users): administrator rights are needed.\n"
              L"\"Mail\" (a shortcut in the StartUp folder): the file is in use by another "
              L"program.\n\n"
              L"Tarnwick keeps starting them when you log on. Once the cause is gone, run the "
              L"uninstaller again to finish.");
}

TEST_F(AppsEntryTest, AForeignFolderNeverTouchesTheEntry) {
    fs::remove(box.folders.program / L"install.exe");
    ShellAnswers(false, 0);
    Run();
    EXPECT_TRUE(Deletions().empty());
    EXPECT_TRUE(EntryThere());
}

// Answers a folder's permissions with the test's text, or with the test's error.
class PermissionsStandIn final : public testing::ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;
    std::wstring sddl;
    Status error = ERROR_SUCCESS;
    int asked = 0;

    Status FolderSecurity(std::wstring_view, std::wstring& out) override {
        ++asked;
        out = error == ERROR_SUCCESS ? sddl : L"";
        return error;
    }
};

TEST(OpenFolderRefusal, OutsideProgramFilesOnlyAFolderThatOrdinaryUsersCannotChange) {
    PermissionsStandIn os{SystemOs()};
    const std::wstring folder = L"D:\\Tools\\Tarnwick";
    os.sddl = kAdministratorsOnly;
    EXPECT_EQ(OpenFolderRefusal(os, folder), L"");

    // What a folder made on a drive's root inherits: every signed-in user may change it.
    os.sddl = L"D:AI(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)";
    const std::wstring open = OpenFolderRefusal(os, folder);
    EXPECT_NE(open.find(L"\"" + folder + L"\""), std::wstring::npos) << open;
    EXPECT_NE(open.find(L"not administrators may change"), std::wstring::npos) << open;

    os.error = ERROR_ACCESS_DENIED;
    const std::wstring unread = OpenFolderRefusal(os, folder);
    EXPECT_NE(unread.find(L"could not be read"), std::wstring::npos) << unread;

    // Below Program Files the folder keeps what Program Files hands down: nothing to ask.
    std::wstring programFiles;
    ASSERT_EQ(os.ShellFolder(nullptr, CSIDL_PROGRAM_FILES, programFiles), ERROR_SUCCESS);
    os.asked = 0;
    EXPECT_EQ(OpenFolderRefusal(os, programFiles + L"\\Tarnwick"), L"");
    EXPECT_EQ(os.asked, 0);
}

TEST(RemoveAfterHandle, TakesOnlyAPlainNumberThatFitsInAHandle) {
    const std::pair<std::wstring, ULONG> good[] = {{L"/remove-after 4", 4},
                                                   {L"/remove-after 0x1c", 0x1c},
                                                   {L"/remove-after 0X1C", 0x1c},
                                                   {L"/remove-after 00012", 12},
                                                   {L"/remove-after 4294967295", 0xFFFFFFFF},
                                                   {L"/remove-after 0xffffffff", 0xFFFFFFFF}};
    for (const auto& [line, value] : good) {
        EXPECT_EQ(RemoveAfterHandle(line), std::optional<HANDLE>(ULongToHandle(value))) << line;
    }
    for (const std::wstring line :
         {L"/remove-after", L"/remove-after ", L"/remove-after 0", L"/remove-after 0x",
          L"/remove-after -4", L"/remove-after +4", L"/remove-after  4", L"/remove-after 4 ",
          L"/remove-after 4294967296", L"/remove-after 0x100000000",
          L"/remove-after 99999999999999999999999999", L"/remove-after 12abc",
          L"/remove-after 0x1g", L"/remove-after 1e3", L"/remove-afterx 4", L"/remove-after\t4"}) {
        EXPECT_EQ(RemoveAfterHandle(line), std::nullopt) << line;
    }
}

TEST(MakeCopyFolder, AFreshFolderMadeWithItsPermissionsNeverOneThatIsThere) {
    testing::FolderSandbox folders;
    testing::FaultyOs os{SystemOs()};
    const std::wstring first = MakeCopyFolder(os, folders.root.wstring() + L"\\");
    const std::wstring second = MakeCopyFolder(os, folders.root.wstring());
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    ASSERT_EQ(os.changes.size(), 2u);
    for (const Call& made : os.changes) {
        EXPECT_EQ(made.op, Op::CreateProtectedFolder);
        EXPECT_EQ(made.b, kAdministratorsOnly);
        EXPECT_TRUE(fs::is_directory(made.a));
        EXPECT_EQ(fs::path(made.a).parent_path(), folders.root);
        EXPECT_TRUE(fs::path(made.a).filename().wstring().starts_with(L"Tarnwick-uninstall-"));
    }
    EXPECT_EQ(os.changes[0].a, first);

    // A folder of that name already there (someone else's): nothing is made, nothing else tried.
    os.changes.clear();
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::CreateProtectedFolder ? ERROR_ALREADY_EXISTS : 0;
    };
    EXPECT_EQ(MakeCopyFolder(os, folders.root.wstring()), L"");
    EXPECT_TRUE(os.changes.empty());
}

}  // namespace
}  // namespace tarnwick

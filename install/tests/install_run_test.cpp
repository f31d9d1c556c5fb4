// The start-menu step and the installer's pass, in-process against a registry and folder sandbox,
// with faults injected through the OS seam.
#include "install_run.h"

#include "folder_access.h"
#include "folder_path.h"
#include "registry.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "exe_harness.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using testing::Call;
using testing::FileNames;
using testing::Op;
using testing::WriteFile;
using Names = std::vector<std::wstring>;
using testing::Values;

class ShortcutsTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    testing::FaultyOs os{SystemOs()};
    StoreContext ctx{os, box.ProgramFolder()};
    fs::path tw = box.folders.program / L"TW";
    fs::path group = box.folders.startMenu / L"Programs" / L"Tarnwick";

    void SetUp() override { fs::create_directory(tw); }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Fails every call of one kind whose first text contains `part`.
    void Fail(Op op, std::wstring part = {}) {
        os.rule = [op, part](const Call& c) -> DWORD {
            return c.op == op && c.a.find(part) != std::wstring::npos ? ERROR_ACCESS_DENIED : 0;
        };
    }
};

TEST_F(ShortcutsTest, ShortcutsGoIntoTheGroupAndOtherFilesKeepTheFolder) {
    WriteFile(tw / L"A.lnk", "a");
    WriteFile(tw / L"B.lnk", "b");
    WriteFile(tw / L"readme.txt");
    shortcuts(ctx);

    EXPECT_EQ(StartMenuGroupPath(ctx), group.wstring());
    EXPECT_EQ(FileNames(group), (Names{L"A.lnk", L"B.lnk"}));
    EXPECT_EQ(Read(group / L"A.lnk"), "a");
    EXPECT_EQ(FileNames(tw), Names{L"readme.txt"});
}

TEST_F(ShortcutsTest, OnlyShortcutsLeaveNoFolderBehindWithOrWithoutAGroup) {
    WriteFile(tw / L"A.lnk");
    WriteFile(tw / L"B.lnk");
    shortcuts(ctx);
    EXPECT_EQ(FileNames(group), (Names{L"A.lnk", L"B.lnk"}));
    EXPECT_FALSE(fs::exists(tw));

    // An empty group that is already there takes them just the same.
    fs::remove_all(group);
    fs::create_directory(group);
    fs::create_directory(tw);
    WriteFile(tw / L"C.lnk");
    shortcuts(ctx);
    EXPECT_EQ(FileNames(group), Names{L"C.lnk"});
    EXPECT_FALSE(fs::exists(tw));
}

TEST_F(ShortcutsTest, SecondRunFindsNoFolderAndLeavesTheGroupAsItWas) {
    WriteFile(tw / L"A.lnk", "a");
    shortcuts(ctx);
    const size_t changesOfFirstRun = os.changes.size();
    shortcuts(ctx);

    EXPECT_EQ(FileNames(group), Names{L"A.lnk"});
    EXPECT_EQ(Read(group / L"A.lnk"), "a");
    EXPECT_FALSE(fs::exists(tw));
    // Nothing but the attempts to create the group and remove the folder, both without effect.
    for (size_t i = changesOfFirstRun; i < os.changes.size(); ++i) {
        EXPECT_NE(os.changes[i].op, Op::MoveFile) << os.changes[i].a;
    }
}

TEST_F(ShortcutsTest, NameTakenInTheGroupIsNotReplacedAndKeepsTheFolder) {
    fs::create_directory(group);
    WriteFile(group / L"A.lnk", "the user's own");
    WriteFile(tw / L"A.lnk", "product");
    WriteFile(tw / L"B.lnk", "product");
    shortcuts(ctx);

    EXPECT_EQ(Read(group / L"A.lnk"), "the user's own");
    EXPECT_EQ(FileNames(group), (Names{L"A.lnk", L"B.lnk"}));
    EXPECT_EQ(FileNames(tw), Names{L"A.lnk"});
}

TEST_F(ShortcutsTest, HiddenShortcutsAndSubFoldersStay) {
    WriteFile(tw / L"Hidden.lnk");
    ::SetFileAttributesW((tw / L"Hidden.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
    fs::create_directory(tw / L"Sub.lnk");
    WriteFile(tw / L"Plain.lnk");
    shortcuts(ctx);

    EXPECT_EQ(FileNames(group), Names{L"Plain.lnk"});
    EXPECT_EQ(FileNames(tw), (Names{L"Hidden.lnk", L"Sub.lnk"}));
}

TEST_F(ShortcutsTest, UnresolvableShellFoldersStopTheStep) {
    WriteFile(tw / L"A.lnk");
    for (const std::wstring csidl : {L"8", L"11"}) {
        SCOPED_TRACE(csidl);
        os.rule = [csidl](const Call& c) -> DWORD {
            return c.op == Op::ShellFolder && c.a == csidl ? ERROR_PATH_NOT_FOUND : 0;
        };
        shortcuts(ctx);
        EXPECT_EQ(StartMenuGroupPath(ctx), L"");
        EXPECT_FALSE(fs::exists(group));
        EXPECT_EQ(FileNames(tw), Names{L"A.lnk"});
        EXPECT_TRUE(os.changes.empty());
    }
}

TEST_F(ShortcutsTest, MissingShortcutFolderStillCreatesTheGroup) {
    fs::remove(tw);
    shortcuts(ctx);
    EXPECT_TRUE(fs::is_directory(group));
    EXPECT_TRUE(FileNames(group).empty());
    EXPECT_FALSE(fs::exists(tw));
}

TEST_F(ShortcutsTest, FailedStepsLoseNothing) {
    WriteFile(tw / L"A.lnk", "a");
    WriteFile(tw / L"Locked.lnk", "locked");
    Fail(Op::MoveFile, L"Locked.lnk");
    shortcuts(ctx);
    EXPECT_EQ(FileNames(group), Names{L"A.lnk"});
    EXPECT_EQ(FileNames(tw), Names{L"Locked.lnk"});

    // A group that cannot be created: every move fails, every shortcut stays where it was.
    fs::remove_all(group);
    WriteFile(tw / L"B.lnk");
    Fail(Op::CreateDirectory);
    shortcuts(ctx);
    EXPECT_FALSE(fs::exists(group));
    EXPECT_EQ(FileNames(tw), (Names{L"B.lnk", L"Locked.lnk"}));
}

TEST_F(ShortcutsTest, NoProgramFolderNoStep) {
    StoreContext lost{os, L""};
    shortcuts(lost);
    EXPECT_TRUE(os.changes.empty());
    EXPECT_FALSE(fs::exists(group));
}

class InstallerTest : public ShortcutsTest {
  protected:
    static bool IsDefault(const Call& c) {
        return c.op == Op::SetString && c.root == HKEY_CURRENT_USER &&
               c.a == StoreSectionKey(kMiscSection);
    }
};

TEST_F(InstallerTest, CapturesThenMovesShortcutsThenWritesTheThreeDefaultsInOrder) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"C:\\alpha.exe");
    WriteFile(box.folders.startUp / L"Mail.lnk");
    WriteFile(tw / L"Tarnwick.lnk");
    RunInstaller(ctx);

    std::vector<Op> order;
    std::vector<std::wstring> defaults;
    for (const Call& c : os.changes) {
        if (IsDefault(c)) {
            defaults.push_back(c.b + L"=" + c.c);
        } else if (order.empty() || order.back() != c.op) {
            order.push_back(c.op);
        }
    }
    EXPECT_EQ(defaults, (Names{L"TimeDelay=40", L"Visible=1", L"Enabled=True"}));
    ASSERT_FALSE(os.changes.empty());
    EXPECT_TRUE(IsDefault(os.changes.back()));
    // The machine's switch on, then the launcher's value, so that nothing is ever held without
    // it; then the store write and the Run deletion, the account's folder of held shortcuts and
    // the StartUp sweep into it, and the group.
    EXPECT_EQ(order, (std::vector<Op>{Op::SetString, Op::DeleteValue, Op::CreateDirectory,
                                      Op::MoveFileReplacing, Op::CreateDirectory, Op::MoveFile,
                                      Op::RemoveDirectory}));
    ASSERT_GE(os.changes.size(), 3u);
    EXPECT_EQ(os.changes[0].b, L"Enabled");
    EXPECT_EQ(os.changes[0].root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(os.changes[1].b, L"Veltane");
    EXPECT_EQ(testing::StoreSection(kMachineSection), (Values{{L"Alpha", L"C:\\alpha.exe"}}));
    EXPECT_EQ(FileNames(box.folders.held), (Names{L"Mail.lnk"}));
    EXPECT_EQ(FileNames(box.folders.program), Names{L"Tarnwick.exe"});
    EXPECT_EQ(FileNames(group), Names{L"Tarnwick.lnk"});
}

TEST_F(InstallerTest, DefaultsReplaceOnlyTheirOwnKeys) {
    StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"70");
    StoreWrite(SystemOs(), kMiscSection, L"Enabled", L"False");
    StoreWrite(SystemOs(), kMiscSection, L"AutoHide", L"True");
    StoreWrite(SystemOs(), kMiscSection, L"initTimeDelay", L"25");
    RunInstaller(ctx);
    EXPECT_EQ(testing::StoreSection(kMiscSection), (Values{{L"AutoHide", L"True"},
                                                           {L"Enabled", L"True"},
                                                           {L"initTimeDelay", L"25"},
                                                           {L"TimeDelay", L"40"},
                                                           {L"Visible", L"1"}}));
}

TEST_F(InstallerTest, FailuresInCaptureAndShortcutsDoNotStopTheDefaults) {
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Gamma", L"C:\\gamma.exe");
    WriteFile(tw / L"A.lnk");
    os.rule = [](const Call& c) -> DWORD {
        switch (c.op) {
            case Op::DeleteValue:
                return c.a == kRunKey ? ERROR_ACCESS_DENIED : 0;
            case Op::MoveFile:
            case Op::MoveFileReplacing:
            case Op::CreateDirectory:
            case Op::RemoveDirectory:
                return ERROR_ACCESS_DENIED;
            case Op::ShellFolder:
                return c.a == L"8" ? ERROR_PATH_NOT_FOUND : 0;
            default:
                return 0;
        }
    };
    RunInstaller(ctx);
    EXPECT_EQ(testing::StoreSection(kMiscSection),
              (Values{{L"Enabled", L"True"}, {L"TimeDelay", L"40"}, {L"Visible", L"1"}}));
    // The Run value that could not be deleted is not held twice.
    EXPECT_TRUE(testing::StoreSection(kUserSection).empty());
    EXPECT_EQ(testing::DumpKey(HKEY_CURRENT_USER, kRunKey).size(), 1u);
    EXPECT_EQ(FileNames(tw), Names{L"A.lnk"});
}

// Outside Program Files the folder gets its permissions before anything is taken over; below it
// the folder keeps what it inherits.
TEST_F(InstallerTest, TheProgramFolderGetsItsPermissionsFirstUnlessInProgramFiles) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"C:\\alpha.exe");
    EXPECT_EQ(Install(ctx).exitCode, kInstalled);
    ASSERT_FALSE(os.changes.empty());
    EXPECT_EQ(os.changes[0].op, Op::ProtectFolder);
    EXPECT_TRUE(SamePath(os.changes[0].a, box.ProgramFolder())) << os.changes[0].a;
    EXPECT_EQ(os.changes[0].b, kAdministratorsOnly);
    EXPECT_EQ(testing::StoreSection(kMachineSection), (Values{{L"Alpha", L"C:\\alpha.exe"}}));

    std::wstring programFiles;
    ASSERT_EQ(os.ShellFolder(nullptr, CSIDL_PROGRAM_FILES, programFiles), ERROR_SUCCESS);
    os.changes.clear();
    const StoreContext inProgramFiles{os, programFiles + L"\\Tarnwick"};
    // No launcher lies there, so nothing is taken over; but nothing is refused for its permissions.
    EXPECT_NE(Install(inProgramFiles).exitCode, kNotInstalled);
    for (const Call& c : os.changes) EXPECT_NE(c.op, Op::ProtectFolder) << c.a;
}

// An administrator denied by the folder's own permissions, or a standard user: nothing is taken
// over and nothing written, and the report names the folder and what to do.
TEST_F(InstallerTest, WhenThePermissionsCannotBeSetNothingIsDone) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"C:\\alpha.exe");
    WriteFile(box.folders.startUp / L"Mail.lnk");
    WriteFile(tw / L"Tarnwick.lnk");
    const std::function<DWORD(const Call&)> rules[] = {
        [](const Call& c) -> DWORD { return c.op == Op::ProtectFolder ? ERROR_ACCESS_DENIED : 0; },
        testing::StandardUserRights(box.ProgramFolder())};
    for (const auto& rule : rules) {
        os.rule = rule;
        const InstallOutcome outcome = Install(ctx);
        EXPECT_EQ(outcome.exitCode, kNotInstalled);
        EXPECT_TRUE(os.changes.empty()) << os.changes.size() << " changes, first "
                                        << (os.changes.empty() ? L"" : os.changes[0].a);
        EXPECT_NE(outcome.report.find(L"\"" + box.ProgramFolder() + L"\""), std::wstring::npos)
            << outcome.report;
        EXPECT_NE(outcome.report.find(L"Program Files"), std::wstring::npos) << outcome.report;
        EXPECT_EQ(testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey).size(), 1u);
        EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
        EXPECT_EQ(FileNames(box.folders.startUp), Names{L"Mail.lnk"});
        EXPECT_EQ(FileNames(tw), Names{L"Tarnwick.lnk"});
    }
}

}  // namespace
}  // namespace tarnwick

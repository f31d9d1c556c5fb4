// The setup program under Wine, run silently as an administrator's script would run it, with no
// one to answer any box, and the uninstaller it puts in place. Both work on the prefix's real
// registry and folders, which a guard saves and puts back around every test.
#include "exe_harness.h"

#include "handles.h"
#include "registry.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <knownfolders.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <numeric>
#include <set>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileNames;
using testing::RunValues;
using testing::Values;
using testing::WriteFile;
using Names = std::vector<std::wstring>;
using NameSet = std::set<std::wstring>;

const fs::path kSetup = testing::BuiltProgram(TARNWICK_SETUP_EXE);
// The program folder as `cmake --install` laid it out, which the setup program carries.
const fs::path kStage = testing::BuiltProgram(TARNWICK_STAGE);

constexpr int kUninstallOk = 1002;
constexpr int kShellYes = 6;
constexpr int kShellNo = 7;
// The setup's exit code when it refuses the folder it was given.
constexpr DWORD kRefused = 2;
const Values kDefaults{{L"Enabled", L"True"}, {L"TimeDelay", L"40"}, {L"Visible", L"1"}};
const Names kShortcuts = {L"Tarnwick Settings.lnk", L"Uninstall Tarnwick.lnk"};

NameSet Layout(const fs::path& folder) {
    NameSet names;
    for (const auto& [name, bytes] : testing::FolderContents(folder)) names.insert(name);
    return names;
}

// What a program folder must hold: the four programs, the help page, the logo, the skin index
// and every picture that the index names.
NameSet ExpectedLayout() {
    NameSet names = {L"Tarnwick.exe", L"TarnwickSettings.exe", L"install.exe", L"uninstall.exe",
                     L"TARNWICK.HTM", L"twlogo.jpg",           L"skins",       L"skins\\skins.skn"};
    // The administrative templates, for an administrator to copy into the central store.
    names.insert({L"PolicyDefinitions", L"PolicyDefinitions\\Tarnwick.admx",
                  L"PolicyDefinitions\\en-US", L"PolicyDefinitions\\en-US\\Tarnwick.adml"});
    // Lines of the form "Name","picture.jpg",colour.
    std::string index = testing::ReadFileBytes(kStage / L"skins" / L"skins.skn");
    for (size_t start = 0; start < index.size();) {
        size_t end = index.find('\n', start);
        if (end == std::string::npos) end = index.size();
        const std::string line = index.substr(start, end - start);
        std::vector<size_t> quotes;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') quotes.push_back(i);
        }
        if (quotes.size() >= 4) {
            const std::string picture = line.substr(quotes[2] + 1, quotes[3] - quotes[2] - 1);
            names.insert(L"skins\\" + std::wstring(picture.begin(), picture.end()));
        }
        start = end + 1;
    }
    return names;
}

// A shortcut's target, icon and working folder, as the shell reads them.
struct Link {
    std::wstring target;
    std::wstring icon;
    int iconIndex = -1;
    std::wstring folder;
};

Link ReadLink(const fs::path& file) {
    Link link;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shellLink.put_void()))) {
        ADD_FAILURE() << "no shell link object";
        return link;
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, persist.put_void())) ||
        FAILED(persist->Load(file.c_str(), STGM_READ))) {
        ADD_FAILURE() << "cannot read " << file;
        return link;
    }
    wchar_t text[MAX_PATH] = {};
    if (SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) link.target = text;
    text[0] = L'\0';
    if (SUCCEEDED(shellLink->GetIconLocation(text, MAX_PATH, &link.iconIndex))) link.icon = text;
    text[0] = L'\0';
    if (SUCCEEDED(shellLink->GetWorkingDirectory(text, MAX_PATH))) link.folder = text;
    return link;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// A registry key in the chosen view, or null.
UniqueHKey OpenView(std::wstring_view subKey, REGSAM view) {
    UniqueHKey key;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, std::wstring(subKey).c_str(), 0, KEY_READ | view,
                    key.put());
    return key;
}

std::wstring EntryText(std::wstring_view name) {
    return Registry::GetValue(SystemOs(), HKEY_LOCAL_MACHINE, testing::kAppsAndFeaturesKey, name,
                              L"<missing>");
}

std::optional<DWORD> EntryNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, std::wstring(testing::kAppsAndFeaturesKey).c_str(), name,
                       RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

bool EntryThere() {
    return testing::KeyExists(HKEY_LOCAL_MACHINE, testing::kAppsAndFeaturesKey);
}

uintmax_t TotalBytes(const fs::path& folder) {
    uintmax_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) total += entry.file_size();
    }
    return total;
}

class SetupTest : public ::testing::Test {
  protected:
    const ComScope com;
    testing::RealStateGuard state;
    testing::TempFolder temp{L"Program Files"};
    // Below the temporary folder, with a space in its path; the setup makes it.
    fs::path program = temp.Path() / L"Tarnwick";
    fs::path group = testing::RealStartMenuGroup();
    fs::path startUp = testing::RealStartUpFolder();

    // A silent setup whose install.exe showed its message anyway is ended by force, which leaves
    // install.exe waiting on it; answered here, so that no later test takes it for its own.
    void TearDown() override {
        const bool gone = testing::Eventually(
            [] {
                HWND box = ::FindWindowW(L"#32770", L"Tarnwick Installed");
                if (box) testing::Click(::GetDlgItem(box, IDOK));
                return box == nullptr;
            },
            5s);
        if (!gone) ADD_FAILURE() << "install.exe's message would not go";
    }

    // A machine with start-up programs: two ordinary ones and one the capture never takes in
    // the machine's Run key, one in the user's, and a shortcut in the StartUp folder.
    void StartUpPrograms() {
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"C:\\alpha.exe /tray");
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Beta",
                       L"\"C:\\Program Files\\Beta\\beta.exe\" -q");
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Sound", L"RUNDLL32.EXE sound.dll,Start");
        testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Gamma", L"C:\\gamma.exe");
        WriteFile(startUp / L"Mail.lnk", "the user's mail shortcut");
    }

    // Runs the silent setup with `arguments` and returns the exit code once it has ended by
    // itself, answering nothing (99: it did not end, or install.exe's completion message came,
    // which would hold a scripted installation up for good).
    DWORD RunSetup(std::wstring_view arguments) {
        testing::Child setup(kSetup, arguments);
        HWND box = testing::WaitForWindowWhileRunning(setup, L"#32770", L"Tarnwick Installed", 60s);
        EXPECT_EQ(box, nullptr) << "install.exe waits for a click in a silent setup";
        const std::optional<DWORD> code = setup.Wait(box ? 0ms : 60s);
        EXPECT_TRUE(code.has_value()) << "the setup did not end by itself";
        return code.value_or(99);
    }
    DWORD Install(const fs::path& folder) { return RunSetup(L"/S /D=" + folder.wstring()); }

    // Runs an installed uninstall.exe: OK, then the shell's question answered with `shellButton`.
    static DWORD Uninstall(const fs::path& folder, int shellButton) {
        testing::Child child(folder / L"uninstall.exe");
        HWND form =
            testing::WaitForWindow(child, L"#32770", L"Are you sure you want to uninstall?", 20s);
        EXPECT_NE(form, nullptr) << "the uninstaller's window did not appear";
        if (!form) return 99;
        testing::Click(::GetDlgItem(form, kUninstallOk));
        HWND question = testing::WaitForWindow(child, L"#32770", L"Confirm folder deletion", 20s);
        EXPECT_NE(question, nullptr) << "the shell did not ask";
        if (!question) return 99;
        testing::Click(::GetDlgItem(question, shellButton));
        return child.Wait(30s).value_or(99);
    }

    void ExpectInstalledIn(const fs::path& folder, const NameSet& captured) {
        // The program folder: the laid-out files, byte for byte, and the captured shortcuts.
        const NameSet expected = ExpectedLayout();
        EXPECT_EQ(Layout(kStage), expected) << "the laid-out program folder";
        NameSet withCaptured = expected;
        withCaptured.insert(captured.begin(), captured.end());
        EXPECT_EQ(Layout(folder), withCaptured);
        for (const NameSet::value_type& name : expected) {
            if (fs::is_regular_file(kStage / name)) {
                EXPECT_EQ(testing::ReadFileBytes(folder / name),
                          testing::ReadFileBytes(kStage / name))
                    << name;
            }
        }
        EXPECT_FALSE(fs::exists(folder / L"TW"));

        // The start-menu group: the product's two shortcuts, each on its program and its icon.
        EXPECT_EQ(FileNames(group), kShortcuts);
        const std::pair<std::wstring, std::wstring> links[] = {
            {L"Tarnwick Settings.lnk", L"TarnwickSettings.exe"},
            {L"Uninstall Tarnwick.lnk", L"uninstall.exe"}};
        for (const auto& [shortcut, exe] : links) {
            SCOPED_TRACE(shortcut);
            const Link link = ReadLink(group / shortcut);
            const std::wstring target = (folder / exe).wstring();
            EXPECT_EQ(Lower(link.target), Lower(target));
            EXPECT_EQ(Lower(link.icon), Lower(target));
            EXPECT_EQ(link.iconIndex, 0);
            EXPECT_EQ(Lower(link.folder), Lower(folder.wstring()));
        }

        // The launcher is Windows' only start-up program, apart from what is never captured.
        EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
                  (Values{{L"Veltane", L"\"" + folder.wstring() + L"\\Tarnwick.exe\""},
                          {L"Sound", L"RUNDLL32.EXE sound.dll,Start"}}));
        EXPECT_EQ(RunValues(HKEY_CURRENT_USER), Values{});
        EXPECT_TRUE(FileNames(startUp).empty());
        EXPECT_EQ(testing::StoreSection(kMiscSection), kDefaults);
        EXPECT_EQ(testing::StoreSection(kMachineSection),
                  (Values{{L"Alpha", L"C:\\alpha.exe /tray"},
                          {L"Beta", L"\"C:\\Program Files\\Beta\\beta.exe\" -q"}}));
        EXPECT_EQ(testing::StoreSection(kUserSection), (Values{{L"Gamma", L"C:\\gamma.exe"}}));

        ExpectEntryFor(folder);
    }

    static void ExpectEntryFor(const fs::path& folder) {
        ASSERT_TRUE(EntryThere()) << "Apps & features does not list the product";
        EXPECT_EQ(EntryText(L"DisplayName"), L"Tarnwick");
        EXPECT_EQ(EntryText(L"DisplayVersion"), L"1.6.0");
        EXPECT_EQ(EntryText(L"Publisher"), L"Mereval Software");
        EXPECT_EQ(EntryText(L"DisplayIcon"), (folder / L"TarnwickSettings.exe").wstring() + L",0");
        EXPECT_EQ(EntryText(L"InstallLocation"), folder.wstring());
        EXPECT_EQ(EntryText(L"UninstallString"),
                  L"\"" + (folder / L"uninstall.exe").wstring() + L"\"");
        EXPECT_EQ(EntryNumber(L"NoModify"), 1u);
        EXPECT_EQ(EntryNumber(L"NoRepair"), 1u);
        // In KiB, of what the setup put into the folder.
        const auto stageKiB = static_cast<DWORD>(TotalBytes(kStage) / 1024);
        const std::optional<DWORD> size = EntryNumber(L"EstimatedSize");
        ASSERT_TRUE(size.has_value());
        EXPECT_GE(*size + 1, stageKiB);
        EXPECT_LE(*size, stageKiB + 8);
        // The programs are 64-bit: the entry is in the 64-bit view, where they look for it.
        EXPECT_TRUE(OpenView(testing::kAppsAndFeaturesKey, KEY_WOW64_64KEY));
        EXPECT_FALSE(OpenView(testing::kAppsAndFeaturesKey, KEY_WOW64_32KEY));
    }

    void ExpectStartUpProgramsBack() {
        EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
                  (Values{{L"Alpha", L"C:\\alpha.exe /tray"},
                          {L"Beta", L"\"C:\\Program Files\\Beta\\beta.exe\" -q"},
                          {L"Sound", L"RUNDLL32.EXE sound.dll,Start"}}));
        EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Gamma", L"C:\\gamma.exe"}}));
        EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "the user's mail shortcut");
    }
};

TEST_F(SetupTest, SilentSetupInstallsTheProductAndListsItInAppsAndFeatures) {
    StartUpPrograms();
    EXPECT_EQ(Install(program), 0u);
    // The captured shortcut lies in the account's own folder, never in the program folder.
    ExpectInstalledIn(program, {});
    EXPECT_EQ(testing::ReadFileBytes(testing::RealHeldFolder() / L"Mail.lnk"),
              "the user's mail shortcut");
}

// A silent setup stays silent when a start-up program cannot be taken over (a shortcut another
// program holds open), and its exit code says so.
TEST_F(SetupTest, ASilentSetupSaysWithItsExitCodeThatSomethingStayedWithWindows) {
    WriteFile(startUp / L"Mail.lnk", "the user's mail shortcut");
    const UniqueHandle open(NullIfInvalid(
        ::CreateFileW((startUp / L"Mail.lnk").c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
    ASSERT_TRUE(open);
    EXPECT_EQ(Install(program), 1u);
    EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "the user's mail shortcut");
    EXPECT_TRUE(fs::exists(program / L"Tarnwick.exe"));
}

TEST_F(SetupTest, UninstallWithYesRemovesTheFolderAndTheEntryAndGivesEverythingBack) {
    StartUpPrograms();
    ASSERT_EQ(Install(program), 0u);
    ASSERT_TRUE(EntryThere());

    EXPECT_EQ(Uninstall(program, kShellYes), 0u);
    ExpectStartUpProgramsBack();
    EXPECT_FALSE(EntryThere());
    // Gone, but for the file of the uninstaller that was running, where the system keeps it.
    if (fs::exists(program)) {
        EXPECT_EQ(Layout(program), NameSet{L"uninstall.exe"});
    }
}

TEST_F(SetupTest, UninstallWithNoKeepsTheFolderAndTheEntry) {
    StartUpPrograms();
    ASSERT_EQ(Install(program), 0u);
    const NameSet installed = Layout(program);

    EXPECT_EQ(Uninstall(program, kShellNo), 0u);
    // The restore has happened all the same; the product can still be removed from Apps &
    // features.
    ExpectStartUpProgramsBack();
    EXPECT_EQ(Layout(program), ExpectedLayout());
    ExpectEntryFor(program);
}

TEST_F(SetupTest, SetupRunAgainRefreshesTheShortcutsAndLeavesNoShortcutFolder) {
    StartUpPrograms();
    ASSERT_EQ(Install(program), 0u);
    WriteFile(group / L"Tarnwick Settings.lnk", "an old shortcut");
    EXPECT_EQ(Install(program), 0u);
    ExpectInstalledIn(program, {});
}

TEST_F(SetupTest, UninstallingACopyElsewhereLeavesTheSetupsEntryAlone) {
    ASSERT_EQ(Install(program), 0u);
    // The zip's copy, unpacked in a folder of its own, then uninstalled.
    testing::TempFolder other{L"Tarnwick"};
    fs::copy(kStage, other.Path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    EXPECT_EQ(Uninstall(other.Path(), kShellYes), 0u);
    EXPECT_TRUE(!fs::exists(other.Path()) || Layout(other.Path()) == NameSet{L"uninstall.exe"});
    ExpectEntryFor(program);
}

TEST_F(SetupTest, RefusesAFolderThatHoldsSomethingElse) {
    StartUpPrograms();
    fs::create_directories(program);
    WriteFile(program / L"notes.txt", "the user's notes");
    const auto before = testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey);

    EXPECT_EQ(RunSetup(L"/S /D=" + program.wstring()), kRefused);
    EXPECT_EQ(Layout(program), NameSet{L"notes.txt"});
    EXPECT_EQ(testing::ReadFileBytes(program / L"notes.txt"), "the user's notes");
    EXPECT_FALSE(EntryThere());
    EXPECT_EQ(testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey), before);
    EXPECT_FALSE(fs::exists(group));
}

// Every window below `parent` of the given class, in the order the system lists them.
std::vector<HWND> Descendants(HWND parent, std::wstring_view windowClass) {
    struct Search {
        std::wstring_view windowClass;
        std::vector<HWND> found;
    } search{windowClass, {}};
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (testing::ClassName(window) == s.windowClass) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(SetupTest, FolderPageOffersProgramFilesAndRefusesAFolderThatHoldsSomethingElse) {
    fs::create_directories(program);
    WriteFile(program / L"notes.txt", "the user's notes");
    testing::Child setup(kSetup);
    HWND page =
        testing::WaitForWindow(setup, L"#32770", L"Tarnwick 1.6.0 Setup: Installation Folder", 20s);
    ASSERT_NE(page, nullptr);
    HWND install = ::GetDlgItem(page, IDOK);
    ASSERT_NE(install, nullptr);
    // The folder page is a dialog of its own inside the window, filled a moment after the
    // window's title changes. An edit control of another process gives its text only to
    // WM_GETTEXT.
    HWND folderField = nullptr;
    wchar_t offered[MAX_PATH] = {};
    std::vector<HWND> edits;
    testing::Eventually(
        [&] {
            edits = Descendants(page, L"Edit");
            folderField = edits.empty() ? nullptr : edits.front();
            if (folderField) {
                ::SendMessageW(folderField, WM_GETTEXT, MAX_PATH,
                               reinterpret_cast<LPARAM>(offered));
            }
            return offered[0] != L'\0' || edits.size() > 1;
        },
        5s);
    ASSERT_LE(edits.size(), 1u);
    ASSERT_NE(folderField, nullptr);
    EXPECT_EQ(Lower(offered), Lower(L"C:\\Program Files\\Tarnwick"));
    EXPECT_TRUE(::IsWindowEnabled(install));

    // The page checks the folder as it is typed, while the edit control handles the text: the
    // button has its state when the text is in. The wait only covers a slower page.
    const auto type = [&](const fs::path& folder, bool enabled) {
        ::SendMessageW(folderField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        testing::Eventually([&] { return (::IsWindowEnabled(install) != FALSE) == enabled; }, 2s);
    };
    type(program, false);
    EXPECT_FALSE(::IsWindowEnabled(install)) << "a folder with the user's notes in it";
    type(L"C:\\", false);
    EXPECT_FALSE(::IsWindowEnabled(install)) << "a drive's root";
    type(program / L"Tarnwick", true);
    EXPECT_TRUE(::IsWindowEnabled(install)) << "a new folder";
    EXPECT_EQ(Layout(program), NameSet{L"notes.txt"});
}

TEST_F(SetupTest, AnEmptyFolderIsFine) {
    fs::create_directories(program);
    EXPECT_EQ(Install(program), 0u);
    ExpectEntryFor(program);
    EXPECT_EQ(Layout(program), ExpectedLayout());
}

// The folder the setup chooses by itself, and takes away again afterwards.
class DefaultFolder {
  public:
    DefaultFolder() {
        PWSTR programFiles = nullptr;
        if (SUCCEEDED(
                ::SHGetKnownFolderPath(FOLDERID_ProgramFilesX64, 0, nullptr, &programFiles))) {
            path_ = fs::path(programFiles) / L"Tarnwick";
        }
        ::CoTaskMemFree(programFiles);
    }
    ~DefaultFolder() { testing::RemoveTree(path_); }
    DefaultFolder(const DefaultFolder&) = delete;
    DefaultFolder& operator=(const DefaultFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

TEST_F(SetupTest, WithoutAFolderItInstallsInto64BitProgramFiles) {
    DefaultFolder folder;
    ASSERT_FALSE(fs::exists(folder.Path())) << "the prefix has a Tarnwick of its own";
    ASSERT_EQ(folder.Path().parent_path().filename(), L"Program Files");
    EXPECT_EQ(RunSetup(L"/S"), 0u);
    EXPECT_EQ(Layout(folder.Path()), ExpectedLayout());
    ExpectEntryFor(folder.Path());
}

TEST(SetupProgram, CarriesTheProductsVersionAndMaker) {
    EXPECT_EQ(testing::FixedFileVersion(kSetup), L"1.6.0.0");
    EXPECT_EQ(testing::VersionText(kSetup, L"ProductVersion"), L"1.6.0");
    EXPECT_EQ(testing::VersionText(kSetup, L"CompanyName"), L"Mereval Software");
    EXPECT_NE(testing::EmbeddedManifest(kSetup).find("requireAdministrator"), std::string::npos);
}

}  // namespace
}  // namespace tarnwick

// uninstall.exe itself under Wine, driven from this process, the shell's confirmation included.
// It works on the prefix's real registry and folders, which a guard saves and puts back around
// every test; its program folders are temporary folders holding a copy of it and stand-ins for
// the other three programs.
#include "accessibility_checks.h"
#include "exe_harness.h"
#include "other_program.h"

#include "accounts.h"
#include "product.h"

#include "folder_access.h"
#include "handles.h"
#include "process.h"
#include "registry.h"
#include "restore.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <functional>
#include <map>
#include <set>
#include <stdexcept>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileNames;
using testing::WriteFile;
using Names = std::vector<std::wstring>;
using testing::RunValues;
using testing::Values;

constexpr std::wstring_view kFormCaption = L"Are you sure you want to uninstall?";
constexpr std::wstring_view kConfirmCaption = L"Confirm folder deletion";
constexpr std::wstring_view kHeldCaption = L"Tarnwick is still installed";
constexpr std::wstring_view kRefusedCaption = L"Tarnwick was not uninstalled";
constexpr std::wstring_view kSettingsOpenCaption = L"Tarnwick Settings is open";
constexpr int kLabel1 = 1001;
constexpr int kCommand1 = 1002;
constexpr int kCommand2 = 1003;
constexpr int kShellYes = 6;
constexpr int kShellNo = 7;
const std::wstring kStoreKey = L"Software\\Veltane";

// Everything an uninstall may touch, for before-and-after comparisons.
struct World {
    std::vector<testing::RawValue> machineRun, userRun;
    std::vector<std::wstring> store;
    std::map<std::wstring, std::string> startUp, program;
    bool operator==(const World&) const = default;
};

World Look(const fs::path& program) {
    return {
        testing::DumpKey(HKEY_LOCAL_MACHINE, kRunKey), testing::DumpKey(HKEY_CURRENT_USER, kRunKey),
        testing::DumpTree(HKEY_CURRENT_USER, kStoreKey),
        testing::FolderContents(testing::RealStartUpFolder()), testing::FolderContents(program)};
}

const std::vector<std::wstring_view> kOtherPrograms = {L"Tarnwick.exe", L"TarnwickSettings.exe",
                                                       L"install.exe"};

// Writes a copy of the real uninstaller and stand-ins for other programs into a folder, and takes
// away exactly what it wrote.
class PlantedProduct {
  public:
    explicit PlantedProduct(const fs::path& folder,
                            const std::vector<std::wstring_view>& standIns = kOtherPrograms)
        : folder_(folder) {
        Plant(L"uninstall.exe", [](const fs::path& p) {
            fs::copy_file(testing::BuiltProgram(TARNWICK_UNINSTALL_EXE), p);
        });
        for (std::wstring_view name : standIns) {
            Plant(name, [](const fs::path& p) { WriteFile(p, "stand-in"); });
        }
    }
    ~PlantedProduct() {
        for (const fs::path& path : planted_) fs::remove(path);
    }
    PlantedProduct(const PlantedProduct&) = delete;
    PlantedProduct& operator=(const PlantedProduct&) = delete;

    // A file of the test's own beside the programs; taken away again afterwards.
    void Plant(std::wstring_view name, const std::function<void(const fs::path&)>& make) {
        const fs::path path = folder_ / name;
        if (fs::exists(path)) throw std::runtime_error("a file of that name is already there");
        make(path);
        planted_.push_back(path);
    }
    fs::path Uninstaller() const { return folder_ / L"uninstall.exe"; }

  private:
    fs::path folder_;
    std::vector<fs::path> planted_;
};

// Whether the system's list of what to delete at the next restart names `path`.
bool DeletedAtRestart(const fs::path& path) {
    for (const testing::RawValue& value : testing::DumpKey(
             HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager")) {
        if (value.name != L"PendingFileRenameOperations") continue;
        // Pairs of NUL-ended paths, the source as "\??\C:\...", an empty target for a deletion.
        const std::wstring list(reinterpret_cast<const wchar_t*>(value.data.data()),
                                value.data.size() / sizeof(wchar_t));
        if (list.find(L"\\??\\" + path.wstring() + L'\0' + L'\0') != std::wstring::npos)
            return true;
    }
    return false;
}

// The folders of the uninstaller's copies below the temporary folder.
std::set<fs::path> CopyFolders() {
    std::set<fs::path> found;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
        if (entry.path().filename().wstring().starts_with(L"Tarnwick-uninstall-"))
            found.insert(entry.path());
    }
    return found;
}

class UninstallExeTest : public ::testing::Test {
  protected:
    testing::RealStateGuard state;
    testing::TempFolder folder{L"Tarnwick"};
    fs::path program = folder.Path();
    fs::path startUp = testing::RealStartUpFolder();
    PlantedProduct product{program};

    // What an installation leaves behind: captured values, a launch order, the launcher's Run
    // value and a captured StartUp shortcut in the program folder.
    void Installed() {
        StoreWrite(SystemOs(), kMachineSection, L"Alpha", L"C:\\alpha.exe /tray");
        StoreWrite(SystemOs(), kUserSection, L"Gamma", L"C:\\gamma.exe");
        StoreWrite(SystemOs(), kPrioritySection, L"Alpha", L"0");
        StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"40");
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", program.wstring() + L"\\Tarnwick");
        testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Kept", L"C:\\kept.exe");
        WriteFile(program / L"Mail.lnk", "captured shortcut");
        testing::SetSz(HKEY_LOCAL_MACHINE, testing::kAppsAndFeaturesKey, L"DisplayName",
                       L"Tarnwick");
        testing::SetSz(HKEY_LOCAL_MACHINE, testing::kAppsAndFeaturesKey, L"InstallLocation",
                       program.wstring());
    }
    static bool EntryThere() {
        return testing::KeyExists(HKEY_LOCAL_MACHINE, testing::kAppsAndFeaturesKey);
    }
    void ExpectRestored() {
        EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Alpha", L"C:\\alpha.exe /tray"}}));
        EXPECT_EQ(RunValues(HKEY_CURRENT_USER),
                  (Values{{L"Gamma", L"C:\\gamma.exe"}, {L"Kept", L"C:\\kept.exe"}}));
        EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "captured shortcut");
    }

    // What went back left the store; the options and the launch order stay.
    static void ExpectNoLongerHeld() {
        EXPECT_TRUE(testing::StoreSection(kMachineSection).empty());
        EXPECT_TRUE(testing::StoreSection(kUserSection).empty());
        EXPECT_EQ(testing::StoreSection(kPrioritySection), (Values{{L"Alpha", L"0"}}));
        EXPECT_EQ(testing::StoreSection(kMiscSection), (Values{{L"TimeDelay", L"40"}}));
    }

    // The window, in front to take the keys pressed next; false when it did not appear there.
    static bool InFront(HWND form) { return form && testing::BringToFront(form); }
    static HWND Form(const testing::Child& child) {
        HWND form = testing::WaitForWindow(child, L"#32770", kFormCaption, 20s);
        EXPECT_NE(form, nullptr) << "the uninstaller's window did not appear";
        return form;
    }
    // Clicks OK and waits for the uninstaller's box of that caption.
    static HWND OkThenBox(const testing::Child& child, std::wstring_view caption) {
        HWND form = Form(child);
        if (!form) return nullptr;
        testing::Click(::GetDlgItem(form, kCommand1));
        HWND box = testing::WaitForWindow(child, L"#32770", caption, 20s);
        EXPECT_NE(box, nullptr) << "the uninstaller said nothing";
        EXPECT_EQ(::GetWindow(box, GW_OWNER), form);
        return box;
    }
    // Everything a box says.
    static std::wstring Text(HWND box) {
        std::wstring text;
        for (HWND control : testing::ChildWindows(box)) text += testing::WindowText(control);
        return text;
    }
    // The same, once the box is pictured into `screenshot` for a person to look at.
    static std::wstring Pictured(HWND box, std::wstring_view screenshot) {
        testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_UNINSTALL_EXE), screenshot);
        return Text(box);
    }
    static HWND Confirmation(const testing::Child& child) {
        return testing::WaitForWindow(child, L"#32770", kConfirmCaption, 20s);
    }
    // Closes the uninstaller's report: it ends without offering the program folder for deletion.
    static void CloseAndExpectNoDeletion(testing::Child& child, HWND box) {
        testing::Click(::GetDlgItem(box, IDOK));
        HWND question = testing::WatchForWindowUntilExit(child, L"#32770", kConfirmCaption, 20s);
        if (question) {
            testing::Click(::GetDlgItem(question, kShellNo));
            ADD_FAILURE() << "the program folder was offered for deletion";
        }
        EXPECT_EQ(child.Wait(10s), 0u);
    }
    // Clicks OK and answers the shell's question with one of its buttons.
    static std::optional<DWORD> OkAndAnswer(testing::Child& child, int shellButton,
                                            const std::function<void()>& whileAsked = {}) {
        HWND form = Form(child);
        if (!form) return std::nullopt;
        testing::Click(::GetDlgItem(form, kCommand1));
        return Answer(child, shellButton, whileAsked);
    }
    // Answers the shell's question, once it comes, with one of its buttons.
    static std::optional<DWORD> Answer(testing::Child& child, int shellButton,
                                       const std::function<void()>& whileAsked = {}) {
        HWND question = Confirmation(child);
        EXPECT_NE(question, nullptr) << "the shell did not ask";
        if (!question) return std::nullopt;
        if (whileAsked) whileAsked();
        testing::Click(::GetDlgItem(question, shellButton));
        return child.Wait(20s);
    }
};

TEST_F(UninstallExeTest, WindowAsksItsQuestionWithOkAsTheDefaultButton) {
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    HWND label = ::GetDlgItem(form, kLabel1);
    HWND ok = ::GetDlgItem(form, kCommand1);
    HWND cancel = ::GetDlgItem(form, kCommand2);
    EXPECT_EQ(testing::WindowText(label), L"Are you sure you really want to uninstall Tarnwick?");
    EXPECT_EQ(testing::WindowText(ok), L"&OK");
    EXPECT_EQ(testing::WindowText(cancel), L"&Cancel");
    EXPECT_EQ(::GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(::GetWindowLongW(cancel, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(::GetDlgItem(form, IDCANCEL), nullptr) << "Cancel keeps an id of its own";
    size_t visible = 0;
    for (HWND child_ : testing::ChildWindows(form)) visible += ::IsWindowVisible(child_) ? 1 : 0;
    EXPECT_EQ(visible, 3u);

    // A small tidy box: the question above, OK left of Cancel, all inside the window.
    RECT client{}, labelRect{}, okRect{}, cancelRect{}, window{};
    ::GetWindowRect(form, &window);
    ::GetClientRect(form, &client);
    ::MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ::GetWindowRect(label, &labelRect);
    ::GetWindowRect(ok, &okRect);
    ::GetWindowRect(cancel, &cancelRect);
    EXPECT_LT(window.right - window.left, 600);
    EXPECT_LT(window.bottom - window.top, 250);
    EXPECT_LE(labelRect.bottom, okRect.top);
    EXPECT_EQ(okRect.top, cancelRect.top);
    EXPECT_LT(okRect.right, cancelRect.left);
    for (const RECT& r : {labelRect, okRect, cancelRect}) {
        EXPECT_TRUE(r.left >= client.left && r.right <= client.right && r.top >= client.top &&
                    r.bottom <= client.bottom);
    }
    EXPECT_EQ(::GetWindowLongW(form, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0);

    testing::Click(cancel);
    EXPECT_EQ(child.Wait(10s), 0u);
}

TEST_F(UninstallExeTest, CancelAndTheCloseBoxChangeNothing) {
    Installed();
    const World before = Look(program);
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"Cancel", [](HWND form) { testing::Click(::GetDlgItem(form, kCommand2)); }},
        {"close box", [](HWND form) { ::PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0); }}};
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        testing::Child child(product.Uninstaller());
        HWND form = Form(child);
        ASSERT_NE(form, nullptr);
        leave(form);
        EXPECT_EQ(child.Wait(10s), 0u);
        EXPECT_TRUE(Look(program) == before);
    }
}

TEST_F(UninstallExeTest, EscIsCancelAndEnterIsOk) {
    Installed();
    const World before = Look(program);
    {
        testing::Child child(product.Uninstaller());
        ASSERT_TRUE(InFront(Form(child)));
        testing::PressKey(VK_ESCAPE);
        EXPECT_EQ(child.Wait(10s), 0u) << "Esc did not end the uninstaller";
        EXPECT_TRUE(Look(program) == before);
    }
    testing::Child child(product.Uninstaller());
    ASSERT_TRUE(InFront(Form(child)));
    testing::PressKey(VK_RETURN);
    EXPECT_EQ(Answer(child, kShellNo), 0u) << "Enter did not answer OK";
    ExpectRestored();
}

TEST_F(UninstallExeTest, EveryControlIsNamedAndTheKeysGoThroughThemInReadingOrder) {
    Installed();
    const World before = Look(program);
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    HWND ok = ::GetDlgItem(form, kCommand1);
    HWND cancel = ::GetDlgItem(form, kCommand2);
    EXPECT_EQ(testing::AccessibleName(::GetDlgItem(form, kLabel1)),
              L"Are you sure you really want to uninstall Tarnwick?");
    EXPECT_EQ(testing::AccessibleName(ok), L"OK");
    EXPECT_EQ(testing::AccessibleName(cancel), L"Cancel");
    EXPECT_EQ(testing::AccessKeys(form), L"OC");
    EXPECT_TRUE(testing::KeyboardCuesShown(ok)) << "the focus or the access keys are hidden";

    ASSERT_TRUE(InFront(form));
    EXPECT_EQ(testing::FocusedControl(form), ok);
    EXPECT_EQ(testing::FocusAfterEachPress(form, 2), (std::vector<HWND>{cancel, ok}));
    EXPECT_EQ(testing::FocusAfterEachPress(form, 1, VK_TAB, VK_SHIFT), std::vector<HWND>{cancel});
    // Alt+C is Cancel, wherever the focus is.
    EXPECT_EQ(testing::FocusAfterEachPress(form, 1, VK_TAB, VK_SHIFT), std::vector<HWND>{ok});
    testing::PressKey('C', VK_MENU);
    EXPECT_EQ(child.Wait(10s), 0u) << "Alt+C did not end the uninstaller";
    EXPECT_TRUE(Look(program) == before);
}

// The window at 96, 144 and 192 DPI, and at 192 the question it asks while a settings window
// stays open: every text fits, and Esc answers that question with Cancel.
TEST_F(UninstallExeTest, AtEachDpiEveryTextFitsAndNothingOverlaps) {
    Installed();
    const World before = Look(program);
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const testing::DisplayDpi display(dpi);
        testing::Child child(product.Uninstaller());
        HWND form = Form(child);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(testing::TextsThatDoNotFit(form, dpi), std::vector<std::wstring>{});
        EXPECT_EQ(testing::ControlsOutOfPlace(form), std::vector<std::wstring>{});
        testing::SaveBoxScreenshot(form, testing::BuiltProgram(TARNWICK_UNINSTALL_EXE),
                                   L"uninstall-" + std::to_wstring(dpi) + L".bmp");
        if (dpi != 192) {
            testing::Click(::GetDlgItem(form, kCommand2));
            EXPECT_EQ(child.Wait(10s), 0u);
            continue;
        }
        const HWND stuck = ::CreateWindowExW(0, L"#32770", L"Tarnwick Settings", WS_POPUP, 0, 0, 10,
                                             10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(stuck, nullptr);
        HWND box = OkThenBox(child, kSettingsOpenCaption);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(testing::TextsThatDoNotFit(box, dpi), std::vector<std::wstring>{});
        testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_UNINSTALL_EXE),
                                   L"uninstall-settings-open-192.bmp");
        ASSERT_TRUE(testing::BringToFront(box));
        testing::PressKey(VK_ESCAPE);
        EXPECT_EQ(child.Wait(10s), 0u) << "Esc did not answer Cancel";
        ::DestroyWindow(stuck);
    }
    EXPECT_TRUE(Look(program) == before);
}

TEST_F(UninstallExeTest, InHighContrastTheWindowIsInTheSchemesColours) {
    const testing::HighContrastScheme scheme;
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    testing::SaveBoxScreenshot(form, testing::BuiltProgram(TARNWICK_UNINSTALL_EXE),
                               L"uninstall-high-contrast.bmp");
    // The face below the question, where no control lies.
    RECT label{};
    ::GetWindowRect(::GetDlgItem(form, kLabel1), &label);
    const WindowDc screen(nullptr);
    EXPECT_EQ(::GetPixel(screen.get(), label.left, label.bottom + 2),
              testing::HighContrastScheme::kFace);
    testing::Click(::GetDlgItem(form, kCommand2));
    EXPECT_EQ(child.Wait(10s), 0u);
}

TEST_F(UninstallExeTest, OkWithNothingCapturedRemovesTheLauncherAndStillOffersTheFolder) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", program.wstring() + L"\\Tarnwick");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Veltane", L"C:\\user\\own.exe");
    const auto programBefore = testing::FolderContents(program);
    testing::Child child(product.Uninstaller());
    const auto code = OkAndAnswer(child, kShellNo, [&] {
        // The restore is done before the shell asks.
        EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());
        EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Veltane", L"C:\\user\\own.exe"}}));
    });
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, kStoreKey));
    EXPECT_EQ(testing::FolderContents(program), programBefore);
}

// The machine is switched off while the shell asks, so that no launcher of another session takes
// a program back meanwhile; declined, it is switched on again.
TEST_F(UninstallExeTest, OkThenNoRestoresEverythingAndKeepsTheFolder) {
    Installed();
    const auto machineSwitch = [] {
        return Registry::GetValue(SystemOs(), HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection),
                                  L"Enabled", L"-");
    };
    testing::SetSz(HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection), L"Enabled", L"True");
    testing::Child child(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(child, kShellNo, [&] { EXPECT_EQ(machineSwitch(), L"False"); }), 0u);
    EXPECT_EQ(machineSwitch(), L"True");

    ExpectRestored();
    EXPECT_EQ(FileNames(program),
              (Names{L"Tarnwick.exe", L"TarnwickSettings.exe", L"install.exe", L"uninstall.exe"}));
    ExpectNoLongerHeld();
    EXPECT_TRUE(EntryThere()) << "declined: the product is still there to be removed";
}

// Yes: nothing of Tarnwick is left behind. The folder goes with the uninstaller's own file (deleted
// by a copy of it once it has ended), and so do the Start-menu entries and the stores; what the
// user put beside them stays.
TEST_F(UninstallExeTest, OkThenYesLeavesNothingOfTarnwickBehind) {
    Installed();
    fs::create_directory(program / L"skins");
    WriteFile(program / L"skins" / L"skins.skn");
    const fs::path group = testing::RealStartMenuGroup();
    fs::create_directories(group);
    for (const std::wstring_view file : kProductShortcuts) WriteFile(group / file, "product");
    WriteFile(group / L"My notes.lnk", "the user's own");
    testing::SetSz(HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection), L"Enabled", L"True");
    const std::set<fs::path> copiesBefore = CopyFolders();
    testing::Child child(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(child, kShellYes), 0u);

    ExpectRestored();
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, kStoreKey));
    EXPECT_FALSE(testing::KeyExists(HKEY_LOCAL_MACHINE, kStoreKey));
    EXPECT_EQ(FileNames(group), Names{L"My notes.lnk"});
    EXPECT_FALSE(fs::exists(testing::RealHeldFolder()));
    EXPECT_TRUE(testing::Eventually([&] { return !fs::exists(program); }, 20s))
        << "left: " << (fs::exists(program) ? FileNames(program).size() : 0) << " files";
    EXPECT_FALSE(EntryThere()) << "the folder went, the Apps & features entry must go too";

    // The copy that deleted the uninstaller's file lies in a folder of its own, made with
    // permissions that only administrators can change (Wine shows no right for Everyone on it),
    // and both go at the next restart.
    std::vector<fs::path> copies;
    for (const fs::path& made : CopyFolders()) {
        if (!copiesBefore.contains(made)) copies.push_back(made);
    }
    ASSERT_EQ(copies.size(), 1u);
    std::wstring sddl;
    EXPECT_EQ(SystemOs().FolderSecurity(copies[0].wstring(), sddl), ERROR_SUCCESS);
    EXPECT_EQ(sddl.find(L";;;WD)"), std::wstring::npos) << sddl;
    EXPECT_EQ(FileNames(copies[0]), Names{L"Tarnwick-uninstall.exe"});
    EXPECT_TRUE(DeletedAtRestart(copies[0] / L"Tarnwick-uninstall.exe"));
    EXPECT_TRUE(DeletedAtRestart(copies[0]));
    testing::RemoveTree(copies[0]);
}

// Started from a folder that every user may change, the uninstaller does nothing and says why:
// its programs may not be Tarnwick's any more. Wine shows a folder world-writable once its mode
// is 0777, which the DACL below gives it.
TEST_F(UninstallExeTest, FromAFolderEveryoneMayChangeItDoesNothingAndSaysWhy) {
    Installed();
    ASSERT_EQ(SystemOs().ProtectFolder(program.wstring(), L"D:(A;OICI;FA;;;WD)"), ERROR_SUCCESS);
    const World before = Look(program);
    testing::Child child(product.Uninstaller());
    HWND box = testing::WaitForWindow(child, L"#32770", kRefusedCaption, 20s);
    ASSERT_NE(box, nullptr) << "the uninstaller did not refuse";
    std::wstring text;
    for (HWND control : testing::ChildWindows(box)) text += testing::WindowText(control);
    EXPECT_NE(text.find(L"\"" + program.wstring() + L"\""), std::wstring::npos) << text;
    EXPECT_TRUE(testing::ProcessWindows(child, L"#32770", kFormCaption).empty());
    testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_UNINSTALL_EXE),
                               L"uninstall-open-folder.bmp");
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_EQ(child.Wait(10s), 2u);
    EXPECT_TRUE(Look(program) == before);
    EXPECT_TRUE(EntryThere());
}

// Tarnwick Settings is open from the program folder, its logo on the screen: the uninstaller has
// it close first (its program's file could not be deleted while it runs, and the window would
// outlive its product), then nothing of Tarnwick stays.
TEST_F(UninstallExeTest, AnOpenSettingsWindowClosesFirstAndNothingOfTarnwickStays) {
    Installed();
    fs::remove(program / L"TarnwickSettings.exe");
    fs::copy_file(testing::BuiltProgram(TARNWICK_SETTINGS_EXE), program / L"TarnwickSettings.exe");
    fs::copy_file(testing::BuiltProgram(TARNWICK_SOURCE_DIR) / L"launcher" / L"res" / L"twlogo.jpg",
                  program / L"twlogo.jpg");
    const fs::path group = testing::RealStartMenuGroup();
    fs::create_directories(group);
    for (const std::wstring_view file : kProductShortcuts) WriteFile(group / file, "product");
    testing::Child settings(program / L"TarnwickSettings.exe");
    ASSERT_NE(testing::WaitForWindow(settings, L"#32770", L"Tarnwick Settings", 20s), nullptr);

    testing::Child child(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(child, kShellYes), 0u);
    EXPECT_TRUE(settings.Wait(0ms).has_value()) << "the settings window outlived the uninstall";
    ExpectRestored();
    EXPECT_TRUE(testing::Eventually([&] { return !fs::exists(program); }, 20s))
        << "left: " << (fs::exists(program) ? FileNames(program).size() : 0) << " files";
    EXPECT_FALSE(fs::exists(group));
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, kStoreKey));
    EXPECT_FALSE(testing::KeyExists(HKEY_LOCAL_MACHINE, kStoreKey));
    EXPECT_FALSE(EntryThere());
}

// A settings window that does not close when asked (it is busy, or hung): the uninstaller says
// that it waits for it, gives nothing back meanwhile, and goes on once it is closed.
TEST_F(UninstallExeTest, ASettingsWindowThatStaysOpenIsWaitedForSayingSo) {
    Installed();
    const World before = Look(program);
    // A bare dialog window of this process stands for it: nothing here answers its close box.
    const HWND stuck = ::CreateWindowExW(0, L"#32770", L"Tarnwick Settings", WS_POPUP, 0, 0, 10, 10,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(stuck, nullptr);
    testing::Child child(product.Uninstaller());
    HWND box = OkThenBox(child, kSettingsOpenCaption);
    ASSERT_NE(box, nullptr);
    const std::wstring said = Pictured(box, L"uninstall-settings-open.bmp");
    EXPECT_NE(said.find(L"Tarnwick Settings is open and did not close when asked, so the "
                        L"uninstaller is waiting for it."),
              std::wstring::npos)
        << said;
    EXPECT_TRUE(Look(program) == before) << "something was given back while it waited";

    ::DestroyWindow(stuck);
    testing::Click(::GetDlgItem(box, IDRETRY));
    EXPECT_EQ(Answer(child, kShellNo), 0u) << "Retry did not go on with the uninstall";
    ExpectRestored();
}

// A file of the program folder that the shell cannot delete (here held open, as a running
// launcher holds its own): the uninstaller names it and says that Tarnwick is still installed,
// where it once ended without a word.
TEST_F(UninstallExeTest, WhatTheShellCouldNotDeleteIsNamedAndTarnwickStaysInstalled) {
    Installed();
    const UniqueHandle open(NullIfInvalid(
        ::CreateFileW((program / L"Tarnwick.exe").c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
    ASSERT_TRUE(open);
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    testing::Click(::GetDlgItem(form, kCommand1));
    testing::Click(::GetDlgItem(Confirmation(child), kShellYes));
    HWND box = testing::WaitForWindowWhileRunning(child, L"#32770", kHeldCaption, 30s);
    ASSERT_NE(box, nullptr) << "the uninstaller said nothing";
    const std::wstring said = Pictured(box, L"uninstall-files-left.bmp");
    EXPECT_NE(said.find(L"could not delete everything in its program folder, so it is still "
                        L"installed. Still there:\n\n" +
                        (program / L"Tarnwick.exe").wstring()),
              std::wstring::npos)
        << said;
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_EQ(child.Wait(20s), 0u);
    ExpectRestored();
    EXPECT_TRUE(EntryThere());
}

// Another Tarnwick program is changing the start-up programs (a stand-in holds the lock): the
// uninstaller waits a few seconds, then changes nothing and says so.
TEST_F(UninstallExeTest, WhileAnotherProgramChangesTheStartUpProgramsNothingIsDone) {
    Installed();
    const World before = Look(program);
    testing::Child holder(testing::BuiltProgram(TARNWICK_LOCK_HOLDER), L"20000 60000");
    ASSERT_TRUE(testing::Eventually(testing::HeldElsewhere, 10s));
    testing::Child child(product.Uninstaller());
    HWND box = OkThenBox(child, kHeldCaption);
    ASSERT_NE(box, nullptr);
    const std::wstring said = Pictured(box, L"uninstall-busy.bmp");
    EXPECT_NE(said.find(L"Tarnwick changed nothing and is still installed, because another "
                        L"Tarnwick program is changing the start-up programs right now."),
              std::wstring::npos)
        << said;
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_EQ(child.Wait(20s), 0u);
    EXPECT_TRUE(Look(program) == before);
    EXPECT_TRUE(EntryThere());
}

// The copy as the uninstaller starts it, here started by the test with an inherited handle of a
// running uninstaller: it waits for that one to end, then deletes its file, and nothing else.
class CopyTest : public UninstallExeTest {
  protected:
    testing::TempFolder copyFolder{L"Copy"};
    fs::path copy = copyFolder.Path() / L"Tarnwick-uninstall.exe";

    void SetUp() override { fs::copy_file(testing::BuiltProgram(TARNWICK_UNINSTALL_EXE), copy); }
    // Starts the copy handing it `process` (inheritable); its exit code within 20 s.
    std::optional<DWORD> RunCopy(HANDLE process, const std::function<void()>& whileWaiting = {}) {
        UniqueHandle started;
        const std::wstring line =
            L"\"" + copy.wstring() + L"\" /remove-after " + std::to_wstring(HandleToULong(process));
        if (StartCommandLineWithHandle(line, process, &started) != ERROR_SUCCESS) return {};
        if (whileWaiting) whileWaiting();
        if (::WaitForSingleObject(started.get(), 20'000) != WAIT_OBJECT_0) return {};
        DWORD code = 99;
        ::GetExitCodeProcess(started.get(), &code);
        return code;
    }
};

TEST_F(CopyTest, DeletesTheUninstallersFileOnceItHasEnded) {
    testing::Child uninstaller(product.Uninstaller());
    HWND form = Form(uninstaller);
    ASSERT_NE(form, nullptr);
    const UniqueHandle handed(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, uninstaller.Id()));
    ASSERT_TRUE(handed);
    const auto code = RunCopy(handed.get(), [&] {
        // It waits while the uninstaller runs.
        EXPECT_FALSE(uninstaller.Wait(500ms).has_value());
        EXPECT_TRUE(fs::exists(product.Uninstaller()));
        testing::Click(::GetDlgItem(form, kCommand2));
    });
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(fs::exists(product.Uninstaller()));
    // The folder holds the other programs: it stays, and so does everything in it.
    EXPECT_EQ(FileNames(program),
              (Names{L"Tarnwick.exe", L"TarnwickSettings.exe", L"install.exe"}));
    EXPECT_TRUE(fs::exists(copy)) << "its own file goes at the next restart";
    EXPECT_TRUE(DeletedAtRestart(copy));
    EXPECT_TRUE(DeletedAtRestart(copyFolder.Path()));
}

// A number that is no handle or one too large, a handle it does not hold, and a handle of a
// process that is no uninstaller (this test): the copy ends with 1 and deletes nothing, nor does
// it become the uninstaller.
TEST_F(CopyTest, WithAnythingButAnUninstallersHandleItDoesNothing) {
    for (const std::wstring arguments :
         {L"/remove-after 99999999999999999999", L"/remove-after 0x100000000", L"/remove-after -4",
          L"/remove-after four", L"/remove-after", L"/remove-after 4"}) {
        testing::Child child(copy, arguments);
        EXPECT_EQ(child.Wait(20s), 1u) << arguments;
    }
    const UniqueHandle self(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE,
                                          ::GetCurrentProcessId()));
    EXPECT_EQ(RunCopy(self.get()), 1u);
    EXPECT_EQ(FileNames(program),
              (Names{L"Tarnwick.exe", L"TarnwickSettings.exe", L"install.exe", L"uninstall.exe"}));
    EXPECT_TRUE(fs::exists(testing::BuiltProgram(TARNWICK_UNINSTALL_EXE)));
}

// The StartUp folder holds a shortcut of the held one's name already. Either may be the one the
// program wants: the held copy is never deleted with the folder but named, and Tarnwick stays.
TEST_F(UninstallExeTest, AHeldShortcutWhoseNameIsTakenInStartUpIsNamedNeverDeleted) {
    Installed();
    WriteFile(startUp / L"Mail.lnk", "the user's own");
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    testing::Click(::GetDlgItem(form, kCommand1));
    HWND box = testing::WaitForWindow(child, L"#32770", kHeldCaption, 20s);
    ASSERT_NE(box, nullptr) << "the uninstaller did not say what stayed";
    std::wstring text;
    for (HWND control : testing::ChildWindows(box)) text += testing::WindowText(control);
    EXPECT_NE(text.find(L"\"Mail\" (a shortcut in the StartUp folder): a shortcut of that name is "
                        L"there already"),
              std::wstring::npos)
        << text;
    CloseAndExpectNoDeletion(child, box);

    EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "the user's own");
    EXPECT_EQ(testing::ReadFileBytes(program / L"Mail.lnk"), "captured shortcut");
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane"), 1u);
    EXPECT_TRUE(EntryThere());
}

// Another program keeps a held shortcut open, so it cannot be moved back: the uninstaller deletes
// nothing, says which program stayed and why, and the next run, once the file is free, finishes.
TEST_F(UninstallExeTest, AShortcutInUseKeepsEverythingUntilTheNextRun) {
    Installed();
    // Without FILE_SHARE_DELETE nobody may rename the file while it is open.
    UniqueHandle open(NullIfInvalid(::CreateFileW((program / L"Mail.lnk").c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    ASSERT_TRUE(open);
    const auto programBefore = testing::FolderContents(program);
    {
        testing::Child child(product.Uninstaller());
        HWND box = OkThenBox(child, kHeldCaption);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(
            Text(box).find(L"\"Mail\" (a shortcut in the StartUp folder): the file is in use by "
                           L"another program."),
            std::wstring::npos)
            << Text(box);
        EXPECT_EQ(testing::ProcessWindows(child, L"#32770", kConfirmCaption).size(), 0u);
        CloseAndExpectNoDeletion(child, box);
    }
    EXPECT_EQ(testing::FolderContents(program), programBefore);
    EXPECT_TRUE(EntryThere());
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE).count(L"Veltane"), 1u)
        << "the launcher still starts it";

    open.reset();
    testing::Child again(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(again, kShellYes), 0u);
    ExpectRestored();
    EXPECT_FALSE(EntryThere());
}

// Another account of the machine, whose hive cannot be loaded (its file is no hive): its programs
// start only through the launcher, so the uninstaller gives back everything else, names that
// account, deletes nothing, and finishes once the account is gone from the machine.
TEST_F(UninstallExeTest, AnAccountThatCannotBeReachedIsNamedAndKeepsTarnwickInstalled) {
    Installed();
    fs::create_directories(testing::RealHeldFolder());
    WriteFile(testing::RealHeldFolder() / L"Notes.lnk", "held in the account's folder");
    const std::wstring profileKey = std::wstring(kProfileListKey) + L"\\S-1-5-21-9-9-9-1001";
    const testing::KeyGuard profileList(HKEY_LOCAL_MACHINE, profileKey);
    testing::TempFolder dee(L"Dee");
    WriteFile(dee.Path() / L"NTUSER.DAT", "not a hive");
    testing::SetSz(HKEY_LOCAL_MACHINE, profileKey, L"ProfileImagePath", dee.Path().wstring());
    {
        testing::Child child(product.Uninstaller());
        HWND box = OkThenBox(child, kHeldCaption);
        ASSERT_NE(box, nullptr);
        const std::wstring said = Pictured(box, L"uninstall-account-report.bmp");
        EXPECT_NE(said.find(L"The start-up programs of the account \"Dee\": "), std::wstring::npos)
            << said;
        CloseAndExpectNoDeletion(child, box);
    }
    // Everything of this account and the machine is back; only the launcher stays.
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"Alpha", L"C:\\alpha.exe /tray"},
                      {L"Veltane", program.wstring() + L"\\Tarnwick"}}));
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER),
              (Values{{L"Gamma", L"C:\\gamma.exe"}, {L"Kept", L"C:\\kept.exe"}}));
    EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "captured shortcut");
    EXPECT_EQ(testing::ReadFileBytes(startUp / L"Notes.lnk"), "held in the account's folder");
    EXPECT_TRUE(EntryThere());

    // The account was removed from the machine (its folder with it): nothing holds Tarnwick back.
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, profileKey.c_str());
    testing::Child again(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(again, kShellYes), 0u);
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Alpha", L"C:\\alpha.exe /tray"}}));
    EXPECT_FALSE(EntryThere());
}

// Switched to Disabled, then the user turns one program off with its own option: the uninstaller
// does not bring it back.
TEST_F(UninstallExeTest, AProgramTurnedOffAfterDisabledStaysOff) {
    Installed();
    ASSERT_TRUE(RestoreStartupEntries({SystemOs(), program.wstring()}, true).everythingBack);
    ASSERT_EQ(::RegDeleteKeyValueW(HKEY_CURRENT_USER, std::wstring(kRunKey).c_str(), L"Gamma"),
              ERROR_SUCCESS);
    testing::Child child(product.Uninstaller());
    EXPECT_EQ(OkAndAnswer(child, kShellNo), 0u);
    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Kept", L"C:\\kept.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Alpha", L"C:\\alpha.exe /tray"}}));
}

TEST(UninstallProgram, CarriesItsVersionIconAndAsksForAdministratorRights) {
    const fs::path exe = testing::BuiltProgram(TARNWICK_UNINSTALL_EXE);
    // The "Uninstall Tarnwick" shortcut shows the program's first icon.
    EXPECT_GE(::ExtractIconExW(exe.c_str(), -1, nullptr, nullptr, 0), 1u);
    EXPECT_EQ(testing::FixedFileVersion(exe), L"1.6.0.0");
    EXPECT_EQ(testing::VersionText(exe, L"ProductVersion"), L"1.6.0");
    EXPECT_EQ(testing::VersionText(exe, L"OriginalFilename"), L"uninstall.exe");
    EXPECT_NE(testing::EmbeddedManifest(exe).find("level=\"requireAdministrator\""),
              std::string::npos);
}

// A copy of the uninstaller started from a folder that is not the product's: the Run values go
// back, but the folder is never offered to the shell and its shortcuts stay where they are.
struct ForeignFolder {
    const char* name;
    std::function<fs::path()> folder;  // empty: a fresh temporary folder
    std::vector<std::wstring_view> standIns = kOtherPrograms;
};

void PrintTo(const ForeignFolder& folder, std::ostream* out) {
    *out << folder.name;
}

void FreeCoTaskText(PWSTR text) {
    ::CoTaskMemFree(text);
}

fs::path KnownFolder(REFKNOWNFOLDERID id) {
    UniqueAny<PWSTR, FreeCoTaskText> path;
    if (FAILED(::SHGetKnownFolderPath(id, 0, nullptr, path.put())) || !path) return {};
    return path.get();
}

class ForeignFolderTest : public ::testing::TestWithParam<ForeignFolder> {
  protected:
    testing::RealStateGuard state;
    testing::TempFolder temp{L"Downloads"};
};

TEST_P(ForeignFolderTest, RestoresTheRunValuesButOffersNothingForDeletion) {
    const ForeignFolder& param = GetParam();
    const fs::path folder = param.folder ? param.folder() : temp.Path();
    ASSERT_FALSE(folder.empty());
    PlantedProduct planted(folder, param.standIns);
    planted.Plant(L"TarnwickTest Report.lnk", [](const fs::path& p) { WriteFile(p, "user's"); });
    StoreWrite(SystemOs(), kUserSection, L"Gamma", L"C:\\gamma.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane",
                   L"C:\\Program Files\\Tarnwick\\Tarnwick");

    testing::Child child(planted.Uninstaller());
    HWND form = testing::WaitForWindow(child, L"#32770", kFormCaption, 20s);
    ASSERT_NE(form, nullptr);
    testing::Click(::GetDlgItem(form, kCommand1));
    HWND question = testing::WatchForWindowUntilExit(child, L"#32770", kConfirmCaption, 20s);
    if (question) {
        testing::Click(::GetDlgItem(question, kShellNo));
        ADD_FAILURE() << "the uninstaller offered " << folder.wstring() << L" for deletion";
    }
    EXPECT_EQ(child.Wait(10s), 0u);

    EXPECT_EQ(RunValues(HKEY_CURRENT_USER), (Values{{L"Gamma", L"C:\\gamma.exe"}}));
    EXPECT_TRUE(RunValues(HKEY_LOCAL_MACHINE).empty());
    EXPECT_EQ(testing::ReadFileBytes(folder / L"TarnwickTest Report.lnk"), "user's");
    EXPECT_TRUE(FileNames(testing::RealStartUpFolder()).empty());
    EXPECT_TRUE(fs::exists(planted.Uninstaller()));
}

INSTANTIATE_TEST_SUITE_P(
    MendedFolderCheck, ForeignFolderTest,
    ::testing::Values(
        ForeignFolder{"LoneCopy", {}, {}},
        ForeignFolder{"SettingsProgramMissing", {}, {L"Tarnwick.exe", L"install.exe"}},
        ForeignFolder{"DriveRoot", [] { return fs::path(L"C:\\"); }},
        ForeignFolder{"WindowsFolder", [] { return KnownFolder(FOLDERID_Windows); }},
        ForeignFolder{"ProgramFiles", [] { return KnownFolder(FOLDERID_ProgramFiles); }},
        ForeignFolder{"Profile", [] { return KnownFolder(FOLDERID_Profile); }},
        ForeignFolder{"Downloads", [] { return KnownFolder(FOLDERID_Downloads); }},
        ForeignFolder{"AppData", [] { return KnownFolder(FOLDERID_RoamingAppData); }}),
    [](const ::testing::TestParamInfo<ForeignFolder>& param) {
        return std::string(param.param.name);
    });

// Another account, planted as Windows keeps one: its hive saved to its NTUSER.DAT, its profile
// in the machine's profile list, a shortcut in its folder of held shortcuts, and in its own store
// a program "for the whole computer", as an earlier version or the account itself may have put
// it there. Its Start menu is where `startMenu` says; the profile goes with the object.
class PlantedAccount {
  public:
    PlantedAccount(std::wstring_view name, std::wstring_view sid, const std::wstring& startMenu)
        : sid_(sid),
          folder_(name),
          profileKey_(std::wstring(kProfileListKey) + L"\\" + std::wstring(sid)),
          profileList_(HKEY_LOCAL_MACHINE, profileKey_) {
        fs::create_directories(Held());
        WriteFile(Held() / L"Notes.lnk", "the account's own shortcut");
        const std::wstring source = L"Software\\TarnwickTests\\Planted";
        const auto expandable = [&](std::wstring_view value, const std::wstring& text) {
            testing::SetRaw(HKEY_CURRENT_USER, source + L"\\" + std::wstring(kUserShellFoldersKey),
                            value, REG_EXPAND_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        };
        expandable(L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
        expandable(L"Start Menu", startMenu);
        testing::SetSz(HKEY_CURRENT_USER, source + L"\\" + StoreSectionKey(kMachineSection),
                       L"Agent", L"C:\\agent.exe");
        UniqueHKey key;
        ::RegOpenKeyExW(HKEY_CURRENT_USER, source.c_str(), 0, KEY_READ, key.put());
        EnablePrivileges();
        saved_ = ::RegSaveKeyW(key.get(), (Profile() / L"NTUSER.DAT").c_str(), nullptr);
        key.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TarnwickTests");
        testing::SetSz(HKEY_LOCAL_MACHINE, profileKey_, L"ProfileImagePath", Profile().wstring());
    }
    ~PlantedAccount() {
        if (loggedOn_) ::RegUnLoadKeyW(HKEY_USERS, sid_.c_str());
    }
    PlantedAccount(const PlantedAccount&) = delete;
    PlantedAccount& operator=(const PlantedAccount&) = delete;

    // Logged on, its hive is where Windows loads it: under HKEY_USERS by its SID. (Wine keeps
    // nothing written into a hive that another program loads and unloads again.)
    LSTATUS LogOn() {
        EnablePrivileges();
        const LSTATUS rc =
            ::RegLoadKeyW(HKEY_USERS, sid_.c_str(), (Profile() / L"NTUSER.DAT").c_str());
        loggedOn_ = rc == ERROR_SUCCESS;
        return rc;
    }
    Values HiveRun() const {
        Values values;
        for (const auto& v : testing::DumpKey(HKEY_USERS, sid_ + L"\\" + std::wstring(kRunKey)))
            values[v.name] = DecodeRegString(v.data);
        return values;
    }
    LSTATUS Saved() const { return saved_; }
    const fs::path& Profile() const { return folder_.Path(); }
    fs::path Held() const { return Profile() / L"AppData\\Roaming\\Tarnwick\\StartUp"; }
    fs::path StartUp() const {
        return Profile() / L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
    }

  private:
    static void EnablePrivileges() {
        HANDLE token = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
        const UniqueHandle owned(token);
        for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
            TOKEN_PRIVILEGES privileges{1, {{{}, SE_PRIVILEGE_ENABLED}}};
            ::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid);
            ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
    }

    std::wstring sid_;
    bool loggedOn_ = false;
    testing::TempFolder folder_;
    std::wstring profileKey_;
    testing::KeyGuard profileList_;
    LSTATUS saved_ = ERROR_SUCCESS;
};

// A hostile account whose Start menu is the all-users one. The administrator's uninstall loads
// its hive for real and takes no order from it: nothing of it reaches the machine's Run key or
// store or the all-users StartUp folder, its shortcut stays where it was, the account is named,
// and Tarnwick stays.
TEST_F(UninstallExeTest, APlantedAccountsHiveSendsNothingToTheMachine) {
    Installed();
    wchar_t programData[MAX_PATH] = {};
    ASSERT_NE(::GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH), 0u);
    const fs::path allUsersStartUp =
        fs::path(programData) / L"Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
    const auto allUsersBefore = testing::FolderContents(allUsersStartUp);
    const PlantedAccount mal(L"Mal", L"S-1-5-21-6-6-6-1001",
                             L"%ProgramData%\\Microsoft\\Windows\\Start Menu");
    ASSERT_EQ(mal.Saved(), ERROR_SUCCESS);
    {
        testing::Child child(product.Uninstaller());
        HWND box = OkThenBox(child, kHeldCaption);
        ASSERT_NE(box, nullptr) << "the uninstaller did not say what stayed";
        const std::wstring text = Pictured(box, L"uninstall-hostile-account.bmp");
        EXPECT_NE(text.find(L"Account \"Mal\", \"Notes\" (a shortcut in its StartUp folder): "
                            L"its folders lead outside that account's own profile folder"),
                  std::wstring::npos)
            << text;
        EXPECT_NE(text.find(L"Account \"Mal\", \"Agent\": held for the whole computer by an "
                            L"earlier version; it now starts for that account only."),
                  std::wstring::npos)
            << text;
        CloseAndExpectNoDeletion(child, box);
    }
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"Alpha", L"C:\\alpha.exe /tray"},
                      {L"Veltane", program.wstring() + L"\\Tarnwick"}}));
    EXPECT_TRUE(
        testing::DumpTree(HKEY_LOCAL_MACHINE, kStoreKey + L"\\" + std::wstring(kMachineSection))
            .empty());
    EXPECT_EQ(testing::FolderContents(allUsersStartUp), allUsersBefore);
    EXPECT_EQ(testing::ReadFileBytes(mal.Held() / L"Notes.lnk"), "the account's own shortcut");
    EXPECT_TRUE(EntryThere());
}

// An ordinary other account of the machine, logged on in another session: the uninstall reaches it
// through its hive, its program goes back to its own Run key, its shortcut goes back into its own
// StartUp folder, and once Tarnwick is gone the user hears that the program its store held for the
// whole computer now starts for it alone.
TEST_F(UninstallExeTest, AnotherAccountsProgramsGoBackToItAndTheUserHearsOfTheNarrowedOne) {
    Installed();
    PlantedAccount bea(L"Bea", L"S-1-12-1-6-6-6-1002",
                       L"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
    ASSERT_EQ(bea.Saved(), ERROR_SUCCESS);
    ASSERT_EQ(bea.LogOn(), ERROR_SUCCESS);
    fs::create_directories(bea.StartUp());
    testing::Child child(product.Uninstaller());
    HWND form = Form(child);
    ASSERT_NE(form, nullptr);
    testing::Click(::GetDlgItem(form, kCommand1));
    testing::Click(::GetDlgItem(Confirmation(child), kShellYes));
    HWND box = testing::WaitForWindowWhileRunning(child, L"#32770", L"Tarnwick was removed", 30s);
    ASSERT_NE(box, nullptr) << "the uninstaller did not tell of the narrowed program";
    const std::wstring text = Pictured(box, L"uninstall-removed-notes.bmp");
    EXPECT_NE(text.find(L"Account \"Bea\", \"Agent\": held for the whole computer by an earlier "
                        L"version; it now starts for that account only."),
              std::wstring::npos)
        << text;
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_EQ(child.Wait(20s), 0u);
    ExpectRestored();
    EXPECT_EQ(testing::ReadFileBytes(bea.StartUp() / L"Notes.lnk"), "the account's own shortcut");
    EXPECT_EQ(bea.HiveRun(), (Values{{L"Agent", L"C:\\agent.exe"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Alpha", L"C:\\alpha.exe /tray"}}));
    EXPECT_FALSE(EntryThere());
}

}  // namespace
}  // namespace tarnwick

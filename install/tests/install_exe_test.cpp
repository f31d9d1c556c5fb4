// install.exe itself under Wine, driven from this process: it runs against the prefix's real
// registry and folders, which a guard saves and puts back around every test.
#include "accessibility_checks.h"
#include "exe_harness.h"
#include "gdi.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::FileNames;
using testing::WriteFile;
using Names = std::vector<std::wstring>;
using testing::RunValues;
using testing::Values;

const Values kDefaults{{L"Enabled", L"True"}, {L"TimeDelay", L"40"}, {L"Visible", L"1"}};

// The screen under a window, and standard icons drawn the same size, as 32-bit pixels.
class Picture {
  public:
    Picture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const uint32_t*>(bits);
        dc_ = ::CreateCompatibleDC(nullptr);
        old_ = ::SelectObject(dc_, bitmap_.get());
    }
    ~Picture() {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    void GrabScreen(const RECT& where) {
        const WindowDc screen(nullptr);
        ::BitBlt(dc_, 0, 0, width_, height_, screen.get(), where.left, where.top, SRCCOPY);
        ::GdiFlush();
    }
    void DrawIcon(const wchar_t* id, uint32_t background) {
        const UniqueBrush brush(::CreateSolidBrush(
            RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF)));
        const RECT all{0, 0, width_, height_};
        ::FillRect(dc_, &all, brush.get());
        ::DrawIconEx(dc_, 0, 0, ::LoadIconW(nullptr, id), width_, height_, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
    }
    uint32_t Pixel(int x, int y) const { return bits_[y * width_ + x] & 0xFFFFFF; }
    // Mean difference per colour channel, 0 to 255.
    double Distance(const Picture& other) const {
        double sum = 0;
        for (int i = 0; i < width_ * height_; ++i) {
            for (int shift : {0, 8, 16}) {
                sum += std::abs(static_cast<int>((bits_[i] >> shift) & 0xFF) -
                                static_cast<int>((other.bits_[i] >> shift) & 0xFF));
            }
        }
        return sum / (3.0 * width_ * height_);
    }

  private:
    int width_;
    int height_;
    UniqueBitmap bitmap_;
    const uint32_t* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Which standard icon the message box shows, by comparing what is on the screen with each of
// them drawn on the same background.
std::wstring ShownIcon(HWND iconControl) {
    RECT rect{};
    ::GetWindowRect(iconControl, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    Picture shown(width, height);
    shown.GrabScreen(rect);
    const std::pair<const wchar_t*, const wchar_t*> icons[] = {{IDI_INFORMATION, L"information"},
                                                               {IDI_WARNING, L"warning"},
                                                               {IDI_ERROR, L"error"},
                                                               {IDI_QUESTION, L"question"}};
    std::wstring best = L"none";
    double bestDistance = 12;  // anything further off is no icon of these
    for (const auto& [id, name] : icons) {
        Picture drawn(width, height);
        drawn.DrawIcon(id, shown.Pixel(0, 0));
        const double distance = shown.Distance(drawn);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = name;
        }
    }
    return best;
}

struct CompletionBox {
    std::wstring title;
    std::vector<std::wstring> texts;    // visible static texts
    std::vector<std::wstring> buttons;  // visible buttons
    std::wstring icon;
};

CompletionBox Inspect(HWND box) {
    CompletionBox seen;
    seen.title = testing::WindowText(box);
    for (HWND child : testing::ChildWindows(box)) {
        if (!::IsWindowVisible(child)) continue;
        const std::wstring kind = testing::ClassName(child);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (kind == L"Button") {
            seen.buttons.push_back(testing::WindowText(child));
        } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
            // Painting follows the window's appearance.
            testing::Eventually(
                [&] {
                    seen.icon = ShownIcon(child);
                    return seen.icon == L"information" || seen.icon == L"warning";
                },
                2s);
        } else if (kind == L"Static" && !testing::WindowText(child).empty()) {
            seen.texts.push_back(testing::WindowText(child));
        }
    }
    return seen;
}

class InstallExeTest : public ::testing::Test {
  protected:
    testing::RealStateGuard state;
    testing::TempFolder folder;
    fs::path program = folder.Path();
    fs::path exe = program / L"install.exe";
    fs::path group = testing::RealStartMenuGroup();
    fs::path startUp = testing::RealStartUpFolder();

    // The installer beside a stand-in for the launcher's file, as the setup unpacks them.
    void SetUp() override {
        fs::copy_file(testing::BuiltProgram(TARNWICK_INSTALL_EXE), exe);
        testing::WriteFile(program / L"Tarnwick.exe", "launcher");
    }

    std::wstring Launcher() const { return LauncherCommand(program.wstring()); }

    // A StartUp shortcut "Mail" that another program holds open, as long as the handle lives.
    UniqueHandle HeldStartUpShortcut() const {
        WriteFile(startUp / L"Mail.lnk", "mail");
        return UniqueHandle(NullIfInvalid(
            ::CreateFileW((startUp / L"Mail.lnk").c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
    }

    // Runs install.exe, lets `whileShown` look around while the completion box is up, answers
    // the box with OK and returns the exit code (99 when the run had to be ended by force).
    DWORD Install(const std::function<void(HWND box, const testing::Child&)>& whileShown = {}) {
        testing::Child child(exe);
        HWND box = testing::WaitForWindow(child, L"#32770", L"Tarnwick Installed", 20s);
        if (!box) {
            ADD_FAILURE() << "no completion box";
            return 99;
        }
        if (whileShown) whileShown(box, child);
        HWND ok = ::GetDlgItem(box, IDOK);
        EXPECT_NE(ok, nullptr);
        testing::Click(ok);
        const std::optional<DWORD> code = child.Wait(10s);
        EXPECT_TRUE(code.has_value()) << "install.exe did not end after OK";
        return code.value_or(99);
    }
};

TEST_F(InstallExeTest, CompletionBoxComesLastWithItsTextTitleIconAndOneOkButton) {
    const DWORD code = Install([&](HWND box, const testing::Child& child) {
        const CompletionBox seen = Inspect(box);
        EXPECT_EQ(seen.title, L"Tarnwick Installed");
        EXPECT_EQ(seen.texts, Names{L"Tarnwick Install Completed."});
        EXPECT_EQ(seen.buttons, Names{L"OK"});
        EXPECT_EQ(seen.icon, L"information");

        // The main window exists, never shown.
        HWND main = ::FindWindowW(nullptr, L"Tarnwick Install");
        ASSERT_NE(main, nullptr);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(main, &owner);
        EXPECT_EQ(owner, child.Id());
        EXPECT_FALSE(::IsWindowVisible(main));

        // Everything is done before the box asks to be closed.
        EXPECT_EQ(testing::StoreSection(kMiscSection), kDefaults);
        EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
        EXPECT_TRUE(fs::is_directory(group));
    });
    EXPECT_EQ(code, 0u);
}

// A StartUp shortcut that another program holds open cannot be taken over: the completion box
// says which program stays with Windows and why, in the master switch's words, and the exit code
// tells a script the same.
TEST_F(InstallExeTest, WhatStaysWithWindowsIsNamedInTheCompletionBox) {
    const UniqueHandle open = HeldStartUpShortcut();
    ASSERT_TRUE(open);
    const DWORD code = Install([&](HWND box, const testing::Child&) {
        const CompletionBox seen = Inspect(box);
        EXPECT_EQ(seen.texts, Names{L"Tarnwick Install Completed.\n\nTarnwick could not take over "
                                    L"these start-up programs. Windows keeps starting them when "
                                    L"you log on:\n\n\"Mail\" (a shortcut in the StartUp folder): "
                                    L"the file is in use by another program.\n\nOnce the cause "
                                    L"is gone, switch Tarnwick off and on again to take them "
                                    L"over."});
        EXPECT_EQ(seen.icon, L"warning");
        testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_INSTALL_EXE),
                                   L"install-stayed-with-windows.bmp");
    });
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(testing::ReadFileBytes(startUp / L"Mail.lnk"), "mail");
}

// The longest box the installer shows, at 192 DPI: all of it fits, a screen reader reads its text,
// and Enter closes it.
TEST_F(InstallExeTest, TheLongCompletionBoxFitsAt192DpiAndEnterClosesIt) {
    const UniqueHandle open = HeldStartUpShortcut();
    ASSERT_TRUE(open);
    const testing::DisplayDpi display(192);
    testing::Child child(exe);
    HWND box = testing::WaitForWindow(child, L"#32770", L"Tarnwick Installed", 20s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(testing::TextsThatDoNotFit(box, 192), Names{});
    const CompletionBox seen = Inspect(box);
    ASSERT_EQ(seen.texts.size(), 1u);
    for (HWND control : testing::ChildWindows(box)) {
        if (testing::WindowText(control) == seen.texts[0]) {
            EXPECT_EQ(testing::AccessibleName(control), seen.texts[0]);
        }
    }
    EXPECT_EQ(testing::AccessibleName(::GetDlgItem(box, IDOK)), L"OK");
    testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_INSTALL_EXE),
                               L"install-stayed-with-windows-192.bmp");
    ASSERT_TRUE(testing::BringToFront(box));
    testing::PressKey(VK_RETURN);
    EXPECT_EQ(child.Wait(10s), 1u) << "Enter did not close the box";
}

TEST_F(InstallExeTest, RundllInCapitalsStaysWithTheLauncherValue) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"\"C:\\Program Files\\A\\a.exe\" /t");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Beta", L"C:\\beta.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Dll", L"RUNDLL32.EXE shell32.dll,Entry");
    ASSERT_EQ(Install(), 0u);

    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE),
              (Values{{L"Dll", L"RUNDLL32.EXE shell32.dll,Entry"}, {L"Veltane", Launcher()}}));
    EXPECT_EQ(
        testing::StoreSection(kMachineSection),
        (Values{{L"Alpha", L"\"C:\\Program Files\\A\\a.exe\" /t"}, {L"Beta", L"C:\\beta.exe"}}));
    EXPECT_TRUE(testing::StoreSection(kUserSection).empty());
}

TEST_F(InstallExeTest, EmptyRunKeyIsCapturedAsNothing) {
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Gamma", L"C:\\gamma.exe -min");
    ASSERT_EQ(Install(), 0u);

    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kMachineSection)));
    EXPECT_EQ(testing::StoreSection(kUserSection), (Values{{L"Gamma", L"C:\\gamma.exe -min"}}));
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
    EXPECT_TRUE(RunValues(HKEY_CURRENT_USER).empty());
    EXPECT_EQ(testing::StoreSection(kMiscSection), kDefaults);
}

TEST_F(InstallExeTest, SecondRunCapturesOnlyWhatIsNewResetsTheDefaultsAndKeepsTheGroup) {
    fs::create_directory(program / L"TW");
    WriteFile(program / L"TW" / L"Tarnwick.lnk", "launcher");
    WriteFile(program / L"TW" / L"Settings.lnk", "settings");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"First", L"C:\\first.exe");
    ASSERT_EQ(Install(), 0u);
    const auto groupAfterFirst = testing::FolderContents(group);
    ASSERT_EQ(groupAfterFirst.size(), 2u);

    // Between the runs: the user changes options, a program adds itself to Run.
    StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"70");
    StoreWrite(SystemOs(), kMiscSection, L"Visible", L"0");
    StoreWrite(SystemOs(), kMiscSection, L"Enabled", L"False");
    StoreWrite(SystemOs(), kMiscSection, L"AutoHide", L"True");
    StoreWrite(SystemOs(), kUserSection, L"First", L"C:\\first.exe /edited");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Second", L"C:\\second.exe");
    ASSERT_EQ(Install(), 0u);

    EXPECT_EQ(testing::StoreSection(kUserSection),
              (Values{{L"First", L"C:\\first.exe /edited"}, {L"Second", L"C:\\second.exe"}}));
    EXPECT_TRUE(testing::StoreSection(kMachineSection).empty());
    EXPECT_EQ(RunValues(HKEY_LOCAL_MACHINE), (Values{{L"Veltane", Launcher()}}));
    Values misc = kDefaults;
    misc[L"AutoHide"] = L"True";
    EXPECT_EQ(testing::StoreSection(kMiscSection), misc);
    EXPECT_EQ(testing::FolderContents(group), groupAfterFirst);
    EXPECT_FALSE(fs::exists(program / L"TW"));
}

TEST_F(InstallExeTest, StartUpShortcutsMoveIntoTheAccountsOwnFolder) {
    WriteFile(startUp / L"Mail.lnk", "mail");
    WriteFile(startUp / L"Chat.lnk", "chat");
    WriteFile(startUp / L"desktop.ini", "stays");
    ASSERT_EQ(Install(), 0u);

    EXPECT_EQ(FileNames(startUp), Names{L"desktop.ini"});
    EXPECT_EQ(FileNames(program), (Names{L"Tarnwick.exe", L"install.exe"}));
    EXPECT_EQ(FileNames(testing::RealHeldFolder()), (Names{L"Chat.lnk", L"Mail.lnk"}));
    EXPECT_EQ(testing::ReadFileBytes(testing::RealHeldFolder() / L"Mail.lnk"), "mail");
}

// What an earlier version held where it no longer belongs: the machine's programs in this
// account's own store, shortcuts in the program folder. The installation moves them to where
// every account's launcher finds them, and takes nothing twice.
TEST_F(InstallExeTest, AnUpgradeMovesWhatAnEarlierVersionHeldToItsNewPlaces) {
    testing::SetSz(HKEY_CURRENT_USER, StoreSectionKey(kMachineSection), L"Tray", L"C:\\tray.exe");
    WriteFile(program / L"Notes.lnk", "held by the earlier version");
    ASSERT_EQ(Install(), 0u);

    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kMachineSection)) &&
                 !testing::DumpKey(HKEY_CURRENT_USER, StoreSectionKey(kMachineSection)).empty());
    EXPECT_EQ(testing::StoreSection(kMachineSection), (Values{{L"Tray", L"C:\\tray.exe"}}));
    EXPECT_EQ(FileNames(program), (Names{L"Tarnwick.exe", L"install.exe"}));
    EXPECT_EQ(testing::ReadFileBytes(testing::RealHeldFolder() / L"Notes.lnk"),
              "held by the earlier version");
}

TEST_F(InstallExeTest, ProductShortcutsGoIntoTheStartMenuGroup) {
    fs::create_directory(program / L"TW");
    WriteFile(program / L"TW" / L"Tarnwick.lnk");
    WriteFile(program / L"TW" / L"Settings.lnk");
    WriteFile(program / L"TW" / L"readme.txt");
    ASSERT_EQ(Install(), 0u);

    EXPECT_EQ(FileNames(group), (Names{L"Settings.lnk", L"Tarnwick.lnk"}));
    EXPECT_EQ(FileNames(program / L"TW"), Names{L"readme.txt"});
}

TEST_F(InstallExeTest, FreshProfileHoldsExactlyTheThreeDefaults) {
    ASSERT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
    ASSERT_EQ(Install(), 0u);

    const auto misc = testing::DumpKey(HKEY_CURRENT_USER, StoreSectionKey(kMiscSection));
    ASSERT_EQ(misc.size(), 3u);
    for (const auto& value : misc) EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << value.name;
    EXPECT_EQ(testing::StoreSection(kMiscSection), kDefaults);
    // Nothing was captured, so "misc" is all there is.
    EXPECT_EQ(testing::DumpTree(HKEY_CURRENT_USER, L"Software\\Veltane").size(), 4u);
}

TEST(InstallProgram, CarriesItsVersionAndAsksForAdministratorRights) {
    const fs::path exe = testing::BuiltProgram(TARNWICK_INSTALL_EXE);
    EXPECT_EQ(testing::FixedFileVersion(exe), L"1.6.0.0");
    EXPECT_EQ(testing::VersionText(exe, L"ProductVersion"), L"1.6.0");
    EXPECT_EQ(testing::VersionText(exe, L"OriginalFilename"), L"install.exe");
    EXPECT_NE(testing::EmbeddedManifest(exe).find("level=\"requireAdministrator\""),
              std::string::npos);
}

}  // namespace
}  // namespace tarnwick

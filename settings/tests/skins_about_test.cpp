// Skins, the about box, help and the web button on the real TarnwickSettings.exe, with the
// product's own data files in its program folder. What the skins do is read back from the screen.
#include "window_fixture.h"

#include "exe_harness.h"
#include "product.h"
#include "screen.h"
#include "skin_index.h"
#include "sysinfo.h"

#include <span>
#include <thread>

namespace tarnwick::settings {
namespace {

using testing::Eventually;
using testing::KeyGuard;
using testing::SetSz;
namespace fs = std::filesystem;

// Skins off, every caption is black.
constexpr COLORREF kBlack = RGB(0, 0, 0);
// Text of 8 points has far more glyph pixels than this in its full colour.
constexpr int kGlyphPixels = 6;

constexpr int kFormCaptions[] = {IDC_Label1, IDC_Label4, IDC_Label5, IDC_Label6, IDC_Check1,
                                 IDC_Check2, IDC_Check3, IDC_Check4, IDC_Check5, IDC_Check6};
constexpr int kAboutCaptions[] = {IDC_lblTitle, IDC_AboutLabel1, IDC_lblDescription, IDC_lblVersion,
                                  IDC_lblDisclaimer};

// A 24-bit bitmap file of one colour.
std::string Bitmap(int width, int height, COLORREF colour) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3] = static_cast<char>(GetBValue(colour));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

class SkinTest : public WindowTest {
  protected:
    std::vector<SkinRecord> shipped;
    // The System Information tool's entries, away for every test.
    KeyGuard msInfo{HKEY_LOCAL_MACHINE, std::wstring(kMsInfoKey)};
    KeyGuard toolsLocation{HKEY_LOCAL_MACHINE, std::wstring(kSharedToolsLocationKey)};

    SkinTest() {
        CopyProductData(folder.Path());
        shipped = LoadSkinIndex((folder.Path() / L"skins" / L"skins.skn").wstring());
    }

    void WriteIndex(std::string_view bytes) {
        testing::WriteFile(folder.Path() / L"skins" / L"skins.skn", bytes);
    }

    // "&About", and the box it shows, placed beside the settings window so that both can be seen.
    static HWND OpenAbout(const SettingsProcess& window) {
        window.Click(IDC_Command3);
        const HWND about = testing::WaitForWindow(window, L"#32770", L"About Tarnwick", 10s);
        if (!about) return nullptr;
        RECT form{};
        ::GetWindowRect(window.Window(), &form);
        ::SetWindowPos(window.Window(), nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(about, nullptr, form.right - form.left + 4, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return about;
    }
    // Chooses a skin in the list as the user would, also while the list is disabled.
    static void ChooseSkin(const SettingsProcess& window, int index) {
        window.Send(window.Item(IDC_Combo1), CB_SETCURSEL, static_cast<WPARAM>(index));
        window.Send(window.Window(), WM_COMMAND, MAKEWPARAM(IDC_Combo1, CBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(window.Item(IDC_Combo1)));
    }
    // The look of both windows: every caption in `colour`, and the picture shown or not.
    static void ExpectLook(HWND form, HWND about, COLORREF colour, bool picture, const char* when) {
        EXPECT_TRUE(AllCaptionsIn(form, kFormCaptions, colour)) << when;
        EXPECT_TRUE(PictureShown(form, picture)) << when;
        if (!about) return;
        EXPECT_TRUE(AllCaptionsIn(about, kAboutCaptions, colour)) << when;
        EXPECT_TRUE(PictureShown(about, picture)) << when;
    }

    // The captions that show glyphs in exactly `colour`; each listed caption should.
    static std::vector<int> CaptionsIn(HWND window, std::span<const int> ids, COLORREF colour) {
        const Screen screen(window);
        std::vector<int> shown;
        for (const int id : ids) {
            if (screen.Count(::GetDlgItem(window, id), colour) >= kGlyphPixels) shown.push_back(id);
        }
        return shown;
    }
    static bool AllCaptionsIn(HWND window, std::span<const int> ids, COLORREF colour) {
        return Eventually([&] { return CaptionsIn(window, ids, colour).size() == ids.size(); }, 5s);
    }
    // The window's bottom-left corner, where no control lies: the face colour without a picture.
    static bool ShowsPicture(HWND window) {
        RECT client{};
        ::GetClientRect(window, &client);
        const Screen screen(window);
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        for (int y = client.bottom - 5; y < client.bottom - 1; ++y) {
            for (int x = 1; x < 5; ++x) {
                if (screen.Client(x, y) == face) return false;
            }
        }
        return true;
    }
    static bool PictureShown(HWND window, bool shown) {
        return Eventually([&] { return ShowsPicture(window) == shown; }, 5s);
    }
};

TEST_F(SkinTest, AStoredSkinOfMinusThreeStartsWithTheFirstSkin) {
    ASSERT_EQ(shipped.size(), 3u);
    Held({L"A"});
    SetMisc(L"skin", L"-3");
    auto window = Open();
    EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCOUNT), 3);
    EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCURSEL), 0);
    EXPECT_TRUE(window->Checked(IDC_Check4));
    EXPECT_TRUE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    ExpectLook(window->Window(), nullptr, shipped[0].colour, true, "at the start");
    Save(*window);
    EXPECT_EQ(Misc(L"skin"), L"0");
    EXPECT_EQ(Misc(L"Back"), L"True");
}

TEST_F(SkinTest, SkinsOffBlackenBothWindowsAndOnAgainShowTheSkinChosenMeanwhile) {
    SetMisc(L"skin", L"1");
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    ExpectLook(window->Window(), about, shipped[1].colour, true, "skin 1");

    window->Click(IDC_Check4);
    EXPECT_FALSE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    ExpectLook(window->Window(), about, kBlack, false, "skins off");

    // A choice while skins are off shows nothing, until skins are on again.
    ChooseSkin(*window, 2);
    // Nothing marks that the windows have painted what the choice changed: watch them for a while.
    std::this_thread::sleep_for(300ms);
    ExpectLook(window->Window(), about, kBlack, false, "skin 2 chosen while off");
    window->Click(IDC_Check4);
    EXPECT_TRUE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    ExpectLook(window->Window(), about, shipped[2].colour, true, "skins on again");
    Cancel(*window);
}

TEST_F(SkinTest, TheSkinCaptionActsLikeTheBox) {
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    window->ClickCaption(IDC_Check4);
    EXPECT_FALSE(window->Checked(IDC_Check4));
    EXPECT_FALSE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    ExpectLook(window->Window(), about, kBlack, false, "caption clicked once");
    window->ClickCaption(IDC_Check4);
    EXPECT_TRUE(window->Checked(IDC_Check4));
    EXPECT_TRUE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    ExpectLook(window->Window(), about, shipped[0].colour, true, "caption clicked twice");
    Cancel(*window);
}

TEST_F(SkinTest, AChosenSkinChangesBothWindowsAtOnceAndSaveStoresIt) {
    Held({L"A"});
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    const COLORREF before = Screen(window->Window()).Client(2, 300);
    ChooseSkin(*window, 2);
    ExpectLook(window->Window(), about, shipped[2].colour, true, "skin 2 chosen");
    EXPECT_NE(Screen(window->Window()).Client(2, 300), before);
    EXPECT_EQ(Misc(L"skin"), L"-");
    Save(*window);
    EXPECT_EQ(Misc(L"skin"), L"2");
}

TEST_F(SkinTest, WithSkinsOffAtTheStartTheListKeepsTheStoredChoiceUnused) {
    Held({L"A"});
    SetMisc(L"Back", L"False");
    SetMisc(L"skin", L"2");
    auto window = Open();
    EXPECT_FALSE(window->Checked(IDC_Check4));
    EXPECT_FALSE(::IsWindowEnabled(window->Item(IDC_Combo1)));
    EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCURSEL), 2);
    // The captions keep the colours they were designed with.
    EXPECT_TRUE(AllCaptionsIn(window->Window(), kFormCaptions, ::GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_TRUE(PictureShown(window->Window(), false));
    Save(*window);
    EXPECT_EQ(Misc(L"skin"), L"2");
    EXPECT_EQ(Misc(L"Back"), L"False");
}

TEST_F(SkinTest, TheAboutBoxIsOneBoxUntilOkAndIsThenBuiltAnewWithTheLookOfTheMoment) {
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    window->Click(IDC_Command3);
    EXPECT_EQ(testing::ProcessWindows(*window, L"#32770", L"About Tarnwick"),
              std::vector<HWND>{about});
    EXPECT_TRUE(::IsWindowEnabled(window->Window())) << "the box is not modal";

    window->Click(IDC_Check4);
    testing::Click(::GetDlgItem(about, IDC_cmdOK));
    EXPECT_TRUE(Eventually([&] { return !::IsWindow(about); }, 5s));
    const HWND plain = OpenAbout(*window);
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(plain, about);
    ExpectLook(window->Window(), plain, kBlack, false, "built anew with skins off");

    // Esc answers as OK does.
    ::PostMessageW(::GetDlgItem(plain, IDC_cmdOK), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(Eventually([&] { return !::IsWindow(plain); }, 5s));
    window->Click(IDC_Check4);
    const HWND skinned = OpenAbout(*window);
    ASSERT_NE(skinned, nullptr);
    ExpectLook(window->Window(), skinned, shipped[0].colour, true, "built anew with skins on");
    Cancel(*window);
    EXPECT_FALSE(::IsWindow(skinned));
}

TEST_F(SkinTest, TheAboutBoxShowsTheProgramsOwnTitleVersionAndDescription) {
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    auto text = [&](int id) { return testing::WindowText(::GetDlgItem(about, id)); };
    EXPECT_EQ(text(IDC_lblTitle), L"Tarnwick Settings: " + std::wstring(kMakerWebAddress));
    EXPECT_EQ(text(IDC_lblVersion), L"Version 1.6.0");
    const std::wstring description = text(IDC_lblDescription);
    EXPECT_EQ(description, testing::VersionText(exe, L"Comments"));
    EXPECT_TRUE(description.ends_with(
        L"This program will give you access to your computer faster by making the other "
        L"programs wait their turn to load on startup."))
        << description;
    EXPECT_FALSE(text(IDC_lblDisclaimer).empty());
    EXPECT_FALSE(text(IDC_AboutLabel1).empty());
    EXPECT_EQ(text(IDC_cmdOK), L"&OK");
    EXPECT_EQ(text(IDC_cmdSysInfo), L"&System Info...");
    Cancel(*window);
}

// Presses "&System Info..." and returns the text of the message box that answers, or "" when
// none appeared within `timeout`.
std::wstring SysInfoMessage(const SettingsProcess& window, HWND about,
                            std::chrono::milliseconds timeout = 10s) {
    testing::Click(::GetDlgItem(about, IDC_cmdSysInfo));
    const HWND box = testing::WaitForWindow(window, L"#32770", L"System Information", timeout);
    if (!box) return {};
    std::wstring message;
    for (const HWND child : testing::ChildWindows(box)) {
        if (testing::ClassName(child) == L"Static") message += testing::WindowText(child);
    }
    testing::Click(::GetDlgItem(box, IDOK));
    Eventually([&] { return !::IsWindow(box); }, 5s);
    return message;
}

TEST_F(SkinTest, WithoutTheToolSystemInfoSaysItIsUnavailable) {
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(SysInfoMessage(*window, about), kSysInfoUnavailable);

    // The tools folder is registered, but the program is not in it.
    fs::create_directories(folder.Path() / L"Tools");
    SetSz(HKEY_LOCAL_MACHINE, kSharedToolsLocationKey, L"MSINFO",
          (folder.Path() / L"Tools").wstring());
    EXPECT_EQ(SysInfoMessage(*window, about), kSysInfoUnavailable);

    // Registered, but it cannot be started.
    SetSz(HKEY_LOCAL_MACHINE, kMsInfoKey, L"PATH", (folder.Path() / L"missing.exe").wstring());
    EXPECT_EQ(SysInfoMessage(*window, about), kSysInfoUnavailable);
    Cancel(*window);
}

TEST_F(SkinTest, TheToolsFolderRegisteredAsTheNumber261IsTheFolder261) {
    // Relative to the program's working folder, its program folder, as any relative path is.
    const fs::path tools = folder.Path() / L"261";
    fs::create_directories(tools);
    fs::copy_file(testing::BuiltProgram(TARNWICK_SYSINFO_STAND_IN), tools / L"MSINFO32.EXE");
    const DWORD number = 261;
    testing::SetRaw(HKEY_LOCAL_MACHINE, kSharedToolsLocationKey, L"MSINFO", REG_DWORD, &number,
                    sizeof number);
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(SysInfoMessage(*window, about, 3s), L"");
    EXPECT_TRUE(Eventually([&] { return fs::exists(tools / L"MSINFO32.EXE.ran"); }, 10s));
    Cancel(*window);
}

TEST_F(SkinTest, AMissingEmptyOrGarbledIndexLeavesAUsableWindowWithoutSkins) {
    Held({L"A"});
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""}, {"garbage", garbage}, {"one field", "\"Name only\""}, {"missing", ""}};
    for (const auto& [name, index] : cases) {
        if (std::string_view(name) == "missing") {
            fs::remove_all(folder.Path() / L"skins");
        } else {
            WriteIndex(index);
        }
        SetMisc(L"skin", L"1");
        auto window = Open();
        EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCOUNT), 0) << name;
        EXPECT_TRUE(PictureShown(window->Window(), false)) << name;
        EXPECT_TRUE(AllCaptionsIn(window->Window(), kFormCaptions, kBlack)) << name;
        Save(*window);
        // Nothing could be chosen, and Save says so.
        EXPECT_EQ(Misc(L"skin"), L"-1") << name;
    }
}

TEST_F(SkinTest, TheListHoldsOneEntryPerRecordAndAtMostATableOfSkins) {
    WriteIndex("Only,slate.jpg,255");
    {
        auto window = Open();
        EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCOUNT), 1);
        EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCURSEL), 0);
        Cancel(*window);
    }
    std::string index;
    for (int i = 0; i < 1002; ++i)
        index += "\"Skin " + std::to_string(i) + "\",\"slate.jpg\",255\r\n";
    WriteIndex(index);
    for (const auto& [stored, chosen] : {std::pair{L"1000", 1000}, std::pair{L"1001", 0}}) {
        SetMisc(L"skin", stored);
        auto window = Open();
        EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCOUNT), 1001);
        EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCURSEL), chosen) << stored;
        ExpectLook(window->Window(), nullptr, RGB(255, 0, 0), true, "a skin of the table");
        Cancel(*window);
    }
}

TEST_F(SkinTest, ASkinWhosePictureCannotBeLoadedIsShownAsNoSkin) {
    testing::WriteFile(folder.Path() / L"skins" / L"notes.jpg", "not a picture");
    WriteIndex(
        "\"Gone\",\"gone.jpg\",255\r\n\"Slate\",\"slate.jpg\",16777215\r\n"
        "\"Notes\",\"notes.jpg\",65280\r\n");
    SetMisc(L"skin", L"7");  // beyond the list: the first skin
    auto window = Open();
    EXPECT_EQ(window->Send(window->Item(IDC_Combo1), CB_GETCURSEL), 0);
    ExpectLook(window->Window(), nullptr, kBlack, false, "a missing picture");
    ChooseSkin(*window, 1);
    ExpectLook(window->Window(), nullptr, RGB(255, 255, 255), true, "a good skin");
    ChooseSkin(*window, 2);
    ExpectLook(window->Window(), nullptr, kBlack, false, "a file that is no picture");
    Cancel(*window);
}

TEST_F(SkinTest, WithoutTheLogoTheAboutBoxStillOpens) {
    fs::remove(folder.Path() / L"twlogo.jpg");
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(testing::WindowText(::GetDlgItem(about, IDC_lblVersion)), L"Version 1.6.0");
    testing::Click(::GetDlgItem(about, IDC_cmdOK));
    EXPECT_TRUE(Eventually([&] { return !::IsWindow(about); }, 5s));
    Cancel(*window);
}

TEST_F(SkinTest, APictureIsDrawnAtItsOwnSizeFromTheTopLeftUnderTheControls) {
    // A bitmap, not a JPEG: the platform's loader reads either.
    const COLORREF red = RGB(200, 30, 60);
    testing::WriteFile(folder.Path() / L"skins" / L"red.bmp", Bitmap(4, 150, red));
    WriteIndex("\"Red\",\"red.bmp\",16777215\r\n");
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    for (const HWND shown : {window->Window(), about}) {
        const int dpi = static_cast<int>(::GetDpiForWindow(shown));
        auto at = [&](int x, int y) {
            const POINT point{::MulDiv(x, dpi, 96), ::MulDiv(y, dpi, 96)};
            EXPECT_EQ(::ChildWindowFromPointEx(shown, point, CWP_SKIPINVISIBLE), shown)
                << "a control lies at " << x << "," << y;
            return Screen(shown).Client(point.x, point.y);
        };
        EXPECT_TRUE(Eventually([&] { return at(1, 140) == red; }, 5s));
        EXPECT_EQ(at(1, 160), face) << "below the picture";
        EXPECT_EQ(at(6, 140), face) << "right of the picture";
    }
    // The logo band lies over the picture.
    EXPECT_TRUE(Eventually([&] { return Screen(window->Window()).Client(1, 10) != red; }, 5s));
    Cancel(*window);
}

// The host's path of a file, as a program outside Wine sees it; empty when not on Wine.
std::string HostPath(const fs::path& path) {
    using ToHost = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<ToHost>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return {};
    char* host = convert(path.c_str());
    if (!host) return {};
    std::string text(host);
    ::HeapFree(::GetProcessHeap(), 0, host);
    return text;
}

std::string Unescaped(std::string_view url) {
    std::string text;
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            text += static_cast<char>(std::stoi(std::string(url.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            text += url[i];
        }
    }
    return text;
}

// Wine hands every address to the browsers listed under WineBrowser; the test's own "browser"
// writes what it gets into a file beside itself.
class BrowserTest : public SkinTest {
  protected:
    KeyGuard browsers{HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser"};
    fs::path capture = testing::BuiltProgram(TARNWICK_BROWSER_HOOK ".addresses");
    bool onWine = !HostPath(capture.root_path()).empty();

    BrowserTest() {
        const std::string hook = TARNWICK_BROWSER_HOOK;
        SetSz(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers",
              std::wstring(hook.begin(), hook.end()));
        fs::remove(capture);
    }
    ~BrowserTest() override {
        std::error_code ec;
        fs::remove(capture, ec);
    }

    // What the browser was given after a click on `button`, once it has come.
    std::string Addresses(const SettingsProcess& window, int button) {
        testing::Click(window.Item(button));
        Eventually([&] { return testing::ReadFileBytes(capture).ends_with('\n'); }, 20s);
        // And nothing more follows: a second address would come within this time.
        std::this_thread::sleep_for(500ms);
        return testing::ReadFileBytes(capture);
    }
};

TEST_F(BrowserTest, TheWebButtonHandsTheExactAddressToTheBrowser) {
    if (!onWine) GTEST_SKIP() << "the browser hook is Wine's";
    auto window = Open();
    const std::wstring address(kMakerWebAddress);
    EXPECT_EQ(Addresses(*window, IDC_Command9), std::string(address.begin(), address.end()) + "\n");
    Cancel(*window);
}

TEST_F(BrowserTest, HelpOpensThePageInTheProgramFolder) {
    if (!onWine) GTEST_SKIP() << "the browser hook is Wine's";
    // A page opens with the browser, as on any Windows with one.
    KeyGuard type(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.htm");
    KeyGuard page(HKEY_LOCAL_MACHINE, L"Software\\Classes\\htmlfile");
    SetSz(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.htm", L"", L"htmlfile");
    SetSz(HKEY_LOCAL_MACHINE, L"Software\\Classes\\htmlfile\\shell\\open\\command", L"",
          L"\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"");
    auto window = Open();
    EXPECT_EQ(Unescaped(Addresses(*window, IDC_Command4)),
              "file://" + HostPath(folder.Path() / L"TARNWICK.HTM") + "\n");
    Cancel(*window);
}

}  // namespace
}  // namespace tarnwick::settings

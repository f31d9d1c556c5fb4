// The about box of the real TarnwickSettings.exe as a screen-reader user, a keyboard-only user,
// a high-contrast user and a user with large text meet it.
#include "window_fixture.h"

#include "accessibility_checks.h"
#include "exe_harness.h"
#include "screen.h"
#include "skin_index.h"
#include "sysinfo.h"

namespace tarnwick::settings {
namespace {

using testing::Eventually;
using testing::HighContrastScheme;

constexpr int kAboutTexts[] = {IDC_lblTitle, IDC_lblVersion, IDC_lblDescription, IDC_AboutLabel1,
                               IDC_lblDisclaimer};
// Text of 8 points has far more glyph pixels than this in its full colour.
constexpr int kAboutGlyphPixels = 6;

class AboutBoxTest : public WindowTest {
  protected:
    // No System Information tool: "&System Info..." answers with its message.
    testing::KeyGuard msInfo{HKEY_LOCAL_MACHINE, std::wstring(kMsInfoKey)};
    testing::KeyGuard toolsLocation{HKEY_LOCAL_MACHINE, std::wstring(kSharedToolsLocationKey)};

    AboutBoxTest() { CopyProductData(folder.Path()); }

    static HWND OpenAbout(const SettingsProcess& window) {
        window.Click(IDC_Command3);
        return testing::WaitForWindow(window, L"#32770", L"About Tarnwick", 10s);
    }
    static bool Gone(HWND about) {
        return Eventually([&] { return !::IsWindow(about); }, 5s);
    }
    // The box's own message, once it is there.
    static HWND SysInfoMessage(const SettingsProcess& window) {
        return testing::WaitForWindow(window, L"#32770", L"System Information", 10s);
    }
    void Shoot(HWND about, const std::wstring& name) const {
        RECT r{};
        ::GetWindowRect(about, &r);
        EXPECT_TRUE(testing::WaitForSteadyScreen(r, 5s));
        testing::SaveScreenshot(
            testing::BuiltProgram(TARNWICK_SETTINGS_EXE).parent_path() / L"screenshots" / name, r);
    }
};

TEST_F(AboutBoxTest, EveryControlIsNamedAndTheKeysReachEachAndCloseTheBox) {
    auto window = Open();
    HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    const auto item = [&](int id) { return ::GetDlgItem(about, id); };
    // The logo is the product's name in a picture: a screen reader says what it is.
    EXPECT_EQ(testing::AccessibleName(item(IDC_picIcon)), L"Tarnwick logo");
    for (const int id : kAboutTexts) {
        EXPECT_FALSE(testing::WindowText(item(id)).empty()) << id;
        EXPECT_EQ(testing::AccessibleName(item(id)), testing::WindowText(item(id))) << id;
    }
    EXPECT_EQ(testing::AccessibleName(item(IDC_cmdOK)), L"OK");
    EXPECT_EQ(testing::AccessibleName(item(IDC_cmdSysInfo)), L"System Info...");
    EXPECT_EQ(testing::AccessKeys(about), L"OS");
    EXPECT_TRUE(testing::KeyboardCuesShown(item(IDC_cmdOK)))
        << "the focus or the access keys are hidden";

    // The focus starts on OK, Tab goes down the column of buttons and round, Shift+Tab back.
    ASSERT_TRUE(testing::BringToFront(about));
    EXPECT_EQ(testing::FocusedControl(about), item(IDC_cmdOK));
    EXPECT_EQ(testing::FocusAfterEachPress(about, 2),
              (std::vector<HWND>{item(IDC_cmdSysInfo), item(IDC_cmdOK)}));
    EXPECT_EQ(testing::FocusAfterEachPress(about, 1, VK_TAB, VK_SHIFT),
              std::vector<HWND>{item(IDC_cmdSysInfo)});
    EXPECT_EQ(testing::FocusAfterEachPress(about, 1, VK_TAB, VK_SHIFT),
              std::vector<HWND>{item(IDC_cmdOK)});

    // Enter is OK.
    testing::PressKey(VK_RETURN);
    EXPECT_TRUE(Gone(about)) << "Enter left the box open";

    // Alt+S asks for the tool; Esc closes its message and leaves the box; Esc again closes it.
    about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(testing::BringToFront(about));
    testing::PressKey('S', VK_MENU);
    const HWND message = SysInfoMessage(*window);
    ASSERT_NE(message, nullptr) << "Alt+S did not press System Info";
    ASSERT_TRUE(testing::BringToFront(message));
    testing::PressKey(VK_ESCAPE);
    EXPECT_TRUE(Gone(message));
    EXPECT_TRUE(::IsWindow(about));
    ASSERT_TRUE(testing::BringToFront(about));
    testing::PressKey(VK_ESCAPE);
    EXPECT_TRUE(Gone(about)) << "Esc left the box open";

    // Alt+O is OK too.
    about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(testing::BringToFront(about));
    testing::PressKey('O', VK_MENU);
    EXPECT_TRUE(Gone(about)) << "Alt+O left the box open";
    Cancel(*window);
}

TEST_F(AboutBoxTest, AtEachDpiEveryTextItPutsInAtLoadFitsAndNothingOverlaps) {
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const testing::DisplayDpi display(dpi);
        auto window = Open();
        const HWND about = OpenAbout(*window);
        ASSERT_NE(about, nullptr);
        // The title is bold, the disclaimer small, as the box makes them.
        const UniqueFont title = testing::DialogFontAt(dpi, 8, FW_BOLD);
        const UniqueFont disclaimer = testing::DialogFontAt(dpi, 6);
        EXPECT_EQ(
            testing::TextsThatDoNotFit(
                about, dpi, {{IDC_lblTitle, title.get()}, {IDC_lblDisclaimer, disclaimer.get()}}),
            std::vector<std::wstring>{});
        EXPECT_EQ(testing::ControlsOutOfPlace(about), std::vector<std::wstring>{});
        Shoot(about, L"about-" + std::to_wstring(dpi) + L".bmp");
        Cancel(*window);
    }
}

// Pixels of each caption in `colour`, as the screen shows them now.
std::vector<int> CaptionGlyphs(HWND about, COLORREF colour) {
    const Screen screen(about);
    std::vector<int> glyphs;
    for (const int id : kAboutTexts)
        glyphs.push_back(screen.Count(::GetDlgItem(about, id), colour));
    return glyphs;
}

bool AllCaptionsShow(HWND about, COLORREF colour) {
    return Eventually(
        [&] {
            const std::vector<int> glyphs = CaptionGlyphs(about, colour);
            return std::all_of(glyphs.begin(), glyphs.end(),
                               [](int count) { return count >= kAboutGlyphPixels; });
        },
        5s);
}

TEST_F(AboutBoxTest, InHighContrastTheSkinGivesWayToTheSchemeAlsoOnceTakenOff) {
    const std::vector<SkinRecord> skins =
        LoadSkinIndex((folder.Path() / L"skins" / L"skins.skn").wstring());
    ASSERT_GT(skins.size(), 1u);
    SetMisc(L"Back", L"True");
    SetMisc(L"skin", L"1");
    const HighContrastScheme scheme;
    auto window = Open();
    const HWND about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(AllCaptionsShow(about, HighContrastScheme::kText));
    EXPECT_EQ(CaptionGlyphs(about, skins[1].colour), std::vector<int>(std::size(kAboutTexts), 0));
    // No picture behind the texts: the scheme's face in the corner where no control lies.
    RECT client{};
    ::GetClientRect(about, &client);
    EXPECT_EQ(Screen(about).Client(2, client.bottom - 3), HighContrastScheme::kFace);
    Shoot(about, L"about-high-contrast.bmp");

    // Skins off leaves black captions outside high contrast; here they stay readable.
    window->Click(IDC_Check4);
    EXPECT_TRUE(AllCaptionsShow(about, HighContrastScheme::kText));
    EXPECT_TRUE(::IsWindow(about));
    Cancel(*window);
}

}  // namespace
}  // namespace tarnwick::settings

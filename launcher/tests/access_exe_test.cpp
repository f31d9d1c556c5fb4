// The launcher's window as a screen-reader user, a keyboard user and a user of high contrast or of
// large text meet it: the real Tarnwick.exe, read and driven from this test process.
#include "launcher_exe_harness.h"

#include "accessibility_checks.h"
#include "gdi.h"

#include "../resource.h"
#include "logon_costs.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace tarnwick::testing {
namespace {

RECT Union(const RECT& a, const RECT& b) {
    RECT both{};
    ::UnionRect(&both, &a, &b);
    return both;
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

SIZE Extent(HFONT font, const std::wstring& text) {
    const WindowDc screen(nullptr);
    const Selected selected(screen.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

// How often each colour shows on the screen within `r`.
std::map<COLORREF, int> ColoursIn(const RECT& r) {
    const WindowDc screen(nullptr);
    std::map<COLORREF, int> seen;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) ++seen[::GetPixel(screen.get(), x, y)];
    }
    return seen;
}

COLORREF PixelAt(int x, int y) {
    const WindowDc screen(nullptr);
    return ::GetPixel(screen.get(), x, y);
}

class LauncherAccessTest : public LauncherFixture {
  protected:
    void TearDown() override {
        MoveMouse(1200, 1000);  // away from the launcher, where no tooltip shows
        LauncherFixture::TearDown();
    }
    HWND Tip() const { return FindProcessWindow(launcher_->Id(), L"TarnwickTip", true); }
    std::wstring TipText() const {
        const HWND tip = Tip();
        return tip ? WindowText(tip) : L"";
    }
    void RestOn(int id) {
        const POINT at = Centre(WindowRect(Control(id)));
        MoveMouse(at.x, at.y);
        MoveMouse(at.x + 1, at.y);
    }
    // A click on the window's face (the "Loading" line), as the user activates it.
    void Activate() {
        const POINT at = Centre(WindowRect(Control(IDC_LABEL4)));
        MoveMouse(at.x, at.y);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseButton(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(Eventually([&] { return ::GetForegroundWindow() == form_; }, 3s))
            << "the click did not activate the launcher's window";
    }
    bool FocusReaches(int id) {
        return Eventually([&] { return FocusedControl(form_) == Control(id); }, 2s);
    }
};

TEST_F(LauncherAccessTest, ButtonsAreNamedByWhatTheyDoAndShowItWhenThePointerRests) {
    SetMisc(L"initTimeDelay", L"300");
    Hold(HKEY_CURRENT_USER, L"Mail Checker", Sample(L"Mail Checker"));
    MoveMouse(1200, 1000);
    StartLauncher();
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND4)), L"Pause");
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND2)), L"Fast forward");
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND3)), L"Stop");

    const auto restedAt = Clock::now();
    RestOn(IDC_COMMAND3);
    ASSERT_TRUE(Eventually([&] { return TipText() == L"Stop"; }, 3s)) << TipText().c_str();
    // After the system's hover time (400 ms), not at the first movement.
    EXPECT_GT(Clock::now() - restedAt, 250ms);
    const RECT tip = WindowRect(Tip());
    const RECT stop = WindowRect(Control(IDC_COMMAND3));
    EXPECT_GE(tip.top, stop.bottom);
    EXPECT_LE(tip.right, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(PixelAt(tip.left + 1, tip.top + 1), ::GetSysColor(COLOR_INFOBK));
    EXPECT_GT(ColoursIn(tip)[::GetSysColor(COLOR_INFOTEXT)], 10) << "no text in the tooltip";
    WaitForSteadyScreen(Union(WindowRect(form_), tip), 2s);
    SaveScreenshot(ShotPath(L"launcher-tooltip"), Union(WindowRect(form_), tip));
    // The tooltip took nothing from the user's window: the launcher's is not active either.
    EXPECT_NE(::GetForegroundWindow(), Tip());

    MoveMouse(1200, 1000);
    EXPECT_TRUE(Eventually([&] { return Tip() == nullptr; }, 2s)) << "the tooltip stayed";

    ::SendMessageW(Control(IDC_COMMAND4), BM_CLICK, 0, 0);
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND4)), L"Resume");
    RestOn(IDC_COMMAND4);
    EXPECT_TRUE(Eventually([&] { return TipText() == L"Resume"; }, 3s)) << TipText().c_str();
    ::SendMessageW(Control(IDC_COMMAND4), BM_CLICK, 0, 0);
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND4)), L"Pause");
}

TEST_F(LauncherAccessTest, NeverTakesTheFocusFromTheUsersWindow) {
    // The user's own program, typing in its edit box, as the launcher appears at log-on.
    const HWND own = ::CreateWindowExW(0, L"EDIT", L"typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                       400, 300, 80, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(own);
    ASSERT_TRUE(BringToFront(own));
    ::SetFocus(own);
    SetMisc(L"initTimeDelay", L"10");
    SetMisc(L"TimeDelay", L"10");
    for (const wchar_t* name : {L"A", L"B"}) Hold(HKEY_CURRENT_USER, name, Sample(name));
    StartLauncher();
    int lost = 0;
    const auto ended = [&] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (::GetForegroundWindow() != own || FocusedControl(own) != own) ++lost;
        return !launcher_->Running();
    };
    // Shown, both programs started, and ended.
    ASSERT_TRUE(Eventually(ended, 15s));
    EXPECT_EQ(lost, 0) << "the launcher took the focus";
    EXPECT_EQ(::GetForegroundWindow(), own);
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 2; }, 5s));
    ::DestroyWindow(own);
}

TEST_F(LauncherAccessTest, TabReachesEveryButtonAndSpaceAndEnterPressThem) {
    SetMisc(L"initTimeDelay", L"20");
    SetMisc(L"TimeDelay", L"20");
    for (const wchar_t* name : {L"A", L"B", L"C"}) Hold(HKEY_CURRENT_USER, name, Sample(name));
    StartLauncher();
    Activate();
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusReaches(IDC_COMMAND4));
    WaitForSteadyScreen(WindowRect(form_), 2s);
    SaveScreenshot(ShotPath(L"launcher-focus"), WindowRect(form_));

    PressKey(VK_SPACE);
    EXPECT_TRUE(Eventually([&] { return WindowText(Control(IDC_COMMAND4)) == L"Resume"; }, 2s));
    // Paused: the first program, due two seconds after the start, waits. The time is the point.
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(Starts().empty());
    const long long resumedAt = NowTicks();
    PressKey(VK_SPACE);
    EXPECT_TRUE(Eventually([&] { return WindowText(Control(IDC_COMMAND4)) == L"Pause"; }, 2s));
    // One program delay after the resume.
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 1; }, 5s));
    EXPECT_NEAR(MsBetween(resumedAt, Starts()[0].created), 2000, 400);

    PressKey(VK_TAB);
    EXPECT_TRUE(FocusReaches(IDC_COMMAND2));
    PressKey(VK_TAB);
    EXPECT_TRUE(FocusReaches(IDC_COMMAND3));
    PressKey(VK_TAB);
    EXPECT_TRUE(FocusReaches(IDC_COMMAND4)) << "Tab did not go round";
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(FocusReaches(IDC_COMMAND3));
    PressKey(VK_TAB, VK_SHIFT);
    ASSERT_TRUE(FocusReaches(IDC_COMMAND2));
    // Enter on Fast forward: C, four seconds after A, starts at once, and the launcher ends.
    const long long pressedAt = NowTicks();
    PressKey(VK_RETURN);
    ASSERT_TRUE(launcher_->Wait(5s));
    ASSERT_TRUE(Eventually([&] { return Starts().size() == 3; }, 5s));
    EXPECT_EQ(Starts()[2].name, L"C");
    EXPECT_LT(MsBetween(pressedAt, Starts()[2].created), 1500);
}

TEST_F(LauncherAccessTest, EscQuitsAsTheRightClickOnThePercentageDoes) {
    Hold(HKEY_CURRENT_USER, L"Never", Sample(L"Never"));
    StartLauncher();
    Activate();
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(launcher_->Wait(3s)) << "Esc did not end the launcher";
    Eventually([&] { return ProcessesStartedBy(launcher_->Id()).empty(); }, 5s);
    EXPECT_TRUE(Starts().empty());
    EXPECT_FALSE(ReadLastLogOn(SystemOs()).has_value()) << "a log-on cut short leaves no record";
}

TEST_F(LauncherAccessTest, TextsFitTheirRowsAtEveryDpi) {
    SetMisc(L"initTimeDelay", L"300");
    Hold(HKEY_CURRENT_USER, L"Mail Checker", Sample(L"Mail Checker"));
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const DisplayDpi display(dpi);
        StartLauncher();
        const UniqueFont font = DialogFontAt(dpi);
        const RECT form = WindowRect(form_);
        // 2175 twips: the launcher took the DPI.
        ASSERT_EQ(Width(form), ::MulDiv(2175, static_cast<int>(dpi), 1440));
        const RECT percent = WindowRect(Control(IDC_LABEL1));
        const RECT buttons = WindowRect(Control(IDC_COMMAND4));
        const RECT loading = WindowRect(Control(IDC_LABEL4));
        const RECT logo = WindowRect(Control(IDC_PICTURE1));

        // The percentage: whole inside the window, above the buttons, at its widest too.
        const SIZE now = Extent(font.get(), WindowText(Control(IDC_LABEL1)));
        const SIZE widest = Extent(font.get(), L"100%");
        EXPECT_GE(percent.top, form.top);
        EXPECT_GE(Width(percent), now.cx);
        EXPECT_GE(Height(percent), now.cy);
        EXPECT_LE(percent.bottom, buttons.top);
        EXPECT_GE(buttons.top - form.top, widest.cy);
        EXPECT_LE(widest.cx, Width(form));

        // The "Loading" line: as tall as its text, between the buttons and the logo.
        ASSERT_TRUE(Eventually([&] { return !WindowText(Control(IDC_LABEL4)).empty(); }, 2s));
        const SIZE line = Extent(font.get(), WindowText(Control(IDC_LABEL4)));
        EXPECT_GE(Height(loading), line.cy);
        EXPECT_GE(loading.top, buttons.bottom);
        EXPECT_LE(loading.bottom, logo.top);
        EXPECT_LE(logo.bottom, form.bottom);

        WaitForSteadyScreen(form, 2s);
        SaveScreenshot(ShotPath(L"launcher-" + std::to_wstring(dpi) + L"-dpi"), form);
        ::SendMessageW(Control(IDC_COMMAND3), BM_CLICK, 0, 0);
        ASSERT_TRUE(launcher_->Wait(10s));
        launcher_.reset();
    }
}

TEST_F(LauncherAccessTest, HighContrastDrawsInTheSystemsColours) {
    // What Wine cannot switch on, the launcher takes from the environment it inherits.
    struct HighContrast {
        HighContrast() { ::SetEnvironmentVariableW(L"TARNWICK_HIGH_CONTRAST", L"1"); }
        ~HighContrast() { ::SetEnvironmentVariableW(L"TARNWICK_HIGH_CONTRAST", nullptr); }
    } on;
    SetMisc(L"initTimeDelay", L"300");
    Hold(HKEY_CURRENT_USER, L"Mail Checker", Sample(L"Mail Checker"));
    MoveMouse(1200, 1000);
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return !WindowText(Control(IDC_LABEL4)).empty(); }, 2s));
    const RECT form = WindowRect(form_);
    // The bar keeps the selection's colour through the colour ticks (every 150 ms).
    for (int tick = 0; tick < 8; ++tick) {
        EXPECT_EQ(PixelAt(form.left, form.top + 2), ::GetSysColor(COLOR_HIGHLIGHT));
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(PixelAt(form.right - 2, form.top + 2), ::GetSysColor(COLOR_WINDOW));
    // The percentage over the window's colour, in its text colour.
    const auto percent = ColoursIn(WindowRect(Control(IDC_LABEL1)));
    EXPECT_GT(percent.count(::GetSysColor(COLOR_WINDOWTEXT)), 0u);
    // The "Loading" line in the window's colours, neither green nor on black.
    const RECT loading = WindowRect(Control(IDC_LABEL4));
    RECT shown{};
    ::IntersectRect(&shown, &loading, &form);
    const auto line = ColoursIn(shown);
    EXPECT_GT(line.count(::GetSysColor(COLOR_WINDOWTEXT)), 0u);
    EXPECT_GT(line.at(::GetSysColor(COLOR_WINDOW)), Width(shown) * Height(shown) / 2);
    EXPECT_EQ(line.count(RGB(0, 255, 0)), 0u);
    // The buttons in the system's button colours, their pictures in the button text's.
    const RECT pause = WindowRect(Control(IDC_COMMAND4));
    EXPECT_EQ(PixelAt(pause.left + Width(pause) / 5, Centre(pause).y),
              ::GetSysColor(COLOR_BTNFACE));
    EXPECT_GT(ColoursIn(pause).count(::GetSysColor(COLOR_BTNTEXT)), 0u);
    SaveScreenshot(ShotPath(L"launcher-high-contrast"), form);
}

}  // namespace
}  // namespace tarnwick::testing

// The launcher's window as a screen-reader user, a keyboard user and a user of high contrast or of
// large text meet it: the real Tarnwick.exe, read and driven from this test process.
#include "launcher_exe_harness.h"

#include "accessibility_checks.h"
#include "gdi.h"

#include "../resource.h"
#include "logon_costs.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace tarnwick::testing {
namespace {

// How many pixels of the screen within `r` show `colour`.
int PixelsOf(COLORREF colour, const RECT& r) {
    const WindowDc screen(nullptr);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) n += ::GetPixel(screen.get(), x, y) == colour;
    }
    return n;
}

class LauncherAccessTest : public LauncherFixture {
  protected:
    void SetUp() override {
        SetMisc(L"initTimeDelay", L"300");
        Hold(HKEY_CURRENT_USER, L"Mail", Sample(L"Mail"));
        MoveMouse(1200, 1000);  // away from the launcher, where no tooltip shows
    }
    void TearDown() override {
        MoveMouse(1200, 1000);
        LauncherFixture::TearDown();
    }
    std::wstring TipText() const {
        const HWND tip = FindProcessWindow(launcher_->Id(), L"TarnwickTip", true);
        return tip ? WindowText(tip) : L"";
    }
    void PointAt(int id, bool click = false) {
        const RECT r = WindowRect(Control(id));
        MoveMouse((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        MoveMouse((r.left + r.right) / 2 + 1, (r.top + r.bottom) / 2);
        if (!click) return;
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseButton(MOUSEEVENTF_LEFTUP);
    }
    bool FocusOn(int id) {
        return Eventually([&] { return FocusedControl(form_) == Control(id); }, 2s);
    }
};

TEST_F(LauncherAccessTest, ButtonsAreNamedByWhatTheyDoAndShowItWhenThePointerRests) {
    StartLauncher();
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND4)), L"Pause");
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND2)), L"Fast forward");
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND3)), L"Stop");
    const auto restedAt = Clock::now();
    PointAt(IDC_COMMAND3);
    ASSERT_TRUE(Eventually([&] { return TipText() == L"Stop"; }, 3s)) << TipText().c_str();
    EXPECT_GT(Clock::now() - restedAt, 250ms) << "before the system's hover time (400 ms)";
    const RECT tip = WindowRect(FindProcessWindow(launcher_->Id(), L"TarnwickTip", true));
    EXPECT_GE(tip.top, WindowRect(Control(IDC_COMMAND3)).bottom);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_INFOBK), tip), Width(tip) * Height(tip) / 2);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_INFOTEXT), tip), 10) << "no text in the tooltip";
    const RECT form = WindowRect(form_);
    RECT shot{};
    ::UnionRect(&shot, &tip, &form);
    SaveScreenshot(ShotPath(L"launcher-tooltip"), shot);
    MoveMouse(1200, 1000);
    EXPECT_TRUE(Eventually([&] { return TipText().empty(); }, 2s)) << "the tooltip stayed";

    ::SendMessageW(Control(IDC_COMMAND4), BM_CLICK, 0, 0);
    EXPECT_EQ(AccessibleName(Control(IDC_COMMAND4)), L"Resume");
    PointAt(IDC_COMMAND4);
    EXPECT_TRUE(Eventually([&] { return TipText() == L"Resume"; }, 3s)) << TipText().c_str();
}

TEST_F(LauncherAccessTest, NeverTakesTheFocusFromTheUsersWindow) {
    // The user's own program, typing in its edit box, as the launcher appears and starts a program.
    const HWND own = ::CreateWindowExW(0, L"EDIT", L"typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                       400, 300, 80, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(BringToFront(own));
    SetMisc(L"initTimeDelay", L"10");
    SetMisc(L"TimeDelay", L"10");
    StartLauncher();
    int lost = 0;
    ASSERT_TRUE(Eventually(
        [&] {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            lost += ::GetForegroundWindow() != own || FocusedControl(own) != own;
            return !launcher_->Running();
        },
        15s));
    EXPECT_EQ(lost, 0) << "the launcher took the focus";
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 1; }, 5s));
    ::DestroyWindow(own);
}

TEST_F(LauncherAccessTest, OnceActivatedTabReachesTheButtonsSpaceAndEnterPressThemEscQuits) {
    SetMisc(L"initTimeDelay", L"10");
    SetMisc(L"TimeDelay", L"20");
    Hold(HKEY_CURRENT_USER, L"Notes", Sample(L"Notes"));
    StartLauncher();
    PointAt(IDC_LABEL4, true);  // the window's face, under the "Loading" line
    ASSERT_TRUE(Eventually([&] { return ::GetForegroundWindow() == form_; }, 3s));
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusOn(IDC_COMMAND4));
    SaveScreenshot(ShotPath(L"launcher-focus"), WindowRect(form_));
    PressKey(VK_SPACE);
    EXPECT_TRUE(Eventually([&] { return WindowText(Control(IDC_COMMAND4)) == L"Resume"; }, 2s));
    // Paused: the program, due three seconds after the start, waits. The time is the point.
    std::this_thread::sleep_for(3500ms);
    EXPECT_TRUE(Starts().empty());
    PressKey(VK_RETURN);
    EXPECT_TRUE(Eventually([&] { return WindowText(Control(IDC_COMMAND4)) == L"Pause"; }, 2s));
    // One program delay (2 s) later; the second comes two seconds after the first.
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 1; }, 4s)) << "not resumed";
    for (const int id : {IDC_COMMAND2, IDC_COMMAND3, IDC_COMMAND4}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(FocusOn(id)) << id;
    }
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(FocusOn(IDC_COMMAND3));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(launcher_->Wait(3s)) << "Esc did not end the launcher";
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_FALSE(ReadLastLogOn(SystemOs()).has_value()) << "Esc is Quit: a log-on cut short";
}

TEST_F(LauncherAccessTest, PercentageAndLoadingLineFitTheirRowsAtEveryDpi) {
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        const DisplayDpi display(static_cast<DWORD>(dpi));
        StartLauncher();
        const RECT form = WindowRect(form_);
        ASSERT_EQ(Width(form), ::MulDiv(2175, dpi, 1440)) << "the DPI was not taken";
        ASSERT_TRUE(Eventually([&] { return !WindowText(Control(IDC_LABEL4)).empty(); }, 2s));
        const UniqueFont font = DialogFontAt(static_cast<UINT>(dpi));
        const WindowDc screen(nullptr);
        const Selected selected(screen.get(), font.get());
        const auto extent = [&](const std::wstring& text) {
            SIZE size{};
            ::GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()),
                                    &size);
            return size;
        };
        const RECT percent = WindowRect(Control(IDC_LABEL1));
        const RECT buttons = WindowRect(Control(IDC_COMMAND4));
        const RECT loading = WindowRect(Control(IDC_LABEL4));
        // Whole: inside the window, above the buttons, "100%" as well.
        EXPECT_GE(percent.top, form.top);
        EXPECT_LE(percent.bottom, buttons.top);
        EXPECT_GE(Height(percent), extent(WindowText(Control(IDC_LABEL1))).cy);
        EXPECT_GE(buttons.top - form.top, extent(L"100%").cy);
        EXPECT_GE(Height(loading), extent(WindowText(Control(IDC_LABEL4))).cy);
        EXPECT_GE(loading.top, buttons.bottom);
        EXPECT_LE(loading.bottom, WindowRect(Control(IDC_PICTURE1)).top);
        SaveScreenshot(ShotPath(L"launcher-" + std::to_wstring(dpi) + L"-dpi"), form);
        ::SendMessageW(Control(IDC_COMMAND3), BM_CLICK, 0, 0);
        ASSERT_TRUE(launcher_->Wait(10s));
    }
}

TEST_F(LauncherAccessTest, HighContrastDrawsInTheSystemsColours) {
    // What Wine cannot switch on, the launcher takes from the environment it inherits.
    struct On {
        On() { ::SetEnvironmentVariableW(L"TARNWICK_HIGH_CONTRAST", L"1"); }
        ~On() { ::SetEnvironmentVariableW(L"TARNWICK_HIGH_CONTRAST", nullptr); }
    } highContrast;
    StartLauncher();
    ASSERT_TRUE(Eventually([&] { return !WindowText(Control(IDC_LABEL4)).empty(); }, 2s));
    const RECT form = WindowRect(form_);
    // The bar keeps the selection's colour through the colour ticks (every 150 ms).
    const RECT bar{form.left, form.top, form.left + 1, form.top + 4};
    for (int tick = 0; tick < 8; ++tick, std::this_thread::sleep_for(100ms)) {
        EXPECT_EQ(PixelsOf(::GetSysColor(COLOR_HIGHLIGHT), bar), 4);
    }
    // The "Loading" line and the percentage in the window's colours, never green on black.
    const RECT loading = WindowRect(Control(IDC_LABEL4));
    RECT line{};
    ::IntersectRect(&line, &loading, &form);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_WINDOW), line), Width(line) * Height(line) / 2);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_WINDOWTEXT), line), 0);
    EXPECT_EQ(PixelsOf(RGB(0, 255, 0), line), 0);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_WINDOWTEXT), WindowRect(Control(IDC_LABEL1))), 0);
    // The buttons in the button colours, their pictures in the button text's.
    const RECT pause = WindowRect(Control(IDC_COMMAND4));
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_BTNFACE), pause), Width(pause) * Height(pause) / 2);
    EXPECT_GT(PixelsOf(::GetSysColor(COLOR_BTNTEXT), pause), 20);
    SaveScreenshot(ShotPath(L"launcher-high-contrast"), form);
}

}  // namespace
}  // namespace tarnwick::testing

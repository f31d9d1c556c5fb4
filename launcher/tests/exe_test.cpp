// The real Tarnwick.exe under Wine and Xvfb, driven from this test process: its resources, its
// window, the buttons and the mouse, auto-hide, the marquee and the error box.
#include "launcher_exe_harness.h"

#include "gdi.h"

#include "../resource.h"
#include "logon_costs.h"
#include "product.h"
#include "registry.h"
#include "sandbox.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace tarnwick::testing {
namespace {

// At 96 DPI, 15 twips to the pixel: the window is 2175 x 1065 twips, the design's 1000 and the 65
// by which a line of its 8-point text (195 twips) is taller than the bar's 130.
constexpr int kWidth = 145;
constexpr int kFullHeight = 71;
constexpr int kCollapsedHeight = 14;  // the bar's row, 210 twips

class LauncherExeTest : public LauncherFixture {};

// ---- the program file

TEST(LauncherFile, CarriesVersionManifestPicturesAndLogo) {
    const std::filesystem::path exe = TarnwickExe();
    EXPECT_EQ(FixedFileVersion(exe), L"1.6.0.0");
    EXPECT_EQ(VersionText(exe, L"ProductName"), L"Tarnwick");
    EXPECT_EQ(VersionText(exe, L"OriginalFilename"), L"Tarnwick.exe");
    const std::string manifest = EmbeddedManifest(exe);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

    const HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    for (int icon : {IDI_PAUSE, IDI_PLAY, IDI_FASTFORWARD, IDI_STOP}) {
        const UniqueIcon loaded(static_cast<HICON>(
            ::LoadImageW(module, MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, 0)));
        EXPECT_TRUE(loaded) << icon;
    }
    const UniqueBitmap logo(static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    ASSERT_TRUE(logo);
    BITMAP bm{};
    ::GetObjectW(logo.get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 144);  // 2160 x 405 twips at 96 DPI
    EXPECT_EQ(bm.bmHeight, 27);
    ::FreeLibrary(module);
}

// ---- start-up

TEST_F(LauncherExeTest, WindowIsASmallTopMostStripRightOfCentre) {
    SetMisc(L"initTimeDelay", L"300");
    Hold(HKEY_CURRENT_USER, L"Mail Checker", Sample(L"Mail Checker"));
    StartLauncher();
    const LONG style = ::GetWindowLongW(form_, GWL_STYLE);
    const LONG ex = ::GetWindowLongW(form_, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);  // kept out of the taskbar
    EXPECT_EQ(WindowText(form_), L"Tarnwick");

    const RECT r = WindowRect(form_);
    EXPECT_EQ(Width(r), kWidth);
    EXPECT_EQ(Height(r), kFullHeight);
    EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN) / 2);  // right edge on the middle
    EXPECT_EQ(r.top, 0);

    const auto at = [&](int id) {
        RECT c = WindowRect(Control(id));
        ::OffsetRect(&c, -r.left, -r.top);
        return c;
    };
    EXPECT_EQ(at(IDC_COMMAND4).left, 0);
    EXPECT_EQ(at(IDC_COMMAND4).top, 14);
    EXPECT_EQ(at(IDC_COMMAND2).left, 48);
    EXPECT_EQ(at(IDC_COMMAND3).left, 97);
    EXPECT_EQ(at(IDC_COMMAND3).right, kWidth);
    EXPECT_EQ(Height(at(IDC_COMMAND4)), 17);
    EXPECT_EQ(at(IDC_LABEL4).top, 31);
    EXPECT_EQ(Height(at(IDC_LABEL4)), 13);
    EXPECT_EQ(at(IDC_PICTURE1).top, 44);
    EXPECT_EQ(Width(at(IDC_PICTURE1)), 144);
    EXPECT_EQ(Height(at(IDC_PICTURE1)), 27);
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_LABEL4)));
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_PICTURE1)));
    // "0%" centred on 1000 twips (67 pixels), at the top, whole.
    EXPECT_EQ(WindowText(Control(IDC_LABEL1)), L"0%");
    EXPECT_NEAR((at(IDC_LABEL1).left + at(IDC_LABEL1).right) / 2.0, 67, 1);
    EXPECT_EQ(at(IDC_LABEL1).top, 0);
    EXPECT_EQ(WindowText(Control(IDC_COMMAND4)), L"Pause");

    // The logo is painted: its area is not the light grey of the form.
    int coloured = 0;
    const auto logoPainted = [&] {
        const WindowDc screen(nullptr);
        coloured = 0;
        for (int x = 4; x < 140; x += 8) {
            if (::GetPixel(screen.get(), r.left + x, r.top + 52) != RGB(192, 192, 192)) ++coloured;
        }
        return coloured > 10;
    };
    Eventually(logoPainted, 3s);
    EXPECT_GT(coloured, 10);
    SaveScreenshot(ShotPath(L"launcher-full"), r);
}

TEST_F(LauncherExeTest, LayoutFollowsTheDisplaysDpi) {
    SetMisc(L"initTimeDelay", L"300");
    const DisplayDpi dpi(144);  // 150 %: 10 twips to the pixel
    StartLauncher();
    const RECT r = WindowRect(form_);
    EXPECT_EQ(Width(r), 218);   // 2175 twips
    EXPECT_EQ(Height(r), 106);  // 1060 twips: the text's line is 190 twips
    // 422.5 pixels from the left, rounded: the right edge a pixel past the middle.
    EXPECT_NEAR(r.right, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    // The logo from 655 to 1060 twips: its edges are converted, not its size, so it ends flush
    // with the window.
    const RECT logo = WindowRect(Control(IDC_PICTURE1));
    EXPECT_EQ(Width(logo), 216);
    EXPECT_EQ(logo.top - r.top, 66);
    EXPECT_EQ(logo.bottom, r.bottom);
    WaitForSteadyScreen(r, 3s);
    SaveScreenshot(ShotPath(L"launcher-150-percent"), r);
}

TEST_F(LauncherExeTest, NoDetailsAndNoLogoGiveTheShortWindow) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"Details", L"False");
    SetMisc(L"V", L"1");
    StartLauncher();
    EXPECT_EQ(Height(WindowRect(form_)), 31);  // 465 twips: just below the buttons
    EXPECT_FALSE(::IsWindowVisible(Control(IDC_LABEL4)));
    EXPECT_FALSE(::IsWindowVisible(Control(IDC_PICTURE1)));
    EXPECT_EQ(Misc(L"V"), L"True");
    WaitForSteadyScreen(WindowRect(form_), 3s);
    SaveScreenshot(ShotPath(L"launcher-short"), WindowRect(form_));
}

TEST_F(LauncherExeTest, SavedPositionIsUsed) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"X", L"1500");
    SetMisc(L"Y", L"3000");
    StartLauncher();
    const RECT r = WindowRect(form_);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 200);
}

TEST_F(LauncherExeTest, MinusOneInEitherCoordinateMeansTheComputedPosition) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"X", L"1500");
    SetMisc(L"Y", L"-1");
    StartLauncher();
    EXPECT_EQ(WindowRect(form_).right, ::GetSystemMetrics(SM_CXSCREEN) / 2);
}

TEST_F(LauncherExeTest, SavedPositionOffEveryMonitorIsNotUsed) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"X", L"60000");  // 4000 pixels: a monitor that is not there any more
    SetMisc(L"Y", L"300");
    StartLauncher();
    const RECT r = WindowRect(form_);
    EXPECT_EQ(r.right, ::GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(r.top, 0);
}

TEST_F(LauncherExeTest, VisibleZeroRunsTheSequenceWithoutAWindow) {
    SetMisc(L"Visible", L"0");
    Hold(HKEY_CURRENT_USER, L"Hidden", Sample(L"Hidden"));
    StartLauncher(false);
    bool everShown = false;
    const auto exit = [&] {
        everShown = everShown || ::IsWindowVisible(form_);
        return !launcher_->Running();
    };
    ASSERT_TRUE(Eventually(exit, 15s));
    EXPECT_FALSE(everShown);
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_EQ(Misc(L"Visible"), L"0");
}

TEST_F(LauncherExeTest, ShiftHeldEndsTheLauncherBeforeItTouchesAnything) {
    Hold(HKEY_CURRENT_USER, L"Held", Sample(L"Held"));
    ::keybd_event(VK_SHIFT, 0, 0, 0);
    launcher_.emplace(program_.Path() / L"Tarnwick.exe");
    const auto code = launcher_->Wait(10s);
    ::keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kMiscSection)));
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Held", L""), Sample(L"Held"));
    EXPECT_TRUE(Starts().empty());
}

TEST_F(LauncherExeTest, ShiftPressedAndReleasedBeforeTheStartDoesNotSkip) {
    ::keybd_event(VK_SHIFT, 0, 0, 0);
    ::keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    SetMisc(L"initTimeDelay", L"300");
    StartLauncher();
    EXPECT_TRUE(launcher_->Running());
}

TEST_F(LauncherExeTest, ASecondLauncherEndsAtOnceAndStartsNothing) {
    Hold(HKEY_CURRENT_USER, L"Once", Sample(L"Once"));
    StartLauncher();
    Child second(program_.Path() / L"Tarnwick.exe");
    const auto code = second.Wait(5s);
    ASSERT_TRUE(code) << "the second launcher is still running";
    EXPECT_EQ(*code, 0u);
    ASSERT_TRUE(launcher_->Wait(15s));
    EXPECT_TRUE(Eventually([&] { return !Starts().empty(); }, 3s));
    EXPECT_EQ(Starts().size(), 1u);
}

// ---- buttons

TEST_F(LauncherExeTest, PauseDuringTheInitialDelayHoldsEverythingAndResumeStartsThePace) {
    Hold(HKEY_CURRENT_USER, L"First", Sample(L"First"));
    StartLauncher();
    const HWND pause = Control(IDC_COMMAND4);
    const LRESULT pauseFace = ::SendMessageW(pause, BM_GETIMAGE, IMAGE_ICON, 0);
    ::SendMessageW(pause, BM_CLICK, 0, 0);
    EXPECT_EQ(WindowText(pause), L"Resume");
    EXPECT_NE(::SendMessageW(pause, BM_GETIMAGE, IMAGE_ICON, 0), pauseFace);
    // The time is the point: unpaused, the first program would have started within these 3 s.
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(Starts().empty());
    EXPECT_TRUE(launcher_->Running());
    const long long resumedAt = NowTicks();
    ::SendMessageW(pause, BM_CLICK, 0, 0);
    EXPECT_EQ(::SendMessageW(pause, BM_GETIMAGE, IMAGE_ICON, 0), pauseFace);
    ASSERT_TRUE(launcher_->Wait(10s));
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 1u);
    // One program delay (1 s) after the resume.
    EXPECT_NEAR(MsBetween(resumedAt, starts[0].created), 1000, 300);
}

TEST_F(LauncherExeTest, FastForwardStartsTheRestAtOnce) {
    SetMisc(L"TimeDelay", L"100");
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"})
        Hold(HKEY_CURRENT_USER, name, Sample(name));
    StartLauncher();
    const long long clickedAt = NowTicks();
    ::SendMessageW(Control(IDC_COMMAND2), BM_CLICK, 0, 0);
    ASSERT_TRUE(launcher_->Wait(10s));
    // The last ones note their start a moment after the launcher has gone.
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 4; }, 5s));
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_LT(MsBetween(clickedAt, starts.back().created), 1500);
}

TEST_F(LauncherExeTest, StopHidesTheWindowAndEndsWithoutStartingAnything) {
    Hold(HKEY_CURRENT_USER, L"Never", Sample(L"Never"));
    StartLauncher();
    ::SendMessageW(Control(IDC_COMMAND3), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(form_));
    ASSERT_TRUE(launcher_->Wait(2s));
    // The launcher has ended: a program it started has noted its start once it has ended too.
    Eventually([&] { return ProcessesStartedBy(launcher_->Id()).empty(); }, 5s);
    EXPECT_TRUE(Starts().empty());
}

// ---- messages from other programs

TEST_F(LauncherExeTest, TimerMessagesOfTimersItDoesNotHaveAreIgnored) {
    for (const wchar_t* name : {L"A", L"B"}) Hold(HKEY_CURRENT_USER, name, Sample(name));
    StartLauncher();
    // Any program on the desktop can post these.
    for (int round = 0; round < 20; ++round) {
        for (const WPARAM id : {WPARAM{0}, WPARAM{2}, WPARAM{7}, WPARAM{0x7FFF}, ~WPARAM{0}}) {
            ::PostMessageW(form_, WM_TIMER, id, 0);
        }
        std::this_thread::sleep_for(20ms);  // spread over the first ticks of the sequence
    }
    const auto code = launcher_->Wait(10s);
    ASSERT_TRUE(code) << "the launcher did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 2; }, 5s));
    EXPECT_EQ(Starts().size(), 2u);
}

TEST_F(LauncherExeTest, MessagesWithForgedParametersChangeNothing) {
    SetMisc(L"initTimeDelay", L"300");
    StartLauncher();
    const RECT before = WindowRect(form_);
    // A DPI change the window did not undergo, whose suggested rectangle points nowhere: posted,
    // and sent (Wine passes the pointer on as it is); and sent for the window's own DPI with a
    // rectangle elsewhere on the screen.
    ::PostMessageW(form_, WM_DPICHANGED, MAKEWPARAM(192, 192), 0x10);
    const UINT dpi = ::GetDpiForWindow(form_);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(form_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0x10, SMTO_ABORTIFHUNG, 5000,
                          &result);
    RECT elsewhere{0, 0, 300, 300};
    ::SendMessageTimeoutW(form_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                          reinterpret_cast<LPARAM>(&elsewhere), SMTO_ABORTIFHUNG, 5000, &result);
    // A creation message for a window that exists, naming an object that does not.
    CREATESTRUCTW create{};
    create.lpCreateParams = reinterpret_cast<void*>(0x10);
    ::SendMessageTimeoutW(form_, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create),
                          SMTO_ABORTIFHUNG, 5000, &result);
    // Answered once what came before is handled; a launcher that met a fault answers nothing.
    ASSERT_TRUE(::SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
        << "the launcher no longer answers";
    const RECT after = WindowRect(form_);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(Width(after), kWidth);
    EXPECT_EQ(Height(after), kFullHeight);
    // The buttons still reach the launcher.
    ::PostMessageW(Control(IDC_COMMAND3), BM_CLICK, 0, 0);
    const auto code = launcher_->Wait(5s);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
}

// ---- the mouse

class LauncherMouseTest : public LauncherFixture {
  protected:
    void TearDown() override {
        MouseButton(MOUSEEVENTF_LEFTUP);
        MouseButton(MOUSEEVENTF_RIGHTUP);
        MoveMouse(1200, 1000);  // away from the launcher's corner
        LauncherFixture::TearDown();
    }
    // Moves the pointer to (x, y) in a few steps, as a hand does.
    static void Glide(POINT from, POINT to, int steps = 8) {
        for (int i = 1; i <= steps; ++i) {
            MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
            // A hand's pace, not a wait for the program: the launcher sees one move at a time.
            std::this_thread::sleep_for(30ms);
        }
    }
    POINT Label1Centre() const {
        const RECT l = WindowRect(Control(IDC_LABEL1));
        return {(l.left + l.right) / 2, l.top + 4};
    }
    // On the "Loading" line, which lies under the drag label.
    POINT OnDragLabel() const {
        const RECT r = WindowRect(form_);
        return {r.left + 70, r.top + 33};
    }
};

TEST_F(LauncherMouseTest, LeftReleaseOnThePercentageFastForwards) {
    SetMisc(L"TimeDelay", L"100");
    for (const wchar_t* name : {L"A", L"B"}) Hold(HKEY_CURRENT_USER, name, Sample(name));
    StartLauncher();
    const POINT p = Label1Centre();
    MoveMouse(p.x, p.y);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(launcher_->Wait(5s));
    EXPECT_TRUE(Eventually([&] { return Starts().size() == 2; }, 5s));
}

TEST_F(LauncherMouseTest, RightReleaseOnThePercentageQuitsAtOnce) {
    Hold(HKEY_CURRENT_USER, L"Never", Sample(L"Never"));
    StartLauncher();
    const POINT p = Label1Centre();
    MoveMouse(p.x, p.y);
    MouseButton(MOUSEEVENTF_RIGHTDOWN);
    MouseButton(MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(launcher_->Wait(2s));
    Eventually([&] { return ProcessesStartedBy(launcher_->Id()).empty(); }, 5s);
    EXPECT_TRUE(Starts().empty());
    EXPECT_FALSE(ReadLastLogOn(SystemOs()).has_value()) << "a log-on cut short leaves no record";
}

TEST_F(LauncherMouseTest, EveryButtonLetGoOnThePercentageReleasesThePointer) {
    Hold(HKEY_CURRENT_USER, L"Never", Sample(L"Never"));
    StartLauncher();
    const POINT p = Label1Centre();
    MoveMouse(p.x, p.y);
    // Whichever window holds the pointer captured: it takes every click, wherever it is.
    const auto captured = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(form_, nullptr), &info);
        return info.hwndCapture;
    };
    const auto released = [&] { return captured() == nullptr; };
    MouseButton(MOUSEEVENTF_MIDDLEDOWN);
    ASSERT_TRUE(Eventually([&] { return captured() == Control(IDC_LABEL1); }, 2s));
    MouseButton(MOUSEEVENTF_MIDDLEUP);
    EXPECT_TRUE(Eventually(released, 2s)) << "the middle button left the pointer captured";
    for (const DWORD x : {XBUTTON1, XBUTTON2}) {
        MouseButton(MOUSEEVENTF_XDOWN, x);
        MouseButton(MOUSEEVENTF_XUP, x);
    }
    EXPECT_TRUE(Eventually(released, 2s)) << "an X button left the pointer captured";
    EXPECT_TRUE(launcher_->Running());

    // So a left click on Stop is a click on Stop, not a fast-forward on the percentage.
    const RECT stop = WindowRect(Control(IDC_COMMAND3));
    MoveMouse((stop.left + stop.right) / 2, (stop.top + stop.bottom) / 2);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(launcher_->Wait(5s));
    Eventually([&] { return ProcessesStartedBy(launcher_->Id()).empty(); }, 5s);
    EXPECT_TRUE(Starts().empty());
}

TEST_F(LauncherMouseTest, DraggingTheDragLabelStopsAtTheTopLeftCorner) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"X", L"3000");
    SetMisc(L"Y", L"1500");
    StartLauncher();
    const RECT before = WindowRect(form_);
    ASSERT_EQ(before.left, 200);
    const POINT grab = OnDragLabel();
    MoveMouse(grab.x, grab.y);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    Glide(grab, {grab.x + 60, grab.y + 40});
    const RECT moved = WindowRect(form_);
    EXPECT_EQ(moved.left, before.left + 60);
    EXPECT_EQ(moved.top, before.top + 40);
    Glide({grab.x + 60, grab.y + 40}, {5, 5}, 12);
    MouseButton(MOUSEEVENTF_LEFTUP);
    Eventually(
        [&] {
            const RECT at = WindowRect(form_);
            return at.left == 0 && at.top == 0 && Misc(L"X") == L"0" && Misc(L"Y") == L"0";
        },
        2s);
    const RECT after = WindowRect(form_);
    EXPECT_EQ(after.left, 0);
    EXPECT_EQ(after.top, 0);
    EXPECT_EQ(Width(after), kWidth);
    EXPECT_EQ(Height(after), kFullHeight);
    EXPECT_EQ(Misc(L"X"), L"0");
    EXPECT_EQ(Misc(L"Y"), L"0");
}

TEST_F(LauncherMouseTest, DraggingThePercentageCanTakeTheWindowOffTheScreen) {
    SetMisc(L"initTimeDelay", L"300");
    SetMisc(L"X", L"1500");
    SetMisc(L"Y", L"1500");
    StartLauncher();
    const POINT grab = Label1Centre();
    MoveMouse(grab.x, grab.y);
    MouseButton(MOUSEEVENTF_RIGHTDOWN);  // a press on the label starts the drag as well
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    Glide(grab, {grab.x - 150, grab.y - 20}, 10);
    const RECT r = WindowRect(form_);
    EXPECT_EQ(r.left, 100 - 150);
    EXPECT_EQ(r.top, 100 - 20);
    // Letting go of the left button over the percentage is a fast-forward: with nothing to
    // start, the launcher ends.
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(launcher_->Wait(3s));
}

TEST_F(LauncherMouseTest, MovingOverTheDragLabelWritesThePosition) {
    SetMisc(L"initTimeDelay", L"300");
    StartLauncher();
    EXPECT_EQ(Misc(L"X"), L"<none>");
    const POINT p = OnDragLabel();
    MoveMouse(p.x, p.y);
    MoveMouse(p.x + 3, p.y);
    const RECT r = WindowRect(form_);
    EXPECT_TRUE(Eventually([&] { return Misc(L"X") != L"<none>"; }, 2s));
    EXPECT_EQ(Misc(L"X"), std::to_wstring(r.left * 15));
    EXPECT_EQ(Misc(L"Y"), L"0");
}

TEST_F(LauncherMouseTest, AutoHideCollapsesAfterSixSecondsAndMovementExpands) {
    SetMisc(L"initTimeDelay", L"600");
    SetMisc(L"AutoHide", L"True");
    MoveMouse(1200, 1000);
    StartLauncher();
    const auto startedAt = Clock::now();
    EXPECT_EQ(Height(WindowRect(form_)), kFullHeight);
    ASSERT_TRUE(Eventually([&] { return Height(WindowRect(form_)) == kCollapsedHeight; }, 9s));
    const double after = std::chrono::duration<double>(Clock::now() - startedAt).count();
    EXPECT_NEAR(after, 6.0, 0.7);
    EXPECT_EQ(Width(WindowRect(form_)), kWidth);
    WaitForSteadyScreen(WindowRect(form_), 2s);
    SaveScreenshot(ShotPath(L"launcher-collapsed"), WindowRect(form_));

    const RECT r = WindowRect(form_);
    MoveMouse(r.left + 120, r.top + 4);
    MoveMouse(r.left + 122, r.top + 5);
    ASSERT_TRUE(Eventually([&] { return Height(WindowRect(form_)) == kFullHeight; }, 2s));
    WaitForSteadyScreen(WindowRect(form_), 2s);
    SaveScreenshot(ShotPath(L"launcher-expanded"), WindowRect(form_));
    // The six seconds start again from the movement.
    MoveMouse(1200, 1000);
    const auto movedAt = Clock::now();
    ASSERT_TRUE(Eventually([&] { return Height(WindowRect(form_)) == kCollapsedHeight; }, 9s));
    EXPECT_NEAR(std::chrono::duration<double>(Clock::now() - movedAt).count(), 6.0, 0.7);
}

TEST_F(LauncherMouseTest, WithoutAutoHideTheWindowKeepsItsHeight) {
    SetMisc(L"initTimeDelay", L"600");
    MoveMouse(1200, 1000);
    StartLauncher();
    // The time is the point: with auto-hide the window would have collapsed after 6 s.
    std::this_thread::sleep_for(7s);
    EXPECT_EQ(Height(WindowRect(form_)), kFullHeight);
    const POINT p = OnDragLabel();
    MoveMouse(p.x, p.y);
    MoveMouse(p.x + 3, p.y);
    // The launcher has handled the movement once it has stored the position it brought.
    Eventually([&] { return Misc(L"X") != L"<none>"; }, 2s);
    EXPECT_EQ(Height(WindowRect(form_)), kFullHeight);
}

// ---- the marquee

TEST_F(LauncherExeTest, OneCharacterNameRotatesOneCharacterEveryTick) {
    SetMisc(L"initTimeDelay", L"600");
    Hold(HKEY_CURRENT_USER, L"Q", Sample(L"Q"));
    StartLauncher();
    const std::wstring line = L"  Loading: Q.....        ";
    const auto rotated = [&](const std::wstring& text) {
        return text.size() == line.size() && (line + line).find(text) != std::wstring::npos;
    };
    std::vector<std::pair<Clock::time_point, std::wstring>> seen;
    const auto end = Clock::now() + 1500ms;
    while (Clock::now() < end) {
        const std::wstring text = WindowText(Control(IDC_LABEL4));
        if (seen.empty() || seen.back().second != text) seen.emplace_back(Clock::now(), text);
        // Sampling the line for 1.5 s, well below the marquee's 200 ms tick.
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(seen.size(), 5u);
    for (size_t i = 1; i < seen.size(); ++i) {
        const std::wstring& before = seen[i - 1].second;
        const std::wstring& now = seen[i].second;
        EXPECT_TRUE(rotated(now)) << now.c_str();
        if (!before.empty()) {
            EXPECT_EQ(now, before.substr(1) + before.front());
        }
    }
    const double span = std::chrono::duration<double>(seen.back().first - seen[1].first).count();
    EXPECT_NEAR(span / static_cast<double>(seen.size() - 2), 0.2, 0.05);
}

// ---- failed starts

TEST_F(LauncherExeTest, ErrorBoxHoldsTheSequenceUntilItIsClosed) {
    // A folder is no program: CreateProcess refuses it with an error other than "not found".
    std::filesystem::create_directories(work_.Path() / L"NotAProgram");
    Hold(HKEY_LOCAL_MACHINE, L"A1", L"\"" + (work_.Path() / L"NotAProgram").wstring() + L"\"");
    Hold(HKEY_LOCAL_MACHINE, L"B2", Sample(L"B2"));
    Hold(HKEY_LOCAL_MACHINE, L"C3", Sample(L"C3"));
    StartLauncher();
    HWND box = nullptr;
    // The box is found as soon as it exists; its texts are set a moment later.
    ASSERT_TRUE(Eventually(
        [&] {
            box = FindProcessWindow(launcher_->Id(), L"#32770", true);
            return box && !WindowText(box).empty();
        },
        5s));
    EXPECT_EQ(WindowText(box),
              L"Error, please inform Mereval Software at, " + std::wstring(kMakerWebAddress));
    const std::wstring message = WindowText(::GetDlgItem(box, 0xFFFF));
    EXPECT_TRUE(message.starts_with(L"There was an error:")) << message.c_str();
    EXPECT_GT(message.size(), 20u);

    // Five program delays with the box open: nothing starts and no second box comes. The time is
    // the point.
    std::this_thread::sleep_for(5s);
    EXPECT_TRUE(Starts().empty());
    EXPECT_EQ(VisibleWindowsOfClass(L"#32770"), 1);
    const long long closedAt = NowTicks();
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(launcher_->Wait(10s));
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].name, L"B2");
    EXPECT_LT(MsBetween(closedAt, starts[0].created), 1300);
    // The starts keep their slots one delay apart: a first start that a busy machine made late
    // comes closer to the next one, never further from it.
    const double gap = MsBetween(starts[0].created, starts[1].created);
    EXPECT_GT(gap, 1000 - 400);
    EXPECT_LT(gap, 1000 + 150);
    // An error other than a missing program leaves the entry where it is.
    EXPECT_NE(StoreRead(SystemOs(), kMachineSection, L"A1", L""), L"");
}

TEST_F(LauncherExeTest, MissingProgramIsRemovedQuietlyAndThePaceHolds) {
    const std::wstring ghost = L"\"" + (work_.Path() / L"gone" / L"ghost.exe").wstring() + L"\" -x";
    Hold(HKEY_CURRENT_USER, L"Ghost", ghost);
    Hold(HKEY_CURRENT_USER, L"Real", Sample(L"Real"));
    StoreWrite(SystemOs(), kPrioritySection, L"Ghost", L"0");
    StoreWrite(SystemOs(), kPrioritySection, L"Real", L"1");
    StartLauncher();
    ASSERT_TRUE(launcher_->Wait(10s));
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Ghost", L"<gone>"), L"<gone>");
    EXPECT_EQ(StoreRead(SystemOs(), kPrioritySection, L"Ghost", L"<gone>"), L"<gone>");
    EXPECT_EQ(StoreRead(SystemOs(), kPrioritySection, L"Real", L""), L"1");
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 1u);
    // The ghost had the slot at 2 s; Real keeps its own at 3 s.
    EXPECT_NEAR(MsBetween(readyAt_, starts[0].created), 3000, 250);
}

TEST_F(LauncherExeTest, OddCommandsStartAndABrokenShortcutHoldsNothingUp) {
    namespace fs = std::filesystem;
    // Unquoted, after spaces, as some installers write it.
    const fs::path tools = work_.Path() / L"Tools";
    fs::create_directories(tools);
    fs::copy_file(SampleExe(), tools / L"sync.exe");
    const std::wstring sync =
        (tools / L"sync.exe").wstring() + L" Spaced \"" + logs_.wstring() + L"\" --hidden";
    const std::wstring spaced = L"   " + sync;
    // A program whose last argument is a shortcut.
    const std::wstring notes = Sample(L"Notes", L"--hidden C:\\docs\\Notes.lnk");
    // A held shortcut whose program has since been removed.
    const fs::path gone = work_.Path() / L"Mail" / L"mail.exe";
    fs::create_directories(gone.parent_path());
    fs::copy_file(SampleExe(), gone);
    const fs::path held = program_.Path() / L"Mail Notifier.lnk";
    MakeShortcut(held, gone, L"Mail \"" + logs_.wstring() + L"\" --hidden");
    fs::remove_all(gone.parent_path());
    ASSERT_TRUE(fs::exists(held));

    StoreWrite(SystemOs(), kUserSection, L"Spaced", spaced);
    StoreWrite(SystemOs(), kUserSection, L"Notes", notes);
    StoreWrite(SystemOs(), kUserSection, L"Last", Sample(L"Last"));
    StoreWrite(SystemOs(), kPrioritySection, L"Spaced", L"0");
    StoreWrite(SystemOs(), kPrioritySection, L"Notes", L"1");
    StoreWrite(SystemOs(), kPrioritySection, L"Mail Notifier", L"2");
    StoreWrite(SystemOs(), kPrioritySection, L"Last", L"3");

    StartLauncher();
    int mostBoxes = 0;
    const auto lastStarted = [&] {
        mostBoxes = std::max(mostBoxes, VisibleWindowsOfClass(L"#32770"));
        const auto starts = Starts();
        return std::any_of(starts.begin(), starts.end(),
                           [](const SampleStart& s) { return s.name == L"Last"; });
    };
    ASSERT_TRUE(Eventually(lastStarted, 15s)) << "boxes seen: " << mostBoxes;
    EXPECT_EQ(mostBoxes, 0) << "the shell showed a box of its own";

    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].name, L"Spaced");
    EXPECT_EQ(starts[0].commandLine, sync);
    EXPECT_EQ(starts[1].name, L"Notes");
    EXPECT_EQ(starts[1].commandLine, notes);
    EXPECT_EQ(starts[2].name, L"Last");
    // Slots at 2, 3, 4 and 5 s: the broken shortcut at 4 s held nothing up.
    EXPECT_LT(MsBetween(readyAt_, starts[2].created), 5000 + 1000);

    // Nothing that exists was taken for missing.
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Spaced", L"<gone>"), spaced);
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Notes", L"<gone>"), notes);
    EXPECT_EQ(StoreRead(SystemOs(), kPrioritySection, L"Spaced", L"<gone>"), L"0");
    EXPECT_TRUE(fs::exists(held));
}

}  // namespace
}  // namespace tarnwick::testing

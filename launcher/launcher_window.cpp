// The launcher window: its making and start-up, the sequencer's view of it (timers, progress,
// pause), the mouse on its face and its window procedure. Its layout and the resources that follow
// the DPI are in launcher_layout.cpp, its painting in launcher_paint.cpp.
#include "launcher_window.h"

#include "accessibility.h"
#include "resource.h"
#include "options.h"
#include "settings_store.h"

#include <charconv>
#include <random>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

constexpr unsigned kAutoHideMs = 6000;
constexpr unsigned kColourMs = 150;

Micros Now() {
    static const long long frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    const long long c = counter.QuadPart;
    return Micros{c / frequency * 1'000'000 + c % frequency * 1'000'000 / frequency};
}

// Shortest text that reads back as the same single-precision number ("7425", "1234.5").
std::wstring FormatSingle(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return std::wstring(buffer, result.ptr);
}

double RandomUnit() {
    static std::minstd_rand engine(static_cast<unsigned>(Now().count()));
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

}  // namespace

namespace launcher {

Form1::Form1(HINSTANCE instance, ProgramWatch& watch, ULONGLONG originTick)
    : instance_(instance),
      watch_(watch),
      origin_(originTick),
      ctx_{SystemOs(), ProgramFolder(), nullptr},
      colours_(RandomUnit) {}

Form1::~Form1() {
    // While the form is whole: its window's last messages still reach it.
    if (hwnd()) ::DestroyWindow(hwnd());
}

bool Form1::Create() {
    if (!RegisterWindowClass(instance_, kLauncherWindowClass) ||
        !PictureButton::Register(instance_) || !FormLabel::Register(instance_)) {
        return false;
    }

    // Top-most from the start, kept out of the taskbar, shown only once it is laid out.
    if (!MakeWindow(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kLauncherWindowClass, kLauncherWindowTitle,
                    WS_POPUP | WS_CLIPCHILDREN, nullptr, 0, instance_)) {
        return false;
    }
    ctx_.owner = hwnd();
    dpi_ = ::GetDpiForWindow(hwnd());
    highContrast_ = ui::HighContrastOn();
    SetTimer(TimerId::Timer5, kMarqueeMs);
    SetTimer(TimerId::Timer6, kColourMs);

    std::optional<LauncherOptions> options = StartUpOptions(ctx_.os, ::GetAsyncKeyState(VK_SHIFT));
    if (!options) return false;
    options_ = std::move(*options);

    // The window is laid out from the options alone, so it is shown, and painted, before the
    // capture: the user sees at once that the log-on is in hand. The marquee's text, the one
    // thing that needs the launch list, appears only with the marquee's first tick anyway.
    LoadDpiResources();
    LayOut();
    barWidth_ = layout_.shape1.width;
    CreateControls();
    ApplyLayout();
    const double screenWidth = PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN), dpi_);
    const TwipsPoint computed = ComputedPosition(screenWidth, layout_.width);
    // A saved position on a monitor that is gone would leave the buttons out of reach.
    const auto reachable = [this](TwipsPoint p) {
        const RECT band{Px(p.x), Px(p.y), Px(p.x + layout_.width),
                        Px(p.y + layout_.command4.top + layout_.command4.height)};
        return ::MonitorFromRect(&band, MONITOR_DEFAULTTONULL) != nullptr;
    };
    const TwipsPoint at = ChoosePosition(computed, SavedPosition(options_), reachable);
    const UINT show = ShowsWindow(options_.visible) ? SWP_SHOWWINDOW : 0;
    ::SetWindowPos(hwnd(), HWND_TOPMOST, Px(at.x), Px(at.y), Px(layout_.width),
                   Px(layout_.fullHeight), SWP_NOACTIVATE | show);
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

    list_ = LogOnList(ctx_);
    if (options_.waitIdle) load_.emplace(origin_);
    sequencer_.emplace(ctx_, list_, options_.delays, layout_.width, *this, ReadOwnWaits(ctx_.os),
                       &watch_, load_ ? &*load_ : nullptr);
    sequencer_->Begin();
    if (options_.autoHide) SetTimer(TimerId::Timer4, kAutoHideMs);
    SyncTimers();
    return true;
}

std::vector<LoadSample> Form1::LoadSamples() const {
    return load_ ? load_->Samples() : std::vector<LoadSample>{};
}

// ---- sequencer view

void Form1::SetTimer(TimerId id, unsigned intervalMs) {
    schedule_.Set(id, intervalMs, Now());
}

unsigned Form1::TimeLeftMs(TimerId id) const {
    return schedule_.Due(id) ? schedule_.DelayMs(id, Now()) : 0;
}

void Form1::ShowProgress(double barWidth, const std::wstring& percent) {
    barWidth_ = barWidth;
    progressShown_ = true;
    // With more than a hundred entries the percentage stays for several starts.
    if (percent != percentText_) {
        percentText_ = percent;
        ::SetWindowTextW(label1_.hwnd(), percentText_.c_str());
    }
    PlaceLabel1();
    RECT bar{0, 0, Px(layout_.width), Px(layout_.shape1.height)};
    ::InvalidateRect(hwnd(), &bar, FALSE);
}

void Form1::SetMarqueeText(const std::wstring& text) {
    marquee_.SetText(text);
}

void Form1::ShowPaused(bool paused) {
    ::SetWindowTextW(command4_.hwnd(), paused ? L"Resume" : L"Pause");
    const HICON face = paused ? playIcon_.get() : pauseIcon_.get();
    ::SendMessageW(command4_.hwnd(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(face));
}

void Form1::Hide() {
    ::ShowWindow(hwnd(), SW_HIDE);
}

void Form1::End() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

void Form1::ShowError(const std::wstring& text, const std::wstring& title) {
    // The box runs its own message loop: the timers must be armed as they stand now.
    SyncTimers();
    ::MessageBoxW(hwnd(), text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

// ---- timers

void Form1::SyncTimers() {
    if (!hwnd()) return;
    const Micros now = Now();
    for (TimerId id : schedule_.TakeChanged()) {
        const auto win32 = static_cast<UINT_PTR>(id);
        if (schedule_.Interval(id) == 0) {
            ::KillTimer(hwnd(), win32);
        } else {
            ::SetTimer(hwnd(), win32, schedule_.DelayMs(id, now), nullptr);
        }
    }
}

void Form1::OnTimer(TimerId id) {
    const Micros now = Now();
    if (!schedule_.BeginTick(id, now)) {
        // Early, or left over from a timer that was stopped meanwhile.
        if (schedule_.Interval(id) == 0) {
            ::KillTimer(hwnd(), static_cast<UINT_PTR>(id));
        } else {
            ::SetTimer(hwnd(), static_cast<UINT_PTR>(id), schedule_.DelayMs(id, now), nullptr);
        }
        return;
    }
    switch (id) {
        case TimerId::Timer1:
            sequencer_->OnTimer1();
            break;
        case TimerId::Timer3:
            sequencer_->OnTimer3();
            break;
        case TimerId::Timer4:
            OnTimer4();
            break;
        case TimerId::Timer5:
            OnTimer5();
            break;
        case TimerId::Timer6:
            OnTimer6();
            break;
    }
    schedule_.EndTick();
    SyncTimers();
}

void Form1::OnTimer4() {
    if (!options_.autoHide) return;
    SetHeight(true);
    SetTimer(TimerId::Timer4, 0);
}

// ---- mouse

void Form1::Press(POINT pointer) {
    press_ = pointer;
}

void Form1::Drag(POINT pointer, bool keepOnScreen) {
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const POINT to = DragTo({window.left, window.top}, pointer, press_, keepOnScreen);
    if (to.x == window.left && to.y == window.top) return;
    ::SetWindowPos(hwnd(), nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::RefreshAutoHide() {
    if (!options_.autoHide) return;
    SetTimer(TimerId::Timer4, 0);
    SetTimer(TimerId::Timer4, kAutoHideMs);
    SetHeight(false);
    SyncTimers();
}

void Form1::SavePosition() {
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    WriteOptionText(ctx_.os, misc::kX, FormatSingle(PixelsToTwips(window.left, dpi_)));
    WriteOptionText(ctx_.os, misc::kY, FormatSingle(PixelsToTwips(window.top, dpi_)));
}

// ---- window procedure

LRESULT Form1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
    switch (msg) {
        case WM_TIMER:
            // Any program can post WM_TIMER: an id of no timer of the window's is no tick.
            if (const std::optional<TimerId> id = ToTimerId(wParam)) OnTimer(*id);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && sequencer_) OnCommand(LOWORD(wParam));
            return 0;
        // The form's whole face is the drag label: it covers the window edge to edge.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            Press(ui::PointFrom(lParam));
            ::SetCapture(hwnd());
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (!(wParam & kAnyButton)) ::ReleaseCapture();
            return 0;
        case WM_MOUSEMOVE:
            if (!sequencer_) return 0;
            if (wParam & MK_LBUTTON) Drag(ui::PointFrom(lParam), true);
            RefreshAutoHide();
            SavePosition();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const PaintDc paint(hwnd());
            PaintBackground(paint.get());
            return 0;
        }
        case WM_DPICHANGED:
            OnDpiChanged(wParam, lParam);
            return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast switched on or off, or other colours chosen.
            FollowSystemColours();
            return 0;
        case WM_NEXTDLGCTL:
            OnNextControl(wParam, lParam);
            return 0;
        case WM_DESTROY:
            for (TimerId id : kAllTimers) ::KillTimer(hwnd(), static_cast<UINT_PTR>(id));
            ::PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wParam, lParam);
    }
}

// IsDialogMessage's Tab and Shift+Tab: a plain window has no dialog manager to move the focus. A
// window named in the message (lParam set) gets the focus itself.
void Form1::OnNextControl(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam)) {
        const auto to = reinterpret_cast<HWND>(wParam);
        if (::IsChild(hwnd(), to)) ::SetFocus(to);
    } else {
        MoveFocus(wParam != 0);
    }
}

void Form1::MoveFocus(bool backwards) {
    // From the window itself (as a click leaves it) to the first or the last button.
    const HWND focus = ::GetFocus();
    const HWND from = ::IsChild(hwnd(), focus) ? focus : nullptr;
    if (const HWND next = ::GetNextDlgTabItem(hwnd(), from, backwards)) ::SetFocus(next);
}

void Form1::OnCommand(int id) {
    switch (id) {
        case IDCANCEL:
            // Esc, through IsDialogMessage: as the right button on the percentage does.
            PercentReleased(false);
            return;
        case IDC_COMMAND4:
            sequencer_->TogglePause();
            break;
        case IDC_COMMAND2:
            sequencer_->FastForward();
            break;
        case IDC_COMMAND3:
            sequencer_->Stop();
            break;
    }
    SyncTimers();
}

void Form1::PercentReleased(bool left) {
    if (left) {
        sequencer_->FastForward();
        SyncTimers();
    } else {
        quit_ = true;
        sequencer_->Quit();
    }
}

}  // namespace launcher
}  // namespace tarnwick

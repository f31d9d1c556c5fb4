#include "launcher_window.h"

#include "accessibility.h"
#include "resource.h"
#include "options.h"
#include "settings_store.h"

#include <algorithm>
#include <charconv>
#include <random>
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

// The picture's shape in one colour: each pixel of `icon` (`size` pixels square) in `colour`,
// as opaque as it was. High contrast wants the pictures in the button text's colour, and the
// icons' own dark blue would vanish on a black button face.
UniqueIcon InColour(HICON icon, int size, COLORREF colour) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {};
    const UniqueBitmap colours(info.hbmColor);
    const UniqueBitmap mask(info.hbmMask);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const auto count = static_cast<size_t>(size) * static_cast<size_t>(size);
    std::vector<DWORD> pixels(count);
    std::vector<DWORD> transparent(count);
    const WindowDc screen(nullptr);
    if (!colours ||
        !::GetDIBits(screen.get(), colours.get(), 0, size, pixels.data(), &format,
                     DIB_RGB_COLORS) ||
        !::GetDIBits(screen.get(), mask.get(), 0, size, transparent.data(), &format,
                     DIB_RGB_COLORS)) {
        return {};
    }
    // An icon without an alpha channel says by its mask alone which pixels it covers.
    const bool alpha = std::any_of(pixels.begin(), pixels.end(), [](DWORD p) { return p >> 24; });
    const DWORD rgb =
        (DWORD{GetRValue(colour)} << 16) | (DWORD{GetGValue(colour)} << 8) | GetBValue(colour);
    for (size_t i = 0; i < count; ++i) {
        const DWORD opacity = alpha ? pixels[i] >> 24 : (transparent[i] & 0xFFFFFF ? 0 : 255);
        pixels[i] = (opacity << 24) | rgb;
    }
    void* bits = nullptr;
    const UniqueBitmap shape(
        ::CreateDIBSection(screen.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!shape) return {};
    std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
    ICONINFO made{TRUE, 0, 0, mask.get(), shape.get()};
    return UniqueIcon(::CreateIconIndirect(&made));
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

void Form1::LoadDpiResources() {
    font_.reset(::CreateFontW(-::MulDiv(8, static_cast<int>(dpi_), 72), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                              L"MS Shell Dlg 2"));
    const int size = PictureButton::IconSize(dpi_);
    const auto icon = [&](int id) {
        UniqueIcon loaded(static_cast<HICON>(::LoadImageW(
            instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        if (!highContrast_) return loaded;
        UniqueIcon shape = InColour(loaded.get(), size, ::GetSysColor(COLOR_BTNTEXT));
        return shape ? std::move(shape) : std::move(loaded);
    };
    pauseIcon_ = icon(IDI_PAUSE);
    playIcon_ = icon(IDI_PLAY);
    fastForwardIcon_ = icon(IDI_FASTFORWARD);
    stopIcon_ = icon(IDI_STOP);
    if (!logo_) {
        logo_.reset(static_cast<HBITMAP>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_LOGO),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    }
    if (command4_.hwnd()) ShowFaces();
}

void Form1::LayOut() {
    // The rows of text are as tall as a line of the window's font at its DPI.
    TEXTMETRICW metrics{};
    {
        WindowDc dc(hwnd());
        const Selected font(dc.get(), font_.get());
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    layout_ =
        LayOutWindow(options_.details, options_.hideLogo, PixelsToTwips(metrics.tmHeight, dpi_));
}

void Form1::ShowFaces() {
    for (PictureButton* button : {&command4_, &command2_, &command3_})
        button->SetHighContrast(highContrast_);
    ShowPaused(sequencer_ && sequencer_->Paused());
    ::SendMessageW(command2_.hwnd(), BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(fastForwardIcon_.get()));
    ::SendMessageW(command3_.hwnd(), BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(stopIcon_.get()));
}

void Form1::CreateControls() {
    // Created from the top of the stacking order down: the buttons and the logo lie over the
    // labels, as windowed controls do; the form itself is the drag label under everything.
    command4_.Create(hwnd(), instance_, L"Pause", IDC_COMMAND4);
    command2_.Create(hwnd(), instance_, L"Fast forward", IDC_COMMAND2);
    command3_.Create(hwnd(), instance_, L"Stop", IDC_COMMAND3);
    picture1_.Create(hwnd(), instance_, L"", 0, IDC_PICTURE1);
    label1_.Create(hwnd(), instance_, percentText_.c_str(), WS_VISIBLE, IDC_LABEL1);
    label4_.Create(hwnd(), instance_, L"", 0, IDC_LABEL4);
    ShowFaces();
}

RECT Form1::ToPixels(const TwipsRect& r) const {
    // Edges are converted, not sizes, so neighbours meet without a gap.
    return {Px(r.left), Px(r.top), Px(r.left + r.width), Px(r.top + r.height)};
}

void Form1::ApplyLayout() {
    const auto place = [](HWND control, const RECT& r, bool visible) {
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    };
    place(command4_.hwnd(), ToPixels(layout_.command4), true);
    place(command2_.hwnd(), ToPixels(layout_.command2), true);
    place(command3_.hwnd(), ToPixels(layout_.command3), true);
    place(label4_.hwnd(), ToPixels(layout_.label4), layout_.label4Visible);
    place(picture1_.hwnd(), ToPixels(layout_.picture1), layout_.picture1Visible);
    PlaceLabel1();
    SetHeight(collapsed_);
}

void Form1::PlaceLabel1() {
    // The label sizes itself to its caption: centred on 1000 twips until the first start, then
    // over the filled part of the bar, whose row is as tall as the caption.
    SIZE size{};
    {
        WindowDc dc(label1_.hwnd());
        const Selected font(dc.get(), font_.get());
        ::GetTextExtentPoint32W(dc.get(), percentText_.c_str(),
                                static_cast<int>(percentText_.size()), &size);
    }
    const double width = PixelsToTwips(size.cx, dpi_);
    const double left =
        progressShown_ ? PercentLabelLeft(barWidth_, width) : PercentLabelStartLeft(width);
    ::SetWindowPos(label1_.hwnd(), nullptr, Px(left), 0, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(label1_.hwnd(), nullptr, FALSE);
}

void Form1::SetHeight(bool collapsed) {
    collapsed_ = collapsed;
    const int width = Px(layout_.width);
    const int height = Px(collapsed ? layout_.collapsedHeight : layout_.fullHeight);
    RECT now{};
    ::GetWindowRect(hwnd(), &now);
    if (now.right - now.left == width && now.bottom - now.top == height) return;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
        case WM_DPICHANGED: {
            // Any program can post this message, or send it, with any rectangle: one is read only
            // where it lies on this thread's stack, and the window moves only once its DPI did
            // change.
            const RECT* suggested = ui::SuggestedRect(hwnd(), wParam, lParam);
            const UINT dpi = ::GetDpiForWindow(hwnd());
            if (!suggested || dpi == dpi_) return 0;
            dpi_ = dpi;
            ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (sequencer_) {
                LoadDpiResources();
                LayOut();
                ApplyLayout();
            }
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        }
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast switched on or off, or other colours chosen.
            FollowSystemColours();
            return 0;
        case WM_NEXTDLGCTL:
            // IsDialogMessage's Tab and Shift+Tab: a plain window has no dialog manager to move
            // the focus. A window named in the message (lParam set) gets the focus itself.
            if (LOWORD(lParam)) {
                const auto to = reinterpret_cast<HWND>(wParam);
                if (::IsChild(hwnd(), to)) ::SetFocus(to);
            } else {
                MoveFocus(wParam != 0);
            }
            return 0;
        case WM_DESTROY:
            for (TimerId id : kAllTimers) ::KillTimer(hwnd(), static_cast<UINT_PTR>(id));
            ::PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wParam, lParam);
    }
}

void Form1::MoveFocus(bool backwards) {
    // From the window itself (as a click leaves it) to the first or the last button.
    const HWND focus = ::GetFocus();
    const HWND from = ::IsChild(hwnd(), focus) ? focus : nullptr;
    if (const HWND next = ::GetNextDlgTabItem(hwnd(), from, backwards)) ::SetFocus(next);
}

void Form1::FollowSystemColours() {
    highContrast_ = ui::HighContrastOn();
    if (sequencer_) LoadDpiResources();
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
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

#include "launcher_window.h"

#include "resource.h"
#include "settings_store.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <charconv>
#include <random>
#include <utility>

namespace tarnwick {
namespace {

constexpr wchar_t kControlClass[] = L"TarnwickControl";
constexpr COLORREF kDesignBarColour = RGB(128, 128, 255);
constexpr COLORREF kMarqueeText = RGB(0, 255, 0);
constexpr COLORREF kMarqueeBack = RGB(0, 0, 0);
constexpr unsigned kAutoHideMs = 6000;
constexpr unsigned kMarqueeMs = 200;
constexpr unsigned kColourMs = 150;
constexpr int kIconSize = 16;
constexpr int kLogoWidth = 144;  // pixels of the bitmap: 2160 x 405 twips at 96 DPI
constexpr int kLogoHeight = 27;

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

POINT PointFrom(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

double RandomUnit() {
    static std::minstd_rand engine(static_cast<unsigned>(Now().count()));
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

// A memory DC with one object selected into it, put back before the DC goes.
class MemoryDc {
  public:
    MemoryDc(HDC like, HGDIOBJ object)
        : dc_(::CreateCompatibleDC(like)), old_(::SelectObject(dc_, object)) {}
    ~MemoryDc() {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// A GDI object selected into a DC for one scope.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~Selected() { ::SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

class ThemeHandle {
  public:
    explicit ThemeHandle(HTHEME theme) : theme_(theme) {}
    ~ThemeHandle() {
        if (theme_) ::CloseThemeData(theme_);
    }
    ThemeHandle(const ThemeHandle&) = delete;
    ThemeHandle& operator=(const ThemeHandle&) = delete;
    HTHEME get() const { return theme_; }

  private:
    HTHEME theme_;
};

class PaintScope {
  public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { ::BeginPaint(hwnd_, &ps_); }
    ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return ps_.hdc; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// No exception may cross into the system's code that called a window procedure. Only a failed
// allocation can throw here; a launcher that cannot go on ends.
template <typename Handler>
LRESULT Guarded(Handler&& handler) {
    try {
        return handler();
    } catch (...) {
        ::PostQuitMessage(1);
        return 0;
    }
}

}  // namespace

Form1::Form1(HINSTANCE instance)
    : instance_(instance), ctx_{SystemOs(), ProgramFolder(), nullptr}, colours_(RandomUnit) {}

Form1::~Form1() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool Form1::Create() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = WindowProc;
    form.hInstance = instance_;
    form.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    form.lpszClassName = kLauncherWindowClass;
    WNDCLASSEXW control = form;
    control.lpfnWndProc = ControlProc;
    control.lpszClassName = kControlClass;
    if (!::RegisterClassExW(&form) || !::RegisterClassExW(&control)) return false;

    // Top-most from the start, kept out of the taskbar, shown only once it is laid out.
    if (!::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kLauncherWindowClass,
                           kLauncherWindowTitle, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr,
                           nullptr, instance_, this)) {
        return false;
    }
    ctx_.owner = hwnd_;
    dpi_ = ::GetDpiForWindow(hwnd_);
    SetTimer(TimerId::Timer5, kMarqueeMs);
    SetTimer(TimerId::Timer6, kColourMs);

    std::optional<LauncherOptions> options = StartUpOptions(ctx_.os, ::GetAsyncKeyState(VK_SHIFT));
    if (!options) return false;
    options_ = std::move(*options);

    // The window is laid out from the options alone, so it is shown, and painted, before the
    // capture: the user sees at once that the log-on is in hand. The marquee's text, the one
    // thing that needs the launch list, appears only with the marquee's first tick anyway.
    layout_ = LayOutWindow(options_.details, options_.hideLogo);
    barWidth_ = layout_.shape1.width;
    LoadDpiResources();
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
    ::SetWindowPos(hwnd_, HWND_TOPMOST, Px(at.x), Px(at.y), Px(layout_.width),
                   Px(layout_.fullHeight), SWP_NOACTIVATE | show);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

    list_ = LogOnList(ctx_);
    if (options_.waitIdle) load_.emplace();
    sequencer_.emplace(ctx_, list_, options_.delays, layout_.width, *this,
                       load_ ? &*load_ : nullptr);
    sequencer_->Begin();
    if (options_.autoHide) SetTimer(TimerId::Timer4, kAutoHideMs);
    marquee_.SetText(LoadingText(list_.Count() ? list_.names.Item(0) : L""));
    SyncTimers();
    return true;
}

void Form1::LoadDpiResources() {
    font_.reset(::CreateFontW(-::MulDiv(8, static_cast<int>(dpi_), 72), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                              L"MS Shell Dlg 2"));
    const int size = ::MulDiv(kIconSize, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
    const auto icon = [&](int id) {
        return UniqueIcon(static_cast<HICON>(::LoadImageW(
            instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    };
    pauseIcon_ = icon(IDI_PAUSE);
    playIcon_ = icon(IDI_PLAY);
    fastForwardIcon_ = icon(IDI_FASTFORWARD);
    stopIcon_ = icon(IDI_STOP);
    if (!logo_) {
        logo_.reset(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0,
                                 LR_CREATEDIBSECTION));
    }
    if (command4_) ShowFaces();
}

void Form1::ShowFaces() {
    ShowPaused(sequencer_ && sequencer_->Paused());
    ::SendMessageW(command2_, BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(fastForwardIcon_.get()));
    ::SendMessageW(command3_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(stopIcon_.get()));
}

void Form1::CreateControls() {
    // Created from the top of the stacking order down: the buttons and the logo lie over the
    // labels, as windowed controls do; the form itself is the drag label under everything.
    const auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                                 hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance_, this);
    };
    // The picture buttons are drawn here rather than by the system's button class: that class
    // brings the common-controls library and its theming along, about 3 MB of working set for
    // three icons on a program that lives a few seconds at every log-on.
    command4_ = make(kControlClass, L"Pause", WS_VISIBLE, IDC_COMMAND4);
    command2_ = make(kControlClass, L"Fast forward", WS_VISIBLE, IDC_COMMAND2);
    command3_ = make(kControlClass, L"Stop", WS_VISIBLE, IDC_COMMAND3);
    picture1_ = make(kControlClass, L"", 0, IDC_PICTURE1);
    label1_ = make(kControlClass, L"0%", WS_VISIBLE, IDC_LABEL1);
    label4_ = make(kControlClass, L"", 0, IDC_LABEL4);
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
    place(command4_, ToPixels(layout_.command4), true);
    place(command2_, ToPixels(layout_.command2), true);
    place(command3_, ToPixels(layout_.command3), true);
    place(label4_, ToPixels(layout_.label4), layout_.label4Visible);
    place(picture1_, ToPixels(layout_.picture1), layout_.picture1Visible);
    PlaceLabel1();
    SetHeight(collapsed_);
}

void Form1::PlaceLabel1() {
    // The label sizes itself to its caption: centred on 1000 twips until the first start, then
    // over the filled part of the bar.
    const std::wstring caption = WindowText(label1_);
    SIZE size{};
    {
        WindowDc dc(label1_);
        Selected font(dc.get(), font_.get());
        ::GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &size);
    }
    const double width = PixelsToTwips(size.cx, dpi_);
    const double left =
        progressShown_ ? PercentLabelLeft(barWidth_, width) : PercentLabelStartLeft(width);
    ::SetWindowPos(label1_, nullptr, Px(left), Px(-20), size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(label1_, nullptr, FALSE);
}

void Form1::SetHeight(bool collapsed) {
    collapsed_ = collapsed;
    const int width = Px(layout_.width);
    const int height = Px(collapsed ? layout_.collapsedHeight : layout_.fullHeight);
    RECT now{};
    ::GetWindowRect(hwnd_, &now);
    if (now.right - now.left == width && now.bottom - now.top == height) return;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- sequencer view

void Form1::SetTimer(TimerId id, unsigned intervalMs) {
    schedule_.Set(id, intervalMs, Now());
}

void Form1::ShowProgress(double barWidth, const std::wstring& percent) {
    barWidth_ = barWidth;
    progressShown_ = true;
    ::SetWindowTextW(label1_, percent.c_str());
    PlaceLabel1();
    RECT bar{0, 0, Px(layout_.width), Px(layout_.shape1.height)};
    ::InvalidateRect(hwnd_, &bar, FALSE);
}

void Form1::SetMarqueeText(const std::wstring& text) {
    marquee_.SetText(text);
}

void Form1::ShowPaused(bool paused) {
    ::SetWindowTextW(command4_, paused ? L"Resume" : L"Pause");
    const HICON face = paused ? playIcon_.get() : pauseIcon_.get();
    ::SendMessageW(command4_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(face));
}

void Form1::Hide() {
    ::ShowWindow(hwnd_, SW_HIDE);
}

void Form1::End() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void Form1::ShowError(const std::wstring& text, const std::wstring& title) {
    // The box runs its own message loop: the timers must be armed as they stand now.
    SyncTimers();
    ::MessageBoxW(hwnd_, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

// ---- timers

void Form1::SyncTimers() {
    if (!hwnd_) return;
    const Micros now = Now();
    for (TimerId id : schedule_.TakeChanged()) {
        const auto win32 = static_cast<UINT_PTR>(id);
        if (schedule_.Interval(id) == 0) {
            ::KillTimer(hwnd_, win32);
        } else {
            ::SetTimer(hwnd_, win32, schedule_.DelayMs(id, now), nullptr);
        }
    }
}

void Form1::OnTimer(TimerId id) {
    const Micros now = Now();
    if (!schedule_.BeginTick(id, now)) {
        // Early, or left over from a timer that was stopped meanwhile.
        if (schedule_.Interval(id) == 0) {
            ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
        } else {
            ::SetTimer(hwnd_, static_cast<UINT_PTR>(id), schedule_.DelayMs(id, now), nullptr);
        }
        return;
    }
    switch (id) {
        case TimerId::Timer1:
            sequencer_->OnTimer1();
            break;
        case TimerId::Timer2:
            sequencer_->OnTimer2();
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

void Form1::OnTimer5() {
    if (const auto caption = marquee_.Tick()) {
        ::SetWindowTextW(label4_, caption->c_str());
        // Drawn at once: a paint message would cost more than the drawing, five times a second.
        WindowDc dc(label4_);
        PaintLabel4(dc.get());
    }
}

void Form1::OnTimer6() {
    colours_.Tick();
    coloured_ = true;
    // Only the filled part of the bar and the percentage change colour. They are drawn at once
    // rather than through paint messages, which cost more than the drawing itself.
    {
        WindowDc form(hwnd_);
        const RECT bar = BarRect();
        ::IntersectClipRect(form.get(), bar.left, bar.top, bar.right, bar.bottom);
        PaintBackground(form.get());
    }
    WindowDc label(label1_);
    PaintLabel1(label.get());
}

RECT Form1::BarRect() const {
    return {0, 0, Px(barWidth_), Px(layout_.shape1.height)};
}

// ---- mouse

void Form1::Press(POINT pointer) {
    press_ = pointer;
}

void Form1::Drag(POINT pointer, bool keepOnScreen) {
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    const POINT to = DragTo({window.left, window.top}, pointer, press_, keepOnScreen);
    if (to.x == window.left && to.y == window.top) return;
    ::SetWindowPos(hwnd_, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    ::GetWindowRect(hwnd_, &window);
    StoreWrite(ctx_.os, kMiscSection, L"X", FormatSingle(PixelsToTwips(window.left, dpi_)));
    StoreWrite(ctx_.os, kMiscSection, L"Y", FormatSingle(PixelsToTwips(window.top, dpi_)));
}

// ---- painting

void Form1::PaintBackground(HDC dc) const {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const RECT bar = BarRect();
    // The DC's own brush: no brush object is made and freed six times a second.
    ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
    ::SetDCBrushColor(dc, coloured_ ? colours_.Bar() : kDesignBarColour);
    ::FillRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    // Light grey (192, 192, 192) beside and below the bar, painted once, so nothing flickers.
    const auto grey = static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
    const RECT beside{bar.right, 0, client.right, bar.bottom};
    const RECT below{0, bar.bottom, client.right, client.bottom};
    ::FillRect(dc, &beside, grey);
    ::FillRect(dc, &below, grey);
}

void Form1::PaintLabel1(HDC dc) const {
    // A transparent label: the form's own picture behind it, then the caption.
    RECT at{};
    ::GetWindowRect(label1_, &at);
    ::MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&at), 2);
    POINT origin{};
    ::SetViewportOrgEx(dc, -at.left, -at.top, &origin);
    PaintBackground(dc);
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    const std::wstring caption = WindowText(label1_);
    Selected font(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, coloured_ ? colours_.Text() : RGB(0, 0, 0));
    ::TextOutW(dc, 0, 0, caption.c_str(), static_cast<int>(caption.size()));
}

void Form1::PaintLabel4(HDC dc) const {
    RECT r{};
    ::GetClientRect(label4_, &r);
    const UniqueGdiObj back(::CreateSolidBrush(kMarqueeBack));
    ::FillRect(dc, &r, static_cast<HBRUSH>(back.get()));
    const std::wstring caption = WindowText(label4_);
    Selected font(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kMarqueeText);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void Form1::PaintPicture1(HDC dc) const {
    RECT r{};
    ::GetClientRect(picture1_, &r);
    MemoryDc memory(dc, logo_.get());
    if (r.right == kLogoWidth && r.bottom == kLogoHeight) {
        ::BitBlt(dc, 0, 0, r.right, r.bottom, memory.get(), 0, 0, SRCCOPY);
        return;
    }
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, 0, 0, r.right, r.bottom, memory.get(), 0, 0, kLogoWidth, kLogoHeight, SRCCOPY);
}

// ---- window procedures

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return Guarded([&] { return self->OnMessage(msg, wParam, lParam); });
}

LRESULT CALLBACK Form1::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || msg == WM_NCDESTROY) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return Guarded([&] { return self->OnControlMessage(hwnd, msg, wParam, lParam); });
}

LRESULT Form1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
    switch (msg) {
        case WM_TIMER:
            OnTimer(static_cast<TimerId>(wParam));
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && sequencer_) {
                switch (LOWORD(wParam)) {
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
            return 0;
        // The form's whole face is the drag label: it covers the window edge to edge.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            Press(PointFrom(lParam));
            ::SetCapture(hwnd_);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (!(wParam & kAnyButton)) ::ReleaseCapture();
            return 0;
        case WM_MOUSEMOVE:
            if (!sequencer_) return 0;
            if (wParam & MK_LBUTTON) Drag(PointFrom(lParam), true);
            RefreshAutoHide();
            SavePosition();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd_);
            PaintBackground(paint.dc());
            return 0;
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (sequencer_) {
                LoadDpiResources();
                ApplyLayout();
            }
            ::InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        }
        case WM_DESTROY:
            for (TimerId id : kAllTimers) ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

Form1::ButtonState* Form1::ButtonOf(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    if (id < IDC_COMMAND4 || id > IDC_COMMAND3) return nullptr;
    return &buttons_[static_cast<size_t>(id - IDC_COMMAND4)];
}

void Form1::ClickButton(HWND button) {
    ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

// A push button with a picture, answering the button messages a test or a screen reader sends.
LRESULT Form1::OnButtonMessage(HWND button, ButtonState& state, UINT msg, WPARAM wParam,
                               LPARAM lParam) {
    switch (msg) {
        case BM_SETIMAGE: {
            const HICON old = std::exchange(state.face, reinterpret_cast<HICON>(lParam));
            ::InvalidateRect(button, nullptr, FALSE);
            return reinterpret_cast<LRESULT>(old);
        }
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(state.face);
        case BM_CLICK:
            ClickButton(button);
            return 0;
        case WM_LBUTTONDOWN:
            state.down = state.inside = true;
            ::SetCapture(button);
            ::InvalidateRect(button, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (state.down) {
                RECT r{};
                ::GetClientRect(button, &r);
                const bool inside = ::PtInRect(&r, PointFrom(lParam)) != FALSE;
                if (inside != state.inside) {
                    state.inside = inside;
                    ::InvalidateRect(button, nullptr, FALSE);
                }
            }
            return 0;
        case WM_LBUTTONUP:
            if (state.down) {
                const bool click = state.inside;
                ::ReleaseCapture();
                if (click) ClickButton(button);
            }
            return 0;
        case WM_CAPTURECHANGED:
            state.down = false;
            ::InvalidateRect(button, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(button);
            PaintButton(button, state, paint.dc());
            return 0;
        }
        default:
            return ::DefWindowProcW(button, msg, wParam, lParam);
    }
}

void Form1::PaintButton(HWND button, const ButtonState& state, HDC dc) const {
    RECT r{};
    ::GetClientRect(button, &r);
    const bool pushed = state.down && state.inside;
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
    // The system's own push-button look where visual styles are on, the classic frame elsewhere.
    const ThemeHandle theme(::OpenThemeData(button, L"BUTTON"));
    if (theme.get()) {
        ::DrawThemeBackground(theme.get(), dc, BP_PUSHBUTTON, pushed ? PBS_PRESSED : PBS_NORMAL, &r,
                              nullptr);
    } else {
        ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    }
    const int size = ::MulDiv(kIconSize, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
    const int shift = pushed ? 1 : 0;
    ::DrawIconEx(dc, (r.right - size) / 2 + shift, (r.bottom - size) / 2 + shift, state.face, size,
                 size, 0, nullptr, DI_NORMAL);
}

LRESULT Form1::OnControlMessage(HWND control, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (ButtonState* button = ButtonOf(control)) {
        return OnButtonMessage(control, *button, msg, wParam, lParam);
    }
    constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
    const bool isLabel1 = control == label1_;
    switch (msg) {
        case WM_NCHITTEST:
            // The "Loading" line lies under the drag label: the pointer passes through to it.
            if (control == label4_) return HTTRANSPARENT;
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(control);
            if (isLabel1) {
                PaintLabel1(paint.dc());
            } else if (control == label4_) {
                PaintLabel4(paint.dc());
            } else if (control == picture1_) {
                PaintPicture1(paint.dc());
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (!isLabel1) break;
            // A press on the percentage starts a drag as well; its pointer positions are taken
            // in the label's own coordinates, like the moves that follow.
            Press(PointFrom(lParam));
            ::SetCapture(control);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (!isLabel1) break;
            if (!(wParam & kAnyButton)) ::ReleaseCapture();
            if (msg == WM_LBUTTONUP) {
                sequencer_->FastForward();
                SyncTimers();
            } else {
                sequencer_->Quit();
            }
            return 0;
        case WM_MOUSEMOVE:
            if (isLabel1 && (wParam & MK_LBUTTON)) Drag(PointFrom(lParam), false);
            if (isLabel1 || control == picture1_) RefreshAutoHide();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(control, msg, wParam, lParam);
}

}  // namespace tarnwick

#include "tooltip.h"

#include <algorithm>

namespace tarnwick {
namespace {

// Between the text and the box's edge, in pixels at 96 DPI, as the system's tooltips leave it.
constexpr int kPaddingX = 4;
constexpr int kPaddingY = 2;

}  // namespace

bool Tooltip::Make(HWND owner) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!::GetClassInfoExW(instance, kTooltipClass, &known) &&
        !RegisterWindowClass(instance, kTooltipClass)) {
        return false;
    }
    // Never activated: the box must not take the focus from whatever window the user works in.
    return MakeWindow(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTooltipClass, L"",
                      WS_POPUP, owner, 0, instance);
}

void Tooltip::Show(HWND owner, const std::wstring& text, const RECT& anchor, UINT dpi) {
    if (!hwnd() && !Make(owner)) return;
    if (!font_ || fontDpi_ != dpi) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                         dpi)) {
            font_.reset(::CreateFontIndirectW(&metrics.lfStatusFont));
            fontDpi_ = dpi;
        }
    }
    ::SetWindowTextW(hwnd(), text.c_str());
    RECT extent{};
    {
        const WindowDc dc(hwnd());
        const Selected font(dc.get(), font_ ? font_.get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    const int width = extent.right + 2 * ::MulDiv(kPaddingX, static_cast<int>(dpi), 96) + 2;
    const int height = extent.bottom + 2 * ::MulDiv(kPaddingY, static_cast<int>(dpi), 96) + 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    const int x = std::clamp(static_cast<int>(anchor.left), static_cast<int>(area.left),
                             static_cast<int>(std::max(area.left, area.right - width)));
    // Below the anchor, or above it where the screen ends.
    int y = anchor.bottom + 1;
    if (y + height > area.bottom) y = std::max(area.top, anchor.top - height - 1);
    ::SetWindowPos(hwnd(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void Tooltip::Hide() {
    if (hwnd() && ::IsWindowVisible(hwnd())) {
        ::SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                       SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW);
    }
}

LRESULT Tooltip::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            // The pointer passes through to what lies under the box.
            return HTTRANSPARENT;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const PaintDc paint(hwnd());
            const HDC dc = paint.get();
            RECT r{};
            ::GetClientRect(hwnd(), &r);
            ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_INFOBK));
            ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_INFOTEXT));
            const std::wstring text = ui::WindowText(hwnd());
            const Selected font(dc, font_ ? font_.get() : ::GetStockObject(DEFAULT_GUI_FONT));
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            return 0;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

}  // namespace tarnwick

#include "screen.h"

#include "gdi.h"

namespace tarnwick::settings {

Screen::Screen(HWND window) : window_(window) {
    ::GetWindowRect(window, &rect_);
    const LONG width = rect_.right - rect_.left;
    const LONG height = rect_.bottom - rect_.top;
    if (width <= 0 || height <= 0) return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const WindowDc screen(nullptr);
    UniqueBitmap bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HDC memory = ::CreateCompatibleDC(screen.get());
    const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
    ::BitBlt(memory, 0, 0, width, height, screen.get(), rect_.left, rect_.top,
             SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    if (!bits) return;
    // Each pixel is blue, green, red, unused: COLORREF holds red in its low byte.
    const auto* bgr = static_cast<const BYTE*>(bits);
    pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels_.size(); ++i) {
        pixels_[i] = RGB(bgr[i * 4 + 2], bgr[i * 4 + 1], bgr[i * 4]);
    }
}

COLORREF Screen::At(POINT onScreen) const {
    if (!::PtInRect(&rect_, onScreen) || pixels_.empty()) return CLR_INVALID;
    const auto width = static_cast<size_t>(rect_.right - rect_.left);
    return pixels_[static_cast<size_t>(onScreen.y - rect_.top) * width +
                   static_cast<size_t>(onScreen.x - rect_.left)];
}

COLORREF Screen::Client(int x, int y) const {
    POINT point{x, y};
    ::ClientToScreen(window_, &point);
    return At(point);
}

int Screen::Count(HWND control, COLORREF colour) const {
    RECT area{};
    ::GetWindowRect(control, &area);
    int count = 0;
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) count += At({x, y}) == colour ? 1 : 0;
    }
    return count;
}

}  // namespace tarnwick::settings

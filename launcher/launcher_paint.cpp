// The launcher window's painting: the bar and the grey face, the percentage, the "Loading" line
// and the logo, and the two ticks that redraw the bar's colour and the marquee. With high
// contrast the colours are the system's: the bar in the selection's colour with the percentage
// in the selection's text colour over it, the rest in the window's colours, and the bar keeps
// its colour on the colour ticks.
#include "launcher_window.h"

#include <algorithm>
#include <utility>

namespace tarnwick {
namespace {

constexpr COLORREF kDesignBarColour = RGB(128, 128, 255);
constexpr COLORREF kMarqueeText = RGB(0, 255, 0);
constexpr int kLogoWidth = 144;  // pixels of the bitmap: 2160 x 405 twips at 96 DPI
constexpr int kLogoHeight = 27;

}  // namespace

namespace launcher {

void Form1::OnTimer5() {
    // Sampled from the start, so that the recent load is known when a delay is over.
    if (sequencer_) sequencer_->OnLoadSample();
    if (auto caption = marquee_.Tick()) {
        loadingText_ = std::move(*caption);
        ::SetWindowTextW(label4_.hwnd(), loadingText_.c_str());
        // Drawn at once: a paint message would cost more than the drawing, five times a second.
        WindowDc dc(label4_.hwnd());
        PaintLabel4(dc.get());
    }
}

void Form1::OnTimer6() {
    colours_.Tick();
    coloured_ = true;
    // Only the filled part of the bar and the percentage change colour. They are drawn at once
    // rather than through paint messages, which cost more than the drawing itself.
    {
        WindowDc form(hwnd());
        PaintBar(form.get());
    }
    WindowDc label(label1_.hwnd());
    PaintLabel1(label.get());
}

RECT Form1::BarRect() const {
    return {0, 0, Px(barWidth_), Px(layout_.shape1.height)};
}

void Form1::PaintBar(HDC dc) const {
    const RECT bar = BarRect();
    // The DC's own brush: no brush object is made and freed six times a second.
    ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
    ::SetDCBrushColor(dc, highContrast_ ? ::GetSysColor(COLOR_HIGHLIGHT)
                          : coloured_   ? colours_.Bar()
                                        : kDesignBarColour);
    ::FillRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void Form1::PaintBackground(HDC dc) const {
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const RECT bar = BarRect();
    PaintBar(dc);
    // Light grey (192, 192, 192) beside and below the bar, painted once, so nothing flickers.
    const auto grey = highContrast_ ? ::GetSysColorBrush(COLOR_WINDOW)
                                    : static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
    const RECT beside{bar.right, 0, client.right, bar.bottom};
    const RECT below{0, bar.bottom, client.right, client.bottom};
    ::FillRect(dc, &beside, grey);
    ::FillRect(dc, &below, grey);
}

void Form1::PaintLabel1(HDC dc) const {
    // A transparent label: the form's own picture behind it, then the caption.
    RECT at{};
    ::GetWindowRect(label1_.hwnd(), &at);
    ::MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&at), 2);
    POINT origin{};
    ::SetViewportOrgEx(dc, -at.left, -at.top, &origin);
    PaintBackground(dc);
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    const Selected font(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    const int length = static_cast<int>(percentText_.size());
    if (!highContrast_) {
        ::SetTextColor(dc, coloured_ ? colours_.Text() : RGB(0, 0, 0));
        ::TextOutW(dc, 0, 0, percentText_.c_str(), length);
        return;
    }
    // Where the caption lies over the bar, the selection's text colour; beside it, the window's.
    RECT client{};
    ::GetClientRect(label1_.hwnd(), &client);
    RECT overBar = BarRect();
    ::OffsetRect(&overBar, -at.left, -at.top);
    ::IntersectRect(&overBar, &overBar, &client);
    const RECT beside{std::max(overBar.right, client.left), client.top, client.right,
                      client.bottom};
    ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    ::ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &overBar, percentText_.c_str(), length, nullptr);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &beside, percentText_.c_str(), length, nullptr);
}

void Form1::PaintLabel4(HDC dc) const {
    RECT r{};
    ::GetClientRect(label4_.hwnd(), &r);
    ::FillRect(dc, &r, highContrast_ ? ::GetSysColorBrush(COLOR_WINDOW) : marqueeBack_.get());
    const Selected font(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, highContrast_ ? ::GetSysColor(COLOR_WINDOWTEXT) : kMarqueeText);
    ::DrawTextW(dc, loadingText_.c_str(), static_cast<int>(loadingText_.size()), &r,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

void Form1::PaintPicture1(HDC dc) const {
    RECT r{};
    ::GetClientRect(picture1_.hwnd(), &r);
    const MemoryDc memory(dc);
    const Selected logo(memory.get(), logo_.get());
    if (r.right == kLogoWidth && r.bottom == kLogoHeight) {
        ::BitBlt(dc, 0, 0, r.right, r.bottom, memory.get(), 0, 0, SRCCOPY);
        return;
    }
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, 0, 0, r.right, r.bottom, memory.get(), 0, 0, kLogoWidth, kLogoHeight, SRCCOPY);
}

void Form1::PaintLabel(LabelKind kind, HDC dc) const {
    switch (kind) {
        case LabelKind::Percent:
            PaintLabel1(dc);
            break;
        case LabelKind::Loading:
            PaintLabel4(dc);
            break;
        case LabelKind::Logo:
            PaintPicture1(dc);
            break;
    }
}

}  // namespace launcher
}  // namespace tarnwick

// The launcher window's layout and what follows its DPI and the system's colours: the font, the
// buttons' pictures (in the button text's colour under high contrast) and the logo, the controls
// placed from the layout in twips, the collapsed height, and the move to another DPI.
#include "launcher_window.h"

#include "accessibility.h"
#include "resource.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tarnwick {
namespace {

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

void Form1::FollowSystemColours() {
    highContrast_ = ui::HighContrastOn();
    if (sequencer_) LoadDpiResources();
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Any program can post this message, or send it, with any rectangle: one is read only where it
// lies on this thread's stack, and the window moves only once its DPI did change.
void Form1::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = ui::SuggestedRect(hwnd(), wParam, lParam);
    const UINT dpi = ::GetDpiForWindow(hwnd());
    if (!suggested || dpi == dpi_) return;
    dpi_ = dpi;
    ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (sequencer_) {
        LoadDpiResources();
        LayOut();
        ApplyLayout();
    }
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

}  // namespace launcher
}  // namespace tarnwick

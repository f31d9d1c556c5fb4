#include "skin_look.h"

#include "accessibility.h"

#include "picture.h"

namespace tarnwick::settings {

void SkinnedBackground::Prepare(HWND window, const SkinLook& look) {
    brush_.reset();
    bitmap_.reset();
    size_ = {};
    // In high contrast the skin's picture and caption colour give way to the scheme's: the colour
    // was chosen to be read on the picture (or is black, once a skin was taken off), not on the
    // scheme's face.
    const bool contrast = ui::HighContrastOn();
    captions_ = contrast ? std::nullopt : look.captions;
    if (contrast || !look.picture) return;
    RECT client{};
    ::GetClientRect(window, &client);
    const SIZE own = PictureSize(*look.picture.get());
    if (own.cx <= 0 || own.cy <= 0 || client.right <= 0 || client.bottom <= 0) return;

    // The picture keeps its own size on the screen: it grows with the window's DPI as the
    // controls do, and is neither stretched to the window nor tiled.
    const auto dpi = static_cast<int>(::GetDpiForWindow(window));
    const RECT drawn{0, 0, ::MulDiv(own.cx, dpi, USER_DEFAULT_SCREEN_DPI),
                     ::MulDiv(own.cy, dpi, USER_DEFAULT_SCREEN_DPI)};
    const WindowDc screen(window);
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    if (!bitmap) return;
    {
        const MemoryDc dc(screen.get());
        const Selected drawing(dc.get(), bitmap.get());
        // Where a small picture ends, the window's own face colour goes on.
        ::FillRect(dc.get(), &client, ::GetSysColorBrush(COLOR_3DFACE));
        DrawPicture(*look.picture.get(), dc.get(), drawn);
    }
    brush_.reset(::CreatePatternBrush(bitmap.get()));
    if (!brush_) return;
    bitmap_ = std::move(bitmap);
    size_ = {client.right, client.bottom};
}

INT_PTR SkinnedBackground::Erase(HWND dialog, HDC dc) const {
    if (!bitmap_) return FALSE;
    RECT client{};
    ::GetClientRect(dialog, &client);
    {
        const MemoryDc source(dc);
        const Selected picture(source.get(), bitmap_.get());
        // Logical coordinates, so that a control that asks its parent to paint its background
        // (themed buttons do) gets the part of the picture under it.
        ::BitBlt(dc, 0, 0, size_.cx, size_.cy, source.get(), 0, 0, SRCCOPY);
    }
    // A window that grew since the picture was prepared shows its face colour beyond it.
    const RECT right{size_.cx, 0, client.right, client.bottom};
    const RECT below{0, size_.cy, size_.cx, client.bottom};
    for (const RECT& rest : {right, below}) {
        if (!::IsRectEmpty(&rest)) ::FillRect(dc, &rest, ::GetSysColorBrush(COLOR_3DFACE));
    }
    ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

HBRUSH SkinnedBackground::ColourControl(HWND window, HDC dc, HWND control, bool caption) const {
    const bool coloured = caption && captions_.has_value();
    if (coloured) ::SetTextColor(dc, *captions_);
    if (brush_) {
        // The brush's origin is in the control's device coordinates: shifted by the control's
        // place in the window, the picture behind the control lines up with the rest of it.
        POINT place{0, 0};
        ::MapWindowPoints(control, window, &place, 1);
        ::SetBrushOrgEx(dc, -place.x, -place.y, nullptr);
        ::SetBkMode(dc, TRANSPARENT);
        return brush_.get();
    }
    if (!coloured) return nullptr;
    ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
    return ::GetSysColorBrush(COLOR_3DFACE);
}

void RedrawWholeWindow(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
}

}  // namespace tarnwick::settings

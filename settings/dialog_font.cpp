#include "dialog_font.h"

#include <cstdlib>

namespace tarnwick::settings {

LOGFONTW DialogFont(HWND dialog) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    return font;
}

UniqueGdiObj ScaledFont(HWND dialog, double scale, LONG weight) {
    LOGFONTW font = DialogFont(dialog);
    font.lfHeight = static_cast<LONG>(-std::abs(font.lfHeight) * scale);
    font.lfWidth = 0;
    font.lfWeight = weight;
    return UniqueGdiObj(::CreateFontIndirectW(&font));
}

UniqueGdiObj PointFont(HWND dialog, int points) {
    LOGFONTW font = DialogFont(dialog);
    // Points are 1/72 inch: at 96 DPI, 6 points are 8 pixels.
    font.lfHeight = -::MulDiv(points, static_cast<int>(::GetDpiForWindow(dialog)), 72);
    font.lfWidth = 0;
    return UniqueGdiObj(::CreateFontIndirectW(&font));
}

}  // namespace tarnwick::settings

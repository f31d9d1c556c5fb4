#include "dialog_font.h"

#include <cstdlib>

namespace tarnwick::settings {

LOGFONTW DialogFont(HWND dialog) {
    LOGFONTW font{};
    ::GetObjectW(ControlFont(dialog), sizeof font, &font);
    return font;
}

UniqueFont ScaledFont(HWND dialog, double scale, LONG weight) {
    LOGFONTW font = DialogFont(dialog);
    font.lfHeight = static_cast<LONG>(-std::abs(font.lfHeight) * scale);
    font.lfWidth = 0;
    font.lfWeight = weight;
    return UniqueFont(::CreateFontIndirectW(&font));
}

UniqueFont PointFont(HWND dialog, int points) {
    LOGFONTW font = DialogFont(dialog);
    // Points are 1/72 inch: at 96 DPI, 6 points are 8 pixels.
    font.lfHeight = -::MulDiv(points, static_cast<int>(::GetDpiForWindow(dialog)), 72);
    font.lfWidth = 0;
    return UniqueFont(::CreateFontIndirectW(&font));
}

}  // namespace tarnwick::settings

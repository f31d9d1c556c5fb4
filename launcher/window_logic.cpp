#include "window_logic.h"

#include <cmath>

namespace tarnwick {

int TwipsToPixels(double twips, UINT dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double PixelsToTwips(int pixels, UINT dpi) {
    return pixels * 1440.0 / dpi;
}

std::optional<std::wstring> Marquee::Tick() {
    if (text_.size() <= 24) return std::nullopt;
    text_ = text_.substr(1) + text_.front();
    return text_;
}

void ColourCycler::Tick() {
    for (Channel& c : channels_) {
        const int d = static_cast<int>(random_() * 20);
        c.value += c.falling ? -d : d;
        if (c.value > 255) {
            c.value = 255;
            c.falling = true;
        } else if (c.value < 0) {
            c.value = 0;
            c.falling = false;
        }
    }
}

POINT DragTo(POINT windowTopLeft, POINT pointer, POINT press, bool keepOnScreen) {
    POINT to{windowTopLeft.x + pointer.x - press.x, windowTopLeft.y + pointer.y - press.y};
    if (keepOnScreen) {
        if (to.y < 0) to.y = 0;
        if (to.x < 0) to.x = 0;
    }
    return to;
}

}  // namespace tarnwick

// The launcher window's behaviour that needs no window: the marquee, the colour cycling of the
// bar, dragging, and the conversion between twips and pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace tarnwick {

// Twips at the window's DPI: 1440 twips to the inch, so 15 to the pixel at 96 DPI.
int TwipsToPixels(double twips, UINT dpi);
double PixelsToTwips(int pixels, UINT dpi);

// The "Loading" line: rotated one character per tick, and only when it is longer than 24
// characters (an entry name is then part of it).
class Marquee {
  public:
    void SetText(std::wstring text) { text_ = std::move(text); }
    const std::wstring& Text() const { return text_; }
    // The caption to show after this tick, or nothing when the line stays as it is.
    std::optional<std::wstring> Tick();

  private:
    std::wstring text_;
};

// The bar's colour wanders: each channel moves by 0 to 19 per tick, turning at 0 and 255.
class ColourCycler {
  public:
    // `random` gives numbers in [0, 1).
    explicit ColourCycler(std::function<double()> random) : random_(std::move(random)) {}
    void Tick();
    COLORREF Bar() const { return RGB(channels_[0].value, channels_[1].value, channels_[2].value); }
    // The inverse, for the percentage drawn over the bar.
    COLORREF Text() const {
        return RGB(255 - channels_[0].value, 255 - channels_[1].value, 255 - channels_[2].value);
    }

  private:
    struct Channel {
        int value;
        bool falling;
    };
    std::function<double()> random_;
    Channel channels_[3] = {{255, false}, {200, false}, {200, false}};
};

// Where a drag puts the window: moved by how far the pointer is from where the button went
// down. `keepOnScreen` holds the top and left edges at 0 (the drag label does; the percentage
// label lets the window go partly off the screen).
POINT DragTo(POINT windowTopLeft, POINT pointer, POINT press, bool keepOnScreen);

}  // namespace tarnwick

// What the display shows, read back for the tests of the skins: a window's pixels as the user
// sees them, whichever process painted them.
#pragma once

#include <windows.h>

#include <vector>

namespace tarnwick::settings {

class Screen {
  public:
    // The pixels of `window`'s rectangle on the screen, as they are now.
    explicit Screen(HWND window);

    // The pixel at a point of the window's client area; CLR_INVALID outside the window.
    COLORREF Client(int x, int y) const;
    // How many pixels of the control's rectangle show exactly `colour`.
    int Count(HWND control, COLORREF colour) const;

  private:
    COLORREF At(POINT onScreen) const;

    RECT rect_{};
    std::vector<COLORREF> pixels_;
    HWND window_;
};

}  // namespace tarnwick::settings

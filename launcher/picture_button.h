// The launcher's pause, fast-forward and stop buttons: push buttons that show an icon. They are
// drawn here rather than by the system's button class: that class brings the common-controls
// library and its theming along, about 3 MB of working set for three icons on a program that
// lives a few seconds at every log-on.
#pragma once

#include "window.h"

namespace tarnwick {

class PictureButton final : public ui::Window {
  public:
    PictureButton() = default;

    static bool Register(HINSTANCE instance);
    // The icons' size in pixels at `dpi`.
    static int IconSize(UINT dpi);
    // Makes the button as child `id` of `parent`. A click, by the mouse or by BM_CLICK, reaches
    // the parent as WM_COMMAND with BN_CLICKED, as from a system button.
    bool Create(HWND parent, HINSTANCE instance, const wchar_t* text, int id);

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Click();
    void Paint(HDC dc) const;

    HICON face_ = nullptr;  // BM_SETIMAGE's; the parent owns it
    bool down_ = false;     // pressed with the left button, pointer captured
    bool inside_ = false;   // and the pointer is over it
};

}  // namespace tarnwick

// The launcher's pause, fast-forward and stop buttons: push buttons that show an icon. They are
// drawn here rather than by the system's button class: that class brings the common-controls
// library and its theming along, about 3 MB of working set for three icons on a program that
// lives a few seconds at every log-on. Their window text is what the picture means: a screen
// reader reads it as the button's name, and the pointer resting on the button shows it.
#pragma once

#include "tooltip.h"
#include "window.h"

namespace tarnwick {

class PictureButton final : public ui::Window {
  public:
    PictureButton() = default;

    static bool Register(HINSTANCE instance);
    // The icons' size in pixels at `dpi`.
    static int IconSize(UINT dpi);
    // Makes the button as child `id` of `parent`, a tab stop. A click, by the mouse, by Space
    // while it has the focus or by BM_CLICK, reaches the parent as WM_COMMAND with BN_CLICKED, as
    // from a system button; so does Enter, through IsDialogMessage.
    bool Create(HWND parent, HINSTANCE instance, const wchar_t* text, int id);
    // Whether to draw in the system's button colours: the parent knows whether high contrast is
    // on, and gives the faces to match.
    void SetHighContrast(bool on) { highContrast_ = on; }

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The pointer's messages: hover, leave, the left button and the capture's end.
    void OnMouse(UINT message, LPARAM lParam);
    void OnSpace(bool down);
    void Click();
    void Paint(HDC dc) const;
    void ShowTip();
    void AnnounceRole();

    HICON face_ = nullptr;    // BM_SETIMAGE's; the parent owns it
    bool down_ = false;       // pressed with the left button, pointer captured
    bool inside_ = false;     // and the pointer is over it
    bool spaceDown_ = false;  // Space pressed while it has the focus, not yet let go
    bool tracking_ = false;   // the pointer is over it, and its leaving will be told
    bool announced_ = false;  // its role is given to the screen readers
    bool highContrast_ = false;
    Tooltip tip_;
};

}  // namespace tarnwick

// The launcher window's labels and its logo: children that the form paints, and that answer the
// pointer as the form wants. The percentage is a drag handle and a button at once; the "Loading"
// line lets the pointer through to the form's face under it; the logo keeps the window open
// while the pointer moves over it.
#pragma once

#include "window.h"

namespace tarnwick {

enum class LabelKind { Percent, Loading, Logo };

// What the labels ask of the form.
class LabelHost {
  public:
    virtual void PaintLabel(LabelKind kind, HDC dc) const = 0;
    // The start of a drag, at a pointer position in the pressed control's own coordinates.
    virtual void Press(POINT pointer) = 0;
    // The pointer moved with the left button down since Press.
    virtual void Drag(POINT pointer, bool keepOnScreen) = 0;
    // The pointer moved over the window: it stays open for the whole auto-hide time again.
    virtual void RefreshAutoHide() = 0;
    // The percentage was let go: the left button fast-forwards, the right one quits.
    virtual void PercentReleased(bool left) = 0;

  protected:
    ~LabelHost() = default;
};

class FormLabel final : public ui::Window {
  public:
    FormLabel(LabelKind kind, LabelHost& host) : kind_(kind), host_(host) {}

    static bool Register(HINSTANCE instance);
    bool Create(HWND parent, HINSTANCE instance, const wchar_t* text, DWORD style, int id);

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnPercentMouse(UINT message, WPARAM wParam, LPARAM lParam);

    LabelKind kind_;
    LabelHost& host_;
};

}  // namespace tarnwick

// How a skin looks on a window: a background picture drawn at its own size from the top-left
// corner under the controls, and one colour for the window's captions. The settings window and
// the about box each paint the same look through a SkinnedBackground of their own.
#pragma once

#include "gdi.h"
#include "handles.h"

#include <ocidl.h>
#include <windows.h>

#include <optional>

namespace tarnwick::settings {

struct SkinLook {
    ComPtr<IPicture> picture;  // empty: the window's own background
    // The captions' colour; empty: the colours the windows were designed with.
    std::optional<COLORREF> captions;
};

// The captions of a window without a skin, once a skin has been taken off.
inline constexpr COLORREF kNoSkinCaptions = RGB(0, 0, 0);

class SkinnedBackground {
  public:
    // Renders the look for the window's client area at the window's DPI; with high contrast on,
    // the window's own colours instead. Called whenever the look, the window's size or the
    // system's colours change; the window repaints itself afterwards.
    void Prepare(HWND window, const SkinLook& look);

    // A dialog's WM_ERASEBKGND: paints the picture and answers TRUE; FALSE when the window has
    // none and erases as usual.
    INT_PTR Erase(HWND dialog, HDC dc) const;

    // WM_CTLCOLORSTATIC of a label or a tick box of the window: the brush to answer with, or
    // null for the dialog's own colours. A caption also takes the look's colour.
    HBRUSH ColourControl(HWND window, HDC dc, HWND control, bool caption) const;

  private:
    UniqueBitmap bitmap_;  // the client area as the picture covers it
    UniqueBrush brush_;    // the same bitmap as a brush, for the controls' backgrounds
    SIZE size_{};
    std::optional<COLORREF> captions_;
};

// Repaints a window and every control on it.
void RedrawWholeWindow(HWND window);

}  // namespace tarnwick::settings

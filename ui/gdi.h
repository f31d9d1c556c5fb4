// Owners for what the windows draw with: GDI objects of each kind, icons and device contexts.
// Each releases what it holds exactly once and hands it out with its own type.
#pragma once

#include "handles.h"

#include <windows.h>

namespace tarnwick {

namespace detail {
template <typename T>
void DeleteGdiObject(T object) {
    ::DeleteObject(object);
}
inline void DestroyIconHandle(HICON icon) {
    ::DestroyIcon(icon);
}
}  // namespace detail

template <typename T>
using UniqueGdi = UniqueAny<T, detail::DeleteGdiObject<T>>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueIcon = UniqueAny<HICON, detail::DestroyIconHandle>;

// A window's device context (the screen's for a null window), released with the window it came
// from.
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context like `like`, to draw into a bitmap or to copy one from.
class MemoryDc {
  public:
    explicit MemoryDc(HDC like) : dc_(::CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (dc_) ::DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// The device context of one WM_PAINT.
class PaintDc {
  public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { ::BeginPaint(hwnd_, &paint_); }
    ~PaintDc() { ::EndPaint(hwnd_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return paint_.hdc; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
};

// A GDI object selected into a device context for one scope; what was selected before comes
// back at its end. Declared after the context it selects into, so that it ends first.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~Selected() { ::SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// The font a control draws its text with (WM_GETFONT).
inline HFONT ControlFont(HWND control) {
    return reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
}

}  // namespace tarnwick

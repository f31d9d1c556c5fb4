// Windows and dialogs that belong to an object: the object makes its window, the window's
// procedure hands every message to the object's OnMessage, and the object knows its window for
// as long as the window lives. No exception crosses into the system's code that called a
// procedure: it ends the program's message loop instead, with kFailedExitCode.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick::ui {

// The code a program's message loop ends with after a window procedure met an exception.
inline constexpr int kFailedExitCode = 1;

// Runs `handler` for a procedure the system calls. Only a failed allocation can throw in the
// programs' window code; a program that cannot go on ends its message loop.
template <typename Result, typename Handler>
Result Guarded(Result failed, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (...) {
        ::PostQuitMessage(kFailedExitCode);
        return failed;
    }
}

// The code of a WM_QUIT waiting on this thread (a modal loop that met one leaves it there); 0
// when there is none.
int PendingQuitCode();

// A window's text, of any length.
std::wstring WindowText(HWND hwnd);

// The pointer position of a mouse message, in the window's client coordinates.
POINT PointFrom(LPARAM lParam);

// Two messages carry a pointer to a structure: WM_DRAWITEM, which a control sends as it paints,
// and WM_DPICHANGED, which the window manager sends. Both come from the window's own thread, with
// the structure on its stack, but any program can post WM_DPICHANGED with any lParam, and send
// either one from a thread of its own: the system then copies the structure that program made,
// with whatever it put there (and passes a WM_DPICHANGED whose pointer it cannot read as it is,
// measured on Wine 8). Telling by the thread does not do: a control that paints while the window
// handles a message from another thread, as after a click sent by an automation tool, sends its
// WM_DRAWITEM from the window's thread, and InSendMessageEx still reports the other thread's
// message (measured). So the two below read a structure only where it lies on this thread's stack,
// and take it only when what it says holds.

// The item to draw in a WM_DRAWITEM for the control `id` of `parent`: null unless it names that
// control, and a device context of that control, as the control's own request does.
const DRAWITEMSTRUCT* OwnDrawItem(HWND parent, int id, WPARAM wParam, LPARAM lParam);
// The rectangle suggested in a WM_DPICHANGED for the DPI that `window` has: null for one of
// another DPI, or with a rectangle that is empty or on no monitor. Whether the DPI changed at all
// is the window's to tell.
const RECT* SuggestedRect(HWND window, WPARAM wParam, LPARAM lParam);

class Window {
  public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND hwnd() const { return hwnd_; }

  protected:
    Window() = default;
    // A window still there goes without telling the object, which is partly gone already: an
    // owner that wants its own messages at the end destroys its window in its own destructor.
    ~Window();

    // Registers a class of windows that belong to objects: this procedure, the arrow pointer.
    static bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name);
    // Makes the window of this object (`id`: a child's control id). False when it was not made.
    bool MakeWindow(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title, DWORD style,
                    HWND parent, int id, HINSTANCE instance);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// Sent to a dialog once the dialog manager has rescaled it for a new DPI. Dialogs number their
// own messages from WM_APP + 1.
inline constexpr UINT kRescaled = WM_APP;

class Dialog {
  public:
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

  protected:
    Dialog() = default;
    // As for Window: a modeless dialog still there goes without telling the object.
    ~Dialog();

    // A modeless dialog from the template `id`. False when it was not made.
    bool MakeModeless(HINSTANCE instance, int id, HWND owner);
    // A modal dialog from the template `id`; returns once it has ended.
    void RunModal(HINSTANCE instance, int id, HWND owner);
    // The dialog procedure's answer, WM_INITDIALOG included.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Fonts and pictures made for the old DPI are made again here, once the dialog manager has
    // rescaled the dialog and its controls.
    virtual void OnRescaled() {}

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    // The DPI the dialog was last laid out for.
    UINT dpi_ = 0;
};

}  // namespace tarnwick::ui

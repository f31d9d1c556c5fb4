// What a screen reader, a keyboard user and a user with large text meet in a program's window,
// read from a test process: a control's accessible name, the control with the keyboard focus,
// keys pressed as the user presses them, and texts that do not fit their controls.
#pragma once

#include "exe_harness.h"
#include "gdi.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

// The name that screen readers announce for `control`: its accessible object's name, read through
// AccessibleObjectFromWindow and get_accName; empty when it has none.
std::wstring AccessibleName(HWND control);

// The control that has the keyboard focus on the thread of `window`; null when none has.
HWND FocusedControl(HWND window);

// Makes `window` the foreground window, so that the keys pressed next reach it; false when it
// did not become it within a few seconds.
bool BringToFront(HWND window);

// Presses and releases `vk` as the keyboard does, with `modifier` (VK_MENU, VK_SHIFT, ...) held
// down meanwhile when given. The keys go to the foreground window.
void PressKey(WORD vk, WORD modifier = 0);

// Presses `vk` (with `modifier` held) `presses` times at the foreground window and gives the
// control that has the focus after each press, once the focus has moved (or after a second, when
// it stays).
std::vector<HWND> FocusAfterEachPress(HWND window, int presses, WORD vk = VK_TAB,
                                      WORD modifier = 0);

// Whether `control` shows the focus rectangle and the access keys' underlines (no UISF_HIDEFOCUS
// or UISF_HIDEACCEL), waited for up to a second.
bool KeyboardCuesShown(HWND control);

// The access keys of the visible controls of `window`, upper case, in Z order: the letter after
// a single '&' in each text (none for a static that shows '&' as it is).
std::wstring AccessKeys(HWND window);

// The font that the programs' dialogs show their texts in (MS Shell Dlg 2, 8 points) at `dpi`;
// or the same face at other points or another weight, as a dialog makes for a title or a notice.
UniqueFont DialogFontAt(UINT dpi, int points = 8, LONG weight = FW_NORMAL);

// Every visible static, button, check box and option button among the children of `window`, a
// window of a program that runs at `dpi`, whose text, drawn in the dialog font at that DPI, is
// wider or taller than the room its control gives it (less the box of a check box, the border of
// a button), word-wrapped where the control wraps; each as `id "text": needs WxH, has WxH`.
// Pictures and owner-drawn controls are left out. The DPI is given, as Wine 8 answers
// GetDpiForWindow of another program's window with this program's own DPI, whatever the other
// took. A control whose id is in `ownFonts` is measured in that font instead: the window's fonts
// belong to its own process and cannot be read from here.
std::vector<std::wstring> TextsThatDoNotFit(HWND window, UINT dpi,
                                            const std::map<int, HFONT>& ownFonts = {});

// Every visible control of `window` that sticks out of its client area or overlaps another
// visible control, each as `id sticks out` or `id and id overlap`. Empty = all in place.
std::vector<std::wstring> ControlsOutOfPlace(HWND window);

// The display's DPI for the programs started while it lives: Wine reads
// HKCU\Control Panel\Desktop "LogPixels" once, as each process starts, and a running program
// keeps the DPI it started with. The value there before comes back when the object goes.
class DisplayDpi {
  public:
    explicit DisplayDpi(DWORD dpi);
    ~DisplayDpi();
    DisplayDpi(const DisplayDpi&) = delete;
    DisplayDpi& operator=(const DisplayDpi&) = delete;

  private:
    std::optional<DWORD> before_;
};

// A high-contrast scheme (High Contrast Black's colours, no visual style) for the programs
// started while it lives, which are also told that high contrast is on: Wine takes the system
// colours from HKCU\Control Panel\Colors as a program starts and cannot switch high contrast
// itself on (TARNWICK_HIGH_CONTRAST=1 stands in for it). Everything comes back when it goes.
class HighContrastScheme {
  public:
    HighContrastScheme();
    ~HighContrastScheme();
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

    // The scheme's colours of the window text and the face of dialogs and buttons.
    static constexpr COLORREF kText = RGB(255, 255, 255);
    static constexpr COLORREF kFace = RGB(0, 0, 0);

  private:
    KeyGuard colours_;
    KeyGuard theme_;
};

// A program started with Wine's messages of the `channels` given (as WINEDEBUG takes them, e.g.
// "fixme+oleacc"): where Wine implements a call as a stub, its message shows what the program
// called it with. Wine writes them to the standard error it started with, which is the test's
// own (a redirection of the child's handle does not reach it): a CTest test of the binary looks
// for them there with PASS_REGULAR_EXPRESSION.
class TracedChild : public Child {
  public:
    TracedChild(const std::filesystem::path& exe, std::wstring_view channels);
};

}  // namespace tarnwick::testing

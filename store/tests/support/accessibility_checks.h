// What a screen reader, a keyboard user and a user with large text meet in a program's window,
// read from a test process: a control's accessible name, the control with the keyboard focus,
// keys pressed as the user presses them, and texts that do not fit their controls.
#pragma once

#include "gdi.h"

#include <windows.h>

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

// The font that the programs' dialogs show their texts in (MS Shell Dlg 2, 8 points) at `dpi`.
UniqueFont DialogFontAt(UINT dpi);

// Every visible static, button, check box and option button among the children of `window` whose
// text, drawn in `font`, is wider or taller than the room its control gives it (less the box of
// a check box, the border of a button), word-wrapped where the control wraps; each as
// `id "text": needs WxH, has WxH`. Pictures and owner-drawn controls are left out.
std::vector<std::wstring> TextsThatDoNotFit(HWND window, HFONT font);

}  // namespace tarnwick::testing

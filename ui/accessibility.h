// What the windows do for people who use them without the mouse, without the usual colours or
// with a screen reader: whether high contrast is on, and names for controls that show none.
#pragma once

#include <windows.h>

namespace tarnwick::ui {

// True while the user has a high-contrast theme on: the windows then draw in the system's colours
// only, and skins, pictures behind text and colour effects give way to them. Wine 8 cannot switch
// high contrast on (SPI_SETHIGHCONTRAST fails with error 1439, and SPI_GETHIGHCONTRAST always
// answers off), so TARNWICK_HIGH_CONTRAST=1 in the environment stands in for it there: the tests
// and the screenshots see the windows as a high-contrast user does. It changes colours only.
bool HighContrastOn();

// Gives `control` the name a screen reader announces, where the control shows no text of its own
// that could name it (a list, a drop-down list whose text is its choice). The name goes to the
// system's accessibility annotations, which every screen reader reads through oleacc; a control
// named this way is named for as long as it lives. False when the annotation was not taken (Wine
// 8 answers E_NOTIMPL): the control is then as it was, with no name.
bool NameForScreenReaders(HWND control, const wchar_t* name);

}  // namespace tarnwick::ui

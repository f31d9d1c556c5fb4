// What every dialog of the programs does for people who use it from the keyboard or with large
// text: keyboard cues that are on from the start, and labels as tall as their text at any DPI.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace tarnwick::ui {

// Shows the focus rectangle and the access keys' underlines from the start. Windows hides both
// in a dialog opened with the mouse until a key is pressed; a user who cannot see where the focus
// is, or which letter reaches a control, should not have to find out by pressing keys.
void ShowKeyboardCues(HWND dialog);

// Grows each of `labels` (listed top to bottom) to the height its word-wrapped text takes in the
// label's own font, moving everything that lies below the label, and the dialog's bottom edge,
// down as far. A template laid out for 96 DPI gives a label the lines its text takes there; at
// another DPI the font grows by other steps than the dialog units do, and a text can need a line
// more. Where every text fits, nothing moves. Called again after a rescale, it grows only what
// still needs it.
void FitLabelsToText(HWND dialog, std::initializer_list<int> labels);

}  // namespace tarnwick::ui

// The focus cue of a control that cannot draw its own: a tick box that is the box alone, a spin
// control without a thumb. The control beside it shows the cue instead: the owner repaints its
// cue control when it gains or loses the focus, and the cue control frames itself meanwhile.
#pragma once

#include <windows.h>

namespace tarnwick::settings {

// Dialog item `cue` shows the focus of item `owner`: a label round its text, a value box
// (`wholeCue`) just inside its border.
void AttachFocusCue(HWND dialog, int owner, int cue, bool wholeCue);

}  // namespace tarnwick::settings

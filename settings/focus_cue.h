// The focus cue of a control that cannot draw its own: a spin control, which has no thumb. The
// value box beside it shows the cue instead: the owner repaints its cue control when it gains or
// loses the focus, and the cue control frames itself just inside its border meanwhile.
#pragma once

#include <windows.h>

namespace tarnwick::settings {

// Dialog item `cue` shows the focus of item `owner`.
void AttachFocusCue(HWND dialog, int owner, int cue);

}  // namespace tarnwick::settings

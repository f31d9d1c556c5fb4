// The "Last log-on" window: the log-on the launcher measured last, drawn as a timeline (one row
// per program, its first minute shaded by how busy it kept the processor, the computer's own load
// above the rows when the starts waited for it) and told in words beside the picture.
#pragma once

#include "os.h"

#include <windows.h>

namespace tarnwick::settings {

// Shows the last log-on stored for the running account in a modal window owned by `owner` (which
// it disables meanwhile); returns once the user has closed it.
void ShowLastLogOn(HINSTANCE instance, HWND owner, Os& os);

}  // namespace tarnwick::settings

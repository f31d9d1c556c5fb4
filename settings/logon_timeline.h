// The "Last log-on" window: the log-on the launcher measured last, drawn as a timeline (one row
// per program, its first minute shaded by how busy it kept the processor, the computer's own load
// above the rows when the starts waited for it) and told in words beside the picture.
#pragma once

#include "logon_costs.h"
#include "os.h"

#include <windows.h>

namespace tarnwick::settings {

// Shows the last log-on stored for the running account in a modal window owned by `owner` (which
// it disables meanwhile); returns once the user has closed it.
void ShowLastLogOn(HINSTANCE instance, HWND owner, Os& os);

// The colours the timeline is drawn with. In high contrast each one is one of the scheme's, and a
// busy second is told by how high its part of the bar is filled rather than by a shade the scheme
// does not have.
struct TimelineColours {
    bool highContrast = false;
    COLORREF back = 0;
    COLORREF text = 0;
    COLORREF grid = 0;
    COLORREF busy = 0;
    COLORREF load = 0;
};
// The colours for the display's settings now.
TimelineColours CurrentTimelineColours();

// Draws the log-on's timeline over `area` of `dc` with the font selected there, at `dpi`: the
// load strip when the starts waited for the computer to be idle, `rows` programs from `firstRow`
// on, and the time axis under them.
void DrawLogOnTimeline(HDC dc, const RECT& area, const LogOnRecord& record, size_t firstRow,
                       size_t rows, const TimelineColours& colours, UINT dpi);

}  // namespace tarnwick::settings

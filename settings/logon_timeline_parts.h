// What the sources of the "Last log-on" window share: the log-on in words
// (logon_timeline_text.cpp), and the picture's measures and its sentence when it has no programs
// to show (logon_timeline_paint.cpp).
#pragma once

#include "logon_costs.h"
#include "logon_timeline.h"

#include <windows.h>

#include <optional>
#include <string>

namespace tarnwick::settings {

inline constexpr wchar_t kTimelineNothingMeasured[] =
    L"Nothing has been measured yet: Tarnwick measures what each program costs the next time it "
    L"starts your programs after you log on.";
inline constexpr wchar_t kTimelineNoPrograms[] = L"Tarnwick started no program at that log-on.";

// The log-on in words, one line a fact: when it was, the load, then each program in start order.
std::wstring LogOnDescription(const std::optional<LogOnRecord>& record);
// The picture's legend: how it tells a busy second, and the load strip when it has one.
std::wstring TimelineLegend(bool highContrast, bool load);

// Whether the picture has the load strip: the starts waited for the computer to be idle, and its
// load was sampled.
bool TimelineShowsLoad(const LogOnRecord& record);
// Pixels at 96 DPI as many at `dpi`.
int TimelineScaled(int pixelsAt96, UINT dpi);

// Heights of the picture's parts at a DPI, in pixels.
struct TimelineLayout {
    int margin = 0;
    int text = 0;  // the height of a line of the font
    int row = 0;
    int strip = 0;  // the load strip with its gap below; 0 when there is none
    int axis = 0;
};
// For the font selected into `dc`.
TimelineLayout MeasureTimeline(HDC dc, UINT dpi, bool load);

// The picture without programs: `sentence` in the middle of `area`, with the font selected there.
void DrawTimelineSentence(HDC dc, const RECT& area, const wchar_t* sentence,
                          const TimelineColours& colours, UINT dpi);

}  // namespace tarnwick::settings

// The launcher's start-up as far as it does not need a window: the skip switch, the options of
// section "misc" (normalised and written back), the capture and the launch list; the window
// layout in twips and the choice of the window's position.
#pragma once

#include "context.h"
#include "launch_list.h"
#include "policy.h"
#include "sequencer.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Shift held right now: the high bit of GetAsyncKeyState. The low bit only says that the key
// was pressed at some time since an earlier query, which must not skip a log-on.
bool IsShiftHeld(SHORT asyncKeyState);

// Whole seconds from a delay stored in tenths: the stored number as a whole count of tenths,
// divided by ten, halves to the even neighbour (25 -> 2, 35 -> 4), then kept within 1 to 65 s
// (the longest a timer interval of the original 16-bit range can hold).
int DelaySeconds(double tenths);

struct LauncherOptions {
    std::wstring visible = L"1";  // as stored; the window shows only for the number 1
    bool autoHide = false;
    bool details = true;
    bool hideLogo = false;
    bool waitIdle = false;  // "Wait until the computer is idle"
    Delays delays;
    std::wstring x = L"-1";  // twips, as stored
    std::wstring y = L"-1";
};

// Reads the options, normalises the delays and writes the options back in the order the
// settings program expects to find them.
LauncherOptions ReadLauncherOptions(Os& os);

bool ShowsWindow(std::wstring_view visible);

struct TwipsPoint {
    double x = 0;
    double y = 0;
};

// The stored position, when neither coordinate is -1 (and both are numbers).
std::optional<TwipsPoint> SavedPosition(const LauncherOptions& options);

// The policies in force over the options as read: the store keeps the user's own.
void ApplyPolicies(const Policies& policies, LauncherOptions& options);

// The options, with the policies over them, unless Shift is held: then not even the store is
// read, and nothing happens.
std::optional<LauncherOptions> StartUpOptions(Os& os, SHORT shiftKeyState);

// The launch list of a log-on: what Tarnwick holds, less what Windows has just started itself
// because it stands again in a Run key or the StartUp folder. Takes nothing.
LaunchList LogOnList(const StoreContext& ctx);

// How long after its own start the launcher waits at the least before it takes new start-up
// entries: Windows starts its own entries at log-on together with the launcher, and one taken
// before Windows has started it would start at this log-on twice, or not at all.
inline constexpr unsigned kSettleMs = 10'000;

// After the sequence, whichever way it ended: takes what was added to Windows' start-up since
// the last log-on, and what the programs just started wrote there again, so that from the next
// log-on on they are started in turn. Only while the launcher is registered and the master
// switch is on: it never registers the launcher itself, so that a Disabled or an uninstall made
// while the launcher ran stays done. Under the holdings lock, waited for as long as `ctx` says;
// without it nothing is taken, and the next log-on's launcher takes it.
void CaptureAfterSequence(const StoreContext& ctx);

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

struct WindowLayout {
    double width = 0;
    TwipsRect shape1;  // the bar, at its starting width
    TwipsRect command4, command2, command3;
    TwipsRect label4;
    bool label4Visible = true;
    TwipsRect picture1;
    bool picture1Visible = true;
    double fullHeight = 0;
    // What auto-hide leaves: the bar and the percentage.
    double collapsedHeight = 0;
};

// `lineHeight`: the height of a line of the window's text (the percentage, the "Loading" line) at
// the window's DPI. The design's rows hold a line of 130 twips over the bar and of 195 in the
// "Loading" line; a taller one, as 8 points are at 96 DPI (13 pixels, 195 twips) and more at other
// DPIs, makes its row as tall, and what lies below moves down, so that no line is cut.
WindowLayout LayOutWindow(bool details, bool hideLogo, double lineHeight);

// At the top of the screen, with the window's right edge on the screen's middle.
TwipsPoint ComputedPosition(double screenWidth, double windowWidth);

// The saved position when it leaves the window reachable on some monitor, else the computed one.
TwipsPoint ChoosePosition(TwipsPoint computed, std::optional<TwipsPoint> saved,
                          const std::function<bool(TwipsPoint)>& reachable);

// The percentage label: centred on 1000 twips at start, then over the filled part of the bar.
double PercentLabelStartLeft(double labelWidth);
double PercentLabelLeft(double barWidth, double labelWidth);

}  // namespace tarnwick

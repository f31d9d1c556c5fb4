#include "startup.h"

#include "capture.h"
#include "convert.h"
#include "holdings_lock.h"
#include "options.h"

#include <algorithm>
#include <cmath>

namespace tarnwick {
namespace {

constexpr int kLongestDelaySeconds = 65;

// The design values, in twips.
constexpr double kWindowWidth = 2175;
constexpr double kBarHeight = 130;
constexpr double kBarStartWidth = 13;
constexpr double kButtonHeight = 255;
constexpr double kLabel4Width = 3840;
constexpr double kLabel4Height = 195;
constexpr double kLogoWidth = 2160;
constexpr double kLogoHeight = 405;

}  // namespace

bool IsShiftHeld(SHORT asyncKeyState) {
    return (asyncKeyState & 0x8000) != 0;
}

int DelaySeconds(double tenths) {
    // nearbyint rounds halves to even in the default rounding mode.
    const double wholeTenths = std::nearbyint(std::clamp(tenths, -1e6, 1e6));
    const double seconds = std::nearbyint(wholeTenths / 10);
    return static_cast<int>(std::clamp(seconds, 1.0, double{kLongestDelaySeconds}));
}

LauncherOptions ReadLauncherOptions(Os& os) {
    // One read of the section at every log-on; what is written back unchanged is not written.
    MiscSnapshot misc(os);
    LauncherOptions o;
    o.visible = misc.Text(misc::kVisible);
    o.autoHide = misc.Read(misc::kAutoHide);
    o.details = misc.Read(misc::kDetails);
    const double initTenths = misc.Read(misc::kInitTimeDelay);
    o.hideLogo = misc.Read(misc::kHideLogo);
    // Stores written before the option existed keep the plain pace.
    o.waitIdle = misc.Read(misc::kWaitIdle);
    o.x = misc.Text(misc::kX);
    o.y = misc.Text(misc::kY);
    o.delays.initialSeconds = DelaySeconds(initTenths);

    misc.WriteText(misc::kVisible, o.visible);
    misc.Write(misc::kAutoHide, o.autoHide);
    misc.Write(misc::kInitTimeDelay, o.delays.initialSeconds * 10);
    misc.Write(misc::kDetails, o.details);
    misc.Write(misc::kHideLogo, o.hideLogo);
    misc.Write(misc::kWaitIdle, o.waitIdle);

    o.delays.programSeconds = DelaySeconds(misc.Read(misc::kTimeDelay));
    misc.Write(misc::kTimeDelay, o.delays.programSeconds * 10);
    return o;
}

bool ShowsWindow(std::wstring_view visible) {
    return ParseNumber(visible) == 1.0;
}

std::optional<TwipsPoint> SavedPosition(const LauncherOptions& options) {
    const auto x = ParseNumber(options.x);
    const auto y = ParseNumber(options.y);
    if (!x || !y || *x == -1 || *y == -1) return std::nullopt;
    return TwipsPoint{*x, *y};
}

void ApplyPolicies(const Policies& policies, LauncherOptions& options) {
    if (policies.initialSeconds)
        options.delays.initialSeconds = static_cast<int>(*policies.initialSeconds);
    if (policies.programSeconds)
        options.delays.programSeconds = static_cast<int>(*policies.programSeconds);
    if (policies.waitIdle) options.waitIdle = *policies.waitIdle == 1;
    if (policies.visible) options.visible = *policies.visible == 1 ? L"1" : L"0";
    if (policies.autoHide) options.autoHide = *policies.autoHide == 1;
}

std::optional<LauncherOptions> StartUpOptions(Os& os, SHORT shiftKeyState) {
    if (IsShiftHeld(shiftKeyState)) return std::nullopt;
    // Read and written back first: what is written back is the user's own option.
    LauncherOptions options = ReadLauncherOptions(os);
    ApplyPolicies(ReadPolicies(os), options);
    return options;
}

LaunchList LogOnList(const StoreContext& ctx) {
    // Read once: the list and the check against what Windows started both need them.
    const HeldEntries held = ReadHeldEntries(ctx);
    LaunchList list;
    listt(ctx, held, list);
    LeaveOutStartedByWindows(ctx, held, list);
    return list;
}

void CaptureAfterSequence(const StoreContext& ctx) {
    // The account's switch is read under the lock too, so that a Disabled that is under way
    // meanwhile is seen once it is done; the machine's own switch is read by the capture itself.
    const HoldingsLock lock(ctx);
    if (!lock || !ReadOption(ctx.os, misc::kEnabled)) return;
    CaptureStartupEntries(ctx, Registration::Require);
}

WindowLayout LayOutWindow(bool details, bool hideLogo, double lineHeight) {
    WindowLayout l;
    l.width = kWindowWidth;
    l.shape1 = {0, 0, kBarStartWidth, std::max(kBarHeight, lineHeight)};
    const double buttonTop = l.shape1.height + 15;
    const double buttonWidth = l.width / 3;
    l.command4 = {0, buttonTop, buttonWidth, kButtonHeight};
    l.command2 = {l.command4.width, buttonTop, buttonWidth, kButtonHeight};
    l.command3 = {l.command2.left + l.command2.width, buttonTop, buttonWidth, kButtonHeight};

    l.label4 = {0, buttonTop + kButtonHeight, kLabel4Width, std::max(kLabel4Height, lineHeight)};
    l.label4Visible = details;
    if (!details) {
        l.label4.top = buttonTop;
        l.label4.height = kButtonHeight;
    }
    l.picture1 = {0, l.label4.top + l.label4.height, kLogoWidth, kLogoHeight};
    l.picture1Visible = !hideLogo;
    if (hideLogo) l.picture1.top -= kLogoHeight;

    l.fullHeight = l.picture1.top + l.picture1.height;
    l.collapsedHeight = buttonTop;
    return l;
}

TwipsPoint ComputedPosition(double screenWidth, double windowWidth) {
    return {(screenWidth - windowWidth) / 2 - windowWidth / 2, 0};
}

TwipsPoint ChoosePosition(TwipsPoint computed, std::optional<TwipsPoint> saved,
                          const std::function<bool(TwipsPoint)>& reachable) {
    if (saved && reachable(*saved)) return *saved;
    return computed;
}

double PercentLabelStartLeft(double labelWidth) {
    return 1000 - labelWidth / 2;
}

double PercentLabelLeft(double barWidth, double labelWidth) {
    return std::max(0.0, barWidth / 2 - labelWidth / 2);
}

}  // namespace tarnwick

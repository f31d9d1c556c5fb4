#include "settings_model.h"

#include "capture.h"
#include "convert.h"
#include "holdings_lock.h"
#include "options.h"
#include "reasons.h"
#include "reports.h"
#include "restore.h"
#include "settings_store.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace tarnwick::settings {
namespace {

// Shown in place of a stored "TimeDelay" of 0, which would stall the launcher: 6 seconds.
constexpr long long kZeroDelayShownAs = 60;

// The master switch's texts.
constexpr wchar_t kEnabledCaption[] = L"Ena&bled";
constexpr wchar_t kDisabledCaption[] = L"Disa&bled";
constexpr wchar_t kLockedText[] =
    L"Your administrator has set that Tarnwick stays switched on, so it cannot be switched off "
    L"here. Tarnwick goes on starting your start-up programs in turn.";

// A whole-number option. A number with a fraction rounds to the nearest whole one; text that is
// no number at all reads as the default, as a missing key does.
long long ReadWholeNumber(Os& os, const NumberOption& option) {
    const auto number = ParseNumber(ReadOptionText(os, option));
    if (!number) return std::llround(option.defaultValue);
    return std::llround(std::clamp(*number, -1e15, 1e15));
}

// An option kept as its text. Text that the readers could not understand is replaced by the
// default, so the write-back never hands the launcher something it cannot read.
template <typename Option, typename Parse>
std::wstring ReadText(Os& os, const Option& option, Parse parse) {
    std::wstring text = ReadOptionText(os, option);
    return parse(text) ? text : DefaultText(option);
}

// Section "misc" as the opening reads it, before anything is shown.
struct OpeningOptions {
    long long visible = 0;
    bool autoHide = false;
    long long timeDelay = 0;
    std::wstring initTimeDelay;
    bool ownSwitch = true;
    bool machineSwitchedOff = false;
    bool details = false;
    bool skinsShown = true;
    std::wstring hideLogo;
    int skin = 0;
};

OpeningOptions ReadOpeningOptions(Os& os) {
    OpeningOptions stored;
    stored.visible = ReadWholeNumber(os, misc::kVisible);
    stored.autoHide = ReadOption(os, misc::kAutoHide);
    stored.timeDelay = ReadWholeNumber(os, misc::kTimeDelay);
    stored.initTimeDelay = ReadText(os, misc::kInitTimeDelay, ParseNumber);
    stored.ownSwitch = ReadOption(os, misc::kEnabled);
    stored.machineSwitchedOff = stored.ownSwitch && MachineSwitchedOff(os);
    stored.details = ReadOption(os, misc::kDetails);
    stored.skinsShown = ReadOption(os, misc::kBack);
    stored.hideLogo = ReadText(os, misc::kHideLogo, ParseFlag);
    stored.skin = static_cast<int>(
        std::clamp<long long>(LeadingNumber(ReadOptionText(os, misc::kSkin)), 0, INT_MAX));
    return stored;
}

// The opening writes back what it read, in a form every reader understands.
void WriteBack(Os& os, const OpeningOptions& stored) {
    WriteOption(os, misc::kVisible, stored.visible);
    WriteOption(os, misc::kAutoHide, stored.autoHide);
    WriteOption(os, misc::kTimeDelay, stored.timeDelay);
    WriteOptionText(os, misc::kInitTimeDelay, stored.initTimeDelay);
    WriteOption(os, misc::kEnabled, stored.ownSwitch);
    WriteOption(os, misc::kDetails, stored.details);
    WriteOptionText(os, misc::kHideLogo, stored.hideLogo);
}

// Where an impact goes in "Lightest first": the lightest first, and a program not measured yet
// last, since nothing says it is light.
int LightestFirstRank(Impact impact) {
    switch (impact) {
        case Impact::Low:
            return 0;
        case Impact::Medium:
            return 1;
        case Impact::High:
            return 2;
        case Impact::NotMeasured:
            break;
    }
    return 3;
}

}  // namespace

bool SwitchedOffInTaskManager(Os& os) {
    return ReadOption(os, misc::kEnabled) &&
           DisabledByUser(os, HKEY_LOCAL_MACHINE, kApprovedRunKey).contains(kLauncherValueName);
}

void SettingsModel::Load() {
    Os& os = ctx_.os;
    skinNames_ = skins_.SkinLoad();
    selectedSkin_ = -1;

    OpeningOptions stored = ReadOpeningOptions(os);
    // An administrator's Disabled holds for every account, whatever the account's own switch says;
    // the account's own is kept as it is, for when the machine is switched on again.
    enabled_ = stored.ownSwitch && !stored.machineSwitchedOff;
    skinsShown_ = stored.skinsShown;
    WriteBack(os, stored);

    if (ParseFlag(stored.hideLogo).value_or(false)) hideLogo_ = true;
    waitIdle_ = ReadOption(os, misc::kWaitIdle);
    // The policies are shown in place of the options they set, never stored.
    policies_ = ReadPolicies(os);
    if (policies_.waitIdle) waitIdle_ = *policies_.waitIdle == 1;
    if (skinsShown_) {
        Skin(stored.skin);
        if (stored.skin < static_cast<int>(skinNames_.size())) ChooseSkin(stored.skin);
        SetBox(Box::ShowSkin, true);
    } else if (stored.skin < static_cast<int>(skinNames_.size())) {
        // Skins off: the list still shows the stored choice without applying it, so that the box
        // ticked later brings that skin back and a Save keeps it instead of storing "none".
        selectedSkin_ = stored.skin;
    }
    if (stored.details) showDetails_ = true;

    if (stored.timeDelay == 0) stored.timeDelay = kZeroDelayShownAs;
    const double loadingTenths = policies_.programSeconds ? PolicyTenths(*policies_.programSeconds)
                                                          : static_cast<double>(stored.timeDelay);
    const double initTenths = policies_.initialSeconds
                                  ? PolicyTenths(*policies_.initialSeconds)
                                  : ParseNumber(stored.initTimeDelay).value_or(10);
    loadingDelay.ShowStoredText(loadingTenths);
    initialDelay.ShowStoredText(initTenths);
    loadingDelay.SetStoredPosition(loadingTenths);
    initialDelay.SetStoredPosition(initTenths);

    visibleOnStartup_ = policies_.visible ? *policies_.visible == 1 : stored.visible == 1;
    switchCaption_ = enabled_ ? kEnabledCaption : kDisabledCaption;
    autoHide_ = policies_.autoHide ? *policies_.autoHide == 1 : stored.autoHide;
    LoadRows();
}

void SettingsModel::LoadRows() {
    // Programs added to Windows' start-up since the last log-on are shown at once, but only taken
    // while Tarnwick is switched on and its launcher is registered to start them.
    if (enabled_) CaptureListedRunValues(ctx_);
    // With administrator rights, what an earlier version held in places that are no longer
    // Tarnwick's moves to where every account's launcher finds it.
    MoveEarlierHoldings(ctx_);
    rows.AppendBlankRows(kOpeningBlankRows);
    listt(ctx_, rows);

    costs_ = ReadCosts(ctx_.os);
    storedWaits_ = ReadOwnWaits(ctx_.os);
    waits_ = storedWaits_;
    lastLogOn_ = ReadLastLogOn(ctx_.os);
}

void SettingsModel::Save() const {
    Os& os = ctx_.os;
    // What a policy sets is left as the store holds it: the user's own, for when it goes.
    if (!policies_.programSeconds)
        WriteOption(os, misc::kTimeDelay, TenthsFromText(loadingDelay.Text()));
    if (!policies_.initialSeconds)
        WriteOption(os, misc::kInitTimeDelay, TenthsFromText(initialDelay.Text()));
    WriteOption(os, misc::kDetails, showDetails_);
    if (!policies_.visible) WriteOption(os, misc::kVisible, visibleOnStartup_ ? 1 : 0);
    // The logo's flag as a digit, as this program has always stored it; every reader takes a
    // number for a flag.
    WriteOptionText(os, misc::kHideLogo, hideLogo_ ? L"1" : L"0");
    WriteOption(os, misc::kBack, showSkin_);
    // The switch's state is stored when the switch acts, and only then: a window opened before
    // another one switched Tarnwick off must not switch it on again by its Save.
    if (!policies_.autoHide) WriteOption(os, misc::kAutoHide, autoHide_);
    if (!policies_.waitIdle) WriteOption(os, misc::kWaitIdle, waitIdle_);
    SaveLaunchOrder();
    SaveOwnWaits();
}

void SettingsModel::SaveOwnWaits() const {
    // As with the order, a failing write is skipped and the others still go.
    for (const auto& [name, wait] : waits_) {
        if (WaitOf(storedWaits_, name) != wait) WriteOwnWait(ctx_.os, name, wait);
    }
}

void SettingsModel::SaveLaunchOrder() const {
    Os& os = ctx_.os;
    StoreDelete(os, kPrioritySection);
    if (rows.Count() == 0) return;
    // Rows that share a name share one key: the later row's index is the one that stays.
    for (size_t i = 0; i < rows.Count(); ++i) {
        StoreWrite(os, kPrioritySection, rows.names.Item(i), std::to_wstring(i));
    }
    WriteOption(os, misc::kSkin, selectedSkin_);
}

std::wstring SettingsModel::ToggleSwitch() {
    Os& os = ctx_.os;
    if (SwitchLocked()) return kLockedText;
    // The switch is stored together with what it moves, in one hold of the lock: a switch stored
    // while nothing could be moved would claim what was not done.
    const HoldingsLock lock(ctx_);
    if (!lock) {
        return L"The switch did nothing, because " + LockFailure(lock.Error()) +
               L".\n\nTry again in a moment.";
    }
    // With administrator rights the switch is the machine's: it acts for every account.
    const bool machine = os.AdminRights() == ERROR_SUCCESS;
    enabled_ = !enabled_;
    if (enabled_) {
        // A window left open while Tarnwick was uninstalled switches nothing on and takes
        // nothing: no launcher would start what it took.
        if (!LauncherFileThere(os, ctx_.programFolder)) {
            enabled_ = false;
            CaptureResult missing;
            missing.launcherMissing = true;
            return TakeOverReport(missing);
        }
        if (machine) WriteMachineSwitch(os, true);
        const CaptureResult taken = CaptureStartupEntries(ctx_, Registration::Write);
        if (taken.switchedOff) {
            enabled_ = false;
            return TakeOverReport(taken);
        }
        switchCaption_ = kEnabledCaption;
        WriteOption(os, misc::kEnabled, true);
        // Built over the rows as they stand: they are not emptied first.
        listt(ctx_, rows);
        return TakeOverReport(taken);
    }
    switchCaption_ = kDisabledCaption;
    // Stored before anything is given back, and not only on Save: a launcher still running, or a
    // window closed with Cancel, must not take the programs back behind the switch.
    WriteOption(os, misc::kEnabled, false);
    if (machine) WriteMachineSwitch(os, false);
    return GiveBackReport(RestoreStartupEntries(ctx_, true));
}

bool SettingsModel::Ticked(Box box) const {
    switch (box) {
        case Box::VisibleOnStartup:
            return visibleOnStartup_;
        case Box::AutoHide:
            return autoHide_;
        case Box::ShowDetails:
            return showDetails_;
        case Box::ShowSkin:
            return showSkin_;
        case Box::HideLogo:
            return hideLogo_;
        case Box::WaitIdle:
            return waitIdle_;
    }
    return false;
}

bool SettingsModel::SetByPolicy(Box box) const {
    switch (box) {
        case Box::VisibleOnStartup:
            return policies_.visible.has_value();
        case Box::AutoHide:
            return policies_.autoHide.has_value();
        case Box::WaitIdle:
            return policies_.waitIdle.has_value();
        case Box::ShowDetails:
        case Box::ShowSkin:
        case Box::HideLogo:
            break;
    }
    return false;
}

void SettingsModel::SetBox(Box box, bool ticked) {
    if (SetByPolicy(box)) return;
    switch (box) {
        case Box::VisibleOnStartup:
            visibleOnStartup_ = ticked;
            break;
        case Box::AutoHide:
            autoHide_ = ticked;
            break;
        case Box::ShowDetails:
            showDetails_ = ticked;
            break;
        case Box::HideLogo:
            hideLogo_ = ticked;
            break;
        case Box::WaitIdle:
            waitIdle_ = ticked;
            break;
        case Box::ShowSkin:
            showSkin_ = ticked;
            skinsShown_ = ticked;
            if (ticked) {
                int sk = selectedSkin_;
                Skin(sk);
            } else {
                skins_.NoSkin();
            }
            break;
    }
}

void SettingsModel::ChooseSkin(int index) {
    if (index < 0 || index >= static_cast<int>(skinNames_.size())) return;
    selectedSkin_ = index;
    Skin(index);
}

void SettingsModel::Skin(int& sk) {
    if (sk < 0) {
        sk = 0;
        ChooseSkin(0);
    }
    if (!skinsShown_) return;
    skins_.Skin(sk);
}

Impact SettingsModel::ImpactOfRow(size_t row) const {
    if (row >= rows.Count()) return Impact::NotMeasured;
    const auto found = costs_.find(rows.names.Item(row));
    return found == costs_.end() ? Impact::NotMeasured : MedianImpact(found->second);
}

int SettingsModel::LightestFirst(int selected) {
    std::vector<size_t> order(rows.Count());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<int> rank;
    for (const size_t row : order) rank.push_back(LightestFirstRank(ImpactOfRow(row)));
    std::stable_sort(order.begin(), order.end(),
                     [&rank](size_t a, size_t b) { return rank[a] < rank[b]; });
    LaunchList sorted;
    int moved = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.names.Append(rows.names.Item(order[i]));
        sorted.commands.Append(rows.commands.Item(order[i]));
        if (selected >= 0 && order[i] == static_cast<size_t>(selected)) moved = static_cast<int>(i);
    }
    rows = std::move(sorted);
    return moved;
}

OwnWait SettingsModel::WaitOfRow(size_t row) const {
    return row < rows.Count() ? WaitOf(waits_, rows.names.Item(row)) : OwnWait{};
}

void SettingsModel::SetWaitOfRow(size_t row, OwnWait wait) {
    if (row >= rows.Count()) return;
    // Only a number of seconds carries one: two waits that mean the same compare equal, so that a
    // choice taken back counts as no change.
    wait.seconds =
        wait.kind == OwnWait::Kind::Seconds ? std::clamp(wait.seconds, 0, kMostOwnWaitSeconds) : 0;
    waits_[rows.names.Item(row)] = wait;
}

int SettingsModel::MoveRow(int selected, int step) {
    const int count = static_cast<int>(rows.Count());
    const int target = selected + step;
    if (selected < 0 || selected >= count || target < 0 || target >= count) return selected;
    std::wstring name = rows.names.Item(static_cast<size_t>(selected));
    std::wstring command = rows.commands.Item(static_cast<size_t>(selected));
    rows.names.Remove(selected);
    rows.names.Insert(target, std::move(name));
    rows.commands.Remove(selected);
    rows.commands.Insert(target, std::move(command));
    return target;
}

}  // namespace tarnwick::settings

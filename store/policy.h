// Options an administrator sets for everyone with Group Policy: REG_DWORD values under
// Software\Policies\Veltane\Tarnwick, the computer's (HKEY_LOCAL_MACHINE) over the user's
// (HKEY_CURRENT_USER). A policy stands over the option of section "misc" of the same name while it
// is there, and never changes the store: once it goes, the user's own option holds again.
#pragma once

#include "options.h"
#include "os.h"

#include <optional>
#include <string_view>

namespace tarnwick {

inline constexpr std::wstring_view kPolicyKey = L"Software\\Policies\\Veltane\\Tarnwick";

// What the policies in force say; nothing where no policy sets that option.
struct Policies {
    std::optional<DWORD> initialSeconds;  // whole seconds
    std::optional<DWORD> programSeconds;  // whole seconds
    std::optional<DWORD> waitIdle;        // 0 or 1, as every flag below
    std::optional<DWORD> visible;
    std::optional<DWORD> autoHide;
    // Users may not switch Tarnwick off.
    std::optional<DWORD> lockSwitch;

    bool Locked() const { return lockSwitch == 1u; }
};

enum class PolicyKind {
    Seconds,  // a delay in whole seconds
    Flag,     // 0 or 1
};

struct PolicySetting {
    std::wstring_view name;  // the value's name, the option's own
    PolicyKind kind;
    DWORD least;
    DWORD most;
    // The option of section "misc" it stands over; the switch's lock holds "Enabled" on.
    std::wstring_view option;
    std::optional<DWORD> Policies::*field;
};

// Every policy Tarnwick reads; the administrative templates list the same, and their
// test reads this table from this file.
//
// The store keeps both delays in tenths of a second, and a policy's second is ten of them. The
// launcher starts with whole seconds from 1 to 65 and the settings window shows 0.5 to 50 s, so a
// delay policy takes 1 to 50 s: each of those shows and starts as it was set.
inline constexpr PolicySetting kPolicySettings[] = {
    {L"initTimeDelay", PolicyKind::Seconds, 1, 50, misc::kInitTimeDelay.key,
     &Policies::initialSeconds},
    {L"TimeDelay", PolicyKind::Seconds, 1, 50, misc::kTimeDelay.key, &Policies::programSeconds},
    {L"WaitIdle", PolicyKind::Flag, 0, 1, misc::kWaitIdle.key, &Policies::waitIdle},
    {L"Visible", PolicyKind::Flag, 0, 1, misc::kVisible.key, &Policies::visible},
    {L"AutoHide", PolicyKind::Flag, 0, 1, misc::kAutoHide.key, &Policies::autoHide},
    {L"LockSwitch", PolicyKind::Flag, 0, 1, misc::kEnabled.key, &Policies::lockSwitch},
};

// One policy's value: the computer's when it has a usable one, else the user's. A value of
// another type than REG_DWORD, out of range or that cannot be read counts as missing.
std::optional<DWORD> ReadPolicy(Os& os, const PolicySetting& setting);
Policies ReadPolicies(Os& os);

// A delay policy in the store's unit: tenths of a second.
inline double PolicyTenths(DWORD seconds) {
    return seconds * 10.0;
}

}  // namespace tarnwick

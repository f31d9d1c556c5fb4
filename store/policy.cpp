#include "policy.h"

#include <cstring>

namespace tarnwick {
namespace {

// Each policy value carries the name of the option it sets, so that an administrator finds it under
// the name the store gives it.
consteval bool NamedAfterTheirOptions() {
    for (const PolicySetting& setting : kPolicySettings) {
        if (setting.field != &Policies::lockSwitch && setting.name != setting.option) return false;
    }
    return true;
}
static_assert(NamedAfterTheirOptions());

std::optional<DWORD> ReadFrom(Os& os, HKEY root, const PolicySetting& setting) {
    RegValue value;
    if (os.QueryValue(root, kPolicyKey, setting.name, value) != ERROR_SUCCESS) return std::nullopt;
    if (value.type != REG_DWORD || value.data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof number);
    if (number < setting.least || number > setting.most) return std::nullopt;
    return number;
}

}  // namespace

std::optional<DWORD> ReadPolicy(Os& os, const PolicySetting& setting) {
    // The computer's policy wins, as Group Policy ranks them.
    if (const auto machine = ReadFrom(os, HKEY_LOCAL_MACHINE, setting)) return machine;
    return ReadFrom(os, HKEY_CURRENT_USER, setting);
}

Policies ReadPolicies(Os& os) {
    Policies policies;
    for (const PolicySetting& setting : kPolicySettings) {
        policies.*setting.field = ReadPolicy(os, setting);
    }
    return policies;
}

}  // namespace tarnwick

#include "options.h"

#include "convert.h"
#include "registry.h"
#include "settings_store.h"

namespace tarnwick {

std::wstring DefaultText(const FlagOption& option) {
    return FormatFlag(option.defaultValue);
}

std::wstring DefaultText(const NumberOption& option) {
    return FormatNumber(option.defaultValue);
}

std::wstring ReadOptionText(Os& os, const FlagOption& option) {
    return StoreRead(os, kMiscSection, option.key, DefaultText(option));
}

std::wstring ReadOptionText(Os& os, const NumberOption& option) {
    return StoreRead(os, kMiscSection, option.key, DefaultText(option));
}

bool ReadOption(Os& os, const FlagOption& option) {
    return StoreReadFlag(os, kMiscSection, option.key, option.defaultValue);
}

double ReadOption(Os& os, const NumberOption& option) {
    return StoreReadNumber(os, kMiscSection, option.key, option.defaultValue);
}

LSTATUS WriteOption(Os& os, const FlagOption& option, bool value) {
    return StoreWrite(os, kMiscSection, option.key, FormatFlag(value));
}

LSTATUS WriteOption(Os& os, const NumberOption& option, long long value) {
    return StoreWrite(os, kMiscSection, option.key, std::to_wstring(value));
}

LSTATUS WriteOptionText(Os& os, const FlagOption& option, std::wstring_view text) {
    return StoreWrite(os, kMiscSection, option.key, text);
}

LSTATUS WriteOptionText(Os& os, const NumberOption& option, std::wstring_view text) {
    return StoreWrite(os, kMiscSection, option.key, text);
}

bool MachineSwitchedOff(Os& os) {
    const StringRead read = Registry::ReadString(os, HKEY_LOCAL_MACHINE,
                                                 StoreSectionKey(kMiscSection), misc::kEnabled.key);
    return read.status == ReadStatus::Found && ParseFlag(read.text) == false;
}

LSTATUS WriteMachineSwitch(Os& os, bool enabled) {
    return StoreWrite(os, MachineHive(), kMiscSection, misc::kEnabled.key, FormatFlag(enabled));
}

}  // namespace tarnwick

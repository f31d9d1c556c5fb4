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

MiscSnapshot::MiscSnapshot(Os& os) : os_(os) {
    values_ = StoreReadSection(os, kMiscSection, &complete_);
}

std::wstring MiscSnapshot::Text(std::wstring_view key, std::wstring_view defaultText) const {
    if (!complete_) return StoreRead(os_, kMiscSection, key, defaultText);
    for (const auto& [name, text] : values_) {
        if (EqualsIgnoringCase(name, key)) return text;
    }
    return std::wstring(defaultText);
}

bool MiscSnapshot::Read(const FlagOption& option) const {
    return ParseFlag(Text(option)).value_or(option.defaultValue);
}

double MiscSnapshot::Read(const NumberOption& option) const {
    return ParseNumber(Text(option)).value_or(option.defaultValue);
}

void MiscSnapshot::Write(const FlagOption& option, bool value) {
    Put(option.key, FormatFlag(value));
}

void MiscSnapshot::Write(const NumberOption& option, long long value) {
    Put(option.key, std::to_wstring(value));
}

void MiscSnapshot::Put(std::wstring_view key, std::wstring_view text) {
    if (complete_) {
        for (auto& [name, stored] : values_) {
            if (!EqualsIgnoringCase(name, key)) continue;
            if (stored == text) return;
            if (StoreWrite(os_, kMiscSection, key, text) == ERROR_SUCCESS) stored = text;
            return;
        }
    }
    if (StoreWrite(os_, kMiscSection, key, text) == ERROR_SUCCESS && complete_)
        values_.emplace_back(key, text);
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

#include "settings_store.h"

#include "convert.h"
#include "registry.h"

namespace tarnwick {

std::wstring StoreSectionKey(std::wstring_view section) {
    std::wstring key = L"Software\\";
    key += kApplication;
    key += L'\\';
    key += section;
    return key;
}

bool IsMachineSection(std::wstring_view section) {
    return EqualsIgnoringCase(section, kMachineSection) ||
           EqualsIgnoringCase(section, kMachine32Section);
}

Hive SectionHive(std::wstring_view section) {
    return IsMachineSection(section) ? MachineHive() : UserHive();
}

std::wstring StoreRead(Os& os, std::wstring_view section, std::wstring_view key,
                       std::wstring_view defaultText) {
    const Hive hive = SectionHive(section);
    return Registry::GetValue(os, hive.root, StoreSectionKey(section), key, defaultText);
}

LSTATUS StoreWrite(Os& os, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) {
    return StoreWrite(os, SectionHive(section), section, key, text);
}

LSTATUS StoreWrite(Os& os, const Hive& hive, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) {
    return Registry::SetValue(os, hive.root, hive.Key(StoreSectionKey(section)), key, text);
}

LSTATUS StoreDelete(Os& os, std::wstring_view section, std::wstring_view key) {
    return StoreDelete(os, SectionHive(section), section, key);
}

LSTATUS StoreDelete(Os& os, const Hive& hive, std::wstring_view section, std::wstring_view key) {
    const LSTATUS rc =
        Registry::DeleteValue(os, hive.root, hive.Key(StoreSectionKey(section)), key);
    return IsNotThere(rc) ? ERROR_SUCCESS : rc;
}

LSTATUS StoreDelete(Os& os, std::wstring_view section) {
    // An empty section name would name the application key itself, and with it every section.
    if (section.empty()) return ERROR_INVALID_PARAMETER;
    const LSTATUS rc = os.DeleteKey(SectionHive(section).root, StoreSectionKey(section));
    return IsNotThere(rc) ? ERROR_SUCCESS : rc;
}

std::vector<StorePair> StoreReadSection(Os& os, std::wstring_view section, bool* complete) {
    return StoreReadSection(os, SectionHive(section), section, complete);
}

namespace {

// One read of the whole section key: the pairs of the values of the given types.
std::vector<StorePair> ReadPairs(Os& os, const Hive& hive, std::wstring_view section,
                                 bool expandable, bool* complete) {
    std::vector<NamedRegValue> values;
    const LSTATUS rc = os.EnumValues(hive.root, hive.Key(StoreSectionKey(section)), values);
    if (complete) *complete = rc == ERROR_SUCCESS || IsNotThere(rc);
    std::vector<StorePair> pairs;
    pairs.reserve(values.size());
    for (auto& v : values) {
        if (v.value.type == REG_SZ || (expandable && v.value.type == REG_EXPAND_SZ))
            pairs.emplace_back(std::move(v.name), DecodeRegString(v.value.data));
    }
    return pairs;
}

}  // namespace

std::vector<StorePair> StoreReadSection(Os& os, const Hive& hive, std::wstring_view section,
                                        bool* complete) {
    return ReadPairs(os, hive, section, false, complete);
}

std::vector<StorePair> StoreReadCommands(Os& os, const Hive& hive, std::wstring_view section) {
    return ReadPairs(os, hive, section, true, nullptr);
}

bool StoreReadFlag(Os& os, std::wstring_view section, std::wstring_view key, bool defaultValue) {
    return ParseFlag(StoreRead(os, section, key, FormatFlag(defaultValue))).value_or(defaultValue);
}

double StoreReadNumber(Os& os, std::wstring_view section, std::wstring_view key,
                       double defaultValue) {
    return ParseNumber(StoreRead(os, section, key, FormatNumber(defaultValue)))
        .value_or(defaultValue);
}

}  // namespace tarnwick

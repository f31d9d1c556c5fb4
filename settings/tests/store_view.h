// The settings' store as the tests prepare and read it, through whichever registry the test runs
// on: an in-process sandbox, or the real one that the program under test shares.
#pragma once

#include "settings_store.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick::settings {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

// A key of the misc section; "-" when it is not stored.
inline std::wstring Misc(std::wstring_view key) {
    return StoreRead(SystemOs(), kMiscSection, key, L"-");
}
inline void SetMisc(std::wstring_view key, std::wstring_view text) {
    StoreWrite(SystemOs(), kMiscSection, key, text);
}
// Captured Run values of the machine, in the store as a capture leaves them.
inline void Held(const std::vector<std::wstring>& names) {
    for (const auto& name : names)
        StoreWrite(SystemOs(), kMachineSection, name, L"C:\\" + name + L".exe");
}
// The stored order, by index.
inline Pairs Priority() {
    auto pairs = StoreReadSection(SystemOs(), kPrioritySection);
    std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        return std::stoi(a.second) < std::stoi(b.second);
    });
    return pairs;
}

}  // namespace tarnwick::settings

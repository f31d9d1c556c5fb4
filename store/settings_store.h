// The settings store of application "Veltane": one registry key per section under
// <hive>\Software\Veltane, one REG_SZ value per store key. What was taken from the machine's Run
// key is the machine's and lives in the machine's store (HKEY_LOCAL_MACHINE), where every
// account's launcher reads it; everything else lives in the account's own (HKEY_CURRENT_USER).
// Section and key names compare without regard to letter case, as registry names do.
#pragma once

#include "os.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

inline constexpr std::wstring_view kApplication = L"Veltane";
inline constexpr std::wstring_view kMiscSection = L"misc";
inline constexpr std::wstring_view kPrioritySection = L"priority";
inline constexpr std::wstring_view kMachineSection = L"HKEY_LOCAL_MACHINE";
// What was taken from the machine's Run key in its 32-bit view (64-bit Windows only).
inline constexpr std::wstring_view kMachine32Section = L"HKEY_LOCAL_MACHINE32";
inline constexpr std::wstring_view kUserSection = L"HKEY_CURRENT_USER";

using StorePair = std::pair<std::wstring, std::wstring>;

// A registry hive as the store and the Run keys are reached in it: the machine's, the running
// account's, or another account's under HKEY_USERS (its hive's name there and a backslash in
// `prefix`).
struct Hive {
    HKEY root = HKEY_CURRENT_USER;
    std::wstring prefix;

    std::wstring Key(std::wstring_view subKey) const { return prefix + std::wstring(subKey); }
};

inline Hive MachineHive() {
    return {HKEY_LOCAL_MACHINE, {}};
}
inline Hive UserHive() {
    return {HKEY_CURRENT_USER, {}};
}

// The sections of what was taken from the machine's Run key, in either view.
bool IsMachineSection(std::wstring_view section);
// Where a section is kept: the machine's sections in the machine's store, every other one in the
// running account's.
Hive SectionHive(std::wstring_view section);

// The registry key below its hive's root that holds one section.
std::wstring StoreSectionKey(std::wstring_view section);

// The stored text, or `defaultText` when the key or section is missing. A stored value that is
// not text, or cannot be read, also reads as `defaultText`: the program then behaves as on a
// fresh profile for that one setting instead of acting on something it cannot interpret.
std::wstring StoreRead(Os& os, std::wstring_view section, std::wstring_view key,
                       std::wstring_view defaultText);
LSTATUS StoreWrite(Os& os, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text);
// Removes one key. Removing what does not exist succeeds.
LSTATUS StoreDelete(Os& os, std::wstring_view section, std::wstring_view key);
// Removes a whole section with all its keys. Removing what does not exist succeeds.
LSTATUS StoreDelete(Os& os, std::wstring_view section);
// Every readable (key, text) pair of a section in the store's own order; empty when missing.
// `complete`, when given, says whether every key of the section was read (a missing section is
// complete).
std::vector<StorePair> StoreReadSection(Os& os, std::wstring_view section,
                                        bool* complete = nullptr);

// The same in a store named by its hive: the machine's sections as an earlier version kept them in
// an account's own store, and the store of another account.
LSTATUS StoreWrite(Os& os, const Hive& hive, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text);
LSTATUS StoreDelete(Os& os, const Hive& hive, std::wstring_view section, std::wstring_view key);
std::vector<StorePair> StoreReadSection(Os& os, const Hive& hive, std::wstring_view section,
                                        bool* complete = nullptr);

// The held commands of a section: its REG_SZ values and its REG_EXPAND_SZ ones (a store written
// by hand or by another program may hold those; the launcher expands every command it starts).
// `StoreReadSection` leaves the expandable ones out, so that nothing copies them on as plain text.
std::vector<StorePair> StoreReadCommands(Os& os, const Hive& hive, std::wstring_view section);

// Typed reads over the store's text forms; an unreadable text gives the default.
bool StoreReadFlag(Os& os, std::wstring_view section, std::wstring_view key, bool defaultValue);
double StoreReadNumber(Os& os, std::wstring_view section, std::wstring_view key,
                       double defaultValue);

}  // namespace tarnwick

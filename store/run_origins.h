// Where Windows keeps the start-up programs that Tarnwick takes over: the machine's Run key in
// both registry views and the user's Run key, each with the store section that holds what was
// taken from it and the key in which Task Manager records the entries the user switched off.
#pragma once

#include "registry.h"
#include "settings_store.h"

#include <windows.h>

#include <string_view>

namespace tarnwick {

// The 32-bit view of the machine's Run key, by its literal path: a 64-bit program reaches it so
// on 64-bit Windows, and a test's redirected HKEY_LOCAL_MACHINE (where KEY_WOW64_32KEY would
// redirect nothing) holds it at the same place. Missing on 32-bit Windows, which then has
// nothing there to take.
inline constexpr std::wstring_view kRun32Key =
    L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

inline constexpr std::wstring_view kApprovedRunKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
// Task Manager keeps the flags of the 32-bit view's entries in the 64-bit view.
inline constexpr std::wstring_view kApprovedRun32Key =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
inline constexpr std::wstring_view kApprovedStartupFolderKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

struct RunOrigin {
    std::wstring_view section;  // the store section of what was taken from here
    HKEY root;
    std::wstring_view runKey;
    std::wstring_view approvedKey;  // under the same root
    // Appended to the entry's name in the launch list and in "priority", so that a program of
    // the 32-bit view keeps a row of its own beside a 64-bit one of the same name.
    std::wstring_view listSuffix;
};

// In the order the launch list starts them: the machine's 64-bit entries, its 32-bit ones, then
// the user's. A name in a later origin's section gives an unpositioned row of an earlier one its
// command (the user's entry wins over the machine's of the same name).
inline const RunOrigin kRunOrigins[] = {
    {kMachineSection, HKEY_LOCAL_MACHINE, kRunKey, kApprovedRunKey, L""},
    {kMachine32Section, HKEY_LOCAL_MACHINE, kRun32Key, kApprovedRun32Key, L" (32-bit)"},
    {kUserSection, HKEY_CURRENT_USER, kRunKey, kApprovedRunKey, L""},
};

}  // namespace tarnwick

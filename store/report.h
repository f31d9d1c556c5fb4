// Words for the user about start-up entries that stayed where they were: one line per entry.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwick {

enum class EntryKind {
    RunValue,
    Shortcut,
    // Everything an account holds, when its hive or folders could not be reached at all.
    Account,
};

// "\"Mail\" (a shortcut in the StartUp folder): the file is in use by another program." An empty
// name stands for every entry of that kind and place, which could not even be read.
std::wstring EntryReportLine(std::wstring_view name, EntryKind kind, bool allUsers, DWORD error);
// The same for an entry of another account, named by `account` (empty: the running account's).
std::wstring EntryReportLine(std::wstring_view name, EntryKind kind, bool allUsers, DWORD error,
                             std::wstring_view account);

// A short reason for the user why something could not be done, from its Win32 error: what would
// change it where that is known, else the system's own message.
std::wstring FailureReason(DWORD error);

// The system's own text for an error code, without the line break it ends in; empty when the
// system has none.
std::wstring SystemMessage(DWORD error);

}  // namespace tarnwick

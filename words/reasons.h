// The words every report is made of: why something could not be done, from its Win32 error, and
// one line per start-up entry that stayed where it was.
#pragma once

#include "restore.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwick {

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

// Why nothing was changed because the holdings lock (`HoldingsLock`) could not be had, as the
// middle of a sentence: "another Tarnwick program is changing the start-up programs right now",
// or why the lock could not be had.
std::wstring LockFailure(Status error);

}  // namespace tarnwick

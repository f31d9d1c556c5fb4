// The last step of an uninstall: the running uninstaller's own file, which no system deletes while
// its program runs. A copy of the uninstaller, in a fresh folder of the temporary folder that only
// administrators can change, waits for it to end, deletes its file and the then empty program
// folder, and has itself and its folder deleted at the next restart, since it cannot delete its
// own file either.
#pragma once

#include "os.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The argument that makes uninstall.exe the copy: "/remove-after <handle>", the value of a handle
// of the uninstaller's process that the copy inherits. A handle, not a process id: an id may
// already name another process once the uninstaller has ended, a handle holds on to its process.
inline constexpr std::wstring_view kRemoveAfterSwitch = L"/remove-after";

// The copy's file name. Not the uninstaller's, so that the copy never takes itself for the
// uninstaller it waits for, and only the copy ever has itself deleted at the next restart.
inline constexpr std::wstring_view kCopyName = L"Tarnwick-uninstall.exe";

// Creates a folder of a name nobody can foresee below `temp`, with permissions that only
// administrators can change from its first moment; its path, or empty when it could not be made.
// A folder that exists already is never used.
std::wstring MakeCopyFolder(Os& os, std::wstring_view temp);

// Copies this program into such a folder and starts the copy, handing it a handle of this process
// and no other handle. Whether the copy runs.
bool StartOwnFileRemoval(Os& os);

// The handle in the copy's command line: "/remove-after " and a plain decimal or hexadecimal
// ("0x...") number, not 0, that fits in 32 bits (as every handle does). Nothing for anything else.
std::optional<HANDLE> RemoveAfterHandle(std::wstring_view commandLine);

// The copy's work: when `parent` is a handle of another process that runs a file named
// uninstall.exe, waits (a minute at most) for that process to end, then deletes its file and that
// file's folder when it is empty. Only that file: the copy is no tool to delete anything else.
// Whatever happens, the copy has its own file and folder deleted at the next restart. Returns the
// exit code.
int RemoveFileOfEndedProcess(HANDLE parent);

}  // namespace tarnwick

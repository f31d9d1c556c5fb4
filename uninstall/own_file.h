// The last step of an uninstall: the running uninstaller's own file, which no system deletes while
// its program runs. A copy of the uninstaller in the temporary folder waits for it to end, deletes
// its file and the then empty program folder, and has itself deleted at the next restart, since it
// cannot delete its own file either.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwick {

// The argument that makes uninstall.exe the copy: "/remove-after <process id>".
inline constexpr std::wstring_view kRemoveAfterSwitch = L"/remove-after";

// Copies this program into the temporary folder and starts the copy, told this process's id.
// Whether the copy runs.
bool StartOwnFileRemoval();

// The copy's work: waits (a minute at most) for process `parent` to end, then deletes the file it
// ran from and that file's folder when it is empty. Only a file named like this program, and only
// the file of the process it waited for: the copy is no tool to delete anything else. Returns the
// exit code.
int RemoveFileOfEndedProcess(DWORD parent);

}  // namespace tarnwick

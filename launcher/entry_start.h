// Starting one entry of the launch list, and what a failed start means for the store.
#pragma once

#include "context.h"

#include <string>
#include <string_view>

namespace tarnwick {

enum class StartResult {
    Started,      // handed to the shell or running; a shortcut's result is not looked at
    Nothing,      // a blank command: nothing to start
    Missing,      // the program is not there (file or path not found on a volume that answers)
    Unreachable,  // its drive or network path is not ready now; the entry stays for next time
    Failed,       // any other error, for the user to see
};

struct StartOutcome {
    StartResult result = StartResult::Nothing;
    DWORD error = ERROR_SUCCESS;
    // What the start left to watch, for the wait of the entry after it and for measuring its cost.
    StartedProcess started;
};

// A shortcut: the whole command, spaces around it trimmed, is the path of an existing file whose
// name ends in ".lnk" (any case). A held shortcut's path may hold spaces, so it is not split;
// a command line that merely ends in a ".lnk" argument names no such file and runs as a command.
bool IsShortcutCommand(Os& os, std::wstring_view command);

// A command line split the way CreateProcess finds its program: a quoted path, or else the
// shortest run of words up to a space that names an existing program (see `ProgramExists`).
struct CommandParts {
    std::wstring file;
    std::wstring parameters;
};
CommandParts SplitCommandLine(Os& os, std::wstring_view command);

// Whether `name` is a program file CreateProcess could find: the file itself, or ".exe" added to
// a name without an extension; a name without a path is looked for along the search path.
bool ProgramExists(Os& os, std::wstring_view name);

// Whether no file that CreateProcess would take as the program of `command` exists: the quoted
// path, or else every run of words up to a space and the whole line.
bool ProgramAbsent(Os& os, std::wstring_view command);

// The root of the volume the command's program lives on ("C:\", "\\server\share\"); empty for
// a program found through the search path.
std::wstring ProgramRoot(std::wstring_view command);

// Starts an entry, its command trimmed of spaces around it (nothing else is rewritten): a
// shortcut through the shell's "open" verb without the shell's error messages, anything else as
// the whole command line in a new process (not waited for). A program that asks for elevation is
// handed to the shell, which shows the consent prompt, as Windows does for its own start-up
// entries. `Missing` only when the program file is verifiably not there.
StartOutcome StartEntry(const StoreContext& ctx, std::wstring_view command);

// The program of `command` is gone: removes every captured value with exactly this command line
// (as stored, spaces and all) from every captured section, with its launch position.
void RemoveMissingProgram(Os& os, std::wstring_view command);

}  // namespace tarnwick

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
};

// A shortcut: the last three characters, lower-cased and then trimmed, read "lnk". The
// characters are taken before trimming, so "x.LNK " is run as a command line.
bool IsShortcutCommand(std::wstring_view command);

// A command line split the way CreateProcess finds its program: a quoted path, or else the
// shortest run of words up to a space that names an existing file (".exe" may be left out).
struct CommandParts {
    std::wstring file;
    std::wstring parameters;
};
CommandParts SplitCommandLine(Os& os, std::wstring_view command);

// The root of the volume the command's program lives on ("C:\", "\\server\share\"); empty for
// a program found through the search path.
std::wstring ProgramRoot(std::wstring_view command);

// Starts a shortcut through the shell's "Open" verb, anything else as the whole command line in
// a new process (not waited for). A program that asks for elevation is handed to the shell,
// which shows the consent prompt, as Windows does for its own start-up entries.
StartOutcome StartEntry(const StoreContext& ctx, std::wstring_view command);

// The program of `command` is gone: removes every captured value with exactly this command line
// from both captured sections, with its launch position.
void RemoveMissingProgram(Os& os, std::wstring_view command);

}  // namespace tarnwick

#include "entry_start.h"

#include "accounts.h"
#include "capture.h"
#include "convert.h"
#include "folder_path.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <vector>

namespace tarnwick {
namespace {

// CreateProcess's answer for a program whose manifest asks for administrator rights; the
// mingw-w64 headers do not name it.
constexpr DWORD kElevationRequired = 740;

// Errors that say the program's volume is not there at the moment (a network path that does not
// answer yet at log-on, a removable drive without its medium): not a reason to forget it.
bool IsNotReadyError(DWORD error) {
    switch (error) {
        case ERROR_NOT_READY:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NETNAME_DELETED:
        case ERROR_REM_NOT_LIST:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_NO_MEDIA_IN_DRIVE:
        case ERROR_NO_NET_OR_BAD_PATH:
        case ERROR_NETWORK_UNREACHABLE:
        case ERROR_HOST_UNREACHABLE:
            return true;
        default:
            return false;
    }
}

// The extension is the part after the last dot of the last path component.
bool HasExtension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    const size_t separator = name.find_last_of(L"\\/");
    return dot != name.npos && (separator == name.npos || dot > separator);
}

// A path from the root of a drive or a share; anything else is looked for as CreateProcess looks
// for it, through the search path.
bool IsAbsolutePath(std::wstring_view name) {
    return name.starts_with(L"\\\\") ||
           (name.size() >= 3 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/'));
}

// The names CreateProcess tries, in its order, for a command trimmed of spaces: the quoted path,
// or else each run of words up to a space, then the whole line.
std::vector<std::wstring> ProgramCandidates(std::wstring_view line) {
    if (line.empty()) return {};
    if (line.front() == L'"') {
        const size_t close = line.find(L'"', 1);
        return {std::wstring(line.substr(1, close == line.npos ? line.npos : close - 1))};
    }
    std::vector<std::wstring> candidates;
    for (size_t space = line.find(L' '); space != line.npos; space = line.find(L' ', space + 1)) {
        if (line[space - 1] != L' ') candidates.emplace_back(line.substr(0, space));
    }
    candidates.emplace_back(line);
    return candidates;
}

// "<folder>\<name>.lnk": the shortcut's file name when the line names one directly in `folder`.
std::wstring_view ShortcutIn(std::wstring_view folder, std::wstring_view line) {
    if (folder.empty() || line.size() <= folder.size() + 1 + 4) return {};
    const std::wstring_view file = line.substr(folder.size() + 1);
    const bool in = EqualsIgnoringCase(line.substr(0, folder.size()), folder) &&
                    line[folder.size()] == L'\\' && file.find_first_of(L"\\/") == file.npos &&
                    HasShortcutExtension(file);
    return in ? file : std::wstring_view();
}

// The file name of a shortcut in Tarnwick's keeping, whether or not it is still there: in the
// account's folder of held shortcuts, or in the program folder where an earlier version kept them.
std::wstring HeldShortcutFile(const StoreContext& ctx, std::wstring_view line) {
    if (!HasShortcutExtension(line)) return {};
    if (const auto file = ShortcutIn(ctx.programFolder, line); !file.empty())
        return std::wstring(file);
    return std::wstring(ShortcutIn(HeldShortcutFolder(ctx.os, ctx.owner), line));
}

// What a command line that CreateProcess refused with `error` means for its entry.
StartResult RefusedStart(Os& os, const std::wstring& command, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        const std::wstring root = ProgramRoot(command);
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        if (!root.empty() && os.FileAttributes(root, attributes) != ERROR_SUCCESS) {
            return StartResult::Unreachable;
        }
        // "Not found" alone is not proof: the entry goes only when no file CreateProcess could
        // have taken for its program is there.
        if (ProgramAbsent(os, command)) return StartResult::Missing;
        return StartResult::Failed;
    }
    if (IsNotReadyError(error)) return StartResult::Unreachable;
    return StartResult::Failed;
}

}  // namespace

bool IsShortcutCommand(Os& os, std::wstring_view command) {
    const std::wstring line = TrimSpaces(command);
    // ".lnk" alone names no shortcut.
    return line.size() > 4 && HasShortcutExtension(line) && IsFile(os, line);
}

bool ProgramExists(Os& os, std::wstring_view name) {
    if (name.empty()) return false;
    if (!IsAbsolutePath(name)) {
        // A search that fails for another reason than "not there" (or "no file can have that
        // name") proves nothing: it counts as found, so that no entry is dropped on its strength.
        const DWORD error = os.FindOnSearchPath(name, L".exe");
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
               error != ERROR_INVALID_NAME;
    }
    const std::wstring path(name);
    return IsFile(os, path) || (!HasExtension(path) && IsFile(os, path + L".exe"));
}

bool ProgramAbsent(Os& os, std::wstring_view command) {
    const std::vector<std::wstring> candidates = ProgramCandidates(TrimSpaces(command));
    if (candidates.empty()) return false;
    for (const std::wstring& candidate : candidates) {
        if (ProgramExists(os, candidate)) return false;
    }
    return true;
}

CommandParts SplitCommandLine(Os& os, std::wstring_view command) {
    const std::wstring line = TrimSpaces(command);
    if (line.empty()) return {};
    const auto rest = [&](size_t from) {
        const size_t first = line.find_first_not_of(L' ', from);
        return first == line.npos ? std::wstring() : line.substr(first);
    };
    if (line.front() == L'"') {
        const size_t close = line.find(L'"', 1);
        if (close == line.npos) return {line.substr(1), {}};
        return {line.substr(1, close - 1), rest(close + 1)};
    }
    for (size_t space = line.find(L' '); space != line.npos; space = line.find(L' ', space + 1)) {
        const std::wstring candidate = line.substr(0, space);
        if (ProgramExists(os, candidate)) return {candidate, rest(space)};
    }
    const size_t space = line.find(L' ');
    if (space == line.npos || ProgramExists(os, line)) return {line, {}};
    return {line.substr(0, space), rest(space)};
}

std::wstring ProgramRoot(std::wstring_view command) {
    const size_t start = command.find_first_not_of(L" \"");
    if (start == command.npos) return {};
    command.remove_prefix(start);
    if (command.size() >= 3 && command[1] == L':' && command[2] == L'\\') {
        return std::wstring(command.substr(0, 3));
    }
    if (command.starts_with(L"\\\\")) {
        // \\server\share\ : the root is everything up to the backslash after the share name.
        const size_t server = command.find(L'\\', 2);
        if (server == command.npos) return {};
        const size_t share = command.find_first_of(L"\\\"", server + 1);
        return std::wstring(command.substr(0, share == command.npos ? command.size() : share)) +
               L'\\';
    }
    return {};
}

StartOutcome StartEntry(const StoreContext& ctx, std::wstring_view stored) {
    StartOutcome outcome;
    const auto answer = [&outcome](StartResult result, DWORD error) {
        outcome.result = result;
        outcome.error = error;
        // Only a start leaves anything to watch.
        if (result != StartResult::Started) outcome.started = {};
        return std::move(outcome);
    };
    // Some installers write spaces before a command; CreateProcess would look for a program with
    // an empty name there and fail.
    const std::wstring held = TrimSpaces(stored);
    if (held.empty()) return answer(StartResult::Nothing, ERROR_SUCCESS);
    if (const std::wstring file = HeldShortcutFile(ctx, held); !file.empty()) {
        std::wstring path = held;
        // Switched off while this log-on ran, Tarnwick gave the shortcut back: it waits in the
        // StartUp folder now, and Windows will not start it before the next log-on.
        if (!IsFile(ctx.os, path)) {
            const std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
            if (!startUp.empty()) path = JoinPath(startUp, file);
        }
        // Never run as a command line: unquoted, "C:\Program Files\..." would be looked for as
        // "C:\Program.exe" first.
        if (IsFile(ctx.os, path)) ctx.os.OpenShortcut(ctx.owner, path, outcome.started);
        return answer(StartResult::Started, ERROR_SUCCESS);
    }
    // A plain string may still name "%ProgramFiles%\..." or "%LOCALAPPDATA%\...": some
    // installers write it so, and Windows starts it expanded. Expanded, too, its program is looked
    // for before it counts as missing.
    const std::wstring command = ExpandEnvironment(ctx.os, held);
    // A held command that starts this launcher (an earlier version took a spelling of it that it
    // did not know) would start a second launcher, which ends at once: not started, and never
    // dropped as missing either, since it is what the user had.
    if (StartsLauncher(ctx.os, command, ctx.programFolder))
        return answer(StartResult::Nothing, ERROR_SUCCESS);
    if (IsShortcutCommand(ctx.os, command)) {
        // A broken shortcut is the user's to mend in the shell, never an error box here and never
        // a reason to drop it: the result means nothing.
        ctx.os.OpenShortcut(ctx.owner, command, outcome.started);
        return answer(StartResult::Started, ERROR_SUCCESS);
    }
    const DWORD error = ctx.os.StartProcess(command, outcome.started);
    if (error == ERROR_SUCCESS) return answer(StartResult::Started, error);
    if (error == kElevationRequired) {
        const CommandParts parts = SplitCommandLine(ctx.os, command);
        const DWORD shell =
            ctx.os.ShellOpen(ctx.owner, parts.file, parts.parameters, outcome.started);
        // The user saying no to the consent prompt is an answer, not an error.
        if (shell == ERROR_SUCCESS || shell == ERROR_CANCELLED)
            return answer(StartResult::Started, shell);
        return answer(StartResult::Failed, shell);
    }
    return answer(RefusedStart(ctx.os, command, error), error);
}

void RemoveMissingProgram(Os& os, std::wstring_view command) {
    for (const RunOrigin& origin : kRunOrigins) {
        // The machine's programs also where an earlier version kept them, in the account's own
        // store. Without administrator rights the machine's store stays as it is: such a program
        // stays held until a run that may change it finds it missing too.
        std::vector<Hive> hives{SectionHive(origin.section)};
        if (IsMachineSection(origin.section)) hives.push_back(UserHive());
        for (const Hive& hive : hives) {
            for (const auto& [name, stored] : StoreReadSection(os, hive, origin.section)) {
                if (stored != command) continue;
                if (StoreDelete(os, hive, origin.section, name) != ERROR_SUCCESS) continue;
                // The launch order knows the row by the name the list gave it.
                StoreDelete(os, kPrioritySection, name + std::wstring(origin.listSuffix));
            }
        }
    }
}

}  // namespace tarnwick

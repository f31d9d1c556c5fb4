#include "entry_start.h"

#include "convert.h"
#include "settings_store.h"

namespace tarnwick {
namespace {

// CreateProcess's answer for a program whose manifest asks for administrator rights; the
// mingw-w64 headers do not name it.
constexpr DWORD kElevationRequired = 740;

bool IsFile(Os& os, const std::wstring& path) {
    const DWORD attributes = os.FileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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

}  // namespace

bool IsShortcutCommand(std::wstring_view command) {
    const std::wstring_view tail =
        command.size() > 3 ? command.substr(command.size() - 3) : command;
    return TrimSpaces(ToLower(tail)) == L"lnk";
}

CommandParts SplitCommandLine(Os& os, std::wstring_view command) {
    const size_t start = command.find_first_not_of(L' ');
    if (start == command.npos) return {};
    command.remove_prefix(start);
    const auto rest = [&](size_t from) {
        const size_t first = command.find_first_not_of(L' ', from);
        return first == command.npos ? std::wstring() : std::wstring(command.substr(first));
    };
    if (command.front() == L'"') {
        const size_t close = command.find(L'"', 1);
        if (close == command.npos) return {std::wstring(command.substr(1)), {}};
        return {std::wstring(command.substr(1, close - 1)), rest(close + 1)};
    }
    for (size_t space = command.find(L' '); space != command.npos;
         space = command.find(L' ', space + 1)) {
        const std::wstring candidate(command.substr(0, space));
        if (IsFile(os, candidate) || IsFile(os, candidate + L".exe")) {
            return {candidate, rest(space)};
        }
    }
    const size_t space = command.find(L' ');
    if (space == command.npos || IsFile(os, std::wstring(command)))
        return {std::wstring(command), {}};
    return {std::wstring(command.substr(0, space)), rest(space)};
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

StartOutcome StartEntry(const StoreContext& ctx, std::wstring_view command) {
    if (IsShortcutCommand(command)) {
        // The shell shows its own message for a broken shortcut; its result means nothing here.
        ctx.os.ShellOpen(ctx.owner, command, {});
        return {StartResult::Started, ERROR_SUCCESS};
    }
    if (TrimSpaces(command).empty()) return {StartResult::Nothing, ERROR_SUCCESS};
    const DWORD error = ctx.os.StartProcess(command);
    if (error == ERROR_SUCCESS) return {StartResult::Started, error};
    if (error == kElevationRequired) {
        const CommandParts parts = SplitCommandLine(ctx.os, command);
        const DWORD shell = ctx.os.ShellOpen(ctx.owner, parts.file, parts.parameters);
        // The user saying no to the consent prompt is an answer, not an error.
        if (shell == ERROR_SUCCESS || shell == ERROR_CANCELLED)
            return {StartResult::Started, shell};
        return {StartResult::Failed, shell};
    }
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        const std::wstring root = ProgramRoot(command);
        if (!root.empty() && ctx.os.FileAttributes(root) == INVALID_FILE_ATTRIBUTES) {
            return {StartResult::Unreachable, error};
        }
        return {StartResult::Missing, error};
    }
    if (IsNotReadyError(error)) return {StartResult::Unreachable, error};
    return {StartResult::Failed, error};
}

void RemoveMissingProgram(Os& os, std::wstring_view command) {
    for (const std::wstring_view section : {kMachineSection, kUserSection}) {
        for (const auto& [name, stored] : StoreReadSection(os, section)) {
            if (stored != command) continue;
            StoreDelete(os, section, name);
            StoreDelete(os, kPrioritySection, name);
        }
    }
}

}  // namespace tarnwick

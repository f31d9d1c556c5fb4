#include "scripted_os.h"

namespace tarnwick::testing {

Status ScriptedOs::StartProcess(std::wstring_view commandLine) {
    const std::wstring command(commandLine);
    starts.push_back({StartCall::Kind::Process, command, {}, nullptr});
    if (onStart) onStart(starts.back());
    return processResult ? processResult(command) : ERROR_SUCCESS;
}

Status ScriptedOs::ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters) {
    const std::wstring target(file);
    starts.push_back({StartCall::Kind::Shell, target, std::wstring(parameters), owner});
    if (onStart) onStart(starts.back());
    return shellResult ? shellResult(target) : ERROR_SUCCESS;
}

Status ScriptedOs::OpenShortcut(HWND owner, std::wstring_view path) {
    const std::wstring target(path);
    starts.push_back({StartCall::Kind::Shortcut, target, {}, owner});
    if (onStart) onStart(starts.back());
    return shellResult ? shellResult(target) : ERROR_SUCCESS;
}

Status ScriptedOs::FileAttributes(std::wstring_view path, DWORD& found) {
    if (attributes) {
        if (const auto scripted = attributes(std::wstring(path))) {
            found = *scripted;
            return found == INVALID_FILE_ATTRIBUTES ? DWORD{ERROR_NOT_READY} : ERROR_SUCCESS;
        }
    }
    return ForwardingOs::FileAttributes(path, found);
}

Status ScriptedOs::FindOnSearchPath(std::wstring_view name, std::wstring_view extension) {
    if (search) {
        if (const auto scripted = search(std::wstring(name))) return *scripted;
    }
    return ForwardingOs::FindOnSearchPath(name, extension);
}

}  // namespace tarnwick::testing

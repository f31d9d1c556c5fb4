#include "scripted_os.h"

namespace tarnwick::testing {

Status ScriptedOs::Answer(StartCall call, const std::function<DWORD(const std::wstring&)>& result,
                          StartedProcess& started) {
    started = {};
    starts.push_back(std::move(call));
    if (onStart) onStart(starts.back());
    const DWORD answer = result ? result(starts.back().file) : ERROR_SUCCESS;
    if (answer == ERROR_SUCCESS && leaves) started = leaves(starts.back());
    return answer;
}

Status ScriptedOs::StartProcess(std::wstring_view commandLine, StartedProcess& started) {
    return Answer({StartCall::Kind::Process, std::wstring(commandLine), {}, nullptr}, processResult,
                  started);
}

Status ScriptedOs::ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                             StartedProcess& started) {
    return Answer({StartCall::Kind::Shell, std::wstring(file), std::wstring(parameters), owner},
                  shellResult, started);
}

Status ScriptedOs::OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) {
    return Answer({StartCall::Kind::Shortcut, std::wstring(path), {}, owner}, shellResult, started);
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

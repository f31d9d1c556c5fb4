// A test double for the launcher: the registry and files are real (tests run it over a sandbox),
// while starting a process or opening a file through the shell is only recorded and answered
// with whatever the test scripts.
#pragma once

#include "forwarding_os.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

struct StartCall {
    // A command line in a new process, the shell's "open" verb, a shortcut opened quietly.
    enum class Kind { Process, Shell, Shortcut } kind;
    std::wstring file;  // the command line for a process
    std::wstring parameters;
    HWND owner = nullptr;
};

class ScriptedOs final : public ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;

    std::vector<StartCall> starts;
    // Answers for a start; success when not set.
    std::function<DWORD(const std::wstring& commandLine)> processResult;
    std::function<DWORD(const std::wstring& file)> shellResult;  // also for shortcuts
    // Runs at every start (a test's clock reads it).
    std::function<void(const StartCall&)> onStart;
    // What a start that succeeded leaves to watch; nothing when not set.
    std::function<StartedProcess(const StartCall&)> leaves;
    // Overrides the attributes of chosen paths; INVALID_FILE_ATTRIBUTES stands for a drive that is
    // not ready.
    std::function<std::optional<DWORD>(const std::wstring& path)> attributes;
    // Overrides the search-path lookup of chosen names.
    std::function<std::optional<DWORD>(const std::wstring& name)> search;

    Status StartProcess(std::wstring_view commandLine, StartedProcess& started) override;
    Status ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                     StartedProcess& started) override;
    Status OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) override;

  private:
    Status Answer(StartCall call, const std::function<DWORD(const std::wstring&)>& result,
                  StartedProcess& started);
    Status FileAttributes(std::wstring_view path, DWORD& found) override;
    Status FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override;
};

}  // namespace tarnwick::testing

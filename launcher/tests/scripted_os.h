// A test double for the launcher: the registry and files are real (tests run it over a sandbox),
// while starting a process or opening a file through the shell is only recorded and answered
// with whatever the test scripts.
#pragma once

#include "os.h"

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

class ScriptedOs final : public Os {
  public:
    explicit ScriptedOs(Os& real) : real_(real) {}

    std::vector<StartCall> starts;
    // Answers for a start; success when not set.
    std::function<DWORD(const std::wstring& commandLine)> processResult;
    std::function<DWORD(const std::wstring& file)> shellResult;  // also for shortcuts
    // Runs at every start (a test's clock reads it).
    std::function<void(const StartCall&)> onStart;
    // Overrides the attributes of chosen paths (a drive that is not ready, say).
    std::function<std::optional<DWORD>(const std::wstring& path)> attributes;
    // Overrides the search-path lookup of chosen names.
    std::function<std::optional<DWORD>(const std::wstring& name)> search;

    LSTATUS QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                       RegValue& out) override {
        return real_.QueryValue(root, subKey, name, out);
    }
    LSTATUS SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                      std::wstring_view text) override {
        return real_.SetString(root, subKey, name, text);
    }
    LSTATUS DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) override {
        return real_.DeleteValue(root, subKey, name);
    }
    LSTATUS DeleteKey(HKEY root, std::wstring_view subKey) override {
        return real_.DeleteKey(root, subKey);
    }
    LSTATUS EnumValues(HKEY root, std::wstring_view subKey,
                       std::vector<NamedRegValue>& values) override {
        return real_.EnumValues(root, subKey, values);
    }
    std::wstring ShellFolder(HWND owner, int csidl) override {
        return real_.ShellFolder(owner, csidl);
    }
    DWORD ListFiles(std::wstring_view folder, std::wstring_view pattern,
                    std::vector<std::wstring>& names) override {
        return real_.ListFiles(folder, pattern, names);
    }
    DWORD ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) override {
        return real_.ListFolder(folder, names);
    }
    DWORD MoveFile(std::wstring_view from, std::wstring_view to) override {
        return real_.MoveFile(from, to);
    }
    DWORD CreateDirectory(std::wstring_view path) override { return real_.CreateDirectory(path); }
    DWORD RemoveDirectory(std::wstring_view path) override { return real_.RemoveDirectory(path); }
    int ShellDelete(std::wstring_view path, bool& aborted) override {
        return real_.ShellDelete(path, aborted);
    }

    DWORD StartProcess(std::wstring_view commandLine) override;
    DWORD ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters) override;
    DWORD OpenShortcut(HWND owner, std::wstring_view path) override;
    DWORD FileAttributes(std::wstring_view path) override;
    DWORD FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override;

  private:
    Os& real_;
};

}  // namespace tarnwick::testing

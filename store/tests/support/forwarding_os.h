// The base of the test doubles for the OS seam: every call goes to another `Os` (the real one,
// mostly) unless a double overrides it. A new member of `Os` needs one forwarder here, and the
// doubles pass it through until one of them has a reason to do more.
#pragma once

#include "os.h"

namespace tarnwick::testing {

class ForwardingOs : public Os {
  public:
    explicit ForwardingOs(Os& real) : real_(real) {}

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
    DWORD MoveFile(std::wstring_view from, std::wstring_view to) override {
        return real_.MoveFile(from, to);
    }
    DWORD MoveFileReplacing(std::wstring_view from, std::wstring_view to) override {
        return real_.MoveFileReplacing(from, to);
    }
    DWORD DeleteFile(std::wstring_view path) override { return real_.DeleteFile(path); }
    DWORD CreateDirectory(std::wstring_view path) override { return real_.CreateDirectory(path); }
    DWORD RemoveDirectory(std::wstring_view path) override { return real_.RemoveDirectory(path); }
    DWORD StartProcess(std::wstring_view commandLine) override {
        return real_.StartProcess(commandLine);
    }
    DWORD ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters) override {
        return real_.ShellOpen(owner, file, parameters);
    }
    DWORD OpenShortcut(HWND owner, std::wstring_view path) override {
        return real_.OpenShortcut(owner, path);
    }
    int ShellDelete(std::wstring_view path, bool& aborted) override {
        return real_.ShellDelete(path, aborted);
    }
    DWORD FileAttributes(std::wstring_view path) override { return real_.FileAttributes(path); }
    DWORD FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override {
        return real_.FindOnSearchPath(name, extension);
    }
    DWORD ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) override {
        return real_.ListFolder(folder, names);
    }
    LSTATUS EnumKeys(HKEY root, std::wstring_view subKey,
                     std::vector<std::wstring>& names) override {
        return real_.EnumKeys(root, subKey, names);
    }
    DWORD CurrentAccountSid(std::wstring& sid) override { return real_.CurrentAccountSid(sid); }
    DWORD AdminRights() override { return real_.AdminRights(); }
    LSTATUS LoadHive(std::wstring_view name, std::wstring_view file) override {
        return real_.LoadHive(name, file);
    }
    LSTATUS UnloadHive(std::wstring_view name) override { return real_.UnloadHive(name); }

  private:
    Os& real_;
};

}  // namespace tarnwick::testing

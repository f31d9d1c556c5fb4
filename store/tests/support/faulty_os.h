// A test double for the OS seam: passes every call to the real implementation unless the test's
// rule says that this call fails, and logs the calls that change something.
#pragma once

#include "forwarding_os.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnwick::testing {

enum class Op {
    QueryValue,
    SetString,
    DeleteValue,
    DeleteKey,
    EnumValues,
    ShellFolder,
    ListFiles,
    MoveFile,
    MoveFileReplacing,
    DeleteFile,
    CreateDirectory,
    RemoveDirectory,
    StartProcess,
    ShellOpen,
    OpenShortcut,
    ShellDelete,
    FileAttributes,
    FindOnSearchPath,
    ListFolder,
    EnumKeys,
    CurrentAccountSid,
    AdminRights,
    LoadHive,
    UnloadHive,
};

// One call: the root (registry calls) and up to three texts: sub-key, value name, data for the
// registry; source and target for moves; the path or command line otherwise.
struct Call {
    Op op;
    HKEY root = nullptr;
    std::wstring a, b, c;
    bool Changes() const;
};

// A standard user's rights, as Windows gives them to the launcher and to the settings program
// without elevation: every change under HKEY_LOCAL_MACHINE (both registry views) and every move
// into or out of the program folder under Program Files is denied, no hive can be loaded, other
// accounts' hives cannot be read, and the administrator check says no.
std::function<DWORD(const Call&)> StandardUserRights(std::wstring programFolder);

// Windows' answer for a registry key that is missing on the way to a value: reads that `real`
// answers with ERROR_FILE_NOT_FOUND answer ERROR_PATH_NOT_FOUND instead, which Wine never gives.
std::function<DWORD(const Call&)> MissingAsPathNotFound(Os& real);

class FaultyOs final : public ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;

    // Returns an error code to make the call fail, 0 to let it through.
    std::function<DWORD(const Call&)> rule;
    // Every call that changes something and was let through, in order.
    std::vector<Call> changes;
    // When set, stands in for the shell's deletion of a path that the rule let through, which
    // would otherwise ask on the screen: it does what the test wants done to the files, sets
    // whether the user declined and returns the shell's result code.
    std::function<int(std::wstring_view path, bool& aborted)> shellDelete;

    // Lets the first `n` changing calls through and fails every later one: the process stopped
    // right after its n-th step.
    void CutAfter(size_t n);

    LSTATUS QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                       RegValue& out) override;
    LSTATUS SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                      std::wstring_view text) override;
    LSTATUS DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) override;
    LSTATUS DeleteKey(HKEY root, std::wstring_view subKey) override;
    LSTATUS EnumValues(HKEY root, std::wstring_view subKey,
                       std::vector<NamedRegValue>& values) override;
    std::wstring ShellFolder(HWND owner, int csidl) override;
    DWORD ListFiles(std::wstring_view folder, std::wstring_view pattern,
                    std::vector<std::wstring>& names) override;
    DWORD MoveFile(std::wstring_view from, std::wstring_view to) override;
    DWORD MoveFileReplacing(std::wstring_view from, std::wstring_view to) override;
    DWORD DeleteFile(std::wstring_view path) override;
    DWORD CreateDirectory(std::wstring_view path) override;
    DWORD RemoveDirectory(std::wstring_view path) override;
    DWORD StartProcess(std::wstring_view commandLine) override;
    DWORD ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters) override;
    DWORD OpenShortcut(HWND owner, std::wstring_view path) override;
    int ShellDelete(std::wstring_view path, bool& aborted) override;
    DWORD FileAttributes(std::wstring_view path) override;
    DWORD FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override;
    DWORD ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) override;
    LSTATUS EnumKeys(HKEY root, std::wstring_view subKey,
                     std::vector<std::wstring>& names) override;
    DWORD CurrentAccountSid(std::wstring& sid) override;
    DWORD AdminRights() override;
    LSTATUS LoadHive(std::wstring_view name, std::wstring_view file) override;
    LSTATUS UnloadHive(std::wstring_view name) override;

  private:
    // The rule's verdict, and the log entry for a changing call that goes through.
    DWORD Check(Call call);
};

}  // namespace tarnwick::testing

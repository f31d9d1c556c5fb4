// The base of the test doubles for the OS seam: every call goes to another `Os` (the real one,
// mostly) once `Before` has seen it and let it through. A new member of `Os` needs one forwarder
// here and one name in `Op`; a double that only answers for calls overrides `Before` alone, and
// one that does more overrides the members it cares about.
#pragma once

#include "os.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

enum class Op {
    QueryValue,
    SetString,
    SetValue,
    DeleteValue,
    DeleteKey,
    EnumValues,
    ShellFolder,
    ListFiles,
    MoveFile,
    MoveFileReplacing,
    MoveFileInside,
    DeleteFile,
    CreateDirectory,
    RemoveDirectory,
    FolderSecurity,
    ProtectFolder,
    CreateProtectedFolder,
    StartProcess,
    ShellOpen,
    OpenShortcut,
    ShellDelete,
    FileAttributes,
    FindOnSearchPath,
    FileIdentity,
    ListFolder,
    EnumKeys,
    FileOwner,
    CurrentAccountSid,
    AdminRights,
    LoadHive,
    UnloadHive,
    LockHoldings,
    // Not a member: how many there are.
    Count,
};

// One call: the root (registry calls, HKEY_USERS for hives) and up to three texts: sub-key, value
// name, data for the registry (the data of a typed write as text: what REG_SZ or REG_EXPAND_SZ
// bytes spell); source, target and the target's root for moves; the path or command line
// otherwise, followed by the SDDL text for a folder's permissions; the longest wait in
// milliseconds for the lock.
struct Call {
    Op op;
    HKEY root = nullptr;
    std::wstring a, b, c;
    bool Changes() const;
};

class ForwardingOs : public Os {
  public:
    explicit ForwardingOs(Os& real) : real_(real) {}

    Status QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                      RegValue& out) override {
        out = {};
        if (Status e = Before({Op::QueryValue, root, S(subKey), S(name), {}})) return e;
        return real_.QueryValue(root, subKey, name, out);
    }
    Status SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                     std::wstring_view text) override {
        if (Status e = Before({Op::SetString, root, S(subKey), S(name), S(text)})) return e;
        return real_.SetString(root, subKey, name, text);
    }
    Status SetValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                    const RegValue& value) override {
        const std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()),
                                value.data.size() / sizeof(wchar_t));
        if (Status e = Before({Op::SetValue, root, S(subKey), S(name), text.c_str()})) return e;
        return real_.SetValue(root, subKey, name, value);
    }
    Status DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) override {
        if (Status e = Before({Op::DeleteValue, root, S(subKey), S(name), {}})) return e;
        return real_.DeleteValue(root, subKey, name);
    }
    Status DeleteKey(HKEY root, std::wstring_view subKey) override {
        if (Status e = Before({Op::DeleteKey, root, S(subKey), {}, {}})) return e;
        return real_.DeleteKey(root, subKey);
    }
    Status EnumValues(HKEY root, std::wstring_view subKey,
                      std::vector<NamedRegValue>& values) override {
        values.clear();
        if (Status e = Before({Op::EnumValues, root, S(subKey), {}, {}})) return e;
        return real_.EnumValues(root, subKey, values);
    }
    Status ShellFolder(HWND owner, int csidl, std::wstring& path) override {
        path.clear();
        if (Status e = Before({Op::ShellFolder, nullptr, std::to_wstring(csidl), {}, {}})) return e;
        return real_.ShellFolder(owner, csidl, path);
    }
    Status ListFiles(std::wstring_view folder, std::wstring_view pattern,
                     std::vector<std::wstring>& names) override {
        names.clear();
        if (Status e = Before({Op::ListFiles, nullptr, S(folder), S(pattern), {}})) return e;
        return real_.ListFiles(folder, pattern, names);
    }
    Status MoveFile(std::wstring_view from, std::wstring_view to) override {
        if (Status e = Before({Op::MoveFile, nullptr, S(from), S(to), {}})) return e;
        return real_.MoveFile(from, to);
    }
    Status MoveFileReplacing(std::wstring_view from, std::wstring_view to) override {
        if (Status e = Before({Op::MoveFileReplacing, nullptr, S(from), S(to), {}})) return e;
        return real_.MoveFileReplacing(from, to);
    }
    Status MoveFileInside(std::wstring_view from, std::wstring_view fromRoot, std::wstring_view to,
                          std::wstring_view toRoot) override {
        if (Status e = Before({Op::MoveFileInside, nullptr, S(from), S(to), S(toRoot)})) return e;
        return real_.MoveFileInside(from, fromRoot, to, toRoot);
    }
    Status DeleteFile(std::wstring_view path) override {
        if (Status e = Before({Op::DeleteFile, nullptr, S(path), {}, {}})) return e;
        return real_.DeleteFile(path);
    }
    Status CreateDirectory(std::wstring_view path) override {
        if (Status e = Before({Op::CreateDirectory, nullptr, S(path), {}, {}})) return e;
        return real_.CreateDirectory(path);
    }
    Status RemoveDirectory(std::wstring_view path) override {
        if (Status e = Before({Op::RemoveDirectory, nullptr, S(path), {}, {}})) return e;
        return real_.RemoveDirectory(path);
    }
    Status FolderSecurity(std::wstring_view path, std::wstring& sddl) override {
        sddl.clear();
        if (Status e = Before({Op::FolderSecurity, nullptr, S(path), {}, {}})) return e;
        return real_.FolderSecurity(path, sddl);
    }
    Status ProtectFolder(std::wstring_view path, std::wstring_view sddl) override {
        if (Status e = Before({Op::ProtectFolder, nullptr, S(path), S(sddl), {}})) return e;
        return real_.ProtectFolder(path, sddl);
    }
    Status CreateProtectedFolder(std::wstring_view path, std::wstring_view sddl) override {
        if (Status e = Before({Op::CreateProtectedFolder, nullptr, S(path), S(sddl), {}})) return e;
        return real_.CreateProtectedFolder(path, sddl);
    }
    Status StartProcess(std::wstring_view commandLine, StartedProcess& started) override {
        started = {};
        if (Status e = Before({Op::StartProcess, nullptr, S(commandLine), {}, {}})) return e;
        return real_.StartProcess(commandLine, started);
    }
    Status ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                     StartedProcess& started) override {
        started = {};
        if (Status e = Before({Op::ShellOpen, nullptr, S(file), S(parameters), {}})) return e;
        return real_.ShellOpen(owner, file, parameters, started);
    }
    Status OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) override {
        started = {};
        if (Status e = Before({Op::OpenShortcut, nullptr, S(path), {}, {}})) return e;
        return real_.OpenShortcut(owner, path, started);
    }
    Status ShellDelete(std::wstring_view path, bool& aborted) override {
        aborted = true;
        if (Status e = Before({Op::ShellDelete, nullptr, S(path), {}, {}})) return e;
        return real_.ShellDelete(path, aborted);
    }
    Status FileAttributes(std::wstring_view path, DWORD& attributes) override {
        attributes = INVALID_FILE_ATTRIBUTES;
        if (Status e = Before({Op::FileAttributes, nullptr, S(path), {}, {}})) return e;
        return real_.FileAttributes(path, attributes);
    }
    Status FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override {
        if (Status e = Before({Op::FindOnSearchPath, nullptr, S(name), S(extension), {}})) return e;
        return real_.FindOnSearchPath(name, extension);
    }
    Status FileIdentity(std::wstring_view path, std::wstring& identity) override {
        identity.clear();
        if (Status e = Before({Op::FileIdentity, nullptr, S(path), {}, {}})) return e;
        return real_.FileIdentity(path, identity);
    }
    Status ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) override {
        names.clear();
        if (Status e = Before({Op::ListFolder, nullptr, S(folder), {}, {}})) return e;
        return real_.ListFolder(folder, names);
    }
    Status EnumKeys(HKEY root, std::wstring_view subKey,
                    std::vector<std::wstring>& names) override {
        names.clear();
        if (Status e = Before({Op::EnumKeys, root, S(subKey), {}, {}})) return e;
        return real_.EnumKeys(root, subKey, names);
    }
    Status FileOwner(std::wstring_view path, std::wstring& sid) override {
        sid.clear();
        if (Status e = Before({Op::FileOwner, nullptr, S(path), {}, {}})) return e;
        return real_.FileOwner(path, sid);
    }
    Status CurrentAccountSid(std::wstring& sid) override {
        sid.clear();
        if (Status e = Before({Op::CurrentAccountSid, nullptr, {}, {}, {}})) return e;
        return real_.CurrentAccountSid(sid);
    }
    Status AdminRights() override {
        if (Status e = Before({Op::AdminRights, nullptr, {}, {}, {}})) return e;
        return real_.AdminRights();
    }
    Status LoadHive(std::wstring_view name, std::wstring_view file) override {
        if (Status e = Before({Op::LoadHive, HKEY_USERS, S(name), S(file), {}})) return e;
        return real_.LoadHive(name, file);
    }
    Status UnloadHive(std::wstring_view name) override {
        if (Status e = Before({Op::UnloadHive, HKEY_USERS, S(name), {}, {}})) return e;
        return real_.UnloadHive(name);
    }
    Status LockHoldings(DWORD timeoutMs, OwnedMutex& held) override {
        held.reset();
        if (Status e = Before({Op::LockHoldings, nullptr, std::to_wstring(timeoutMs), {}, {}}))
            return e;
        return real_.LockHoldings(timeoutMs, held);
    }

  protected:
    // Sees every call before it goes on. Any status but ERROR_SUCCESS is the call's answer, and the
    // call goes no further.
    virtual Status Before(const Call&) { return ERROR_SUCCESS; }

  private:
    static std::wstring S(std::wstring_view v) { return std::wstring(v); }

    Os& real_;
};

}  // namespace tarnwick::testing

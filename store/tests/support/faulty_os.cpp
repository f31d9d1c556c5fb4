#include "faulty_os.h"

namespace tarnwick::testing {
namespace {
std::wstring S(std::wstring_view v) {
    return std::wstring(v);
}
}  // namespace

bool Call::Changes() const {
    switch (op) {
        case Op::SetString:
        case Op::DeleteValue:
        case Op::DeleteKey:
        case Op::MoveFile:
        case Op::MoveFileReplacing:
        case Op::DeleteFile:
        case Op::CreateDirectory:
        case Op::RemoveDirectory:
        case Op::StartProcess:
        case Op::ShellOpen:
        case Op::OpenShortcut:
        case Op::ShellDelete:
        case Op::LoadHive:
        case Op::UnloadHive:
            return true;
        default:
            return false;
    }
}

void FaultyOs::CutAfter(size_t n) {
    rule = [this, n](const Call& call) -> DWORD {
        return call.Changes() && changes.size() >= n ? ERROR_ACCESS_DENIED : 0;
    };
}

DWORD FaultyOs::Check(Call call) {
    const DWORD error = rule ? rule(call) : 0;
    if (error == 0 && call.Changes()) changes.push_back(std::move(call));
    return error;
}

LSTATUS FaultyOs::QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                             RegValue& out) {
    if (DWORD e = Check({Op::QueryValue, root, S(subKey), S(name), {}})) {
        out = {};
        return static_cast<LSTATUS>(e);
    }
    return ForwardingOs::QueryValue(root, subKey, name, out);
}

LSTATUS FaultyOs::SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                            std::wstring_view text) {
    if (DWORD e = Check({Op::SetString, root, S(subKey), S(name), S(text)}))
        return static_cast<LSTATUS>(e);
    return ForwardingOs::SetString(root, subKey, name, text);
}

LSTATUS FaultyOs::DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) {
    if (DWORD e = Check({Op::DeleteValue, root, S(subKey), S(name), {}}))
        return static_cast<LSTATUS>(e);
    return ForwardingOs::DeleteValue(root, subKey, name);
}

LSTATUS FaultyOs::DeleteKey(HKEY root, std::wstring_view subKey) {
    if (DWORD e = Check({Op::DeleteKey, root, S(subKey), {}, {}})) return static_cast<LSTATUS>(e);
    return ForwardingOs::DeleteKey(root, subKey);
}

LSTATUS FaultyOs::EnumValues(HKEY root, std::wstring_view subKey,
                             std::vector<NamedRegValue>& values) {
    if (DWORD e = Check({Op::EnumValues, root, S(subKey), {}, {}})) {
        values.clear();
        return static_cast<LSTATUS>(e);
    }
    return ForwardingOs::EnumValues(root, subKey, values);
}

std::wstring FaultyOs::ShellFolder(HWND owner, int csidl) {
    if (Check({Op::ShellFolder, nullptr, std::to_wstring(csidl), {}, {}})) return {};
    return ForwardingOs::ShellFolder(owner, csidl);
}

DWORD FaultyOs::ListFiles(std::wstring_view folder, std::wstring_view pattern,
                          std::vector<std::wstring>& names) {
    if (DWORD e = Check({Op::ListFiles, nullptr, S(folder), S(pattern), {}})) {
        names.clear();
        return e;
    }
    return ForwardingOs::ListFiles(folder, pattern, names);
}

DWORD FaultyOs::MoveFile(std::wstring_view from, std::wstring_view to) {
    if (DWORD e = Check({Op::MoveFile, nullptr, S(from), S(to), {}})) return e;
    return ForwardingOs::MoveFile(from, to);
}

DWORD FaultyOs::MoveFileReplacing(std::wstring_view from, std::wstring_view to) {
    if (DWORD e = Check({Op::MoveFileReplacing, nullptr, S(from), S(to), {}})) return e;
    return ForwardingOs::MoveFileReplacing(from, to);
}

DWORD FaultyOs::DeleteFile(std::wstring_view path) {
    if (DWORD e = Check({Op::DeleteFile, nullptr, S(path), {}, {}})) return e;
    return ForwardingOs::DeleteFile(path);
}

DWORD FaultyOs::CreateDirectory(std::wstring_view path) {
    if (DWORD e = Check({Op::CreateDirectory, nullptr, S(path), {}, {}})) return e;
    return ForwardingOs::CreateDirectory(path);
}

DWORD FaultyOs::RemoveDirectory(std::wstring_view path) {
    if (DWORD e = Check({Op::RemoveDirectory, nullptr, S(path), {}, {}})) return e;
    return ForwardingOs::RemoveDirectory(path);
}

DWORD FaultyOs::StartProcess(std::wstring_view commandLine) {
    if (DWORD e = Check({Op::StartProcess, nullptr, S(commandLine), {}, {}})) return e;
    return ForwardingOs::StartProcess(commandLine);
}

DWORD FaultyOs::ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters) {
    if (DWORD e = Check({Op::ShellOpen, nullptr, S(file), S(parameters), {}})) return e;
    return ForwardingOs::ShellOpen(owner, file, parameters);
}

DWORD FaultyOs::OpenShortcut(HWND owner, std::wstring_view path) {
    if (DWORD e = Check({Op::OpenShortcut, nullptr, S(path), {}, {}})) return e;
    return ForwardingOs::OpenShortcut(owner, path);
}

int FaultyOs::ShellDelete(std::wstring_view path, bool& aborted) {
    if (DWORD e = Check({Op::ShellDelete, nullptr, S(path), {}, {}})) {
        aborted = true;
        return static_cast<int>(e);
    }
    return shellDelete ? shellDelete(path, aborted) : ForwardingOs::ShellDelete(path, aborted);
}

DWORD FaultyOs::FileAttributes(std::wstring_view path) {
    if (Check({Op::FileAttributes, nullptr, S(path), {}, {}})) return INVALID_FILE_ATTRIBUTES;
    return ForwardingOs::FileAttributes(path);
}

DWORD FaultyOs::FindOnSearchPath(std::wstring_view name, std::wstring_view extension) {
    if (DWORD e = Check({Op::FindOnSearchPath, nullptr, S(name), S(extension), {}})) return e;
    return ForwardingOs::FindOnSearchPath(name, extension);
}

DWORD FaultyOs::ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) {
    if (DWORD e = Check({Op::ListFolder, nullptr, S(folder), {}, {}})) {
        names.clear();
        return e;
    }
    return ForwardingOs::ListFolder(folder, names);
}

LSTATUS FaultyOs::EnumKeys(HKEY root, std::wstring_view subKey, std::vector<std::wstring>& names) {
    if (DWORD e = Check({Op::EnumKeys, root, S(subKey), {}, {}})) {
        names.clear();
        return static_cast<LSTATUS>(e);
    }
    return ForwardingOs::EnumKeys(root, subKey, names);
}

DWORD FaultyOs::CurrentAccountSid(std::wstring& sid) {
    if (DWORD e = Check({Op::CurrentAccountSid, nullptr, {}, {}, {}})) {
        sid.clear();
        return e;
    }
    return ForwardingOs::CurrentAccountSid(sid);
}

DWORD FaultyOs::AdminRights() {
    if (DWORD e = Check({Op::AdminRights, nullptr, {}, {}, {}})) return e;
    return ForwardingOs::AdminRights();
}

LSTATUS FaultyOs::LoadHive(std::wstring_view name, std::wstring_view file) {
    if (DWORD e = Check({Op::LoadHive, HKEY_USERS, S(name), S(file), {}}))
        return static_cast<LSTATUS>(e);
    return ForwardingOs::LoadHive(name, file);
}

LSTATUS FaultyOs::UnloadHive(std::wstring_view name) {
    if (DWORD e = Check({Op::UnloadHive, HKEY_USERS, S(name), {}, {}}))
        return static_cast<LSTATUS>(e);
    return ForwardingOs::UnloadHive(name);
}

std::function<DWORD(const Call&)> StandardUserRights(std::wstring programFolder) {
    return [folder = std::move(programFolder)](const Call& call) -> DWORD {
        if (call.op == Op::AdminRights || call.op == Op::LoadHive) return ERROR_ACCESS_DENIED;
        // Another account's hive is its own: a standard user cannot even read it.
        if (call.root == HKEY_USERS) return ERROR_ACCESS_DENIED;
        if (!call.Changes()) return 0;
        if (call.root == HKEY_LOCAL_MACHINE) return ERROR_ACCESS_DENIED;
        const bool move = call.op == Op::MoveFile || call.op == Op::MoveFileReplacing;
        const bool folderMove =
            move && !folder.empty() && (call.a.starts_with(folder) || call.b.starts_with(folder));
        return folderMove ? ERROR_ACCESS_DENIED : 0;
    };
}

std::function<DWORD(const Call&)> MissingAsPathNotFound(Os& real) {
    return [&real](const Call& call) -> DWORD {
        LSTATUS rc = ERROR_SUCCESS;
        if (call.op == Op::QueryValue) {
            RegValue value;
            rc = real.QueryValue(call.root, call.a, call.b, value);
        } else if (call.op == Op::EnumValues) {
            std::vector<NamedRegValue> values;
            rc = real.EnumValues(call.root, call.a, values);
        }
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : 0;
    };
}

}  // namespace tarnwick::testing

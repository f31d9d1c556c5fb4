#include "faulty_os.h"

namespace tarnwick::testing {

bool Call::Changes() const {
    switch (op) {
        case Op::SetString:
        case Op::SetValue:
        case Op::DeleteValue:
        case Op::DeleteKey:
        case Op::MoveFile:
        case Op::MoveFileReplacing:
        case Op::MoveFileInside:
        case Op::DeleteFile:
        case Op::CreateDirectory:
        case Op::RemoveDirectory:
        case Op::ProtectFolder:
        case Op::CreateProtectedFolder:
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

Status FaultyOs::Before(const Call& call) {
    const DWORD error = rule ? rule(call) : 0;
    if (error == 0 && call.Changes()) changes.push_back(call);
    return error;
}

Status FaultyOs::ShellDelete(std::wstring_view path, bool& aborted) {
    if (!shellDelete) return ForwardingOs::ShellDelete(path, aborted);
    aborted = true;
    if (Status e = Before({Op::ShellDelete, nullptr, std::wstring(path), {}, {}})) return e;
    return shellDelete(path, aborted);
}

std::function<DWORD(const Call&)> StandardUserRights(std::wstring programFolder) {
    return [folder = std::move(programFolder)](const Call& call) -> DWORD {
        if (call.op == Op::AdminRights || call.op == Op::LoadHive) return ERROR_ACCESS_DENIED;
        // Nobody but an administrator may make a folder that only administrators can change.
        if (call.op == Op::ProtectFolder || call.op == Op::CreateProtectedFolder)
            return ERROR_ACCESS_DENIED;
        // The holdings lock is everyone's to wait for: it passes below, as a call that changes
        // nothing.
        // Another account's hive is its own: a standard user cannot even read it.
        if (call.root == HKEY_USERS) return ERROR_ACCESS_DENIED;
        if (!call.Changes()) return 0;
        if (call.root == HKEY_LOCAL_MACHINE) return ERROR_ACCESS_DENIED;
        const bool move = call.op == Op::MoveFile || call.op == Op::MoveFileReplacing ||
                          call.op == Op::MoveFileInside;
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

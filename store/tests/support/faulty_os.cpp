#include "faulty_os.h"

namespace tarnwick::testing {

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
    if (Status e = Before(TARNWICK_DESCRIBE(ShellDelete)(path, aborted))) return e;
    return shellDelete(path, aborted);
}

std::function<DWORD(const Call&)> StandardUserRights(std::wstring programFolder) {
    return [folder = std::move(programFolder)](const Call& call) -> DWORD {
        // The administrator check says no, no hive is loaded, no folder is made one that only
        // administrators can change.
        if (Reaches(call.op, kNeedsAdmin)) return ERROR_ACCESS_DENIED;
        // The holdings lock is everyone's to wait for: it passes below, as a call that changes
        // nothing.
        // Another account's hive is its own: a standard user cannot even read it.
        if (call.root == HKEY_USERS) return ERROR_ACCESS_DENIED;
        if (!call.Changes()) return 0;
        if (call.root == HKEY_LOCAL_MACHINE) return ERROR_ACCESS_DENIED;
        // A file call's first two texts are the paths it works on (source and target for a move
        // or a copy). A copy only reads its source: anyone may copy a program's file out.
        const bool sourceChanges = call.op != Op::CopyFile;
        const bool inFolder = !folder.empty() && ((sourceChanges && call.a.starts_with(folder)) ||
                                                  call.b.starts_with(folder));
        return Reaches(call.op, kWritesFiles) && inFolder ? ERROR_ACCESS_DENIED : 0;
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

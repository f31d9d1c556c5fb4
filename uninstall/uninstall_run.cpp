#include "uninstall_run.h"

#include "restore.h"

#include <algorithm>
#include <cwctype>

namespace tarnwick {
namespace {

bool IsAbsoluteFolder(std::wstring_view path) {
    const bool drive = path.size() > 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
    // "\\server\share\folder": a server, a share and at least one folder below it.
    const bool share = path.size() > 2 && path.substr(0, 2) == L"\\\\" &&
                       std::count(path.begin() + 2, path.end(), L'\\') >= 2;
    return drive || share;
}

bool HasRelativePart(std::wstring_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(L'\\', start), path.size());
        const std::wstring_view part = path.substr(start, end - start);
        if (part == L"." || part == L"..") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::optional<std::wstring> DeletablePath(const std::vector<std::wstring>& paths) {
    if (paths.size() != 1) return std::nullopt;
    std::wstring path = paths.front();
    if (path.find_first_of(std::wstring_view(L"*?/\0", 4)) != std::wstring::npos) {
        return std::nullopt;
    }
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    // Device paths ("\\?\", "\\.\") are not the shell's: the '?' and the "." part rule them out.
    if (!IsAbsoluteFolder(path) || HasRelativePart(path)) return std::nullopt;
    return path;
}

int DeletePaths(Os& os, const std::vector<std::wstring>& paths) {
    const std::optional<std::wstring> path = DeletablePath(paths);
    if (!path) return ERROR_INVALID_PARAMETER;
    // Declined or not, the caller goes on the same way.
    bool aborted = false;
    return os.ShellDelete(*path, aborted);
}

FolderCheck Uninstall(const StoreContext& ctx, const ProtectedFolders& protectedFolders) {
    const FolderCheck check = CheckProductFolder(ctx.os, ctx.programFolder, protectedFolders);
    const bool product = check.verdict == FolderVerdict::Product;
    // Without a program folder the restore gives back the Run values only.
    RestoreStartupEntries({ctx.os, product ? ctx.programFolder : std::wstring(), ctx.owner}, false);
    if (product) DeletePaths(ctx.os, {check.folder});
    return check;
}

}  // namespace tarnwick

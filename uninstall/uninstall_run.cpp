#include "uninstall_run.h"

#include "restore.h"

#include <algorithm>
#include <cwctype>

namespace tarnwick {
namespace {

std::vector<std::wstring_view> Split(std::wstring_view text) {
    std::vector<std::wstring_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(L'\\', start);
        parts.push_back(text.substr(start, end - start));  // to the end when there is none
        if (end == std::wstring_view::npos) return parts;
        start = end + 1;
    }
}

// "C:\folder..." or "\\server\share\folder...": absolute, with at least one folder below the
// root, and no empty, "." or ".." part that would make the shell look elsewhere.
bool IsFolderBelowARoot(std::wstring_view path) {
    size_t least = 0;
    if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') {
        path.remove_prefix(3);
        least = 1;
    } else if (path.starts_with(L"\\\\")) {
        path.remove_prefix(2);
        least = 3;  // server, share, folder
    } else {
        return false;
    }
    const std::vector<std::wstring_view> parts = Split(path);
    return parts.size() >= least && std::none_of(parts.begin(), parts.end(), [](auto part) {
               return part.empty() || part == L"." || part == L"..";
           });
}

}  // namespace

std::optional<std::wstring> DeletablePath(const std::vector<std::wstring>& paths) {
    if (paths.size() != 1) return std::nullopt;
    std::wstring path = paths.front();
    // Wildcards, the file system's own wildcards ('<', '>', '"'), other characters no name may
    // hold, and NUL. Device paths ("\\?\", "\\.\") fall out here or at their "." part.
    if (path.find_first_of(std::wstring_view(L"*?<>\"|/\0", 8)) != std::wstring::npos) {
        return std::nullopt;
    }
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    if (!IsFolderBelowARoot(path)) return std::nullopt;
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

#include "shortcuts.h"

#include "context.h"
#include "convert.h"
#include "folder_path.h"

namespace tarnwick {

std::vector<std::wstring> ListShortcuts(Os& os, std::wstring_view folder, DWORD* status) {
    std::vector<std::wstring> names;
    const DWORD rc = os.ListFiles(folder, L"*.lnk", names);
    if (status) *status = rc;
    std::erase_if(names, [](const std::wstring& name) { return !HasShortcutExtension(name); });
    return names;
}

bool HasShortcutExtension(std::wstring_view name) {
    constexpr std::wstring_view kExtension = L".lnk";
    return name.size() >= kExtension.size() &&
           EqualsIgnoringCase(name.substr(name.size() - kExtension.size()), kExtension);
}

std::wstring ShortcutEntryName(std::wstring_view fileName) {
    return std::wstring(fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0));
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD len =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0) return {};
        if (len < path.size()) {
            path.resize(len);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ProgramFolder() {
    return std::wstring(ParentOf(ProgramPath()));
}

}  // namespace tarnwick

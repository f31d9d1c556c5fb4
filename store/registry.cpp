#include "registry.h"

#include "folder_path.h"

#include <cstring>

namespace tarnwick {

std::wstring DecodeRegString(const std::vector<BYTE>& data) {
    const size_t units = data.size() / sizeof(wchar_t);
    std::wstring text(units, L'\0');
    if (units) std::memcpy(text.data(), data.data(), units * sizeof(wchar_t));
    if (const auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    return text;
}

namespace Registry {

StringRead ReadString(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name) {
    RegValue value;
    const LSTATUS rc = os.QueryValue(root, subKey, name, value);
    if (IsNotThere(rc)) return {ReadStatus::NotFound, {}};
    if (rc != ERROR_SUCCESS) return {ReadStatus::Failed, {}};
    if (value.type != REG_SZ) return {ReadStatus::WrongType, {}};
    return {ReadStatus::Found, DecodeRegString(value.data)};
}

std::wstring GetValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name,
                      std::wstring_view defaultText) {
    StringRead read = ReadString(os, root, subKey, name);
    return read.status == ReadStatus::Found ? std::move(read.text) : std::wstring(defaultText);
}

LSTATUS SetValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name,
                 std::wstring_view text) {
    return os.SetString(root, subKey, name, text);
}

LSTATUS DeleteValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name) {
    return os.DeleteValue(root, subKey, name);
}

std::vector<std::wstring> EnumValues(Os& os, HKEY root, std::wstring_view subKey) {
    // A listing cut short by an error still names what it saw; none of those names is
    // acted on without being read again.
    std::vector<NamedRegValue> values;
    os.EnumValues(root, subKey, values);
    std::vector<std::wstring> names;
    names.reserve(values.size());
    for (auto& v : values) names.push_back(std::move(v.name));
    return names;
}

}  // namespace Registry

std::wstring SpecialFolderPath(Os& os, HWND owner, int csidl) {
    std::wstring path;
    if (os.ShellFolder(owner, csidl, path) != ERROR_SUCCESS) return {};
    return std::wstring(WithoutTrailingBackslash(path));
}

std::wstring StartMenuFolder(Os& os, HWND owner) {
    // The Recent folder is only a probe: a profile without one is not set up for shell work.
    if (SpecialFolderPath(os, owner, kCsidlRecent).empty()) return {};
    return SpecialFolderPath(os, owner, kCsidlStartMenu);
}

std::wstring StartUpFolder(Os& os, HWND owner) {
    const std::wstring startMenu = StartMenuFolder(os, owner);
    return startMenu.empty() ? std::wstring() : JoinPath(startMenu, L"Programs\\StartUp");
}

}  // namespace tarnwick

// The module `Registry`: string values under a root key and sub-key, each operation opening and
// closing its own key. Also `SpecialFolderPath` and the fixed places of Windows the system uses.
#pragma once

#include "os.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

inline constexpr std::wstring_view kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr int kCsidlRecent = 8;
inline constexpr int kCsidlStartMenu = 11;

enum class ReadStatus {
    Found,      // a REG_SZ value, text decoded
    NotFound,   // no such key or value
    WrongType,  // the value exists but is not REG_SZ
    Failed,     // the value could not be read
};

struct StringRead {
    ReadStatus status = ReadStatus::NotFound;
    std::wstring text;
};

// Orders names as the registry compares them: without regard to letter case.
struct RegistryNameLess {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const {
        return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                      static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
    }
};

// REG_SZ bytes as text: up to the first NUL, or all of it when there is none.
std::wstring DecodeRegString(const std::vector<BYTE>& data);

namespace Registry {

// Reads a REG_SZ value and says exactly what happened.
StringRead ReadString(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name);
// The value's text, or `defaultText` for a missing or unreadable value or one of another type.
std::wstring GetValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name,
                      std::wstring_view defaultText = {});
// Writes REG_SZ, creating the key; replaces a value of any type. Returns the status, which the
// bulk routines may ignore.
LSTATUS SetValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name,
                 std::wstring_view text);
LSTATUS DeleteValue(Os& os, HKEY root, std::wstring_view subKey, std::wstring_view name);
// Every value name, in the registry's order; empty for a missing key.
std::vector<std::wstring> EnumValues(Os& os, HKEY root, std::wstring_view subKey);

}  // namespace Registry

// A shell folder's path (no trailing backslash), or empty when it has no file-system path.
std::wstring SpecialFolderPath(Os& os, HWND owner, int csidl);

// The user's Start Menu folder (no trailing backslash), or empty when either the Recent or
// the Start Menu folder cannot be resolved: callers then leave everything below it alone.
std::wstring StartMenuFolder(Os& os, HWND owner);

// The user's StartUp folder (no trailing backslash), or empty when either the Recent or the
// Start Menu folder cannot be resolved: callers then leave the StartUp folder alone.
std::wstring StartUpFolder(Os& os, HWND owner);

}  // namespace tarnwick

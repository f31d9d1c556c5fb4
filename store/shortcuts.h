// Listing of shortcut files: "*.lnk" files directly in a folder, not hidden, not system.
#pragma once

#include "os.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// File names (not paths) in the platform's listing order. A name must really end in ".lnk":
// the shell's pattern match would also take "x.lnkx" through its 8.3 short name.
// `status`, when given, receives the listing's status (ERROR_SUCCESS for an empty folder).
std::vector<std::wstring> ListShortcuts(Os& os, std::wstring_view folder, DWORD* status = nullptr);

// The name ends in ".lnk", in any letter case.
bool HasShortcutExtension(std::wstring_view name);

// "Name.lnk" -> "Name".
std::wstring ShortcutEntryName(std::wstring_view fileName);

}  // namespace tarnwick

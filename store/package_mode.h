// How install.exe and uninstall.exe run for the Windows Installer package: started by its custom
// actions with one switch, they do only what the package cannot (the take-over, the folder's
// permissions, the give-back), say nothing on screen, and write what the user must know to their
// standard output, which the custom action copies into the Windows Installer log.
#pragma once

#include <windows.h>

#include <string_view>

namespace tarnwick {

inline constexpr std::wstring_view kPackageSwitch = L"/package";

// Whether the command line (without the program's name) is the package's switch.
inline bool RunByPackage(std::wstring_view commandLine) {
    while (commandLine.starts_with(L' ')) commandLine.remove_prefix(1);
    while (commandLine.ends_with(L' ')) commandLine.remove_suffix(1);
    return commandLine == kPackageSwitch;
}

// Writes `text` as UTF-16 to the standard output, when there is one: the custom action reads it
// from a pipe. A program started otherwise has none, and the text goes nowhere.
inline void ReportToPackage(std::wstring_view text) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD written = 0;
    ::WriteFile(out, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
                nullptr);
}

}  // namespace tarnwick

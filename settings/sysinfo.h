// The about box's way to the Windows System Information tool, and the registry reader it finds
// the tool with.
#pragma once

#include "os.h"

#include <string>
#include <string_view>

namespace tarnwick::settings {

// Where the tool's program is registered (under HKEY_LOCAL_MACHINE).
inline constexpr std::wstring_view kMsInfoKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::wstring_view kSharedToolsLocationKey =
    L"SOFTWARE\\Microsoft\\Shared Tools Location";

inline constexpr std::wstring_view kSysInfoUnavailable =
    L"System Information Is Unavailable At This Time";

// Reads the value `SubKeyRef` of the key `KeyName` under `KeyRoot` into `KeyVal`: a text as it
// stands (up to its first NUL; REG_EXPAND_SZ with its variables expanded), a REG_DWORD as its
// number in decimal; a value of any other type leaves `KeyVal` as the caller passed it. True when
// the value was read. False, with `KeyVal` emptied, when the key or the value is missing, cannot
// be read, or holds more than 1024 characters. The key is opened for reading only, which every
// user may do under HKEY_LOCAL_MACHINE.
bool GetKeyValue(Os& os, HKEY KeyRoot, std::wstring_view KeyName, std::wstring_view SubKeyRef,
                 std::wstring& KeyVal);

// Starts the System Information tool: the program registered as "PATH" of kMsInfoKey, else
// "MSINFO32.EXE" in the folder registered as "MSINFO" of kSharedToolsLocationKey when that file
// exists. False when neither is registered or the start failed.
bool TryStartSysInfo(Os& os);

// TryStartSysInfo, and on any failure the message kSysInfoUnavailable, owned by `owner`.
void StartSysInfo(Os& os, HWND owner);

}  // namespace tarnwick::settings

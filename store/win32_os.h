// The production side of the seam, one function per member of `Os`, declared here from the seam's
// table and defined by what they reach: store/win32_registry.cpp, win32_files.cpp,
// win32_shell.cpp, win32_processes.cpp and win32_accounts.cpp. win32_os.cpp makes them
// `SystemOs()`. Each opens and closes every handle it needs within the call.
#pragma once

#include "os.h"

#include <string>
#include <string_view>

namespace tarnwick::win32 {

#define TARNWICK_WIN32_DECLARE(reach, name, parameters, arguments) Status name parameters;
TARNWICK_OS_SEAM(TARNWICK_WIN32_DECLARE)
#undef TARNWICK_WIN32_DECLARE

// A view as the NUL-ended text that Win32 takes.
inline std::wstring Str(std::wstring_view v) {
    return std::wstring(v);
}

}  // namespace tarnwick::win32

// What every store routine needs to know about the program that runs it.
#pragma once

#include "os.h"

#include <string>

namespace tarnwick {

// How long a program waits for another Tarnwick program to finish changing the start-up programs
// (`Os::LockHoldings`) before it gives up and changes nothing. A window's button: a few seconds,
// then the window says so. The launcher after its sequence and the installer have nobody waiting
// on them and a log-on's captures to wait out: tens of seconds.
inline constexpr DWORD kButtonLockWaitMs = 5'000;
inline constexpr DWORD kUnattendedLockWaitMs = 30'000;

struct StoreContext {
    Os& os;
    // The folder that holds the four programs and the captured shortcuts; no trailing backslash.
    std::wstring programFolder;
    // The caller's main window, owner of any shell lookup.
    HWND owner = nullptr;
    DWORD lockWaitMs = kButtonLockWaitMs;
};

// The running executable's own path; empty when Windows cannot tell.
std::wstring ProgramPath();

// The folder of the running executable, without a trailing backslash.
std::wstring ProgramFolder();

}  // namespace tarnwick

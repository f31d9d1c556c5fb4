// What every store routine needs to know about the program that runs it.
#pragma once

#include "os.h"

#include <string>

namespace tarnwick {

struct StoreContext {
    Os& os;
    // The folder that holds the four programs and the captured shortcuts; no trailing backslash.
    std::wstring programFolder;
    // The caller's main window, owner of any shell lookup.
    HWND owner = nullptr;
};

// The running executable's own path; empty when Windows cannot tell.
std::wstring ProgramPath();

// The folder of the running executable, without a trailing backslash.
std::wstring ProgramFolder();

}  // namespace tarnwick

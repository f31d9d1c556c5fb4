#include "settings_windows.h"

#include "handles.h"

#include <vector>

namespace tarnwick {
namespace {

std::vector<HWND> OpenSettingsWindows() {
    std::vector<HWND> found;
    for (HWND window =
             ::FindWindowExW(nullptr, nullptr, kSettingsWindowClass, kSettingsWindowTitle);
         window;
         window = ::FindWindowExW(nullptr, window, kSettingsWindowClass, kSettingsWindowTitle)) {
        if (!::GetWindow(window, GW_OWNER)) found.push_back(window);
    }
    return found;
}

}  // namespace

bool CloseSettingsWindows(DWORD timeoutMs) {
    std::vector<UniqueHandle> programs;
    for (const HWND window : OpenSettingsWindows()) {
        DWORD id = 0;
        ::GetWindowThreadProcessId(window, &id);
        // The window goes before its program ends, and the program's file is free only then.
        if (UniqueHandle program(::OpenProcess(SYNCHRONIZE, FALSE, id)); program)
            programs.push_back(std::move(program));
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    const ULONGLONG until = ::GetTickCount64() + timeoutMs;
    for (const UniqueHandle& program : programs) {
        const ULONGLONG now = ::GetTickCount64();
        ::WaitForSingleObject(program.get(), now < until ? static_cast<DWORD>(until - now) : 0);
    }
    return OpenSettingsWindows().empty();
}

}  // namespace tarnwick

// Tarnwick Settings windows open while the uninstaller runs. Their program's file cannot be deleted
// while it runs, and a window left open after its program folder went would still offer a switch
// for a product that is gone.
#pragma once

#include <windows.h>

namespace tarnwick {

// The settings window as its program makes it: a dialog with this caption and no owner (its own
// message boxes carry the caption too, but have one).
inline constexpr wchar_t kSettingsWindowClass[] = L"#32770";
inline constexpr wchar_t kSettingsWindowTitle[] = L"Tarnwick Settings";

// How long the uninstaller waits for the settings programs it asked to close.
inline constexpr DWORD kSettingsCloseWaitMs = 5'000;

// Asks every settings window of this desktop to close, as its close box does (nothing is saved),
// and waits up to `timeoutMs` for their programs to end. Whether none is open any more.
bool CloseSettingsWindows(DWORD timeoutMs);

}  // namespace tarnwick

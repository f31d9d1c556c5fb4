// Watching programs from the outside, for the benchmark and the exe-level tests: the window a
// process shows, and the precise wall clock that the sample programs record their starts in.
#pragma once

#include <windows.h>

namespace tarnwick {

// The top-level window of class `cls` that belongs to process `pid` (only a visible one when
// `visibleOnly`), or null.
HWND FindProcessWindow(DWORD pid, const wchar_t* cls, bool visibleOnly = false);

// FILETIME as one count of 100 ns.
long long FileTimeTicks(FILETIME t);
// The current time in that count.
long long NowTicks();
// Milliseconds from one such count to another.
double MsBetween(long long from, long long to);

}  // namespace tarnwick

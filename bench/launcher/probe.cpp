#include "probe.h"

#include <string_view>

namespace tarnwick {

HWND FindProcessWindow(DWORD pid, const wchar_t* cls, bool visibleOnly) {
    struct Search {
        DWORD pid;
        std::wstring_view cls;
        bool visibleOnly;
        HWND found;
    } search{pid, cls, visibleOnly, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            wchar_t name[64];
            if (owner != s->pid || (s->visibleOnly && !::IsWindowVisible(hwnd)) ||
                !::GetClassNameW(hwnd, name, 64) || s->cls != name) {
                return TRUE;
            }
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

long long FileTimeTicks(FILETIME t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                  t.dwLowDateTime);
}

long long NowTicks() {
    FILETIME t;
    ::GetSystemTimePreciseAsFileTime(&t);
    return FileTimeTicks(t);
}

double MsBetween(long long from, long long to) {
    return static_cast<double>(to - from) / 10'000.0;
}

}  // namespace tarnwick

// tw_minimal.exe: the benchmark's yardstick, the smallest Win32 program that shows a window like
// the launcher's (same size, top-most, light grey) and runs a message loop.
//   tw_minimal.exe [MILLISECONDS [timers]]   ends after that long; without it, when closed.
//   With "timers" it also runs two timers that do nothing, at the launcher's 150 and 200 ms: what
//   the platform charges for the launcher's free-running colour and marquee timers alone.
#include <windows.h>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            if (wParam == kLifetimeTimer) ::DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"TarnwickMinimal";
    ::RegisterClassW(&wc);
    const HWND hwnd =
        ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"Minimal", WS_POPUP,
                          495, 0, 145, 67, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UINT lifetime = 0;
    const wchar_t* c = args;
    for (; *c >= L'0' && *c <= L'9'; ++c) lifetime = lifetime * 10 + (*c - L'0');
    if (lifetime) ::SetTimer(hwnd, kLifetimeTimer, lifetime, nullptr);
    if (::lstrcmpW(c, L" timers") == 0) {
        ::SetTimer(hwnd, 2, 150, nullptr);
        ::SetTimer(hwnd, 3, 200, nullptr);
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

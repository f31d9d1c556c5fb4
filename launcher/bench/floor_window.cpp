// tw_floor.exe: the floor the launcher's benchmark measures it against, the cost of what the
// launcher has to do, done the plainest way and with no product logic: no store, no options, no
// launch list, no capture. It shows a window of the launcher's size and place with the same six
// controls (three buttons with the launcher's pictures, two labels, the logo; the system's own
// button and static classes), runs the same two display timers (150 and 200 ms, each a trivial
// paint: the bar filled, the marquee's text drawn) and, given a program, starts it COUNT times
// one second apart with CreateProcessW after a second's wait, ending a second after the last
// start: the launcher's sequence with both delays at one second.
//   tw_floor.exe                    shows the window until it is closed
//   tw_floor.exe SAMPLE LOGS COUNT  starts "SAMPLE" Fnn "LOGS" --hidden, nn from 01 to COUNT
#include "floor_resource.h"
#include "handles.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

using tarnwick::UniqueGdiObj;
using tarnwick::UniqueHandle;
using tarnwick::UniqueIcon;

constexpr UINT_PTR kColourTimer = 1;
constexpr UINT_PTR kMarqueeTimer = 2;
constexpr UINT_PTR kSequenceTimer = 3;
constexpr UINT kColourMs = 150;
constexpr UINT kMarqueeMs = 200;
constexpr UINT kSequenceMs = 1000;
constexpr int kLabelId = 10;
constexpr int kMarqueeId = 11;

struct Floor {
    HWND window = nullptr;
    HWND marquee = nullptr;
    std::wstring sample;
    std::wstring logs;
    int count = 0;
    int ticks = 0;  // of the sequence timer
    int shade = 0;
};

Floor g_floor;

// The launcher's command line for one entry, as the benchmark seeds its store.
bool StartEntry(int number) {
    wchar_t name[8];
    ::wsprintfW(name, L"F%02d", number);
    std::wstring line =
        L"\"" + g_floor.sample + L"\" " + name + L" \"" + g_floor.logs + L"\" --hidden";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return false;
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle thread(process.hThread);
    return true;
}

void OnSequenceTick() {
    // Tick 1 is the initial delay; ticks 2 to COUNT + 1 start the entries; the next one ends.
    ++g_floor.ticks;
    if (g_floor.ticks >= 2 && g_floor.ticks <= g_floor.count + 1) {
        StartEntry(g_floor.ticks - 1);
    } else if (g_floor.ticks > g_floor.count + 1) {
        ::DestroyWindow(g_floor.window);
    }
}

void PaintBar() {
    g_floor.shade = (g_floor.shade + 16) % 256;
    const HDC dc = ::GetDC(g_floor.window);
    const RECT bar{0, 0, 9, 9};
    ::SetDCBrushColor(dc, RGB(g_floor.shade, 128, 255 - g_floor.shade));
    ::FillRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::ReleaseDC(g_floor.window, dc);
}

void PaintMarquee() {
    const HDC dc = ::GetDC(g_floor.marquee);
    static constexpr wchar_t kText[] = L"Loading ...";
    ::TextOutW(dc, 0, 0, kText, static_cast<int>(std::size(kText) - 1));
    ::ReleaseDC(g_floor.marquee, dc);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            if (wParam == kColourTimer) PaintBar();
            if (wParam == kMarqueeTimer) PaintMarquee();
            if (wParam == kSequenceTimer) OnSequenceTick();
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

HWND Control(HINSTANCE instance, const wchar_t* cls, const wchar_t* text, DWORD style, RECT r,
             int id) {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, g_floor.window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    if (args.size() == 3) {
        g_floor.sample = args[0];
        g_floor.logs = args[1];
        g_floor.count = ::_wtoi(args[2].c_str());
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"TarnwickFloor";
    ::RegisterClassW(&wc);
    // The launcher's window at 96 DPI on a 1280-pixel screen: 2175 by 1000 twips, centred left
    // of the middle at the top.
    g_floor.window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"Floor",
                                       WS_POPUP | WS_CLIPCHILDREN, 495, 0, 145, 67, nullptr,
                                       nullptr, instance, nullptr);
    if (!g_floor.window) return 1;

    const auto icon = [&](int id) {
        return UniqueIcon(static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    };
    const UniqueIcon pause = icon(IDI_FLOOR_PAUSE);
    const UniqueIcon forward = icon(IDI_FLOOR_FASTFORWARD);
    const UniqueIcon stop = icon(IDI_FLOOR_STOP);
    const UniqueGdiObj logo(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDB_FLOOR_LOGO), IMAGE_BITMAP, 0, 0, 0));
    const HICON faces[] = {pause.get(), forward.get(), stop.get()};
    for (int i = 0; i < 3; ++i) {
        const HWND button = Control(instance, L"BUTTON", L"", BS_PUSHBUTTON | BS_ICON,
                                    {48 * i, 10, 48 * (i + 1), 27}, 1 + i);
        ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(faces[i]));
    }
    Control(instance, L"STATIC", L"0%", SS_LEFT, {63, 0, 82, 13}, kLabelId);
    g_floor.marquee = Control(instance, L"STATIC", L"", SS_LEFT, {0, 27, 256, 40}, kMarqueeId);
    const HWND picture = Control(instance, L"STATIC", L"", SS_BITMAP, {0, 40, 144, 67}, 12);
    ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo.get()));

    ::ShowWindow(g_floor.window, SW_SHOWNOACTIVATE);
    ::SetTimer(g_floor.window, kColourTimer, kColourMs, nullptr);
    ::SetTimer(g_floor.window, kMarqueeTimer, kMarqueeMs, nullptr);
    if (g_floor.count > 0) ::SetTimer(g_floor.window, kSequenceTimer, kSequenceMs, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

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
#include "gdi.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

using tarnwick::UniqueBitmap;
using tarnwick::UniqueHandle;
using tarnwick::UniqueIcon;
using tarnwick::WindowDc;

constexpr UINT_PTR kColourTimer = 1;
constexpr UINT_PTR kMarqueeTimer = 2;
constexpr UINT_PTR kSequenceTimer = 3;
constexpr UINT kColourMs = 150;
constexpr UINT kMarqueeMs = 200;
constexpr UINT kSequenceMs = 1000;
constexpr int kPercentId = 10;
constexpr int kMarqueeId = 11;
constexpr int kPictureId = 12;

// What the window's procedure needs; it lives in wWinMain, reached through the window's user data.
struct Floor {
    HWND window = nullptr;
    HWND marquee = nullptr;
    std::wstring sample;
    std::wstring logs;
    int count = 0;
    int ticks = 0;  // of the sequence timer
    int shade = 0;
};

// Starts one entry with the command line the benchmark seeds the launcher's store with.
void StartEntry(const Floor& floor, int number) {
    wchar_t name[8];
    ::wsprintfW(name, L"F%02d", number);
    std::wstring line = L"\"" + floor.sample + L"\" " + name + L" \"" + floor.logs + L"\" --hidden";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        const UniqueHandle processHandle(process.hProcess);
        const UniqueHandle thread(process.hThread);
    }
}

void OnSequenceTick(Floor& floor) {
    // Tick 1 is the initial delay; ticks 2 to COUNT + 1 start the entries; the next one ends.
    ++floor.ticks;
    if (floor.ticks > floor.count + 1) {
        ::DestroyWindow(floor.window);
    } else if (floor.ticks >= 2) {
        StartEntry(floor, floor.ticks - 1);
    }
}

void PaintBar(Floor& floor) {
    floor.shade = (floor.shade + 16) % 256;
    const WindowDc dc(floor.window);
    const RECT bar{0, 0, 9, 9};
    ::SetDCBrushColor(dc.get(), RGB(floor.shade, 128, 255 - floor.shade));
    ::FillRect(dc.get(), &bar, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void PaintMarquee(const Floor& floor) {
    const WindowDc dc(floor.marquee);
    static constexpr wchar_t kText[] = L"Loading ...";
    ::TextOutW(dc.get(), 0, 0, kText, static_cast<int>(std::size(kText) - 1));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* floor = reinterpret_cast<Floor*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_TIMER:
            if (!floor) return 0;
            if (wParam == kColourTimer) PaintBar(*floor);
            if (wParam == kMarqueeTimer) PaintMarquee(*floor);
            if (wParam == kSequenceTimer) OnSequenceTick(*floor);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

HWND Control(const Floor& floor, HINSTANCE instance, const wchar_t* cls, const wchar_t* text,
             DWORD style, RECT r, int id) {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, floor.window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Floor floor;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    ::LocalFree(argv);
    if (args.size() == 3) {
        floor.sample = args[0];
        floor.logs = args[1];
        floor.count = ::_wtoi(args[2].c_str());
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
    floor.window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"Floor",
                                     WS_POPUP | WS_CLIPCHILDREN, 495, 0, 145, 67, nullptr, nullptr,
                                     instance, nullptr);
    if (!floor.window) return 1;
    ::SetWindowLongPtrW(floor.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&floor));

    const auto icon = [&](int id) {
        return UniqueIcon(static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    };
    const UniqueIcon pause = icon(IDI_FLOOR_PAUSE);
    const UniqueIcon forward = icon(IDI_FLOOR_FASTFORWARD);
    const UniqueIcon stop = icon(IDI_FLOOR_STOP);
    const UniqueBitmap logo(static_cast<HBITMAP>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDB_FLOOR_LOGO), IMAGE_BITMAP, 0, 0, 0)));
    const HICON faces[] = {pause.get(), forward.get(), stop.get()};
    for (int i = 0; i < 3; ++i) {
        const HWND button = Control(floor, instance, L"BUTTON", L"", BS_PUSHBUTTON | BS_ICON,
                                    {48 * i, 10, 48 * (i + 1), 27}, 1 + i);
        ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(faces[i]));
    }
    Control(floor, instance, L"STATIC", L"0%", SS_LEFT, {63, 0, 82, 13}, kPercentId);
    floor.marquee = Control(floor, instance, L"STATIC", L"", SS_LEFT, {0, 27, 256, 40}, kMarqueeId);
    const HWND picture =
        Control(floor, instance, L"STATIC", L"", SS_BITMAP, {0, 40, 144, 67}, kPictureId);
    ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo.get()));

    ::ShowWindow(floor.window, SW_SHOWNOACTIVATE);
    ::SetTimer(floor.window, kColourTimer, kColourMs, nullptr);
    ::SetTimer(floor.window, kMarqueeTimer, kMarqueeMs, nullptr);
    if (floor.count > 0) ::SetTimer(floor.window, kSequenceTimer, kSequenceMs, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

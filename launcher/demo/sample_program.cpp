// tw_sample.exe: a start-up program of our own for the demo, the tests and the benchmark. It
// notes when it was started, shows a small window with its name for a while and ends.
//   tw_sample.exe NAME LOGFOLDER [--stay MS] [--hidden] [anything else, recorded as is]
// It appends one line to LOGFOLDER\NAME.txt:
//   created=<process creation, FILETIME ticks> main=<entry of wWinMain> pid=<id> cmd=<line>
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "probe.h"

namespace {

using tarnwick::FileTimeTicks;

constexpr wchar_t kClass[] = L"TarnwickSample";

std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

void Record(const std::wstring& file, long long created, long long entered) {
    const std::wstring line =
        L"created=" + std::to_wstring(created) + L" main=" + std::to_wstring(entered) + L" pid=" +
        std::to_wstring(::GetCurrentProcessId()) + L" cmd=" + ::GetCommandLineW() + L"\r\n";
    const std::string bytes = Utf8(line);
    // Appending: a program started twice leaves two lines.
    const HANDLE h =
        ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
}

std::wstring g_caption;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            const HDC dc = ::BeginPaint(hwnd, &ps);
            RECT r;
            ::GetClientRect(hwnd, &r);
            ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            ::SetBkMode(dc, TRANSPARENT);
            ::DrawTextW(dc, g_caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_TIMER:
            ::DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);

    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    const std::wstring name = argv[1];
    Record(std::wstring(argv[2]) + L"\\" + name + L".txt", FileTimeTicks(created),
           FileTimeTicks(now));
    UINT stay = 4000;
    bool hidden = false;
    for (int i = 3; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--stay" && i + 1 < argc) stay = static_cast<UINT>(std::stoul(argv[++i]));
        if (arg == L"--hidden") hidden = true;
    }
    ::LocalFree(argv);
    if (hidden) return 0;

    SYSTEMTIME local;
    ::GetLocalTime(&local);
    wchar_t clock[32];
    ::wsprintfW(clock, L"%02u:%02u:%02u.%03u", local.wHour, local.wMinute, local.wSecond,
                local.wMilliseconds);
    g_caption = name + L" started " + clock;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);
    // A cascade, so that several samples do not hide each other in a screenshot.
    const int slot = static_cast<int>(::GetCurrentProcessId() / 4 % 8);
    const HWND hwnd = ::CreateWindowExW(
        0, kClass, (L"Sample " + name).c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
        80 + slot * 40, 160 + slot * 60, 280, 90, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(hwnd, show);
    ::SetTimer(hwnd, 1, stay, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

// tw_sample.exe: a start-up program of our own for the demo, the tests and the benchmark. It
// notes when it was started and by whom, shows a small window with its name for a while and ends.
//   tw_sample.exe NAME LOGFOLDER [--stay MS] [--hidden] [--rewrite-run HKCU|HKLM|HKLM32 VALUE]
//                 [--busy MS] [--cpu MS] [--child-cpu MS]
//                 [anything else, recorded as is]
// --hidden shows no window and ends at once, or after --stay when that is given.
// It appends one line to LOGFOLDER\NAME.txt:
//   created=<process creation, FILETIME ticks> main=<entry of wWinMain> pid=<id>
//   by=<file name of the program that started it> cmd=<line>
// --rewrite-run does what many real start-up programs do each time they start: it writes its own
// command line into a Run key (HKLM32: the machine's 32-bit view) as VALUE. --busy keeps every
// processor busy for MS milliseconds first, as a heavy program does while it loads. --cpu keeps
// every processor busy until the program has used MS milliseconds of processor time in all, however
// busy the computer is (what a test of its measured cost needs); --child-cpu leaves that to a
// process of its own that it starts (tw_sample.exe --burn MS, which notes nothing and stays 3 s
// once it has burnt its time), as a program that hands its loading to a helper does. Started
// without a name and a log folder, it notes its start in "<its own path>.ran".
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

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

// The file name of the parent process's program ("Tarnwick.exe", "wineboot.exe"), or "?".
std::wstring StartedBy() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return L"?";
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !parent;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    }
    std::wstring name = L"?";
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && parent;
         more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == parent) name = entry.szExeFile;
    }
    ::CloseHandle(snapshot);
    return name;
}

void RewriteRunValue(const std::wstring& where, const std::wstring& value) {
    const bool user = where == L"HKCU";
    const wchar_t* key = where == L"HKLM32"
                             ? L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
                             : L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::wstring command = ::GetCommandLineW();
    ::RegSetKeyValueW(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key, value.c_str(), REG_SZ,
                      command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

// Runs `spin` on every processor (this thread one of them) until each returns.
void OnEveryProcessor(LPTHREAD_START_ROUTINE spin, void* arg) {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    std::vector<HANDLE> threads;
    for (DWORD i = 1; i < info.dwNumberOfProcessors; ++i) {
        if (const HANDLE t = ::CreateThread(nullptr, 0, spin, arg, 0, nullptr))
            threads.push_back(t);
    }
    spin(arg);
    for (HANDLE t : threads) {
        ::WaitForSingleObject(t, INFINITE);
        ::CloseHandle(t);
    }
}

void KeepEveryProcessorBusy(unsigned ms) {
    ULONGLONG until = ::GetTickCount64() + ms;
    OnEveryProcessor(
        [](LPVOID end) -> DWORD {
            volatile unsigned long long sink = 0;
            while (::GetTickCount64() < *static_cast<const ULONGLONG*>(end)) sink = sink + 1;
            return 0;
        },
        &until);
}

// Processor time of this process so far, user and kernel, in 100 ns units.
unsigned long long OwnProcessorTime() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return static_cast<unsigned long long>(FileTimeTicks(kernel) + FileTimeTicks(user));
}

// The processor time, in 100 ns units, at which BurnProcessorTime is done.
unsigned long long g_burntAt = 0;

void SpinUntilBurnt() {
    volatile unsigned long long sink = 0;
    while (OwnProcessorTime() < g_burntAt) {
        for (int i = 0; i < 100'000; ++i) sink = sink + 1;
    }
}

// The threads that help stay, asleep, until the process ends, as a program's workers do: Wine
// can tell a thread's processor time only while the thread is there.
void BurnProcessorTime(unsigned ms) {
    g_burntAt = OwnProcessorTime() + ms * 10'000ull;
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    for (DWORD i = 1; i < info.dwNumberOfProcessors; ++i) {
        const auto helper = [](LPVOID) -> DWORD {
            SpinUntilBurnt();
            ::Sleep(INFINITE);
            return 0;
        };
        if (const HANDLE t = ::CreateThread(nullptr, 0, helper, nullptr, 0, nullptr))
            ::CloseHandle(t);
    }
    SpinUntilBurnt();
}

void StartBurner(const std::wstring& ms) {
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self, n) + L"\" --burn " + ms;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
}

void Record(const std::wstring& file, long long created, long long entered) {
    const std::wstring line = L"created=" + std::to_wstring(created) + L" main=" +
                              std::to_wstring(entered) + L" pid=" +
                              std::to_wstring(::GetCurrentProcessId()) + L" by=" + StartedBy() +
                              L" cmd=" + ::GetCommandLineW() + L"\r\n";
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

// The window with the sample's name and the time it started, for `stay` milliseconds.
int ShowSampleWindow(HINSTANCE instance, const std::wstring& name, UINT stay, int show) {
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);

    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv && argc == 3 && std::wstring(argv[1]) == L"--burn") {
        BurnProcessorTime(static_cast<unsigned>(std::stoul(argv[2])));
        ::Sleep(3000);
        return 0;
    }
    if (!argv || argc < 3) {
        // Started without its own arguments: by a command line that was meant for another
        // program (a planted "C:\\Program.exe"). Leaves "<its own path>.ran" as the trace.
        wchar_t self[MAX_PATH];
        const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        Record(std::wstring(self, n) + L".ran", FileTimeTicks(created), FileTimeTicks(now));
        return 2;
    }
    const std::wstring name = argv[1];
    Record(std::wstring(argv[2]) + L"\\" + name + L".txt", FileTimeTicks(created),
           FileTimeTicks(now));
    UINT stay = 4000;
    bool stayGiven = false;
    bool hidden = false;
    for (int i = 3; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--stay" && i + 1 < argc) {
            stay = static_cast<UINT>(std::stoul(argv[++i]));
            stayGiven = true;
        }
        if (arg == L"--hidden") hidden = true;
        if (arg == L"--busy" && i + 1 < argc) KeepEveryProcessorBusy(std::stoul(argv[++i]));
        if (arg == L"--cpu" && i + 1 < argc) BurnProcessorTime(std::stoul(argv[++i]));
        if (arg == L"--child-cpu" && i + 1 < argc) StartBurner(argv[++i]);
        if (arg == L"--rewrite-run" && i + 2 < argc) {
            RewriteRunValue(argv[i + 1], argv[i + 2]);
            i += 2;
        }
    }
    ::LocalFree(argv);
    if (hidden) {
        // Without a window it ends at once, or after the stay it was given, doing nothing.
        if (stayGiven) ::Sleep(stay);
        return 0;
    }
    return ShowSampleWindow(instance, name, stay, show);
}

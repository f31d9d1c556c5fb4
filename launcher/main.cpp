// Tarnwick.exe: started by Windows at log-on, it starts the captured start-up programs one after
// another, then takes what was added to Windows' start-up meanwhile, and ends.
#include "handles.h"
#include "launcher_window.h"

#include <cwchar>

namespace {

// One launcher per session: a second one (started twice by Windows, or by hand) would start
// every program a second time.
constexpr wchar_t kLauncherMutex[] = L"Local\\Tarnwick.Launcher";

// The least time from the launcher's start to its capture. Tests may shorten it with this
// variable; nothing else reads it.
unsigned SettleMs() {
    wchar_t text[16];
    const DWORD n = ::GetEnvironmentVariableW(L"TARNWICK_SETTLE_MS", text, 16);
    if (n == 0 || n >= 16) return tarnwick::kSettleMs;
    wchar_t* end = nullptr;
    const unsigned long ms = std::wcstoul(text, &end, 10);
    return *end == L'\0' && ms < tarnwick::kSettleMs ? static_cast<unsigned>(ms)
                                                     : tarnwick::kSettleMs;
}

// Waits until the tick count reaches `until`, serving whatever the shell left on this thread.
void WaitUntil(ULONGLONG until) {
    for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const ULONGLONG started = ::GetTickCount64();
    const tarnwick::UniqueHandle single(::CreateMutexW(nullptr, FALSE, kLauncherMutex));
    // A launcher of this session that runs with other rights leaves a mutex this one may not
    // open: "access denied" means running as much as "already exists" does.
    if (const DWORD error = ::GetLastError();
        error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        return 0;
    }
    // The shell's "Open" verb, which starts the shortcuts, wants COM on this thread.
    tarnwick::ComScope com;
    int exitCode = 0;
    {
        tarnwick::Form1 form(instance);
        if (!form.Create()) return 0;
        MSG msg;
        BOOL got;
        while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (got == 0) exitCode = static_cast<int>(msg.wParam);
    }
    // The window is gone; the process stays until Windows has surely started its own entries.
    WaitUntil(started + SettleMs());
    tarnwick::CaptureAfterSequence({tarnwick::SystemOs(), tarnwick::ProgramFolder(), nullptr,
                                    tarnwick::kUnattendedLockWaitMs});
    // The loop's own end: 0, or the failure a window procedure met.
    return exitCode;
}

// Tarnwick.exe: started by Windows at log-on, it starts the captured start-up programs one after
// another, then takes what was added to Windows' start-up meanwhile, and stays, without a window,
// until it has measured what each program cost over its first minute; then it writes the
// log-on's record and ends.
#include "handles.h"
#include "launcher_window.h"
#include "logon_costs.h"
#include "logon_watch.h"

#include <cwchar>

namespace {

// One launcher per session: a second one (started twice by Windows, or by hand) would start
// every program a second time.
constexpr wchar_t kLauncherMutex[] = L"Local\\Tarnwick.Launcher";

// Milliseconds from the environment variable `name`, which tests set to shorten a wait: below
// `most` (the wait itself), else `most`. Nothing else reads these variables. Straight from the
// environment, not the seam: main reads them once, for the tests of the whole program.
unsigned ShortenedMs(const wchar_t* name, unsigned most) {
    wchar_t text[16];
    const DWORD n = ::GetEnvironmentVariableW(name, text, 16);
    if (n == 0 || n >= 16) return most;
    wchar_t* end = nullptr;
    const unsigned long ms = std::wcstoul(text, &end, 10);
    return *end == L'\0' && ms < most ? static_cast<unsigned>(ms) : most;
}

// Waits until the tick count reaches `until`, or `event` is signalled, serving whatever the shell
// left on this thread.
void WaitUntil(ULONGLONG until, HANDLE event = nullptr) {
    for (ULONGLONG now = ::GetTickCount64(); now < until; now = ::GetTickCount64()) {
        const ULONGLONG left = until - now;
        const DWORD woke = ::MsgWaitForMultipleObjects(
            event ? 1 : 0, &event, FALSE, left < INFINITE ? static_cast<DWORD>(left) : INFINITE - 1,
            QS_ALLINPUT);
        if (event && woke == WAIT_OBJECT_0) return;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const ULONGLONG started = ::GetTickCount64();
    FILETIME startedAt{};
    ::GetSystemTimeAsFileTime(&startedAt);
    const tarnwick::UniqueHandle single(::CreateMutexW(nullptr, FALSE, kLauncherMutex));
    // A launcher of this session that runs with other rights leaves a mutex this one may not
    // open: "access denied" means running as much as "already exists" does.
    if (const DWORD error = ::GetLastError();
        error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        return 0;
    }
    // The shell's "Open" verb, which starts the shortcuts, wants COM on this thread.
    tarnwick::ComScope com;
    tarnwick::LogOnWatch watch(started, ShortenedMs(L"TARNWICK_MEASURE_MS", tarnwick::kMeasuredMs));
    tarnwick::LogOnRecord record;
    record.when = (static_cast<uint64_t>(startedAt.dwHighDateTime) << 32) | startedAt.dwLowDateTime;
    bool quit = false;
    int exitCode = 0;
    {
        tarnwick::launcher::Form1 form(instance, watch, started);
        if (!form.Create()) return 0;
        MSG msg;
        BOOL got;
        while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            // The keyboard as in a dialog, once the user has activated the window: Tab and
            // Shift+Tab between the buttons, Enter for the focused one, Esc to quit.
            if (form.hwnd() && ::IsDialogMessageW(form.hwnd(), &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (got == 0) exitCode = static_cast<int>(msg.wParam);
        record.waitedForIdle = form.WaitedForIdle();
        record.load = form.LoadSamples();
        quit = form.Quit();
    }
    // The window is gone and nothing more starts; the measuring goes on meanwhile, on its own
    // thread. The process stays until Windows has surely started its own entries.
    watch.Finish();
    WaitUntil(started + ShortenedMs(L"TARNWICK_SETTLE_MS", tarnwick::kSettleMs));
    tarnwick::CaptureAfterSequence({tarnwick::SystemOs(), tarnwick::ProgramFolder(), nullptr,
                                    tarnwick::kUnattendedLockWaitMs});
    // Quitting ends the log-on without its record, as a launcher that was ended would: the
    // figures kept from the earlier log-ons stay as they were.
    if (!quit) {
        // Without its event (the system gave none) the watch is simply waited for.
        if (watch.Measured()) WaitUntil(ULLONG_MAX, watch.Measured());
        record.programs = watch.Programs();
        record.spanMs = watch.SpanMs();
        tarnwick::WriteLogOn(tarnwick::SystemOs(), record);
    }
    // The loop's own end: 0, or the failure a window procedure met.
    return exitCode;
}

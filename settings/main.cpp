// TarnwickSettings: the window in which the user orders the captured start-up programs, sets the
// launcher's delays and options, and switches the whole product off or on.
#include "form1.h"

#include "context.h"
#include "handles.h"

#include <commctrl.h>

namespace {

// One settings window per session: two would each save over what the other shows.
constexpr wchar_t kSettingsMutex[] = L"Local\\Tarnwick.Settings";
// The window's dialog template gives it the dialog class and this caption.
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kWindowTitle[] = L"Tarnwick Settings";
// How long a second start waits for the first one's window to appear.
constexpr int kWaitSteps = 50;
constexpr DWORD kWaitStepMs = 100;

// The open settings window: its own message boxes carry its caption too, but it has no owner.
HWND OpenSettingsWindow() {
    for (HWND found = ::FindWindowExW(nullptr, nullptr, kDialogClass, kWindowTitle); found;
         found = ::FindWindowExW(nullptr, found, kDialogClass, kWindowTitle)) {
        if (!::GetWindow(found, GW_OWNER)) return found;
    }
    return nullptr;
}

// Shows the open window, or the box it has open, in front of everything.
void BringToFront(HWND window) {
    if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(::GetLastActivePopup(window));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const tarnwick::UniqueHandle single(::CreateMutexW(nullptr, FALSE, kSettingsMutex));
    // A settings program of this session with other rights leaves a mutex this one may not
    // open: "access denied" means one is open as much as "already exists" does.
    if (const DWORD error = ::GetLastError();
        error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // The first one may still be making its window.
        for (int step = 0; step < kWaitSteps; ++step) {
            if (const HWND open = OpenSettingsWindow()) {
                BringToFront(open);
                break;
            }
            ::Sleep(kWaitStepMs);
        }
        return 0;
    }
    tarnwick::ComScope com;
    const INITCOMMONCONTROLSEX controls{sizeof controls,
                                        ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    tarnwick::settings::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder());
    if (!form.Create(instance, show)) return 1;

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Every window of the program is a dialog: the active one gets its keyboard handling.
        const HWND active = ::GetActiveWindow();
        if (active && ::IsDialogMessageW(active, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// TarnwickSettings: the window in which the user orders the captured start-up programs, sets the
// launcher's delays and options, and switches the whole product off or on.
#include "form1.h"

#include "context.h"
#include "handles.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    tarnwick::ComScope com;
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
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

// Tarnwick.exe: started by Windows at log-on, it starts the captured start-up programs one after
// another and ends.
#include "handles.h"
#include "launcher_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The shell's "Open" verb, which starts the shortcuts, wants COM on this thread.
    tarnwick::ComScope com;
    tarnwick::Form1 form(instance);
    if (!form.Create()) return 0;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

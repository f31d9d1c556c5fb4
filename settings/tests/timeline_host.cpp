// Opens the "Last log-on" window alone, owned by nothing, and ends when it is closed: the tests
// drive it as the settings window's button would open it.
#include "logon_timeline.h"

#include "handles.h"
#include "os.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const tarnwick::ComScope com;
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    tarnwick::settings::ShowLastLogOn(instance, nullptr, tarnwick::SystemOs());
    return 0;
}

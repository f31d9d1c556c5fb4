// uninstall.exe: asks once; on OK gives every captured start-up program back to Windows and has
// the shell delete the program folder, then ends without a message.
#include "form1.h"

#include "handles.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The shell's file operation wants COM on its thread.
    const tarnwick::ComScope com;
    tarnwick::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder());
    form.Show(instance);
    return 0;
}

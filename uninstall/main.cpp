// uninstall.exe: asks once; on OK gives every captured start-up program back to Windows, has the
// shell delete the program folder and, once it is gone, removes the product from Apps & features;
// then ends. When a program could not be given back it deletes nothing and says which and why.
#include "form1.h"

#include "handles.h"
#include "window.h"

#include <windows.h>

#include <string>

namespace {

// The name of this program's file, which stays in the program folder for as long as it runs.
std::wstring OwnFileName() {
    const std::wstring path = tarnwick::ProgramPath();
    return path.substr(path.find_last_of(L'\\') + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The shell's file operation wants COM on its thread.
    const tarnwick::ComScope com;
    tarnwick::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder(), OwnFileName());
    form.Show(instance);
    // 0, or the failure the window's procedure met.
    return tarnwick::ui::PendingQuitCode();
}

// uninstall.exe: asks once; on OK gives every captured start-up program back to Windows, has the
// shell delete the program folder and, once it is gone, removes the product from Apps & features;
// then ends. When a program could not be given back it deletes nothing and says which and why.
#include "form1.h"

#include "handles.h"

#include <windows.h>

#include <string>

namespace {

// The name of this program's file, which stays in the program folder for as long as it runs.
std::wstring OwnFileName() {
    std::wstring path(32768, L'\0');  // the longest path Windows has
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path.substr(path.find_last_of(L'\\') + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The shell's file operation wants COM on its thread.
    const tarnwick::ComScope com;
    tarnwick::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder(), OwnFileName());
    form.Show(instance);
    return 0;
}

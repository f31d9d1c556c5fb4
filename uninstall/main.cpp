// uninstall.exe: asks once; on OK closes an open Tarnwick Settings (or waits for it, saying so),
// gives every captured start-up program back to Windows, has the shell delete the program folder
// and, once it is gone, removes the product from Apps & features and everything else the setup
// made; then ends, leaving a copy of itself to delete its own file.
// When a program could not be given back it deletes nothing and says which and why.
#include "form1.h"
#include "own_file.h"

#include "handles.h"
#include "window.h"

#include <windows.h>

#include <optional>
#include <string>

namespace {

// The name of this program's file, which stays in the program folder for as long as it runs.
std::wstring OwnFileName() {
    const std::wstring path = tarnwick::ProgramPath();
    return path.substr(path.find_last_of(L'\\') + 1);
}

// "/remove-after <process id>": this is the copy that deletes the uninstaller's own file.
std::optional<DWORD> RemoveAfter(PWSTR commandLine) {
    const std::wstring_view line = commandLine;
    const std::wstring_view prefix = tarnwick::kRemoveAfterSwitch;
    if (!line.starts_with(prefix) || line.size() <= prefix.size() + 1) return std::nullopt;
    const std::wstring id(line.substr(prefix.size() + 1));
    if (id.find_first_not_of(L"0123456789") != std::wstring::npos || id.size() > 10)
        return std::nullopt;
    return static_cast<DWORD>(std::stoull(id));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    if (const auto parent = RemoveAfter(commandLine))
        return tarnwick::RemoveFileOfEndedProcess(*parent);
    int code = 0;
    bool ownFileLeft = false;
    {
        // The shell's file operation wants COM on its thread.
        const tarnwick::ComScope com;
        tarnwick::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder(), OwnFileName());
        form.Show(instance);
        // 0, or the failure the window's procedure met.
        code = tarnwick::ui::PendingQuitCode();
        ownFileLeft = form.OwnFileLeft();
    }
    if (ownFileLeft) tarnwick::StartOwnFileRemoval();
    return code;
}

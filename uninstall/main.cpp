// uninstall.exe: refuses to act from a folder that users who are not administrators can change;
// otherwise asks once; on OK closes an open Tarnwick Settings (or waits for it, saying so), gives
// every captured start-up program back to Windows, has the shell delete the program folder and,
// once it is gone, removes the product from Apps & features and everything else the setup made;
// then ends, leaving a copy of itself to delete its own file.
// When a program could not be given back it deletes nothing and says which and why.
// Started by the Windows Installer package (`/package`) it only gives back, without a window, and
// leaves the files and the Apps & features entry to the package.
#include "form1.h"
#include "own_file.h"
#include "uninstall_run.h"

#include "folder_path.h"
#include "handles.h"
#include "package_mode.h"
#include "window.h"

#include <windows.h>

#include <optional>
#include <string>

namespace {

// The name of this program's file, which stays in the program folder for as long as it runs.
std::wstring OwnFileName() {
    return std::wstring(tarnwick::LastPartOf(tarnwick::ProgramPath()));
}

constexpr wchar_t kRefusedCaption[] = L"Tarnwick was not uninstalled";
// The exit code when the uninstaller did nothing, as install.exe's.
constexpr int kNothingDone = 2;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // The folder may be one that anyone can put a DLL into (the check below is for that): what
    // this program loads later by name, its message box's libraries too, comes from the system
    // folder only.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The copy that deletes the uninstaller's own file; with anything but a valid handle it does
    // nothing, rather than becoming the uninstaller.
    const std::wstring_view line = commandLine;
    if (line.starts_with(tarnwick::kRemoveAfterSwitch)) {
        const std::optional<HANDLE> parent = tarnwick::RemoveAfterHandle(line);
        return parent ? tarnwick::RemoveFileOfEndedProcess(*parent) : 1;
    }
    // No folder check here: the package removes the files itself, and no copy of this program
    // is made to delete its own file.
    if (tarnwick::RunByPackage(line)) {
        const tarnwick::GiveBackOutcome outcome =
            tarnwick::GiveBackForPackage({tarnwick::SystemOs(), tarnwick::ProgramFolder(), nullptr,
                                          tarnwick::kUnattendedLockWaitMs});
        tarnwick::ReportToPackage(outcome.message);
        return outcome.everythingBack ? 0 : kNothingDone;
    }
    const std::wstring refusal =
        tarnwick::OpenFolderRefusal(tarnwick::SystemOs(), tarnwick::ProgramFolder());
    if (!refusal.empty()) {
        ::MessageBoxW(nullptr, refusal.c_str(), kRefusedCaption, MB_OK | MB_ICONERROR);
        return kNothingDone;
    }
    int code = 0;
    bool ownFileLeft = false;
    {
        // The shell's file operation wants COM on its thread.
        const tarnwick::ComScope com;
        tarnwick::uninstall::Form1 form(tarnwick::SystemOs(), tarnwick::ProgramFolder(),
                                        OwnFileName());
        form.Show(instance);
        // 0, or the failure the window's procedure met.
        code = tarnwick::ui::PendingQuitCode();
        ownFileLeft = form.OwnFileLeft();
    }
    if (ownFileLeft) tarnwick::StartOwnFileRemoval(tarnwick::SystemOs());
    return code;
}

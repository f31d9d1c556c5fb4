// install.exe: run once from the program folder. It gives the folder permissions that only
// administrators can change, captures the start-up programs, sets up the start-menu group and the
// default options in one pass without any dialogue, says that it is done, and ends; when the
// permissions cannot be set it does nothing but say so. Under a silent setup it says nothing: a
// scripted installation has no one to answer a message. Started by the Windows Installer package
// (`/package`) it leaves the shortcuts to the package and keeps the options an account has.
#include "install_run.h"
#include "resource.h"

#include "handles.h"
#include "package_mode.h"

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickInstall";
// Set to "1" by the setup program, and only when it runs silently. A variable rather than an
// argument: install.exe is also started by hand, where it takes none.
constexpr wchar_t kSilentVariable[] = L"TARNWICK_SILENT_SETUP";

void DestroyWindowHandle(HWND window) {
    ::DestroyWindow(window);
}
using UniqueWindow = tarnwick::UniqueAny<HWND, DestroyWindowHandle>;

std::wstring LoadText(HINSTANCE instance, UINT id) {
    // With a zero length LoadStringW hands out a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(instance, id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

bool RunBySilentSetup() {
    // Straight from the environment, not the seam: how the program was started, read once in
    // main before there is anything to fail or to test through a double.
    wchar_t value[2] = {};
    return ::GetEnvironmentVariableW(kSilentVariable, value, 2) == 1 && value[0] == L'1';
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // Until the program folder has its permissions, anyone may have put a DLL beside this
    // program: what it loads later by name comes from the system folder only.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);
    // The main window is never shown: the run ends before it could appear. Its handle owns the
    // shell's folder lookups.
    const UniqueWindow window(
        ::CreateWindowExW(0, kWindowClass, LoadText(instance, IDS_INSTALL_CAPTION).c_str(),
                          WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, nullptr, nullptr, instance, nullptr));

    const tarnwick::StoreContext ctx{tarnwick::SystemOs(), tarnwick::ProgramFolder(), window.get(),
                                     tarnwick::kUnattendedLockWaitMs};
    // The Windows Installer package has its own shortcuts and its own log, and no one to answer
    // a message while it runs.
    if (tarnwick::RunByPackage(commandLine)) {
        const tarnwick::InstallOutcome outcome = tarnwick::InstallFromPackage(ctx);
        tarnwick::ReportToPackage(outcome.report);
        return outcome.exitCode;
    }
    const tarnwick::InstallOutcome outcome = tarnwick::Install(ctx);
    // A scripted installation learns from the exit code that something stayed with Windows, or
    // that nothing was installed.
    if (RunBySilentSetup()) return outcome.exitCode;

    // Unowned, so that the box gets a taskbar button of its own: nothing else of the installer
    // is ever on screen.
    if (outcome.exitCode == tarnwick::kNotInstalled) {
        ::MessageBoxW(nullptr, outcome.report.c_str(),
                      LoadText(instance, IDS_NOT_INSTALLED_TITLE).c_str(), MB_OK | MB_ICONERROR);
        return outcome.exitCode;
    }
    std::wstring text = LoadText(instance, IDS_COMPLETED_TEXT);
    if (!outcome.report.empty()) text += L"\n\n" + outcome.report;
    ::MessageBoxW(nullptr, text.c_str(), LoadText(instance, IDS_COMPLETED_TITLE).c_str(),
                  MB_OK | (outcome.report.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return outcome.exitCode;
}

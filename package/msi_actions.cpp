// msi_actions.dll: the Windows Installer package's two custom actions, deferred and without
// impersonation. Each runs one of the product's own programs from the program folder with the
// package's switch and copies what the program reports into the Windows Installer log (and, with
// a user interface, into a message): an executable custom action could not, as it has no handle
// to the installation. Its data is the program folder, with a trailing backslash.
//   TakeOver  install.exe /package: a program that stays with Windows is said and not failed;
//             a folder whose permissions cannot be set fails the installation.
//   GiveBack  uninstall.exe /package: anything that stays held fails the uninstall, which Windows
//             Installer then rolls back, leaving Tarnwick installed and working.
#include "handles.h"
#include "package_mode.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

using tarnwick::UniqueHandle;

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    wchar_t none[1] = {};
    DWORD size = 0;
    if (::MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) return {};
    std::wstring value(size, L'\0');
    ++size;  // room for the terminating NUL
    if (::MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
    value.resize(size);
    return value;
}

// A line of the log, or with `kind` INSTALLMESSAGE_ERROR or _WARNING (and the message box's
// buttons and icon) also a message on screen when the installation has a user interface.
void Say(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    PMSIHANDLE record = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(record, 0, L"[1]");
    ::MsiRecordSetStringW(record, 1, text.c_str());
    ::MsiProcessMessage(install, kind, record);
}

struct ProgramRun {
    DWORD error = ERROR_SUCCESS;  // why it could not be started
    DWORD exitCode = 0;
    std::wstring output;
};

// Runs `program` with the package's switch, in the program folder, without a window, and waits
// for it; its standard output comes back whole.
ProgramRun RunWithPackageSwitch(const std::wstring& folder, const std::wstring& program) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        run.error = ::GetLastError();
        return run;
    }
    const UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    const std::wstring path = folder + program;
    std::wstring commandLine = L"\"" + path + L"\" " + std::wstring(tarnwick::kPackageSwitch);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &process)) {
        run.error = ::GetLastError();
        return run;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle thread(process.hThread);
    // Only the child holds the write end now: the read ends once the child has ended.
    writer.reset();
    wchar_t buffer[512];
    DWORD read = 0;
    while (::ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        run.output.append(buffer, read / sizeof(wchar_t));
    ::WaitForSingleObject(processHandle.get(), INFINITE);
    ::GetExitCodeProcess(processHandle.get(), &run.exitCode);
    return run;
}

// A program that could not be started, or ended with a failure: said as an error (a message
// with a user interface), and the installation fails and rolls back.
UINT Failure(MSIHANDLE install, const std::wstring& path, const ProgramRun& run) {
    std::wstring text = run.output;
    if (run.error != ERROR_SUCCESS) {
        text = L"Tarnwick could not start " + path + L" (Windows error " +
               std::to_wstring(run.error) + L").";
    } else if (text.empty()) {
        text = L"Tarnwick: " + path + L" failed with exit code " + std::to_wstring(run.exitCode) +
               L".";
    }
    Say(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
    return ERROR_INSTALL_FAILURE;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall TakeOver(MSIHANDLE install) {
    const std::wstring folder = Property(install, L"CustomActionData");
    const ProgramRun run = RunWithPackageSwitch(folder, L"install.exe");
    // install.exe's codes: 0 installed, 1 installed but something stayed, 2 nothing done.
    if (run.error == ERROR_SUCCESS && run.exitCode == 0) {
        Say(install, INSTALLMESSAGE_INFO, L"Tarnwick took over every start-up program.");
        return ERROR_SUCCESS;
    }
    if (run.error == ERROR_SUCCESS && run.exitCode == 1) {
        Say(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_WARNING | MB_OK | MB_ICONWARNING),
            L"Tarnwick is installed. " + run.output);
        return ERROR_SUCCESS;
    }
    return Failure(install, folder + L"install.exe", run);
}

extern "C" __declspec(dllexport) UINT __stdcall GiveBack(MSIHANDLE install) {
    const std::wstring folder = Property(install, L"CustomActionData");
    const ProgramRun run = RunWithPackageSwitch(folder, L"uninstall.exe");
    if (run.error != ERROR_SUCCESS || run.exitCode != 0)
        return Failure(install, folder + L"uninstall.exe", run);
    Say(install, INSTALLMESSAGE_INFO,
        run.output.empty() ? L"Tarnwick gave every start-up program back to Windows." : run.output);
    return ERROR_SUCCESS;
}

// Stands in for the System Information tool in the tests: leaves a file beside itself that says
// it ran, holding its command line, and ends.
#include "context.h"
#include "handles.h"

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring path = tarnwick::ProgramPath();
    const tarnwick::UniqueHandle marker(
        tarnwick::NullIfInvalid(::CreateFileW((path + L".ran").c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!marker) return 1;
    const std::wstring commandLine = ::GetCommandLineW();
    DWORD written = 0;
    ::WriteFile(marker.get(), commandLine.data(),
                static_cast<DWORD>(commandLine.size() * sizeof(wchar_t)), &written, nullptr);
    return 0;
}

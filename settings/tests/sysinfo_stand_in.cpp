// Stands in for the System Information tool in the tests: leaves a file beside itself that says
// it ran, holding its command line, and ends.
#include "handles.h"

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
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

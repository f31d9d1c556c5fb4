#include "own_file.h"

#include "context.h"
#include "convert.h"
#include "handles.h"
#include "process.h"

#include <vector>

namespace tarnwick {
namespace {

std::wstring FileName(std::wstring_view path) {
    return std::wstring(path.substr(path.find_last_of(L'\\') + 1));
}

std::wstring ImagePath(HANDLE process) {
    std::vector<wchar_t> path(32768);
    auto size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    return std::wstring(path.data(), size);
}

}  // namespace

bool StartOwnFileRemoval() {
    const std::wstring own = ProgramPath();
    std::vector<wchar_t> temp(MAX_PATH + 1);
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (own.empty() || length == 0 || length >= temp.size()) return false;
    const std::wstring copy = std::wstring(temp.data(), length) + L"Tarnwick-uninstall-" +
                              std::to_wstring(::GetCurrentProcessId()) + L".exe";
    if (!::CopyFileW(own.c_str(), copy.c_str(), FALSE)) return false;
    const std::wstring command = L"\"" + copy + L"\" " + std::wstring(kRemoveAfterSwitch) + L" " +
                                 std::to_wstring(::GetCurrentProcessId());
    if (StartCommandLine(command) == ERROR_SUCCESS) return true;
    ::DeleteFileW(copy.c_str());
    return false;
}

int RemoveFileOfEndedProcess(DWORD parent) {
    const std::wstring self = ProgramPath();
    // Started from the program folder, this process would keep it from being removed.
    ::SetCurrentDirectoryW(ProgramFolder().c_str());
    const UniqueHandle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent));
    // Its own copy goes at the next restart whatever happens below.
    if (!self.empty()) ::MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!process) return 1;
    const std::wstring file = ImagePath(process.get());
    if (file.empty() || !EqualsIgnoringCase(FileName(file), L"uninstall.exe")) return 1;
    if (::WaitForSingleObject(process.get(), 60'000) != WAIT_OBJECT_0) return 1;
    // The system lets go of the file a moment after the process has ended.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::DeleteFileW(file.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            ::RemoveDirectoryW(file.substr(0, file.find_last_of(L'\\')).c_str());
            return 0;
        }
        ::Sleep(100);
    }
    return 1;
}

}  // namespace tarnwick

#include "own_file.h"

#include "context.h"
#include "convert.h"
#include "folder_access.h"
#include "folder_path.h"
#include "handles.h"

#include <cstdint>
#include <vector>

namespace tarnwick {
namespace {

std::wstring ImagePath(HANDLE process) {
    std::vector<wchar_t> path(32768);
    auto size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    return std::wstring(path.data(), size);
}

// A name of 32 hexadecimal digits from a fresh GUID.
std::wstring UnforeseeableName() {
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid))) return {};
    wchar_t text[40] = {};
    if (::StringFromGUID2(guid, text, 40) == 0) return {};
    std::wstring name;
    for (const wchar_t c : std::wstring_view(text)) {
        if (iswxdigit(c)) name.push_back(c);
    }
    return name;
}

}  // namespace

std::wstring MakeCopyFolder(Os& os, std::wstring_view temp) {
    const std::wstring name = UnforeseeableName();
    if (name.empty()) return {};
    const std::wstring folder = JoinPath(temp, L"Tarnwick-uninstall-" + name);
    return os.CreateProtectedFolder(folder, kAdministratorsOnly) == ERROR_SUCCESS ? folder
                                                                                  : std::wstring();
}

bool StartOwnFileRemoval(Os& os) {
    const std::wstring own = ProgramPath();
    std::wstring temp;
    if (own.empty() || os.TempFolder(temp) != ERROR_SUCCESS) return false;
    const std::wstring folder = MakeCopyFolder(os, temp);
    if (folder.empty()) return false;
    const std::wstring copy = JoinPath(folder, kCopyName);
    // Enough to wait for this process and read its file's name, nothing that could change it. (A
    // handle of this process for this process: nothing outside it is reached.)
    UniqueHandle self;
    const bool started =
        os.CopyFile(own, copy) == ERROR_SUCCESS &&
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(),
                          self.put(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0) &&
        os.StartWithHandle(L"\"" + copy + L"\" " + std::wstring(kRemoveAfterSwitch) + L" " +
                               std::to_wstring(HandleToULong(self.get())),
                           self.get()) == ERROR_SUCCESS;
    if (started) return true;
    os.DeleteFile(copy);
    os.RemoveDirectory(folder);
    return false;
}

std::optional<HANDLE> RemoveAfterHandle(std::wstring_view commandLine) {
    const std::wstring_view prefix = kRemoveAfterSwitch;
    if (!commandLine.starts_with(prefix) || commandLine.substr(prefix.size(), 1) != L" ")
        return std::nullopt;
    std::wstring_view number = commandLine.substr(prefix.size() + 1);
    uint64_t base = 10;
    if (number.size() > 2 && number[0] == L'0' && (number[1] == L'x' || number[1] == L'X')) {
        base = 16;
        number.remove_prefix(2);
    }
    uint64_t value = 0;
    for (const wchar_t c : number) {
        uint64_t digit = base;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<uint64_t>(c - L'0');
        } else if (c >= L'a' && c <= L'f') {
            digit = static_cast<uint64_t>(c - L'a' + 10);
        } else if (c >= L'A' && c <= L'F') {
            digit = static_cast<uint64_t>(c - L'A' + 10);
        }
        if (digit >= base) return std::nullopt;
        value = value * base + digit;
        // Checked at every digit, so the sum never leaves 64 bits either.
        if (value > UINT32_MAX) return std::nullopt;
    }
    if (value == 0) return std::nullopt;
    return ULongToHandle(static_cast<ULONG>(value));
}

// Straight Win32, not the seam: this runs in the copy, a process of its own that the uninstaller
// started and no test double can reach; the tests drive it as a whole program.
int RemoveFileOfEndedProcess(HANDLE parent) {
    const std::wstring self = ProgramPath();
    const std::wstring ownFolder = ProgramFolder();
    // Started from the program folder, this process would keep it from being removed.
    ::SetCurrentDirectoryW(ownFolder.c_str());
    // Only the copy goes at the next restart, whatever happens below: first its file, then its
    // folder, empty by then.
    if (!self.empty() && EqualsIgnoringCase(LastPartOf(self), kCopyName)) {
        ::MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        ::MoveFileExW(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    // GetProcessId answers only for a process handle.
    const DWORD parentId = ::GetProcessId(parent);
    if (parentId == 0 || parentId == ::GetCurrentProcessId()) return 1;
    const std::wstring file = ImagePath(parent);
    if (file.empty() || !EqualsIgnoringCase(LastPartOf(file), L"uninstall.exe")) return 1;
    if (::WaitForSingleObject(parent, 60'000) != WAIT_OBJECT_0) return 1;
    // The system lets go of the file a moment after the process has ended.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::DeleteFileW(file.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND) {
            ::RemoveDirectoryW(std::wstring(ParentOf(file)).c_str());
            return 0;
        }
        ::Sleep(100);
    }
    return 1;
}

}  // namespace tarnwick

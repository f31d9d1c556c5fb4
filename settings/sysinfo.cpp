#include "sysinfo.h"

#include "folder_path.h"
#include "registry.h"

#include <cwchar>

namespace tarnwick::settings {
namespace {

// The reader's buffer: longer values were never read.
constexpr size_t kMaxValueChars = 1024;

// The little-endian bytes of a REG_DWORD; a short value has zero high bytes.
std::wstring Number(const std::vector<BYTE>& data) {
    DWORD number = 0;
    for (size_t i = 0; i < data.size() && i < sizeof number; ++i) {
        number |= static_cast<DWORD>(data[i]) << (8 * i);
    }
    return std::to_wstring(number);
}

// A registered program path, quoted so that a folder name with spaces is not split into a
// program and its arguments.
bool StartProgram(Os& os, std::wstring path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
        path = path.substr(1, path.size() - 2);
    }
    if (path.empty()) return false;
    StartedProcess started;  // not watched: the tool is the user's from here on
    return os.StartProcess(L"\"" + path + L"\"", started) == ERROR_SUCCESS;
}

}  // namespace

bool GetKeyValue(Os& os, HKEY KeyRoot, std::wstring_view KeyName, std::wstring_view SubKeyRef,
                 std::wstring& KeyVal) {
    RegValue value;
    if (os.QueryValue(KeyRoot, KeyName, SubKeyRef, value) != ERROR_SUCCESS ||
        value.data.size() > kMaxValueChars * sizeof(wchar_t)) {
        KeyVal.clear();
        return false;
    }
    switch (value.type) {
        case REG_SZ:
            KeyVal = DecodeRegString(value.data);
            break;
        case REG_EXPAND_SZ:
            KeyVal = ExpandEnvironment(os, DecodeRegString(value.data));
            break;
        case REG_DWORD:
            KeyVal = Number(value.data);
            break;
        default:
            break;
    }
    return true;
}

bool TryStartSysInfo(Os& os) {
    std::wstring path;
    if (GetKeyValue(os, HKEY_LOCAL_MACHINE, kMsInfoKey, L"PATH", path)) {
        return StartProgram(os, path);
    }
    std::wstring folder;
    if (!GetKeyValue(os, HKEY_LOCAL_MACHINE, kSharedToolsLocationKey, L"MSINFO", folder)) {
        return false;
    }
    if (WithoutTrailingBackslash(folder).empty()) return false;
    const std::wstring program = JoinPath(folder, L"MSINFO32.EXE");
    return IsFile(os, program) && StartProgram(os, program);
}

void StartSysInfo(Os& os, HWND owner) {
    if (TryStartSysInfo(os)) return;
    const std::wstring text(kSysInfoUnavailable);
    ::MessageBoxW(owner, text.c_str(), L"System Information", MB_OK);
}

}  // namespace tarnwick::settings

#include "report.h"

#include <cwctype>
#include <iterator>

namespace tarnwick {

std::wstring EntryReportLine(std::wstring_view name, EntryKind kind, bool allUsers, DWORD error) {
    std::wstring line;
    if (kind == EntryKind::Shortcut) {
        line = name.empty() ? L"The shortcuts in Tarnwick's folder"
                            : L"\"" + std::wstring(name) + L"\" (a shortcut in the StartUp folder)";
    } else if (name.empty()) {
        line = allUsers ? L"The programs it keeps for all users" : L"The programs it keeps for you";
    } else {
        line = L"\"" + std::wstring(name) +
               (allUsers ? L"\" (starts for all users)" : L"\" (starts for you)");
    }
    return line + L": " + FailureReason(error) + L".";
}

std::wstring FailureReason(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return L"administrator rights are needed";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return L"the file is in use by another program";
        default:
            break;
    }
    wchar_t text[512] = {};
    DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, static_cast<DWORD>(std::size(text)), nullptr);
    // The system's messages end in a full stop and a line break; the caller adds its own.
    while (length > 0 && (text[length - 1] == L'.' || iswspace(text[length - 1]))) --length;
    if (length == 0) return L"error " + std::to_wstring(error);
    return std::wstring(text, length);
}

}  // namespace tarnwick

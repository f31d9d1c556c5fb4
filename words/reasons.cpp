#include "reasons.h"

#include "os.h"

#include <cwctype>
#include <iterator>

namespace tarnwick {

std::wstring EntryReportLine(std::wstring_view name, EntryKind kind, bool allUsers, DWORD error) {
    return EntryReportLine(name, kind, allUsers, error, {});
}

std::wstring EntryReportLine(std::wstring_view name, EntryKind kind, bool allUsers, DWORD error,
                             std::wstring_view account) {
    const std::wstring whose = L"\"" + std::wstring(account) + L"\"";
    std::wstring line;
    if (kind == EntryKind::Account) {
        if (account.empty())
            return L"The other accounts of this computer: " + FailureReason(error) + L".";
        // A logged-on account's hive is open to an administrator even where its file is not.
        return L"The start-up programs of the account " + whose + L": " + FailureReason(error) +
               L". Log on as that account, then switch to yours and try again.";
    }
    if (!account.empty()) {
        line = L"Account " + whose + L", ";
        if (kind == EntryKind::Shortcut) {
            line += name.empty()
                        ? L"its held shortcuts"
                        : L"\"" + std::wstring(name) + L"\" (a shortcut in its StartUp folder)";
        } else {
            line += name.empty() ? L"the programs it keeps for that account"
                                 : L"\"" + std::wstring(name) +
                                       (allUsers ? L"\" (starts for all users)"
                                                 : L"\" (starts for that account)");
        }
        return line + L": " + FailureReason(error) + L".";
    }
    if (kind == EntryKind::Shortcut) {
        line = name.empty() ? L"The shortcuts Tarnwick keeps for you"
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
        case ERROR_FILE_EXISTS:
            return L"a shortcut of that name is there already; delete the one you do not need "
                   L"and try again";
        case ERROR_UNSUPPORTED_TYPE:
            return L"it is not a command line (a registry value of another type), so Tarnwick "
                   L"keeps it as it is; delete it under Software\\Veltane in the registry if you "
                   L"do not need it";
        case kLeadsElsewhere:
            return L"its folders lead outside that account's own profile folder, so Tarnwick "
                   L"moved nothing there. Log on as that account and open Tarnwick Settings";
        default:
            break;
    }
    std::wstring text = SystemMessage(error);
    // The system's messages end in a full stop; the caller adds its own.
    while (!text.empty() && (text.back() == L'.' || iswspace(text.back()))) text.pop_back();
    if (text.empty()) return L"error " + std::to_wstring(error);
    return text;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t text[512] = {};
    DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, static_cast<DWORD>(std::size(text)), nullptr);
    while (length > 0 && iswspace(text[length - 1])) --length;
    return std::wstring(text, length);
}

std::wstring LockFailure(Status error) {
    if (error == ERROR_TIMEOUT)
        return L"another Tarnwick program is changing the start-up programs right now";
    return L"Tarnwick could not make sure that none of its other programs changes the start-up "
           L"programs at the same time (" +
           FailureReason(error) + L")";
}

}  // namespace tarnwick

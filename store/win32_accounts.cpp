// The accounts side of the production seam: who runs this program, with which rights, and the
// hives of the accounts that are not logged on.
#include "win32_os.h"

#include "handles.h"

#include <sddl.h>

#include <vector>

namespace tarnwick::win32 {
namespace {

// The backup and restore privileges, on for as long as the object lives and then put back as they
// were: a hive is loaded or unloaded with them, and nothing else this process does should run
// with the right to read and write every file of the machine.
class HivePrivileges {
  public:
    HivePrivileges() {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                token_.put())) {
            return;
        }
        struct {
            DWORD count;
            LUID_AND_ATTRIBUTES privileges[2];
        } wanted{2, {{{}, SE_PRIVILEGE_ENABLED}, {{}, SE_PRIVILEGE_ENABLED}}};
        if (!::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &wanted.privileges[0].Luid) ||
            !::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &wanted.privileges[1].Luid)) {
            return;
        }
        DWORD size = sizeof previous_;
        // Succeeds also when the token lacks a privilege: then ERROR_NOT_ALL_ASSIGNED tells.
        const BOOL adjusted = ::AdjustTokenPrivileges(
            token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted), sizeof previous_,
            reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size);
        const DWORD error = ::GetLastError();
        adjusted_ = adjusted != FALSE;
        held_ = adjusted_ && error == ERROR_SUCCESS;
    }
    ~HivePrivileges() {
        // The previous state lists only the privileges this call changed.
        if (adjusted_) {
            ::AdjustTokenPrivileges(token_.get(), FALSE,
                                    reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0, nullptr,
                                    nullptr);
        }
    }
    HivePrivileges(const HivePrivileges&) = delete;
    HivePrivileges& operator=(const HivePrivileges&) = delete;

    bool Held() const { return held_; }

  private:
    UniqueHandle token_;
    struct {
        DWORD count = 0;
        LUID_AND_ATTRIBUTES privileges[2] = {};
    } previous_;
    bool adjusted_ = false;
    bool held_ = false;
};

}  // namespace

Status CurrentAccountSid(std::wstring& sid) {
    sid.clear();
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return ::GetLastError();
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return ::GetLastError();
    UniqueLocalText text;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                  text.put())) {
        return ::GetLastError();
    }
    sid = text.get();
    return ERROR_SUCCESS;
}

Status AdminRights() {
    // Membership of Administrators that the token can use: under UAC a filtered token holds
    // the group for denial only, and CheckTokenMembership says no.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    UniqueSid administrators;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                    0, 0, 0, 0, 0, administrators.put())) {
        return ::GetLastError();
    }
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators.get(), &member)) return ::GetLastError();
    return member ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

Status LoadHive(std::wstring_view name, std::wstring_view file) {
    const HivePrivileges privileges;
    if (!privileges.Held()) return ERROR_PRIVILEGE_NOT_HELD;
    return ::RegLoadKeyW(HKEY_USERS, Str(name).c_str(), Str(file).c_str());
}

Status UnloadHive(std::wstring_view name) {
    const HivePrivileges privileges;
    if (!privileges.Held()) return ERROR_PRIVILEGE_NOT_HELD;
    return ::RegUnLoadKeyW(HKEY_USERS, Str(name).c_str());
}

}  // namespace tarnwick::win32

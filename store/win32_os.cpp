// Production side of the OS seam: each member is the plain Win32 call, with every handle opened
// and closed inside the call.
#include "os.h"

#include "handles.h"
#include "convert.h"
#include "holdings_lock.h"
#include "process.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

namespace tarnwick {
namespace {

std::wstring Str(std::wstring_view v) {
    return std::wstring(v);
}

DWORD ShellExecuteOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                       ULONG extraMask, StartedProcess& started) {
    started = {};
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The calling process may end right after this call: finish the execution before returning.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS | extraMask;
    info.hwnd = owner;
    info.lpVerb = L"open";
    const std::wstring target(file);
    info.lpFile = target.c_str();
    const std::wstring params(parameters);
    info.lpParameters = params.empty() ? nullptr : params.c_str();
    info.nShow = SW_RESTORE;
    if (!::ShellExecuteExW(&info)) return ::GetLastError();
    // A process only where the shell made one: not for a document handed to a program that was
    // running already, nor under Wine for a shortcut (measured).
    started.process.reset(info.hProcess);
    if (started.process) {
        started.job = ProgramJob();
        if (started.job && !::AssignProcessToJobObject(started.job.get(), info.hProcess)) {
            started.job.reset();
        }
        started.joinedLate = true;
    }
    return ERROR_SUCCESS;
}

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

// A folder held open for the length of a move, without letting anyone delete or rename it
// meanwhile; the path it really leads to, with every link resolved.
struct PinnedFolder {
    UniqueHandle handle;
    std::wstring resolved;
};

Status PinFolder(std::wstring_view path, PinnedFolder& pinned) {
    pinned.handle.reset(NullIfInvalid(::CreateFileW(
        Str(path).c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!pinned.handle) return ::GetLastError();
    std::wstring resolved(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(pinned.handle.get(), resolved.data(),
                                                     static_cast<DWORD>(resolved.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= resolved.size())
        return length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
    resolved.resize(length);
    // "\\?\C:\..." and "\\?\UNC\server\..." as the paths that name them are written.
    if (resolved.starts_with(L"\\\\?\\UNC\\")) {
        resolved.replace(0, 8, L"\\\\");
    } else if (resolved.starts_with(L"\\\\?\\")) {
        resolved.erase(0, 4);
    }
    while (!resolved.empty() && resolved.back() == L'\\') resolved.pop_back();
    pinned.resolved = std::move(resolved);
    return ERROR_SUCCESS;
}

std::wstring_view FolderOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == path.npos ? std::wstring_view() : path.substr(0, slash);
}

// Pins `folder` and checks that it is `root` with no link in what follows it: its resolved path
// is the root's resolved path followed by the rest of its own path as written.
Status PinBelow(std::wstring_view folder, std::wstring_view root, PinnedFolder& pinned,
                PinnedFolder& pinnedRoot) {
    if (folder.size() < root.size() || !EqualsIgnoringCase(folder.substr(0, root.size()), root) ||
        (folder.size() > root.size() && folder[root.size()] != L'\\')) {
        return kLeadsElsewhere;
    }
    if (const Status rc = PinFolder(root, pinnedRoot)) return rc;
    if (const Status rc = PinFolder(folder, pinned)) return rc;
    return EqualsIgnoringCase(pinned.resolved,
                              pinnedRoot.resolved + std::wstring(folder.substr(root.size())))
               ? ERROR_SUCCESS
               : kLeadsElsewhere;
}

// The security descriptor of SDDL text, with its owner (null when the text names none) and its
// DACL. A text without a DACL is refused: the folder would take its parent's after all.
Status ParseSecurity(std::wstring_view sddl, UniqueSecurityDescriptor& descriptor, PSID& owner,
                     PACL& dacl) {
    owner = nullptr;
    dacl = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(Str(sddl).c_str(), SDDL_REVISION_1,
                                                                descriptor.put(), nullptr)) {
        return ::GetLastError();
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) ||
        !::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted)) {
        return ::GetLastError();
    }
    return present && dacl ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

// The security of the holdings lock. SYSTEM and the administrators may do anything with it; every
// other account may only wait for it and release a hold of its own (a release by a thread that
// holds nothing fails), which is all that Tarnwick's programs ask for. The entry for OWNER RIGHTS
// takes the place of the rights an owner has without any entry (to read and to rewrite the DACL):
// a standard user whose launcher happens to make the lock first owns it and still cannot lock
// the others out of it.
class LockSecurity {
  public:
    LockSecurity() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
        constexpr DWORD kWaitAndRelease = SYNCHRONIZE | MUTEX_MODIFY_STATE;
        const struct {
            SID_IDENTIFIER_AUTHORITY* authority;
            BYTE count;
            DWORD first, second;
            DWORD access;
        } entries[] = {
            {&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, MUTEX_ALL_ACCESS},
            {&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, MUTEX_ALL_ACCESS},
            {&world, 1, SECURITY_WORLD_RID, 0, kWaitAndRelease},
            {&creator, 1, SECURITY_CREATOR_OWNER_RIGHTS_RID, 0, kWaitAndRelease},
        };
        DWORD size = static_cast<DWORD>(sizeof(ACL));
        for (size_t i = 0; i < std::size(entries); ++i) {
            if (!::AllocateAndInitializeSid(entries[i].authority, entries[i].count,
                                            entries[i].first, entries[i].second, 0, 0, 0, 0, 0, 0,
                                            sids_[i].put())) {
                error_ = ::GetLastError();
                return;
            }
            size += static_cast<DWORD>(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                    ::GetLengthSid(sids_[i].get());
        }
        acl_.resize(size);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!::InitializeAcl(acl, size, ACL_REVISION)) {
            error_ = ::GetLastError();
            return;
        }
        for (size_t i = 0; i < std::size(entries); ++i) {
            if (!::AddAccessAllowedAce(acl, ACL_REVISION, entries[i].access, sids_[i].get())) {
                error_ = ::GetLastError();
                return;
            }
        }
        if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)) {
            error_ = ::GetLastError();
            return;
        }
        attributes_.lpSecurityDescriptor = &descriptor_;
    }

    DWORD Error() const { return error_; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

  private:
    UniqueSid sids_[4];
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    DWORD error_ = ERROR_SUCCESS;
};

class Win32Os final : public Os {
  public:
    Status QueryValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                      RegValue& out) override {
        out = {};
        UniqueHKey key;
        LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_QUERY_VALUE, key.put());
        if (rc != ERROR_SUCCESS) return rc;
        const std::wstring valueName(name);
        DWORD type = REG_NONE;
        DWORD size = 0;
        rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        // A value that grew since its size was taken answers ERROR_MORE_DATA with its new size:
        // read again at that size. One that shrank reports fewer bytes.
        while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
            out.data.resize(size);
            DWORD got = size;
            rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                    out.data.empty() ? nullptr : out.data.data(), &got);
            if (rc == ERROR_SUCCESS) {
                out.type = type;
                out.data.resize(got);
                return ERROR_SUCCESS;
            }
            // Always larger, so that a size that does not grow cannot keep the loop going.
            size = std::max<DWORD>(got, size + sizeof(wchar_t));
        }
        // The caller only ever sees what was really read.
        out = {};
        return rc;
    }

    Status SetString(HKEY root, std::wstring_view subKey, std::wstring_view name,
                     std::wstring_view text) override {
        UniqueHKey key;
        LSTATUS rc = ::RegCreateKeyExW(root, Str(subKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                       nullptr, key.put(), nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        const std::wstring data(text);
        // REG_SZ is written with its terminator.
        const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        return ::RegSetValueExW(key.get(), Str(name).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    }

    Status SetValue(HKEY root, std::wstring_view subKey, std::wstring_view name,
                    const RegValue& value) override {
        UniqueHKey key;
        LSTATUS rc = ::RegCreateKeyExW(root, Str(subKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                       nullptr, key.put(), nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        return ::RegSetValueExW(key.get(), Str(name).c_str(), 0, value.type,
                                value.data.empty() ? nullptr : value.data.data(),
                                static_cast<DWORD>(value.data.size()));
    }

    Status DeleteValue(HKEY root, std::wstring_view subKey, std::wstring_view name) override {
        UniqueHKey key;
        LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_SET_VALUE, key.put());
        if (rc != ERROR_SUCCESS) return rc;
        return ::RegDeleteValueW(key.get(), Str(name).c_str());
    }

    Status DeleteKey(HKEY root, std::wstring_view subKey) override {
        // With a sub-key, RegDeleteTreeW removes the key itself along with its contents.
        return ::RegDeleteTreeW(root, Str(subKey).c_str());
    }

    Status EnumValues(HKEY root, std::wstring_view subKey,
                      std::vector<NamedRegValue>& values) override {
        values.clear();
        UniqueHKey key;
        LSTATUS rc = ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_QUERY_VALUE, key.put());
        if (rc != ERROR_SUCCESS) return rc;
        DWORD count = 0;
        DWORD maxName = 0;
        DWORD maxData = 0;
        rc = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                &count, &maxName, &maxData, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        // Buffers sized from the key's own longest name and data, so that no value's length
        // can end the listing early.
        std::wstring name(maxName + 1, L'\0');
        std::vector<BYTE> data(maxData + sizeof(wchar_t));
        values.reserve(count);
        for (DWORD i = 0;;) {
            auto nameLen = static_cast<DWORD>(name.size());
            auto dataLen = static_cast<DWORD>(data.size());
            DWORD type = REG_NONE;
            rc = ::RegEnumValueW(key.get(), i, name.data(), &nameLen, nullptr, &type, data.data(),
                                 &dataLen);
            if (rc == ERROR_MORE_DATA) {
                // Something grew since RegQueryInfoKeyW: larger buffers, same index again.
                name.resize(name.size() * 2 + 256);
                data.resize(data.size() * 2 + 4096);
                continue;
            }
            if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
            if (rc != ERROR_SUCCESS) return rc;
            values.push_back({std::wstring(name.data(), nameLen),
                              {type, std::vector<BYTE>(data.begin(), data.begin() + dataLen)}});
            ++i;
        }
    }

    Status ShellFolder(HWND owner, int csidl, std::wstring& path) override {
        path.clear();
        UniquePidl pidl;
        const HRESULT hr = ::SHGetSpecialFolderLocation(owner, csidl, pidl.put());
        if (hr != S_OK || !pidl) return hr == S_OK ? ERROR_PATH_NOT_FOUND : HRESULT_CODE(hr);
        std::wstring found(32768, L'\0');
        // A folder without a file-system path (a virtual one) is not there for the caller.
        if (!::SHGetPathFromIDListEx(pidl.get(), found.data(), static_cast<DWORD>(found.size()),
                                     GPFIDL_DEFAULT)) {
            return ERROR_PATH_NOT_FOUND;
        }
        found.resize(wcslen(found.c_str()));
        while (!found.empty() && found.back() == L'\\') found.pop_back();
        path = std::move(found);
        return ERROR_SUCCESS;
    }

    Status ListFiles(std::wstring_view folder, std::wstring_view pattern,
                     std::vector<std::wstring>& names) override {
        names.clear();
        std::wstring query(folder);
        query += L'\\';
        query += pattern;
        WIN32_FIND_DATAW data{};
        UniqueFind find(NullIfInvalid(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data,
                                                         FindExSearchNameMatch, nullptr, 0)));
        if (!find) {
            const DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
        }
        constexpr DWORD kSkipped =
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        do {
            if ((data.dwFileAttributes & kSkipped) == 0) names.emplace_back(data.cFileName);
        } while (::FindNextFileW(find.get(), &data));
        const DWORD error = ::GetLastError();
        return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
    }

    Status MoveFile(std::wstring_view from, std::wstring_view to) override {
        // No MOVEFILE_COPY_ALLOWED: a move across volumes fails rather than becoming a copy
        // and a delete, so a file is never in two places or in none.
        return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), 0) ? ERROR_SUCCESS
                                                                    : ::GetLastError();
    }

    Status MoveFileReplacing(std::wstring_view from, std::wstring_view to) override {
        return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), MOVEFILE_REPLACE_EXISTING)
                   ? ERROR_SUCCESS
                   : ::GetLastError();
    }

    Status MoveFileInside(std::wstring_view from, std::wstring_view fromRoot, std::wstring_view to,
                          std::wstring_view toRoot) override {
        PinnedFolder source, sourceRoot, target, targetRoot;
        if (const Status rc = PinBelow(FolderOf(from), fromRoot, source, sourceRoot)) return rc;
        if (const Status rc = PinBelow(FolderOf(to), toRoot, target, targetRoot)) return rc;
        // The file itself, opened as what it is rather than what a link of it points at.
        const UniqueHandle file(NullIfInvalid(
            ::CreateFileW(Str(from).c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
        if (!file) return ::GetLastError();
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
        if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
            return kLeadsElsewhere;
        return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), 0) ? ERROR_SUCCESS
                                                                    : ::GetLastError();
    }

    Status DeleteFile(std::wstring_view path) override {
        return ::DeleteFileW(Str(path).c_str()) ? ERROR_SUCCESS : ::GetLastError();
    }

    Status CreateDirectory(std::wstring_view path) override {
        return ::CreateDirectoryW(Str(path).c_str(), nullptr) ? ERROR_SUCCESS : ::GetLastError();
    }

    Status RemoveDirectory(std::wstring_view path) override {
        return ::RemoveDirectoryW(Str(path).c_str()) ? ERROR_SUCCESS : ::GetLastError();
    }

    Status FolderSecurity(std::wstring_view path, std::wstring& sddl) override {
        sddl.clear();
        constexpr SECURITY_INFORMATION kRead =
            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        PSECURITY_DESCRIPTOR read = nullptr;
        const DWORD rc = ::GetNamedSecurityInfoW(Str(path).c_str(), SE_FILE_OBJECT, kRead, nullptr,
                                                 nullptr, nullptr, nullptr, &read);
        const UniqueSecurityDescriptor descriptor(read);
        if (rc != ERROR_SUCCESS) return rc;
        UniqueLocalText text;
        if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
                descriptor.get(), SDDL_REVISION_1, kRead, text.put(), nullptr)) {
            return ::GetLastError();
        }
        sddl = text.get();
        return ERROR_SUCCESS;
    }

    Status ProtectFolder(std::wstring_view path, std::wstring_view sddl) override {
        UniqueSecurityDescriptor descriptor;
        PSID owner = nullptr;
        PACL dacl = nullptr;
        if (Status e = ParseSecurity(sddl, descriptor, owner, dacl)) return e;
        SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
        if (owner) what |= OWNER_SECURITY_INFORMATION;
        std::wstring target(path);  // SetNamedSecurityInfoW takes a writable string
        return ::SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT, what, owner, nullptr, dacl,
                                       nullptr);
    }

    Status CreateProtectedFolder(std::wstring_view path, std::wstring_view sddl) override {
        UniqueSecurityDescriptor descriptor;
        PSID owner = nullptr;
        PACL dacl = nullptr;
        if (Status e = ParseSecurity(sddl, descriptor, owner, dacl)) return e;
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
        return ::CreateDirectoryW(Str(path).c_str(), &attributes) ? ERROR_SUCCESS
                                                                  : ::GetLastError();
    }

    Status StartProcess(std::wstring_view commandLine, StartedProcess& started) override {
        return StartCommandLineInJob(commandLine, started);
    }

    Status ShellOpen(HWND owner, std::wstring_view file, std::wstring_view parameters,
                     StartedProcess& started) override {
        return ShellExecuteOpen(owner, file, parameters, 0, started);
    }

    Status OpenShortcut(HWND owner, std::wstring_view path, StartedProcess& started) override {
        // A broken shortcut would otherwise get the shell's own message box, modal inside this
        // call, and hold up everything the caller does after it until someone answers.
        return ShellExecuteOpen(owner, path, {}, SEE_MASK_FLAG_NO_UI, started);
    }

    Status ShellDelete(std::wstring_view path, bool& aborted) override {
        // The shell takes a list of paths, each ended by a NUL, the list by one more.
        std::wstring list(path);
        list.push_back(L'\0');
        list.push_back(L'\0');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = list.c_str();
        const int rc = ::SHFileOperationW(&op);
        aborted = op.fAnyOperationsAborted != FALSE;
        return static_cast<Status>(rc);
    }

    Status FileAttributes(std::wstring_view path, DWORD& attributes) override {
        attributes = ::GetFileAttributesW(Str(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES ? ERROR_SUCCESS : ::GetLastError();
    }

    Status FindOnSearchPath(std::wstring_view name, std::wstring_view extension) override {
        wchar_t found[MAX_PATH];
        const std::wstring ext(extension);
        const DWORD length =
            ::SearchPathW(nullptr, Str(name).c_str(), ext.empty() ? nullptr : ext.c_str(), MAX_PATH,
                          found, nullptr);
        // A length beyond the buffer still means the file is there.
        return length != 0 ? ERROR_SUCCESS : ::GetLastError();
    }

    Status FileIdentity(std::wstring_view path, std::wstring& identity) override {
        identity.clear();
        const UniqueHandle file(NullIfInvalid(
            ::CreateFileW(Str(path).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
        if (!file) return ::GetLastError();
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
        identity = std::to_wstring(info.dwVolumeSerialNumber) + L":" +
                   std::to_wstring((static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) |
                                   info.nFileIndexLow);
        return ERROR_SUCCESS;
    }

    Status ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) override {
        names.clear();
        const std::wstring query = Str(folder) + L"\\*";
        WIN32_FIND_DATAW data{};
        UniqueFind find(NullIfInvalid(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data,
                                                         FindExSearchNameMatch, nullptr, 0)));
        // An existing folder always holds "." and "..", so a failure here is never an empty folder.
        if (!find) return ::GetLastError();
        do {
            const std::wstring_view name = data.cFileName;
            if (name != L"." && name != L"..") names.emplace_back(name);
        } while (::FindNextFileW(find.get(), &data));
        const DWORD error = ::GetLastError();
        return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
    }

    Status EnumKeys(HKEY root, std::wstring_view subKey,
                    std::vector<std::wstring>& names) override {
        names.clear();
        UniqueHKey key;
        LSTATUS rc =
            ::RegOpenKeyExW(root, Str(subKey).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.put());
        if (rc != ERROR_SUCCESS) return rc;
        // A key name is at most 255 characters.
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            rc = ::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
            if (rc != ERROR_SUCCESS) return rc;
            names.emplace_back(name, length);
        }
    }

    Status FileOwner(std::wstring_view path, std::wstring& sid) override {
        sid.clear();
        PSID owner = nullptr;
        UniqueSecurityDescriptor descriptor;
        const DWORD rc =
            ::GetNamedSecurityInfoW(Str(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                    &owner, nullptr, nullptr, nullptr, descriptor.put());
        if (rc != ERROR_SUCCESS) return rc;
        UniqueLocalText text;
        if (!owner || !::ConvertSidToStringSidW(owner, text.put())) return ERROR_INVALID_SID;
        sid = text.get();
        return ERROR_SUCCESS;
    }

    Status CurrentAccountSid(std::wstring& sid) override {
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

    Status AdminRights() override {
        // Membership of Administrators that the token can use: under UAC a filtered token holds
        // the group for denial only, and CheckTokenMembership says no.
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        UniqueSid administrators;
        if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                        DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                        administrators.put())) {
            return ::GetLastError();
        }
        BOOL member = FALSE;
        if (!::CheckTokenMembership(nullptr, administrators.get(), &member))
            return ::GetLastError();
        return member ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    }

    Status LoadHive(std::wstring_view name, std::wstring_view file) override {
        const HivePrivileges privileges;
        if (!privileges.Held()) return ERROR_PRIVILEGE_NOT_HELD;
        return ::RegLoadKeyW(HKEY_USERS, Str(name).c_str(), Str(file).c_str());
    }

    Status UnloadHive(std::wstring_view name) override {
        const HivePrivileges privileges;
        if (!privileges.Held()) return ERROR_PRIVILEGE_NOT_HELD;
        return ::RegUnLoadKeyW(HKEY_USERS, Str(name).c_str());
    }

    Status LockHoldings(DWORD timeoutMs, OwnedMutex& held) override {
        held.reset();
        LockSecurity security;
        if (security.Error() != ERROR_SUCCESS) return security.Error();
        // Made with that security by whichever program comes first, opened by every later one
        // with no more rights than waiting and releasing need, so that a standard user's program
        // opens it as well as an administrator's. A lock that another account made first with a
        // security that keeps this program out, or a thing of another kind under its name, cannot
        // be opened: the caller changes nothing then.
        UniqueHandle mutex(::CreateMutexExW(security.Attributes(), kHoldingsLockName, 0,
                                            SYNCHRONIZE | MUTEX_MODIFY_STATE));
        if (!mutex) return ::GetLastError();
        switch (::WaitForSingleObject(mutex.get(), timeoutMs)) {
            case WAIT_OBJECT_0:
            // Its last holder ended while holding it: every step of a change is whole on its own,
            // so the next change may begin.
            case WAIT_ABANDONED:
                held.reset(mutex.release());
                return ERROR_SUCCESS;
            case WAIT_TIMEOUT:
                return ERROR_TIMEOUT;
            default:
                return ::GetLastError();
        }
    }
};

}  // namespace

namespace {

// The attribute that limits what a new process inherits to one handle: without it, every
// inheritable handle of the caller would go with it.
class HandleList {
  public:
    explicit HandleList(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        list_ = list;
        // The list points at the handle: it lives as long as the list does.
        if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                         sizeof handle_, nullptr, nullptr)) {
            error_ = ::GetLastError();
        }
    }
    ~HandleList() {
        if (list_) ::DeleteProcThreadAttributeList(list_);
    }
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;

    // ERROR_SUCCESS once the list holds the handle.
    DWORD Error() const { return list_ ? error_ : ERROR_NOT_ENOUGH_MEMORY; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    HANDLE handle_;
    std::vector<BYTE> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// Starts a command line; `flags` are CreateProcess's creation flags. The process and its first
// thread, or the error.
DWORD Start(std::wstring_view commandLine, HANDLE inherited, DWORD flags, PROCESS_INFORMATION& pi) {
    std::wstring cmd(commandLine);  // CreateProcessW may write into its command line.
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si.StartupInfo;
    si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = SW_SHOWNORMAL;
    std::optional<HandleList> handles;
    if (inherited) {
        handles.emplace(inherited);
        if (handles->Error() != ERROR_SUCCESS) return handles->Error();
        si.StartupInfo.cb = sizeof si;
        si.lpAttributeList = handles->get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    pi = {};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, inherited != nullptr, flags,
                          nullptr, nullptr, &si.StartupInfo, &pi)) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD Start(std::wstring_view commandLine, HANDLE inherited, UniqueHandle* process) {
    PROCESS_INFORMATION pi{};
    if (const DWORD error = Start(commandLine, inherited, 0, pi)) return error;
    UniqueHandle started(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    if (process) *process = std::move(started);
    return ERROR_SUCCESS;
}

}  // namespace

DWORD StartCommandLine(std::wstring_view commandLine, UniqueHandle* process) {
    return Start(commandLine, nullptr, process);
}

DWORD StartCommandLineWithHandle(std::wstring_view commandLine, HANDLE inherited,
                                 UniqueHandle* process) {
    return inherited ? Start(commandLine, inherited, process) : ERROR_INVALID_HANDLE;
}

UniqueHandle ProgramJob() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    // Nothing is limited but this: a process that asks to leave the job (CREATE_BREAKAWAY_FROM_JOB)
    // may, where a job that does not allow it makes that CreateProcess fail with "access
    // denied". Above all no JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE: the launcher's end must never end
    // the user's programs.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits)) {
        job.reset();
    }
    return job;
}

DWORD StartCommandLineInJob(std::wstring_view commandLine, StartedProcess& started) {
    started = {};
    // Suspended until it is in its job, so that nothing it does, and no process it starts, is
    // left out.
    PROCESS_INFORMATION pi{};
    if (const DWORD error = Start(commandLine, nullptr, CREATE_SUSPENDED, pi)) return error;
    UniqueHandle process(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    UniqueHandle job = ProgramJob();
    // A system without nested jobs refuses a second job to a process that is in one already
    // (the launcher's own, inherited): the program then runs unwatched, but it runs.
    if (job && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // Never leave a program frozen for the user to find: it goes, and the start failed.
        const DWORD error = ::GetLastError();
        ::TerminateProcess(process.get(), error);
        return error;
    }
    started.job = std::move(job);
    started.process = std::move(process);
    return ERROR_SUCCESS;
}

std::wstring ExpandEnvironment(std::wstring_view text) {
    const std::wstring source(text);
    const DWORD size = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    if (size == 0) return source;
    std::wstring expanded(size, L'\0');
    if (::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), size) == 0) return source;
    expanded.resize(wcslen(expanded.c_str()));
    return expanded;
}

Os& SystemOs() {
    static Win32Os os;
    return os;
}

}  // namespace tarnwick

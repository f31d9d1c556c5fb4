// The file-system side of the production seam: each member is the plain Win32 call, with every
// handle it opens closed inside the call.
#include "win32_os.h"

#include "convert.h"
#include "folder_path.h"
#include "handles.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace tarnwick::win32 {
namespace {

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
    pinned.resolved = WithoutTrailingBackslash(resolved);
    return ERROR_SUCCESS;
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

}  // namespace

Status ListFiles(std::wstring_view folder, std::wstring_view pattern,
                 std::vector<std::wstring>& names) {
    names.clear();
    const std::wstring query = JoinPath(folder, pattern);
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

Status ListFolder(std::wstring_view folder, std::vector<std::wstring>& names) {
    names.clear();
    const std::wstring query = JoinPath(folder, L"*");
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

Status FileAttributes(std::wstring_view path, DWORD& attributes) {
    attributes = ::GetFileAttributesW(Str(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES ? ERROR_SUCCESS : ::GetLastError();
}

Status FileIdentity(std::wstring_view path, std::wstring& identity) {
    identity.clear();
    const UniqueHandle file(
        NullIfInvalid(::CreateFileW(Str(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!file) return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
    identity =
        std::to_wstring(info.dwVolumeSerialNumber) + L":" +
        std::to_wstring((static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    return ERROR_SUCCESS;
}

Status FindOnSearchPath(std::wstring_view name, std::wstring_view extension) {
    wchar_t found[MAX_PATH];
    const std::wstring ext(extension);
    const DWORD length = ::SearchPathW(
        nullptr, Str(name).c_str(), ext.empty() ? nullptr : ext.c_str(), MAX_PATH, found, nullptr);
    // A length beyond the buffer still means the file is there.
    return length != 0 ? ERROR_SUCCESS : ::GetLastError();
}

Status MoveFile(std::wstring_view from, std::wstring_view to) {
    // No MOVEFILE_COPY_ALLOWED: a move across volumes fails rather than becoming a copy
    // and a delete, so a file is never in two places or in none.
    return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), 0) ? ERROR_SUCCESS : ::GetLastError();
}

Status MoveFileReplacing(std::wstring_view from, std::wstring_view to) {
    return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), MOVEFILE_REPLACE_EXISTING)
               ? ERROR_SUCCESS
               : ::GetLastError();
}

Status MoveFileInside(std::wstring_view from, std::wstring_view fromRoot, std::wstring_view to,
                      std::wstring_view toRoot) {
    PinnedFolder source, sourceRoot, target, targetRoot;
    if (const Status rc = PinBelow(ParentOf(from), fromRoot, source, sourceRoot)) return rc;
    if (const Status rc = PinBelow(ParentOf(to), toRoot, target, targetRoot)) return rc;
    // The file itself, opened as what it is rather than what a link of it points at.
    const UniqueHandle file(
        NullIfInvalid(::CreateFileW(Str(from).c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
    if (!file) return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        return kLeadsElsewhere;
    return ::MoveFileExW(Str(from).c_str(), Str(to).c_str(), 0) ? ERROR_SUCCESS : ::GetLastError();
}

Status TempFolder(std::wstring& path) {
    path.clear();
    // At most MAX_PATH + 1 characters, its trailing backslash among them, and the terminator.
    wchar_t temp[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, temp);
    if (length == 0) return ::GetLastError();
    if (length >= MAX_PATH + 2) return ERROR_BUFFER_OVERFLOW;
    path = WithoutTrailingBackslash(std::wstring_view(temp, length));
    return ERROR_SUCCESS;
}

Status CopyFile(std::wstring_view from, std::wstring_view to) {
    return ::CopyFileW(Str(from).c_str(), Str(to).c_str(), TRUE) ? ERROR_SUCCESS : ::GetLastError();
}

Status DeleteFile(std::wstring_view path) {
    return ::DeleteFileW(Str(path).c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

Status CreateDirectory(std::wstring_view path) {
    return ::CreateDirectoryW(Str(path).c_str(), nullptr) ? ERROR_SUCCESS : ::GetLastError();
}

Status RemoveDirectory(std::wstring_view path) {
    return ::RemoveDirectoryW(Str(path).c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

Status FolderSecurity(std::wstring_view path, std::wstring& sddl) {
    sddl.clear();
    constexpr SECURITY_INFORMATION kRead = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSECURITY_DESCRIPTOR read = nullptr;
    const DWORD rc = ::GetNamedSecurityInfoW(Str(path).c_str(), SE_FILE_OBJECT, kRead, nullptr,
                                             nullptr, nullptr, nullptr, &read);
    const UniqueSecurityDescriptor descriptor(read);
    if (rc != ERROR_SUCCESS) return rc;
    UniqueLocalText text;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.get(), SDDL_REVISION_1,
                                                                kRead, text.put(), nullptr)) {
        return ::GetLastError();
    }
    sddl = text.get();
    return ERROR_SUCCESS;
}

Status ProtectFolder(std::wstring_view path, std::wstring_view sddl) {
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

Status CreateProtectedFolder(std::wstring_view path, std::wstring_view sddl) {
    UniqueSecurityDescriptor descriptor;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    if (Status e = ParseSecurity(sddl, descriptor, owner, dacl)) return e;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    return ::CreateDirectoryW(Str(path).c_str(), &attributes) ? ERROR_SUCCESS : ::GetLastError();
}

Status FileOwner(std::wstring_view path, std::wstring& sid) {
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

}  // namespace tarnwick::win32

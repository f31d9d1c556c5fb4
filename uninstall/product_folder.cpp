#include "product_folder.h"

#include "handles.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <array>

namespace tarnwick {
namespace {

void FreeCoTaskText(PWSTR text) {
    ::CoTaskMemFree(text);
}
using UniqueCoTaskText = UniqueAny<PWSTR, FreeCoTaskText>;

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    return full;
}

// The long form of an existing path ("PROGRA~1" -> "Program Files"); the path itself when it does
// not exist.
std::wstring LongPath(const std::wstring& path) {
    const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring longPath(needed, L'\0');
    const DWORD length = ::GetLongPathNameW(path.c_str(), longPath.data(), needed);
    if (length == 0 || length >= needed) return path;
    longPath.resize(length);
    return longPath;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    UniqueCoTaskText path;
    // DONT_VERIFY: a folder that does not exist yet is protected all the same.
    if (FAILED(::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put())) || !path) {
        return {};
    }
    return NormaliseFolder(path.get());
}

void AddIfResolved(std::vector<std::wstring>& list, std::wstring folder) {
    if (!folder.empty()) list.push_back(std::move(folder));
}

}  // namespace

std::wstring NormaliseFolder(std::wstring_view path) {
    std::wstring text(path);
    // Only the shell's own spelling of a path is acted on: "\\?\C:\x" is "C:\x", "\\?\UNC\s\x" is
    // "\\s\x"; other device paths are not folders the product could live in.
    if (text.starts_with(L"\\\\?\\UNC\\")) {
        text = L"\\\\" + text.substr(8);
    } else if (text.starts_with(L"\\\\?\\")) {
        text.erase(0, 4);
    }
    if (text.empty() || text.find(L'\0') != std::wstring::npos) return {};
    std::wstring full = FullPath(text);
    if (full.empty() || full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return {};
    full = LongPath(full);
    // "C:\" becomes "C:", "\\server\share\" becomes "\\server\share".
    while (full.size() > 2 && full.back() == L'\\') full.pop_back();
    return full;
}

bool IsRootFolder(std::wstring_view normalised) {
    if (normalised.size() == 2 && normalised[1] == L':') return true;
    if (!normalised.starts_with(L"\\\\")) return false;
    // "\\server\share": the server and the share name, nothing below.
    return std::count(normalised.begin() + 2, normalised.end(), L'\\') <= 1;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool ContainsPath(std::wstring_view folder, std::wstring_view other) {
    if (folder.empty() || other.size() < folder.size()) return false;
    if (!SamePath(folder, other.substr(0, folder.size()))) return false;
    return other.size() == folder.size() || other[folder.size()] == L'\\';
}

ProtectedFolders SystemProtectedFolders() {
    static constexpr std::array kKnown = {
        &FOLDERID_Windows,
        &FOLDERID_System,
        &FOLDERID_SystemX86,
        &FOLDERID_ProgramFiles,
        &FOLDERID_ProgramFilesX86,
        &FOLDERID_ProgramFilesX64,
        &FOLDERID_ProgramFilesCommon,
        &FOLDERID_ProgramFilesCommonX86,
        &FOLDERID_ProgramFilesCommonX64,
        &FOLDERID_UserProgramFiles,
        &FOLDERID_ProgramData,
        &FOLDERID_UserProfiles,
        &FOLDERID_Profile,
        &FOLDERID_Public,
        &FOLDERID_PublicDesktop,
        &FOLDERID_PublicDocuments,
        &FOLDERID_PublicDownloads,
        &FOLDERID_Desktop,
        &FOLDERID_Documents,
        &FOLDERID_Downloads,
        &FOLDERID_Music,
        &FOLDERID_Pictures,
        &FOLDERID_Videos,
        &FOLDERID_Favorites,
        &FOLDERID_Links,
        &FOLDERID_SavedGames,
        &FOLDERID_RoamingAppData,
        &FOLDERID_LocalAppData,
        &FOLDERID_LocalAppDataLow,
        &FOLDERID_StartMenu,
        &FOLDERID_Programs,
        &FOLDERID_Startup,
        &FOLDERID_CommonStartMenu,
        &FOLDERID_CommonPrograms,
        &FOLDERID_CommonStartup,
        &FOLDERID_Recent,
        &FOLDERID_SendTo,
        &FOLDERID_Templates,
        &FOLDERID_Fonts,
        &FOLDERID_OneDrive,
    };
    ProtectedFolders result;
    for (const KNOWNFOLDERID* id : kKnown) AddIfResolved(result.folders, KnownFolder(*id));
    wchar_t temp[MAX_PATH + 1] = {};
    if (::GetTempPathW(MAX_PATH + 1, temp) != 0)
        AddIfResolved(result.folders, NormaliseFolder(temp));
    AddIfResolved(result.parents, KnownFolder(FOLDERID_UserProfiles));
    return result;
}

FolderCheck CheckProductFolder(Os& os, std::wstring_view programFolder,
                               const ProtectedFolders& protectedFolders) {
    FolderCheck check{FolderVerdict::Unresolvable, NormaliseFolder(programFolder)};
    const std::wstring& folder = check.folder;
    if (folder.empty()) return check;
    check.verdict = FolderVerdict::Root;
    if (IsRootFolder(folder)) return check;
    check.verdict = FolderVerdict::Protected;
    for (const std::wstring& known : protectedFolders.folders) {
        if (ContainsPath(folder, known)) return check;
    }
    const size_t lastSeparator = folder.find_last_of(L'\\');
    const std::wstring_view parent = std::wstring_view(folder).substr(0, lastSeparator);
    for (const std::wstring& known : protectedFolders.parents) {
        if (ContainsPath(folder, known) || SamePath(parent, known)) return check;
    }
    check.verdict = FolderVerdict::NotProduct;
    for (std::wstring_view program : kProductPrograms) {
        if (!IsFile(os, folder + L"\\" + std::wstring(program))) return check;
    }
    check.verdict = FolderVerdict::Product;
    return check;
}

}  // namespace tarnwick

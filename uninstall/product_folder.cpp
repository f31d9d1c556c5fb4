#include "product_folder.h"

#include "handles.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <array>

namespace tarnwick {
namespace {

void FreeCoTaskText(PWSTR text) {
    ::CoTaskMemFree(text);
}
using UniqueCoTaskText = UniqueAny<PWSTR, FreeCoTaskText>;

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

#include "product_folder.h"

#include <knownfolders.h>

#include <array>

namespace tarnwick {
namespace {

// A folder that does not exist yet is protected all the same: the seam gives its path anyway.
std::wstring KnownFolder(Os& os, REFKNOWNFOLDERID id) {
    std::wstring path;
    return os.KnownFolder(id, path) == ERROR_SUCCESS ? NormaliseFolder(path) : std::wstring();
}

void AddIfResolved(std::vector<std::wstring>& list, std::wstring folder) {
    if (!folder.empty()) list.push_back(std::move(folder));
}

}  // namespace

ProtectedFolders SystemProtectedFolders(Os& os) {
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
    for (const KNOWNFOLDERID* id : kKnown) AddIfResolved(result.folders, KnownFolder(os, *id));
    std::wstring temp;
    if (os.TempFolder(temp) == ERROR_SUCCESS) AddIfResolved(result.folders, NormaliseFolder(temp));
    AddIfResolved(result.parents, KnownFolder(os, FOLDERID_UserProfiles));
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
    const std::wstring_view parent = ParentOf(folder);
    for (const std::wstring& known : protectedFolders.parents) {
        if (ContainsPath(folder, known) || SamePath(parent, known)) return check;
    }
    check.verdict = FolderVerdict::NotProduct;
    for (std::wstring_view program : kProductPrograms) {
        if (!IsFile(os, JoinPath(folder, program))) return check;
    }
    check.verdict = FolderVerdict::Product;
    return check;
}

}  // namespace tarnwick

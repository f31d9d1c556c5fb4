// Which folder the uninstaller may hand to the shell for deletion: only the product's own program
// folder. A copy of uninstall.exe started from somewhere else (Downloads, the desktop, a drive's
// root) must never offer that folder for deletion.
#pragma once

#include "folder_path.h"
#include "os.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The programs that, side by side, make a folder the product's program folder.
inline constexpr std::wstring_view kProductPrograms[] = {L"Tarnwick.exe", L"TarnwickSettings.exe",
                                                         L"install.exe", L"uninstall.exe"};

// Folders whose deletion would take more than a product with it, normalised.
struct ProtectedFolders {
    // Never deleted, nor any folder that holds one of them.
    std::vector<std::wstring> folders;
    // Folders whose every direct sub-folder is protected too: the folder of the user profiles.
    std::vector<std::wstring> parents;
};

// The Windows and system folders, the Program Files folders, the profiles and the current user's
// known folders, and the temporary folder, as `os` names them.
ProtectedFolders SystemProtectedFolders(Os& os);

enum class FolderVerdict {
    Product,       // the product's program folder: it may be offered for deletion
    Unresolvable,  // no absolute path could be made of it
    Root,          // a drive's or a share's root
    Protected,     // a protected folder, or one that holds one
    NotProduct,    // the product's programs are not all there
};

struct FolderCheck {
    FolderVerdict verdict = FolderVerdict::Unresolvable;
    std::wstring folder;  // normalised; empty when unresolvable
};

FolderCheck CheckProductFolder(Os& os, std::wstring_view programFolder,
                               const ProtectedFolders& protectedFolders);

}  // namespace tarnwick

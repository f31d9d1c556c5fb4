// What the uninstaller's OK button does: give every captured start-up program back to Windows,
// then have the shell delete the program folder, which it asks the user to confirm.
#pragma once

#include "context.h"
#include "product_folder.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// The one path that a list may hand to the shell for deletion, without its trailing backslashes;
// nothing when the list holds anything but exactly one absolute path of a folder below a root,
// free of wildcards, NULs and "." or ".." parts. The shell would expand a wildcard, take a NUL as
// the end of one path and the start of the next, and read a relative path against the current
// folder.
std::optional<std::wstring> DeletablePath(const std::vector<std::wstring>& paths);

// Has the shell delete the listed path: it confirms with the user, shows its progress and deletes
// permanently. Returns the shell's result code, or ERROR_INVALID_PARAMETER without asking the
// shell when the list does not pass `DeletablePath`.
int DeletePaths(Os& os, const std::vector<std::wstring>& paths);

// The restore without resetting the launch order, then the deletion of the program folder. A
// folder that is not the product's is not offered for deletion, and the shortcuts that happen to
// lie in it are not moved into the StartUp folder: only the Run values go back. Returns what was
// found out about the folder.
FolderCheck Uninstall(const StoreContext& ctx, const ProtectedFolders& protectedFolders);

}  // namespace tarnwick

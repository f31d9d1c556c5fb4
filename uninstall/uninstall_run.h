// What the uninstaller's OK button does: give every captured start-up program back to Windows,
// then have the shell delete the program folder, which it asks the user to confirm, or tell the
// user what could not be given back.
#pragma once

#include "context.h"
#include "product_folder.h"
#include "restore.h"

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
// shell when the list does not pass `DeletablePath`; `aborted` says whether the user declined
// or cancelled (also true when the shell was not asked).
int DeletePaths(Os& os, const std::vector<std::wstring>& paths, bool& aborted);

// The product's entry under Apps & features, which the setup program writes (HKEY_LOCAL_MACHINE,
// 64-bit view, the only one a 64-bit program sees).
inline constexpr std::wstring_view kUninstallEntryKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwick";

// Whether `folder` is gone, apart from the file of the running uninstaller (`ownFile`, a name in
// that folder), which no system deletes while its program runs. A folder that cannot be listed
// counts as still there.
bool FolderGoneButOwnFile(Os& os, const std::wstring& folder, std::wstring_view ownFile);

// Whether the Apps & features entry belongs to the installation in `folder` (normalised): its
// recorded install location is that folder. Read before the folder goes, while its long name
// can still be looked up.
bool EntryBelongsTo(Os& os, const std::wstring& folder);

struct UninstallOutcome {
    FolderCheck check;
    // For a message box when not empty: nothing was deleted because something stayed held.
    std::wstring message;
    // For a message box when not empty: Tarnwick is gone, and gave something back otherwise than
    // the user might expect (another account's program that now starts for that account only).
    std::wstring notice;
    // The program folder is gone but for the running uninstaller's own file, which only a
    // process of its own can delete once this one has ended.
    bool ownFileLeft = false;
};

// What the setup made besides the program folder, once nothing is held any more: the product's
// shortcuts in the start-menu group (and the group, when nothing else is in it), the machine's
// store, the running account's and every other account's, and the running account's empty folder
// of held shortcuts. Nothing of the user's is touched. A store that holds a program, or cannot be
// read, stays. Under the holdings lock; without it nothing is removed. Whether every store is gone.
bool RemoveSetupTraces(const StoreContext& ctx);

// The restore without resetting the launch order, then the deletion of the program folder, all in
// one hold of the holdings lock (without it nothing is done and the message says why), with the
// machine's switch off meanwhile and put back as it was unless the program folder went. A
// folder that is not the product's is not offered for deletion, and the shortcuts that happen to
// lie in it are not moved into the StartUp folder: only the Run values go back. Nor is it offered
// while the restore could not give everything back: the held shortcuts lie in it, and the
// program folder and the Apps & features entry are what lets the user finish the job later. When
// the user agreed and the folder is gone (all but `ownFile`, the running uninstaller's file), the
// product's Apps & features entry goes too, if it is this installation's, and so does everything
// else the setup made (`RemoveSetupTraces`). The message is empty only when the folder and the
// stores went, or the user declined the deletion.
UninstallOutcome Uninstall(const StoreContext& ctx, const ProtectedFolders& protectedFolders,
                           std::wstring_view ownFile);

struct GiveBackOutcome {
    // Every start-up program is back with Windows: the package may remove the files.
    bool everythingBack = false;
    // For the Windows Installer log: what stayed and why, or how a program was given back; empty
    // when there is nothing to say.
    std::wstring message;
};

// What the Windows Installer package runs before it removes the files: the restore, in one hold
// of the holdings lock with the machine's switch off meanwhile and put back as it was. Only the
// give-back: the store, with every account's options, is not the package's and stays, so that
// an upgrade keeps them also where the version it replaces cannot tell an upgrade from an
// uninstall. The package removes the folder, its shortcuts and its Apps & features entry itself.
GiveBackOutcome GiveBackForPackage(const StoreContext& ctx);

// Why the uninstaller must do nothing from `programFolder`: the folder lies outside the Program
// Files folders and its permissions let users who are not administrators change what is in it
// (`OrdinaryUsersMayChange`), or cannot be read. Its programs may then not be the product's any
// more, and the copy that deletes this program's file would be made from whatever lies there.
// Empty when the uninstaller may go on.
std::wstring OpenFolderRefusal(Os& os, std::wstring_view programFolder);

}  // namespace tarnwick

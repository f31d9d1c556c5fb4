#include "restore.h"

#include "capture.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"
#include "shortcuts.h"

namespace tarnwick {
namespace {

HeldEntry HeldValue(const RunOrigin& origin, std::wstring name, DWORD error) {
    return {EntryKind::RunValue, std::move(name), std::wstring(origin.section), origin.root, error};
}

HeldEntry HeldShortcut(std::wstring_view file, DWORD error) {
    return {EntryKind::Shortcut, ShortcutEntryName(file), {}, nullptr, error};
}

// Writes every captured Run value back into its key and takes it out of the store once it is
// there. A value that cannot be written stays held; one whose store key cannot be deleted is in
// both places, which starts it once more but loses nothing.
void RestoreRunValues(Os& os, std::vector<HeldEntry>& held) {
    for (const RunOrigin& origin : kRunOrigins) {
        bool complete = true;
        for (auto& [name, command] : StoreReadSection(os, origin.section, &complete)) {
            const LSTATUS rc = Registry::SetValue(os, origin.root, origin.runKey, name, command);
            if (rc == ERROR_SUCCESS) {
                StoreDelete(os, origin.section, name);
            } else {
                held.push_back(HeldValue(origin, std::move(name), rc));
            }
        }
        if (!complete) held.push_back(HeldValue(origin, {}, ERROR_CANTREAD));
    }
}

// Moves the held shortcuts back into the StartUp folder. One whose name is already taken there
// counts as handed back, since a shortcut of that name will start. `handled` says whether any
// shortcut was found.
void RestoreShortcuts(const StoreContext& ctx, std::vector<HeldEntry>& held, bool& handled) {
    handled = false;
    if (ctx.programFolder.empty()) return;
    DWORD status = ERROR_SUCCESS;
    const std::vector<std::wstring> files = ListShortcuts(ctx.os, ctx.programFolder, &status);
    if (status != ERROR_SUCCESS) {
        held.push_back(HeldShortcut({}, status));
        return;
    }
    if (files.empty()) return;
    const std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
    if (startUp.empty()) {
        for (const std::wstring& file : files)
            held.push_back(HeldShortcut(file, ERROR_PATH_NOT_FOUND));
        return;
    }
    handled = true;
    for (const std::wstring& file : files) {
        // A move never replaces: a same-named file in the StartUp folder keeps the shortcut here.
        const DWORD rc = ctx.os.MoveFile(ctx.programFolder + L"\\" + file, startUp + file);
        if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS && rc != ERROR_FILE_EXISTS)
            held.push_back(HeldShortcut(file, rc));
    }
}

}  // namespace

RestoreResult RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder) {
    RestoreResult result;
    RestoreRunValues(ctx.os, result.held);
    bool handled = false;
    RestoreShortcuts(ctx, result.held, handled);
    if (resetLaunchOrder && handled) StoreDelete(ctx.os, kPrioritySection);
    if (!result.held.empty()) return result;
    const LSTATUS rc =
        Registry::DeleteValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) result.launcherError = rc;
    result.everythingBack = result.launcherError == ERROR_SUCCESS;
    return result;
}

}  // namespace tarnwick

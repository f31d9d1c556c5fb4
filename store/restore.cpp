#include "restore.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"
#include "shortcuts.h"

namespace tarnwick {
namespace {

// Writes every captured Run value back into its key. False when any could not be read or written.
bool RestoreRunValues(Os& os) {
    const std::pair<std::wstring_view, HKEY> origins[] = {{kMachineSection, HKEY_LOCAL_MACHINE},
                                                          {kUserSection, HKEY_CURRENT_USER}};
    bool all = true;
    for (const auto& [section, root] : origins) {
        bool complete = true;
        for (const auto& [name, command] : StoreReadSection(os, section, &complete)) {
            if (Registry::SetValue(os, root, kRunKey, name, command) != ERROR_SUCCESS) all = false;
        }
        all = all && complete;
    }
    return all;
}

// Moves the held shortcuts back into the StartUp folder. False when a shortcut could not be
// handed back; one whose name is already taken there counts as handed back, since a shortcut
// of that name will start. `handled` says whether any shortcut was found.
bool RestoreShortcuts(const StoreContext& ctx, bool& handled) {
    handled = false;
    if (ctx.programFolder.empty()) return true;
    DWORD status = ERROR_SUCCESS;
    const std::vector<std::wstring> held = ListShortcuts(ctx.os, ctx.programFolder, &status);
    if (status != ERROR_SUCCESS) return false;
    if (held.empty()) return true;
    const std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
    if (startUp.empty()) return false;
    handled = true;
    bool all = true;
    for (const std::wstring& file : held) {
        // A move never replaces: a same-named file in the StartUp folder keeps the shortcut here.
        const DWORD rc = ctx.os.MoveFile(ctx.programFolder + L"\\" + file, startUp + file);
        if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS && rc != ERROR_FILE_EXISTS)
            all = false;
    }
    return all;
}

}  // namespace

bool RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder) {
    const bool valuesBack = RestoreRunValues(ctx.os);
    bool handled = false;
    const bool shortcutsBack = RestoreShortcuts(ctx, handled);
    if (resetLaunchOrder && handled) StoreDelete(ctx.os, kPrioritySection);
    if (!valuesBack || !shortcutsBack) return false;
    const LSTATUS rc =
        Registry::DeleteValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace tarnwick

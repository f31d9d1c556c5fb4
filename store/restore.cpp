#include "restore.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"
#include "shortcuts.h"

namespace tarnwick {

void RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder) {
    const std::pair<std::wstring_view, HKEY> origins[] = {{kMachineSection, HKEY_LOCAL_MACHINE},
                                                          {kUserSection, HKEY_CURRENT_USER}};
    for (const auto& [section, root] : origins) {
        for (const auto& [name, command] : StoreReadSection(ctx.os, section)) {
            Registry::SetValue(ctx.os, root, kRunKey, name, command);
        }
    }
    Registry::DeleteValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);

    if (ctx.programFolder.empty()) return;
    const std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
    if (startUp.empty()) return;
    const std::vector<std::wstring> held = ListShortcuts(ctx.os, ctx.programFolder);
    if (held.empty()) return;
    for (const std::wstring& file : held) {
        // A move never replaces: a same-named file in the StartUp folder keeps the shortcut here.
        ctx.os.MoveFile(ctx.programFolder + L"\\" + file, startUp + file);
    }
    if (resetLaunchOrder) StoreDelete(ctx.os, kPrioritySection);
}

}  // namespace tarnwick

// The restore: every captured start-up program goes back to where Windows starts it, and the
// launcher's own registration is removed. Nothing is removed from the store's captured sections,
// so a Run value that cannot be written back is still held there.
#pragma once

#include "context.h"

namespace tarnwick {

// `resetLaunchOrder` (the settings program's form) also forgets the launch order once any held
// shortcut was handled; the uninstaller's form leaves the store exactly as it was.
//
// The launcher stays registered unless every entry was handed back: a Run value that could not
// be written or a shortcut that could not be moved would otherwise be started by nobody. Returns
// whether everything was handed back (and the launcher's registration removed).
bool RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder);

}  // namespace tarnwick

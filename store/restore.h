// The restore: every captured start-up program goes back to where Windows starts it, and the
// launcher's own registration is removed. What is given back is no longer held: a Run value
// leaves its store section once it is safely back in its Run key, so that a program the user
// later turns off is not brought back by a stale copy. What cannot be given back stays held.
//
// The launcher's registration is the machine's: once it goes, no account's held programs start.
// So with administrator rights the restore gives back the machine's programs and every account's,
// and removes the registration only once nobody holds anything. Without them it gives back what
// the running account may change: its own programs.
#pragma once

#include "context.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

enum class EntryKind {
    RunValue,
    Shortcut,
    // Everything an account holds, when its hive or folders could not be reached at all.
    Account,
};

// An entry the restore could not give back: it stays held, and the launcher keeps starting it.
struct HeldEntry {
    EntryKind kind = EntryKind::RunValue;
    // The name the user knows: the Run value's name, or the shortcut's file name without ".lnk".
    // Empty when the entries themselves could not be read: the store section of a RunValue, the
    // held shortcuts, or everything of an account (EntryKind::Account).
    std::wstring name;
    // A Run value's store section and the root of its Run key; empty and null for a shortcut.
    std::wstring section;
    HKEY root = nullptr;
    DWORD error = ERROR_SUCCESS;
    // The account whose entry it is, by the name the reports give it; empty for the running
    // account's and the machine's own.
    std::wstring account;
};

// Something a give-back did that the user should hear of, though it kept nothing held.
struct GiveBackNote {
    enum class Kind {
        // A program an earlier version held for the whole computer in another account's own store
        // went back to that account's Run key: what an account's store holds is that account's,
        // never the machine's.
        ForThatAccountOnly,
        // Another account's hive could not be unloaded: until the computer restarts, Windows
        // gives that account a temporary profile when it logs on.
        HiveStillLoaded,
    };
    Kind kind = Kind::ForThatAccountOnly;
    std::wstring name;  // the Run value's name; empty for a hive
    std::wstring account;
    DWORD error = ERROR_SUCCESS;
};

struct RestoreResult {
    // Why the holdings lock could not be had (ERROR_TIMEOUT: another Tarnwick program was
    // changing the start-up programs); nothing was given back then.
    Status lockError = ERROR_SUCCESS;
    std::vector<HeldEntry> held;
    std::vector<GiveBackNote> notes;
    // Why the launcher's Run value could not be removed; ERROR_SUCCESS also when the removal was
    // not tried because something stayed held.
    DWORD launcherError = ERROR_SUCCESS;
    // Nothing stayed held and the launcher's registration is gone.
    bool everythingBack = false;
    // The restore reached every account of the machine (it had administrator rights).
    bool everyAccount = false;
};

// With `resetLaunchOrder` the running account's launch order is also forgotten once any of its
// held shortcuts was handled; without it the launch order stays as it is.
//
// The launcher stays registered unless every entry of every account was handed back: a Run value
// that could not be written or a shortcut that could not be moved would otherwise be started by
// nobody. Without administrator rights it stays registered in any case, since other accounts may
// still hold programs that only it starts. All of it under the holdings lock, which every capture
// takes as well.
//
// What is read from another account's hive is that account's data, never an instruction: every
// value its store holds goes back to its own Run key, and its shortcuts move only between folders
// inside its own profile folder, never through a link (what leads elsewhere stays held, named).
//
// Shortcuts that an earlier version kept in the program folder go back to the account that owns
// the file; those owned by the administrators, by the system or by no account of this machine go
// to the running account. With an empty program folder they are left alone.
RestoreResult RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder);

}  // namespace tarnwick

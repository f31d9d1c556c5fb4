// Capture of start-up entries: the values of the Run keys go into the store (the machine's into
// the machine's store, the account's into its own) and out of their key, and the StartUp folder's
// shortcuts move into the account's folder of held shortcuts. Nothing is taken unless the
// launcher is registered to start it. Every entry is handled all-or-nothing: it is never in
// neither place, and after a completed step never in both.
#pragma once

#include "context.h"
#include "registry.h"
#include "run_origins.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The launcher's own Run value under HKEY_LOCAL_MACHINE. Known by its name alone, in any letter
// case, since the registry compares names so.
inline constexpr std::wstring_view kLauncherValueName = L"Veltane";

// The capture table: slots 0 to 500. Values beyond the last slot stay in their Run key and are
// taken by a later capture.
inline constexpr size_t kCaptureSlots = 501;
// The last slot of a capture that takes only the first hundred-and-one values.
inline constexpr size_t kListCaptureLastSlot = 100;

struct CaptureSlot {
    const RunOrigin* origin = nullptr;  // null: a free slot
    std::wstring name;
    std::wstring command;
};

// An entry that stayed where it was, and why.
struct EntryLeft {
    std::wstring name;  // the Run value's name, or the shortcut's name without ".lnk"
    // The store section of a Run value; empty for a shortcut.
    std::wstring_view section;
    DWORD error = ERROR_SUCCESS;
};

// The command line starts this program folder's launcher: a second way of starting it, never a
// program to take over, start or drop. Told by the file its program names, so that every spelling
// counts (quoted or not, with or without ".exe", short 8.3 names, another letter case); by the
// text alone where no file can be looked at.
bool StartsLauncher(Os& os, std::wstring_view command, std::wstring_view programFolder);

// The filter of values that always stay with Windows: the launcher's own registration or any
// other command that starts it, the taskbar's display controls, anything started through the
// system's DLL runner, and a name that is empty or only spaces (no list could show it).
bool IsAcceptedEntry(Os& os, std::wstring_view name, std::wstring_view command,
                     std::wstring_view programFolder);

// The names of the entries the user switched off in Task Manager: values of `approvedKey` that are
// binary and whose first byte is odd.
std::set<std::wstring, RegistryNameLess> DisabledByUser(Os& os, HKEY root,
                                                        std::wstring_view approvedKey);

// Fills a fresh table from the Run keys in their launch order. Only REG_SZ values that could be
// read and that the user has not disabled take a slot.
std::vector<CaptureSlot> ReadRunValues(Os& os);

// Stores and removes the accepted entries of slots 0..lastSlot of a fresh table. Call it only
// while the launcher is in place. Gives the entries that stayed in their Run key for an error.
std::vector<EntryLeft> CaptureRunValues(const StoreContext& ctx,
                                        size_t lastSlot = kCaptureSlots - 1);

// "<program folder>\Tarnwick.exe", quoted, so that no "C:\Program.exe" can stand in for it.
std::wstring LauncherCommand(std::wstring_view programFolder);
// The machine's Run value "Veltane" reads back as this program folder's launcher: quoted, or as
// an earlier version wrote it (unquoted, without ".exe").
bool LauncherInPlace(Os& os, std::wstring_view programFolder);
// The launcher's own file, Tarnwick.exe, is in the program folder. A window left open while its
// program folder was deleted must neither register a launcher that is not there nor take over
// programs that nothing would start.
bool LauncherFileThere(Os& os, std::wstring_view programFolder);
// Writes the registration, only while the launcher's file is there, and reads it back; whether
// it is in place afterwards.
bool RegisterLauncher(const StoreContext& ctx);

// Moves every enabled shortcut of the StartUp folder (as `StartUpFolder` gives it; empty: nothing
// happens) into the account's folder of held shortcuts, made for the first one, in place of a held
// one of the same name. Gives the shortcuts that could not be moved.
std::vector<EntryLeft> SweepStartUpFolder(const StoreContext& ctx, std::wstring_view startUp);

// What an earlier version held where Tarnwick no longer keeps it: the machine's Run values in the
// running account's own store, and shortcuts in the program folder. Each moves to its place now
// (the machine's store, the account's folder of held shortcuts), all-or-nothing; one whose name is
// taken there already, or that cannot move, stays where it was, where the log-on still starts it
// (the values) and the give-back still finds it. A shortcut owned by another account of this
// machine is that account's and stays too. Needs administrator rights to do anything, and the
// holdings lock (`HoldingsLock`): without it nothing moves, and one entry without a name says why.
// Gives what stayed.
std::vector<EntryLeft> MoveEarlierHoldings(const StoreContext& ctx);

enum class Registration {
    Write,    // register the launcher, then take
    Require,  // take only while the launcher is registered already
};

struct CaptureResult {
    // Why the holdings lock could not be had (ERROR_TIMEOUT: another Tarnwick program was
    // changing the start-up programs); nothing was read or changed then.
    Status lockError = ERROR_SUCCESS;
    // An administrator switched Tarnwick off for the whole machine: nothing was taken, and the
    // launcher's registration was not touched.
    bool switchedOff = false;
    // The launcher's file is not in the program folder: nothing was taken or registered.
    bool launcherMissing = false;
    // The launcher is registered; when false nothing was taken.
    bool launcherInPlace = false;
    std::wstring startUp;  // the StartUp folder swept; empty when it could not be resolved
    std::vector<EntryLeft> left;
};

// The whole capture, under the holdings lock: the machine's switch, the launcher's registration
// and what stands where are all read once the lock is held.
CaptureResult CaptureStartupEntries(const StoreContext& ctx, Registration registration);

// What the settings window's opening takes: the Run values of the first hundred-and-one slots,
// under the holdings lock, and only while the account's own switch and the machine's are on and
// the launcher is registered and there. Nothing when the lock cannot be had.
std::vector<EntryLeft> CaptureListedRunValues(const StoreContext& ctx);

}  // namespace tarnwick

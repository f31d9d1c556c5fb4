// The give-back, one account after another, each in the same order: its places found once, then
// its Run values, then its shortcuts, and what stayed held or is worth a note in the result.
// `RestoreStartupEntries` at the end names every step in the order it is made.
#include "restore.h"

#include "accounts.h"
#include "capture.h"
#include "folder_path.h"
#include "holdings_lock.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <map>

namespace tarnwick {
namespace {

// Where one store's section goes back to.
struct ValueHome {
    Hive store;  // the store that holds the section
    Hive run;    // the hive of the Run key it goes back into
    std::wstring_view runKey;
    std::wstring account;  // for the report
    HKEY reportRoot;       // whose the report says the program is: the machine's or an account's
    // The section is one of the machine's, held in another account's store: each value goes back
    // to that account alone, and the user hears of it.
    bool forThatAccountOnly = false;
};

// Where an account's own store sends the values of `origin`. The running account's own elevation
// vouches for what its own store holds for the whole computer; another account's store vouches
// for nothing beyond that account.
ValueHome ValueHomeOf(const AccountPlaces& account, const RunOrigin& origin) {
    const bool machine = IsMachineSection(origin.section);
    const bool other = !account.profile.empty();
    ValueHome home{account.hive, account.hive, origin.runKey, account.name, origin.root};
    if (machine && !other) home.run = MachineHive();
    if (machine && other) {
        home.runKey = kRunKey;
        home.reportRoot = HKEY_CURRENT_USER;
        home.forThatAccountOnly = true;
    }
    return home;
}

// Writes every captured Run value of `origin` held in `home.store` back into its key and takes it
// out of the store once it is there. A value that stands in its Run key already is newer than the
// held copy (the program wrote it again): it stays as it is, and the held copy is released. An
// expandable command goes back with its type; a value of any other type cannot be a command and
// stays held as it is. A value that cannot be written stays held; one whose store key cannot be
// deleted is in both places, which starts it once more but loses nothing.
void GiveBackSection(Os& os, const RunOrigin& origin, const ValueHome& home,
                     RestoreResult& result) {
    const auto keep = [&](std::wstring name, DWORD error) {
        result.held.push_back({EntryKind::RunValue, std::move(name), std::wstring(origin.section),
                               home.reportRoot, error, home.account});
    };
    const std::wstring runKey = home.run.Key(home.runKey);
    std::vector<NamedRegValue> values;
    const Status listed =
        os.EnumValues(home.store.root, home.store.Key(StoreSectionKey(origin.section)), values);
    if (listed != ERROR_SUCCESS && !IsNotThere(listed)) keep({}, ERROR_CANTREAD);
    for (NamedRegValue& value : values) {
        if (value.value.type != REG_SZ && value.value.type != REG_EXPAND_SZ) {
            keep(std::move(value.name), ERROR_UNSUPPORTED_TYPE);
            continue;
        }
        RegValue standing;
        Status rc = os.QueryValue(home.run.root, runKey, value.name, standing);
        if (IsNotThere(rc)) {
            rc = value.value.type == REG_SZ
                     ? os.SetString(home.run.root, runKey, value.name,
                                    DecodeRegString(value.value.data))
                     : os.SetValue(home.run.root, runKey, value.name, value.value);
        }
        if (rc != ERROR_SUCCESS) {
            keep(std::move(value.name), rc);
            continue;
        }
        StoreDelete(os, home.store, origin.section, value.name);
        if (home.forThatAccountOnly) {
            result.notes.push_back({GiveBackNote::Kind::ForThatAccountOnly, std::move(value.name),
                                    home.account, ERROR_SUCCESS});
        }
    }
}

// The machine's own store: its sections back into the machine's Run keys.
void GiveBackMachineValues(Os& os, RestoreResult& result) {
    for (const RunOrigin& origin : kRunOrigins) {
        if (!IsMachineSection(origin.section)) continue;
        GiveBackSection(os, origin, {MachineHive(), MachineHive(), origin.runKey, {}, origin.root},
                        result);
    }
}

// One account's own store: its own programs, and the machine's ones an earlier version kept there.
void GiveBackAccountValues(Os& os, const AccountPlaces& account, RestoreResult& result) {
    for (const RunOrigin& origin : kRunOrigins)
        GiveBackSection(os, origin, ValueHomeOf(account, origin), result);
}

// Where one account's shortcuts go back to.
struct ShortcutHome {
    std::wstring from;          // the folder that holds them
    std::wstring fromRoot;      // for another account: the folder `from` must not leave
    std::wstring_view startUp;  // empty: not resolved
    std::wstring_view account;  // for the report
    std::wstring_view profile;  // another account's profile folder; empty: the running account
};

// An account's folder of held shortcuts, which for another account lies inside its profile.
ShortcutHome HeldShortcutsHome(const AccountPlaces& account) {
    return {account.held, account.profile, account.startUp, account.name, account.profile};
}

// The program folder, where an earlier version kept the account's shortcuts: for another account
// a move may not leave it.
ShortcutHome EarlierShortcutsHome(const std::wstring& programFolder, const AccountPlaces& account) {
    return {programFolder, account.profile.empty() ? std::wstring() : programFolder,
            account.startUp, account.name, account.profile};
}

// Moves `files` of `home.from` back into the StartUp folder. A move never replaces: a same-named
// file in the StartUp folder keeps the shortcut held, and the user is told which, since either
// copy could be the one the program wants. For another account every path is checked first, and
// the move itself refuses to follow a link.
void GiveBackShortcutFiles(Os& os, const ShortcutHome& home, const std::vector<std::wstring>& files,
                           std::vector<HeldEntry>& held) {
    const auto keep = [&](std::wstring_view file, DWORD error) {
        held.push_back({EntryKind::Shortcut,
                        ShortcutEntryName(file),
                        {},
                        nullptr,
                        error,
                        std::wstring(home.account)});
    };
    Status target = home.startUp.empty() ? DWORD{ERROR_PATH_NOT_FOUND} : ERROR_SUCCESS;
    if (target == ERROR_SUCCESS && !home.profile.empty())
        target = CheckInsideProfile(os, home.profile, home.startUp);
    for (const std::wstring& file : files) {
        const std::wstring from = JoinPath(home.from, file);
        const std::wstring to = JoinPath(home.startUp, file);
        Status rc = target;
        if (rc == ERROR_SUCCESS && home.profile.empty()) {
            rc = os.MoveFile(from, to);
        } else if (rc == ERROR_SUCCESS) {
            if (home.fromRoot == home.profile) rc = CheckInsideProfile(os, home.profile, from);
            if (rc == ERROR_SUCCESS) rc = os.MoveFileInside(from, home.fromRoot, to, home.profile);
        }
        if (rc == ERROR_ALREADY_EXISTS) rc = ERROR_FILE_EXISTS;
        if (rc != ERROR_SUCCESS) keep(file, rc);
    }
}

// The shortcuts of one account's folder of held shortcuts, back into its StartUp folder. Whether
// any shortcut was found.
bool GiveBackHeldShortcuts(Os& os, const ShortcutHome& home, std::vector<HeldEntry>& held) {
    const auto keepAll = [&](DWORD error) {
        held.push_back({EntryKind::Shortcut, {}, {}, nullptr, error, std::wstring(home.account)});
    };
    // Without its application-data folder nothing tells whether it holds shortcuts.
    if (home.from.empty()) {
        keepAll(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // Another account's folder is not even listed where it leads out of its profile.
    if (!home.profile.empty()) {
        if (const Status rc = CheckInsideProfile(os, home.profile, home.from)) {
            keepAll(rc);
            return false;
        }
    }
    DWORD status = ERROR_SUCCESS;
    const std::vector<std::wstring> files = ListShortcuts(os, home.from, &status);
    // A folder that was never made holds nothing.
    if (status == ERROR_PATH_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) {
        keepAll(status);
        return false;
    }
    GiveBackShortcutFiles(os, home, files, held);
    return !files.empty();
}

// The shortcuts an earlier version kept in the program folder, by the account that owns each
// file: a person's account of this machine by its SID; the running account under "".
using EarlierShortcuts = std::map<std::wstring, std::vector<std::wstring>>;

EarlierShortcuts SortEarlierShortcuts(Os& os, const std::wstring& programFolder,
                                      const std::vector<ProfileEntry>& others,
                                      std::vector<HeldEntry>& held) {
    EarlierShortcuts sorted;
    if (programFolder.empty()) return sorted;
    DWORD status = ERROR_SUCCESS;
    const std::vector<std::wstring> files = ListShortcuts(os, programFolder, &status);
    if (status != ERROR_SUCCESS && !IsNotThere(status))
        held.push_back({EntryKind::Shortcut, {}, {}, nullptr, status, {}});
    for (const std::wstring& file : files)
        sorted[FileOwnerAccount(os, JoinPath(programFolder, file), others)].push_back(file);
    return sorted;
}

// Without administrator rights another account's shortcuts are that account's to give back, and
// it still has them.
void KeepOthersEarlierShortcuts(const std::vector<ProfileEntry>& others,
                                const EarlierShortcuts& earlier, std::vector<HeldEntry>& held) {
    for (const ProfileEntry& account : others) {
        const auto owned = earlier.find(account.sid);
        if (owned == earlier.end()) continue;
        for (const std::wstring& file : owned->second) {
            held.push_back({EntryKind::Shortcut,
                            ShortcutEntryName(file),
                            {},
                            nullptr,
                            ERROR_ACCESS_DENIED,
                            AccountName(account)});
        }
    }
}

// Another account's programs, through its own hive: its places, its values, its held shortcuts
// and the ones it owns in the program folder, then its hive let go. An account that cannot be
// reached is reported as a whole, and so are the shortcuts it owns in the program folder.
void GiveBackOtherAccount(Os& os, const ProfileEntry& account, const std::wstring& programFolder,
                          const EarlierShortcuts& earlier, RestoreResult& result) {
    const std::wstring name = AccountName(account);
    const auto owned = earlier.find(account.sid);
    const auto keepOwned = [&](DWORD error) {
        if (owned == earlier.end()) return;
        for (const std::wstring& file : owned->second) {
            result.held.push_back(
                {EntryKind::Shortcut, ShortcutEntryName(file), {}, nullptr, error, name});
        }
    };
    AccountHive hive(os, account);
    if (hive.Status() != ERROR_SUCCESS) {
        result.held.push_back({EntryKind::Account, {}, {}, nullptr, hive.Status(), name});
        keepOwned(hive.Status());
        return;
    }
    if (hive.Absent()) {
        keepOwned(ERROR_PATH_NOT_FOUND);
        return;
    }
    const AccountPlaces places = OtherAccountPlaces(os, hive.Reached(), account);
    GiveBackAccountValues(os, places, result);
    GiveBackHeldShortcuts(os, HeldShortcutsHome(places), result.held);
    if (owned != earlier.end()) {
        GiveBackShortcutFiles(os, EarlierShortcutsHome(programFolder, places), owned->second,
                              result.held);
    }
    if (const DWORD rc = hive.Release()) {
        result.notes.push_back({GiveBackNote::Kind::HiveStillLoaded, {}, name, rc});
    }
}

// Once nobody holds anything: the launcher's registration goes.
void Unregister(Os& os, RestoreResult& result) {
    const Status rc = os.DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);
    if (rc != ERROR_SUCCESS && !IsNotThere(rc)) result.launcherError = rc;
    result.everythingBack = result.launcherError == ERROR_SUCCESS;
}

}  // namespace

RestoreResult RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder) {
    Os& os = ctx.os;
    RestoreResult result;
    // A capture of another program between a read of a store and the change made on it would
    // leave a program in neither place.
    const HoldingsLock lock(ctx);
    result.lockError = lock.Error();
    if (!lock) return result;
    result.everyAccount = os.AdminRights() == ERROR_SUCCESS;
    const AccountPlaces self = RunningAccountPlaces(os, ctx.owner);
    GiveBackMachineValues(os, result);
    GiveBackAccountValues(os, self, result);
    bool handled = GiveBackHeldShortcuts(os, HeldShortcutsHome(self), result.held);

    DWORD listed = ERROR_SUCCESS;
    const std::vector<ProfileEntry> others = OtherAccounts(os, listed);
    const EarlierShortcuts earlier =
        SortEarlierShortcuts(os, ctx.programFolder, others, result.held);
    if (const auto own = earlier.find(L""); own != earlier.end()) {
        GiveBackShortcutFiles(os, EarlierShortcutsHome(ctx.programFolder, self), own->second,
                              result.held);
        handled = true;
    }
    if (resetLaunchOrder && handled) StoreDelete(os, kPrioritySection);
    if (!result.everyAccount) {
        KeepOthersEarlierShortcuts(others, earlier, result.held);
        // Other accounts may still hold programs that only the registration starts.
        result.launcherError = result.held.empty() ? DWORD{ERROR_ACCESS_DENIED} : ERROR_SUCCESS;
        return result;
    }
    if (listed != ERROR_SUCCESS) {
        result.held.push_back({EntryKind::Account, {}, {}, nullptr, listed, {}});
    } else {
        for (const ProfileEntry& account : others)
            GiveBackOtherAccount(os, account, ctx.programFolder, earlier, result);
    }
    if (result.held.empty()) Unregister(os, result);
    return result;
}

}  // namespace tarnwick

#include "restore.h"

#include "accounts.h"
#include "capture.h"
#include "holdings_lock.h"
#include "registry.h"
#include "run_origins.h"
#include "settings_store.h"
#include "shortcuts.h"

namespace tarnwick {
namespace {

// Where one store's sections go back to.
struct ValueHome {
    Hive store;            // the store that holds the section
    Hive run;              // the hive of the Run key it goes back into
    std::wstring account;  // for the report
};

// Writes every captured Run value of `origin` held in `home.store` back into its key and takes it
// out of the store once it is there. A value that stands in its Run key already is newer than the
// held copy (the program wrote it again, or Windows keeps it as an expandable string): it stays as
// it is, and the held copy is released. A value that cannot be written stays held; one whose
// store key cannot be deleted is in both places, which starts it once more but loses nothing.
void RestoreRunValues(Os& os, const RunOrigin& origin, const ValueHome& home,
                      std::vector<HeldEntry>& held) {
    const auto keep = [&](std::wstring name, DWORD error) {
        held.push_back({EntryKind::RunValue, std::move(name), std::wstring(origin.section),
                        origin.root, error, home.account});
    };
    const std::wstring runKey = home.run.Key(origin.runKey);
    bool complete = true;
    for (auto& [name, command] : StoreReadSection(os, home.store, origin.section, &complete)) {
        RegValue standing;
        LSTATUS rc = os.QueryValue(home.run.root, runKey, name, standing);
        if (IsNotThere(rc)) {
            rc = Registry::SetValue(os, home.run.root, runKey, name, command);
        }
        if (rc == ERROR_SUCCESS) {
            StoreDelete(os, home.store, origin.section, name);
        } else {
            keep(std::move(name), static_cast<DWORD>(rc));
        }
    }
    if (!complete) keep({}, ERROR_CANTREAD);
}

// Moves the shortcuts of `from` back into `startUp`. One whose name is already taken there counts
// as handed back, since a shortcut of that name will start. Whether any shortcut was found.
bool RestoreShortcuts(Os& os, std::wstring_view from, std::wstring_view startUp,
                      const std::wstring& account, std::vector<HeldEntry>& held) {
    const auto keep = [&](std::wstring_view file, DWORD error) {
        held.push_back({EntryKind::Shortcut, ShortcutEntryName(file), {}, nullptr, error, account});
    };
    DWORD status = ERROR_SUCCESS;
    const std::vector<std::wstring> files = ListShortcuts(os, from, &status);
    // A folder that was never made holds nothing.
    if (status == ERROR_PATH_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) {
        keep({}, status);
        return false;
    }
    if (files.empty()) return false;
    if (startUp.empty()) {
        for (const std::wstring& file : files) keep(file, ERROR_PATH_NOT_FOUND);
        return false;
    }
    for (const std::wstring& file : files) {
        // A move never replaces: a same-named file in the StartUp folder keeps the shortcut here.
        const DWORD rc =
            os.MoveFile(std::wstring(from) + L"\\" + file, std::wstring(startUp) + file);
        if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS && rc != ERROR_FILE_EXISTS)
            keep(file, rc);
    }
    return true;
}

// One account's own programs: its Run values, the machine's values an earlier version kept in its
// store, and its held shortcuts. Whether any shortcut was handled.
bool RestoreAccount(Os& os, const AccountPlaces& account, std::vector<HeldEntry>& held) {
    for (const RunOrigin& origin : kRunOrigins) {
        const bool machine = IsMachineSection(origin.section);
        RestoreRunValues(
            os, origin, {account.hive, machine ? MachineHive() : account.hive, account.name}, held);
    }
    if (account.held.empty()) {
        // Without its application-data folder nothing tells whether it holds shortcuts.
        held.push_back({EntryKind::Shortcut, {}, {}, nullptr, ERROR_PATH_NOT_FOUND, account.name});
        return false;
    }
    return RestoreShortcuts(os, account.held, account.startUp, account.name, held);
}

// Every other account's programs, through its own hive; an account that cannot be reached is
// reported as a whole.
void RestoreOtherAccounts(Os& os, std::vector<HeldEntry>& held) {
    DWORD status = ERROR_SUCCESS;
    const std::vector<ProfileEntry> accounts = OtherAccounts(os, status);
    if (status != ERROR_SUCCESS) {
        held.push_back({EntryKind::Account, {}, {}, nullptr, status, {}});
        return;
    }
    for (const ProfileEntry& account : accounts) {
        const AccountHive hive(os, account);
        if (hive.Status() != ERROR_SUCCESS) {
            held.push_back(
                {EntryKind::Account, {}, {}, nullptr, hive.Status(), AccountName(account)});
            continue;
        }
        if (hive.Absent()) continue;
        AccountPlaces places = PlacesInHive(os, hive.Reached(), account.profile);
        places.name = AccountName(account);
        RestoreAccount(os, places, held);
    }
}

}  // namespace

RestoreResult RestoreStartupEntries(const StoreContext& ctx, bool resetLaunchOrder) {
    RestoreResult result;
    // A capture of another program between a read of a store and the change made on it would
    // leave a program in neither place.
    const HoldingsLock lock(ctx);
    result.lockError = lock.Error();
    if (!lock) return result;
    result.everyAccount = ctx.os.AdminRights() == ERROR_SUCCESS;
    for (const RunOrigin& origin : kRunOrigins) {
        if (IsMachineSection(origin.section))
            RestoreRunValues(ctx.os, origin, {MachineHive(), MachineHive(), {}}, result.held);
    }
    AccountPlaces self;
    self.hive = UserHive();
    self.startUp = StartUpFolder(ctx.os, ctx.owner);
    self.held = HeldShortcutFolder(ctx.os, ctx.owner);
    bool handled = RestoreAccount(ctx.os, self, result.held);
    if (!ctx.programFolder.empty()) {
        handled |= RestoreShortcuts(ctx.os, ctx.programFolder, self.startUp, {}, result.held);
    }
    if (resetLaunchOrder && handled) StoreDelete(ctx.os, kPrioritySection);
    if (!result.everyAccount) {
        // Other accounts may still hold programs that only the registration starts.
        result.launcherError = result.held.empty() ? DWORD{ERROR_ACCESS_DENIED} : ERROR_SUCCESS;
        return result;
    }
    RestoreOtherAccounts(ctx.os, result.held);
    if (!result.held.empty()) return result;
    const LSTATUS rc =
        Registry::DeleteValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);
    if (rc != ERROR_SUCCESS && !IsNotThere(rc)) result.launcherError = rc;
    result.everythingBack = result.launcherError == ERROR_SUCCESS;
    return result;
}

}  // namespace tarnwick

#include "uninstall_run.h"

#include "accounts.h"
#include "folder_access.h"
#include "folder_path.h"
#include "holdings_lock.h"
#include "options.h"
#include "product.h"
#include "reasons.h"
#include "registry.h"
#include "reports.h"
#include "run_origins.h"
#include "settings_store.h"

#include <algorithm>
#include <cwctype>

namespace tarnwick {
namespace {

std::vector<std::wstring_view> Split(std::wstring_view text) {
    std::vector<std::wstring_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(L'\\', start);
        parts.push_back(text.substr(start, end - start));  // to the end when there is none
        if (end == std::wstring_view::npos) return parts;
        start = end + 1;
    }
}

// "C:\folder..." or "\\server\share\folder...": absolute, with at least one folder below the
// root, and no empty, "." or ".." part that would make the shell look elsewhere.
bool IsFolderBelowARoot(std::wstring_view path) {
    size_t least = 0;
    if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') {
        path.remove_prefix(3);
        least = 1;
    } else if (path.starts_with(L"\\\\")) {
        path.remove_prefix(2);
        least = 3;  // server, share, folder
    } else {
        return false;
    }
    const std::vector<std::wstring_view> parts = Split(path);
    return parts.size() >= least && std::none_of(parts.begin(), parts.end(), [](auto part) {
               return part.empty() || part == L"." || part == L"..";
           });
}

// What is left of the program folder, but the running uninstaller's own file.
std::wstring FolderLeftMessage(Os& os, const std::wstring& folder, std::wstring_view ownFile) {
    std::wstring text =
        L"Tarnwick gave every start-up program back to Windows, but could not delete everything in "
        L"its program folder, so it is still installed";
    std::vector<std::wstring> names;
    if (const DWORD rc = os.ListFolder(folder, names); rc != ERROR_SUCCESS)
        return text + L": " + FailureReason(rc) + L".\n\n" + std::wstring(kRunUninstallerAgain);
    text += L". Still there:\n";
    for (const std::wstring& name : names) {
        if (!SamePath(name, ownFile)) text += L"\n" + JoinPath(folder, name);
    }
    return text + L"\n\nClose every Tarnwick program, then run the uninstaller again to finish.";
}

// The machine's switch, off for as long as the uninstall runs, so that no launcher of another
// session takes a program back meanwhile; put back as it was unless the program folder went.
class SwitchedOffMeanwhile {
  public:
    explicit SwitchedOffMeanwhile(Os& os)
        : os_(os),
          before_(Registry::ReadString(os, HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection),
                                       misc::kEnabled.key)) {
        WriteMachineSwitch(os, false);
    }
    ~SwitchedOffMeanwhile() {
        if (finished_) return;
        if (before_.status == ReadStatus::NotFound) {
            Registry::DeleteValue(os_, HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection),
                                  misc::kEnabled.key);
        } else if (before_.status == ReadStatus::Found) {
            StoreWrite(os_, MachineHive(), kMiscSection, misc::kEnabled.key, before_.text);
        } else {
            WriteMachineSwitch(os_, true);
        }
    }
    SwitchedOffMeanwhile(const SwitchedOffMeanwhile&) = delete;
    SwitchedOffMeanwhile& operator=(const SwitchedOffMeanwhile&) = delete;

    // The program folder is gone: there is no Tarnwick left to switch on.
    void Finished() { finished_ = true; }

  private:
    Os& os_;
    StringRead before_;
    bool finished_ = false;
};

}  // namespace

std::optional<std::wstring> DeletablePath(const std::vector<std::wstring>& paths) {
    if (paths.size() != 1) return std::nullopt;
    std::wstring path = paths.front();
    // Wildcards, the file system's own wildcards ('<', '>', '"'), other characters no name may
    // hold, and NUL. Device paths ("\\?\", "\\.\") fall out here or at their "." part.
    if (path.find_first_of(std::wstring_view(L"*?<>\"|/\0", 8)) != std::wstring::npos) {
        return std::nullopt;
    }
    path.resize(WithoutTrailingBackslash(path).size());
    if (!IsFolderBelowARoot(path)) return std::nullopt;
    return path;
}

int DeletePaths(Os& os, const std::vector<std::wstring>& paths, bool& aborted) {
    aborted = true;
    const std::optional<std::wstring> path = DeletablePath(paths);
    if (!path) return ERROR_INVALID_PARAMETER;
    return static_cast<int>(os.ShellDelete(*path, aborted));
}

bool FolderGoneButOwnFile(Os& os, const std::wstring& folder, std::wstring_view ownFile) {
    std::vector<std::wstring> names;
    const DWORD rc = os.ListFolder(folder, names);
    if (rc == ERROR_PATH_NOT_FOUND || rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    return std::all_of(names.begin(), names.end(),
                       [&](const std::wstring& name) { return SamePath(name, ownFile); });
}

bool EntryBelongsTo(Os& os, const std::wstring& folder) {
    const StringRead location =
        Registry::ReadString(os, HKEY_LOCAL_MACHINE, kUninstallEntryKey, L"InstallLocation");
    // Another installation's entry (the setup's, while this copy came from the zip) stays.
    return location.status == ReadStatus::Found && !folder.empty() &&
           SamePath(NormaliseFolder(location.text), folder);
}

bool RemoveSetupTraces(const StoreContext& ctx) {
    Os& os = ctx.os;
    // The stores are read and removed in one hold of the lock: a program taken back between the
    // read and the removal would go with its store.
    const HoldingsLock lock(ctx);
    if (!lock) return false;
    if (const std::wstring startMenu = StartMenuFolder(os, ctx.owner); !startMenu.empty()) {
        const std::wstring group = JoinPath(startMenu, kStartMenuGroup);
        for (const std::wstring_view file : kProductShortcuts) os.DeleteFile(JoinPath(group, file));
        // Removes only an empty folder: a shortcut the user put there keeps it.
        os.RemoveDirectory(group);
    }
    // A store goes only while it holds nothing taken from Windows: a program of an earlier
    // version, which knows no lock, may have taken one back since.
    const std::wstring store = L"Software\\" + std::wstring(kApplication);
    bool everyStoreGone = true;
    const auto forget = [&](const Hive& hive) {
        for (const RunOrigin& origin : kRunOrigins) {
            // Any value counts, of whatever type: one the give-back could not use stays held.
            std::vector<NamedRegValue> values;
            const Status rc =
                os.EnumValues(hive.root, hive.Key(StoreSectionKey(origin.section)), values);
            if (!values.empty() || (rc != ERROR_SUCCESS && !IsNotThere(rc))) {
                everyStoreGone = false;
                return;
            }
        }
        const Status rc = os.DeleteKey(hive.root, hive.Key(store));
        everyStoreGone &= rc == ERROR_SUCCESS || IsNotThere(rc);
    };
    forget(MachineHive());
    forget(UserHive());
    DWORD status = ERROR_SUCCESS;
    for (const ProfileEntry& account : OtherAccounts(os, status)) {
        const AccountHive hive(os, account);
        if (hive.Status() == ERROR_SUCCESS && !hive.Absent()) forget(hive.Reached());
    }
    if (const std::wstring held = HeldShortcutFolder(os, ctx.owner); !held.empty()) {
        os.RemoveDirectory(held);
        os.RemoveDirectory(ParentOf(held));
    }
    return everyStoreGone;
}

UninstallOutcome Uninstall(const StoreContext& ctx, const ProtectedFolders& protectedFolders,
                           std::wstring_view ownFile) {
    UninstallOutcome outcome{
        CheckProductFolder(ctx.os, ctx.programFolder, protectedFolders), {}, {}};
    const FolderCheck& check = outcome.check;
    const bool product = check.verdict == FolderVerdict::Product;
    // Held from the switch to the last store removed, the shell's question included: no other
    // Tarnwick program takes a program back between the give-back and the removal.
    const HoldingsLock lock(ctx);
    if (!lock) {
        outcome.message = UninstallLockedOutReport(lock.Error());
        return outcome;
    }
    SwitchedOffMeanwhile switchedOff(ctx.os);
    // Without a program folder the restore gives back the Run values only.
    const RestoreResult restore = RestoreStartupEntries(
        {ctx.os, product ? ctx.programFolder : std::wstring(), ctx.owner, ctx.lockWaitMs}, false);
    outcome.message = UninstallGiveBackReport(restore);
    if (!product || !restore.everythingBack) return outcome;
    const bool ownEntry = EntryBelongsTo(ctx.os, check.folder);
    bool aborted = true;
    // The shell's result code is not looked at: where the system keeps the running uninstaller
    // from being deleted, it reports that one file as a failure of the whole operation.
    DeletePaths(ctx.os, {check.folder}, aborted);
    // Declined: the user keeps Tarnwick, with nothing held, and knows it.
    if (aborted) return outcome;
    if (!FolderGoneButOwnFile(ctx.os, check.folder, ownFile)) {
        outcome.message = FolderLeftMessage(ctx.os, check.folder, ownFile);
        return outcome;
    }
    switchedOff.Finished();
    if (!RemoveSetupTraces(ctx)) {
        outcome.message =
            L"Tarnwick deleted its program folder, but could not remove all of its settings: one "
            L"of its stores still holds start-up programs, which nothing starts now, or could not "
            L"be read or removed.\n\nRun Tarnwick's setup again, then uninstall it once more: "
            L"that gives back what is still held.";
    }
    if (const std::wstring notes = GiveBackNotesReport(restore.notes);
        !notes.empty() && outcome.message.empty()) {
        outcome.notice =
            L"Tarnwick was removed, and every start-up program is back with Windows. "
            L"Please note:\n\n" +
            notes;
    }
    if (ownEntry) ctx.os.DeleteKey(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    outcome.ownFileLeft = !ownFile.empty() && IsFile(ctx.os, JoinPath(check.folder, ownFile));
    return outcome;
}

GiveBackOutcome GiveBackForPackage(const StoreContext& ctx) {
    const HoldingsLock lock(ctx);
    if (!lock) return {false, UninstallLockedOutReport(lock.Error())};
    SwitchedOffMeanwhile switchedOff(ctx.os);
    const RestoreResult restore =
        RestoreStartupEntries({ctx.os, ctx.programFolder, ctx.owner, ctx.lockWaitMs}, false);
    if (!restore.everythingBack) return {false, UninstallGiveBackReport(restore)};
    return {true, GiveBackNotesReport(restore.notes)};
}

std::wstring OpenFolderRefusal(Os& os, std::wstring_view programFolder) {
    if (InProgramFiles(os, programFolder)) return {};
    std::wstring security;
    const Status read = os.FolderSecurity(programFolder, security);
    if (read == ERROR_SUCCESS && !OrdinaryUsersMayChange(security)) return {};
    const std::wstring why =
        read == ERROR_SUCCESS
            ? L"users who are not administrators may change what is in this folder"
            : L"the permissions of this folder could not be read (" + SystemMessage(read) + L")";
    return L"Tarnwick cannot be uninstalled from \"" + std::wstring(programFolder) + L"\": " + why +
           L", so its programs may have been replaced by someone else. Nothing was changed."
           L"\n\nSet the folder's permissions (Properties, Security) so that only administrators "
           L"may change it, as in Program Files, then run the uninstaller again.";
}

}  // namespace tarnwick

#include "install_run.h"

#include "capture.h"
#include "folder_access.h"
#include "folder_path.h"
#include "holdings_lock.h"
#include "options.h"
#include "reasons.h"
#include "registry.h"
#include "reports.h"
#include "settings_store.h"
#include "shortcuts.h"

namespace tarnwick {
namespace {

// What a fresh installation waits between two programs: four seconds, in tenths.
constexpr long long kInstalledTimeDelayTenths = 40;

// An installation switches Tarnwick on for the machine again, and first moves what an earlier
// version held where every account's launcher finds it now: the switch and both moves in one hold
// of the lock, so that no give-back comes between them.
CaptureResult TakeOver(const StoreContext& ctx) {
    CaptureResult taken;
    if (const HoldingsLock lock(ctx); lock) {
        WriteMachineSwitch(ctx.os, true);
        MoveEarlierHoldings(ctx);
        taken = CaptureStartupEntries(ctx, Registration::Write);
    } else {
        taken.lockError = lock.Error();
    }
    return taken;
}

template <typename Option, typename Value>
void WriteUnlessSet(Os& os, const Option& option, Value value) {
    const StringRead stored =
        Registry::ReadString(os, HKEY_CURRENT_USER, StoreSectionKey(kMiscSection), option.key);
    if (stored.status == ReadStatus::NotFound) WriteOption(os, option, value);
}

}  // namespace

std::wstring StartMenuGroupPath(const StoreContext& ctx) {
    const std::wstring startMenu = StartMenuFolder(ctx.os, ctx.owner);
    return startMenu.empty() ? std::wstring() : JoinPath(startMenu, kStartMenuGroup);
}

void shortcuts(const StoreContext& ctx) {
    // Without a program folder the shortcut folder would be "\TW" at the root of a drive.
    if (ctx.programFolder.empty()) return;
    const std::wstring group = StartMenuGroupPath(ctx);
    if (group.empty()) return;
    // One level only: "Programs" exists in every profile. An existing group is fine.
    ctx.os.CreateDirectory(group);
    const std::wstring source = JoinPath(ctx.programFolder, kShortcutFolderName);
    for (const std::wstring& file : ListShortcuts(ctx.os, source)) {
        // A move never replaces: a same-named shortcut already in the group wins, and the one in
        // the shortcut folder stays, which keeps that folder from being removed below.
        ctx.os.MoveFile(JoinPath(source, file), JoinPath(group, file));
    }
    // Removes only an empty folder.
    ctx.os.RemoveDirectory(source);
}

void WriteDefaultOptions(Os& os) {
    WriteOption(os, misc::kTimeDelay, kInstalledTimeDelayTenths);
    WriteOption(os, misc::kVisible, 1);
    WriteOption(os, misc::kEnabled, true);
}

CaptureResult RunInstaller(const StoreContext& ctx) {
    const CaptureResult taken = TakeOver(ctx);
    shortcuts(ctx);
    WriteDefaultOptions(ctx.os);
    return taken;
}

InstallOutcome Install(const StoreContext& ctx) {
    if (const Status error = ProtectProgramFolder(ctx.os, ctx.programFolder))
        return {kNotInstalled, UnprotectedFolderReport(ctx.programFolder, error)};
    std::wstring report = TakeOverReport(RunInstaller(ctx));
    return {report.empty() ? kInstalled : kSomethingStayed, std::move(report)};
}

InstallOutcome InstallFromPackage(const StoreContext& ctx) {
    if (const Status error = ProtectProgramFolder(ctx.os, ctx.programFolder))
        return {kNotInstalled, UnprotectedFolderReport(ctx.programFolder, error)};
    std::wstring report = TakeOverReport(TakeOver(ctx));
    WriteUnlessSet(ctx.os, misc::kTimeDelay, kInstalledTimeDelayTenths);
    WriteUnlessSet(ctx.os, misc::kVisible, 1);
    WriteUnlessSet(ctx.os, misc::kEnabled, true);
    return {report.empty() ? kInstalled : kSomethingStayed, std::move(report)};
}

std::wstring UnprotectedFolderReport(std::wstring_view folder, Status error) {
    std::wstring reason = SystemMessage(error);
    if (reason.empty()) reason = L"error " + std::to_wstring(error) + L".";
    return L"Tarnwick was not installed in \"" + std::wstring(folder) +
           L"\": the permissions of this folder could not be set so that only administrators "
           L"can change the programs in it. Windows said: " +
           reason +
           L"\n\nEvery account starts Tarnwick when it logs on. In a folder that other users can "
           L"change, any of them could replace a program and gain administrator rights. Nothing "
           L"was changed: no start-up program was taken over.\n\nChoose a folder under Program "
           L"Files, or a folder whose permissions you may set, and install Tarnwick there.";
}

}  // namespace tarnwick

// Capture of start-up entries: the values of both Run keys go into the store and out of their
// key, the launcher registers itself, and the StartUp folder's shortcuts move into the program
// folder. Every entry is handled all-or-nothing: it is never in neither place, and after a
// completed step never in both.
#pragma once

#include "context.h"
#include "registry.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The launcher's own Run value under HKEY_LOCAL_MACHINE.
inline constexpr std::wstring_view kLauncherValueName = L"Veltane";
// Where Task Manager records start-up entries the user switched off.
inline constexpr std::wstring_view kApprovedRunKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr std::wstring_view kApprovedStartupFolderKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

// The capture table: slots 0 to 500. Values beyond the last slot stay in their Run key and are
// taken by a later capture.
inline constexpr size_t kCaptureSlots = 501;
// The launch list's own capture pass stores only slots 0 to 100.
inline constexpr size_t kListCaptureLastSlot = 100;

struct CaptureSlot {
    std::wstring origin;  // section name: "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER"; empty = free
    std::wstring name;
    std::wstring command;
};

// The filter of values that always stay with Windows: the launcher's own registration, the
// taskbar's display controls, and anything started through the system's DLL runner.
bool IsAcceptedEntry(std::wstring_view name, std::wstring_view command);

// The names of the entries the user switched off in Task Manager: values of `approvedKey` that are
// binary and whose first byte is odd.
std::set<std::wstring, RegistryNameLess> DisabledByUser(Os& os, HKEY root,
                                                        std::wstring_view approvedKey);

// Fills a fresh table from both Run keys (machine first, then user). Only REG_SZ values that
// could be read and that the user has not disabled take a slot.
std::vector<CaptureSlot> ReadRunValues(Os& os);

// Stores and removes the accepted entries of slots 0..lastSlot of a fresh table.
void CaptureRunValues(const StoreContext& ctx, size_t lastSlot = kCaptureSlots - 1);

// Program folder + "\Tarnwick": the launcher, without extension or quotes.
std::wstring LauncherCommand(std::wstring_view programFolder);
void RegisterLauncher(const StoreContext& ctx);

// Moves every enabled shortcut of the StartUp folder (as `StartUpFolder` gives it; empty: nothing
// happens) into the program folder; a shortcut whose name is taken there stays where it is.
void SweepStartUpFolder(const StoreContext& ctx, std::wstring_view startUp);

// Returns the StartUp folder it swept (empty when the shell folders could not be resolved), so
// that a caller sweeping again need not resolve it a second time.
std::wstring CaptureStartupEntries(const StoreContext& ctx);

}  // namespace tarnwick

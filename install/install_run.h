// The installer's one pass: give the program folder permissions that only administrators can
// change, capture the start-up programs, move the product's own shortcuts into its start-menu
// group, and write the default options. Kept apart from the window so that tests can run it
// against a sandbox and a faulty OS.
#pragma once

#include "capture.h"
#include "context.h"
#include "product.h"

#include <string>
#include <string_view>

namespace tarnwick {

// The folder below the program folder in which the product's own shortcuts arrive.
inline constexpr std::wstring_view kShortcutFolderName = L"TW";

// The start-menu group's path (Start Menu + "Programs\Tarnwick"), or empty when the Recent or the
// Start Menu folder cannot be resolved.
std::wstring StartMenuGroupPath(const StoreContext& ctx);

// The start-menu step: creates the group, moves every shortcut of program folder + "\TW" into it
// without replacing anything, and removes the folder once it is empty. Every step that fails is
// passed over.
void shortcuts(const StoreContext& ctx);

// "TimeDelay", "Visible" and "Enabled" of section "misc", in that order, replacing what is there.
void WriteDefaultOptions(Os& os);

// Everything the installer does before it tells the user that it is done; what its capture
// could not take. Without the holdings lock it switches nothing on and takes nothing, and says so.
CaptureResult RunInstaller(const StoreContext& ctx);

// install.exe's exit codes: installed; installed, but a start-up program stayed with Windows;
// nothing done, since the program folder could not be given its permissions.
inline constexpr int kInstalled = 0;
inline constexpr int kSomethingStayed = 1;
inline constexpr int kNotInstalled = 2;

struct InstallOutcome {
    int exitCode = kInstalled;
    // For the user: what stayed with Windows, or why nothing was installed; empty when all is well.
    std::wstring report;
};

// What the Windows Installer package runs once its files are in place, as `Install` does but
// without the start-menu step (the package makes its own shortcuts for all users) and with each
// default option written only where the account has none yet: an upgrade keeps every option.
// Something that stays with Windows is reported, never failed: the package still installs.
InstallOutcome InstallFromPackage(const StoreContext& ctx);

// The whole installation. The program folder's permissions come first (`ProtectProgramFolder`):
// when they cannot be set, nothing else is done at all, since every account would start
// programs that others can replace.
InstallOutcome Install(const StoreContext& ctx);

// Why nothing was installed in `folder`: its permissions could not be set (`error`), and what
// the user can do about it.
std::wstring UnprotectedFolderReport(std::wstring_view folder, Status error);

}  // namespace tarnwick

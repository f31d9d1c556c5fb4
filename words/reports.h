// What the take-over and the give-back say to the user, one report each, made from the store's
// results alone. The settings window, the installer and the uninstaller show these, so that a
// program that stayed where it was reads the same in each.
#pragma once

#include "capture.h"
#include "restore.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The uninstaller's closing advice wherever something kept it from finishing.
inline constexpr std::wstring_view kRunUninstallerAgain =
    L"Once the cause is gone, run the uninstaller again to finish.";

// What a capture could not take (which programs stayed with Windows, and why); empty when it took
// everything. The settings window's switch and the installer show it.
std::wstring TakeOverReport(const CaptureResult& taken);

// The notes of a give-back, one line each; empty when there are none.
std::wstring GiveBackNotesReport(const std::vector<GiveBackNote>& notes);

// The settings window's switch to Disabled: what could not be given back, then what the user
// should hear of though it was; empty when everything went back without a note.
std::wstring GiveBackReport(const RestoreResult& given);

// The uninstaller's give-back when it could not give everything back: which programs stayed and
// why, and that running it again once the cause is gone finishes the job, then the notes. Empty
// when everything was handed back.
std::wstring UninstallGiveBackReport(const RestoreResult& restore);

// Why the uninstaller changed nothing: the holdings lock could not be had (`error`).
std::wstring UninstallLockedOutReport(Status error);

}  // namespace tarnwick

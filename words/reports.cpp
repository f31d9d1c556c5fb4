#include "reports.h"

#include "reasons.h"
#include "settings_store.h"

namespace tarnwick {
namespace {

// One line per program that stayed held, each after a line break.
std::wstring HeldLines(const std::vector<HeldEntry>& held) {
    std::wstring lines;
    for (const HeldEntry& entry : held) {
        lines += L"\n" + EntryReportLine(entry.name, entry.kind, entry.root == HKEY_LOCAL_MACHINE,
                                         entry.error, entry.account);
    }
    return lines;
}

// One line per program that stayed with Windows, each after a line break.
std::wstring LeftLines(const std::vector<EntryLeft>& left) {
    std::wstring lines;
    for (const EntryLeft& entry : left) {
        lines += L"\n" +
                 EntryReportLine(entry.name,
                                 entry.section.empty() ? EntryKind::Shortcut : EntryKind::RunValue,
                                 IsMachineSection(entry.section), entry.error);
    }
    return lines;
}

// `text`, then the give-back's notes under a heading of their own.
std::wstring WithNotes(std::wstring text, const std::vector<GiveBackNote>& notes) {
    const std::wstring noted = GiveBackNotesReport(notes);
    if (noted.empty()) return text;
    if (!text.empty()) text += L"\n\n";
    return text + L"Given back:\n\n" + noted;
}

// Why the take-over took nothing at all; empty when it went ahead.
std::wstring NothingTakenReport(const CaptureResult& taken) {
    if (taken.lockError != ERROR_SUCCESS) {
        return L"Tarnwick took over no start-up program, because " + LockFailure(taken.lockError) +
               L": Windows keeps starting them all, as before.\n\nTo take them over, open "
               L"Tarnwick Settings in a moment and switch Tarnwick off and on again.";
    }
    if (taken.switchedOff) {
        return L"An administrator switched Tarnwick off for every account of this computer, so it "
               L"took over no start-up program: Windows keeps starting them all, as before.\n\n"
               L"Administrator rights are needed to switch it on again. Open Tarnwick Settings as "
               L"an administrator and press the switch so that it reads Enabled.";
    }
    if (taken.launcherMissing) {
        return L"Tarnwick's launcher, Tarnwick.exe, is not in its program folder, so Tarnwick took "
               L"over no start-up program: Windows keeps starting them all, as before.\n\nRun "
               L"Tarnwick's setup again to put the launcher back.";
    }
    if (!taken.launcherInPlace) {
        return L"Tarnwick could not register itself to start when you log on, so it took over no "
               L"start-up program: Windows keeps starting them all, as before.\n\nAdministrator "
               L"rights are needed for that. Open Tarnwick Settings as an administrator and "
               L"switch Tarnwick off and on again.";
    }
    return {};
}

// The settings window's list of what stayed held; empty when everything went back.
std::wstring SwitchHeldReport(const RestoreResult& given) {
    if (given.everythingBack) return {};
    if (given.held.empty()) {
        return L"Tarnwick gave every start-up program back to Windows, but could not remove its "
               L"own start-up entry: " +
               FailureReason(given.launcherError) +
               L".\n\nIt still starts when you log on, with nothing to start.";
    }
    return L"Tarnwick could not give these start-up programs back to Windows. "
           L"Tarnwick keeps starting them when you log on:\n" +
           HeldLines(given.held) +
           L"\n\nOnce the cause is gone, switch Tarnwick on and off again to give them back.";
}

}  // namespace

std::wstring TakeOverReport(const CaptureResult& taken) {
    if (std::wstring nothing = NothingTakenReport(taken); !nothing.empty()) return nothing;
    if (taken.left.empty()) return {};
    return L"Tarnwick could not take over these start-up programs. Windows keeps "
           L"starting them when you log on:\n" +
           LeftLines(taken.left) +
           L"\n\nOnce the cause is gone, switch Tarnwick off and on again to take them over.";
}

std::wstring GiveBackNotesReport(const std::vector<GiveBackNote>& notes) {
    std::wstring text;
    for (const GiveBackNote& note : notes) {
        if (!text.empty()) text += L"\n";
        const std::wstring account = L"Account \"" + note.account + L"\"";
        if (note.kind == GiveBackNote::Kind::ForThatAccountOnly) {
            text += account + L", \"" + note.name +
                    L"\": held for the whole computer by an earlier version; it now starts for "
                    L"that account only.";
        } else {
            text += account + L": Windows could not let go of its settings (" +
                    FailureReason(note.error) +
                    L"). Restart the computer before that account logs on again, or it gets a "
                    L"temporary profile.";
        }
    }
    return text;
}

std::wstring GiveBackReport(const RestoreResult& given) {
    return WithNotes(SwitchHeldReport(given), given.notes);
}

std::wstring UninstallGiveBackReport(const RestoreResult& restore) {
    if (restore.lockError != ERROR_SUCCESS) return UninstallLockedOutReport(restore.lockError);
    if (restore.everythingBack) return {};
    if (restore.held.empty()) {
        return L"Tarnwick gave every start-up program back to Windows but could not remove its "
               L"own start-up entry, so it is still installed: " +
               FailureReason(restore.launcherError) + L".\n\n" + std::wstring(kRunUninstallerAgain);
    }
    const bool one = restore.held.size() == 1 && !restore.held.front().name.empty();
    std::wstring text = one ? L"Tarnwick could not give this start-up program back to Windows, so "
                              L"it is still installed:\n"
                            : L"Tarnwick could not give these start-up programs back to Windows, "
                              L"so it is still installed:\n";
    text += HeldLines(restore.held);
    text += one ? L"\n\nTarnwick keeps starting it when you log on. "
                : L"\n\nTarnwick keeps starting them when you log on. ";
    text += kRunUninstallerAgain;
    return WithNotes(std::move(text), restore.notes);
}

std::wstring UninstallLockedOutReport(Status error) {
    return L"Tarnwick changed nothing and is still installed, because " + LockFailure(error) +
           L".\n\nTry again in a moment.";
}

}  // namespace tarnwick

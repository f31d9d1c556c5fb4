#include "capture.h"

#include "accounts.h"
#include "convert.h"
#include "folder_path.h"
#include "holdings_lock.h"
#include "options.h"
#include "registry.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <map>
#include <optional>

namespace tarnwick {
namespace {

using SectionImage = std::map<std::wstring, std::wstring, RegistryNameLess>;

// What a store section held before this capture, so that a failed removal from a Run key can be
// undone. Empty when the section could not be read: nothing of that origin is captured then.
std::optional<SectionImage> SectionBefore(Os& os, std::wstring_view section) {
    bool complete = false;
    auto pairs = StoreReadSection(os, section, &complete);
    if (!complete) return std::nullopt;
    SectionImage before;
    for (auto& [key, text] : pairs) before.emplace(std::move(key), std::move(text));
    return before;
}

// One entry into the store and out of its Run key, or not at all. ERROR_SUCCESS when taken.
DWORD CaptureOne(Os& os, const CaptureSlot& slot, const SectionImage& before) {
    const RunOrigin& origin = *slot.origin;
    if (const LSTATUS rc = StoreWrite(os, origin.section, slot.name, slot.command);
        rc != ERROR_SUCCESS) {
        return static_cast<DWORD>(rc);
    }
    const LSTATUS rc = Registry::DeleteValue(os, origin.root, origin.runKey, slot.name);
    if (rc == ERROR_SUCCESS || IsNotThere(rc)) return ERROR_SUCCESS;
    // The Run value stays (a standard user cannot write the machine key): take the store back,
    // or Windows and the launcher would both start the program.
    if (const auto it = before.find(slot.name); it != before.end()) {
        StoreWrite(os, origin.section, slot.name, it->second);
    } else {
        StoreDelete(os, origin.section, slot.name);
    }
    return static_cast<DWORD>(rc);
}

// The launcher as an earlier version registered it: unquoted and without extension.
std::wstring UnquotedLauncher(std::wstring_view programFolder) {
    return JoinPath(programFolder, L"Tarnwick");
}

// The text names this program folder's launcher, in one of the spellings Tarnwick writes.
bool NamesLauncher(std::wstring_view command, std::wstring_view programFolder) {
    if (programFolder.empty()) return false;
    const size_t start = command.find_first_not_of(L' ');
    if (start == command.npos) return false;
    command.remove_prefix(start);
    const bool quoted = command.front() == L'"';
    if (quoted) command.remove_prefix(1);
    const std::wstring base = UnquotedLauncher(programFolder);
    for (const std::wstring& program : {base + L".exe", base}) {
        if (command.size() < program.size() ||
            !EqualsIgnoringCase(command.substr(0, program.size()), program)) {
            continue;
        }
        const std::wstring_view rest = command.substr(program.size());
        if (rest.empty() || rest.front() == L' ' || (quoted && rest.front() == L'"')) return true;
    }
    return false;
}

// The files a command line's program could be, in the order CreateProcess tries them: the quoted
// path, or each run of words up to a space, with ".exe" added to one without an extension.
std::vector<std::wstring> ProgramCandidates(std::wstring_view command) {
    std::vector<std::wstring> candidates;
    const auto add = [&](std::wstring_view path) {
        if (LastPartOf(path).find(L'.') == std::wstring_view::npos)
            candidates.push_back(std::wstring(path) + L".exe");
        candidates.emplace_back(path);
    };
    const size_t start = command.find_first_not_of(L' ');
    if (start == command.npos) return candidates;
    command.remove_prefix(start);
    if (command.front() == L'"') {
        const size_t close = command.find(L'"', 1);
        add(command.substr(1, close == command.npos ? command.npos : close - 1));
        return candidates;
    }
    for (size_t space = command.find(L' ');; space = command.find(L' ', space + 1)) {
        add(command.substr(0, space));
        if (space == command.npos) return candidates;
    }
}

}  // namespace

bool StartsLauncher(Os& os, std::wstring_view command, std::wstring_view programFolder) {
    if (NamesLauncher(command, programFolder)) return true;
    if (programFolder.empty()) return false;
    std::wstring launcher;
    if (os.FileIdentity(JoinPath(programFolder, L"Tarnwick.exe"), launcher) != ERROR_SUCCESS)
        return false;
    // The first candidate that is a file is the program CreateProcess would start.
    for (const std::wstring& candidate : ProgramCandidates(command)) {
        std::wstring identity;
        if (os.FileIdentity(candidate, identity) != ERROR_SUCCESS) continue;
        return identity == launcher;
    }
    return false;
}

bool IsAcceptedEntry(Os& os, std::wstring_view name, std::wstring_view command,
                     std::wstring_view programFolder) {
    if (TrimSpaces(name).empty()) return false;
    if (EqualsIgnoringCase(name, kLauncherValueName)) return false;
    if (ToLower(name) == L"taskbar display controls") return false;
    // The six characters are taken before trimming: " rundll32" is captured.
    if (TrimSpaces(ToLower(command.substr(0, 6))) == L"rundll") return false;
    return !StartsLauncher(os, command, programFolder);
}

std::set<std::wstring, RegistryNameLess> DisabledByUser(Os& os, HKEY root,
                                                        std::wstring_view approvedKey) {
    std::vector<NamedRegValue> values;
    os.EnumValues(root, approvedKey, values);
    std::set<std::wstring, RegistryNameLess> disabled;
    for (auto& v : values) {
        const auto& data = v.value.data;
        if (v.value.type == REG_BINARY && !data.empty() && (data[0] & 1) != 0) {
            disabled.insert(std::move(v.name));
        }
    }
    return disabled;
}

std::vector<CaptureSlot> ReadRunValues(Os& os) {
    std::vector<CaptureSlot> table(kCaptureSlots);
    // The first origin fills slots from 0; each later one follows the last slot given out
    // before it (slot 0 stays free when the machine's key is empty).
    size_t last = 0;
    bool first = true;
    for (const RunOrigin& origin : kRunOrigins) {
        const auto disabled = DisabledByUser(os, origin.root, origin.approvedKey);
        // One read of the whole key: names with their type and text.
        std::vector<NamedRegValue> values;
        os.EnumValues(origin.root, origin.runKey, values);
        const size_t base = first ? 0 : last + 1;
        for (size_t i = 0; i < values.size(); ++i) {
            const size_t slot = base + i;
            last = slot;
            if (slot >= kCaptureSlots) break;
            const NamedRegValue& v = values[i];
            if (v.name.empty()) continue;  // the unnamed default value is never taken
            // Only a plain string is taken; an expandable string or any other type stays with
            // Windows rather than being removed on the strength of a text we cannot start.
            if (v.value.type != REG_SZ) continue;
            if (disabled.contains(v.name)) continue;
            table[slot] = {&origin, v.name, DecodeRegString(v.value.data)};
        }
        first = false;
    }
    return table;
}

std::vector<EntryLeft> CaptureRunValues(const StoreContext& ctx, size_t lastSlot) {
    const std::vector<CaptureSlot> table = ReadRunValues(ctx.os);
    std::map<std::wstring_view, std::optional<SectionImage>> before;
    for (const RunOrigin& origin : kRunOrigins)
        before[origin.section] = SectionBefore(ctx.os, origin.section);
    std::vector<EntryLeft> left;
    for (size_t k = 0; k <= lastSlot && k < table.size(); ++k) {
        const CaptureSlot& slot = table[k];
        if (!slot.origin || !IsAcceptedEntry(ctx.os, slot.name, slot.command, ctx.programFolder))
            continue;
        const auto& image = before[slot.origin->section];
        const DWORD rc = image ? CaptureOne(ctx.os, slot, *image) : DWORD{ERROR_CANTREAD};
        if (rc != ERROR_SUCCESS) left.push_back({slot.name, slot.origin->section, rc});
    }
    return left;
}

std::wstring LauncherCommand(std::wstring_view programFolder) {
    return L"\"" + UnquotedLauncher(programFolder) + L".exe\"";
}

bool LauncherInPlace(Os& os, std::wstring_view programFolder) {
    if (programFolder.empty()) return false;
    const StringRead read =
        Registry::ReadString(os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName);
    if (read.status != ReadStatus::Found) return false;
    const std::wstring text = TrimSpaces(read.text);
    return EqualsIgnoringCase(text, LauncherCommand(programFolder)) ||
           EqualsIgnoringCase(text, UnquotedLauncher(programFolder));
}

bool LauncherFileThere(Os& os, std::wstring_view programFolder) {
    return !programFolder.empty() && IsFile(os, UnquotedLauncher(programFolder) + L".exe");
}

bool RegisterLauncher(const StoreContext& ctx) {
    if (!LauncherFileThere(ctx.os, ctx.programFolder)) return false;
    Registry::SetValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName,
                       LauncherCommand(ctx.programFolder));
    return LauncherInPlace(ctx.os, ctx.programFolder);
}

std::vector<EntryLeft> SweepStartUpFolder(const StoreContext& ctx, std::wstring_view startUp) {
    std::vector<EntryLeft> left;
    if (startUp.empty()) return left;
    // The account's folder is made only when there is something to put into it.
    std::optional<std::wstring> held;
    const auto disabled = DisabledByUser(ctx.os, HKEY_CURRENT_USER, kApprovedStartupFolderKey);
    for (const std::wstring& file : ListShortcuts(ctx.os, startUp)) {
        if (disabled.contains(file)) continue;
        std::wstring name = ShortcutEntryName(file);
        // ".lnk" or " .lnk" would give a row without a name, which no list shows or starts.
        if (TrimSpaces(name).empty()) continue;
        if (!held) held = MakeHeldShortcutFolder(ctx.os, ctx.owner);
        // Without a folder of held shortcuts the target would be the drive's root: every
        // shortcut stays with Windows, and the report says so.
        if (held->empty()) {
            left.push_back({std::move(name), {}, ERROR_PATH_NOT_FOUND});
            continue;
        }
        // The program's newest shortcut is the one that counts: one that writes its shortcut
        // again at each start replaces the held copy, as a Run value written again replaces the
        // stored command.
        const DWORD rc = ctx.os.MoveFileReplacing(JoinPath(startUp, file), JoinPath(*held, file));
        if (rc != ERROR_SUCCESS) left.push_back({std::move(name), {}, rc});
    }
    return left;
}

std::vector<EntryLeft> MoveEarlierHoldings(const StoreContext& ctx) {
    std::vector<EntryLeft> left;
    // Without the rights nothing here can move, and a standard user's window must never take the
    // program folder's shortcuts, which may be another account's, into its own keeping.
    if (ctx.os.AdminRights() != ERROR_SUCCESS) return left;
    const HoldingsLock lock(ctx);
    if (!lock) return {{{}, {}, lock.Error()}};
    const Hive account = UserHive();
    const Hive machine = MachineHive();
    for (const RunOrigin& origin : kRunOrigins) {
        if (!IsMachineSection(origin.section)) continue;
        bool complete = false;
        const auto held = StoreReadSection(ctx.os, machine, origin.section, &complete);
        if (!complete) continue;
        const SectionImage there(held.begin(), held.end());
        for (const auto& [name, command] : StoreReadSection(ctx.os, account, origin.section)) {
            if (const auto it = there.find(name); it != there.end()) {
                // The same program twice: the account's copy adds nothing. Another program of the
                // same name stays in the account's store, where it is still started and given back.
                if (it->second == command) {
                    StoreDelete(ctx.os, account, origin.section, name);
                } else {
                    left.push_back({name, origin.section, ERROR_ALREADY_EXISTS});
                }
                continue;
            }
            DWORD rc =
                static_cast<DWORD>(StoreWrite(ctx.os, machine, origin.section, name, command));
            if (rc == ERROR_SUCCESS) {
                rc = static_cast<DWORD>(StoreDelete(ctx.os, account, origin.section, name));
                if (rc != ERROR_SUCCESS) StoreDelete(ctx.os, machine, origin.section, name);
            }
            if (rc != ERROR_SUCCESS) left.push_back({name, origin.section, rc});
        }
    }
    if (ctx.programFolder.empty()) return left;
    std::vector<std::wstring> files = ListShortcuts(ctx.os, ctx.programFolder);
    // A shortcut another account owns is that account's: it stays where the give-back finds it
    // and hands it to its owner. Without the list of accounts no owner can be told.
    DWORD listed = ERROR_SUCCESS;
    const std::vector<ProfileEntry> others = OtherAccounts(ctx.os, listed);
    if (listed != ERROR_SUCCESS) return left;
    std::erase_if(files, [&](const std::wstring& file) {
        return !FileOwnerAccount(ctx.os, JoinPath(ctx.programFolder, file), others).empty();
    });
    if (files.empty()) return left;
    const std::wstring held = MakeHeldShortcutFolder(ctx.os, ctx.owner);
    for (const std::wstring& file : files) {
        // A move never replaces: a same-named held shortcut keeps this one where it was.
        const DWORD rc =
            held.empty() ? DWORD{ERROR_PATH_NOT_FOUND}
                         : ctx.os.MoveFile(JoinPath(ctx.programFolder, file), JoinPath(held, file));
        if (rc != ERROR_SUCCESS) left.push_back({ShortcutEntryName(file), {}, rc});
    }
    return left;
}

CaptureResult CaptureStartupEntries(const StoreContext& ctx, Registration registration) {
    CaptureResult result;
    // Everything is read under the lock: a give-back of another program that ran between a read
    // and the change made on it would leave a program in neither place.
    const HoldingsLock lock(ctx);
    result.lockError = lock.Error();
    if (!lock) return result;
    // An account whose programs could not all be given back when the machine was switched off is
    // never taken over again behind the administrator's back.
    result.switchedOff = MachineSwitchedOff(ctx.os);
    if (result.switchedOff) return result;
    result.launcherMissing = !LauncherFileThere(ctx.os, ctx.programFolder);
    if (result.launcherMissing) return result;
    // The registration comes first: a program taken from Windows while no launcher is
    // registered would start nowhere.
    result.launcherInPlace = registration == Registration::Write
                                 ? RegisterLauncher(ctx)
                                 : LauncherInPlace(ctx.os, ctx.programFolder);
    if (!result.launcherInPlace) return result;
    result.left = CaptureRunValues(ctx);
    result.startUp = StartUpFolder(ctx.os, ctx.owner);
    for (EntryLeft& entry : SweepStartUpFolder(ctx, result.startUp))
        result.left.push_back(std::move(entry));
    return result;
}

std::vector<EntryLeft> CaptureListedRunValues(const StoreContext& ctx) {
    const HoldingsLock lock(ctx);
    if (!lock || !ReadOption(ctx.os, misc::kEnabled) || MachineSwitchedOff(ctx.os) ||
        !LauncherFileThere(ctx.os, ctx.programFolder) ||
        !LauncherInPlace(ctx.os, ctx.programFolder)) {
        return {};
    }
    return CaptureRunValues(ctx, kListCaptureLastSlot);
}

}  // namespace tarnwick

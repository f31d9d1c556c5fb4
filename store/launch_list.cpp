#include "launch_list.h"

#include "accounts.h"
#include "capture.h"
#include "folder_path.h"
#include "registry.h"
#include "run_origins.h"
#include "convert.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <map>
#include <optional>
#include <set>

namespace tarnwick {

bool ItemList::Insert(long long index, std::wstring text) {
    if (index < 0 || static_cast<unsigned long long>(index) > items_.size()) return false;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(text));
    return true;
}

bool ItemList::Remove(long long index) {
    if (index < 0 || static_cast<unsigned long long>(index) >= items_.size()) return false;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::optional<size_t> ItemList::Find(std::wstring_view text, size_t end) const {
    for (size_t i = 0; i < end && i < items_.size(); ++i) {
        if (items_[i] == text) return i;
    }
    return std::nullopt;
}

void LaunchList::AppendBlankRows(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        names.Append(L" ");
        commands.Append(L" ");
    }
}

bool IsBlankItem(std::wstring_view text) {
    return text.find_first_not_of(L' ') == text.npos;
}

HeldEntries ReadHeldEntries(const StoreContext& ctx) {
    HeldEntries held;
    for (const RunOrigin& origin : kRunOrigins) {
        auto pairs = StoreReadCommands(ctx.os, SectionHive(origin.section), origin.section);
        if (IsMachineSection(origin.section)) {
            // Until an administrator's run moves them, the machine's programs that an earlier
            // version kept in this account's store are still this account's to start.
            std::set<std::wstring, RegistryNameLess> names;
            for (const auto& pair : pairs) names.insert(pair.first);
            for (auto& pair : StoreReadCommands(ctx.os, UserHive(), origin.section)) {
                if (!names.contains(pair.first)) pairs.push_back(std::move(pair));
            }
        }
        held.sections.push_back(std::move(pairs));
    }
    held.folder = HeldShortcutFolder(ctx.os, ctx.owner);
    if (!held.folder.empty()) held.shortcuts = ListShortcuts(ctx.os, held.folder);
    return held;
}

void listt(const StoreContext& ctx, LaunchList& list) {
    listt(ctx, ReadHeldEntries(ctx), list);
}

void listt(const StoreContext& ctx, const HeldEntries& held, LaunchList& list) {
    constexpr size_t kPlaceholders = 50;
    list.AppendBlankRows(kPlaceholders);

    // Positions: each name replaces the row at its position. A later name with the same
    // position pushes the earlier one down and off; a position past the end is not placed.
    for (auto& [name, text] : StoreReadSection(ctx.os, kPrioritySection)) {
        const long long p = LeadingNumber(text);
        // Only a row of the list or the one after it: a negative position would still remove
        // row p + 1 (-1 takes row 0 from whoever holds it), and p + 1 must not overflow.
        if (p < 0 || static_cast<unsigned long long>(p) > list.names.Count()) continue;
        list.names.Insert(p, name);
        list.names.Remove(p + 1);
        list.commands.Insert(p, L" ");
        list.commands.Remove(p + 1);
    }

    for (size_t k = 0; k < held.sections.size(); ++k) {
        for (const auto& [storeName, command] : held.sections[k]) {
            std::wstring name = storeName + std::wstring(kRunOrigins[k].listSuffix);
            if (const auto row = list.names.Find(name, list.Count())) {
                list.commands.Remove(static_cast<long long>(*row));
                list.commands.Insert(static_cast<long long>(*row), command);
            } else {
                list.names.Append(std::move(name));
                list.commands.Append(command);
            }
        }
    }

    // A shortcut gives its row the shortcut file as command, also over a Run value's command.
    for (const std::wstring& file : held.shortcuts) {
        std::wstring name = ShortcutEntryName(file);
        std::wstring path = JoinPath(held.folder, file);
        if (const auto row = list.names.Find(name, list.Count())) {
            list.commands.Insert(static_cast<long long>(*row), std::move(path));
            list.commands.Remove(static_cast<long long>(*row) + 1);
        } else {
            list.names.Append(std::move(name));
            list.commands.Append(std::move(path));
        }
    }

    for (size_t i = list.names.Count(); i-- > 0;) {
        if (IsBlankItem(list.names.Item(i))) {
            list.names.Remove(static_cast<long long>(i));
            list.commands.Remove(static_cast<long long>(i));
        }
    }
    for (size_t i = list.commands.Count(); i-- > 0;) {
        if (IsBlankItem(list.commands.Item(i))) {
            list.commands.Remove(static_cast<long long>(i));
            list.names.Remove(static_cast<long long>(i));
        }
    }
}

void LeaveOutStartedByWindows(const StoreContext& ctx, const HeldEntries& held, LaunchList& list) {
    // Which held entry each row starts, worked out as `listt` chose it: a later origin's command
    // replaces an earlier one's of the same row name, and a shortcut replaces both.
    struct Held {
        const RunOrigin* origin = nullptr;  // null: a held shortcut
        std::wstring name;                  // the Run value's name, or the shortcut's file name
    };
    std::map<std::wstring, Held> rows;
    for (size_t k = 0; k < held.sections.size(); ++k) {
        const RunOrigin& origin = kRunOrigins[k];
        for (const auto& [name, command] : held.sections[k])
            rows[name + std::wstring(origin.listSuffix)] = {&origin, name};
    }
    for (const std::wstring& file : held.shortcuts) rows[ShortcutEntryName(file)] = {nullptr, file};

    // What Windows holds now and has therefore started, read only for the places the list's rows
    // come from: this runs at every log-on. An entry the user switched off in Task Manager was not
    // started, so its held copy still is.
    std::map<const RunOrigin*, std::set<std::wstring, RegistryNameLess>> standing;
    const auto standsInItsKey = [&](const RunOrigin& origin, const std::wstring& name) {
        auto found = standing.find(&origin);
        if (found == standing.end()) {
            const auto disabled = DisabledByUser(ctx.os, origin.root, origin.approvedKey);
            std::set<std::wstring, RegistryNameLess> names;
            for (std::wstring& value : Registry::EnumValues(ctx.os, origin.root, origin.runKey)) {
                if (!disabled.contains(value)) names.insert(std::move(value));
            }
            found = standing.emplace(&origin, std::move(names)).first;
        }
        return found->second.contains(name);
    };
    std::optional<std::wstring> startUp;
    std::set<std::wstring, RegistryNameLess> disabledShortcuts;
    const auto standsInStartUp = [&](const std::wstring& file) {
        if (!startUp) {
            // The shell's folder lookup is the dearest call here: made once, and only when a
            // shortcut is held.
            startUp = StartUpFolder(ctx.os, ctx.owner);
            disabledShortcuts =
                DisabledByUser(ctx.os, HKEY_CURRENT_USER, kApprovedStartupFolderKey);
        }
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        return !startUp->empty() && !disabledShortcuts.contains(file) &&
               ctx.os.FileAttributes(JoinPath(*startUp, file), attributes) == ERROR_SUCCESS;
    };

    for (size_t i = list.Count(); i-- > 0;) {
        const auto it = rows.find(list.names.Item(i));
        if (it == rows.end()) continue;
        const Held& entry = it->second;
        if (entry.origin ? !standsInItsKey(*entry.origin, entry.name)
                         : !standsInStartUp(entry.name)) {
            continue;
        }
        list.names.Remove(static_cast<long long>(i));
        list.commands.Remove(static_cast<long long>(i));
    }
}

}  // namespace tarnwick

#include "launch_list.h"

#include "capture.h"
#include "registry.h"
#include "run_origins.h"
#include "convert.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <map>
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

void listt(const StoreContext& ctx, LaunchList& list) {
    constexpr size_t kPlaceholders = 50;
    list.AppendBlankRows(kPlaceholders);

    // Positions: each name replaces the row at its position. A later name with the same
    // position pushes the earlier one down and off; a position past the end is not placed.
    for (auto& [name, text] : StoreReadSection(ctx.os, kPrioritySection)) {
        const long long p = LeadingNumber(text);
        list.names.Insert(p, name);
        list.names.Remove(p + 1);
        list.commands.Insert(p, L" ");
        list.commands.Remove(p + 1);
    }

    for (const RunOrigin& origin : kRunOrigins) {
        for (auto& [storeName, command] : StoreReadSection(ctx.os, origin.section)) {
            std::wstring name = storeName + std::wstring(origin.listSuffix);
            if (const auto row = list.names.Find(name, list.Count())) {
                list.commands.Remove(static_cast<long long>(*row));
                list.commands.Insert(static_cast<long long>(*row), std::move(command));
            } else {
                list.names.Append(std::move(name));
                list.commands.Append(std::move(command));
            }
        }
    }

    // A shortcut gives its row the shortcut file as command, also over a Run value's command.
    for (const std::wstring& file : ListShortcuts(ctx.os, ctx.programFolder)) {
        std::wstring name = ShortcutEntryName(file);
        std::wstring path = ctx.programFolder + L"\\" + file;
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

void LeaveOutStartedByWindows(const StoreContext& ctx, std::wstring_view startUp,
                              LaunchList& list) {
    // Which held entry each row starts, worked out as `listt` chose it: a later origin's command
    // replaces an earlier one's of the same row name, and a shortcut replaces both.
    struct Held {
        const RunOrigin* origin = nullptr;  // null: a held shortcut
        std::wstring name;                  // the Run value's name, or the shortcut's file name
    };
    std::map<std::wstring, Held> rows;
    for (const RunOrigin& origin : kRunOrigins) {
        for (auto& [name, command] : StoreReadSection(ctx.os, origin.section))
            rows[name + std::wstring(origin.listSuffix)] = {&origin, name};
    }
    for (const std::wstring& file : ListShortcuts(ctx.os, ctx.programFolder))
        rows[ShortcutEntryName(file)] = {nullptr, file};

    // What Windows holds now and has therefore started: an entry the user switched off in Task
    // Manager was not started, so its held copy still is.
    std::map<const RunOrigin*, std::set<std::wstring, RegistryNameLess>> standing;
    for (const RunOrigin& origin : kRunOrigins) {
        const auto disabled = DisabledByUser(ctx.os, origin.root, origin.approvedKey);
        auto& names = standing[&origin];
        for (std::wstring& name : Registry::EnumValues(ctx.os, origin.root, origin.runKey)) {
            if (!disabled.contains(name)) names.insert(std::move(name));
        }
    }
    const auto disabledShortcuts =
        DisabledByUser(ctx.os, HKEY_CURRENT_USER, kApprovedStartupFolderKey);
    const auto startedByWindows = [&](const Held& held) {
        if (held.origin) return standing[held.origin].contains(held.name);
        return !startUp.empty() && !disabledShortcuts.contains(held.name) &&
               ctx.os.FileAttributes(std::wstring(startUp) + held.name) != INVALID_FILE_ATTRIBUTES;
    };

    for (size_t i = list.Count(); i-- > 0;) {
        const auto it = rows.find(list.names.Item(i));
        if (it == rows.end() || !startedByWindows(it->second)) continue;
        list.names.Remove(static_cast<long long>(i));
        list.commands.Remove(static_cast<long long>(i));
    }
}

}  // namespace tarnwick

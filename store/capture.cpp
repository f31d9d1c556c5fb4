#include "capture.h"

#include "convert.h"
#include "registry.h"
#include "settings_store.h"
#include "shortcuts.h"

#include <map>
#include <optional>

namespace tarnwick {
namespace {

struct Origin {
    HKEY root;
    std::wstring_view section;
};

const Origin kOrigins[] = {{HKEY_LOCAL_MACHINE, kMachineSection},
                           {HKEY_CURRENT_USER, kUserSection}};

HKEY RootOf(std::wstring_view section) {
    return section == kMachineSection ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// What a store section held before this capture, so that a failed removal from a Run key can be
// undone. Empty when the section could not be read: nothing of that origin is captured then.
std::optional<std::map<std::wstring, std::wstring, RegistryNameLess>> SectionBefore(
    Os& os, std::wstring_view section) {
    bool complete = false;
    auto pairs = StoreReadSection(os, section, &complete);
    if (!complete) return std::nullopt;
    std::map<std::wstring, std::wstring, RegistryNameLess> before;
    for (auto& [key, text] : pairs) before.emplace(std::move(key), std::move(text));
    return before;
}

// One entry into the store and out of its Run key, or not at all.
void CaptureOne(Os& os, const CaptureSlot& slot,
                const std::map<std::wstring, std::wstring, RegistryNameLess>& before) {
    if (StoreWrite(os, slot.origin, slot.name, slot.command) != ERROR_SUCCESS) return;
    const LSTATUS rc = Registry::DeleteValue(os, RootOf(slot.origin), kRunKey, slot.name);
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return;
    // The Run value stays (a standard user cannot write the machine key): take the store back,
    // or Windows and the launcher would both start the program.
    if (const auto it = before.find(slot.name); it != before.end()) {
        StoreWrite(os, slot.origin, slot.name, it->second);
    } else {
        StoreDelete(os, slot.origin, slot.name);
    }
}

}  // namespace

bool IsAcceptedEntry(std::wstring_view name, std::wstring_view command) {
    if (name == kLauncherValueName) return false;
    if (ToLower(name) == L"taskbar display controls") return false;
    // The six characters are taken before trimming: " rundll32" is captured.
    return TrimSpaces(ToLower(command.substr(0, 6))) != L"rundll";
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
    size_t last = 0;
    for (const Origin& origin : kOrigins) {
        const bool machine = origin.root == HKEY_LOCAL_MACHINE;
        const auto disabled = DisabledByUser(os, origin.root, kApprovedRunKey);
        // One read of the whole key: names with their type and text.
        std::vector<NamedRegValue> values;
        os.EnumValues(origin.root, kRunKey, values);
        for (size_t i = 0; i < values.size(); ++i) {
            const size_t slot = machine ? i : last + i + 1;
            if (machine) last = i;
            if (slot >= kCaptureSlots) break;
            const NamedRegValue& v = values[i];
            if (v.name.empty()) continue;  // the unnamed default value is never taken
            // Only a plain string is taken; an expandable string or any other type stays with
            // Windows rather than being removed on the strength of a text we cannot start.
            if (v.value.type != REG_SZ) continue;
            if (disabled.contains(v.name)) continue;
            table[slot] = {std::wstring(origin.section), v.name, DecodeRegString(v.value.data)};
        }
    }
    return table;
}

void CaptureRunValues(const StoreContext& ctx, size_t lastSlot) {
    const std::vector<CaptureSlot> table = ReadRunValues(ctx.os);
    const auto machineBefore = SectionBefore(ctx.os, kMachineSection);
    const auto userBefore = SectionBefore(ctx.os, kUserSection);
    for (size_t k = 0; k <= lastSlot && k < table.size(); ++k) {
        const CaptureSlot& slot = table[k];
        if (slot.origin.empty() || !IsAcceptedEntry(slot.name, slot.command)) continue;
        const auto& before = slot.origin == kMachineSection ? machineBefore : userBefore;
        if (before) CaptureOne(ctx.os, slot, *before);
    }
}

std::wstring LauncherCommand(std::wstring_view programFolder) {
    return std::wstring(programFolder) + L"\\Tarnwick";
}

void RegisterLauncher(const StoreContext& ctx) {
    if (ctx.programFolder.empty()) return;
    Registry::SetValue(ctx.os, HKEY_LOCAL_MACHINE, kRunKey, kLauncherValueName,
                       LauncherCommand(ctx.programFolder));
}

void SweepStartUpFolder(const StoreContext& ctx, std::wstring_view startUp) {
    // Without a program folder the target would be the drive's root.
    if (ctx.programFolder.empty() || startUp.empty()) return;
    const auto disabled = DisabledByUser(ctx.os, HKEY_CURRENT_USER, kApprovedStartupFolderKey);
    for (const std::wstring& file : ListShortcuts(ctx.os, startUp)) {
        if (disabled.contains(file)) continue;
        ctx.os.MoveFile(std::wstring(startUp) + file, ctx.programFolder + L"\\" + file);
    }
}

std::wstring CaptureStartupEntries(const StoreContext& ctx) {
    CaptureRunValues(ctx);
    RegisterLauncher(ctx);
    std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
    SweepStartUpFolder(ctx, startUp);
    return startUp;
}

}  // namespace tarnwick

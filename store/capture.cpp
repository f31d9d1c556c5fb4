#include "capture.h"

#include "convert.h"
#include "registry.h"
#include "settings_store.h"
#include "shortcuts.h"

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

// One entry into the store and out of its Run key, or not at all.
void CaptureOne(Os& os, const CaptureSlot& slot) {
    const HKEY root = RootOf(slot.origin);
    const std::wstring sectionKey = StoreSectionKey(slot.origin);
    // What the store held before, so that a failed removal from the Run key can be undone.
    const StringRead previous = Registry::ReadString(os, HKEY_CURRENT_USER, sectionKey, slot.name);
    if (previous.status == ReadStatus::Failed) return;
    if (StoreWrite(os, slot.origin, slot.name, slot.command) != ERROR_SUCCESS) return;
    const LSTATUS rc = Registry::DeleteValue(os, root, kRunKey, slot.name);
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return;
    // The Run value stays (a standard user cannot write the machine key): take the store back,
    // or Windows and the launcher would both start the program.
    if (previous.status == ReadStatus::Found) {
        StoreWrite(os, slot.origin, slot.name, previous.text);
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

bool IsDisabledByUser(Os& os, HKEY root, std::wstring_view approvedKey, std::wstring_view name) {
    RegValue value;
    if (os.QueryValue(root, approvedKey, name, value) != ERROR_SUCCESS) return false;
    return value.type == REG_BINARY && !value.data.empty() && (value.data[0] & 1) != 0;
}

std::vector<CaptureSlot> ReadRunValues(Os& os) {
    std::vector<CaptureSlot> table(kCaptureSlots);
    size_t last = 0;
    for (const Origin& origin : kOrigins) {
        const bool machine = origin.root == HKEY_LOCAL_MACHINE;
        const std::vector<std::wstring> names = Registry::EnumValues(os, origin.root, kRunKey);
        for (size_t i = 0; i < names.size(); ++i) {
            const size_t slot = machine ? i : last + i + 1;
            if (machine) last = i;
            if (slot >= kCaptureSlots) break;
            const std::wstring& name = names[i];
            if (name.empty()) continue;  // the unnamed default value is never taken
            // Only a plain string read whole is taken; anything else stays with Windows rather
            // than being removed on the strength of a text we could not read.
            StringRead read = Registry::ReadString(os, origin.root, kRunKey, name);
            if (read.status != ReadStatus::Found) continue;
            if (IsDisabledByUser(os, origin.root, kApprovedRunKey, name)) continue;
            table[slot] = {std::wstring(origin.section), name, std::move(read.text)};
        }
    }
    return table;
}

void CaptureRunValues(const StoreContext& ctx, size_t lastSlot) {
    const std::vector<CaptureSlot> table = ReadRunValues(ctx.os);
    for (size_t k = 0; k <= lastSlot && k < table.size(); ++k) {
        const CaptureSlot& slot = table[k];
        if (!slot.origin.empty() && IsAcceptedEntry(slot.name, slot.command))
            CaptureOne(ctx.os, slot);
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

void SweepStartUpFolder(const StoreContext& ctx) {
    // Without a program folder the target would be the drive's root.
    if (ctx.programFolder.empty()) return;
    const std::wstring startUp = StartUpFolder(ctx.os, ctx.owner);
    if (startUp.empty()) return;
    for (const std::wstring& file : ListShortcuts(ctx.os, startUp)) {
        if (IsDisabledByUser(ctx.os, HKEY_CURRENT_USER, kApprovedStartupFolderKey, file)) continue;
        ctx.os.MoveFile(startUp + file, ctx.programFolder + L"\\" + file);
    }
}

void CaptureStartupEntries(const StoreContext& ctx) {
    CaptureRunValues(ctx);
    RegisterLauncher(ctx);
    SweepStartUpFolder(ctx);
}

}  // namespace tarnwick

#include "other_program.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"

#include <thread>
#include <tuple>

namespace tarnwick::testing {

bool HeldElsewhere() {
    OwnedMutex mine;
    return SystemOs().LockHoldings(0, mine) == ERROR_TIMEOUT;
}

bool RunWithAnotherAt(size_t step, FaultyOs& os, const std::function<void()>& outer,
                      const std::function<void()>& other) {
    size_t changes = 0;
    os.rule = [&](const Call& call) -> DWORD {
        if (call.Changes() && changes++ == step) std::thread(other).join();
        return 0;
    };
    outer();
    os.rule = nullptr;
    return changes > step;
}

StartUpWorld::StartUpWorld(bool held) {
    if (held) {
        SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(Folder()));
        StoreWrite(SystemOs(), kMachineSection, L"Sync", L"C:\\sync.exe");
        StoreWrite(SystemOs(), kUserSection, L"Chat", L"C:\\chat.exe");
        std::filesystem::create_directories(box_.folders.held);
        WriteFile(box_.folders.held / L"Notes.lnk");
    } else {
        SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Sync", L"C:\\sync.exe");
        SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
        WriteFile(box_.folders.startUp / L"Notes.lnk");
    }
}

Places StartUpWorld::Where() const {
    const auto place = [](bool back, bool held) -> std::wstring {
        return back ? (held ? L"both" : L"back") : (held ? L"held" : L"nowhere");
    };
    Places places;
    for (const auto& [root, section, name] :
         {std::tuple{HKEY_LOCAL_MACHINE, kMachineSection, L"Sync"},
          std::tuple{HKEY_CURRENT_USER, kUserSection, L"Chat"}}) {
        places[name] =
            place(Registry::ReadString(SystemOs(), root, kRunKey, name).status == ReadStatus::Found,
                  !StoreRead(SystemOs(), section, name, L"").empty());
    }
    places[L"Notes"] = place(std::filesystem::exists(box_.folders.startUp / L"Notes.lnk"),
                             std::filesystem::exists(box_.folders.held / L"Notes.lnk"));
    places[L"launcher"] = LauncherInPlace(SystemOs(), Folder()) ? L"registered" : L"gone";
    return places;
}

Places Everything(const std::wstring& place, const std::wstring& launcher) {
    return {{L"Sync", place}, {L"Chat", place}, {L"Notes", place}, {L"launcher", launcher}};
}

bool SomethingLost(const std::vector<Places>& runs) {
    for (const Places& places : runs) {
        for (const auto& entry : places) {
            if (entry.second == L"nowhere") return true;
        }
    }
    return false;
}

}  // namespace tarnwick::testing

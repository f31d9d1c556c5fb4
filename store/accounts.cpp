#include "accounts.h"

#include "convert.h"
#include "folder_path.h"
#include "registry.h"

#include <array>
#include <cwctype>

namespace tarnwick {
namespace {

// A shell folder as an account's hive records it: the expandable value of "User Shell Folders",
// else the plain path that the shell last wrote to "Shell Folders". No trailing backslash; empty
// when neither tells.
template <typename Expand>
std::wstring HiveShellFolder(Os& os, const Hive& hive, std::wstring_view value,
                             const Expand& expand) {
    for (const std::wstring_view key : {kUserShellFoldersKey, kShellFoldersKey}) {
        RegValue raw;
        if (os.QueryValue(hive.root, hive.Key(key), value, raw) != ERROR_SUCCESS) continue;
        if (raw.type != REG_SZ && raw.type != REG_EXPAND_SZ) continue;
        const std::wstring path = expand(DecodeRegString(raw.data));
        if (const std::wstring_view folder = WithoutTrailingBackslash(path); !folder.empty())
            return std::wstring(folder);
    }
    return {};
}

std::wstring UpperCase(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
    return upper;
}

}  // namespace

std::wstring HeldShortcutFolder(Os& os, HWND owner) {
    // Read as the shell reads it, from the account's own shell folders and its own environment:
    // a registry read, where the shell's lookup would be the dearest call of a log-on.
    const std::wstring recorded =
        HiveShellFolder(os, UserHive(), L"AppData", [&os](std::wstring_view text) {
            std::wstring path = ExpandEnvironment(os, text);
            return path.find(L'%') == std::wstring::npos ? path : std::wstring();
        });
    if (!recorded.empty()) return JoinPath(recorded, kHeldShortcutsFolder);
    const std::wstring appData = SpecialFolderPath(os, owner, kCsidlAppData);
    return appData.empty() ? std::wstring() : JoinPath(appData, kHeldShortcutsFolder);
}

std::wstring MakeHeldShortcutFolder(Os& os, HWND owner) {
    std::wstring folder = HeldShortcutFolder(os, owner);
    if (folder.empty()) return folder;
    // Two levels below the application-data folder; an existing one is fine.
    os.CreateDirectory(ParentOf(folder));
    os.CreateDirectory(folder);
    return IsFolder(os, folder) ? folder : std::wstring();
}

bool IsPersonsAccount(std::wstring_view sid) {
    const std::wstring upper = UpperCase(sid);
    return upper.starts_with(L"S-1-5-21-") || upper.starts_with(L"S-1-12-1-");
}

std::vector<ProfileEntry> OtherAccounts(Os& os, DWORD& status) {
    std::vector<ProfileEntry> accounts;
    std::wstring self;
    status = os.CurrentAccountSid(self);
    // Without its own SID the running account could be taken for another one.
    if (status != ERROR_SUCCESS) return accounts;
    std::vector<std::wstring> sids;
    status = static_cast<DWORD>(os.EnumKeys(HKEY_LOCAL_MACHINE, kProfileListKey, sids));
    if (IsNotThere(status)) status = ERROR_SUCCESS;
    for (std::wstring& sid : sids) {
        if (EqualsIgnoringCase(sid, self) || !IsPersonsAccount(sid)) continue;
        RegValue raw;
        std::wstring profile;
        if (os.QueryValue(HKEY_LOCAL_MACHINE, std::wstring(kProfileListKey) + L"\\" + sid,
                          L"ProfileImagePath", raw) == ERROR_SUCCESS &&
            (raw.type == REG_SZ || raw.type == REG_EXPAND_SZ)) {
            profile = ExpandFor(os, DecodeRegString(raw.data), {});
            profile.resize(WithoutTrailingBackslash(profile).size());
        }
        accounts.push_back({std::move(sid), std::move(profile)});
    }
    return accounts;
}

std::wstring ExpandFor(Os& os, std::wstring_view text,
                       const std::map<std::wstring, std::wstring>& values) {
    static constexpr std::array<std::wstring_view, 6> kMachineVariables = {
        L"SYSTEMDRIVE", L"SYSTEMROOT", L"WINDIR", L"PROGRAMDATA", L"ALLUSERSPROFILE", L"PUBLIC"};
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const size_t open = text.find(L'%', i);
        if (open == text.npos) {
            out += text.substr(i);
            break;
        }
        const size_t close = text.find(L'%', open + 1);
        if (close == text.npos) return {};
        out += text.substr(i, open - i);
        const std::wstring name = UpperCase(text.substr(open + 1, close - open - 1));
        std::wstring value;
        for (const auto& [key, given] : values) {
            if (UpperCase(key) == name) value = given;
        }
        if (value.empty()) {
            bool machine = false;
            for (const std::wstring_view variable : kMachineVariables) machine |= variable == name;
            if (!machine) return {};
            if (os.EnvironmentVariable(name, value) != ERROR_SUCCESS || value.empty()) return {};
        }
        out += value;
        i = close + 1;
    }
    return out;
}

AccountPlaces PlacesInHive(Os& os, const Hive& hive, std::wstring_view profile) {
    AccountPlaces places;
    places.hive = hive;
    if (profile.empty()) return places;
    std::map<std::wstring, std::wstring> values{{L"USERPROFILE", std::wstring(profile)}};
    const auto expand = [&](std::wstring_view text) { return ExpandFor(os, text, values); };
    const std::wstring appData = HiveShellFolder(os, hive, L"AppData", expand);
    if (!appData.empty()) {
        places.held = JoinPath(appData, kHeldShortcutsFolder);
        values.emplace(L"APPDATA", appData);
    }
    const std::wstring startMenu = HiveShellFolder(os, hive, L"Start Menu", expand);
    if (!startMenu.empty()) places.startUp = JoinPath(startMenu, L"Programs\\StartUp");
    return places;
}

AccountPlaces RunningAccountPlaces(Os& os, HWND owner) {
    AccountPlaces places;
    places.hive = UserHive();
    places.startUp = StartUpFolder(os, owner);
    places.held = HeldShortcutFolder(os, owner);
    return places;
}

AccountPlaces OtherAccountPlaces(Os& os, const Hive& hive, const ProfileEntry& account) {
    AccountPlaces places = PlacesInHive(os, hive, account.profile);
    places.name = AccountName(account);
    places.profile = account.profile;
    return places;
}

Status CheckInsideProfile(Os& os, std::wstring_view profile, std::wstring_view path) {
    path = WithoutTrailingBackslash(path);
    if (profile.empty() || path.size() <= profile.size() + 1 ||
        !EqualsIgnoringCase(path.substr(0, profile.size()), profile) ||
        path[profile.size()] != L'\\' || path.find(L'/') != path.npos) {
        return kLeadsElsewhere;
    }
    for (size_t end = profile.size(); end != path.npos;) {
        const size_t start = end + 1;
        end = path.find(L'\\', start);
        const std::wstring_view part = path.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return kLeadsElsewhere;
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        const Status rc = os.FileAttributes(path.substr(0, end), attributes);
        if (IsNotThere(rc)) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return kLeadsElsewhere;
    }
    return ERROR_SUCCESS;
}

std::wstring FileOwnerAccount(Os& os, const std::wstring& path,
                              const std::vector<ProfileEntry>& others) {
    std::wstring owner;
    if (os.FileOwner(path, owner) != ERROR_SUCCESS) return {};
    for (const ProfileEntry& account : others) {
        if (EqualsIgnoringCase(account.sid, owner)) return account.sid;
    }
    return {};
}

std::wstring LoadedHiveName(std::wstring_view sid) {
    return L"Tarnwick." + std::wstring(sid);
}

std::wstring AccountName(const ProfileEntry& account) {
    const std::wstring_view name = LastPartOf(account.profile);
    return name.empty() ? account.sid : std::wstring(name);
}

AccountHive::AccountHive(Os& os, const ProfileEntry& account) : os_(os) {
    hive_.root = HKEY_USERS;
    // A logged-on account's hive is where Windows loaded it; its own keys are read there.
    std::vector<std::wstring> keys;
    if (os.EnumKeys(HKEY_USERS, account.sid, keys) == ERROR_SUCCESS) {
        hive_.prefix = account.sid + L"\\";
        return;
    }
    if (account.profile.empty()) {
        status_ = ERROR_PATH_NOT_FOUND;
        return;
    }
    loadedName_ = LoadedHiveName(account.sid);
    status_ =
        static_cast<DWORD>(os.LoadHive(loadedName_, JoinPath(account.profile, L"NTUSER.DAT")));
    loaded_ = status_ == ERROR_SUCCESS;
    if (loaded_) hive_.prefix = loadedName_ + L"\\";
    if (!IsNotThere(status_)) return;
    // Profile lists keep entries of accounts whose folders are long gone; such an account holds
    // nothing that could be given back, and must not keep Tarnwick installed for ever. But a
    // profile on a drive that is not there now (a removable disk, a network share) is unreachable,
    // not empty: its folder's parent tells the two apart.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    const DWORD folder = os.FileAttributes(account.profile, attributes);
    if (folder == ERROR_SUCCESS) {
        absent_ = true;  // the folder is there without a hive file: nothing of it to give back
    } else if (IsNotThere(folder)) {
        const std::wstring_view above = ParentOf(account.profile);
        const DWORD parent =
            above.empty() ? DWORD{ERROR_PATH_NOT_FOUND} : os.FileAttributes(above, attributes);
        absent_ = parent == ERROR_SUCCESS;
        if (!absent_) status_ = IsNotThere(parent) ? DWORD{ERROR_NOT_READY} : parent;
    } else {
        status_ = folder;
    }
    if (absent_) status_ = ERROR_SUCCESS;
}

AccountHive::~AccountHive() {
    Release();
}

DWORD AccountHive::Release() {
    if (!loaded_) return ERROR_SUCCESS;
    DWORD rc = os_.UnloadHive(loadedName_);
    // A moment's handle of the system's on a key of the hive fails the first unload.
    if (rc != ERROR_SUCCESS) rc = os_.UnloadHive(loadedName_);
    loaded_ = false;
    return rc;
}

}  // namespace tarnwick

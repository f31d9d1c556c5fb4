// The accounts of one machine as Tarnwick reaches them: the running account's places, and every
// other account's hive and folders, which only the give-back of the whole machine ever touches.
// Everything an account owns is reached through its own hive and its own profile folder, never
// through the running program's environment.
#pragma once

#include "os.h"
#include "settings_store.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Below an account's application-data folder: the folder in which Tarnwick keeps the shortcuts it
// took from that account's StartUp folder. It roams with the account's own store.
inline constexpr std::wstring_view kHeldShortcutsFolder = L"Tarnwick\\StartUp";

inline constexpr int kCsidlAppData = 0x1a;

inline constexpr std::wstring_view kProfileListKey =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr std::wstring_view kUserShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr std::wstring_view kShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The running account's folder of held shortcuts (no trailing backslash), or empty when its
// application-data folder cannot be resolved.
std::wstring HeldShortcutFolder(Os& os, HWND owner);

// Creates the running account's folder of held shortcuts where it is missing; its path, or empty
// when it cannot be resolved or made.
std::wstring MakeHeldShortcutFolder(Os& os, HWND owner);

// One account's places.
struct AccountPlaces {
    // How the reports name the account: its profile folder's name. Empty for the running one.
    std::wstring name;
    Hive hive;
    std::wstring startUp;  // its StartUp folder, no trailing backslash; empty: not resolved
    std::wstring held;     // its folder of held shortcuts, no trailing backslash; empty: the same
    // Another account's profile folder, as the machine's profile list names it: everything done
    // to that account's files stays inside it. Empty for the running account.
    std::wstring profile;
};

// An account with a profile on this machine: a person's, not one of the system's own.
struct ProfileEntry {
    std::wstring sid;
    std::wstring profile;  // its profile folder, expanded; empty when it could not be read
};

// A person's account, local or of a domain (S-1-5-21-...) or of Entra ID (S-1-12-1-...), as
// opposed to the system's own (LocalSystem, LocalService, NetworkService and the like).
bool IsPersonsAccount(std::wstring_view sid);

// Every account in the machine's profile list but the running one and the system's own.
// `status` receives the listing's status.
std::vector<ProfileEntry> OtherAccounts(Os& os, DWORD& status);

// `text` with every %NAME% replaced from `values` (names compared without regard to letter case)
// or, for the machine's own variables (SystemDrive, SystemRoot, windir, ProgramData,
// ALLUSERSPROFILE, PUBLIC), from the environment. Empty when it names any other variable: an
// account's folders are never guessed from the running program's environment. The environment is
// read through `os`.
std::wstring ExpandFor(Os& os, std::wstring_view text,
                       const std::map<std::wstring, std::wstring>& values);

// An account's places read from its own hive: its shell folders, expanded with its own profile
// folder. `startUp` and `held` stay empty where the hive does not tell.
AccountPlaces PlacesInHive(Os& os, const Hive& hive, std::wstring_view profile);

// Every place of the running account that a give-back needs, found at once: its own hive, its
// StartUp folder and its folder of held shortcuts.
AccountPlaces RunningAccountPlaces(Os& os, HWND owner);
// The same for another account, through the hive reached for it (`AccountHive`): named as the
// reports name it, with its profile folder, which nothing done for it may leave.
AccountPlaces OtherAccountPlaces(Os& os, const Hive& hive, const ProfileEntry& account);

// Whether an elevated program may touch `path` for the account whose profile folder is
// `profile`: ERROR_SUCCESS when it lies inside that folder, written plainly (no "." or ".."
// part), and nothing of it below the profile folder is a junction or a symbolic link; else
// kLeadsElsewhere, or the error met while looking. An account chooses its own shell folders, so
// without this it could send an administrator's moves into any folder of the machine. A part that
// does not exist ends the check: nothing below it can lead anywhere.
Status CheckInsideProfile(Os& os, std::wstring_view profile, std::wstring_view path);

// The account that owns a file: the SID of the one of `others` that owns it, else empty for the
// running account. A file owned by the running account, by the administrators or the system, by an
// account this machine does not list, or whose owner cannot be read, is the running account's.
std::wstring FileOwnerAccount(Os& os, const std::wstring& path,
                              const std::vector<ProfileEntry>& others);

// Another account's hive for as long as the object lives: the hive of a logged-on account where
// Windows has it loaded already (HKEY_USERS\<SID>), else its NTUSER.DAT, loaded under a name of
// Tarnwick's own and unloaded again when the object goes.
class AccountHive {
  public:
    AccountHive(Os& os, const ProfileEntry& account);
    ~AccountHive();
    AccountHive(const AccountHive&) = delete;
    AccountHive& operator=(const AccountHive&) = delete;

    // ERROR_SUCCESS when the hive can be read or is not there at all; else why it cannot be read.
    DWORD Status() const { return status_; }
    // The account has no hive file (a profile list entry whose folder was deleted while the
    // folder that held it is still there): it holds nothing on this machine.
    bool Absent() const { return absent_; }
    const Hive& Reached() const { return hive_; }
    bool Loaded() const { return loaded_; }
    // Lets go of a hive that was loaded, trying once more when the first unload fails: a hive left
    // loaded keeps its account from its own profile at its next log-on. ERROR_SUCCESS when nothing
    // is left loaded; after it the object holds nothing.
    DWORD Release();

  private:
    Os& os_;
    Hive hive_;
    std::wstring loadedName_;
    DWORD status_ = ERROR_SUCCESS;
    bool loaded_ = false;
    bool absent_ = false;
};

// The name under HKEY_USERS at which Tarnwick loads an account's hive that Windows has not
// loaded: never the SID itself, which Windows would then find taken when the account logs on.
std::wstring LoadedHiveName(std::wstring_view sid);

// The reports' name for an account: the last part of its profile folder, else its SID.
std::wstring AccountName(const ProfileEntry& account);

}  // namespace tarnwick

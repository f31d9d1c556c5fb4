// Several accounts on one machine: the give-back of the whole machine reaches every account's own
// programs through its own hive and folders, and nothing of one account is ever another's. The
// other accounts are made in the sandbox: the machine's profile list, a logged-on account's hive
// under HKEY_USERS, and the hive file of one that is not logged on, which a test double loads and
// unloads as Windows would (keeping what was written to it).
#include "accounts.h"

#include "capture.h"
#include "launch_list.h"
#include "options.h"
#include "reasons.h"
#include "registry.h"
#include "reports.h"
#include "restore.h"
#include "run_origins.h"
#include "settings_store.h"

#include "faulty_os.h"
#include "sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Values = std::map<std::wstring, std::wstring>;
using testing::Call;
using testing::Op;

constexpr std::wstring_view kSelf = L"S-1-5-21-7-7-7-1000";
constexpr std::wstring_view kLoggedOn = L"S-1-5-21-7-7-7-1001";  // "Bea", logged on
constexpr std::wstring_view kAway = L"S-1-5-21-7-7-7-1002";      // "Cai", not logged on
constexpr std::wstring_view kRoaming = L"S-1-5-21-7-7-7-1003";   // "Dev", a hive that won't load
constexpr std::wstring_view kGone = L"S-1-5-21-7-7-7-1004";      // "Eve", folder deleted long ago
// "Fay", an Entra ID account, not logged on, whose hive file lies in its profile folder.
constexpr std::wstring_view kEntra = L"S-1-12-1-3000-4000-5000-6000";

Values KeyValues(HKEY root, std::wstring_view key) {
    Values values;
    for (const auto& v : testing::DumpKey(root, key)) values[v.name] = DecodeRegString(v.data);
    return values;
}

// The accounts seam as a machine with three more accounts shows it. A hive that is not logged on
// lies in a key of the sandbox ("hive files"), which LoadHive copies under HKEY_USERS and
// UnloadHive copies back, as Windows writes a loaded hive back to its file.
class MachineOfFour : public testing::ForwardingOs {
  public:
    using ForwardingOs::ForwardingOs;
    std::wstring holding;  // the sandbox key that holds the hive files, by profile folder name
    bool roamingLoads = false;
    std::vector<std::wstring> loaded;  // names under HKEY_USERS loaded and not yet unloaded
    bool entraLoads = true;
    int unloadFailures = 0;  // how many unloads still fail before one goes through
    // Stand-ins for what Wine cannot show: paths that are junctions, owners of files.
    std::vector<fs::path> junctions;
    std::map<std::wstring, std::wstring> owners;  // file name -> owner SID

    Status FileAttributes(std::wstring_view path, DWORD& attributes) override {
        const Status rc = ForwardingOs::FileAttributes(path, attributes);
        for (const fs::path& junction : junctions) {
            if (rc == ERROR_SUCCESS && fs::path(path) == junction)
                attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        }
        return rc;
    }
    Status FileOwner(std::wstring_view path, std::wstring& sid) override {
        const auto it = owners.find(fs::path(path).filename().wstring());
        if (it == owners.end()) return ForwardingOs::FileOwner(path, sid);
        sid = it->second;
        return ERROR_SUCCESS;
    }

    Status CurrentAccountSid(std::wstring& sid) override {
        sid = kSelf;
        return ERROR_SUCCESS;
    }
    Status AdminRights() override { return ERROR_SUCCESS; }
    Status LoadHive(std::wstring_view name, std::wstring_view file) override {
        const fs::path path(file);
        const std::wstring account = path.parent_path().filename().wstring();
        if (path.filename() != L"NTUSER.DAT") return ERROR_FILE_NOT_FOUND;
        if (account == L"Dev" && !roamingLoads) return ERROR_BAD_NETPATH;
        if (account == L"Fay" && !entraLoads) return ERROR_ACCESS_DENIED;
        UniqueHKey from, to;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, (holding + L"\\" + account).c_str(), 0, KEY_READ,
                            from.put()) != ERROR_SUCCESS) {
            return ERROR_FILE_NOT_FOUND;
        }
        ::RegCreateKeyExW(HKEY_USERS, std::wstring(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, to.put(), nullptr);
        ::RegCopyTreeW(from.get(), nullptr, to.get());
        loaded.emplace_back(name);
        return ERROR_SUCCESS;
    }
    Status UnloadHive(std::wstring_view name) override {
        if (unloadFailures > 0) {
            --unloadFailures;
            return ERROR_ACCESS_DENIED;
        }
        std::erase(loaded, std::wstring(name));
        const std::wstring account = std::wstring(name) == LoadedHiveName(kAway)    ? L"Cai"
                                     : std::wstring(name) == LoadedHiveName(kEntra) ? L"Fay"
                                                                                    : L"Dev";
        const std::wstring file = holding + L"\\" + account;
        ::RegDeleteTreeW(HKEY_CURRENT_USER, file.c_str());
        UniqueHKey from, to;
        ::RegOpenKeyExW(HKEY_USERS, std::wstring(name).c_str(), 0, KEY_READ, from.put());
        ::RegCreateKeyExW(HKEY_CURRENT_USER, file.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          to.put(), nullptr);
        ::RegCopyTreeW(from.get(), nullptr, to.get());
        from.reset();
        ::RegDeleteTreeW(HKEY_USERS, std::wstring(name).c_str());
        return ERROR_SUCCESS;
    }
};

class AccountsTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    MachineOfFour machine{SystemOs()};
    testing::FaultyOs os{machine};
    StoreContext ctx{os, box.ProgramFolder()};
    fs::path profiles = box.folders.root / L"Users";

    void SetUp() override {
        machine.holding = box.registry.Path() + L"\\hive files";
        Profile(L"S-1-5-18", L"%SystemRoot%\\system32\\config\\systemprofile");
        Profile(kSelf, (profiles / L"Ann").wstring());
        Account(kLoggedOn, L"Bea", HKEY_USERS, std::wstring(kLoggedOn) + L"\\");
        Account(kAway, L"Cai", HKEY_CURRENT_USER, machine.holding + L"\\Cai\\");
        Account(kRoaming, L"Dev", HKEY_CURRENT_USER, machine.holding + L"\\Dev\\");
        Profile(kGone, (profiles / L"Eve").wstring());
        testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(ctx.programFolder));
    }

    void Profile(std::wstring_view sid, const std::wstring& folder) {
        testing::SetRaw(HKEY_LOCAL_MACHINE,
                        std::wstring(kProfileListKey) + L"\\" + std::wstring(sid),
                        L"ProfileImagePath", REG_EXPAND_SZ, folder.c_str(),
                        static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }

    // An account whose hive lies at `root`\`prefix`: its own programs held in its store and its
    // folder, its shell folders written as Windows writes them (expandable, from %USERPROFILE%).
    void Account(std::wstring_view sid, const std::wstring& name, HKEY root,
                 const std::wstring& prefix) {
        const fs::path profile = profiles / name;
        Profile(sid, profile.wstring());
        const auto expandable = [&](std::wstring_view value, std::wstring_view text) {
            const std::wstring data(text);
            testing::SetRaw(root, prefix + std::wstring(kUserShellFoldersKey), value, REG_EXPAND_SZ,
                            data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        };
        expandable(L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
        expandable(L"Start Menu", L"%APPDATA%\\Microsoft\\Windows\\Start Menu");
        fs::create_directories(StartUp(name));
        fs::create_directories(Held(name));
        testing::WriteFile(Held(name) / (name + L" Notes.lnk"),
                           "shortcut of " + std::string(name.begin(), name.end()));
        testing::SetSz(root, prefix + StoreSectionKey(kUserSection), name + L" Chat",
                       L"C:\\" + name + L"\\chat.exe");
        // What an earlier version took from the machine into this account's own store.
        testing::SetSz(root, prefix + StoreSectionKey(kMachineSection), name + L" Tray",
                       L"C:\\tray-" + name + L".exe");
    }
    fs::path StartUp(const std::wstring& name) const {
        return profiles / name /
               L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
    }
    fs::path Held(const std::wstring& name) const {
        return profiles / name / L"AppData\\Roaming\\Tarnwick\\StartUp";
    }
    Values HiveRun(std::wstring_view prefix, HKEY root = HKEY_USERS) {
        return KeyValues(root, std::wstring(prefix) + std::wstring(kRunKey));
    }
};

TEST_F(AccountsTest, TheMachinesGiveBackReachesEveryAccountThroughItsOwnHive) {
    StoreWrite(os, kMachineSection, L"Audio", L"C:\\audio.exe");
    StoreWrite(os, kUserSection, L"Ann Mail", L"C:\\ann\\mail.exe");
    // An earlier version of the running administrator's own: its elevation vouches for it.
    StoreWrite(os, UserHive(), kMachineSection, L"Ann Tray", L"C:\\tray-Ann.exe");

    RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(result.everyAccount);

    // The machine's and the running account's machine-wide ones into the machine's key; what any
    // other account's store holds, machine sections included, into that account's own key only.
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey),
              (Values{{L"Ann Tray", L"C:\\tray-Ann.exe"},
                      {L"Audio", L"C:\\audio.exe"},
                      {L"Veltane", LauncherCommand(ctx.programFolder)}}));
    EXPECT_TRUE(StoreReadSection(os, kMachineSection).empty());
    EXPECT_EQ(KeyValues(HKEY_CURRENT_USER, kRunKey), (Values{{L"Ann Mail", L"C:\\ann\\mail.exe"}}));
    EXPECT_EQ(HiveRun(std::wstring(kLoggedOn) + L"\\"),
              (Values{{L"Bea Chat", L"C:\\Bea\\chat.exe"}, {L"Bea Tray", L"C:\\tray-Bea.exe"}}));
    EXPECT_EQ(HiveRun(machine.holding + L"\\Cai\\", HKEY_CURRENT_USER),
              (Values{{L"Cai Chat", L"C:\\Cai\\chat.exe"}, {L"Cai Tray", L"C:\\tray-Cai.exe"}}))
        << "written into the hive while it was loaded, and kept when it was unloaded";
    EXPECT_EQ(testing::FileNames(StartUp(L"Bea")), std::vector<std::wstring>{L"Bea Notes.lnk"});
    EXPECT_EQ(testing::FileNames(StartUp(L"Cai")), std::vector<std::wstring>{L"Cai Notes.lnk"});
    EXPECT_TRUE(testing::FileNames(box.folders.startUp).empty()) << "no one else's shortcut here";
    EXPECT_TRUE(machine.loaded.empty()) << "every hive loaded was unloaded";
    // Each narrowed program is named with its account.
    const std::wstring notes = GiveBackNotesReport(result.notes);
    EXPECT_NE(notes.find(L"Account \"Bea\", \"Bea Tray\": held for the whole computer by an "
                         L"earlier version; it now starts for that account only."),
              std::wstring::npos)
        << notes;
    EXPECT_NE(notes.find(L"Account \"Cai\", \"Cai Tray\""), std::wstring::npos) << notes;

    // The roaming account's hive would not load: everything of it stays held, it is named, and the
    // registration stays, since its programs start only through the launcher. An account whose
    // hive file is gone with its folder holds nothing and keeps nothing back.
    EXPECT_FALSE(result.everythingBack);
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].kind, EntryKind::Account);
    EXPECT_EQ(result.held[0].account, L"Dev");
    const std::wstring line = EntryReportLine(result.held[0].name, result.held[0].kind, false,
                                              result.held[0].error, result.held[0].account);
    EXPECT_NE(line.find(L"\"Dev\""), std::wstring::npos) << line;
    EXPECT_EQ(testing::FileNames(Held(L"Dev")), std::vector<std::wstring>{L"Dev Notes.lnk"});

    // Once it can be reached, the next run finishes the job and only then unregisters.
    machine.roamingLoads = true;
    result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(result.everythingBack);
    EXPECT_TRUE(result.held.empty());
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).count(L"Veltane"), 0u);
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).count(L"Dev Tray"), 0u);
    EXPECT_EQ(testing::FileNames(StartUp(L"Dev")), std::vector<std::wstring>{L"Dev Notes.lnk"});
}

// A hostile account writes what it likes into its own hive and folders: a machine section, shell
// folders that lead into the all-users Start menu, a junction in its folder of held shortcuts. An
// administrator's give-back then takes no order from it: nothing of it reaches the machine's Run
// key or store or any folder outside its profile, nothing of it is deleted, and it is named.
TEST_F(AccountsTest, AHostileAccountsHiveAndFoldersSendTheGiveBackNowhereElse) {
    const fs::path allUsersStartUp =
        box.folders.root / L"ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp";
    fs::create_directories(allUsersStartUp);
    const std::wstring prefix = machine.holding + L"\\Fay\\";
    Account(kEntra, L"Fay", HKEY_CURRENT_USER, prefix);
    // Its Start menu, and with it its StartUp folder, is the all-users one.
    const std::wstring allUsers =
        (box.folders.root / L"ProgramData\\Microsoft\\Windows\\Start Menu").wstring();
    testing::SetRaw(HKEY_CURRENT_USER, prefix + std::wstring(kUserShellFoldersKey), L"Start Menu",
                    REG_EXPAND_SZ, allUsers.c_str(),
                    static_cast<DWORD>((allUsers.size() + 1) * sizeof(wchar_t)));
    testing::SetSz(HKEY_CURRENT_USER, prefix + StoreSectionKey(kMachine32Section), L"Fay Agent",
                   L"C:\\agent.exe");
    // Bea's folder of held shortcuts is a junction: Wine makes none, so the seam says it is one.
    machine.junctions.push_back(profiles / L"Bea\\AppData\\Roaming\\Tarnwick");
    const auto machineStore = [] {
        return KeyValues(HKEY_LOCAL_MACHINE, StoreSectionKey(kMachineSection)).size() +
               KeyValues(HKEY_LOCAL_MACHINE, StoreSectionKey(kMachine32Section)).size();
    };
    machine.roamingLoads = true;

    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey),
              (Values{{L"Veltane", LauncherCommand(ctx.programFolder)}}));
    EXPECT_EQ(machineStore(), 0u);
    EXPECT_TRUE(testing::FileNames(allUsersStartUp).empty());
    // Its values are its own: back in its own Run key. Its shortcut stays held, where it was.
    EXPECT_EQ(HiveRun(prefix, HKEY_CURRENT_USER), (Values{{L"Fay Agent", L"C:\\agent.exe"},
                                                          {L"Fay Chat", L"C:\\Fay\\chat.exe"},
                                                          {L"Fay Tray", L"C:\\tray-Fay.exe"}}));
    EXPECT_EQ(testing::FileNames(Held(L"Fay")), std::vector<std::wstring>{L"Fay Notes.lnk"});
    EXPECT_EQ(testing::FileNames(Held(L"Bea")), std::vector<std::wstring>{L"Bea Notes.lnk"});
    EXPECT_TRUE(testing::FileNames(StartUp(L"Bea")).empty());
    for (const Call& call : os.changes) {
        EXPECT_NE(call.op, Op::DeleteFile) << "nothing of an account is deleted";
        EXPECT_FALSE(call.op == Op::MoveFileInside && call.a.find(L"Fay") != std::wstring::npos)
            << "no move of Fay's files is even tried";
    }

    // Both are named, with the remedy; Tarnwick stays installed to keep starting them.
    EXPECT_FALSE(result.everythingBack);
    std::wstring report;
    for (const HeldEntry& entry : result.held)
        report +=
            EntryReportLine(entry.name, entry.kind, false, entry.error, entry.account) + L"\n";
    EXPECT_NE(report.find(L"Account \"Fay\", \"Fay Notes\" (a shortcut in its StartUp folder): "
                          L"its folders lead outside that account's own profile folder"),
              std::wstring::npos)
        << report;
    EXPECT_NE(report.find(L"Account \"Bea\", its held shortcuts"), std::wstring::npos) << report;
    EXPECT_NE(report.find(L"Log on as that account and open Tarnwick Settings"),
              std::wstring::npos);
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).count(L"Veltane"), 1u);
}

// Accounts that must not be taken for ones that hold nothing: an Entra ID account whose hive
// cannot be read, a profile on a drive that is not there. Each keeps Tarnwick installed and is
// named; a hive that will not unload at once is tried again, and one that never does is reported.
TEST_F(AccountsTest, EveryAccountCountsAndEveryHiveIsLetGo) {
    Account(kEntra, L"Fay", HKEY_CURRENT_USER, machine.holding + L"\\Fay\\");
    Profile(L"S-1-5-21-7-7-7-1005", L"Q:\\Users\\Gus");  // a drive that is not there
    machine.roamingLoads = true;
    machine.entraLoads = false;

    RestoreResult result = RestoreStartupEntries(ctx, false);
    std::map<std::wstring, DWORD> unreachable;
    for (const HeldEntry& entry : result.held) {
        EXPECT_EQ(entry.kind, EntryKind::Account) << entry.name;
        unreachable[entry.account] = entry.error;
    }
    EXPECT_EQ(unreachable, (std::map<std::wstring, DWORD>{{L"Fay", ERROR_ACCESS_DENIED},
                                                          {L"Gus", ERROR_NOT_READY}}));
    EXPECT_FALSE(result.everythingBack);
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).count(L"Veltane"), 1u);
    EXPECT_EQ(testing::FileNames(Held(L"Fay")), std::vector<std::wstring>{L"Fay Notes.lnk"});

    machine.entraLoads = true;
    machine.unloadFailures = 1;
    result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(machine.loaded.empty()) << "the second try let go of it";
    EXPECT_TRUE(result.notes.empty() ||
                result.notes.back().kind != GiveBackNote::Kind::HiveStillLoaded);
    EXPECT_EQ(testing::FileNames(StartUp(L"Fay")), std::vector<std::wstring>{L"Fay Notes.lnk"});

    // The first hive loaded fails both tries: the one account it keeps is reported, and no other.
    machine.unloadFailures = 2;
    result = RestoreStartupEntries(ctx, false);
    std::vector<std::wstring> stillLoaded;
    for (const GiveBackNote& note : result.notes) {
        if (note.kind == GiveBackNote::Kind::HiveStillLoaded) stillLoaded.push_back(note.account);
    }
    EXPECT_EQ(stillLoaded.size(), 1u) << GiveBackNotesReport(result.notes);
    EXPECT_NE(GiveBackNotesReport(result.notes).find(L"Windows could not let go of its settings"),
              std::wstring::npos);
}

// Shortcuts an earlier version kept in the program folder go to the account that owns the file;
// the administrators', the system's and those of no account of this machine to the running one.
TEST_F(AccountsTest, EarlierShortcutsInTheProgramFolderGoToTheAccountThatOwnsThem) {
    for (const wchar_t* file : {L"Mine.lnk", L"Beas.lnk", L"Admins.lnk", L"Nobodys.lnk"})
        testing::WriteFile(box.folders.program / file);
    machine.owners = {{L"Mine.lnk", std::wstring(kSelf)},
                      {L"Beas.lnk", std::wstring(kLoggedOn)},
                      {L"Admins.lnk", L"S-1-5-32-544"},
                      {L"Nobodys.lnk", L"S-1-5-21-9-9-9-1234"}};
    machine.roamingLoads = true;

    // The migration leaves Bea's where the give-back finds it.
    MoveEarlierHoldings(ctx);
    EXPECT_TRUE(fs::exists(box.folders.program / L"Beas.lnk"));
    EXPECT_FALSE(fs::exists(box.folders.program / L"Mine.lnk"));
    EXPECT_EQ(testing::FileNames(box.folders.held),
              (std::vector<std::wstring>{L"Admins.lnk", L"Mine.lnk", L"Nobodys.lnk"}));

    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_TRUE(result.everythingBack);
    EXPECT_EQ(testing::FileNames(StartUp(L"Bea")),
              (std::vector<std::wstring>{L"Bea Notes.lnk", L"Beas.lnk"}));
    EXPECT_EQ(testing::FileNames(box.folders.startUp),
              (std::vector<std::wstring>{L"Admins.lnk", L"Mine.lnk", L"Nobodys.lnk"}));
}

TEST_F(AccountsTest, WithoutAdministratorRightsOnlyTheRunningAccountsProgramsGoBack) {
    StoreWrite(os, kMachineSection, L"Audio", L"C:\\audio.exe");
    StoreWrite(os, kUserSection, L"Ann Mail", L"C:\\ann\\mail.exe");
    os.rule = testing::StandardUserRights(ctx.programFolder);

    const RestoreResult result = RestoreStartupEntries(ctx, false);
    EXPECT_FALSE(result.everyAccount);
    EXPECT_FALSE(result.everythingBack);
    EXPECT_EQ(KeyValues(HKEY_CURRENT_USER, kRunKey), (Values{{L"Ann Mail", L"C:\\ann\\mail.exe"}}));
    // The machine's program cannot go back and stays held; no other account was touched.
    ASSERT_EQ(result.held.size(), 1u);
    EXPECT_EQ(result.held[0].name, L"Audio");
    EXPECT_EQ(StoreRead(SystemOs(), kMachineSection, L"Audio", L""), L"C:\\audio.exe");
    EXPECT_TRUE(HiveRun(std::wstring(kLoggedOn) + L"\\").empty());
    EXPECT_EQ(testing::FileNames(Held(L"Bea")), std::vector<std::wstring>{L"Bea Notes.lnk"});
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).count(L"Veltane"), 1u);
}

TEST_F(AccountsTest, AnAccountsPlacesComeFromItsOwnHiveNeverFromThisEnvironment) {
    const Hive bea{HKEY_USERS, std::wstring(kLoggedOn) + L"\\"};
    const AccountPlaces places = PlacesInHive(os, bea, (profiles / L"Bea").wstring());
    EXPECT_EQ(places.held, Held(L"Bea").wstring());
    EXPECT_EQ(places.startUp, StartUp(L"Bea").wstring());

    EXPECT_EQ(ExpandFor(SystemOs(), L"%UserProfile%\\x", {{L"USERPROFILE", L"C:\\Users\\Bea"}}),
              L"C:\\Users\\Bea\\x");
    // This program's own %USERNAME% or %APPDATA% would be another account's: never used.
    EXPECT_EQ(ExpandFor(SystemOs(), L"C:\\Users\\%USERNAME%", {}), L"");
    EXPECT_EQ(ExpandFor(SystemOs(), L"%APPDATA%\\x", {}), L"");
    EXPECT_EQ(ExpandFor(SystemOs(), L"%unclosed", {}), L"");
    EXPECT_FALSE(ExpandFor(SystemOs(), L"%SystemDrive%\\Users", {}).starts_with(L"%"));

    DWORD status = 0xdeadbeef;
    std::vector<std::wstring> sids;
    for (const ProfileEntry& account : OtherAccounts(os, status)) sids.push_back(account.sid);
    EXPECT_EQ(status, static_cast<DWORD>(ERROR_SUCCESS));
    // Neither the running account nor the system's own profiles.
    EXPECT_EQ(sids, (std::vector<std::wstring>{std::wstring(kLoggedOn), std::wstring(kAway),
                                               std::wstring(kRoaming), std::wstring(kGone)}));
}

// What an earlier version held where it no longer belongs moves with administrator rights, all or
// nothing, and never over what is held at the new place already.
TEST_F(AccountsTest, EarlierHoldingsMoveToTheMachinesStoreAndTheAccountsFolder) {
    StoreWrite(os, UserHive(), kMachineSection, L"Tray", L"C:\\tray.exe");
    StoreWrite(os, UserHive(), kMachine32Section, L"Old", L"C:\\old32.exe");
    StoreWrite(os, UserHive(), kMachineSection, L"Clash", L"C:\\clash-old.exe");
    StoreWrite(os, kMachineSection, L"Clash", L"C:\\clash-new.exe");
    testing::WriteFile(box.folders.program / L"Notes.lnk");

    os.rule = testing::StandardUserRights(ctx.programFolder);
    MoveEarlierHoldings(ctx);
    EXPECT_EQ(StoreReadSection(os, UserHive(), kMachineSection).size(), 2u) << "nothing moved";
    EXPECT_TRUE(fs::exists(box.folders.program / L"Notes.lnk"));

    os.rule = nullptr;
    const std::vector<EntryLeft> left = MoveEarlierHoldings(ctx);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, L"Clash");
    EXPECT_EQ(StoreReadSection(os, UserHive(), kMachineSection),
              (std::vector<StorePair>{{L"Clash", L"C:\\clash-old.exe"}}));
    EXPECT_TRUE(StoreReadSection(os, UserHive(), kMachine32Section).empty());
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Tray", L""), L"C:\\tray.exe");
    EXPECT_EQ(StoreRead(os, kMachine32Section, L"Old", L""), L"C:\\old32.exe");
    EXPECT_EQ(testing::FileNames(box.folders.held), std::vector<std::wstring>{L"Notes.lnk"});

    // The one that stayed is still this account's to start, and the give-back still finds it.
    LaunchList list;
    listt(ctx, list);
    EXPECT_EQ(list.commands.Items(),
              (std::vector<std::wstring>{L"C:\\clash-new.exe", L"C:\\tray.exe", L"C:\\old32.exe",
                                         box.HeldFolder() + L"\\Notes.lnk"}));
    machine.roamingLoads = true;
    RestoreStartupEntries(ctx, false);
    EXPECT_EQ(KeyValues(HKEY_LOCAL_MACHINE, kRunKey).at(L"Clash"), L"C:\\clash-new.exe");
    EXPECT_TRUE(StoreReadSection(os, UserHive(), kMachineSection).empty())
        << "the older copy is released once a newer value stands in the Run key";
}

// An administrator's Disabled holds for every account: no launcher or settings window takes
// anything back while the machine's switch reads False, whatever the account's own says.
TEST_F(AccountsTest, TheMachinesSwitchKeepsEveryAccountFromTakingAnythingBack) {
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
    ASSERT_EQ(WriteMachineSwitch(os, false), ERROR_SUCCESS);
    const CaptureResult taken = CaptureStartupEntries(ctx, Registration::Write);
    EXPECT_TRUE(taken.switchedOff);
    EXPECT_EQ(KeyValues(HKEY_CURRENT_USER, kRunKey).count(L"Chat"), 1u);
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());

    ASSERT_EQ(WriteMachineSwitch(os, true), ERROR_SUCCESS);
    EXPECT_FALSE(CaptureStartupEntries(ctx, Registration::Require).switchedOff);
    EXPECT_EQ(StoreRead(os, kUserSection, L"Chat", L""), L"C:\\chat.exe");
}

// The production side of the seam, against Wine's real registry: a hive saved to a file loads
// under HKEY_USERS and reads back. Wine does not write a loaded hive back to its file (Windows
// does), so nothing here relies on a write surviving the unload.
TEST(HiveSeamTest, ASavedHiveLoadsUnderHkeyUsersAndUnloads) {
    const fs::path file = fs::temp_directory_path() / L"tarnwick-hive-test.dat";
    fs::remove(file);
    const std::wstring source = L"Software\\TarnwickTests\\HiveSource";
    testing::SetSz(HKEY_CURRENT_USER, source + L"\\" + std::wstring(kRunKey), L"Chat",
                   L"C:\\chat.exe");
    {
        UniqueHKey key;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, source.c_str(), 0, KEY_READ, key.put()),
                  ERROR_SUCCESS);
        HANDLE token = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
        const UniqueHandle owned(token);
        TOKEN_PRIVILEGES privileges{1, {{{}, SE_PRIVILEGE_ENABLED}}};
        ::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid);
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        ASSERT_EQ(::RegSaveKeyW(key.get(), file.c_str(), nullptr), ERROR_SUCCESS);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, source.c_str());

    // The privilege the save needed goes off again; the load turns on its own for itself alone.
    TOKEN_PRIVILEGES off{1, {{{}, 0}}};
    ::LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &off.Privileges[0].Luid);
    {
        HANDLE token = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
        const UniqueHandle owned(token);
        ::AdjustTokenPrivileges(token, FALSE, &off, 0, nullptr, nullptr);
    }
    const auto backupOn = [&] {
        HANDLE token = nullptr;
        ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
        const UniqueHandle owned(token);
        PRIVILEGE_SET set{1, PRIVILEGE_SET_ALL_NECESSARY, {{off.Privileges[0].Luid, 0}}};
        BOOL on = FALSE;
        ::PrivilegeCheck(token, &set, &on);
        return on != FALSE;
    };
    ASSERT_FALSE(backupOn());

    Os& os = SystemOs();
    const std::wstring name = LoadedHiveName(L"S-1-5-21-7-7-7-1009");
    ASSERT_EQ(os.LoadHive(name, file.wstring()), ERROR_SUCCESS);
    EXPECT_FALSE(backupOn()) << "the backup privilege stays on after the load";
    EXPECT_EQ(Registry::GetValue(os, HKEY_USERS, name + L"\\" + std::wstring(kRunKey), L"Chat"),
              L"C:\\chat.exe");
    std::vector<std::wstring> keys;
    EXPECT_EQ(os.EnumKeys(HKEY_USERS, name, keys), ERROR_SUCCESS);
    EXPECT_EQ(keys, std::vector<std::wstring>{L"Software"});
    EXPECT_EQ(os.UnloadHive(name), ERROR_SUCCESS);
    EXPECT_FALSE(backupOn());
    EXPECT_EQ(os.EnumKeys(HKEY_USERS, name, keys), ERROR_FILE_NOT_FOUND);
    fs::remove(file);

    std::wstring sid;
    EXPECT_EQ(os.CurrentAccountSid(sid), ERROR_SUCCESS);
    EXPECT_TRUE(sid.starts_with(L"S-1-5-")) << sid;
}

// The production side of the moves made for another account, against Wine's file system: a move
// inside the root goes through; one whose folder is not below the root as written, or leaves it
// through "..", is refused and moves nothing. And a file's owner reads back as an account's SID.
TEST(FileSeamTest, AMoveForAnotherAccountStaysBelowItsRoot) {
    const testing::Sandbox box;
    const fs::path profile = box.folders.root / L"Users\\Zed";
    fs::create_directories(profile / L"held");
    fs::create_directories(profile / L"start");
    fs::create_directories(profile.parent_path() / L"outside");
    const std::wstring root = profile.wstring();
    Os& os = SystemOs();
    const auto move = [&](const std::wstring& to, const std::wstring& toRoot) {
        return os.MoveFileInside((profile / L"held\\a.lnk").wstring(), root, to, toRoot);
    };
    testing::WriteFile(profile / L"held\\a.lnk", "a");

    EXPECT_EQ(move((profile.parent_path() / L"outside\\a.lnk").wstring(), root), kLeadsElsewhere);
    EXPECT_EQ(move(root + L"\\start\\..\\..\\outside\\a.lnk", root), kLeadsElsewhere);
    EXPECT_EQ(move((profile / L"start\\a.lnk").wstring(), root + L"\\held"), kLeadsElsewhere);
    EXPECT_TRUE(fs::exists(profile / L"held\\a.lnk"));
    EXPECT_TRUE(testing::FileNames(profile.parent_path() / L"outside").empty());

    EXPECT_EQ(move((profile / L"start\\a.lnk").wstring(), root), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(profile / L"start\\a.lnk"));
    EXPECT_FALSE(fs::exists(profile / L"held\\a.lnk"));

    std::wstring owner;
    std::wstring self;
    ASSERT_EQ(os.FileOwner((profile / L"start\\a.lnk").wstring(), owner), ERROR_SUCCESS);
    ASSERT_EQ(os.CurrentAccountSid(self), ERROR_SUCCESS);
    EXPECT_EQ(owner, self);
    EXPECT_TRUE(IsNotThere(os.FileOwner((profile / L"none.lnk").wstring(), owner)));
}

}  // namespace
}  // namespace tarnwick

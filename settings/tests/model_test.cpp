// The settings window's behaviour over a sandboxed store, without a window: the opening, Save,
// the master switch, the tick boxes, the skin hooks and the row moves.
#include "settings_model.h"

#include "capture.h"
#include "options.h"
#include "faulty_os.h"
#include "registry.h"
#include "run_origins.h"
#include "sandbox.h"
#include "settings_store.h"
#include "store_view.h"

#include <gtest/gtest.h>

namespace tarnwick::settings {
namespace {

using testing::DumpKey;
using testing::SetSz;

// Records what the opening and the boxes ask of the skins.
class RecordingSkins final : public SkinHooks {
  public:
    std::vector<std::wstring> names;
    std::vector<std::wstring> calls;

    std::vector<std::wstring> SkinLoad() override {
        calls.push_back(L"SkinLoad");
        return names;
    }
    void Skin(int sk) override { calls.push_back(L"Skin " + std::to_wstring(sk)); }
    void NoSkin() override { calls.push_back(L"NoSkin"); }
};

class ModelTest : public ::testing::Test {
  protected:
    testing::Sandbox sandbox;
    RecordingSkins skins;
    Os& os = SystemOs();
    SettingsModel model{StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins};

    std::vector<std::wstring> Names() const { return Names(model); }
    static std::vector<std::wstring> Names(const SettingsModel& of) {
        return of.rows.names.Items();
    }
};

TEST_F(ModelTest, OpeningAnEmptyStoreShowsTheDefaultsAndWritesBackExactlySevenKeys) {
    model.Load();
    EXPECT_EQ(model.loadingDelay.Text(), L"0.5");
    EXPECT_EQ(model.loadingDelay.Position(), 99);
    EXPECT_EQ(model.initialDelay.Text(), L"1");
    EXPECT_EQ(model.initialDelay.Position(), 98);
    EXPECT_TRUE(model.Ticked(Box::VisibleOnStartup));
    EXPECT_TRUE(model.Ticked(Box::ShowDetails));
    EXPECT_FALSE(model.Ticked(Box::AutoHide));
    EXPECT_FALSE(model.Ticked(Box::HideLogo));
    EXPECT_EQ(model.SwitchCaption(), L"Ena&bled");
    EXPECT_EQ(model.rows.Count(), 0u);

    std::vector<std::wstring> stored;
    for (const auto& value : DumpKey(HKEY_CURRENT_USER, StoreSectionKey(kMiscSection))) {
        stored.push_back(value.name + L"=" + Misc(value.name));
    }
    EXPECT_EQ(stored, (std::vector<std::wstring>{L"AutoHide=False", L"Details=True",
                                                 L"Enabled=True", L"TimeDelay=3", L"V=False",
                                                 L"Visible=1", L"initTimeDelay=10"}));
}

TEST_F(ModelTest, SavingStraightAfterAnEmptyOpeningStoresTheShownDelays) {
    model.Load();
    model.Save();
    EXPECT_EQ(Misc(L"TimeDelay"), L"5");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"Visible"), L"1");
    EXPECT_EQ(Misc(L"V"), L"0");
    EXPECT_EQ(Misc(L"Details"), L"True");
    EXPECT_EQ(Misc(L"AutoHide"), L"False");
    EXPECT_EQ(Misc(L"Back"), L"True");
    EXPECT_EQ(Misc(L"Enabled"), L"True");
    EXPECT_EQ(Misc(L"skin"), L"-");
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kPrioritySection)));
}

TEST_F(ModelTest, AZeroLoadingDelayShowsSixSecondsAndIsStoredOnlyBySave) {
    SetMisc(L"TimeDelay", L"0");
    model.Load();
    EXPECT_EQ(model.loadingDelay.Text(), L"6");
    EXPECT_EQ(Misc(L"TimeDelay"), L"0");
    model.Save();
    EXPECT_EQ(Misc(L"TimeDelay"), L"60");
}

TEST_F(ModelTest, TheLogoFlagReadsNumbersAndWordsAndIsWrittenBackAsRead) {
    for (const auto& [text, ticked] : {std::pair{L"1", true}, std::pair{L"True", true},
                                       std::pair{L"0", false}, std::pair{L"False", false}}) {
        SetMisc(L"V", text);
        SettingsModel opened(StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins);
        opened.Load();
        EXPECT_EQ(opened.Ticked(Box::HideLogo), ticked) << text;
        EXPECT_EQ(Misc(L"V"), text);
    }
}

TEST_F(ModelTest, OnlyAVisibleOfOneTicksTheBoxAndSaveWritesZeroOrOne) {
    SetMisc(L"Visible", L"2");
    model.Load();
    EXPECT_FALSE(model.Ticked(Box::VisibleOnStartup));
    EXPECT_EQ(Misc(L"Visible"), L"2");
    model.Save();
    EXPECT_EQ(Misc(L"Visible"), L"0");
}

// Text the readers cannot understand reads as the key's default: written back in its place, so
// the launcher never reads it either. Delays the spin cannot reach show the nearest end.
TEST_F(ModelTest, UnreadableAndUnreachableValuesAreClamped) {
    SetMisc(L"TimeDelay", L"soon");
    SetMisc(L"initTimeDelay", L"1e400");
    SetMisc(L"Visible", L"yes");
    SetMisc(L"V", L"maybe");
    SetMisc(L"AutoHide", L"");
    SetMisc(L"skin", L"garbage");
    model.Load();
    EXPECT_EQ(model.loadingDelay.Text(), L"0.5");
    EXPECT_EQ(model.initialDelay.Text(), L"1");
    EXPECT_TRUE(model.Ticked(Box::VisibleOnStartup));
    EXPECT_FALSE(model.Ticked(Box::HideLogo));
    EXPECT_FALSE(model.Ticked(Box::AutoHide));
    EXPECT_EQ(Misc(L"TimeDelay"), L"3");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"Visible"), L"1");
    EXPECT_EQ(Misc(L"V"), L"False");
    EXPECT_EQ(Misc(L"AutoHide"), L"False");

    SettingsModel distant(StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins);
    SetMisc(L"TimeDelay", L"9000000000000000000000");
    SetMisc(L"initTimeDelay", L"-7");
    SetMisc(L"Visible", L"1.2");
    distant.Load();
    EXPECT_EQ(distant.loadingDelay.Text(), L"50");
    EXPECT_EQ(distant.initialDelay.Text(), L"0.5");
    EXPECT_TRUE(distant.Ticked(Box::VisibleOnStartup));
    distant.Save();
    EXPECT_EQ(Misc(L"TimeDelay"), L"500");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"5");
}

TEST_F(ModelTest, SaveWritesEveryBoxAsTheUserLeftIt) {
    SetMisc(L"AutoHide", L"True");
    model.Load();
    ASSERT_TRUE(model.Ticked(Box::AutoHide));
    model.SetBox(Box::AutoHide, false);
    model.SetBox(Box::ShowDetails, !model.Ticked(Box::ShowDetails));
    model.SetBox(Box::HideLogo, !model.Ticked(Box::HideLogo));
    model.SetBox(Box::VisibleOnStartup, !model.Ticked(Box::VisibleOnStartup));
    model.SetBox(Box::ShowSkin, false);
    model.Save();
    EXPECT_EQ(Misc(L"AutoHide"), L"False");
    EXPECT_EQ(Misc(L"Details"), L"False");
    EXPECT_EQ(Misc(L"V"), L"1");
    EXPECT_EQ(Misc(L"Visible"), L"0");
    EXPECT_EQ(Misc(L"Back"), L"False");
}

TEST_F(ModelTest, TheOpeningLoadsTheSkinsAndAppliesTheStoredOne) {
    skins.names = {L"Slate", L"Moss", L"Dune"};
    SetMisc(L"skin", L"2");
    model.Load();
    // The index is read once per opening.
    EXPECT_EQ(skins.calls,
              (std::vector<std::wstring>{L"SkinLoad", L"Skin 2", L"Skin 2", L"Skin 2"}));
    EXPECT_EQ(model.SelectedSkin(), 2);
    EXPECT_TRUE(model.Ticked(Box::ShowSkin));
    EXPECT_TRUE(model.SkinListEnabled());
}

TEST_F(ModelTest, ANegativeSkinStartsWithTheFirstAndSkinsOffApplyNothing) {
    skins.names = {L"Slate", L"Moss"};
    SetMisc(L"skin", L"-3");
    model.Load();
    EXPECT_EQ(model.SelectedSkin(), 0);
    EXPECT_EQ(skins.calls.back(), L"Skin 0");

    RecordingSkins offSkins;
    offSkins.names = skins.names;
    SetMisc(L"Back", L"False");
    SettingsModel off(StoreContext{os, sandbox.ProgramFolder(), nullptr}, offSkins);
    off.Load();
    EXPECT_EQ(offSkins.calls, std::vector<std::wstring>{L"SkinLoad"});
    EXPECT_FALSE(off.Ticked(Box::ShowSkin));
    EXPECT_FALSE(off.SkinListEnabled());
    off.ChooseSkin(1);
    EXPECT_EQ(offSkins.calls.size(), 1u);
    off.SetBox(Box::ShowSkin, !off.Ticked(Box::ShowSkin));
    EXPECT_EQ(offSkins.calls.back(), L"Skin 1");
    off.SetBox(Box::ShowSkin, false);
    EXPECT_EQ(offSkins.calls.back(), L"NoSkin");
}

TEST_F(ModelTest, WithSkinsOffTheStoredSkinStaysChosenAndSaveKeepsIt) {
    skins.names = {L"Slate", L"Moss", L"Dune"};
    Held({L"A"});
    SetMisc(L"Back", L"False");
    SetMisc(L"skin", L"2");
    model.Load();
    EXPECT_EQ(model.SelectedSkin(), 2);
    EXPECT_EQ(skins.calls, std::vector<std::wstring>{L"SkinLoad"});
    model.Save();
    EXPECT_EQ(Misc(L"skin"), L"2");
    EXPECT_EQ(Misc(L"Back"), L"False");

    SettingsModel again(StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins);
    again.Load();
    again.SetBox(Box::ShowSkin, !again.Ticked(Box::ShowSkin));
    EXPECT_EQ(skins.calls.back(), L"Skin 2");
}

TEST_F(ModelTest, AStoredSkinBeyondTheListEndsOnTheFirst) {
    skins.names = {L"Slate", L"Moss"};
    Held({L"A"});
    SetMisc(L"skin", L"7");
    model.Load();
    EXPECT_EQ(model.SelectedSkin(), 0);
    EXPECT_EQ(skins.calls.back(), L"Skin 0");
    model.Save();
    EXPECT_EQ(Misc(L"skin"), L"0");

    // Skins off: nothing in range to show as chosen.
    SetMisc(L"Back", L"False");
    RecordingSkins offSkins;
    offSkins.names = skins.names;
    SetMisc(L"skin", L"7");
    SettingsModel off(StoreContext{os, sandbox.ProgramFolder(), nullptr}, offSkins);
    off.Load();
    EXPECT_EQ(off.SelectedSkin(), -1);
    EXPECT_EQ(offSkins.calls, std::vector<std::wstring>{L"SkinLoad"});
}

TEST_F(ModelTest, WithoutAnySkinNothingIsChosenAndSaveSaysSo) {
    Held({L"A"});
    SetMisc(L"skin", L"1");
    model.Load();
    EXPECT_EQ(model.SelectedSkin(), -1);
    EXPECT_TRUE(model.Ticked(Box::ShowSkin));
    model.Save();
    EXPECT_EQ(Misc(L"skin"), L"-1");
}

TEST_F(ModelTest, MovesStayWithinTheRowsAndNeedASelection) {
    Held({L"A", L"B", L"C"});
    model.Load();
    ASSERT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(model.MoveUp(0), 0);
    EXPECT_EQ(model.MoveDown(2), 2);
    EXPECT_EQ(model.MoveUp(-1), -1);
    EXPECT_EQ(model.MoveDown(-1), -1);
    EXPECT_EQ(model.MoveDown(3), 3);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(model.MoveDown(0), 1);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"B", L"A", L"C"}));
    EXPECT_EQ(model.rows.commands.Item(1), L"C:\\A.exe");
}

TEST_F(ModelTest, RowThreeMovedUpTwiceIsSavedAtOneAndThePassedRowsRenumbered) {
    Held({L"A", L"B", L"C", L"D", L"E"});
    model.Load();
    EXPECT_EQ(model.MoveUp(model.MoveUp(3)), 1);
    model.Save();
    EXPECT_EQ(Priority(),
              (Pairs{{L"A", L"0"}, {L"D", L"1"}, {L"B", L"2"}, {L"C", L"3"}, {L"E", L"4"}}));
    EXPECT_EQ(Misc(L"skin"), L"-1");
}

TEST_F(ModelTest, SavingNoRowsDeletesTheOrderAndLeavesTheSkin) {
    StoreWrite(os, kPrioritySection, L"Gone", L"0");
    SetMisc(L"skin", L"2");
    model.Load();
    ASSERT_EQ(model.rows.Count(), 0u);
    model.Save();
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kPrioritySection)));
    EXPECT_EQ(Misc(L"skin"), L"2");
}

TEST_F(ModelTest, LightestFirstOrdersByMedianImpactStablyWithTheUnmeasuredLast) {
    const std::vector<std::wstring> shown{L"Heavy", L"New", L"Tray", L"Mail", L"Odd", L"Chat"};
    Held(shown);
    for (size_t i = 0; i < shown.size(); ++i)
        StoreWrite(os, kPrioritySection, shown[i], std::to_wstring(i));
    // Medians: Heavy 1.2 s (High, though once 0.1 s), Mail 400 ms (Medium), "tray" and "CHAT"
    // (Tray and Chat in another letter case) just under both thresholds (Low); Odd does not read.
    for (const auto& [name, costs] : Pairs{{L"Heavy", L"1200,0,0,-,0;100,0,0,-,0;1500,0,0,-,0"},
                                           {L"tray", L"5,0,0,-,0"},
                                           {L"Mail", L"400,0,0,90,0"},
                                           {L"Odd", L"lots"},
                                           {L"CHAT", L"299,307199,0,-,0"}})
        StoreWrite(os, kImpactSection, name, costs);
    model.Load();
    EXPECT_EQ(model.ImpactOfRow(0), Impact::High);
    EXPECT_EQ(model.LightestFirst(3), 2) << "the selected row went with Mail";
    EXPECT_EQ(Names(),
              (std::vector<std::wstring>{L"Tray", L"Chat", L"Mail", L"Heavy", L"New", L"Odd"}));
}

TEST_F(ModelTest, AWaitChosenAndTakenBackIsNoChangeAndOneBeyondTheLimitIsTheLimit) {
    Held({L"A", L"B"});
    StoreWrite(os, kWaitSection, L"a", L"-5");
    StoreWrite(os, kWaitSection, L"B", L"30");
    model.Load();
    EXPECT_EQ(model.WaitOfRow(0), OwnWait{});
    model.SetWaitOfRow(0, {OwnWait::Kind::UntilEnded, 0});
    model.SetWaitOfRow(0, {OwnWait::Kind::SameAsOthers, 7});
    model.SetWaitOfRow(1, {OwnWait::Kind::Seconds, 5000});
    EXPECT_EQ(model.WaitOfRow(1), (OwnWait{OwnWait::Kind::Seconds, 3600}));
    model.Save();
    Pairs stored = StoreReadSection(os, kWaitSection);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (Pairs{{L"B", L"3600"}, {L"a", L"-5"}}));
}

TEST_F(ModelTest, TheLastLogOnIsSaidInOneLineWithItsTimeInTheUsersFormat) {
    EXPECT_EQ(LastLogOnText(std::nullopt), L"Last log-on: not measured yet.");
    // 9 December 2026, 12:00 UTC: the same day in every time zone.
    LogOnRecord record{134'412'912'000'000'000, 47'600, false, {}, {{}, {}}};
    const std::wstring text = LastLogOnText(record, L"en-US");
    EXPECT_TRUE(text.starts_with(L"Last log-on: 2 programs in 48 s. On 12/9/2026 at ")) << text;
    record = {UINT64_MAX, 4'540, false, {}, {{}}};  // no moment Windows can show
    EXPECT_EQ(LastLogOnText(record, L"en-US"), L"Last log-on: 1 program in 4.5 s.");
}

TEST_F(ModelTest, SwitchingOffGivesEverythingBackAndOnTakesItAgain) {
    Held({L"A", L"B"});
    std::filesystem::create_directories(sandbox.folders.held);
    testing::WriteFile(sandbox.folders.held / L"Notes.lnk");
    RegisterLauncher(StoreContext{os, sandbox.ProgramFolder(), nullptr});
    model.Load();
    model.Save();
    ASSERT_EQ(Priority(), (Pairs{{L"A", L"0"}, {L"B", L"1"}, {L"Notes", L"2"}}));

    model.ToggleSwitch();
    EXPECT_EQ(model.SwitchCaption(), L"Disa&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"A"), L"C:\\A.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"-"), L"-");
    EXPECT_TRUE(std::filesystem::exists(sandbox.folders.startUp / L"Notes.lnk"));
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, StoreSectionKey(kPrioritySection)));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"Notes"}));
    // The switch's state is stored as it acts, for the account and, with administrator rights,
    // for the machine: a launcher still running takes nothing back, and nor does a Cancel undo it.
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection), L"Enabled"),
              L"False");

    model.ToggleSwitch();
    EXPECT_EQ(model.SwitchCaption(), L"Ena&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"A", L"-"), L"-");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane"),
              LauncherCommand(sandbox.ProgramFolder()));
    EXPECT_TRUE(std::filesystem::exists(sandbox.folders.held / L"Notes.lnk"));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"Notes"}));
    EXPECT_EQ(model.rows.commands.Item(2), sandbox.HeldFolder() + L"\\Notes.lnk");
    EXPECT_EQ(Misc(L"Enabled"), L"True");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection), L"Enabled"),
              L"True");
}

TEST_F(ModelTest, DisabledThenSavedStoresTheStateAndTheShownOrder) {
    Held({L"A", L"B"});
    testing::WriteFile(sandbox.folders.program / L"Notes.lnk");
    model.Load();
    model.ToggleSwitch();
    model.Save();
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    EXPECT_EQ(Priority(), (Pairs{{L"A", L"0"}, {L"B", L"1"}, {L"Notes", L"2"}}));
}

// Rebuilt over the rows it shows, the list can hold a name twice; Save keeps one key per name,
// with the later row's index.
TEST_F(ModelTest, ANameInTwoRowsIsSavedOnceWithTheLaterIndex) {
    Held({L"A", L"B"});
    StoreWrite(os, kPrioritySection, L"B", L"0");
    model.Load();
    ASSERT_EQ(Names(), (std::vector<std::wstring>{L"B", L"A"}));
    model.MoveUp(1);
    model.ToggleSwitch();
    model.ToggleSwitch();
    ASSERT_EQ(Names(), (std::vector<std::wstring>{L"B", L"B", L"A"}));
    model.Save();
    EXPECT_EQ(Priority(), (Pairs{{L"B", L"1"}, {L"A", L"2"}}));
}

// A standard user cannot write the machine's Run key. The switch still runs both ways, and every
// entry stays either with Windows or in the store: none is ever lost.
TEST_F(ModelTest, WithoutRightsToTheMachineKeyTheSwitchLosesNoEntry) {
    testing::FaultyOs standardUser(os);
    standardUser.rule = testing::StandardUserRights(sandbox.ProgramFolder());
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Machine", L"C:\\machine.exe");
    SetSz(HKEY_CURRENT_USER, kRunKey, L"User", L"C:\\user.exe");
    Held({L"Earlier"});
    SettingsModel limited(StoreContext{standardUser, sandbox.ProgramFolder(), nullptr}, skins);
    auto kept = [&](std::wstring_view name, HKEY root, std::wstring_view section) {
        return !Registry::GetValue(os, root, kRunKey, name).empty() ||
               !StoreRead(os, section, name, L"").empty();
    };
    auto nothingLost = [&](const char* after) {
        EXPECT_TRUE(kept(L"Machine", HKEY_LOCAL_MACHINE, kMachineSection)) << after;
        EXPECT_TRUE(kept(L"Earlier", HKEY_LOCAL_MACHINE, kMachineSection)) << after;
        EXPECT_TRUE(kept(L"User", HKEY_CURRENT_USER, kUserSection)) << after;
    };

    limited.Load();
    // No launcher is registered, and this user cannot register one: nothing is taken.
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Machine"), L"C:\\machine.exe");
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Machine", L"-"), L"-");
    EXPECT_EQ(Names(limited), (std::vector<std::wstring>{L"Earlier"}));
    nothingLost("the opening");
    limited.ToggleSwitch();
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"User"), L"C:\\user.exe");
    nothingLost("switching off");
    limited.ToggleSwitch();
    nothingLost("switching on");
    limited.Save();
    nothingLost("saving");
}

// Task Manager's record for one start-up entry: a first byte that is odd means switched off.
void TaskManagerFlag(HKEY root, std::wstring_view key, std::wstring_view name, BYTE first) {
    const BYTE flag[12] = {first};
    testing::SetRaw(root, key, name, REG_BINARY, flag, sizeof flag);
}

TEST_F(ModelTest, TheOpeningWarnsOnlyWhenTaskManagerSwitchedOffTheLauncherThatShouldRun) {
    EXPECT_FALSE(SwitchedOffInTaskManager(os)) << "no flag at all";
    // Task Manager keeps the name as it found it; another entry's flag is no matter here.
    TaskManagerFlag(HKEY_LOCAL_MACHINE, kApprovedRunKey, L"Alpha", 0x03);
    TaskManagerFlag(HKEY_LOCAL_MACHINE, kApprovedRunKey, L"VELTANE", 0x02);
    EXPECT_FALSE(SwitchedOffInTaskManager(os)) << "switched on";
    TaskManagerFlag(HKEY_CURRENT_USER, kApprovedRunKey, L"Veltane", 0x03);
    EXPECT_FALSE(SwitchedOffInTaskManager(os)) << "the launcher's value is the machine's";

    TaskManagerFlag(HKEY_LOCAL_MACHINE, kApprovedRunKey, L"VELTANE", 0x03);
    EXPECT_TRUE(SwitchedOffInTaskManager(os)) << "nothing stored: the switch is on";
    SetMisc(L"Enabled", L"garbled");
    EXPECT_TRUE(SwitchedOffInTaskManager(os)) << "what the window shows as Enabled";
    SetMisc(L"Enabled", L"False");
    EXPECT_FALSE(SwitchedOffInTaskManager(os)) << "Tarnwick switched off: nothing to start";
}

TEST_F(ModelTest, WaitUntilIdleIsReadAsAFlagAndSavedAsAWord) {
    model.Load();
    EXPECT_FALSE(model.Ticked(Box::WaitIdle));
    EXPECT_EQ(Misc(L"WaitIdle"), L"-");  // an opening writes back only what it always did
    model.SetBox(Box::WaitIdle, !model.Ticked(Box::WaitIdle));
    model.Save();
    EXPECT_EQ(Misc(L"WaitIdle"), L"True");

    SetMisc(L"WaitIdle", L"0");
    SettingsModel again{StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins};
    again.Load();
    EXPECT_FALSE(again.Ticked(Box::WaitIdle));
    again.Save();
    EXPECT_EQ(Misc(L"WaitIdle"), L"False");
}

// A standard user's rights, as Windows gives them to this program without elevation: the
// machine's Run key (both views) and the program folder under Program Files are read-only.
TEST_F(ModelTest, WhatTheSwitchCouldNotDoWithoutAdministratorRightsIsSaidByName) {
    const std::wstring folder = sandbox.ProgramFolder();
    testing::FaultyOs standardUser(os);
    standardUser.rule = testing::StandardUserRights(folder);
    // What an administrator's installation left: machine entries of both views, the user's own,
    // a shortcut, all held, and the launcher registered.
    RegisterLauncher(StoreContext{os, folder, nullptr});
    StoreWrite(os, kMachineSection, L"Sync", L"C:\\sync.exe");
    StoreWrite(os, kMachine32Section, L"Updater", L"C:\\x86\\updater.exe");
    StoreWrite(os, kUserSection, L"Chat", L"C:\\chat.exe");
    // Where an earlier version held shortcuts, under Program Files.
    testing::WriteFile(sandbox.folders.program / L"Notes.lnk");
    SettingsModel limited(StoreContext{standardUser, folder, nullptr}, skins);
    limited.Load();

    const std::wstring off = limited.ToggleSwitch();
    EXPECT_EQ(off,
              L"Tarnwick could not give these start-up programs back to Windows. Tarnwick "
              L"keeps starting them when you log on:\n"
              L"\n\"Sync\" (starts for all users): administrator rights are needed."
              L"\n\"Updater\" (starts for all users): administrator rights are needed."
              L"\n\"Notes\" (a shortcut in the StartUp folder): administrator rights are "
              L"needed.\n\nOnce the cause is gone, switch Tarnwick on and off again to give "
              L"them back.");
    // Nothing lost: what could not go back is still held, and still started.
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"Chat"), L"C:\\chat.exe");
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Sync", L""), L"C:\\sync.exe");
    EXPECT_EQ(StoreRead(os, kMachine32Section, L"Updater", L""), L"C:\\x86\\updater.exe");
    EXPECT_TRUE(LauncherInPlace(os, folder));

    // Programs installed meanwhile: one for all users, which waits for administrator rights, and
    // a shortcut of this account's, which is its own to hand over.
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Printer", L"C:\\printer.exe");
    testing::WriteFile(sandbox.folders.startUp / L"Backup.lnk");
    const std::wstring on = limited.ToggleSwitch();
    EXPECT_EQ(on,
              L"Tarnwick could not take over these start-up programs. Windows keeps starting "
              L"them when you log on:\n"
              L"\n\"Printer\" (starts for all users): administrator rights are needed."
              L"\n\nOnce the cause is gone, switch Tarnwick off and on again to take "
              L"them over.");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Printer"), L"C:\\printer.exe");
    EXPECT_EQ(StoreRead(os, kUserSection, L"Chat", L""), L"C:\\chat.exe");
    EXPECT_TRUE(std::filesystem::exists(sandbox.folders.held / L"Backup.lnk"));

    // With the rights for everything, both ways say nothing.
    SettingsModel full(StoreContext{os, folder, nullptr}, skins);
    full.Load();
    EXPECT_EQ(full.ToggleSwitch(), L"");
    EXPECT_EQ(full.ToggleSwitch(), L"");
}

TEST_F(ModelTest, WithoutARegistrationTheSwitchTakesNothingAndSaysWhy) {
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
    testing::FaultyOs standardUser(os);
    standardUser.rule = testing::StandardUserRights(sandbox.ProgramFolder());
    SetMisc(L"Enabled", L"False");
    SettingsModel limited(StoreContext{standardUser, sandbox.ProgramFolder(), nullptr}, skins);
    limited.Load();
    const std::wstring on = limited.ToggleSwitch();
    EXPECT_TRUE(on.starts_with(L"Tarnwick could not register itself")) << on.c_str();
    EXPECT_EQ(limited.SwitchCaption(), L"Ena&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"Chat"), L"C:\\chat.exe");
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
}

// Two windows of one account, one opened before the other switched Tarnwick off: the older one's
// Save keeps what the newer one did, and takes nothing back.
TEST_F(ModelTest, AStaleWindowsSaveDoesNotUndoTheSwitch) {
    Held({L"A"});
    RegisterLauncher(StoreContext{os, sandbox.ProgramFolder(), nullptr});
    model.Load();
    SettingsModel newer{StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins};
    newer.Load();
    EXPECT_EQ(newer.ToggleSwitch(), L"");
    ASSERT_EQ(Misc(L"Enabled"), L"False");

    model.Save();
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"A"), L"C:\\A.exe");
    SettingsModel reopened{StoreContext{os, sandbox.ProgramFolder(), nullptr}, skins};
    reopened.Load();
    EXPECT_EQ(reopened.SwitchCaption(), L"Disa&bled");
}

// An administrator switched Tarnwick off for the machine. A standard account's window shows it off
// whatever the account's own switch says, and its Enabled takes nothing and says who can.
TEST_F(ModelTest, AnAdministratorsDisabledHoldsForAStandardAccount) {
    RegisterLauncher(StoreContext{os, sandbox.ProgramFolder(), nullptr});
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
    SetSz(HKEY_LOCAL_MACHINE, StoreSectionKey(kMiscSection), L"Enabled", L"False");
    SetMisc(L"Enabled", L"True");
    testing::FaultyOs standardUser(os);
    standardUser.rule = testing::StandardUserRights(sandbox.ProgramFolder());
    SettingsModel limited(StoreContext{standardUser, sandbox.ProgramFolder(), nullptr}, skins);
    limited.Load();
    EXPECT_EQ(limited.SwitchCaption(), L"Disa&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"Chat"), L"C:\\chat.exe")
        << "the opening took nothing";
    EXPECT_EQ(Misc(L"Enabled"), L"True") << "the account's own switch is kept for later";

    const std::wstring on = limited.ToggleSwitch();
    EXPECT_TRUE(on.starts_with(L"An administrator switched Tarnwick off for every account"))
        << on.c_str();
    EXPECT_EQ(limited.SwitchCaption(), L"Disa&bled");
    EXPECT_FALSE(limited.Enabled());
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"Chat"), L"C:\\chat.exe");
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());

    // The administrator's Enabled switches it on for the machine again.
    model.Load();
    EXPECT_EQ(model.ToggleSwitch(), L"");
    EXPECT_EQ(model.SwitchCaption(), L"Ena&bled");
    EXPECT_EQ(StoreRead(os, kUserSection, L"Chat", L""), L"C:\\chat.exe");
    EXPECT_FALSE(MachineSwitchedOff(os));
}

}  // namespace
}  // namespace tarnwick::settings

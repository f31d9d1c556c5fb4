// Start-up without the window: the skip switch, the options and their write-back, the capture
// and launch list, and the window's layout and position in twips.
#include "startup.h"

#include "capture.h"
#include "run_origins.h"
#include "shortcuts.h"

#include "faulty_os.h"
#include "registry.h"
#include "sandbox.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <map>

namespace tarnwick::testing {
namespace {

// ---- delays

TEST(DelaySeconds, RoundsTenthsToWholeSecondsWithHalvesToEven) {
    EXPECT_EQ(DelaySeconds(25), 2);
    EXPECT_EQ(DelaySeconds(35), 4);
    EXPECT_EQ(DelaySeconds(45), 4);
    EXPECT_EQ(DelaySeconds(15), 2);
    EXPECT_EQ(DelaySeconds(26), 3);
    EXPECT_EQ(DelaySeconds(40), 4);
}

TEST(DelaySeconds, AnythingUnderOneSecondBecomesOne) {
    EXPECT_EQ(DelaySeconds(4), 1);  // 0.4 s rounds to 0
    EXPECT_EQ(DelaySeconds(5), 1);  // 0.5 s rounds to the even 0
    EXPECT_EQ(DelaySeconds(0), 1);
    EXPECT_EQ(DelaySeconds(-30), 1);
}

TEST(DelaySeconds, StoredFractionIsFirstTakenAsWholeTenths) {
    EXPECT_EQ(DelaySeconds(25.5), 3);  // 26 tenths
    EXPECT_EQ(DelaySeconds(24.5), 2);  // 24 tenths
}

TEST(DelaySeconds, StaysWithinWhatATimerIntervalCanHold) {
    EXPECT_EQ(DelaySeconds(650), 65);
    EXPECT_EQ(DelaySeconds(700), 65);
    EXPECT_EQ(DelaySeconds(1e300), 65);
}

// ---- options

class OptionsTest : public ::testing::Test {
  protected:
    std::wstring Misc(const wchar_t* key) {
        return StoreRead(SystemOs(), kMiscSection, key, L"<none>");
    }
    void SetMisc(const wchar_t* key, const wchar_t* text) {
        StoreWrite(SystemOs(), kMiscSection, key, text);
    }
    Sandbox sandbox;
};

TEST_F(OptionsTest, FreshStoreGetsEveryDefaultWrittenBack) {
    const LauncherOptions o = ReadLauncherOptions(SystemOs());
    EXPECT_EQ(Misc(L"Visible"), L"1");
    EXPECT_EQ(Misc(L"AutoHide"), L"False");
    EXPECT_EQ(Misc(L"Details"), L"True");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"V"), L"False");
    EXPECT_EQ(Misc(L"TimeDelay"), L"10");  // the default of 3 tenths becomes one second
    // The position appears only once the window has been touched.
    EXPECT_EQ(Misc(L"X"), L"<none>");
    EXPECT_EQ(Misc(L"Y"), L"<none>");
    EXPECT_EQ(o.delays.initialSeconds, 1);
    EXPECT_EQ(o.delays.programSeconds, 1);
    EXPECT_TRUE(o.details);
    EXPECT_FALSE(o.autoHide);
    EXPECT_FALSE(o.hideLogo);
}

TEST_F(OptionsTest, InstallersStoreReadsAsTheLauncherExpects) {
    SetMisc(L"TimeDelay", L"40");
    SetMisc(L"Visible", L"1");
    SetMisc(L"Enabled", L"True");
    const LauncherOptions o = ReadLauncherOptions(SystemOs());
    EXPECT_EQ(o.delays.programSeconds, 4);
    EXPECT_EQ(Misc(L"TimeDelay"), L"40");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"Enabled"), L"True");
}

TEST_F(OptionsTest, DelaysAreWrittenBackRounded) {
    SetMisc(L"initTimeDelay", L"4");
    SetMisc(L"TimeDelay", L"35");
    const LauncherOptions o = ReadLauncherOptions(SystemOs());
    EXPECT_EQ(o.delays.initialSeconds, 1);
    EXPECT_EQ(o.delays.programSeconds, 4);
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"TimeDelay"), L"40");
    SetMisc(L"initTimeDelay", L"25");
    EXPECT_EQ(ReadLauncherOptions(SystemOs()).delays.initialSeconds, 2);
    EXPECT_EQ(Misc(L"initTimeDelay"), L"20");
}

TEST_F(OptionsTest, UnreadableDelayTakesTheDefault) {
    SetMisc(L"TimeDelay", L"soon");
    SetMisc(L"initTimeDelay", L"");
    const LauncherOptions o = ReadLauncherOptions(SystemOs());
    EXPECT_EQ(o.delays.programSeconds, 1);
    EXPECT_EQ(o.delays.initialSeconds, 1);
    EXPECT_EQ(Misc(L"TimeDelay"), L"10");
}

TEST_F(OptionsTest, SettingsProgramsDigitsAreReadAsFlagsAndWrittenBackAsWords) {
    SetMisc(L"V", L"1");
    SetMisc(L"Details", L"0");
    SetMisc(L"AutoHide", L"true");
    SetMisc(L"Visible", L"0");
    const LauncherOptions o = ReadLauncherOptions(SystemOs());
    EXPECT_TRUE(o.hideLogo);
    EXPECT_FALSE(o.details);
    EXPECT_TRUE(o.autoHide);
    EXPECT_EQ(Misc(L"V"), L"True");
    EXPECT_EQ(Misc(L"Details"), L"False");
    EXPECT_EQ(Misc(L"AutoHide"), L"True");
    EXPECT_EQ(Misc(L"Visible"), L"0");  // as read
}

// At every log-on: one read of the section, and nothing written that the store holds already.
TEST_F(OptionsTest, ALogOnReadsTheOptionsOnceAndWritesOnlyWhatChanges) {
    ReadLauncherOptions(SystemOs());
    StoreWrite(SystemOs(), kMiscSection, L"TimeDelay", L"25");
    FaultyOs os(SystemOs());
    size_t reads = 0;
    os.rule = [&](const Call& c) -> DWORD {
        reads += c.op == Op::QueryValue || c.op == Op::EnumValues;
        return 0;
    };
    const LauncherOptions o = ReadLauncherOptions(os);
    EXPECT_EQ(reads, 1u);
    EXPECT_EQ(o.delays.programSeconds, 2);
    ASSERT_EQ(os.changes.size(), 1u);
    EXPECT_EQ(os.changes[0].b, L"TimeDelay");
    EXPECT_EQ(Misc(L"TimeDelay"), L"20");
}

TEST_F(OptionsTest, WriteBackOrder) {
    FaultyOs os(SystemOs());
    ReadLauncherOptions(os);
    std::vector<std::wstring> written;
    for (const Call& c : os.changes) written.push_back(c.b);
    EXPECT_EQ(written, (std::vector<std::wstring>{L"Visible", L"AutoHide", L"initTimeDelay",
                                                  L"Details", L"V", L"WaitIdle", L"TimeDelay"}));
}

TEST_F(OptionsTest, WaitIdleIsOffUnlessItReadsAsTrue) {
    EXPECT_FALSE(ReadLauncherOptions(SystemOs()).waitIdle);
    EXPECT_EQ(Misc(L"WaitIdle"), L"False");
    SetMisc(L"WaitIdle", L"1");
    EXPECT_TRUE(ReadLauncherOptions(SystemOs()).waitIdle);
    EXPECT_EQ(Misc(L"WaitIdle"), L"True");
    SetMisc(L"WaitIdle", L"when idle");
    EXPECT_FALSE(ReadLauncherOptions(SystemOs()).waitIdle);
    EXPECT_EQ(Misc(L"WaitIdle"), L"False");
}

TEST(ShowsWindow, OnlyForTheNumberOne) {
    EXPECT_TRUE(ShowsWindow(L"1"));
    EXPECT_TRUE(ShowsWindow(L" 1.0 "));
    EXPECT_FALSE(ShowsWindow(L"0"));
    EXPECT_FALSE(ShowsWindow(L"2"));
    EXPECT_FALSE(ShowsWindow(L"True"));
    EXPECT_FALSE(ShowsWindow(L""));
}

TEST(SavedPosition, UsedOnlyWhenNeitherCoordinateIsMinusOne) {
    LauncherOptions o;
    o.x = L"1440";
    o.y = L"300";
    ASSERT_TRUE(SavedPosition(o));
    EXPECT_EQ(SavedPosition(o)->x, 1440);
    EXPECT_EQ(SavedPosition(o)->y, 300);
    o.x = L"-1";
    EXPECT_FALSE(SavedPosition(o));
    o.x = L"1440";
    o.y = L"-1";
    EXPECT_FALSE(SavedPosition(o));
    o.y = L"0";
    EXPECT_TRUE(SavedPosition(o));
    o.y = L"top";
    EXPECT_FALSE(SavedPosition(o));
}

TEST(SavedPosition, FractionalTwipsAreTaken) {
    LauncherOptions o;
    o.x = L"1234.5";
    o.y = L"-7.5";
    ASSERT_TRUE(SavedPosition(o));
    EXPECT_EQ(SavedPosition(o)->x, 1234.5);
    EXPECT_EQ(SavedPosition(o)->y, -7.5);
}

// ---- the skip switch and the launch plan

TEST(ShiftKey, OnlyTheHeldBitCounts) {
    EXPECT_TRUE(IsShiftHeld(static_cast<SHORT>(0x8000)));
    EXPECT_TRUE(IsShiftHeld(static_cast<SHORT>(0x8001)));
    // Pressed at some time since the last query, but not held now.
    EXPECT_FALSE(IsShiftHeld(0x0001));
    EXPECT_FALSE(IsShiftHeld(0));
}

class LogOnStartTest : public ::testing::Test {
  protected:
    Sandbox sandbox;
};

TEST_F(LogOnStartTest, ShiftHeldTouchesNothingAtAll) {
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Tool", L"C:\\tool.exe");
    WriteFile(sandbox.folders.startUp / L"Link.lnk");
    FaultyOs os(SystemOs());
    size_t calls = 0;
    os.rule = [&](const Call&) -> DWORD {
        ++calls;
        return 0;
    };
    EXPECT_FALSE(StartUpOptions(os, static_cast<SHORT>(0x8000)));
    EXPECT_EQ(calls, 0u);
    EXPECT_EQ(Registry::GetValue(SystemOs(), HKEY_CURRENT_USER, kRunKey, L"Tool"), L"C:\\tool.exe");
    EXPECT_EQ(FileNames(sandbox.folders.startUp), std::vector<std::wstring>{L"Link.lnk"});
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane"));
}

TEST_F(LogOnStartTest, ShiftPressedEarlierButReleasedRunsTheLogOn) {
    EXPECT_TRUE(StartUpOptions(SystemOs(), 0x0001));
}

TEST_F(LogOnStartTest, BuildsTheListFromWhatIsHeldAndTakesNothing) {
    StoreWrite(SystemOs(), kMachineSection, L"Machine", L"C:\\m.exe /a");
    StoreWrite(SystemOs(), kUserSection, L"Chat", L"C:\\chat.exe");
    std::filesystem::create_directories(sandbox.folders.held);
    WriteFile(sandbox.folders.held / L"Link.lnk");
    // Windows holds a new program and the chat client's value, written again at its last start.
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Fresh", L"C:\\fresh.exe");
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(sandbox.ProgramFolder()));
    // Counted: the shell's folder lookup is the dearest call of start-up.
    FaultyOs os(SystemOs());
    size_t lookups = 0;
    os.rule = [&](const Call& c) -> DWORD {
        lookups += c.op == Op::ShellFolder;
        return 0;
    };
    const LaunchList list = LogOnList({os, sandbox.ProgramFolder(), nullptr});
    // Recent and Start Menu, once each; the folder of held shortcuts comes from the registry.
    EXPECT_EQ(lookups, 2u);
    EXPECT_EQ(list.names.Items(), (std::vector<std::wstring>{L"Machine", L"Link"}));
    EXPECT_EQ(list.commands.Items(),
              (std::vector<std::wstring>{L"C:\\m.exe /a", sandbox.HeldFolder() + L"\\Link.lnk"}));
    EXPECT_TRUE(os.changes.empty());
}

TEST_F(LogOnStartTest, WithoutShellFoldersTheHeldProgramsStillStart) {
    StoreWrite(SystemOs(), kUserSection, L"User", L"C:\\u.exe");
    FaultyOs os(SystemOs());
    os.rule = [](const Call& c) -> DWORD {
        return c.op == Op::ShellFolder ? ERROR_PATH_NOT_FOUND : 0;
    };
    const LaunchList list = LogOnList({os, sandbox.ProgramFolder(), nullptr});
    EXPECT_EQ(list.names.Items(), std::vector<std::wstring>{L"User"});
}

TEST_F(LogOnStartTest, TheCaptureAfterTheSequenceNeedsTheRegistrationAndTheSwitch) {
    const StoreContext ctx{SystemOs(), sandbox.ProgramFolder(), nullptr};
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Fresh", L"C:\\fresh.exe");
    // Not registered (an uninstall ran meanwhile): nothing taken, and no registration written.
    CaptureAfterSequence(ctx);
    EXPECT_EQ(Registry::EnumValues(SystemOs(), HKEY_CURRENT_USER, kRunKey),
              std::vector<std::wstring>{L"Fresh"});
    EXPECT_TRUE(Registry::EnumValues(SystemOs(), HKEY_LOCAL_MACHINE, kRunKey).empty());

    // Registered, but switched off (a Disabled saved meanwhile): still nothing.
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(sandbox.ProgramFolder()));
    StoreWrite(SystemOs(), kMiscSection, L"Enabled", L"False");
    CaptureAfterSequence(ctx);
    EXPECT_TRUE(StoreReadSection(SystemOs(), kUserSection).empty());

    StoreWrite(SystemOs(), kMiscSection, L"Enabled", L"True");
    WriteFile(sandbox.folders.startUp / L"Link.lnk");
    CaptureAfterSequence(ctx);
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Fresh", L""), L"C:\\fresh.exe");
    EXPECT_TRUE(Registry::EnumValues(SystemOs(), HKEY_CURRENT_USER, kRunKey).empty());
    EXPECT_EQ(FileNames(sandbox.folders.held), std::vector<std::wstring>{L"Link.lnk"});
    EXPECT_EQ(FileNames(sandbox.folders.program), std::vector<std::wstring>{L"Tarnwick.exe"});
}

// Log-ons with a standard user's rights, as Windows gives them to the launcher: the machine's Run
// key (both views), the machine's store and the program folder under Program Files are read-only.
// Each log-on is what Windows starts plus the launcher's list, then the launcher's capture. The
// account's own new programs, its shortcut too, are taken into its own keeping; the machine's wait
// for administrator rights and start with Windows meanwhile.
TEST_F(LogOnStartTest, AStandardUsersLogOnsLoseNothingAndStartNothingTwice) {
    const std::wstring folder = sandbox.ProgramFolder();
    FaultyOs standardUser(SystemOs());
    standardUser.rule = StandardUserRights(folder);
    const StoreContext ctx{standardUser, folder, nullptr};
    // An administrator installed Tarnwick: registered, with what was there then in its keeping.
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(folder));
    StoreWrite(SystemOs(), kMachineSection, L"Sync", L"C:\\sync.exe");
    StoreWrite(SystemOs(), kUserSection, L"Chat", L"C:\\chat.exe");
    std::filesystem::create_directories(sandbox.folders.held);
    WriteFile(sandbox.folders.held / L"Notes.lnk");
    // Installed since: for all users in both views, for this user, and a shortcut.
    SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Printer", L"C:\\printer.exe");
    SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Updater", L"C:\\x86\\updater.exe");
    SetSz(HKEY_CURRENT_USER, kRunKey, L"Music", L"C:\\music.exe");
    WriteFile(sandbox.folders.startUp / L"Backup.lnk");

    for (int logOn = 1; logOn <= 3; ++logOn) {
        std::map<std::wstring, int> starts;
        for (const RunOrigin& origin : kRunOrigins) {
            for (const std::wstring& name :
                 Registry::EnumValues(SystemOs(), origin.root, origin.runKey)) {
                if (name != L"Veltane") ++starts[name];
            }
        }
        for (const std::wstring& file : FileNames(sandbox.folders.startUp))
            ++starts[ShortcutEntryName(file)];
        const LaunchList list = LogOnList(ctx);
        for (const std::wstring& name : list.names.Items()) ++starts[name];
        // The chat client writes its value again each time it starts.
        SetSz(HKEY_CURRENT_USER, kRunKey, L"Chat", L"C:\\chat.exe");
        CaptureAfterSequence(ctx);
        EXPECT_EQ(starts, (std::map<std::wstring, int>{{L"Backup", 1},
                                                       {L"Chat", 1},
                                                       {L"Music", 1},
                                                       {L"Notes", 1},
                                                       {L"Printer", 1},
                                                       {L"Sync", 1},
                                                       {L"Updater", 1}}))
            << "log-on " << logOn;
    }
    // What this user could not take stays with Windows; the rest is held.
    EXPECT_EQ(Registry::GetValue(SystemOs(), HKEY_LOCAL_MACHINE, kRunKey, L"Printer"),
              L"C:\\printer.exe");
    EXPECT_EQ(Registry::GetValue(SystemOs(), HKEY_LOCAL_MACHINE, kRun32Key, L"Updater"),
              L"C:\\x86\\updater.exe");
    EXPECT_TRUE(FileNames(sandbox.folders.startUp).empty());
    EXPECT_EQ(FileNames(sandbox.folders.held),
              (std::vector<std::wstring>{L"Backup.lnk", L"Notes.lnk"}));
    EXPECT_EQ(StoreRead(SystemOs(), kUserSection, L"Music", L""), L"C:\\music.exe");
    EXPECT_TRUE(Registry::EnumValues(SystemOs(), HKEY_CURRENT_USER, kRunKey).empty());
    EXPECT_EQ(StoreReadSection(SystemOs(), kMachineSection).size(), 1u);
}

// ---- layout, in twips

// A line of text lower than the design's rows: they keep the design's heights.
constexpr double kLowLine = 120;

TEST(LayOutWindow, FullWindowWithDetailsAndLogo) {
    const WindowLayout l = LayOutWindow(true, false, kLowLine);
    EXPECT_EQ(l.width, 2175);
    EXPECT_EQ(l.shape1.height, 130);
    EXPECT_EQ(l.shape1.width, 13);
    EXPECT_EQ(l.command4.top, 145);
    EXPECT_EQ(l.command4.left, 0);
    EXPECT_EQ(l.command2.left, 725);
    EXPECT_EQ(l.command3.left, 1450);
    EXPECT_EQ(l.command3.width, 725);
    EXPECT_EQ(l.command4.height, 255);
    EXPECT_EQ(l.label4.top, 400);
    EXPECT_EQ(l.label4.height, 195);
    EXPECT_TRUE(l.label4Visible);
    EXPECT_EQ(l.picture1.top, 595);
    EXPECT_TRUE(l.picture1Visible);
    EXPECT_EQ(l.fullHeight, 1000);
    EXPECT_EQ(l.collapsedHeight, 145);
}

TEST(LayOutWindow, NoDetailsAndNoLogoEndJustBelowTheButtons) {
    const WindowLayout l = LayOutWindow(false, true, kLowLine);
    EXPECT_FALSE(l.label4Visible);
    EXPECT_FALSE(l.picture1Visible);
    EXPECT_EQ(l.fullHeight, 400);
}

TEST(LayOutWindow, LogoMovesUpWithoutTheDetailsLine) {
    const WindowLayout l = LayOutWindow(false, false, kLowLine);
    EXPECT_EQ(l.label4.top, 145);
    EXPECT_EQ(l.label4.height, 255);
    EXPECT_EQ(l.picture1.top, 400);
    EXPECT_EQ(l.fullHeight, 805);
}

TEST(LayOutWindow, HiddenLogoEndsTheWindowAtTheDetailsLine) {
    const WindowLayout l = LayOutWindow(true, true, kLowLine);
    EXPECT_EQ(l.picture1.top, 190);
    EXPECT_EQ(l.fullHeight, 595);
}

TEST(Position, RightEdgeOnTheMiddleOfTheScreen) {
    const TwipsPoint p = ComputedPosition(19200, 2175);  // 1280 pixels at 96 DPI
    EXPECT_EQ(p.x, 7425);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.x + 2175, 19200 / 2);
}

TEST(Position, SavedPositionOnlyWhereAMonitorShowsIt) {
    const TwipsPoint computed{7425, 0};
    const auto onScreen = [](TwipsPoint p) { return p.x < 19200 && p.y < 15360; };
    EXPECT_EQ(ChoosePosition(computed, TwipsPoint{300, 600}, onScreen).x, 300);
    // Saved while a second monitor stood to the right; it is gone now.
    EXPECT_EQ(ChoosePosition(computed, TwipsPoint{30000, 600}, onScreen).x, 7425);
    EXPECT_EQ(ChoosePosition(computed, std::nullopt, onScreen).x, 7425);
}

TEST(PercentLabel, CentredOnAThousandTwipsThenOverTheFilledBar) {
    EXPECT_EQ(PercentLabelStartLeft(300), 850);
    EXPECT_EQ(PercentLabelLeft(2175, 300), 937.5);
    // Over a short bar it would start left of the window: it stops at the edge.
    EXPECT_EQ(PercentLabelLeft(200, 300), 0);
}

}  // namespace
}  // namespace tarnwick::testing

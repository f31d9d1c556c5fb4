// The ordered launch list: the list-control semantics it relies on, and `listt` over a real
// store, Run keys and program folder.
#include "launch_list.h"

#include "capture.h"
#include "registry.h"
#include "settings_store.h"

#include "sandbox.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Rows = std::vector<std::pair<std::wstring, std::wstring>>;

Rows RowsOf(const LaunchList& list) {
    Rows rows;
    EXPECT_EQ(list.names.Count(), list.commands.Count());
    for (size_t i = 0; i < list.Count(); ++i)
        rows.emplace_back(list.names.Item(i), list.commands.Item(i));
    return rows;
}

TEST(ItemListTest, BehavesLikeListControlItems) {
    ItemList items;
    EXPECT_TRUE(items.Insert(0, L"b"));
    EXPECT_TRUE(items.Insert(0, L"a"));
    EXPECT_TRUE(items.Insert(2, L"d"));  // at the count: appended
    EXPECT_TRUE(items.Insert(2, L"c"));  // shifts "d" down
    EXPECT_FALSE(items.Insert(5, L"x"));
    EXPECT_FALSE(items.Insert(-1, L"x"));
    EXPECT_EQ(items.Items(), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_FALSE(items.Remove(4));
    EXPECT_FALSE(items.Remove(-1));
    EXPECT_TRUE(items.Remove(1));  // shifts the rest up
    EXPECT_EQ(items.Items(), (std::vector<std::wstring>{L"a", L"c", L"d"}));
    EXPECT_EQ(items.Find(L"d", 3), std::optional<size_t>(2));
    EXPECT_EQ(items.Find(L"d", 2), std::nullopt);
    EXPECT_EQ(items.Find(L"A", 3), std::nullopt);  // letter case counts
    EXPECT_TRUE(IsBlankItem(L"   "));
    EXPECT_TRUE(IsBlankItem(L""));
    EXPECT_FALSE(IsBlankItem(L" x "));
}

class ListtTest : public ::testing::Test {
  protected:
    testing::Sandbox box;
    Os& os = SystemOs();
    StoreContext ctx{os, box.ProgramFolder()};

    void Captured(std::wstring_view section, std::wstring_view name, std::wstring_view command) {
        StoreWrite(os, section, name, command);
    }
    void Priority(std::wstring_view name, std::wstring_view position) {
        StoreWrite(os, kPrioritySection, name, position);
    }
    void Shortcut(std::wstring_view file) {
        std::filesystem::create_directories(box.folders.held);
        testing::WriteFile(box.folders.held / file);
    }
    std::wstring ShortcutPath(std::wstring_view file) const {
        return box.HeldFolder() + L"\\" + std::wstring(file);
    }
    // The store's own order of a section, which the list follows for unpositioned entries.
    Rows InStoreOrder(std::wstring_view section) {
        Rows rows;
        for (auto& pair : StoreReadSection(os, section)) rows.push_back(pair);
        return rows;
    }
    Rows Build() {
        LaunchList list;
        listt(ctx, list);
        return RowsOf(list);
    }
};

TEST_F(ListtTest, EmptyStoreGivesAnEmptyList) {
    EXPECT_TRUE(Build().empty());
}

TEST_F(ListtTest, WithoutPositionsMachineThenUserThenShortcuts) {
    Captured(kUserSection, L"u1", L"C:\\u1.exe");
    Captured(kMachineSection, L"m1", L"C:\\m1.exe");
    Captured(kMachineSection, L"m2", L"C:\\m2.exe");
    Shortcut(L"Notes.lnk");
    Rows expected = InStoreOrder(kMachineSection);
    for (auto& row : InStoreOrder(kUserSection)) expected.push_back(row);
    expected.emplace_back(L"Notes", ShortcutPath(L"Notes.lnk"));
    EXPECT_EQ(Build(), expected);
}

TEST_F(ListtTest, PositionsComeFirstInOrderWithoutGaps) {
    Captured(kMachineSection, L"free", L"C:\\free.exe");
    Captured(kMachineSection, L"five", L"C:\\five.exe");
    Captured(kUserSection, L"zero", L"C:\\zero.exe");
    Shortcut(L"two.lnk");
    Priority(L"five", L"5");
    Priority(L"zero", L"0");
    Priority(L"two", L"2");
    EXPECT_EQ(Build(), (Rows{{L"zero", L"C:\\zero.exe"},
                             {L"two", ShortcutPath(L"two.lnk")},
                             {L"five", L"C:\\five.exe"},
                             {L"free", L"C:\\free.exe"}}));
}

TEST_F(ListtTest, APositionWithoutAProgramLeavesNoRow) {
    Captured(kUserSection, L"here", L"C:\\here.exe");
    Priority(L"gone", L"0");
    Priority(L"here", L"1");
    EXPECT_EQ(Build(), (Rows{{L"here", L"C:\\here.exe"}}));
}

TEST_F(ListtTest, PositionsBeyondThePlaceholdersDependOnTheRowsAlreadyThere) {
    Captured(kMachineSection, L"early", L"C:\\early.exe");
    Captured(kMachineSection, L"sixty", L"C:\\sixty.exe");
    Captured(kMachineSection, L"loose", L"C:\\loose.exe");
    Priority(L"early", L"3");
    Priority(L"sixty", L"60");

    // The launcher starts from no rows: 50 placeholders, so 60 cannot be placed and the entry
    // falls among the unpositioned ones.
    Rows launcher = Build();
    ASSERT_EQ(launcher.size(), 3u);
    EXPECT_EQ(launcher[0].first, L"early");

    // The settings window starts from 50 blank rows of its own: 100 rows, so 60 is placed,
    // behind the smaller positions and before everything unpositioned.
    LaunchList list;
    list.AppendBlankRows(50);
    listt(ctx, list);
    EXPECT_EQ(RowsOf(list), (Rows{{L"early", L"C:\\early.exe"},
                                  {L"sixty", L"C:\\sixty.exe"},
                                  {L"loose", L"C:\\loose.exe"}}));

    // Without that, "sixty" sits where the store's order puts it among the unpositioned.
    Rows unpositioned;
    for (auto& row : InStoreOrder(kMachineSection)) {
        if (row.first != L"early") unpositioned.push_back(row);
    }
    EXPECT_EQ(Rows(launcher.begin() + 1, launcher.end()), unpositioned);
}

TEST_F(ListtTest, PositionAtTheRowCountAppendsAndImpossiblePositionsAreNotPlaced) {
    Captured(kUserSection, L"at50", L"C:\\at50.exe");
    Captured(kUserSection, L"neg", L"C:\\neg.exe");
    Captured(kUserSection, L"word", L"C:\\word.exe");
    Captured(kUserSection, L"one", L"C:\\one.exe");
    Priority(L"at50", L"50");    // equal to the 50 placeholders: a new last row
    Priority(L"neg", L"-1");     // cannot be inserted
    Priority(L"word", L"soon");  // not a number: reads as position 0
    Priority(L"one", L"1");
    const Rows rows = Build();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].first, L"word");
    EXPECT_EQ(rows[1].first, L"one");
    EXPECT_EQ(rows[2].first, L"at50");
    EXPECT_EQ(rows[3].first, L"neg");
}

TEST_F(ListtTest, APositionOutsideTheListTakesNoRowFromAnother) {
    Captured(kMachineSection, L"loose", L"C:\\loose.exe");
    Captured(kUserSection, L"first", L"C:\\first.exe");
    Captured(kUserSection, L"last", L"C:\\last.exe");
    Captured(kUserSection, L"zminus", L"C:\\zminus.exe");
    Captured(kUserSection, L"zhuge", L"C:\\zhuge.exe");
    Priority(L"first", L"0");
    Priority(L"last", L"1");
    // Written after the positioned ones and named after them, so that they are read later in
    // Windows' creation order and in Wine's alphabetical order alike.
    Priority(L"zminus", L"-1");
    Priority(L"zhuge", L"99999999999999999999");  // beyond long long: read as its largest value
    const Rows rows = Build();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::pair<std::wstring, std::wstring>{L"first", L"C:\\first.exe"}));
    EXPECT_EQ(rows[1], (std::pair<std::wstring, std::wstring>{L"last", L"C:\\last.exe"}));
    EXPECT_EQ(rows[2].first, L"loose");
    // Neither was placed: they follow among the unpositioned, in the store's order.
    Rows unpositioned;
    for (auto& row : InStoreOrder(kUserSection)) {
        if (row.first.starts_with(L"z")) unpositioned.push_back(row);
    }
    EXPECT_EQ(Rows(rows.begin() + 3, rows.end()), unpositioned);
}

TEST_F(ListtTest, TheLaterOfTwoNamesWithOnePositionTakesTheRow) {
    Captured(kMachineSection, L"first", L"C:\\first.exe");
    Captured(kMachineSection, L"second", L"C:\\second.exe");
    Captured(kMachineSection, L"third", L"C:\\third.exe");
    Priority(L"first", L"1");
    Priority(L"second", L"1");
    Priority(L"third", L"0");
    // Which of the two is read later is the store's order; the other one is pushed off.
    const auto order = StoreReadSection(os, kPrioritySection);
    std::wstring later, earlier;
    for (const auto& [name, pos] : order) {
        if (pos == L"1") (earlier.empty() ? earlier : later) = name;
    }
    const Rows rows = Build();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].first, L"third");
    EXPECT_EQ(rows[1].first, later);
    EXPECT_EQ(rows[2].first, earlier);
}

TEST_F(ListtTest, NamesAreMatchedWithLetterCaseAndTheUserCommandWins) {
    Captured(kMachineSection, L"Both", L"C:\\machine.exe");
    Captured(kUserSection, L"Both", L"C:\\user.exe");
    Priority(L"both", L"0");  // another name: it has no program and disappears
    EXPECT_EQ(Build(), (Rows{{L"Both", L"C:\\user.exe"}}));
}

TEST_F(ListtTest, AShortcutReplacesTheCommandOfTheSameName) {
    Captured(kMachineSection, L"Mail", L"C:\\mail.exe");
    Captured(kMachineSection, L"Other", L"C:\\other.exe");
    Shortcut(L"Mail.lnk");
    Priority(L"Other", L"0");
    EXPECT_EQ(Build(), (Rows{{L"Other", L"C:\\other.exe"}, {L"Mail", ShortcutPath(L"Mail.lnk")}}));
}

TEST_F(ListtTest, ShowsWhatTheStoreHoldsAndTakesNothing) {
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"Fresh", L"C:\\fresh.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(box.ProgramFolder()));
    EXPECT_TRUE(Build().empty());
    EXPECT_EQ(Registry::GetValue(os, HKEY_CURRENT_USER, kRunKey, L"Fresh"), L"C:\\fresh.exe");
    EXPECT_TRUE(StoreReadSection(os, kUserSection).empty());
}

TEST_F(ListtTest, ThirtyTwoBitRowsFollowTheMachinesAndKeepANameOfTheirOwn) {
    Captured(kUserSection, L"Shared", L"C:\\user.exe");
    Captured(kMachine32Section, L"Shared", L"C:\\x86.exe");
    Captured(kMachineSection, L"Shared", L"C:\\x64.exe");
    Captured(kMachine32Section, L"Old", L"C:\\old.exe");
    Priority(L"Old (32-bit)", L"0");
    // A name in both machine views keeps both programs; the user's value of the same name
    // gives the 64-bit row its command, as it always did.
    EXPECT_EQ(Build(), (Rows{{L"Old (32-bit)", L"C:\\old.exe"},
                             {L"Shared", L"C:\\user.exe"},
                             {L"Shared (32-bit)", L"C:\\x86.exe"}}));
}

TEST_F(ListtTest, ALogOnLeavesOutWhatWindowsHasJustStartedItself) {
    Captured(kMachineSection, L"Again64", L"C:\\a64.exe");
    Captured(kMachine32Section, L"Again32", L"C:\\a32.exe");
    Captured(kUserSection, L"AgainUser", L"C:\\au.exe");
    Captured(kUserSection, L"Held", L"C:\\held.exe");
    Captured(kUserSection, L"OtherView", L"C:\\ov.exe");
    Captured(kUserSection, L"SwitchedOff", L"C:\\off.exe");
    Shortcut(L"Notes.lnk");
    Shortcut(L"Kept.lnk");
    // Programs that wrote their entries again, one shortcut put back by hand, and entries
    // that Windows did not start at this log-on.
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Again64", L"C:\\a64.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRun32Key, L"Again32", L"C:\\a32.exe");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"againuser", L"C:\\au-v2.exe");
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"OtherView", L"C:\\ov.exe");
    testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"SwitchedOff", L"C:\\off.exe");
    const BYTE off[12] = {0x03};
    testing::SetRaw(HKEY_CURRENT_USER, kApprovedRunKey, L"SwitchedOff", REG_BINARY, off,
                    sizeof off);
    testing::WriteFile(box.folders.startUp / L"Notes.lnk");

    const HeldEntries held = ReadHeldEntries(ctx);
    LaunchList list;
    listt(ctx, held, list);
    LeaveOutStartedByWindows(ctx, held, list);
    EXPECT_EQ(RowsOf(list), (Rows{{L"Held", L"C:\\held.exe"},
                                  {L"OtherView", L"C:\\ov.exe"},
                                  {L"SwitchedOff", L"C:\\off.exe"},
                                  {L"Kept", ShortcutPath(L"Kept.lnk")}}));
}

TEST_F(ListtTest, TheSettingsOpeningsCapturePassStopsAtSlotHundred) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", LauncherCommand(box.ProgramFolder()));
    for (int i = 0; i < 120; ++i)
        testing::SetSz(HKEY_CURRENT_USER, kRunKey, L"V" + std::to_wstring(100 + i), L"C:\\v.exe");
    CaptureRunValues(ctx, kListCaptureLastSlot);
    // The registration takes slot 0, so the user's values take slots 1 to 100.
    EXPECT_EQ(Build().size(), 100u);
    EXPECT_EQ(Registry::EnumValues(os, HKEY_CURRENT_USER, kRunKey).size(), 20u);
}

}  // namespace
}  // namespace tarnwick

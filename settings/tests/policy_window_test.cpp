// Group Policy in the real TarnwickSettings.exe: what a policy sets shows the policy's value,
// greyed, with "Set by your administrator."; Save leaves the user's own options in the store, and
// they come back once the policy goes; a locked switch says so and gives nothing back.
#include "window_fixture.h"

#include "capture.h"
#include "policy.h"

#include <gtest/gtest.h>

namespace tarnwick::settings {
namespace {

constexpr wchar_t kSetByAdministrator[] = L"Set by your administrator.";
// The user's own: 6 s and 2 s, the launcher's window shown and kept open, no waiting.
constexpr std::pair<const wchar_t*, const wchar_t*> kUsersOwn[] = {{L"TimeDelay", L"60"},
                                                                   {L"initTimeDelay", L"20"},
                                                                   {L"Visible", L"1"},
                                                                   {L"AutoHide", L"False"},
                                                                   {L"WaitIdle", L"False"}};

class PolicyWindowTest : public WindowTest {
  protected:
    PolicyWindowTest() {
        for (const auto& [key, text] : kUsersOwn) SetMisc(key, text);
    }
    static bool Enabled(const SettingsProcess& window, int id) {
        return ::IsWindowEnabled(window.Item(id)) != FALSE;
    }
    static bool Shown(const SettingsProcess& window, int id) {
        return ::IsWindowVisible(window.Item(id)) != FALSE;
    }
    // The window as the user's own options show it, with nothing greyed and no note.
    static void ExpectTheUsersOwn(const SettingsProcess& window) {
        EXPECT_EQ(window.Text(IDC_Label2), L"6");
        EXPECT_EQ(window.Text(IDC_Label3), L"2");
        EXPECT_TRUE(window.Checked(IDC_Check1));
        EXPECT_FALSE(window.Checked(IDC_Check2));
        EXPECT_FALSE(window.Checked(IDC_Check6));
        for (const int id : {IDC_Label1, IDC_VScroll1, IDC_Label4, IDC_VScroll2, IDC_Check1,
                             IDC_Check2, IDC_Check6, IDC_Command5}) {
            EXPECT_TRUE(Enabled(window, id)) << "control " << id << " greyed without a policy";
        }
        EXPECT_FALSE(Shown(window, IDC_Label19));
        EXPECT_FALSE(Shown(window, IDC_Label20));
    }
    static void ExpectTheUsersOwnStored() {
        for (const auto& [key, text] : kUsersOwn) EXPECT_EQ(Misc(key), text) << key;
    }

    testing::PolicyGuard policies_;
};

TEST_F(PolicyWindowTest, PolicySetControlsShowThePolicyGreyedAndSaveKeepsTheUsersOwn) {
    testing::SetPolicies({{HKEY_LOCAL_MACHINE, L"TimeDelay", 12},
                          {HKEY_LOCAL_MACHINE, L"initTimeDelay", 7},
                          {HKEY_LOCAL_MACHINE, L"AutoHide", 1},
                          {HKEY_CURRENT_USER, L"Visible", 0},
                          {HKEY_CURRENT_USER, L"WaitIdle", 1}});
    {
        auto window = Open();
        EXPECT_EQ(window->Text(IDC_Label2), L"12");
        EXPECT_EQ(window->Text(IDC_Label3), L"7");
        EXPECT_FALSE(window->Checked(IDC_Check1));
        EXPECT_TRUE(window->Checked(IDC_Check2));
        EXPECT_TRUE(window->Checked(IDC_Check6));
        for (const int id : {IDC_Label1, IDC_VScroll1, IDC_Label4, IDC_VScroll2, IDC_Check1,
                             IDC_Check2, IDC_Check6}) {
            EXPECT_FALSE(Enabled(*window, id)) << "control " << id << " set by policy, not greyed";
        }
        // What no policy sets stays the user's to change.
        for (const int id : {IDC_Check3, IDC_Check4, IDC_Check5, IDC_Command5}) {
            EXPECT_TRUE(Enabled(*window, id)) << "control " << id << " greyed";
        }
        EXPECT_TRUE(Shown(*window, IDC_Label19));
        EXPECT_EQ(window->Text(IDC_Label19), kSetByAdministrator);
        EXPECT_FALSE(Shown(*window, IDC_Label20)) << "the switch is not locked";
        // Forged clicks on the greyed controls move nothing.
        window->Spin(IDC_VScroll1, SB_LINEUP);
        EXPECT_EQ(window->Text(IDC_Label2), L"12");
        window->Click(IDC_Check3);
        Save(*window);
    }
    ExpectTheUsersOwnStored();
    EXPECT_EQ(Misc(L"Details"), L"False") << "what no policy sets is saved as ever";

    // The policies go: the user's own options are back, to be changed again.
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, std::wstring(kPolicyKey).c_str());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(kPolicyKey).c_str());
    auto window = Open();
    ExpectTheUsersOwn(*window);
    Cancel(*window);
}

TEST_F(PolicyWindowTest, OddPolicyValuesChangeNothing) {
    testing::SetSz(HKEY_LOCAL_MACHINE, kPolicyKey, L"TimeDelay", L"12");
    testing::SetPolicies({{HKEY_LOCAL_MACHINE, L"initTimeDelay", 0},
                          {HKEY_CURRENT_USER, L"initTimeDelay", 51},
                          {HKEY_LOCAL_MACHINE, L"AutoHide", 2}});
    const WORD shortValue = 1;  // a REG_DWORD too short to be one
    testing::SetRaw(HKEY_LOCAL_MACHINE, kPolicyKey, L"WaitIdle", REG_DWORD, &shortValue,
                    sizeof shortValue);
    testing::SetSz(HKEY_CURRENT_USER, kPolicyKey, L"LockSwitch", L"1");
    auto window = Open();
    ExpectTheUsersOwn(*window);
    Save(*window);
    ExpectTheUsersOwnStored();
}

TEST_F(PolicyWindowTest, ALockedSwitchSaysSoAndGivesNothingBack) {
    Held({L"Alpha"});
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    testing::SetPolicies({{HKEY_LOCAL_MACHINE, L"LockSwitch", 1}});
    auto window = Open();
    EXPECT_TRUE(Shown(*window, IDC_Label20));
    EXPECT_EQ(window->Text(IDC_Label20), kSetByAdministrator);
    // Within reach of the keyboard and a screen reader, under its own name and key.
    EXPECT_TRUE(Enabled(*window, IDC_Command5));
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    testing::Click(window->Item(IDC_Command5));
    const HWND box = window->WaitForMessage(10s);
    ASSERT_NE(box, nullptr) << "the locked switch said nothing";
    bool saysWhy = false;
    for (HWND child : testing::ChildWindows(box)) {
        if (testing::WindowText(child).find(L"Your administrator") != std::wstring::npos)
            saysWhy = true;
    }
    EXPECT_TRUE(saysWhy) << "the message does not say who locked the switch";
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_TRUE(testing::Eventually([&] { return !::IsWindow(box); }, 5s));
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"-"), L"-");
    EXPECT_TRUE(LauncherInPlace(os, folder.Path().wstring()));
    EXPECT_EQ(Misc(L"Enabled"), L"True");
    Cancel(*window);
}

}  // namespace
}  // namespace tarnwick::settings

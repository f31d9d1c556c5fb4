// The real TarnwickSettings.exe as a screen reader, a keyboard-only user and a user with large text
// or a high-contrast theme meet it: the names its controls are announced by, every control and
// action reached with keys pressed as on the keyboard, and every text whole at 96, 144 and 192 DPI.
#include "window_fixture.h"

#include "accessibility_checks.h"
#include "screen.h"
#include "skin_index.h"

#include "logon_costs.h"
#include "own_wait.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace tarnwick::settings {
namespace {

using testing::Eventually;
using testing::FocusedControl;
using testing::PressKey;

// Every control a user reaches with Tab whose name is its own text, by that name.
const std::map<int, std::wstring> kOwnNames = {
    {IDC_VScroll1, L"Loading delay (Seconds)"},
    {IDC_VScroll2, L"Initial Delay (Seconds)"},
    {IDC_Check1, L"Visible On Startup"},
    {IDC_Check2, L"Auto hide"},
    {IDC_Check5, L"Hide Logo"},
    {IDC_Check3, L"Show Details"},
    {IDC_Check4, L"Show \"Skin\""},
    {IDC_Check6, L"Wait until the computer is idle"},
    {IDC_List4, L"Start-up programs"},
    {IDC_List6, L"Start-up impact"},
    {IDC_List5, L"What is started"},
    {IDC_Command8, L"Move up"},
    {IDC_Command7, L"Move down"},
    {IDC_Command10, L"Lightest first"},
    {IDC_Command11, L"Last log-on..."},
    {IDC_Command9, L"Go To The Mereval Website"},
    {IDC_Command1, L"Save"},
    {IDC_Command2, L"Cancel"},
    {IDC_Command4, L"Help"},
    {IDC_Command5, L"Enabled"},
    {IDC_Command3, L"About"},
};
// Controls whose window text is what they hold: their names are annotations only.
const std::map<int, std::wstring> kAnnotatedNames = {
    {IDC_Combo1, L"Skin"},
    {IDC_Combo2, L"Selected program's wait"},
    {IDC_Text1, L"Seconds after the one before starts"},
};

// The order Tab takes from the first program list once a row is selected, round to it again.
constexpr int kTabOrder[] = {IDC_List6,    IDC_List5,     IDC_Command8, IDC_Command7, IDC_Command10,
                             IDC_Combo2,   IDC_Command11, IDC_Command9, IDC_Command1, IDC_Command2,
                             IDC_Command4, IDC_Command5,  IDC_Command3, IDC_VScroll1, IDC_VScroll2,
                             IDC_Check1,   IDC_Check2,    IDC_Check5,   IDC_Check3,   IDC_Check4,
                             IDC_Combo1,   IDC_Check6,    IDC_List4};

std::string Narrow(const std::wstring& text) {
    return {text.begin(), text.end()};
}

// The program started by a shell of the host, with `variables` set for it and its standard error
// in the file `errors` (a Unix path): Wine writes its own messages there, to the Unix standard
// error a process inherits, and not to the error handle a Windows parent gives it. Its window is
// found by its title, as the one without an owner, and is cancelled when this goes.
class ShellStarted {
  public:
    ShellStarted(const std::filesystem::path& exe, const std::wstring& variables,
                 const std::wstring& errors)
        : shell_(L"Z:\\bin\\sh", L"-c \"" + variables + L" exec wine '" + exe.wstring() +
                                     L"' </dev/null >/dev/null 2>'" + errors + L"'\"") {
        // Shown only once its opening is over.
        Eventually(
            [&] {
                window_ = ::FindWindowW(L"#32770", L"Tarnwick Settings");
                return window_ && !::GetWindow(window_, GW_OWNER) && ::IsWindowVisible(window_);
            },
            15s);
        if (!window_) throw std::runtime_error("the settings window did not appear");
    }
    ~ShellStarted() {
        ::PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
        Eventually([&] { return !::IsWindow(window_); }, 10s);
    }
    ShellStarted(const ShellStarted&) = delete;
    ShellStarted& operator=(const ShellStarted&) = delete;
    HWND Window() const { return window_; }
    HWND Item(int id) const { return ::GetDlgItem(window_, id); }

  private:
    testing::Child shell_;  // no Windows process: nothing to wait for
    HWND window_ = nullptr;
};

class AccessTest : public WindowTest {
  protected:
    // A file beside the test's Wine prefix, by its Unix path.
    static std::wstring BesidePrefix(const wchar_t* name) {
        wchar_t prefix[MAX_PATH]{};
        ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
        return std::wstring(prefix) + L"-" + name;
    }
    static std::string ReadHostFile(std::wstring unixPath) {
        std::replace(unixPath.begin(), unixPath.end(), L'/', L'\\');
        std::ifstream in(std::filesystem::path(L"Z:" + unixPath), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Waits for the focus to reach `id`, after a key; says where it is instead, if not.
    static ::testing::AssertionResult FocusReaches(const SettingsProcess& window, int id) {
        if (Eventually([&] { return FocusedControl(window.Window()) == window.Item(id); }, 3s)) {
            return ::testing::AssertionSuccess();
        }
        const HWND at = FocusedControl(window.Window());
        return ::testing::AssertionFailure() << "the focus is on " << ::GetDlgCtrlID(at) << " \""
                                             << Narrow(testing::WindowText(at)) << "\", not " << id;
    }
    static bool CheckedSoon(const SettingsProcess& window, int id, bool checked) {
        return Eventually([&] { return window.Checked(id) == checked; }, 3s);
    }
    static bool RowsSoon(const SettingsProcess& window, const Names& rows) {
        return Eventually([&] { return window.Rows(IDC_List4) == rows; }, 3s);
    }
    // The text of the window's tooltip while one is shown.
    static std::wstring ShownTip(HWND window) {
        for (HWND tip = ::FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip;
             tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
            if (::GetWindow(tip, GW_OWNER) != window || !::IsWindowVisible(tip)) continue;
            wchar_t text[64]{};
            ::SendMessageTimeoutW(tip, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text),
                                  SMTO_ABORTIFHUNG, 5000, nullptr);
            return text;
        }
        return {};
    }
    static bool Ends(SettingsProcess& window) {
        const std::optional<DWORD> code = window.Wait(10s);
        return code && *code == 0;
    }
};

TEST_F(AccessTest, EveryReachableControlIsAnnouncedByTheTextASightedUserReadsBesideIt) {
    const std::wstring errors = BesidePrefix(L"settings-errors.txt");
    const ShellStarted window(exe, L"WINEDEBUG=fixme+oleacc", errors);
    // Every control Tab reaches is in one of the tables, so that no new one goes without a name.
    for (const HWND child : testing::ChildWindows(window.Window())) {
        const int id = ::GetDlgCtrlID(child);
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) == 0) continue;
        EXPECT_TRUE(kOwnNames.contains(id) || kAnnotatedNames.contains(id)) << id << " unnamed";
    }
    for (const auto& [id, name] : kOwnNames) {
        EXPECT_EQ(testing::AccessibleName(window.Item(id)), name) << "control " << id;
    }
    // The spin of the seconds, which the keyboard reaches through the seconds' box.
    EXPECT_EQ(testing::AccessibleName(window.Item(IDC_UpDown1)),
              L"Seconds after the one before starts");

    // The annotations, which Wine 8 does not keep but reports with the control's handle. Windows
    // names lists and spins after the text before them, which misses: they are annotated too.
    std::map<int, std::wstring> annotated = kAnnotatedNames;
    for (const int id : {IDC_VScroll1, IDC_VScroll2, IDC_List4, IDC_List6, IDC_List5, IDC_UpDown1})
        annotated[id] = testing::WindowText(window.Item(id));
    const std::string output = ReadHostFile(errors);
    for (const auto& [id, name] : annotated) {
        char call[160]{};
        std::snprintf(call, sizeof call, "SetHwndPropStr (%016llX 4294967292 0 {%s} L\"%s\")",
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window.Item(id))),
                      "608d3df8-8128-4aa7-a428-f55e49267291", Narrow(name).c_str());
        EXPECT_NE(output.find(call), std::string::npos) << call << " not in:\n" << output;
    }

    // The picture buttons show their text as a tooltip while the pointer rests on them.
    for (const int id : {IDC_Command8, IDC_Command7}) {
        RECT button{};
        ::GetWindowRect(window.Item(id), &button);
        testing::MoveMouse((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        EXPECT_TRUE(Eventually([&] { return ShownTip(window.Window()) == kOwnNames.at(id); }, 5s))
            << "the tooltip of " << id << " reads \"" << Narrow(ShownTip(window.Window())) << "\"";
    }
    testing::MoveMouse(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
}

TEST_F(AccessTest, TheKeyboardAloneReachesEveryControlTicksEveryBoxMovesARowAndSaves) {
    Held({L"A", L"B", L"C"});
    auto window = Open();
    ASSERT_TRUE(testing::BringToFront(window->Window()));
    // One access key per labelled control, none twice.
    const std::wstring keys = testing::AccessKeys(window->Window());
    EXPECT_EQ(keys.size(), 20u) << Narrow(keys);
    EXPECT_EQ(std::set<wchar_t>(keys.begin(), keys.end()).size(), keys.size()) << Narrow(keys);

    // The window opens with the focus in the program list; Down selects the first row.
    ASSERT_TRUE(FocusReaches(*window, IDC_List4));
    PressKey(VK_DOWN);
    const std::set<int> boxes{IDC_Check1, IDC_Check2, IDC_Check3,
                              IDC_Check4, IDC_Check5, IDC_Check6};
    for (const int id : kTabOrder) {
        PressKey(VK_TAB);
        ASSERT_TRUE(FocusReaches(*window, id));
        if (!boxes.contains(id)) continue;
        const bool before = window->Checked(id);
        PressKey(VK_SPACE);
        EXPECT_TRUE(CheckedSoon(*window, id, !before)) << "Space did not tick " << id;
        PressKey(VK_SPACE);
        EXPECT_TRUE(CheckedSoon(*window, id, before)) << "Space did not untick " << id;
    }
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(FocusReaches(*window, IDC_Check6));

    // A label's access key reaches the control it names; a tick box's ticks it.
    for (const auto& [key, id] :
         {std::pair{L'D', IDC_VScroll1}, std::pair{L'I', IDC_VScroll2}, std::pair{L'M', IDC_List6},
          std::pair{L'W', IDC_Combo2}, std::pair{L'U', IDC_Check2}, std::pair{L'F', IDC_List4}}) {
        PressKey(key, VK_MENU);
        EXPECT_TRUE(FocusReaches(*window, id)) << "Alt+" << static_cast<char>(key);
    }
    EXPECT_TRUE(window->Checked(IDC_Check2)) << "Alt+U did not tick Auto hide";

    // Alt+Down and Alt+Up move the selected row, from any of the three lists; Alt let go after
    // them opens no menu, so Tab still goes on from there.
    PressKey(VK_DOWN, VK_MENU);
    EXPECT_TRUE(RowsSoon(*window, {L"B", L"A", L"C"}));
    PressKey(VK_TAB);
    PressKey(VK_DOWN, VK_MENU);
    EXPECT_TRUE(RowsSoon(*window, {L"B", L"C", L"A"}));
    PressKey(VK_TAB);
    ASSERT_TRUE(FocusReaches(*window, IDC_List5));
    PressKey(VK_UP, VK_MENU);
    EXPECT_TRUE(RowsSoon(*window, {L"B", L"A", L"C"}));

    // The moved row's own wait: a number of seconds, typed.
    PressKey(L'W', VK_MENU);
    PressKey(VK_DOWN);
    PressKey(L'N', VK_MENU);
    ASSERT_TRUE(FocusReaches(*window, IDC_Text1));
    PressKey(L'1');
    PressKey(L'2');
    EXPECT_TRUE(Eventually([&] { return window->Text(IDC_Text1) == L"12"; }, 3s));

    PressKey(VK_RETURN);
    ASSERT_TRUE(Ends(*window)) << "Enter did not save and close";
    EXPECT_EQ(Priority(), (Pairs{{L"B", L"0"}, {L"A", L"1"}, {L"C", L"2"}}));
    EXPECT_EQ(Misc(L"AutoHide"), L"True");
    EXPECT_EQ(Misc(L"Visible"), L"1");
    EXPECT_EQ(StoreRead(os, kWaitSection, L"A", L"-"), L"12");
}

TEST_F(AccessTest, EscapeIsCancelAndKeepsWhatTheStoreHeld) {
    Held({L"A", L"B"});
    SetMisc(L"AutoHide", L"False");
    auto window = Open();
    ASSERT_TRUE(testing::BringToFront(window->Window()));
    ASSERT_TRUE(FocusReaches(*window, IDC_List4));
    PressKey(VK_DOWN);
    PressKey(VK_DOWN, VK_MENU);
    EXPECT_TRUE(RowsSoon(*window, {L"B", L"A"}));
    PressKey(L'U', VK_MENU);
    EXPECT_TRUE(CheckedSoon(*window, IDC_Check2, true));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(Ends(*window)) << "Esc did not close the window";
    EXPECT_FALSE(PriorityExists());
    EXPECT_EQ(Misc(L"AutoHide"), L"False");
}

// Controls grow with the DPI in dialog units, but a font's glyphs do not grow in step: what fits at
// 96 DPI may be clipped at 192. The last log-on's line shows a whole record.
TEST_F(AccessTest, EveryTextFitsItsControlAt96And144And192Dpi) {
    Held({L"A", L"B"});
    for (const auto& [key, text] : Pairs{{L"0", L"1000||1500,0,0,-,0|A"},
                                         {L"1", L"5000||40,20000,1000,300,0|B"},
                                         {L"load", L""},
                                         {L"idle", L"False"},
                                         {L"span", L"48000"},
                                         {L"programs", L"2"},
                                         {L"when", L"134412793200000000"}}) {
        StoreWrite(os, kLastLogOnSection, key, text);
    }
    LONG widthAt96 = 0;
    for (const UINT dpi : {96u, 144u, 192u}) {
        const testing::DisplayDpi display(dpi);
        auto window = Open();
        // Wine 8 does not tell another process's window's DPI: the window's width shows it.
        RECT client{};
        ::GetClientRect(window->Window(), &client);
        if (dpi == 96) widthAt96 = client.right;
        EXPECT_NEAR(client.right, ::MulDiv(widthAt96, static_cast<int>(dpi), 96), widthAt96 / 20);
        window->ClickRow(IDC_List4, 0);  // the wait's controls as they are in use
        EXPECT_NE(window->Text(IDC_Label15).find(L"2 programs in 48 s."), std::wstring::npos);
        std::wstring wrong;
        for (const std::wstring& text : testing::TextsThatDoNotFit(window->Window(), dpi))
            wrong += text + L"\n";
        // The spin lies over its box's border, as the system places it.
        for (const std::wstring& text : testing::ControlsOutOfPlace(window->Window())) {
            if (text.find(std::to_wstring(IDC_UpDown1)) == std::wstring::npos)
                wrong += text + L"\n";
        }
        EXPECT_EQ(wrong, L"") << dpi << " DPI";
        Cancel(*window);
    }
}

TEST_F(AccessTest, InHighContrastTheSkinGivesWayToTheSystemsColours) {
    CopyProductData(folder.Path());
    const std::vector<SkinRecord> skins =
        LoadSkinIndex((folder.Path() / L"skins" / L"skins.skn").wstring());
    ASSERT_GE(skins.size(), 2u);
    SetMisc(L"Back", L"True");
    SetMisc(L"skin", L"1");  // a brown, which the scheme has nowhere
    std::unique_ptr<SettingsProcess> window;
    {
        const testing::HighContrastScheme scheme;
        window = Open();
    }
    RECT shown{};
    ::GetWindowRect(window->Window(), &shown);
    ASSERT_TRUE(testing::WaitForSteadyScreen(shown, 10s));
    const Screen screen(window->Window());
    for (const int id : {IDC_Label1, IDC_Label4, IDC_Label5, IDC_Label6, IDC_Label14, IDC_Check1,
                         IDC_Check2, IDC_Check3, IDC_Check4, IDC_Check5, IDC_Check6}) {
        EXPECT_GE(screen.Count(window->Item(id), testing::HighContrastScheme::kText), 6) << id;
        EXPECT_EQ(screen.Count(window->Item(id), skins[1].colour), 0) << id;
    }
    // No picture behind the controls: the scheme's face in the window's corner, where none lies.
    RECT client{};
    ::GetClientRect(window->Window(), &client);
    EXPECT_EQ(screen.Client(2, client.bottom - 3), testing::HighContrastScheme::kFace);
    // The band is the scheme's highlight (High Contrast Black's cyan), not the logo.
    RECT band{};
    ::GetClientRect(window->Item(IDC_Picture1), &band);
    EXPECT_GT(screen.Count(window->Item(IDC_Picture1), RGB(26, 235, 255)),
              band.right * band.bottom / 2);
    Cancel(*window);
}

}  // namespace
}  // namespace tarnwick::settings

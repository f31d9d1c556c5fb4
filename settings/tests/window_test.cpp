// The real TarnwickSettings.exe, started from a temporary program folder and driven from here:
// messages to its controls, then the store read back.
#include "window_fixture.h"

#include "other_program.h"

#include "capture.h"
#include "gdi.h"
#include "logon_costs.h"
#include "registry.h"
#include "screen.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarnwick::settings {
namespace {

TEST_F(WindowTest, TheProgramCarriesItsVersionAndManifest) {
    EXPECT_EQ(testing::FixedFileVersion(exe), L"1.6.0.0");
    EXPECT_EQ(testing::VersionText(exe, L"FileVersion"), L"1.6.0");
    const std::string manifest = testing::EmbeddedManifest(exe);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("level=\"highestAvailable\""), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
}

TEST_F(WindowTest, ASecondStartBringsTheOpenWindowBackAndEnds) {
    auto first = Open();
    const HWND window = first->Window();
    ::ShowWindowAsync(window, SW_MINIMIZE);
    ASSERT_TRUE(testing::Eventually([&] { return ::IsIconic(window) != FALSE; }, 5s));
    testing::Child second(exe);
    const std::optional<DWORD> code = second.Wait(10s);
    ASSERT_TRUE(code.has_value()) << "the second settings program is still running";
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(testing::Eventually([&] { return !::IsIconic(window); }, 5s));
    EXPECT_TRUE(testing::Eventually([&] { return ::GetForegroundWindow() == window; }, 5s));
    EXPECT_TRUE(first->Running());
    Cancel(*first);
}

TEST_F(WindowTest, MessagesWithForgedParametersChangeNothing) {
    auto window = Open();
    const HWND form = window->Window();
    const HWND band = window->Item(IDC_Picture1);
    RECT before{};
    ::GetWindowRect(form, &before);
    RECT shownBand{};
    ::GetWindowRect(band, &shownBand);
    ASSERT_TRUE(testing::WaitForSteadyScreen(shownBand, 10s)) << "the band was never drawn";
    RECT inBand{};
    ::GetClientRect(band, &inBand);
    // The logo's last column of pixels, drawn out to the band's right edge.
    const COLORREF logo = Screen(form).Client(inBand.right - 3, inBand.bottom / 2);
    const int logoPixels = Screen(form).Count(band, logo);
    // Any program can post these: an opening that already ran, naming an object at an address
    // that holds none; a DPI change the window did not undergo, with a rectangle at such an
    // address. A picture to draw comes only sent: the system posts no message that carries a
    // pointer.
    ::PostMessageW(form, WM_INITDIALOG, 0, 0x10);
    EXPECT_FALSE(::PostMessageW(form, WM_DRAWITEM, IDC_Picture1, 0x10));
    const UINT dpi = ::GetDpiForWindow(form);
    ::PostMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0x10);
    // And send them: the DPI change with that address (Wine passes it on as it is) or with a
    // rectangle elsewhere on the screen; the band to draw over the whole screen, in a device
    // context of this program's.
    window->Send(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0x10);
    RECT elsewhere{0, 0, 300, 300};
    window->Send(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&elsewhere));
    const WindowDc screen(nullptr);
    DRAWITEMSTRUCT item{ODT_STATIC,   IDC_Picture1,       0, ODA_DRAWENTIRE, 0, band,
                        screen.get(), {0, 0, 1280, 1024}, 0};
    window->Send(form, WM_DRAWITEM, IDC_Picture1, reinterpret_cast<LPARAM>(&item));
    // The window's own message for the warning that Task Manager switched the launcher off,
    // when it is not.
    ::PostMessageW(form, WM_APP + 2, 0, 0);
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
        << "the window no longer answers";
    EXPECT_EQ(window->WaitForMessage(1s), nullptr) << "a warning came for nothing";
    EXPECT_EQ(window->Text(IDC_Label2), L"0.5");
    RECT after{};
    ::GetWindowRect(form, &after);
    EXPECT_TRUE(::EqualRect(&after, &before)) << "the window moved";
    // The band draws itself as before when the window draws itself again, here at once as the
    // skin is hidden by a click that another program sends, as an automation tool does.
    window->Click(IDC_Check4);
    // The click is handled at once; the painting it asks for comes when the window gets to it.
    EXPECT_TRUE(testing::Eventually([&] { return Screen(form).Count(band, logo) == logoPixels; },
                                    std::chrono::seconds(5)))
        << Screen(form).Count(band, logo) << " pixels of the logo, not " << logoPixels;
    EXPECT_GT(logoPixels, 0);
    Cancel(*window);
}

TEST_F(WindowTest, OpeningAnEmptyStoreShowsTheDefaultsAndWritesBackSevenKeys) {
    auto window = Open();
    EXPECT_EQ(window->Text(IDC_Label2), L"0.5");
    EXPECT_EQ(window->Text(IDC_Label3), L"1");
    EXPECT_EQ(window->Send(window->Item(IDC_VScroll1), SBM_GETPOS), 99);
    EXPECT_EQ(window->Send(window->Item(IDC_VScroll2), SBM_GETPOS), 98);
    EXPECT_TRUE(window->Checked(IDC_Check1));
    EXPECT_TRUE(window->Checked(IDC_Check3));
    EXPECT_FALSE(window->Checked(IDC_Check2));
    EXPECT_FALSE(window->Checked(IDC_Check5));
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    EXPECT_EQ(window->Count(IDC_List4), 0);
    EXPECT_EQ(window->Count(IDC_List5), 0);

    Names stored;
    for (const auto& [key, text] : StoreReadSection(os, kMiscSection))
        stored.push_back(key + L"=" + text);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (Names{L"AutoHide=False", L"Details=True", L"Enabled=True", L"TimeDelay=3",
                             L"V=False", L"Visible=1", L"initTimeDelay=10"}));
    Cancel(*window);
    EXPECT_EQ(StoreReadSection(os, kMiscSection).size(), 7u);
}

TEST_F(WindowTest, TheControlsCarryTheirTextsAndTheArrangementIsTidy) {
    auto window = Open();
    EXPECT_EQ(window->Text(IDC_Label1), L"Loading &delay (Seconds):");
    EXPECT_EQ(window->Text(IDC_Label4), L"&Initial Delay (Seconds):");
    EXPECT_EQ(window->Text(IDC_Check1), L"&Visible On Startup");
    EXPECT_EQ(window->Text(IDC_Check2), L"A&uto hide");
    EXPECT_EQ(window->Text(IDC_Check3), L"Show De&tails");
    EXPECT_EQ(window->Text(IDC_Check4), L"Show \"S&kin\"");
    EXPECT_EQ(window->Text(IDC_Check5), L"Hide L&ogo");
    EXPECT_EQ(window->Text(IDC_Label5), L"Load &First");
    EXPECT_EQ(window->Text(IDC_Label6), L"Load Last");
    EXPECT_EQ(window->Text(IDC_Command1), L"&Save");
    EXPECT_EQ(window->Text(IDC_Command2), L"&Cancel");
    EXPECT_EQ(window->Text(IDC_Command3), L"&About");
    EXPECT_EQ(window->Text(IDC_Command4), L"&Help");
    EXPECT_EQ(window->Text(IDC_Command9), L"Go To The Me&reval Website");

    auto rect = [&](int id) {
        RECT r{};
        ::GetWindowRect(window->Item(id), &r);
        return r;
    };
    // Reading order: logo, delays, options, lists, web button, buttons.
    EXPECT_LT(rect(IDC_Picture1).bottom, rect(IDC_Label1).top);
    EXPECT_LT(rect(IDC_Label1).bottom, rect(IDC_Label4).top);
    EXPECT_LT(rect(IDC_Label4).bottom, rect(IDC_Check1).top);
    EXPECT_EQ(rect(IDC_Check1).left, rect(IDC_Check2).left);
    EXPECT_EQ(rect(IDC_Check3).top, rect(IDC_Check1).top);
    EXPECT_GT(rect(IDC_Combo1).left, rect(IDC_Check4).right);
    EXPECT_LT(rect(IDC_Label5).bottom, rect(IDC_List4).top);
    EXPECT_EQ(rect(IDC_List4).top, rect(IDC_List5).top);
    EXPECT_EQ(rect(IDC_List4).right, rect(IDC_List6).left);
    EXPECT_EQ(rect(IDC_List6).right, rect(IDC_List5).left);
    EXPECT_LT(rect(IDC_List5).bottom, rect(IDC_Label6).top + 4);
    EXPECT_LT(rect(IDC_Label6).bottom, rect(IDC_Command8).top);
    EXPECT_EQ(rect(IDC_Command10).top, rect(IDC_Command8).top);
    // Under the arrows: the selected program's wait, then the last log-on.
    EXPECT_LT(rect(IDC_Command8).bottom, rect(IDC_Combo2).top);
    EXPECT_LT(rect(IDC_Combo2).bottom, rect(IDC_Text1).top);
    EXPECT_LT(rect(IDC_Text1).bottom, rect(IDC_Label18).top);
    EXPECT_LT(rect(IDC_Label18).bottom, rect(IDC_Label15).top);
    EXPECT_LT(rect(IDC_Command11).bottom, rect(IDC_Command9).top);
    EXPECT_GT(rect(IDC_Command11).left, rect(IDC_Label15).right);
    EXPECT_LT(rect(IDC_Command9).bottom, rect(IDC_Command1).top);
    EXPECT_EQ(rect(IDC_Command1).top, rect(IDC_Command4).top);
    EXPECT_LT(rect(IDC_Command1).bottom, rect(IDC_Command5).top);
    EXPECT_EQ(rect(IDC_Command5).top, rect(IDC_Command3).top);

    // No two controls overlap, and every one lies inside the window's client area.
    RECT client{};
    ::GetClientRect(window->Window(), &client);
    ::MapWindowPoints(window->Window(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<std::pair<int, RECT>> controls;
    for (const HWND child : testing::ChildWindows(window->Window())) {
        RECT r{};
        ::GetWindowRect(child, &r);
        const int id = ::GetDlgCtrlID(child);
        if (id == IDC_Combo1 || id == IDC_Combo2) r.bottom = r.top + 20;  // not its drop-down
        // The up-down control lies over the border of its edit box, as the system places it.
        if (id == IDC_UpDown1) continue;
        controls.emplace_back(::GetDlgCtrlID(child), r);
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        const RECT& a = controls[i].second;
        EXPECT_TRUE(a.left >= client.left && a.top >= client.top && a.right <= client.right &&
                    a.bottom <= client.bottom)
            << "control " << controls[i].first << " leaves the window";
        for (size_t j = i + 1; j < controls.size(); ++j) {
            RECT both{};
            EXPECT_FALSE(::IntersectRect(&both, &a, &controls[j].second))
                << "controls " << controls[i].first << " and " << controls[j].first << " overlap";
        }
    }
    Cancel(*window);
}

TEST_F(WindowTest, TabOrderFollowsTheReadingOrder) {
    auto window = Open();
    // With no row selected, the controls of its wait are disabled and Tab passes them by.
    const int expected[] = {IDC_VScroll1,  IDC_VScroll2, IDC_Check1,   IDC_Check2,   IDC_Check5,
                            IDC_Check3,    IDC_Check4,   IDC_Combo1,   IDC_Check6,   IDC_List4,
                            IDC_List6,     IDC_List5,    IDC_Command8, IDC_Command7, IDC_Command10,
                            IDC_Command11, IDC_Command9, IDC_Command1, IDC_Command2, IDC_Command4,
                            IDC_Command5,  IDC_Command3};
    HWND at = window->Item(IDC_Command3);
    for (const int id : expected) {
        at = ::GetNextDlgTabItem(window->Window(), at, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(at), id);
    }
    Cancel(*window);
}

TEST_F(WindowTest, EnterSavesAndEscapeCancels) {
    {
        auto window = Open();
        ::PostMessageW(window->Item(IDC_List4), WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(window->Wait(10s));
        EXPECT_EQ(Misc(L"TimeDelay"), L"3");
    }
    {
        auto window = Open();
        ::PostMessageW(window->Item(IDC_List4), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(window->Wait(10s));
        EXPECT_EQ(Misc(L"TimeDelay"), L"5");
    }
}

TEST_F(WindowTest, AccessKeysPressTheirButtons) {
    SetMisc(L"TimeDelay", L"40");
    {
        auto window = Open();
        ::PostMessageW(window->Item(IDC_List4), WM_SYSCHAR, L'c', 0);
        ASSERT_TRUE(window->Wait(10s));
        EXPECT_EQ(Misc(L"Back"), L"-");
    }
    {
        auto window = Open();
        ::PostMessageW(window->Item(IDC_List4), WM_SYSCHAR, L's', 0);
        ASSERT_TRUE(window->Wait(10s));
        EXPECT_EQ(Misc(L"Back"), L"True");
    }
}

TEST_F(WindowTest, SavingStraightAfterAnEmptyOpeningStoresFiveAndTen) {
    auto window = Open();
    Save(*window);
    EXPECT_EQ(Misc(L"TimeDelay"), L"5");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"10");
    EXPECT_EQ(Misc(L"Visible"), L"1");
    EXPECT_EQ(Misc(L"V"), L"0");
    EXPECT_EQ(Misc(L"Enabled"), L"True");
    EXPECT_EQ(Misc(L"skin"), L"-");
}

TEST_F(WindowTest, AZeroLoadingDelayShowsSixAndSavesSixty) {
    SetMisc(L"TimeDelay", L"0");
    auto window = Open();
    EXPECT_EQ(window->Text(IDC_Label2), L"6");
    EXPECT_EQ(Misc(L"TimeDelay"), L"0");
    Save(*window);
    EXPECT_EQ(Misc(L"TimeDelay"), L"60");
}

TEST_F(WindowTest, TheLogoFlagOpensTickedForOneAndTrueOnly) {
    for (const auto& [text, ticked] : {std::pair{L"1", true}, std::pair{L"True", true},
                                       std::pair{L"0", false}, std::pair{L"False", false}}) {
        SetMisc(L"V", text);
        auto window = Open();
        EXPECT_EQ(window->Checked(IDC_Check5), ticked) << text;
        Cancel(*window);
    }
}

TEST_F(WindowTest, AVisibleOfTwoOpensClearAndSavesZero) {
    SetMisc(L"Visible", L"2");
    auto window = Open();
    EXPECT_FALSE(window->Checked(IDC_Check1));
    Save(*window);
    EXPECT_EQ(Misc(L"Visible"), L"0");
}

TEST_F(WindowTest, TheSpinStopsAtBothEnds) {
    auto window = Open();
    window->Spin(IDC_VScroll1, SB_LINEDOWN);
    EXPECT_EQ(window->Text(IDC_Label2), L"0.5");
    window->Spin(IDC_VScroll1, SB_LINEUP);
    EXPECT_EQ(window->Text(IDC_Label2), L"1");
    window->Spin(IDC_VScroll2, SB_TOP);
    EXPECT_EQ(window->Text(IDC_Label3), L"50");
    window->Spin(IDC_VScroll2, SB_LINEUP);
    EXPECT_EQ(window->Text(IDC_Label3), L"50");
    EXPECT_EQ(window->Send(window->Item(IDC_VScroll2), SBM_GETPOS), 0);
    // The keyboard reaches the spin through the scroll bar itself.
    window->Send(window->Item(IDC_VScroll2), WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(window->Text(IDC_Label3), L"49.5");
    Save(*window);
    EXPECT_EQ(Misc(L"TimeDelay"), L"10");
    EXPECT_EQ(Misc(L"initTimeDelay"), L"495");
}

TEST_F(WindowTest, ACaptionClickedTwiceLeavesItsBoxAsItWas) {
    auto window = Open();
    for (const int box : {IDC_Check1, IDC_Check2, IDC_Check3, IDC_Check5, IDC_Check4, IDC_Check6}) {
        const bool before = window->Checked(box);
        window->ClickCaption(box);
        EXPECT_NE(window->Checked(box), before) << box;
        window->ClickCaption(box);
        EXPECT_EQ(window->Checked(box), before) << box;
    }
    // One click of each: what Save stores follows the boxes.
    window->ClickCaption(IDC_Check2);
    window->ClickCaption(IDC_Check5);
    window->Click(IDC_Check3);
    window->ClickCaption(IDC_Check6);
    Save(*window);
    EXPECT_EQ(Misc(L"AutoHide"), L"True");
    EXPECT_EQ(Misc(L"V"), L"1");
    EXPECT_EQ(Misc(L"Details"), L"False");
    EXPECT_EQ(Misc(L"WaitIdle"), L"True");
    // The next opening reads it back (the launcher's side is its pacing test).
    auto again = Open();
    EXPECT_TRUE(again->Checked(IDC_Check6));
    EXPECT_EQ(again->Text(IDC_Check6), L"Wait until the com&puter is idle");
    Cancel(*again);
}

// The switch acts at once, and so is its state stored: a Cancel afterwards does not leave the store
// saying Enabled, which would have the next opening show Enabled and a launcher still running
// take everything back after its sequence.
TEST_F(WindowTest, DisabledThenCancelGivesEverythingBackAndStaysDisabled) {
    Held({L"Alpha", L"Beta"});
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    {
        auto window = Open();
        window->Click(IDC_Command5);
        EXPECT_EQ(window->Text(IDC_Command5), L"Disa&bled");
        EXPECT_EQ(window->Rows(IDC_List4), (Names{L"Alpha", L"Beta"}));
        Cancel(*window);
    }
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Beta"), L"C:\\Beta.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"-"), L"-");
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    auto again = Open();
    EXPECT_EQ(again->Text(IDC_Command5), L"Disa&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    Cancel(*again);
}

TEST_F(WindowTest, OpeningWhileSwitchedOffTakesNothingFromWindows) {
    Held({L"Alpha", L"Beta"});
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    {
        auto window = Open();
        window->Click(IDC_Command5);
        ASSERT_EQ(window->Text(IDC_Command5), L"Disa&bled");
        Save(*window);
    }
    {
        auto window = Open();
        EXPECT_EQ(window->Text(IDC_Command5), L"Disa&bled");
        Cancel(*window);
    }
    // At the next log-on Windows starts both itself, and no launcher starts them again.
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Beta"), L"C:\\Beta.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"-"), L"-");
}

// What a message box of the window says, pictured into `screenshot`; then it is answered with OK.
Names ReadAndAnswer(HWND box, std::wstring_view screenshot) {
    Names texts;
    for (HWND child : testing::ChildWindows(box)) {
        const std::wstring text = testing::WindowText(child);
        if (testing::ClassName(child) == L"Static" && !text.empty()) texts.push_back(text);
    }
    testing::SaveBoxScreenshot(box, testing::BuiltProgram(TARNWICK_SETTINGS_EXE), screenshot);
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_TRUE(testing::Eventually([&] { return !::IsWindow(box); }, 5s));
    return texts;
}

TEST_F(WindowTest, ASwitchThatCannotDoEverythingSaysWhichProgramsStayedAndWhy) {
    Held({L"Alpha"});
    testing::WriteFile(folder.Path() / L"Notes.lnk");
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    // Another program has the shortcut open without letting it be moved.
    const UniqueHandle open(NullIfInvalid(
        ::CreateFileW((folder.Path() / L"Notes.lnk").c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)));
    ASSERT_TRUE(open);
    auto window = Open();
    // Posted: the box the click opens must not hold up the test.
    testing::Click(window->Item(IDC_Command5));
    const HWND box = window->WaitForMessage(10s);
    ASSERT_NE(box, nullptr) << "the switch said nothing";
    EXPECT_EQ(ReadAndAnswer(box, L"switch-report.bmp"),
              Names{L"Tarnwick could not give these start-up programs back to Windows. "
                    L"Tarnwick keeps starting them when you log on:\n\n\"Notes\" (a "
                    L"shortcut in the StartUp folder): the file is in use by another "
                    L"program.\n\nOnce the cause is gone, switch Tarnwick on and off "
                    L"again to give them back."});
    // The caption shows the user's choice; what could go back went back, the rest is held.
    EXPECT_EQ(window->Text(IDC_Command5), L"Disa&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / L"Notes.lnk"));
    EXPECT_TRUE(LauncherInPlace(os, folder.Path().wstring()));
    Cancel(*window);
}

// A settings window left open while its program folder was deleted (by an uninstall): its Enabled
// registers no launcher that is not there and takes nothing over that nothing would start. It
// says why and stays Disabled.
TEST_F(WindowTest, AWindowWhoseLauncherIsGoneSwitchesNothingOn) {
    Held({L"Alpha"});
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    auto window = Open();
    window->Click(IDC_Command5);
    ASSERT_EQ(window->Text(IDC_Command5), L"Disa&bled");
    std::filesystem::remove(folder.Path() / L"Tarnwick.exe");
    testing::Click(window->Item(IDC_Command5));
    const HWND box = window->WaitForMessage(10s);
    ASSERT_NE(box, nullptr) << "the switch said nothing";
    EXPECT_EQ(ReadAndAnswer(box, L"switch-launcher-missing.bmp"),
              Names{L"Tarnwick's launcher, Tarnwick.exe, is not in its program folder, so "
                    L"Tarnwick took over no start-up program: Windows keeps starting them all, as "
                    L"before.\n\nRun Tarnwick's setup again to put the launcher back."});
    EXPECT_EQ(window->Text(IDC_Command5), L"Disa&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane", L"-"), L"-");
    EXPECT_TRUE(StoreReadSection(os, kMachineSection).empty());
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    Cancel(*window);
}

// Another Tarnwick program is changing the start-up programs (a stand-in holds the lock): the
// switch waits a few seconds, then does nothing and says so.
TEST_F(WindowTest, WhileAnotherProgramChangesTheStartUpProgramsTheSwitchWaitsAndSaysSo) {
    Held({L"Alpha"});
    RegisterLauncher(StoreContext{os, folder.Path().wstring(), nullptr});
    auto window = Open();
    testing::Child holder(testing::BuiltProgram(TARNWICK_LOCK_HOLDER), L"20000 60000");
    ASSERT_TRUE(testing::Eventually(testing::HeldElsewhere, 10s));
    const auto pressed = std::chrono::steady_clock::now();
    testing::Click(window->Item(IDC_Command5));
    const HWND box = window->WaitForMessage(20s);
    ASSERT_NE(box, nullptr) << "the switch said nothing";
    EXPECT_GE(std::chrono::steady_clock::now() - pressed, 4500ms);
    EXPECT_EQ(ReadAndAnswer(box, L"switch-busy.bmp"),
              Names{L"The switch did nothing, because another Tarnwick program is "
                    L"changing the start-up programs right now.\n\nTry again in a "
                    L"moment."});
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    EXPECT_EQ(StoreRead(os, kMachineSection, L"Alpha", L""), L"C:\\Alpha.exe");
    EXPECT_TRUE(LauncherInPlace(os, folder.Path().wstring()));
    EXPECT_EQ(Misc(L"Enabled"), L"True");
    Cancel(*window);
}

TEST_F(WindowTest, DisabledThenSavedStoresFalseAndTheShownOrder) {
    Held({L"Alpha", L"Beta"});
    testing::WriteFile(folder.Path() / L"Notes.lnk");
    StoreWrite(os, kPrioritySection, L"Beta", L"0");
    auto window = Open();
    ASSERT_EQ(window->Rows(IDC_List4), (Names{L"Beta", L"Alpha", L"Notes"}));
    window->Click(IDC_Command5);
    EXPECT_TRUE(std::filesystem::exists(testing::RealStartUpFolder() / L"Notes.lnk"));
    EXPECT_FALSE(PriorityExists());
    Save(*window);
    EXPECT_EQ(Misc(L"Enabled"), L"False");
    EXPECT_EQ(Priority(), (Pairs{{L"Beta", L"0"}, {L"Alpha", L"1"}, {L"Notes", L"2"}}));
}

TEST_F(WindowTest, SwitchedBackOnTheProgramsAreTakenAgainAndListedOnce) {
    Held({L"Alpha"});
    auto window = Open();
    window->Click(IDC_Command5);
    ASSERT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha"), L"C:\\Alpha.exe");
    window->Click(IDC_Command5);
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Alpha", L"-"), L"-");
    EXPECT_EQ(Registry::GetValue(os, HKEY_LOCAL_MACHINE, kRunKey, L"Veltane"),
              LauncherCommand(folder.Path().wstring()));
    EXPECT_EQ(window->Rows(IDC_List4), (Names{L"Alpha"}));
    EXPECT_EQ(window->Rows(IDC_List5), (Names{L"C:\\Alpha.exe"}));
    Cancel(*window);
}

TEST_F(WindowTest, SavingAnEmptyListDeletesTheOrderAndLeavesTheSkin) {
    StoreWrite(os, kPrioritySection, L"Gone", L"0");
    SetMisc(L"skin", L"2");
    auto window = Open();
    ASSERT_EQ(window->Count(IDC_List4), 0);
    Save(*window);
    EXPECT_FALSE(PriorityExists());
    EXPECT_EQ(Misc(L"skin"), L"2");
}

// A shortcut where an earlier version held it, in the program folder: the opening (with
// administrator rights, as every program has them under Wine) moves it into the account's own
// folder, and the list shows it there.
TEST_F(WindowTest, TheListsShowNamesLeftAndCommandsRight) {
    Held({L"Alpha", L"Beta"});
    testing::WriteFile(folder.Path() / L"Notes.lnk");
    auto window = Open();
    EXPECT_EQ(window->Rows(IDC_List4), (Names{L"Alpha", L"Beta", L"Notes"}));
    EXPECT_EQ(window->Rows(IDC_List5),
              (Names{L"C:\\Alpha.exe", L"C:\\Beta.exe",
                     (testing::RealHeldFolder() / L"Notes.lnk").wstring()}));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / L"Notes.lnk"));
    Cancel(*window);
}

TEST_F(WindowTest, MovesBeyondTheEndsOrWithoutASelectionChangeNothing) {
    Held({L"A", L"B", L"C"});
    auto window = Open();
    window->Click(IDC_Command8);
    window->Click(IDC_Command7);
    EXPECT_EQ(window->Rows(IDC_List4), (Names{L"A", L"B", L"C"}));
    EXPECT_EQ(window->Selected(IDC_List4), -1);
    window->ClickRow(IDC_List4, 0);
    window->Click(IDC_Command8);
    window->ClickRow(IDC_List5, 2);
    window->Click(IDC_Command7);
    EXPECT_EQ(window->Rows(IDC_List4), (Names{L"A", L"B", L"C"}));
    EXPECT_EQ(window->Rows(IDC_List5), (Names{L"C:\\A.exe", L"C:\\B.exe", L"C:\\C.exe"}));
    EXPECT_EQ(window->Selected(IDC_List4), 2);
    Cancel(*window);
}

TEST_F(WindowTest, RowThreeMovedUpTwiceIsSavedAtOne) {
    Held({L"A", L"B", L"C", L"D", L"E"});
    auto window = Open();
    window->ClickRow(IDC_List4, 3);
    window->Click(IDC_Command8);
    window->Click(IDC_Command8);
    EXPECT_EQ(window->Rows(IDC_List4), (Names{L"A", L"D", L"B", L"C", L"E"}));
    EXPECT_EQ(window->Rows(IDC_List5),
              (Names{L"C:\\A.exe", L"C:\\D.exe", L"C:\\B.exe", L"C:\\C.exe", L"C:\\E.exe"}));
    EXPECT_EQ(window->Selected(IDC_List4), 1);
    EXPECT_EQ(window->Selected(IDC_List5), 1);
    Save(*window);
    EXPECT_EQ(Priority(),
              (Pairs{{L"A", L"0"}, {L"D", L"1"}, {L"B", L"2"}, {L"C", L"3"}, {L"E", L"4"}}));
}

Names Numbered(int count) {
    Names names;
    for (int i = 0; i < count; ++i) names.push_back(L"Program " + std::to_wstring(100 + i));
    return names;
}

TEST_F(WindowTest, SelectionAndTopRowStayInStepInAllThreeLists) {
    Held(Numbered(40));
    StoreWrite(
        os, kMachineSection, L"Program 100",
        L"C:\\Program Files\\A Vendor With A Long Name\\program.exe " + std::wstring(60, L'x'));
    auto window = Open();
    // All show the same rows: the names and the impacts are as tall as the commands' rows area,
    // which a long command shortens by its horizontal scroll bar.
    RECT names{};
    RECT impacts{};
    RECT commands{};
    ::GetClientRect(window->Item(IDC_List4), &names);
    ::GetClientRect(window->Item(IDC_List6), &impacts);
    ::GetClientRect(window->Item(IDC_List5), &commands);
    EXPECT_EQ(names.bottom, commands.bottom);
    EXPECT_EQ(impacts.bottom, commands.bottom);
    auto inStep = [&](const char* after) {
        for (const int list : {IDC_List6, IDC_List5}) {
            EXPECT_EQ(window->Selected(IDC_List4), window->Selected(list)) << after;
            EXPECT_EQ(window->Top(IDC_List4), window->Top(list)) << after;
        }
    };
    window->ClickRow(IDC_List5, 4);
    EXPECT_EQ(window->Selected(IDC_List4), 4);
    inStep("a click in the commands");
    window->ClickRow(IDC_List4, 6);
    EXPECT_EQ(window->Selected(IDC_List5), 6);
    inStep("a click in the names");
    window->Send(window->Item(IDC_List5), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0));
    EXPECT_GT(window->Top(IDC_List4), 0);
    inStep("scrolling the commands");
    window->Send(window->Item(IDC_List4), WM_MOUSEWHEEL,
                 MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 2)));
    inStep("the wheel over the names");
    window->Send(window->Item(IDC_List4), WM_KEYDOWN, VK_END);
    EXPECT_EQ(window->Selected(IDC_List5), 39);
    inStep("the keyboard in the names");
    window->Send(window->Item(IDC_List5), WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(window->Top(IDC_List4), 0);
    inStep("the keyboard in the commands");
    window->Send(window->Item(IDC_List6), WM_KEYDOWN, VK_NEXT);
    inStep("the keyboard in the impacts");
    window->Send(window->Item(IDC_List5), LB_SETTOPINDEX, 20);
    EXPECT_EQ(window->Top(IDC_List4), 20);
    window->Click(IDC_Command7);
    inStep("a move");
    Cancel(*window);
}

TEST_F(WindowTest, ANameInTwoRowsGetsOneKeyWithTheLaterIndex) {
    Held({L"A", L"B"});
    StoreWrite(os, kPrioritySection, L"B", L"0");
    auto window = Open();
    ASSERT_EQ(window->Rows(IDC_List4), (Names{L"B", L"A"}));
    window->ClickRow(IDC_List4, 1);
    window->Click(IDC_Command8);
    window->Click(IDC_Command5);
    window->Click(IDC_Command5);
    ASSERT_EQ(window->Rows(IDC_List4), (Names{L"B", L"B", L"A"}));
    Save(*window);
    EXPECT_EQ(Priority(), (Pairs{{L"B", L"1"}, {L"A", L"2"}}));
}

TEST_F(WindowTest, CancelKeepsTheStoredOrder) {
    Held({L"A", L"B", L"C"});
    StoreWrite(os, kPrioritySection, L"C", L"0");
    StoreWrite(os, kPrioritySection, L"A", L"1");
    auto window = Open();
    ASSERT_EQ(window->Rows(IDC_List4), (Names{L"C", L"A", L"B"}));
    window->ClickRow(IDC_List4, 2);
    window->Click(IDC_Command8);
    window->Click(IDC_Command8);
    Cancel(*window);
    EXPECT_EQ(Priority(), (Pairs{{L"C", L"0"}, {L"A", L"1"}}));
}

// The order the lists show, and the store's.
void Order(const Names& names) {
    for (size_t i = 0; i < names.size(); ++i)
        StoreWrite(SystemOs(), kPrioritySection, names[i], std::to_wstring(i));
}
Names StoredOrder() {
    Names names;
    for (const auto& [name, index] : Priority()) names.push_back(name);
    return names;
}

TEST_F(WindowTest, MeasuredCostsShowBesideTheRowsAndLightestFirstOrdersByThemUntilSave) {
    const Names shown{L"Heavy", L"New", L"Tray", L"Mail"};
    Held(shown);
    Order(shown);
    // The launcher's record of a log-on, with a program that is no longer held.
    LogOnRecord logOn{134'412'912'000'000'000, 48'000, false, {}, {}};
    for (const auto& [name, cpu, read] : {std::tuple{L"Heavy", 2000u, 0u},
                                          {L"Tray", 5u, 1000u},
                                          {L"Mail", 20u, 400'000u},
                                          {L"Gone", 0u, 0u}})
        logOn.programs.push_back({name, 0, {}, {cpu, read, 0, std::nullopt, false}});
    ASSERT_EQ(WriteLogOn(os, logOn), ERROR_SUCCESS);
    for (const bool save : {false, true}) {
        auto window = Open();
        EXPECT_EQ(window->Rows(IDC_List6), (Names{L"High", L"Not measured", L"Low", L"Medium"}));
        EXPECT_TRUE(window->Text(IDC_Label15).starts_with(L"Last log-on: 4 programs in 48 s. On "))
            << window->Text(IDC_Label15);
        window->ClickRow(IDC_List6, 0);
        window->Click(IDC_Command10);
        EXPECT_EQ(window->Rows(IDC_List4), (Names{L"Tray", L"Mail", L"Heavy", L"New"}));
        EXPECT_EQ(window->Rows(IDC_List6), (Names{L"Low", L"Medium", L"High", L"Not measured"}));
        EXPECT_EQ(window->Row(IDC_List5, 0), L"C:\\Tray.exe");
        for (const int list : {IDC_List4, IDC_List6, IDC_List5})
            EXPECT_EQ(window->Selected(list), 2) << "the selection went with Heavy";
        EXPECT_EQ(StoredOrder(), shown) << "nothing is stored before Save";
        if (!save) {
            // The timeline of that log-on, over the window until it is closed.
            testing::Click(window->Item(IDC_Command11));
            HWND timeline = nullptr;
            ASSERT_TRUE(testing::Eventually(
                [&] {
                    for (HWND found : testing::ProcessWindows(*window, L"#32770", L"Last log-on"))
                        timeline = found;
                    return timeline != nullptr;
                },
                10s));
            EXPECT_EQ(::GetWindow(timeline, GW_OWNER), window->Window());
            testing::Click(::GetDlgItem(timeline, IDCANCEL));
            EXPECT_TRUE(testing::Eventually([&] { return !::IsWindow(timeline); }, 5s));
            Cancel(*window);
            EXPECT_EQ(StoredOrder(), shown);
            continue;
        }
        window->Click(IDC_Command7);  // rows still move
        Save(*window);
        EXPECT_EQ(StoredOrder(), (Names{L"Tray", L"Mail", L"New", L"Heavy"}));
    }
}

// The wait's controls as the window shows them: the choice, and the seconds when usable.
std::wstring WaitShown(const SettingsProcess& window) {
    if (!::IsWindowEnabled(window.Item(IDC_Combo2))) return L"disabled";
    std::wstring shown = std::to_wstring(window.Send(window.Item(IDC_Combo2), CB_GETCURSEL));
    if (::IsWindowEnabled(window.Item(IDC_Text1))) shown += L" " + window.Text(IDC_Text1);
    return shown;
}

// Stored waits that do not read (negative, huge, text, a number of another type) show as the
// same as the others and stay as they are; the waits the user chose follow their rows and are
// stored by Save, not by Cancel.
TEST_F(WindowTest, AChosenWaitFollowsItsRowAndSaveStoresOnlyTheWaitsTheUserChanged) {
    const Names shown{L"A", L"B", L"Negative", L"Huge", L"Text", L"Number"};
    Held(shown);
    Order(shown);
    const std::wstring key = StoreSectionKey(kWaitSection);
    for (const auto& [name, text] :
         Pairs{{L"Negative", L"-5"}, {L"Huge", L"4294967326"}, {L"Text", L"soon"}})
        StoreWrite(os, kWaitSection, name, text);
    const DWORD thirty = 30;
    testing::SetRaw(HKEY_CURRENT_USER, key, L"Number", REG_DWORD, &thirty, sizeof thirty);
    const auto odd = testing::DumpKey(HKEY_CURRENT_USER, key);
    const auto keyboard = [](const SettingsProcess& window, int id, WPARAM virtualKey) {
        window.Send(window.Item(id), WM_KEYDOWN, virtualKey);
    };
    {
        auto window = Open();
        EXPECT_EQ(WaitShown(*window), L"disabled");
        for (int row = 2; row < 6; ++row) {
            window->ClickRow(IDC_List4, row);
            EXPECT_EQ(WaitShown(*window), L"0") << row;
        }
        window->ClickRow(IDC_List5, 0);
        keyboard(*window, IDC_Combo2, VK_DOWN);  // a number of seconds
        EXPECT_EQ(WaitShown(*window), L"1 0");
        window->Send(window->Item(IDC_Text1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"45"));
        keyboard(*window, IDC_Text1, VK_UP);
        EXPECT_EQ(WaitShown(*window), L"1 46");
        window->ClickRow(IDC_List6, 1);
        keyboard(*window, IDC_Combo2, VK_END);  // when the one before has ended
        window->Click(IDC_Command8);
        EXPECT_EQ(WaitShown(*window), L"2") << "B's wait moved up with it";
        window->ClickRow(IDC_List4, 1);
        EXPECT_EQ(WaitShown(*window), L"1 46") << "and A's down";
        EXPECT_EQ(StoreReadSection(os, kWaitSection).size(), 3u) << "stored before Save";
        Save(*window);
    }
    auto saved = testing::DumpKey(HKEY_CURRENT_USER, key);
    ASSERT_EQ(saved.size(), 6u);
    EXPECT_EQ(std::vector(saved.begin() + 2, saved.end()), odd) << "the odd ones changed";
    EXPECT_EQ(StoreRead(os, kWaitSection, L"A", L"-"), L"46");
    EXPECT_EQ(StoreRead(os, kWaitSection, L"B", L"-"), L"ended");
    {
        auto window = Open();
        window->ClickRow(IDC_List4, 0);
        keyboard(*window, IDC_Combo2, VK_HOME);
        Cancel(*window);
    }
    EXPECT_EQ(StoreRead(os, kWaitSection, L"B", L"-"), L"ended");
}

// Task Manager's record for the launcher's own start-up entry, as its Startup tab writes it: a
// first byte that is odd means switched off.
void LauncherInTaskManager(BYTE first) {
    const BYTE flag[12] = {first};
    testing::SetRaw(HKEY_LOCAL_MACHINE, kApprovedRunKey, kLauncherValueName, REG_BINARY, flag,
                    sizeof flag);
}

TEST_F(WindowTest, SwitchedOffInTaskManagerTheOpeningSaysWhyNothingStartsAndHowToMendIt) {
    Held({L"Mail"});
    LauncherInTaskManager(0x03);
    auto window = Open();
    const HWND box = window->WaitForMessage(10s);
    ASSERT_NE(box, nullptr) << "no word about Task Manager";
    EXPECT_TRUE(::IsWindowVisible(window->Window())) << "the window comes first";
    Names texts;
    Names buttons;
    for (HWND child : testing::ChildWindows(box)) {
        if (!::IsWindowVisible(child)) continue;
        const std::wstring text = testing::WindowText(child);
        if (testing::ClassName(child) == L"Button") buttons.push_back(text);
        if (testing::ClassName(child) == L"Static" && !text.empty()) texts.push_back(text);
    }
    EXPECT_EQ(buttons, Names{L"OK"});
    EXPECT_EQ(texts,
              Names{L"The programs that Tarnwick holds do not start when you log on: Tarnwick is "
                    L"switched off in the Startup tab of Task Manager, so Windows no longer starts "
                    L"it.\n\nSwitch Tarnwick on again in Task Manager's Startup tab, or press "
                    L"Enabled here so that it reads Disabled, which gives the programs back to "
                    L"Windows."});

    // Answered, the window goes on as ever: the switch still reads as stored, and the opening's
    // work is all done.
    testing::Click(::GetDlgItem(box, IDOK));
    EXPECT_TRUE(testing::Eventually([&] { return !::IsWindow(box); }, 5s));
    EXPECT_EQ(window->Text(IDC_Command5), L"Ena&bled");
    EXPECT_EQ(window->Rows(IDC_List4), Names{L"Mail"});
    Cancel(*window);
}

TEST_F(WindowTest, TheOpeningSaysNothingWhenTaskManagerLetsTheLauncherStartOrNothingIsHeld) {
    const auto opensQuietly = [&](const char* when) {
        auto window = Open();
        EXPECT_EQ(window->WaitForMessage(2s), nullptr) << when;
        Cancel(*window);
    };
    opensQuietly("no switch in Task Manager");
    LauncherInTaskManager(0x02);
    opensQuietly("switched on in Task Manager");
    LauncherInTaskManager(0x03);
    SetMisc(L"Enabled", L"False");
    opensQuietly("Tarnwick itself switched off");
}

}  // namespace
}  // namespace tarnwick::settings

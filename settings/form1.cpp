// The settings window Form1: its opening, its messages, the commands of its buttons and the
// options it shows (the tick boxes, the two delays, the skin list, what the policies set). How it
// looks is in form1_look.cpp, its list of programs in form1_rows.cpp.
#include "form1.h"

#include "dialog_access.h"
#include "focus_cue.h"
#include "folder_path.h"
#include "logon_timeline.h"
#include "product.h"
#include "resource.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <utility>

namespace tarnwick::settings {
namespace {

// Page keys on a spin move the delay by 5 seconds.
constexpr int kSpinPage = 10;
// Posted by the opening, so that its warning comes once the window is on the screen.
constexpr UINT kWarnSwitchedOff = WM_APP + 2;
constexpr wchar_t kSwitchedOffText[] =
    L"The programs that Tarnwick holds do not start when you log on: Tarnwick is switched off "
    L"in the Startup tab of Task Manager, so Windows no longer starts it.\n\n"
    L"Switch Tarnwick on again in Task Manager's Startup tab, or press Enabled here so that it "
    L"reads Disabled, which gives the programs back to Windows.";
// The help page in the program folder.
constexpr wchar_t kHelpFile[] = L"TARNWICK.HTM";

struct BoxControl {
    int box;
    Box which;
};

constexpr BoxControl kBoxes[] = {
    {IDC_Check1, Box::VisibleOnStartup}, {IDC_Check2, Box::AutoHide},
    {IDC_Check3, Box::ShowDetails},      {IDC_Check4, Box::ShowSkin},
    {IDC_Check5, Box::HideLogo},         {IDC_Check6, Box::WaitIdle},
};

// The spin controls have no thumb that could show the focus: their value box shows it instead.
constexpr std::pair<int, int> kFocusCues[] = {{IDC_VScroll1, IDC_Label2},
                                              {IDC_VScroll2, IDC_Label3}};

}  // namespace

bool Form1::Create(HINSTANCE instance, int show) {
    instance_ = instance;
    if (!MakeModeless(instance, IDD_Form1, nullptr)) return false;
    ::ShowWindow(hwnd(), show);
    return true;
}

INT_PTR Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETHIGHCONTRAST) Restyle();
            return FALSE;
        case WM_SYSCOLORCHANGE:
            Restyle();
            return FALSE;
        case WM_INITDIALOG:
            OnInitDialog();
            return FALSE;  // the opening has placed the focus itself
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            OnSpin(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return TRUE;
        case WM_ERASEBKGND:
            return background_.Erase(hwnd(), reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC:
            return OnColourStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_DRAWITEM:
            if (const DRAWITEMSTRUCT* item =
                    ui::OwnDrawItem(hwnd(), IDC_Picture1, wParam, lParam)) {
                DrawBand(*item);
                return TRUE;
            }
            return FALSE;
        case kWarnSwitchedOff:
            // Any program can post this number: the warning comes only when the opening asked.
            if (std::exchange(warnSwitchedOff_, false)) {
                ::MessageBoxW(hwnd(), kSwitchedOffText, L"Tarnwick Settings",
                              MB_OK | MB_ICONINFORMATION);
            }
            return TRUE;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

void Form1::OnInitDialog() {
    model_.emplace(StoreContext{os_, programFolder_, hwnd()}, static_cast<SkinHooks&>(*this));
    logo_ = LoadLogo(programFolder_);
    // Shared icons belong to the module: nothing to free.
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    for (const auto& [which, metric] :
         {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = ::GetSystemMetrics(metric);
        ::SendMessageW(hwnd(), WM_SETICON, which,
                       reinterpret_cast<LPARAM>(::LoadImageW(module, MAKEINTRESOURCEW(IDI_Tarnwick),
                                                             IMAGE_ICON, size, size, LR_SHARED)));
    }
    MakeSizedResources();
    for (const int id : {IDC_VScroll1, IDC_VScroll2}) {
        SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS, kSpinFirst, kSpinLast, 0, kSpinStart, 0};
        ::SetScrollInfo(Item(id), SB_CTL, &info, FALSE);
    }
    AttachRows();
    for (const auto& [owner, cue] : kFocusCues) AttachFocusCue(hwnd(), owner, cue);
    // A themed tick box draws its caption in the theme's colour whatever WM_CTLCOLORSTATIC sets,
    // and a skin's caption colour was chosen to be read on its picture: the tick boxes draw
    // without the visual style, as every caption of the window does, in the colour the skin gives.
    for (const BoxControl& control : kBoxes) ::SetWindowTheme(Item(control.box), L"", L"");
    NameControls();
    // Before the look is prepared, which covers the window as large as it then is.
    FitTexts();

    model_->Load();

    ShowSkinList();
    ShowBoxes();
    ShowDelays();
    ShowPolicies();
    ::SetDlgItemTextW(hwnd(), IDC_Command5, model_->SwitchCaption().c_str());
    ShowRows();
    ::SetDlgItemTextW(hwnd(), IDC_Label15, LastLogOnText(model_->LastLogOn()).c_str());
    ::SetFocus(Item(IDC_List4));
    ui::ShowKeyboardCues(hwnd());
    if (SwitchedOffInTaskManager(os_)) {
        warnSwitchedOff_ = true;
        ::PostMessageW(hwnd(), kWarnSwitchedOff, 0, 0);
    }
}

void Form1::OnCommand(int id, int code) {
    for (const BoxControl& control : kBoxes) {
        if (id == control.box && code == BN_CLICKED) {
            model_->SetBox(control.which, ::IsDlgButtonChecked(hwnd(), id) == BST_CHECKED);
            ShowSkinList();
            return;
        }
    }
    switch (id) {
        case IDC_Command1:
            model_->Save();
            ::DestroyWindow(hwnd());
            break;
        case IDC_Command2:
            ::DestroyWindow(hwnd());
            break;
        case IDC_Command5:
            OnSwitch();
            break;
        case IDC_Command3:
            ShowAbout();
            break;
        case IDC_Command4:
            OpenInShell(JoinPath(programFolder_, kHelpFile));
            break;
        case IDC_Command9:
            OpenInShell(kMakerWebAddress);
            break;
        case IDC_Command8:
            OnMove(true);
            break;
        case IDC_Command7:
            OnMove(false);
            break;
        case IDC_Command10:
            OnLightestFirst();
            break;
        case IDC_Command11:
            ShowLastLogOn(instance_, hwnd(), os_);
            break;
        case IDC_Combo2:
            if (code == CBN_SELCHANGE) OnWaitChoice();
            break;
        case IDC_Text1:
            if (code == EN_CHANGE) OnWaitSeconds();
            // Left empty or beyond the limit, the box shows again what is kept.
            if (code == EN_KILLFOCUS) ShowWait();
            break;
        case IDC_Combo1:
            if (code == CBN_SELCHANGE) {
                model_->ChooseSkin(static_cast<int>(::SendMessageW(Item(id), CB_GETCURSEL, 0, 0)));
            }
            break;
        default:
            break;
    }
}

// Whatever the shell does with a missing page or a missing browser is all the user gets: the
// window has nothing to add. What it started is not watched.
void Form1::OpenInShell(std::wstring_view file) {
    StartedProcess started;
    os_.ShellOpen(hwnd(), file, {}, started);
}

void Form1::ShowAbout() {
    if (!about_ || !about_->Loaded()) {
        // Built anew after "OK": it takes the look the windows have now.
        about_ = std::make_unique<frmAbout>(os_, programFolder_, look_);
        if (!about_->Load(instance_, hwnd())) return;
    }
    about_->Show();
}

void Form1::OnSpin(HWND bar, int code) {
    const bool loading = bar == Item(IDC_VScroll1);
    // A greyed spin is a delay that a policy sets: no message moves it.
    if ((!loading && bar != Item(IDC_VScroll2)) || !::IsWindowEnabled(bar)) return;
    DelaySpin& spin = loading ? model_->loadingDelay : model_->initialDelay;
    int position = spin.Position();
    switch (code) {
        case SB_LINEUP:
            --position;
            break;
        case SB_LINEDOWN:
            ++position;
            break;
        case SB_PAGEUP:
            position -= kSpinPage;
            break;
        case SB_PAGEDOWN:
            position += kSpinPage;
            break;
        case SB_TOP:
            position = kSpinFirst;
            break;
        case SB_BOTTOM:
            position = kSpinLast;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            ::GetScrollInfo(bar, SB_CTL, &info);
            position = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    spin.SetPosition(position);
    ShowDelays();
}

void Form1::OnSwitch() {
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const std::wstring report = model_->ToggleSwitch();
    ::SetCursor(previous);
    ::SetDlgItemTextW(hwnd(), IDC_Command5, model_->SwitchCaption().c_str());
    ShowPolicies();
    // Switched off, the rows stay as they are; switched on, they were built again.
    if (model_->Enabled()) ShowRows();
    // Said at once: a switch that reads "Disabled" while Tarnwick still starts some programs
    // would otherwise claim what it did not do.
    if (!report.empty()) {
        ::MessageBoxW(hwnd(), report.c_str(), L"Tarnwick Settings", MB_OK | MB_ICONINFORMATION);
    }
}

void Form1::ShowPolicies() {
    const Policies& set = model_->PoliciesInForce();
    // A delay's title greys with its spin control; the value box goes on showing the delay.
    for (const auto& [policy, ids] :
         {std::pair{set.programSeconds.has_value(), std::pair{IDC_Label1, IDC_VScroll1}},
          std::pair{set.initialSeconds.has_value(), std::pair{IDC_Label4, IDC_VScroll2}}}) {
        ::EnableWindow(Item(ids.first), !policy);
        ::EnableWindow(Item(ids.second), !policy);
    }
    bool any = set.programSeconds || set.initialSeconds;
    for (const BoxControl& control : kBoxes) {
        const bool policy = model_->SetByPolicy(control.which);
        ::EnableWindow(Item(control.box), !policy);
        any = any || policy;
    }
    ::ShowWindow(Item(IDC_Label19), any ? SW_SHOWNA : SW_HIDE);
    // The switch stays where the keyboard and screen readers find it: pressed, it says why it
    // does not switch Tarnwick off.
    ::ShowWindow(Item(IDC_Label20), model_->SwitchLocked() ? SW_SHOWNA : SW_HIDE);
}

void Form1::ShowBoxes() {
    for (const BoxControl& control : kBoxes) {
        ::CheckDlgButton(hwnd(), control.box,
                         model_->Ticked(control.which) ? BST_CHECKED : BST_UNCHECKED);
    }
}

void Form1::ShowDelays() {
    ::SetDlgItemTextW(hwnd(), IDC_Label2, model_->loadingDelay.Text().c_str());
    ::SetDlgItemTextW(hwnd(), IDC_Label3, model_->initialDelay.Text().c_str());
    ::SetScrollPos(Item(IDC_VScroll1), SB_CTL, model_->loadingDelay.Position(), TRUE);
    ::SetScrollPos(Item(IDC_VScroll2), SB_CTL, model_->initialDelay.Position(), TRUE);
}

void Form1::ShowSkinList() {
    const HWND combo = Item(IDC_Combo1);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : model_->SkinNames()) {
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(model_->SelectedSkin()), 0);
    ::EnableWindow(combo, model_->SkinListEnabled());
}

}  // namespace tarnwick::settings

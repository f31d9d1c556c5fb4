#include "form1.h"

#include "accessibility.h"
#include "arrow_icon.h"
#include "dialog_access.h"
#include "dialog_font.h"
#include "focus_cue.h"
#include "logon_timeline.h"
#include "product.h"
#include "resource.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <tuple>
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
constexpr wchar_t kHelpFile[] = L"\\TARNWICK.HTM";
// The band that stands for the logo.
constexpr COLORREF kBandColour = RGB(28, 58, 104);
constexpr COLORREF kBandText = RGB(255, 255, 255);

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

// The captions that take the skin's colour, the tick boxes' own among them; the value boxes keep
// theirs.
constexpr int kCaptions[] = {IDC_Label1,  IDC_Label4,  IDC_Label5,  IDC_Label6,  IDC_Label14,
                             IDC_Label15, IDC_Label16, IDC_Label17, IDC_Label18, IDC_Label19,
                             IDC_Label20, IDC_Check1,  IDC_Check2,  IDC_Check3,  IDC_Check4,
                             IDC_Check5,  IDC_Check6};

// Controls whose window text is their name but which do not show it. Windows' accessibility does
// not read that text for these kinds of control: it names them after the nearest text before them
// in the dialog, which for the spin controls is the value box's number and for the commands the
// impacts' title. They get the same name as an annotation too.
constexpr int kNamedByOwnText[] = {IDC_VScroll1, IDC_VScroll2, IDC_List4,
                                   IDC_List6,    IDC_List5,    IDC_UpDown1};
// Controls whose window text is what they hold (a drop-down list's choice, a number typed), and
// the name they are announced by.
constexpr std::pair<int, const wchar_t*> kSpokenNames[] = {
    {IDC_Combo1, L"Skin"},
    {IDC_Combo2, L"Selected program's wait"},
    {IDC_Text1, L"Seconds after the one before starts"},
};
// The picture buttons: their text is not shown, so a tooltip shows it.
constexpr int kPictureButtons[] = {IDC_Command8, IDC_Command7};

// The choices of the own wait, in the order of OwnWait::Kind.
constexpr const wchar_t* kWaitChoices[] = {L"Same as the others",
                                           L"A number of seconds after the one before starts",
                                           L"When the one before has ended"};

bool IsValueBox(int id) {
    return id == IDC_Label2 || id == IDC_Label3;
}

bool IsCaption(int id) {
    return std::find(std::begin(kCaptions), std::end(kCaptions), id) != std::end(kCaptions);
}

// Labels and tick boxes show the skin's picture behind them; lists, the skin list's face and the
// value boxes keep their own background.
bool ShowsBackground(HWND control) {
    wchar_t kind[16]{};
    ::GetClassNameW(control, kind, 16);
    return ::lstrcmpiW(kind, WC_STATICW) == 0 || ::lstrcmpiW(kind, WC_BUTTONW) == 0;
}

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

INT_PTR Form1::OnColourStatic(HWND control, HDC dc) const {
    const int id = ::GetDlgCtrlID(control);
    if (IsValueBox(id)) {
        // The value boxes read like a field: window colours, white in the usual scheme.
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    }
    if (!ShowsBackground(control)) return FALSE;
    return reinterpret_cast<INT_PTR>(background_.ColourControl(hwnd(), dc, control, IsCaption(id)));
}

void Form1::OnRescaled() {
    MakeSizedResources();
    FitTexts();
    lists_.Fit();
    Restyle();
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
    lists_.Attach(
        {Item(IDC_List4), Item(IDC_List6), Item(IDC_List5)}, [this] { ShowWait(); },
        [this](bool up) { OnMove(up); });
    for (const wchar_t* choice : kWaitChoices) {
        ::SendMessageW(Item(IDC_Combo2), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    }
    ::SendMessageW(Item(IDC_UpDown1), UDM_SETRANGE32, 0, kMostOwnWaitSeconds);
    // Four digits at most: the longest wait has four.
    ::SendMessageW(Item(IDC_Text1), EM_SETLIMITTEXT, 4, 0);
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

void Form1::FitTexts() {
    // The note of several lines; the last log-on's line is one line that ends in "..." when long.
    ui::FitLabelsToText(hwnd(), {IDC_Label18});
}

void Form1::MakeSizedResources() {
    bandFont_ = ScaledFont(hwnd(), 2.4, FW_BOLD);
    // The arrows are as tall as the text; the old ones go only once the buttons hold the new.
    const int size = std::abs(DialogFont(hwnd()).lfHeight);
    for (auto& [id, up, icon] : {std::tuple{IDC_Command8, true, &upArrow_},
                                 std::tuple{IDC_Command7, false, &downArrow_}}) {
        UniqueIcon arrow = ArrowIcon(size, up);
        ::SendMessageW(Item(id), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(arrow.get()));
        *icon = std::move(arrow);
    }
    ::InvalidateRect(Item(IDC_Picture1), nullptr, TRUE);
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
        case IDC_Command4: {
            // Whatever the shell does with a missing page or a missing browser is all the user
            // gets: the window has nothing to add. What it started is not watched.
            StartedProcess started;
            os_.ShellOpen(hwnd(), programFolder_ + kHelpFile, {}, started);
            break;
        }
        case IDC_Command9: {
            StartedProcess started;
            os_.ShellOpen(hwnd(), kMakerWebAddress, {}, started);
            break;
        }
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

std::vector<std::wstring> Form1::SkinLoad() {
    skins_ = LoadSkinIndex(programFolder_ + L"\\skins\\skins.skn");
    std::vector<std::wstring> names;
    for (const SkinRecord& skin : skins_) names.push_back(skin.name);
    return names;
}

void Form1::Skin(int sk) {
    // A skin that cannot be shown whole is not shown at all: its colour was chosen to be read on
    // its picture, not on the window's own face.
    if (sk < 0 || sk >= static_cast<int>(skins_.size())) return NoSkin();
    const SkinRecord& skin = skins_[static_cast<size_t>(sk)];
    ComPtr<IPicture> picture = LoadPicture(programFolder_ + L"\\skins\\" + skin.picture);
    if (!picture) return NoSkin();
    ShowLook({std::move(picture), skin.colour});
}

void Form1::NoSkin() {
    ShowLook({{}, kNoSkinCaptions});
}

void Form1::ShowLook(SkinLook look) {
    look_ = std::move(look);
    Restyle();
}

void Form1::Restyle() {
    background_.Prepare(hwnd(), look_);
    RedrawWholeWindow(hwnd());
    if (about_ && about_->Loaded()) about_->ShowLook();
}

void Form1::NameControls() {
    for (const int id : kNamedByOwnText) {
        ui::NameForScreenReaders(Item(id), ui::WindowText(Item(id)).c_str());
    }
    for (const auto& [id, name] : kSpokenNames) ui::NameForScreenReaders(Item(id), name);
    // The tooltip belongs to the window, which destroys it with itself.
    const HWND tips = ::CreateWindowExW(
        0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, instance_, nullptr);
    for (const int id : kPictureButtons) {
        // The tooltip keeps its own copy of the text.
        std::wstring text = ui::WindowText(Item(id));
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
        tool.lpszText = text.data();
        ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
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

void Form1::OnMove(bool up) {
    const int from = lists_.Selection();
    const int to = up ? model_->MoveUp(from) : model_->MoveDown(from);
    if (to == from) return;
    const auto row = static_cast<size_t>(to);
    lists_.Move(from, to,
                {model_->rows.names.Item(row), std::wstring(ImpactWord(model_->ImpactOfRow(row))),
                 model_->rows.commands.Item(row)});
}

void Form1::OnLightestFirst() {
    const int selected = model_->LightestFirst(lists_.Selection());
    ShowRows();
    lists_.Select(selected);
}

void Form1::OnWaitChoice() {
    const int row = lists_.Selection();
    const auto choice = ::SendMessageW(Item(IDC_Combo2), CB_GETCURSEL, 0, 0);
    if (showingWait_ || row < 0 || choice < 0 || choice >= std::ssize(kWaitChoices)) return;
    // A number of seconds starts from the one the box shows: none yet is 0.
    const auto seconds = static_cast<int>(::SendMessageW(Item(IDC_UpDown1), UDM_GETPOS32, 0, 0));
    model_->SetWaitOfRow(static_cast<size_t>(row),
                         {static_cast<OwnWait::Kind>(choice), std::max(seconds, 0)});
    ShowWait();
}

void Form1::OnWaitSeconds() {
    const int row = lists_.Selection();
    if (showingWait_ || row < 0) return;
    BOOL number = FALSE;
    const UINT seconds = ::GetDlgItemInt(hwnd(), IDC_Text1, &number, FALSE);
    // While the box is empty, the wait stays as it was.
    if (!number) return;
    model_->SetWaitOfRow(
        static_cast<size_t>(row),
        {OwnWait::Kind::Seconds, static_cast<int>(std::min<UINT>(seconds, kMostOwnWaitSeconds))});
    if (seconds > static_cast<UINT>(kMostOwnWaitSeconds)) ShowWait();
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

void Form1::ShowRows() {
    ItemList impacts;
    for (size_t row = 0; row < model_->rows.Count(); ++row) {
        impacts.Append(std::wstring(ImpactWord(model_->ImpactOfRow(row))));
    }
    lists_.Show({&model_->rows.names, &impacts, &model_->rows.commands});
    ShowWait();
}

void Form1::ShowWait() {
    const int row = lists_.Selection();
    const bool selected = row >= 0;
    const OwnWait wait = selected ? model_->WaitOfRow(static_cast<size_t>(row)) : OwnWait{};
    const bool seconds = selected && wait.kind == OwnWait::Kind::Seconds;
    showingWait_ = true;
    ::SendMessageW(Item(IDC_Combo2), CB_SETCURSEL,
                   selected ? static_cast<WPARAM>(wait.kind) : static_cast<WPARAM>(-1), 0);
    ::SendMessageW(Item(IDC_UpDown1), UDM_SETPOS32, 0, wait.seconds);
    // The box is empty unless the wait is a number of seconds.
    if (!seconds) ::SetDlgItemTextW(hwnd(), IDC_Text1, L"");
    showingWait_ = false;
    for (const int id : {IDC_Label16, IDC_Combo2}) ::EnableWindow(Item(id), selected);
    for (const int id : {IDC_Label17, IDC_Text1, IDC_UpDown1}) ::EnableWindow(Item(id), seconds);
}

void Form1::DrawBand(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    RECT band = item.rcItem;
    // In high contrast the band is the product's name in the scheme's colours, as every picture
    // behind text gives way there.
    const bool highContrast = ui::HighContrastOn();
    const SIZE logo = logo_ && !highContrast ? PictureSize(*logo_.get()) : SIZE{0, 0};
    if (logo.cx > 0 && logo.cy > 0) {
        // The logo fills the band's height; its last column of pixels is drawn out to the right
        // edge, so that its background runs on across the whole band.
        const LONG height = band.bottom - band.top;
        const LONG width =
            std::min<LONG>(band.right - band.left, ::MulDiv(logo.cx, height, logo.cy));
        ::SetStretchBltMode(dc, HALFTONE);
        DrawPicture(*logo_.get(), dc, {band.left, band.top, band.left + width, band.bottom});
        ::StretchBlt(dc, band.left + width, band.top, band.right - band.left - width, height, dc,
                     band.left + width - 1, band.top, 1, height, SRCCOPY);
        return;
    }
    // Without the picture: a plain band with the product's name.
    ::SetBkColor(dc, highContrast ? ::GetSysColor(COLOR_HIGHLIGHT) : kBandColour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
    const Selected font(dc, bandFont_.get());
    ::SetTextColor(dc, highContrast ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : kBandText);
    band.left += ::MulDiv(band.bottom - band.top, 1, 3);
    ::DrawTextW(dc, L"Tarnwick", -1, &band, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

}  // namespace tarnwick::settings

#include "form1.h"

#include "dialog_font.h"
#include "picture.h"
#include "product.h"
#include "resource.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace tarnwick::settings {
namespace {

// Page keys on a spin move the delay by 5 seconds.
constexpr int kSpinPage = 10;
// Fonts and pictures are made again once the dialog manager has rescaled the window for a new DPI.
constexpr UINT kRemakeSized = WM_APP + 1;
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
    int label;
    Box which;
};

constexpr BoxControl kBoxes[] = {
    {IDC_Check1, IDC_Label8, Box::VisibleOnStartup}, {IDC_Check2, IDC_Label9, Box::AutoHide},
    {IDC_Check3, IDC_Label10, Box::ShowDetails},     {IDC_Check4, IDC_Label11, Box::ShowSkin},
    {IDC_Check5, IDC_Label12, Box::HideLogo},
};

// Controls that cannot show their own focus, and the control beside them that shows it.
constexpr std::pair<int, int> kFocusCues[] = {
    {IDC_Check1, IDC_Label8},   {IDC_Check2, IDC_Label9},  {IDC_Check3, IDC_Label10},
    {IDC_Check4, IDC_Label11},  {IDC_Check5, IDC_Label12}, {IDC_VScroll1, IDC_Label2},
    {IDC_VScroll2, IDC_Label3},
};

// The captions that take the skin's colour; the value boxes keep theirs.
constexpr int kCaptions[] = {IDC_Label1, IDC_Label4,  IDC_Label5,  IDC_Label6, IDC_Label8,
                             IDC_Label9, IDC_Label10, IDC_Label11, IDC_Label12};

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

int ListInt(HWND list, UINT message) {
    return static_cast<int>(::SendMessageW(list, message, 0, 0));
}

void FillList(HWND list, const ItemList& items) {
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& text : items.Items()) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

// The widest text of a list, so that its horizontal scroll bar reaches the end of every row.
int WidestText(HWND list, const ItemList& items) {
    const WindowDc dc(list);
    const HGDIOBJ old =
        ::SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::wstring& text : items.Items()) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc.get(), old);
    return widest;
}

// An arrow for a move button: a triangle in the button text colour on a transparent square of
// `size` pixels. Drawn here rather than taken from a font, since not every font has the glyph.
UniqueIcon ArrowIcon(int size, bool up) {
    const int width = size * 9 / 10;
    const int height = size / 2;
    const int top = (size - height) / 2;
    const int tip = up ? top : top + height;
    const int base = up ? top + height : top;
    const POINT triangle[] = {
        {(size - width) / 2, base}, {(size + width) / 2, base}, {size / 2, tip}};

    const WindowDc screen(nullptr);
    UniqueGdiObj colour(::CreateCompatibleBitmap(screen.get(), size, size));
    UniqueGdiObj mask(::CreateBitmap(size, size, 1, 1, nullptr));
    const HDC dc = ::CreateCompatibleDC(screen.get());
    const HGDIOBJ oldBitmap = ::SelectObject(dc, mask.get());
    const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
    const HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
    // The mask is white where the button shows through, black under the triangle; the colour
    // bitmap is black around the triangle, so that it leaves the button as it is there.
    for (const auto& [bitmap, fill, ink] :
         {std::tuple{mask.get(), RGB(255, 255, 255), RGB(0, 0, 0)},
          std::tuple{colour.get(), RGB(0, 0, 0), ::GetSysColor(COLOR_BTNTEXT)}}) {
        ::SelectObject(dc, bitmap);
        ::SetDCBrushColor(dc, fill);
        ::SetDCPenColor(dc, fill);
        ::Rectangle(dc, 0, 0, size, size);
        ::SetDCBrushColor(dc, ink);
        ::SetDCPenColor(dc, ink);
        ::Polygon(dc, triangle, 3);
    }
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldBitmap);
    ::DeleteDC(dc);
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(colour.get())};
    return UniqueIcon(::CreateIconIndirect(&info));
}

}  // namespace

bool Form1::Create(HINSTANCE instance, int show) {
    instance_ = instance;
    hwnd_ = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_Form1), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (!hwnd_) return false;
    ::ShowWindow(hwnd_, show);
    return true;
}

INT_PTR CALLBACK Form1::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Form1*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
        self->OnInitDialog();
        return FALSE;  // the opening has placed the focus itself
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return self ? self->OnMessage(message, wParam, lParam) : FALSE;
}

LRESULT CALLBACK Form1::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR self) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, ListProc, 0);
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    // Whatever moved this list's selection or top row (a click, a drag, the wheel, the keyboard,
    // its scroll bar, a message from outside) is copied to the other list once it is done.
    if (message != WM_DESTROY && message != WM_NCDESTROY) {
        reinterpret_cast<Form1*>(self)->KeepListsInStep(hwnd);
    }
    return result;
}

LRESULT CALLBACK Form1::FocusOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR cue, DWORD_PTR) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, FocusOwnerProc, cue);
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        ::InvalidateRect(::GetDlgItem(::GetParent(hwnd), static_cast<int>(cue)), nullptr, TRUE);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Form1::FocusCueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR owner, DWORD_PTR) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, FocusCueProc, owner);
    if (message == WM_UPDATEUISTATE) ::InvalidateRect(hwnd, nullptr, TRUE);
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    const HWND dialog = ::GetParent(hwnd);
    if (message != WM_PAINT || ::GetFocus() != ::GetDlgItem(dialog, static_cast<int>(owner))) {
        return result;
    }
    // Focus cues stay hidden until the keyboard is used, as everywhere in the dialog.
    if (::SendMessageW(dialog, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) return result;
    const WindowDc dc(hwnd);
    RECT area{};
    ::GetClientRect(hwnd, &area);
    if (IsValueBox(::GetDlgCtrlID(hwnd))) {
        ::InflateRect(&area, -1, -1);
    } else {
        // A label: the frame goes round its text, where a tick box draws it.
        wchar_t text[64]{};
        ::GetWindowTextW(hwnd, text, 64);
        const HGDIOBJ old = ::SelectObject(
            dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        ::DrawTextW(dc.get(), text, -1, &area, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        ::SelectObject(dc.get(), old);
        area.right += 2;
    }
    ::DrawFocusRect(dc.get(), &area);
    return result;
}

INT_PTR Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            OnSpin(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return TRUE;
        case WM_ERASEBKGND:
            return background_.Erase(hwnd_, reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC: {
            const HWND control = reinterpret_cast<HWND>(lParam);
            const auto dc = reinterpret_cast<HDC>(wParam);
            const int id = ::GetDlgCtrlID(control);
            if (IsValueBox(id)) {
                // The value boxes read like a field: window colours, white in the usual scheme.
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
            }
            if (!ShowsBackground(control)) return FALSE;
            return reinterpret_cast<INT_PTR>(
                background_.ColourControl(hwnd_, dc, control, IsCaption(id)));
        }
        case WM_DRAWITEM:
            if (wParam != IDC_Picture1) return FALSE;
            DrawBand(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_DPICHANGED:
            ::PostMessageW(hwnd_, kRemakeSized, 0, 0);
            return FALSE;
        case kRemakeSized:
            MakeSizedResources();
            FitLists();
            background_.Prepare(hwnd_, look_);
            RedrawWholeWindow(hwnd_);
            return TRUE;
        case kWarnSwitchedOff:
            ::MessageBoxW(hwnd_, kSwitchedOffText, L"Tarnwick Settings",
                          MB_OK | MB_ICONINFORMATION);
            return TRUE;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

void Form1::OnInitDialog() {
    model_.emplace(StoreContext{os_, programFolder_, hwnd_}, static_cast<SkinHooks&>(*this));
    logo_ = LoadPicture(programFolder_ + L"\\twlogo.jpg");
    // Shared icons belong to the module: nothing to free.
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    for (const auto& [which, metric] :
         {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = ::GetSystemMetrics(metric);
        ::SendMessageW(hwnd_, WM_SETICON, which,
                       reinterpret_cast<LPARAM>(::LoadImageW(module, MAKEINTRESOURCEW(IDI_Tarnwick),
                                                             IMAGE_ICON, size, size, LR_SHARED)));
    }
    MakeSizedResources();
    for (const int id : {IDC_VScroll1, IDC_VScroll2}) {
        SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS, kSpinFirst, kSpinLast, 0, kSpinStart, 0};
        ::SetScrollInfo(Item(id), SB_CTL, &info, FALSE);
    }
    for (const int id : {IDC_List4, IDC_List5}) {
        ::SetWindowSubclass(Item(id), ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    // Tick boxes are the box alone and spin controls have no thumb: neither can show that it
    // has the focus, so its label or value box shows it instead.
    for (const auto& [owner, cue] : kFocusCues) {
        ::SetWindowSubclass(Item(owner), FocusOwnerProc, static_cast<UINT_PTR>(cue), 0);
        ::SetWindowSubclass(Item(cue), FocusCueProc, static_cast<UINT_PTR>(owner), 0);
    }

    model_->Load();

    ShowSkinList();
    ShowBoxes();
    ShowDelays();
    ::SetDlgItemTextW(hwnd_, IDC_Command5, model_->SwitchCaption().c_str());
    ShowRows();
    ::SetFocus(Item(IDC_List4));
    if (SwitchedOffInTaskManager(os_)) ::PostMessageW(hwnd_, kWarnSwitchedOff, 0, 0);
}

void Form1::MakeSizedResources() {
    bandFont_ = ScaledFont(hwnd_, 2.4, FW_BOLD);
    // The arrows are as tall as the text; the old ones go only once the buttons hold the new.
    const int size = std::abs(DialogFont(hwnd_).lfHeight);
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
            model_->SetBox(control.which, ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
            ShowSkinList();
            return;
        }
        // A double click on a label is two clicks, as on the box itself.
        if (id == control.label && (code == STN_CLICKED || code == STN_DBLCLK)) {
            model_->ToggleBox(control.which);
            ShowBoxes();
            ShowSkinList();
            return;
        }
    }
    switch (id) {
        case IDC_Command1:
            model_->Save();
            ::DestroyWindow(hwnd_);
            break;
        case IDC_Command2:
            ::DestroyWindow(hwnd_);
            break;
        case IDC_Command5:
            OnSwitch();
            break;
        case IDC_Command3:
            ShowAbout();
            break;
        case IDC_Command4:
            // Whatever the shell does with a missing page or a missing browser is all the user
            // gets: the window has nothing to add.
            os_.ShellOpen(hwnd_, programFolder_ + kHelpFile, {});
            break;
        case IDC_Command9:
            os_.ShellOpen(hwnd_, kMakerWebAddress, {});
            break;
        case IDC_Command8:
            OnMove(true);
            break;
        case IDC_Command7:
            OnMove(false);
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
    background_.Prepare(hwnd_, look_);
    RedrawWholeWindow(hwnd_);
    if (about_ && about_->Loaded()) about_->ShowLook();
}

void Form1::ShowAbout() {
    if (!about_ || !about_->Loaded()) {
        // Built anew after "OK": it takes the look the windows have now.
        about_ = std::make_unique<frmAbout>(os_, programFolder_, look_);
        if (!about_->Load(instance_, hwnd_)) return;
    }
    about_->Show();
}

void Form1::OnSpin(HWND bar, int code) {
    const bool loading = bar == Item(IDC_VScroll1);
    if (!loading && bar != Item(IDC_VScroll2)) return;
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
    const HWND names = Item(IDC_List4);
    const HWND commands = Item(IDC_List5);
    const int from = ListInt(names, LB_GETCURSEL);
    const int to = up ? model_->MoveUp(from) : model_->MoveDown(from);
    if (to == from) return;
    listsInStep_ = true;
    for (const auto& [list, items] :
         {std::pair{names, &model_->rows.names}, std::pair{commands, &model_->rows.commands}}) {
        ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(from), 0);
        ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(to),
                       reinterpret_cast<LPARAM>(items->Item(static_cast<size_t>(to)).c_str()));
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    }
    listsInStep_ = false;
    KeepListsInStep(names);
}

void Form1::OnSwitch() {
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const std::wstring report = model_->ToggleSwitch();
    ::SetCursor(previous);
    ::SetDlgItemTextW(hwnd_, IDC_Command5, model_->SwitchCaption().c_str());
    // Switched off, the rows stay as they are; switched on, they were built again.
    if (model_->Enabled()) ShowRows();
    // Said at once: a switch that reads "Disabled" while Tarnwick still starts some programs
    // would otherwise claim what it did not do.
    if (!report.empty()) {
        ::MessageBoxW(hwnd_, report.c_str(), L"Tarnwick Settings", MB_OK | MB_ICONINFORMATION);
    }
}

void Form1::ShowBoxes() {
    for (const BoxControl& control : kBoxes) {
        ::CheckDlgButton(hwnd_, control.box,
                         model_->Ticked(control.which) ? BST_CHECKED : BST_UNCHECKED);
    }
}

void Form1::ShowDelays() {
    ::SetDlgItemTextW(hwnd_, IDC_Label2, model_->loadingDelay.Text().c_str());
    ::SetDlgItemTextW(hwnd_, IDC_Label3, model_->initialDelay.Text().c_str());
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
    const HWND names = Item(IDC_List4);
    const HWND commands = Item(IDC_List5);
    listsInStep_ = true;
    for (const HWND list : {names, commands}) ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    FillList(names, model_->rows.names);
    FillList(commands, model_->rows.commands);
    // A little room after the longest command, so that its end is not hard against the border.
    ::SendMessageW(commands, LB_SETHORIZONTALEXTENT,
                   static_cast<WPARAM>(WidestText(commands, model_->rows.commands) +
                                       ::GetSystemMetrics(SM_CXEDGE) * 4),
                   0);
    for (const HWND list : {names, commands}) {
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }
    listsInStep_ = false;
    FitLists();
}

void Form1::FitLists() {
    const HWND names = Item(IDC_List4);
    const HWND commands = Item(IDC_List5);
    RECT rows{};
    ::GetClientRect(commands, &rows);
    RECT next{};
    ::GetWindowRect(commands, &next);
    RECT window{};
    ::GetWindowRect(names, &window);
    RECT own{};
    ::GetClientRect(names, &own);
    // Dialog units round separately for each control: the names end exactly where the commands
    // begin, and show exactly as many rows.
    const LONG frame = (window.bottom - window.top) - own.bottom;
    ::SetWindowPos(names, nullptr, 0, 0, next.left - window.left, rows.bottom + frame,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::KeepListsInStep(HWND from) {
    if (listsInStep_ || !model_) return;
    const HWND names = Item(IDC_List4);
    const HWND other = from == names ? Item(IDC_List5) : names;
    listsInStep_ = true;
    const int selected = ListInt(from, LB_GETCURSEL);
    const int top = ListInt(from, LB_GETTOPINDEX);
    // The selection first: selecting may scroll, and the top row then puts that right.
    if (ListInt(other, LB_GETCURSEL) != selected) {
        ::SendMessageW(other, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    if (ListInt(other, LB_GETTOPINDEX) != top) {
        ::SendMessageW(other, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    }
    listsInStep_ = false;
}

void Form1::DrawBand(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    RECT band = item.rcItem;
    const SIZE logo = logo_ ? PictureSize(*logo_.get()) : SIZE{0, 0};
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
    ::SetBkColor(dc, kBandColour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &band, nullptr, 0, nullptr);
    const HGDIOBJ old = ::SelectObject(dc, bandFont_.get());
    ::SetTextColor(dc, kBandText);
    band.left += ::MulDiv(band.bottom - band.top, 1, 3);
    ::DrawTextW(dc, L"Tarnwick", -1, &band, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    ::SelectObject(dc, old);
}

}  // namespace tarnwick::settings

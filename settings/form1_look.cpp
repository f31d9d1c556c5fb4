// How the settings window looks: the skin behind its captions and tick boxes, the logo band, the
// fonts, pictures and labels that follow its DPI, and the names and tooltips of the controls that
// show no text of their own.
#include "form1.h"

#include "accessibility.h"
#include "arrow_icon.h"
#include "dialog_access.h"
#include "dialog_font.h"
#include "folder_path.h"
#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <utility>

namespace tarnwick::settings {
namespace {

// The band that stands for the logo.
constexpr COLORREF kBandColour = RGB(28, 58, 104);
constexpr COLORREF kBandText = RGB(255, 255, 255);

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

std::vector<std::wstring> Form1::SkinLoad() {
    skins_ = LoadSkinIndex(JoinPath(programFolder_, L"skins\\skins.skn"));
    std::vector<std::wstring> names;
    for (const SkinRecord& skin : skins_) names.push_back(skin.name);
    return names;
}

void Form1::Skin(int sk) {
    // A skin that cannot be shown whole is not shown at all: its colour was chosen to be read on
    // its picture, not on the window's own face.
    if (sk < 0 || sk >= static_cast<int>(skins_.size())) return NoSkin();
    const SkinRecord& skin = skins_[static_cast<size_t>(sk)];
    ComPtr<IPicture> picture =
        LoadPicture(JoinPath(JoinPath(programFolder_, L"skins"), skin.picture));
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

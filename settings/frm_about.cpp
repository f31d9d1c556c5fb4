#include "frm_about.h"

#include "accessibility.h"
#include "dialog_access.h"
#include "dialog_font.h"
#include "picture.h"
#include "context.h"
#include "product.h"
#include "resource.h"
#include "sysinfo.h"

#include <algorithm>
#include <vector>

namespace tarnwick::settings {
namespace {

constexpr wchar_t kDisclaimer[] =
    L"Warning: this program is distributed as is, without any warranty. The author takes no "
    L"responsibility for any loss of data or other damage that may come from its use.";
constexpr int kDisclaimerPoints = 6;

// The labels that take the skin's colour.
constexpr int kAboutCaptions[] = {IDC_lblTitle, IDC_AboutLabel1, IDC_lblDescription, IDC_lblVersion,
                                  IDC_lblDisclaimer};

// The running program's own version resource.
class VersionRecord {
  public:
    VersionRecord() {
        const std::wstring path = ProgramPath();
        if (path.empty()) return;
        DWORD handle = 0;
        record_.resize(::GetFileVersionInfoSizeW(path.c_str(), &handle));
        if (record_.empty() ||
            !::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(record_.size()),
                                   record_.data())) {
            record_.clear();
        }
    }

    // Major, minor and revision, joined by ".".
    std::wstring Version() const {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        if (record_.empty() ||
            !::VerQueryValueW(record_.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) ||
            size < sizeof *fixed) {
            return {};
        }
        return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(fixed->dwFileVersionLS));
    }

    // One text of the record (US English, Unicode); empty when it has none.
    std::wstring Text(std::wstring_view name) const {
        const std::wstring query = L"\\StringFileInfo\\040904B0\\" + std::wstring(name);
        wchar_t* text = nullptr;
        UINT length = 0;
        if (record_.empty() || !::VerQueryValueW(record_.data(), query.c_str(),
                                                 reinterpret_cast<void**>(&text), &length)) {
            return {};
        }
        return std::wstring(text, ::wcsnlen(text, length));
    }

  private:
    std::vector<BYTE> record_;
};

bool IsAboutCaption(int id) {
    return std::find(std::begin(kAboutCaptions), std::end(kAboutCaptions), id) !=
           std::end(kAboutCaptions);
}

}  // namespace

bool frmAbout::Load(HINSTANCE instance, HWND owner) {
    return MakeModeless(instance, IDD_frmAbout, owner);
}

void frmAbout::Show() const {
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetActiveWindow(hwnd());
}

void frmAbout::ShowLook() {
    background_.Prepare(hwnd(), look_);
    RedrawWholeWindow(hwnd());
}

INT_PTR frmAbout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnLoad();
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_cmdOK:
                case IDCANCEL:
                    ::DestroyWindow(hwnd());
                    return TRUE;
                case IDC_cmdSysInfo:
                    StartSysInfo(os_, hwnd());
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast on or off.
            ShowLook();
            return TRUE;
        case WM_ERASEBKGND:
            return background_.Erase(hwnd(), reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORSTATIC: {
            const auto control = reinterpret_cast<HWND>(lParam);
            return reinterpret_cast<INT_PTR>(
                background_.ColourControl(hwnd(), reinterpret_cast<HDC>(wParam), control,
                                          IsAboutCaption(::GetDlgCtrlID(control))));
        }
        case WM_DRAWITEM:
            if (const DRAWITEMSTRUCT* item = ui::OwnDrawItem(hwnd(), IDC_picIcon, wParam, lParam)) {
                DrawLogo(*item);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void frmAbout::OnRescaled() {
    MakeSizedResources();
    FitTexts();
    ShowLook();
}

void frmAbout::FitTexts() {
    ui::FitLabelsToText(hwnd(), {IDC_lblTitle, IDC_lblVersion, IDC_lblDescription, IDC_AboutLabel1,
                                 IDC_lblDisclaimer});
}

void frmAbout::OnLoad() {
    const VersionRecord record;
    ::SetDlgItemTextW(hwnd(), IDC_lblDisclaimer, kDisclaimer);
    logo_ = LoadLogo(programFolder_);
    MakeSizedResources();
    ::SetWindowTextW(hwnd(), L"About Tarnwick");
    ::SetDlgItemTextW(hwnd(), IDC_lblVersion, (L"Version " + record.Version()).c_str());
    ::SetDlgItemTextW(
        hwnd(), IDC_lblTitle,
        (record.Text(L"FileDescription") + L": " + std::wstring(kMakerWebAddress)).c_str());
    ::SetDlgItemTextW(hwnd(), IDC_lblDescription, record.Text(L"Comments").c_str());
    ::SetDlgItemTextW(hwnd(), IDC_AboutLabel1, record.Text(L"LegalCopyright").c_str());
    FitTexts();
    ui::ShowKeyboardCues(hwnd());
    background_.Prepare(hwnd(), look_);
}

void frmAbout::MakeSizedResources() {
    titleFont_ = ScaledFont(hwnd(), 1.0, FW_BOLD);
    disclaimerFont_ = PointFont(hwnd(), kDisclaimerPoints);
    ::SendMessageW(Item(IDC_lblTitle), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()),
                   TRUE);
    ::SendMessageW(Item(IDC_lblDisclaimer), WM_SETFONT,
                   reinterpret_cast<WPARAM>(disclaimerFont_.get()), TRUE);
}

void frmAbout::DrawLogo(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    HBRUSH brush = background_.ColourControl(hwnd(), dc, item.hwndItem, false);
    ::FillRect(dc, &item.rcItem, brush ? brush : ::GetSysColorBrush(COLOR_3DFACE));
    const SIZE logo = logo_ ? PictureSize(*logo_.get()) : SIZE{0, 0};
    if (logo.cx <= 0 || logo.cy <= 0) return;
    // As large as the place allows without changing the logo's proportions.
    const RECT& place = item.rcItem;
    const LONG width = place.right - place.left;
    const LONG height = place.bottom - place.top;
    const LONG fitWidth = std::min<LONG>(width, ::MulDiv(logo.cx, height, logo.cy));
    const LONG fitHeight = ::MulDiv(logo.cy, fitWidth, logo.cx);
    const LONG top = place.top + (height - fitHeight) / 2;
    ::SetStretchBltMode(dc, HALFTONE);
    DrawPicture(*logo_.get(), dc, {place.left, top, place.left + fitWidth, top + fitHeight});
}

}  // namespace tarnwick::settings

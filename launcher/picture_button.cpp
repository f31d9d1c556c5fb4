#include "picture_button.h"

#include "gdi.h"
#include "handles.h"

#include <oleacc.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <utility>

namespace tarnwick {
namespace {

constexpr wchar_t kButtonClass[] = L"TarnwickButton";
constexpr int kIconSize = 16;   // pixels at 96 DPI
constexpr int kFocusInset = 3;  // between the focus rectangle and the edge, pixels at 96 DPI

void CloseTheme(HTHEME theme) {
    ::CloseThemeData(theme);
}
using UniqueTheme = UniqueAny<HTHEME, CloseTheme>;

}  // namespace

bool PictureButton::Register(HINSTANCE instance) {
    return RegisterWindowClass(instance, kButtonClass);
}

int PictureButton::IconSize(UINT dpi) {
    return ::MulDiv(kIconSize, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

bool PictureButton::Create(HWND parent, HINSTANCE instance, const wchar_t* text, int id) {
    return MakeWindow(0, kButtonClass, text, WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | WS_TABSTOP,
                      parent, id, instance);
}

void PictureButton::Click() {
    tip_.Hide();
    ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd()));
}

void PictureButton::ShowTip() {
    RECT r{};
    ::GetWindowRect(hwnd(), &r);
    tip_.Show(::GetAncestor(hwnd(), GA_ROOT), ui::WindowText(hwnd()), r, ::GetDpiForWindow(hwnd()));
}

// A screen reader learns what a control is from its role, and oleacc knows nothing of this
// window class: it would announce a plain window. The role goes to the system's annotations
// when a reader first asks for the button (WM_GETOBJECT), which oleacc reads as it builds the
// button's object once the message is answered. Not at creation: a log-on without assistive
// technology never loads the accessibility library. The name stays the window text, which
// follows Pause and Resume; an annotated name would not.
void PictureButton::AnnounceRole() {
    announced_ = true;
    ComPtr<IAccPropServices> services;
    if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IAccPropServices, services.put_void()))) {
        return;
    }
    VARIANT role;
    ::VariantInit(&role);
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_PUSHBUTTON;
    // Without the annotation (Wine 8 has none) the button keeps its name, and only its role is
    // the generic one.
    services->SetHwndProp(hwnd(), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE,
                          role);
}

// Answers the button messages a test or a screen reader sends, the mouse (`OnMouse`), and the
// keyboard: Space pressed and let go while it has the focus.
LRESULT PictureButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETOBJECT:
            if (!announced_ && static_cast<LONG>(lParam) == OBJID_CLIENT) AnnounceRole();
            return Default(message, wParam, lParam);
        case WM_GETDLGCODE:
            // The focused button is the default one: IsDialogMessage presses it on Enter.
            return DLGC_BUTTON |
                   (::GetFocus() == hwnd() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case WM_SETFOCUS:
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            spaceDown_ = false;
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam != VK_SPACE) break;
            OnSpace(message == WM_KEYDOWN);
            return 0;
        case WM_MOUSEHOVER:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            OnMouse(message, lParam);
            return 0;
        case BM_SETIMAGE: {
            const HICON old = std::exchange(face_, reinterpret_cast<HICON>(lParam));
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return reinterpret_cast<LRESULT>(old);
        }
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(face_);
        case BM_CLICK:
            Click();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const PaintDc paint(hwnd());
            Paint(paint.get());
            return 0;
        }
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

// Space pressed shows the button pushed in; let go, it clicks. The keyboard's repeats change
// nothing.
void PictureButton::OnSpace(bool down) {
    if (spaceDown_ == down) return;
    spaceDown_ = down;
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    if (!down) Click();
}

// As a push button does: the click comes when the left button is let go over the button it was
// pressed on; the pointer resting on it shows the tooltip.
void PictureButton::OnMouse(UINT message, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEHOVER:
            if (!down_) ShowTip();
            break;
        case WM_MOUSELEAVE:
            tracking_ = false;
            tip_.Hide();
            break;
        case WM_LBUTTONDOWN:
            tip_.Hide();
            down_ = inside_ = true;
            ::SetCapture(hwnd());
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            break;
        case WM_MOUSEMOVE:
            if (!tracking_) {
                // The tooltip after the system's hover time, gone when the pointer leaves.
                TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, hwnd(), HOVER_DEFAULT};
                tracking_ = ::TrackMouseEvent(&track) != FALSE;
            }
            if (down_) {
                RECT r{};
                ::GetClientRect(hwnd(), &r);
                const bool inside = ::PtInRect(&r, ui::PointFrom(lParam)) != FALSE;
                if (inside != inside_) {
                    inside_ = inside;
                    ::InvalidateRect(hwnd(), nullptr, FALSE);
                }
            }
            break;
        case WM_LBUTTONUP:
            if (down_) {
                const bool click = inside_;
                ::ReleaseCapture();
                if (click) Click();
            }
            break;
        case WM_CAPTURECHANGED:
            down_ = false;
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            break;
        default:
            break;
    }
}

void PictureButton::Paint(HDC dc) const {
    RECT r{};
    ::GetClientRect(hwnd(), &r);
    const bool pushed = (down_ && inside_) || spaceDown_;
    // With high contrast, the system's button colours and the classic frame, drawn in them (the
    // parent gives the button its pictures in the button text's colour then).
    const bool contrast = highContrast_;
    ::FillRect(dc, &r,
               contrast ? ::GetSysColorBrush(COLOR_BTNFACE)
                        : static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
    // The system's own push-button look where visual styles are on, the classic frame elsewhere.
    const UniqueTheme theme(contrast ? nullptr : ::OpenThemeData(hwnd(), L"BUTTON"));
    if (theme) {
        ::DrawThemeBackground(theme.get(), dc, BP_PUSHBUTTON, pushed ? PBS_PRESSED : PBS_NORMAL, &r,
                              nullptr);
    } else {
        ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    }
    const UINT dpi = ::GetDpiForWindow(hwnd());
    const int size = IconSize(dpi);
    const int shift = pushed ? 1 : 0;
    const int x = (r.right - size) / 2 + shift;
    const int y = (r.bottom - size) / 2 + shift;
    ::DrawIconEx(dc, x, y, face_, size, size, 0, nullptr, DI_NORMAL);
    if (::GetFocus() == hwnd()) {
        const int inset = ::MulDiv(kFocusInset, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
        ::InflateRect(&r, -inset, -inset);
        ::DrawFocusRect(dc, &r);
    }
}

}  // namespace tarnwick

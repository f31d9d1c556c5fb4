#include "picture_button.h"

#include "gdi.h"
#include "handles.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <utility>

namespace tarnwick {
namespace {

constexpr wchar_t kButtonClass[] = L"TarnwickButton";
constexpr int kIconSize = 16;  // pixels at 96 DPI

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
    return MakeWindow(0, kButtonClass, text, WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE, parent, id,
                      instance);
}

void PictureButton::Click() {
    ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd()));
}

// Answers the button messages a test or a screen reader sends, and the mouse as a push button
// does: the click comes when the left button is let go over the button it was pressed on.
LRESULT PictureButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
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
        case WM_LBUTTONDOWN:
            down_ = inside_ = true;
            ::SetCapture(hwnd());
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (down_) {
                RECT r{};
                ::GetClientRect(hwnd(), &r);
                const bool inside = ::PtInRect(&r, ui::PointFrom(lParam)) != FALSE;
                if (inside != inside_) {
                    inside_ = inside;
                    ::InvalidateRect(hwnd(), nullptr, FALSE);
                }
            }
            return 0;
        case WM_LBUTTONUP:
            if (down_) {
                const bool click = inside_;
                ::ReleaseCapture();
                if (click) Click();
            }
            return 0;
        case WM_CAPTURECHANGED:
            down_ = false;
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const PaintDc paint(hwnd());
            Paint(paint.get());
            return 0;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

void PictureButton::Paint(HDC dc) const {
    RECT r{};
    ::GetClientRect(hwnd(), &r);
    const bool pushed = down_ && inside_;
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
    // The system's own push-button look where visual styles are on, the classic frame elsewhere.
    const UniqueTheme theme(::OpenThemeData(hwnd(), L"BUTTON"));
    if (theme) {
        ::DrawThemeBackground(theme.get(), dc, BP_PUSHBUTTON, pushed ? PBS_PRESSED : PBS_NORMAL, &r,
                              nullptr);
    } else {
        ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    }
    const int size = IconSize(::GetDpiForWindow(hwnd()));
    const int shift = pushed ? 1 : 0;
    ::DrawIconEx(dc, (r.right - size) / 2 + shift, (r.bottom - size) / 2 + shift, face_, size, size,
                 0, nullptr, DI_NORMAL);
}

}  // namespace tarnwick

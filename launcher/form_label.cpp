#include "form_label.h"

#include "gdi.h"

namespace tarnwick {
namespace {

constexpr wchar_t kLabelClass[] = L"TarnwickControl";
constexpr WPARAM kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

}  // namespace

bool FormLabel::Register(HINSTANCE instance) {
    return RegisterWindowClass(instance, kLabelClass);
}

bool FormLabel::Create(HWND parent, HINSTANCE instance, const wchar_t* text, DWORD style, int id) {
    return MakeWindow(0, kLabelClass, text, WS_CHILD | WS_CLIPSIBLINGS | style, parent, id,
                      instance);
}

LRESULT FormLabel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCHITTEST:
            // The "Loading" line lies under the drag label: the pointer passes through to it.
            if (kind_ == LabelKind::Loading) return HTTRANSPARENT;
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const PaintDc paint(hwnd());
            host_.PaintLabel(kind_, paint.get());
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (kind_ == LabelKind::Percent) return OnPercentMouse(message, wParam, lParam);
            break;
        case WM_MOUSEMOVE:
            if (kind_ == LabelKind::Percent) return OnPercentMouse(message, wParam, lParam);
            if (kind_ == LabelKind::Logo) host_.RefreshAutoHide();
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

LRESULT FormLabel::OnPercentMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            if (wParam & MK_LBUTTON) host_.Drag(ui::PointFrom(lParam), false);
            host_.RefreshAutoHide();
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (!(wParam & kAnyButton)) ::ReleaseCapture();
            host_.PercentReleased(message == WM_LBUTTONUP);
            return 0;
        case WM_MBUTTONUP:
            // The middle button does nothing on the percentage, but its press took the pointer:
            // held on, the label would take the next click anywhere, on Stop say.
            if (!(wParam & kAnyButton)) ::ReleaseCapture();
            return 0;
        default:
            // A press on the percentage starts a drag as well; its pointer positions are taken
            // in the label's own coordinates, like the moves that follow.
            host_.Press(ui::PointFrom(lParam));
            ::SetCapture(hwnd());
            return 0;
    }
}

}  // namespace tarnwick

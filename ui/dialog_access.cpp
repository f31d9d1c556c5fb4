#include "dialog_access.h"

#include "gdi.h"
#include "window.h"

namespace tarnwick::ui {
namespace {

RECT RectIn(HWND control, HWND dialog) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The height the static control's text takes at its width, wrapped and drawn as the control
// draws it.
int TextHeight(HWND label) {
    RECT room{};
    ::GetClientRect(label, &room);
    const std::wstring text = WindowText(label);
    if (text.empty() || room.right <= 0) return 0;
    const auto style = static_cast<DWORD>(::GetWindowLongW(label, GWL_STYLE));
    UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    const WindowDc dc(label);
    const Selected font(dc.get(), ControlFont(label));
    RECT needed{0, 0, room.right, 0};
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
    return needed.bottom;
}

void Move(HWND control, const RECT& r) {
    ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ShowKeyboardCues(HWND dialog) {
    // Posted: while it makes a dialog, the dialog manager sets the cues from the last input, and
    // this comes after that, whenever it happens.
    ::PostMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL),
                   0);
}

void FitLabelsToText(HWND dialog, std::initializer_list<int> labels) {
    int grown = 0;
    for (const int id : labels) {
        const HWND label = ::GetDlgItem(dialog, id);
        if (!label) continue;
        const RECT at = RectIn(label, dialog);
        RECT room{};
        ::GetClientRect(label, &room);
        const int extra = TextHeight(label) - room.bottom;
        if (extra <= 0) continue;
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT r = RectIn(child, dialog);
            if (child == label) {
                r.bottom += extra;
            } else if (r.top >= at.bottom) {
                ::OffsetRect(&r, 0, extra);
            } else {
                continue;
            }
            Move(child, r);
        }
        grown += extra;
    }
    if (grown <= 0) return;
    RECT window{};
    ::GetWindowRect(dialog, &window);
    ::SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left,
                   window.bottom - window.top + grown, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tarnwick::ui

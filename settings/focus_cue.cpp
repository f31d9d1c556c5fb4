#include "focus_cue.h"

#include "gdi.h"

#include <commctrl.h>

namespace tarnwick::settings {
namespace {

LRESULT CALLBACK FocusOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR cue,
                                DWORD_PTR) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, FocusOwnerProc, cue);
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        ::InvalidateRect(::GetDlgItem(::GetParent(hwnd), static_cast<int>(cue)), nullptr, TRUE);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FocusCueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR owner,
                              DWORD_PTR) {
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
    ::InflateRect(&area, -1, -1);
    ::DrawFocusRect(dc.get(), &area);
    return result;
}

}  // namespace

void AttachFocusCue(HWND dialog, int owner, int cue) {
    ::SetWindowSubclass(::GetDlgItem(dialog, owner), FocusOwnerProc, static_cast<UINT_PTR>(cue), 0);
    ::SetWindowSubclass(::GetDlgItem(dialog, cue), FocusCueProc, static_cast<UINT_PTR>(owner), 0);
}

}  // namespace tarnwick::settings

#include "list_pair.h"

#include "gdi.h"

#include <commctrl.h>

#include <algorithm>

namespace tarnwick::settings {
namespace {

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
    const Selected font(dc.get(), ControlFont(list));
    int widest = 0;
    for (const std::wstring& text : items.Items()) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    return widest;
}

}  // namespace

ListPair::~ListPair() {
    for (const HWND list : {names_, commands_}) {
        if (list) ::RemoveWindowSubclass(list, ListProc, 0);
    }
}

void ListPair::Attach(HWND names, HWND commands) {
    names_ = names;
    commands_ = commands;
    for (const HWND list : {names_, commands_}) {
        ::SetWindowSubclass(list, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT CALLBACK ListPair::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR self) {
    auto& pair = *reinterpret_cast<ListPair*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, ListProc, 0);
        (hwnd == pair.names_ ? pair.names_ : pair.commands_) = nullptr;
    }
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    if (message != WM_DESTROY && message != WM_NCDESTROY) pair.KeepInStep(hwnd);
    return result;
}

void ListPair::Show(const ItemList& names, const ItemList& commands) {
    busy_ = true;
    for (const HWND list : {names_, commands_}) ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    FillList(names_, names);
    FillList(commands_, commands);
    // A little room after the longest command, so that its end is not hard against the border.
    ::SendMessageW(
        commands_, LB_SETHORIZONTALEXTENT,
        static_cast<WPARAM>(WidestText(commands_, commands) + ::GetSystemMetrics(SM_CXEDGE) * 4),
        0);
    for (const HWND list : {names_, commands_}) {
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }
    busy_ = false;
    Fit();
}

int ListPair::Selection() const {
    return ListInt(names_, LB_GETCURSEL);
}

void ListPair::Move(int from, int to, const std::wstring& name, const std::wstring& command) {
    busy_ = true;
    for (const auto& [list, text] : {std::pair{names_, &name}, std::pair{commands_, &command}}) {
        ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(from), 0);
        ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(to),
                       reinterpret_cast<LPARAM>(text->c_str()));
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    }
    busy_ = false;
    KeepInStep(names_);
}

void ListPair::Fit() {
    RECT rows{};
    ::GetClientRect(commands_, &rows);
    RECT next{};
    ::GetWindowRect(commands_, &next);
    RECT window{};
    ::GetWindowRect(names_, &window);
    RECT own{};
    ::GetClientRect(names_, &own);
    // Dialog units round separately for each control: the names end exactly where the commands
    // begin, and show exactly as many rows.
    const LONG frame = (window.bottom - window.top) - own.bottom;
    ::SetWindowPos(names_, nullptr, 0, 0, next.left - window.left, rows.bottom + frame,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ListPair::KeepInStep(HWND from) {
    if (busy_) return;
    const HWND other = from == names_ ? commands_ : names_;
    busy_ = true;
    const int selected = ListInt(from, LB_GETCURSEL);
    const int top = ListInt(from, LB_GETTOPINDEX);
    // The selection first: selecting may scroll, and the top row then puts that right.
    if (ListInt(other, LB_GETCURSEL) != selected) {
        ::SendMessageW(other, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    if (ListInt(other, LB_GETTOPINDEX) != top) {
        ::SendMessageW(other, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    }
    busy_ = false;
}

}  // namespace tarnwick::settings

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
    for (const HWND list : lists_) {
        if (list) ::RemoveWindowSubclass(list, ListProc, 0);
    }
}

void ListPair::Attach(const std::array<HWND, kColumns>& lists,
                      std::function<void()> selectionChanged,
                      std::function<void(bool up)> moveAsked) {
    lists_ = lists;
    selectionChanged_ = std::move(selectionChanged);
    moveAsked_ = std::move(moveAsked);
    for (const HWND list : lists_) {
        ::SetWindowSubclass(list, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT CALLBACK ListPair::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR self) {
    auto& lists = *reinterpret_cast<ListPair*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, ListProc, 0);
        std::replace(lists.lists_.begin(), lists.lists_.end(), hwnd, HWND{});
    }
    // With Alt held, the arrows come as system keys, which a list box leaves alone. They still go
    // on to the default handling: it notes that Alt was not pressed alone, and so does not open
    // the window's menu when Alt is let go.
    if (message == WM_SYSKEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && lists.moveAsked_) {
        lists.moveAsked_(wParam == VK_UP);
    }
    const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
    if (message != WM_DESTROY && message != WM_NCDESTROY) lists.KeepInStep(hwnd);
    return result;
}

void ListPair::Show(const std::array<const ItemList*, kColumns>& columns) {
    busy_ = true;
    for (const HWND list : lists_) ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < kColumns; ++i) FillList(lists_[i], *columns[i]);
    // A little room after the longest command, so that its end is not hard against the border.
    ::SendMessageW(Commands(), LB_SETHORIZONTALEXTENT,
                   static_cast<WPARAM>(WidestText(Commands(), *columns.back()) +
                                       ::GetSystemMetrics(SM_CXEDGE) * 4),
                   0);
    for (const HWND list : lists_) {
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }
    busy_ = false;
    Fit();
    KeepInStep(lists_.front());
}

int ListPair::Selection() const {
    return ListInt(lists_.front(), LB_GETCURSEL);
}

void ListPair::Select(int row) {
    ::SendMessageW(lists_.front(), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    KeepInStep(lists_.front());
}

void ListPair::Move(int from, int to, const Texts& texts) {
    busy_ = true;
    for (size_t i = 0; i < kColumns; ++i) {
        ::SendMessageW(lists_[i], LB_DELETESTRING, static_cast<WPARAM>(from), 0);
        ::SendMessageW(lists_[i], LB_INSERTSTRING, static_cast<WPARAM>(to),
                       reinterpret_cast<LPARAM>(texts[i].c_str()));
        ::SendMessageW(lists_[i], LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    }
    busy_ = false;
    KeepInStep(lists_.front());
}

void ListPair::Fit() {
    RECT rows{};
    ::GetClientRect(Commands(), &rows);
    for (size_t i = 0; i + 1 < kColumns; ++i) {
        RECT next{};
        ::GetWindowRect(lists_[i + 1], &next);
        RECT window{};
        ::GetWindowRect(lists_[i], &window);
        RECT own{};
        ::GetClientRect(lists_[i], &own);
        // Dialog units round separately for each control: each list ends exactly where the next
        // begins, and shows exactly as many rows as the commands.
        const LONG frame = (window.bottom - window.top) - own.bottom;
        ::SetWindowPos(lists_[i], nullptr, 0, 0, next.left - window.left, rows.bottom + frame,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void ListPair::KeepInStep(HWND from) {
    if (busy_) return;
    busy_ = true;
    const int selected = ListInt(from, LB_GETCURSEL);
    const int top = ListInt(from, LB_GETTOPINDEX);
    for (const HWND other : lists_) {
        if (other == from || !other) continue;
        // The selection first: selecting may scroll, and the top row then puts that right.
        if (ListInt(other, LB_GETCURSEL) != selected) {
            ::SendMessageW(other, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
        }
        if (ListInt(other, LB_GETTOPINDEX) != top) {
            ::SendMessageW(other, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        }
    }
    busy_ = false;
    if (selected != selection_) {
        selection_ = selected;
        if (selectionChanged_) selectionChanged_();
    }
}

}  // namespace tarnwick::settings
